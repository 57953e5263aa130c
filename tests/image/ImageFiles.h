#pragma once
// Small writers for the image files the image tests read: BMP files of 24 and
// 8 bits per pixel laid out by hand (bottom-up rows, four-byte row padding), and
// raw byte files for MPC headers. Also a reader for the BMP header fields.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace imagefiles {

inline void put16(std::string& out, uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

inline void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline uint32_t get32(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | (uint32_t(uint8_t(bytes[at + 1])) << 8) |
           (uint32_t(uint8_t(bytes[at + 2])) << 16) | (uint32_t(uint8_t(bytes[at + 3])) << 24);
}

inline uint32_t get16(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | (uint32_t(uint8_t(bytes[at + 1])) << 8);
}

inline std::string bmpHeaders(int width, int height, int bitsPerPixel, int paletteColours,
                              size_t imageBytes) {
    std::string out = "BM";
    uint32_t offset = 14 + 40 + 4 * paletteColours;
    put32(out, uint32_t(offset + imageBytes));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, uint32_t(bitsPerPixel));
    put32(out, 0);
    put32(out, uint32_t(imageBytes));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, uint32_t(paletteColours));
    put32(out, 0);
    return out;
}

// rgb holds width * height pixels of R, G, B, top row first.
inline std::string bmp24(int width, int height, const std::vector<uint8_t>& rgb) {
    int stride = (width * 3 + 3) & ~3;
    std::string out = bmpHeaders(width, height, 24, 0, size_t(stride) * height);
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = &rgb[(size_t(row) * width + x) * 3];
            out += char(p[2]);
            out += char(p[1]);
            out += char(p[0]);
        }
        for (int pad = width * 3; pad < stride; ++pad)
            out += char(0);
    }
    return out;
}

// palette holds R, G, B per colour; indices width * height bytes, top row first.
inline std::string bmp8(int width, int height, const std::vector<uint8_t>& palette,
                        const std::vector<uint8_t>& indices) {
    int colours = int(palette.size() / 3);
    int stride = (width + 3) & ~3;
    std::string out = bmpHeaders(width, height, 8, colours, size_t(stride) * height);
    for (int c = 0; c < colours; ++c) {
        out += char(palette[c * 3 + 2]);
        out += char(palette[c * 3 + 1]);
        out += char(palette[c * 3]);
        out += char(0);
    }
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x)
            out += char(indices[size_t(row) * width + x]);
        for (int pad = width; pad < stride; ++pad)
            out += char(0);
    }
    return out;
}

inline std::string mpcHeader(int magic, int width, int height, int bytesPerPixel,
                             uint8_t reservedFill = 0) {
    std::string out;
    put16(out, uint32_t(magic));
    put16(out, uint32_t(width));
    put16(out, uint32_t(height));
    put16(out, uint32_t(bytesPerPixel));
    out.append(14, char(reservedFill));
    return out;
}

inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += char(v);
    return out;
}

// The pixel of a loaded 24-bit BMP file at (x, y), y counted from the top of the
// picture, as R, G, B.
struct Rgb {
    int r, g, b;
};
inline Rgb bmpPixel(const std::string& file, int x, int y) {
    uint32_t offset = get32(file, 10);
    int width = int(get32(file, 18));
    int height = int(get32(file, 22));
    int stride = (width * 3 + 3) & ~3;
    size_t at = offset + size_t(height - 1 - y) * stride + size_t(x) * 3;
    return Rgb{uint8_t(file[at + 2]), uint8_t(file[at + 1]), uint8_t(file[at])};
}

} // namespace imagefiles
