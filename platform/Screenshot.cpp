#include "platform/Screenshot.h"

#include "platform/FileSystem.h"

#include <png.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Largest side accepted: keeps every size computation far inside 32 bits.
const int maxSide = 16384;

bool frameIsUsable(const RgbFrame& frame) {
    return frame.pixels != nullptr && frame.width > 0 && frame.height > 0 &&
           frame.width <= maxSide && frame.height <= maxSide;
}

const uint8_t* rowAt(const RgbFrame& frame, int topIndex) {
    int stored = frame.order == RowOrder::TopFirst ? topIndex : frame.height - 1 - topIndex;
    return frame.pixels + size_t(stored) * size_t(frame.width) * 3u;
}

void putLittleEndian16(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v);
    out[1] = uint8_t(v >> 8);
}

void putLittleEndian32(uint8_t* out, uint32_t v) {
    putLittleEndian16(out, v);
    putLittleEndian16(out + 2, v >> 16);
}

// libpng's own writer, with zlib's default compression; rows bottom first
// are passed with a negative stride.
bool writePngStream(FILE* stream, const RgbFrame& frame) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(frame.width);
    image.height = png_uint_32(frame.height);
    image.format = PNG_FORMAT_RGB;
    png_int_32 stride = png_int_32(frame.width) * 3;
    if (frame.order == RowOrder::BottomFirst)
        stride = -stride;
    int ok = png_image_write_to_stdio(&image, stream, 0, frame.pixels, stride, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool writeBmpStream(FILE* stream, const RgbFrame& frame) {
    const size_t rowBytes = size_t(frame.width) * 3u;
    const size_t paddedRow = (rowBytes + 3u) & ~size_t(3);
    const size_t imageSize = paddedRow * size_t(frame.height);
    const size_t headerSize = 14u + 40u;
    if (headerSize + imageSize > 0x7FFFFFFFu)
        return false;

    uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    putLittleEndian32(header + 2, uint32_t(headerSize + imageSize)); // file size
    putLittleEndian32(header + 10, uint32_t(headerSize));            // offset of the pixels
    putLittleEndian32(header + 14, 40);                              // info header size
    putLittleEndian32(header + 18, uint32_t(frame.width));
    putLittleEndian32(header + 22, uint32_t(frame.height)); // positive: bottom row first
    putLittleEndian16(header + 26, 1);                      // planes
    putLittleEndian16(header + 28, 24);                     // bits per pixel
    putLittleEndian32(header + 34, uint32_t(imageSize));
    putLittleEndian32(header + 38, 2835); // 72 dpi
    putLittleEndian32(header + 42, 2835);
    if (std::fwrite(header, 1, sizeof header, stream) != sizeof header)
        return false;

    std::vector<uint8_t> row(paddedRow, 0);
    for (int y = frame.height - 1; y >= 0; --y) {
        const uint8_t* source = rowAt(frame, y);
        for (int x = 0; x < frame.width; ++x) {
            row[size_t(x) * 3u + 0u] = source[x * 3 + 2];
            row[size_t(x) * 3u + 1u] = source[x * 3 + 1];
            row[size_t(x) * 3u + 2u] = source[x * 3 + 0];
        }
        if (std::fwrite(row.data(), 1, paddedRow, stream) != paddedRow)
            return false;
    }
    return true;
}

template <typename Writer> bool writeFile(const char* path, const RgbFrame& frame, Writer writer) {
    if (path == nullptr || *path == '\0' || !frameIsUsable(frame))
        return false;
    FILE* stream = openOwnFile(path, "wb");
    if (stream == nullptr)
        return false;
    bool ok = writer(stream, frame);
    if (std::fclose(stream) != 0)
        ok = false;
    if (!ok)
        std::remove(hostPath(path).c_str());
    return ok;
}

} // namespace

bool namesPng(const char* path) {
    size_t length = path ? std::strlen(path) : 0;
    if (length < 4)
        return false;
    const char* tail = path + length - 4;
    return tail[0] == '.' && std::tolower((unsigned char)tail[1]) == 'p' &&
           std::tolower((unsigned char)tail[2]) == 'n' &&
           std::tolower((unsigned char)tail[3]) == 'g';
}

bool writePng(const char* path, const RgbFrame& frame) {
    return writeFile(path, frame, writePngStream);
}

bool writeBmp(const char* path, const RgbFrame& frame) {
    return writeFile(path, frame, writeBmpStream);
}

bool writeScreenshot(const char* path, const RgbFrame& frame) {
    return namesPng(path) ? writePng(path, frame) : writeBmp(path, frame);
}
