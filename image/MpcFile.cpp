#include "image/MpcFile.h"

#include <cstring>

namespace {

uint16_t littleEndian16(const uint8_t* bytes) {
    return uint16_t(bytes[0] | (bytes[1] << 8));
}

} // namespace

namespace mpc {

HeaderResult readHeader(FILE* stream, MpcHeader& header) {
    uint8_t bytes[headerSize];
    if (!stream || std::fread(bytes, 1, 2, stream) != 2)
        return HeaderResult::notMpc;
    header.magic = littleEndian16(bytes);
    if (header.magic != magic)
        return HeaderResult::notMpc;
    if (std::fread(bytes + 2, 1, headerSize - 2, stream) != size_t(headerSize - 2))
        return HeaderResult::truncated;
    header.width = littleEndian16(bytes + 2);
    header.height = littleEndian16(bytes + 4);
    header.bytesPerPixel = littleEndian16(bytes + 6);
    std::memcpy(header.reserved, bytes + 8, sizeof header.reserved);

    if (header.bytesPerPixel != 3 && header.bytesPerPixel != 4)
        return HeaderResult::unsupported;
    if (header.width == 0 || header.height == 0 || header.width > maxSide ||
        header.height > maxSide)
        return HeaderResult::unsupported;
    return HeaderResult::ok;
}

size_t pixelBytes(const MpcHeader& header) {
    return size_t(header.width) * header.height * header.bytesPerPixel;
}

} // namespace mpc
