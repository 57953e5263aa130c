#include "platform/Screenshot.h"

#include "platform/FileSystem.h"

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

// Byte-wise CRC-32 (polynomial 0xEDB88320) as PNG chunks carry it.
class Crc32 {
  public:
    Crc32() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    void add(const uint8_t* data, size_t size) {
        for (size_t i = 0; i < size; ++i)
            value = table[(value ^ data[i]) & 0xFFu] ^ (value >> 8);
    }
    uint32_t result() const { return value ^ 0xFFFFFFFFu; }
    void restart() { value = 0xFFFFFFFFu; }

  private:
    uint32_t table[256];
    uint32_t value = 0xFFFFFFFFu;
};

// The zlib stream checksum over the uncompressed bytes.
class Adler32 {
  public:
    void add(const uint8_t* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            a = (a + data[i]) % 65521u;
            b = (b + a) % 65521u;
        }
    }
    uint32_t result() const { return (b << 16) | a; }

  private:
    uint32_t a = 1;
    uint32_t b = 0;
};

void putBigEndian32(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v >> 24);
    out[1] = uint8_t(v >> 16);
    out[2] = uint8_t(v >> 8);
    out[3] = uint8_t(v);
}

void putLittleEndian16(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v);
    out[1] = uint8_t(v >> 8);
}

void putLittleEndian32(uint8_t* out, uint32_t v) {
    putLittleEndian16(out, v);
    putLittleEndian16(out + 2, v >> 16);
}

// Writes one PNG chunk's data in pieces while keeping its CRC.
class ChunkWriter {
  public:
    ChunkWriter(FILE* stream, Crc32& crc) : stream(stream), crc(crc) {}
    bool begin(const char* type, uint32_t length) {
        uint8_t head[8];
        putBigEndian32(head, length);
        std::memcpy(head + 4, type, 4);
        crc.restart();
        crc.add(head + 4, 4);
        return std::fwrite(head, 1, 8, stream) == 8;
    }
    bool write(const uint8_t* data, size_t size) {
        crc.add(data, size);
        return std::fwrite(data, 1, size, stream) == size;
    }
    bool end() {
        uint8_t tail[4];
        putBigEndian32(tail, crc.result());
        return std::fwrite(tail, 1, 4, stream) == 4;
    }

  private:
    FILE* stream;
    Crc32& crc;
};

bool writePngStream(FILE* stream, const RgbFrame& frame) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (std::fwrite(signature, 1, 8, stream) != 8)
        return false;

    Crc32 crc;
    ChunkWriter chunk(stream, crc);

    uint8_t header[13];
    putBigEndian32(header, uint32_t(frame.width));
    putBigEndian32(header + 4, uint32_t(frame.height));
    header[8] = 8;  // bits per sample
    header[9] = 2;  // colour type: RGB
    header[10] = 0; // compression: deflate
    header[11] = 0; // filter method
    header[12] = 0; // no interlace
    if (!chunk.begin("IHDR", 13) || !chunk.write(header, 13) || !chunk.end())
        return false;

    // The image data: every row is a filter byte (0, none) and its pixels,
    // cut into stored deflate blocks of at most 65535 bytes.
    const size_t rowBytes = size_t(frame.width) * 3u;
    const size_t rawSize = (rowBytes + 1u) * size_t(frame.height);
    const size_t blockLimit = 65535u;
    const size_t blockCount = (rawSize + blockLimit - 1u) / blockLimit;
    const size_t streamSize = 2u + blockCount * 5u + rawSize + 4u;
    if (streamSize > 0x7FFFFFFFu)
        return false;
    if (!chunk.begin("IDAT", uint32_t(streamSize)))
        return false;
    const uint8_t zlibHeader[2] = {0x78, 0x01}; // deflate, 32K window, check bits
    if (!chunk.write(zlibHeader, 2))
        return false;

    Adler32 adler;
    size_t leftInBlock = 0;
    size_t written = 0;
    // Emits bytes of the raw stream, opening a stored block whenever one fills up.
    auto emit = [&](const uint8_t* data, size_t size) {
        while (size > 0) {
            if (leftInBlock == 0) {
                size_t blockSize = rawSize - written < blockLimit ? rawSize - written : blockLimit;
                uint8_t blockHeader[5];
                blockHeader[0] = written + blockSize == rawSize ? 1 : 0; // final block flag
                putLittleEndian16(blockHeader + 1, uint32_t(blockSize));
                putLittleEndian16(blockHeader + 3, uint32_t(~blockSize & 0xFFFFu));
                if (!chunk.write(blockHeader, 5))
                    return false;
                leftInBlock = blockSize;
            }
            size_t part = size < leftInBlock ? size : leftInBlock;
            if (!chunk.write(data, part))
                return false;
            adler.add(data, part);
            data += part;
            size -= part;
            leftInBlock -= part;
            written += part;
        }
        return true;
    };
    const uint8_t noFilter = 0;
    for (int y = 0; y < frame.height; ++y) {
        if (!emit(&noFilter, 1) || !emit(rowAt(frame, y), rowBytes))
            return false;
    }
    uint8_t check[4];
    putBigEndian32(check, adler.result());
    if (!chunk.write(check, 4) || !chunk.end())
        return false;

    return chunk.begin("IEND", 0) && chunk.end();
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
    FILE* stream = openFile(path, "wb");
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
