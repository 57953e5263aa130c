#include "image/BmpHeader.h"

namespace {

uint32_t le16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t le32(const uint8_t* p) {
    return le16(p) | le16(p + 2) << 16;
}

const size_t coreHeaderSize = 12; // OS/2: 16-bit width and height, no compression
const uint32_t uncompressed = 0;
const uint32_t bitFields = 3;

} // namespace

namespace bmp {

bool pixelRowsFit(const uint8_t* head, size_t headSize, uint64_t fileSize) {
    if (head == nullptr || headSize < 26 || head[0] != 'B' || head[1] != 'M')
        return false;
    uint64_t pixelOffset = le32(head + 10);
    uint32_t infoSize = le32(head + 14);
    int64_t width, height;
    uint32_t bitsPerPixel, compression;
    if (infoSize == coreHeaderSize) {
        width = le16(head + 18);
        height = le16(head + 20);
        bitsPerPixel = le16(head + 24);
        compression = uncompressed;
    } else {
        if (headSize < headBytes)
            return false;
        width = int32_t(le32(head + 18));
        height = int32_t(le32(head + 22)); // negative: rows stored top first
        bitsPerPixel = le16(head + 28);
        compression = le32(head + 30);
    }
    if (height < 0)
        height = -height;
    if (width <= 0 || height == 0 || (compression != uncompressed && compression != bitFields))
        return false;
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    // Each row is padded to a multiple of four bytes (SDL reads the padding
    // of the last row too). Both factors stay below 2^37 and 2^31, so the
    // product cannot overflow 64 bits.
    uint64_t rowBytes = (uint64_t(width) * bitsPerPixel + 31u) / 32u * 4u;
    return pixelOffset <= fileSize && rowBytes * uint64_t(height) <= fileSize - pixelOffset;
}

} // namespace bmp
