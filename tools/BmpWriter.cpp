#include "tools/BmpWriter.h"

#include <cstdio>

namespace {

void put16(std::string& out, uint32_t value) {
    out += char(value & 0xFF);
    out += char((value >> 8) & 0xFF);
}

void put32(std::string& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

} // namespace

namespace bmp {

std::string encode24(const RgbImage& image) {
    const uint32_t headerBytes = 14 + 40;
    const uint32_t stride = (uint32_t(image.width) * 3 + 3) & ~3u; // rows padded to 4 bytes
    const uint32_t imageBytes = stride * uint32_t(image.height);

    std::string out;
    out.reserve(headerBytes + imageBytes);
    out += "BM";
    put32(out, headerBytes + imageBytes); // file size
    put32(out, 0);                        // reserved
    put32(out, headerBytes);              // offset of the pixels
    put32(out, 40);                       // info header size
    put32(out, uint32_t(image.width));
    put32(out, uint32_t(image.height)); // positive: bottom-up rows
    put16(out, 1);                      // planes
    put16(out, 24);                     // bits per pixel
    put32(out, 0);                      // no compression
    put32(out, imageBytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0); // no palette
    put32(out, 0);

    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.at(x, y);
            out += char(p[2]);
            out += char(p[1]);
            out += char(p[0]);
        }
        for (uint32_t pad = uint32_t(image.width) * 3; pad < stride; ++pad)
            out += char(0);
    }
    return out;
}

bool write24(const std::string& hostPath, const RgbImage& image) {
    std::string bytes = encode24(image);
    FILE* file = std::fopen(hostPath.c_str(), "wb");
    if (!file)
        return false;
    bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && complete;
}

} // namespace bmp
