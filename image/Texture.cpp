#include "image/Texture.h"

#include "image/BmpHeader.h"
#include "image/MpcFile.h"
#include "io/BinaryStream.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

const int maxBmpSide = 65535; // the image fields are 16-bit

// The layout every BMP surface is brought to before its rows are copied: three
// bytes per pixel in B, G, R order, as 24-bit BMP files store them.
bool isPlainBgr24(const SDL_PixelFormat* format) {
    return format->BitsPerPixel == 24 && format->BytesPerPixel == 3 &&
           format->Rmask == 0x00FF0000u && format->Gmask == 0x0000FF00u &&
           format->Bmask == 0x000000FFu;
}

SDL_Surface* convertToBgr24(SDL_Surface* surface) {
    SDL_Surface* model =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 24, 0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0);
    if (!model)
        return nullptr;
    SDL_Surface* converted = SDL_ConvertSurface(surface, model->format, SDL_SWSURFACE);
    SDL_FreeSurface(model);
    return converted;
}

} // namespace

Texture::~Texture() {
    release();
}

void Texture::release() {
    std::free(pixels);
    pixels = nullptr;
}

void Texture::allocate(int width_, int height_, int bytesPerPixel_) {
    release();
    width = uint16_t(width_);
    height = uint16_t(height_);
    bytesPerPixel = uint16_t(bytesPerPixel_);
    size_t bytes = size_t(width) * height * bytesPerPixel;
    if (bytes > 0)
        pixels = static_cast<uint8_t*>(std::calloc(bytes, 1));
}

void Texture::allocateLike(const Texture& other, int bytesPerPixel_) {
    allocate(other.width, other.height,
             bytesPerPixel_ == -1 ? other.bytesPerPixel : bytesPerPixel_);
}

void Texture::copyChannel(int destinationChannel, const Texture& source, int sourceChannel) {
    if (!pixels || !source.pixels)
        return;
    if (destinationChannel < 0 || destinationChannel >= bytesPerPixel || sourceChannel < 0 ||
        sourceChannel >= source.bytesPerPixel)
        return;
    // Only the part both images cover is copied; a smaller source is never read
    // past its end.
    int rows = std::min<int>(height, source.height);
    int columns = std::min<int>(width, source.width);
    for (int y = 0; y < rows; ++y) {
        uint8_t* to = pixels + (size_t(y) * width * bytesPerPixel) + destinationChannel;
        const uint8_t* from =
            source.pixels + (size_t(y) * source.width * source.bytesPerPixel) + sourceChannel;
        for (int x = 0; x < columns; ++x)
            to[size_t(x) * bytesPerPixel] = from[size_t(x) * source.bytesPerPixel];
    }
}

void Texture::swapChannels(int a, int b) {
    Texture temporary;
    temporary.allocateLike(*this, -1);
    temporary.copyChannel(0, *this, a);
    copyChannel(a, *this, b);
    copyChannel(b, temporary, 0);
}

void Texture::extractChannel(int channel, uint8_t* destination) const {
    if (!pixels || !destination || channel < 0 || channel >= bytesPerPixel)
        return;
    size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i)
        destination[i] = pixels[i * bytesPerPixel + channel];
}

bool Texture::loadBmp(const char* path) {
    release();
    SDL_RWops* file = openRWops(path, "rb");
    if (!file)
        return false;
    // The declared picture must be in the file before SDL allocates it.
    uint8_t head[bmp::headBytes] = {};
    int headSize = SDL_RWread(file, head, 1, int(sizeof head));
    int fileSize = SDL_RWseek(file, 0, RW_SEEK_END);
    if (headSize < 0 || fileSize < 0 || SDL_RWseek(file, 0, RW_SEEK_SET) != 0 ||
        !bmp::pixelRowsFit(head, size_t(headSize), uint64_t(fileSize))) {
        SDL_RWclose(file);
        return false;
    }
    SDL_Surface* surface = SDL_LoadBMP_RW(file, 1);
    if (!surface)
        return false;

    SDL_LockSurface(surface);
    if (surface->format->BitsPerPixel != 24)
        messageBox("FEEL!", "", MB_OK);
    if (!isPlainBgr24(surface->format)) {
        // Palette, 16- and 32-bit pictures are brought to 24 bits so that they
        // still come out in their true colours.
        SDL_UnlockSurface(surface);
        SDL_Surface* converted = convertToBgr24(surface);
        SDL_FreeSurface(surface);
        if (!converted)
            return false;
        surface = converted;
        SDL_LockSurface(surface);
    }
    if (surface->w <= 0 || surface->h <= 0 || surface->w > maxBmpSide || surface->h > maxBmpSide) {
        SDL_UnlockSurface(surface);
        SDL_FreeSurface(surface);
        return false;
    }

    allocate(surface->w, surface->h, 3);
    if (pixels) {
        // SDL pads each row to four bytes; the texture's rows are packed.
        size_t rowBytes = size_t(width) * 3;
        const uint8_t* from = static_cast<const uint8_t*>(surface->pixels);
        for (int y = 0; y < height; ++y)
            std::memcpy(pixels + y * rowBytes, from + size_t(y) * surface->pitch, rowBytes);
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    if (!pixels)
        return false;

    swapChannels(0, 2);
    return true;
}

bool Texture::loadMpc(const char* path) {
    release();
    FILE* file = openFile(path, "rb");
    if (!file)
        return false;
    MpcHeader header;
    if (mpc::readHeader(file, header) != mpc::HeaderResult::ok) {
        std::fclose(file);
        return false;
    }
    // The whole pixel block must be in the file: a short file is refused
    // before the block it announces is allocated.
    if (BinaryReader(file).remaining() < mpc::pixelBytes(header)) {
        std::fclose(file);
        return false;
    }
    allocate(header.width, header.height, header.bytesPerPixel);
    if (!pixels) {
        std::fclose(file);
        return false;
    }
    std::memcpy(reserved, header.reserved, sizeof reserved);
    bool complete = std::fread(pixels, 1, mpc::pixelBytes(header), file) == mpc::pixelBytes(header);
    std::fclose(file);
    if (!complete)
        release();
    return complete;
}

bool Texture::saveBmp(const char* path) const {
    if (bytesPerPixel != 3 && bytesPerPixel != 4)
        return false;
    if (writeBmp(path))
        return true;
    // No surface, a folder that does not exist or a full disk: say so rather
    // than report a file that was never written.
    messageBox("Could not save BMP", "Mpc Error", MB_OK);
    return false;
}

bool Texture::writeBmp(const char* path) const {
    if (bytesPerPixel == 4) {
        Texture rgb;
        rgb.allocate(width, height, 3);
        rgb.copyChannel(0, *this, 0);
        rgb.copyChannel(1, *this, 1);
        rgb.copyChannel(2, *this, 2);
        return rgb.writeBmp(path);
    }
    if (bytesPerPixel != 3 || !pixels || width == 0 || height == 0)
        return false;
    SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(pixels, width, height, 24, width * 3,
                                                    0x000000FFu, 0x0000FF00u, 0x00FF0000u, 0);
    if (!surface)
        return false;
    SDL_RWops* file = openRWops(path, "wb");
    bool written = file && SDL_SaveBMP_RW(surface, file, 1) == 0;
    SDL_FreeSurface(surface);
    return written;
}

uint32_t Texture::upload(uint8_t filterMode) {
    GLuint name = 0;
    glGenTextures(1, &name);
    textureName = name;
    if (filterMode > 2)
        return textureName; // a name is reserved, nothing is bound or uploaded

    GLenum format = bytesPerPixel == 3 ? GL_RGB : GL_RGBA;
    glBindTexture(GL_TEXTURE_2D, textureName);
    if (filterMode == 2) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    } else {
        GLint filter = filterMode == 0 ? GL_NEAREST : GL_LINEAR;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    }

    // An image that could not be read keeps its name but has nothing to upload;
    // other pixel sizes would make OpenGL read past the buffer.
    if (!pixels || width == 0 || height == 0 || (bytesPerPixel != 3 && bytesPerPixel != 4))
        return textureName;

    // Rows are packed: an RGB image of odd width has rows that are not a
    // multiple of four bytes long.
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (filterMode == 2) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, bytesPerPixel, width, height, format, GL_UNSIGNED_BYTE,
                          pixels);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel, width, height, 0, format, GL_UNSIGNED_BYTE,
                     pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    return textureName;
}
