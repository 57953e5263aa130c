#pragma once
// One image in memory and, once uploaded, its OpenGL texture name. Rows follow
// each other without padding, the first row is texture row t = 0, channels are
// R, G, B (, A). A Texture owns its pixels but never deletes its OpenGL texture:
// a texture lives until its world's TextureOwner ends, or the program.
// Textures are not copied; temporaries are filled through allocate. The
// readers refuse (false, no pixels) a file that does not hold every pixel its
// header declares, before allocating, so a garbage file never costs much more
// memory than its own size.

#include <cstdint>

class Texture {
  public:
    uint32_t textureName = 0xFFFFFFFFu; // OpenGL texture name; -1 until upload
    uint8_t* pixels = nullptr;          // width * height * bytesPerPixel bytes, or none
    uint16_t width = 0;                 // pixels per row
    uint16_t height = 0;                // rows
    uint16_t bytesPerPixel = 0;         // 3 (RGB) or 4 (RGBA)
    uint8_t reserved[14] = {};          // from the MPC header; not used

    Texture() = default;
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    void release();
    void allocate(int width, int height, int bytesPerPixel);
    void allocateLike(const Texture& other, int bytesPerPixel);
    void copyChannel(int destinationChannel, const Texture& source, int sourceChannel);
    void swapChannels(int a, int b);
    void extractChannel(int channel, uint8_t* destination) const;
    bool loadBmp(const char* path);
    bool loadMpc(const char* path);
    bool saveBmp(const char* path) const;
    // saveBmp without its message box, for callers that report failure themselves.
    bool writeBmp(const char* path) const;
    uint32_t upload(uint8_t filterMode);
};
