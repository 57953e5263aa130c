#pragma once
// Reads a PNG file for the tests through libpng, as 8-bit RGB rows top first.
// libpng checks the signature, every chunk's CRC and the compressed stream;
// anything it refuses, or a file that is not 8-bit RGB, fails the test.

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace pngreader {

typedef std::vector<unsigned char> Bytes;

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct DecodedPng {
    uint32_t width = 0, height = 0;
    Bytes rgb; // top row first
};

inline bool decodePng(const Bytes& file, DecodedPng& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        ADD_FAILURE() << "libpng refuses the file: " << image.message;
        return false;
    }
    EXPECT_EQ(image.format, png_uint_32(PNG_FORMAT_RGB)) << "written as 8-bit RGB";
    image.format = PNG_FORMAT_RGB;
    out.width = image.width;
    out.height = image.height;
    out.rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << "libpng cannot read the pixels: " << image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

} // namespace pngreader
