#pragma once
// The MPC image file: a 22-byte header (magic 200, width, height, bytes per
// pixel, 14 reserved bytes; all little-endian) followed by the pixels exactly as
// OpenGL takes them, rows without padding, first row = texture row t = 0. This
// reader checks the header before anything is allocated: only 3 or 4 bytes per
// pixel and sides of 1 to maxSide pixels are accepted; the loader then
// refuses a file that ends before the pixel block does.

#include <cstdint>
#include <cstdio>

struct MpcHeader {
    uint16_t magic = 0;         // always 200
    uint16_t width = 0;         // pixels per row
    uint16_t height = 0;        // rows
    uint16_t bytesPerPixel = 0; // 3 (RGB) or 4 (RGBA)
    uint8_t reserved[14] = {};  // carried along, never used
};

namespace mpc {

const uint16_t magic = 200;
const int headerSize = 22; // bytes before the pixel block
const int maxSide = 16384; // widest or tallest image accepted, pixels

enum class HeaderResult { ok, notMpc, truncated, unsupported };

// Reads the header from the start of the stream and validates it.
HeaderResult readHeader(FILE* stream, MpcHeader& header);

// Bytes of the pixel block the header announces.
size_t pixelBytes(const MpcHeader& header);

} // namespace mpc
