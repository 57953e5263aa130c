#include "tools/MpcWriter.h"

#include "tools/ByteWriter.h"

namespace {

std::string encodePixels(int width, int height, int bytesPerPixel,
                         const std::vector<uint8_t>& pixels) {
    ByteWriter out;
    out.u16(200); // magic
    out.u16(uint16_t(width));
    out.u16(uint16_t(height));
    out.u16(uint16_t(bytesPerPixel));
    out.zeros(14); // reserved
    out.raw(pixels.data(), pixels.size());
    return out.bytes();
}

} // namespace

namespace mpc {

std::string encode(const RgbImage& image) {
    return encodePixels(image.width, image.height, 3, image.rgb);
}

std::string encode(const RgbaImage& image) {
    return encodePixels(image.width, image.height, 4, image.rgba);
}

} // namespace mpc
