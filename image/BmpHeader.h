#pragma once
// What the headers of a BMP file promise, checked against the bytes the file
// really holds before SDL is handed it. SDL allocates the whole picture from
// the declared width and height before it reads a pixel, so a few bytes that
// claim gigabytes would cost gigabytes; a file passes only when every pixel
// row it declares (padded to four bytes) lies inside it. Only the layouts SDL
// reads are passed: the OS/2 core header and the Windows info header with
// uncompressed or bit-field pixels of 1, 4, 8, 16, 24 or 32 bits.

#include <cstddef>
#include <cstdint>

namespace bmp {

const size_t headBytes = 34; // file header and the info fields up to the compression

// head holds the first min(fileSize, headBytes) bytes of the file.
bool pixelRowsFit(const uint8_t* head, size_t headSize, uint64_t fileSize);

} // namespace bmp
