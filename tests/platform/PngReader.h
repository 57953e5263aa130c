#pragma once
// A minimal PNG reader for the files the engine writes (8-bit RGB, stored
// deflate blocks, filter 0), for tests only. It checks every CRC, the zlib
// header, the stored block lengths and the Adler-32, and reports anything
// unexpected as a test failure.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace pngreader {

typedef std::vector<unsigned char> Bytes;

inline Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline uint32_t bigEndian32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 |
           uint32_t(b[at + 3]);
}

// Bit-by-bit CRC-32, written independently of the writer's table version.
inline uint32_t slowCrc(const unsigned char* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

struct DecodedPng {
    uint32_t width = 0, height = 0;
    Bytes rgb; // top row first
};

// A minimal PNG reader for what the writer may produce: 8-bit RGB, stored
// deflate blocks, filter 0. Every CRC, the zlib header, the block lengths and
// the Adler-32 are checked; anything unexpected fails the test.
inline bool decodePng(const Bytes& file, DecodedPng& out) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_GE(file.size(), 8u);
    if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin())) {
        ADD_FAILURE() << "no PNG signature";
        return false;
    }
    Bytes zlib;
    bool sawHeader = false, sawEnd = false;
    size_t at = 8;
    while (at + 12 <= file.size() && !sawEnd) {
        uint32_t length = bigEndian32(file, at);
        std::string type(file.begin() + long(at) + 4, file.begin() + long(at) + 8);
        if (at + 12 + length > file.size()) {
            ADD_FAILURE() << "chunk " << type << " runs past the file";
            return false;
        }
        const unsigned char* typeAndData = file.data() + at + 4;
        if (slowCrc(typeAndData, 4 + length) != bigEndian32(file, at + 8 + length)) {
            ADD_FAILURE() << "bad CRC on chunk " << type;
            return false;
        }
        const unsigned char* data = typeAndData + 4;
        if (type == "IHDR") {
            EXPECT_EQ(length, 13u);
            out.width = bigEndian32(file, at + 8);
            out.height = bigEndian32(file, at + 12);
            EXPECT_EQ(data[8], 8) << "bit depth";
            EXPECT_EQ(data[9], 2) << "colour type RGB";
            EXPECT_EQ(data[12], 0) << "not interlaced";
            sawHeader = true;
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + length);
        } else if (type == "IEND") {
            sawEnd = true;
            EXPECT_EQ(at + 12, file.size()) << "bytes after IEND";
        }
        at += 12 + length;
    }
    if (!sawHeader || !sawEnd || zlib.size() < 6) {
        ADD_FAILURE() << "missing IHDR, IDAT or IEND";
        return false;
    }
    EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0) << "zlib header check bits";
    EXPECT_EQ(zlib[0] & 0x0F, 8) << "deflate";
    Bytes raw;
    size_t p = 2;
    bool last = false;
    while (!last) {
        if (p + 5 > zlib.size() || (zlib[p] & 0x06) != 0) {
            ADD_FAILURE() << "expected a stored deflate block at " << p;
            return false;
        }
        last = (zlib[p] & 1) != 0;
        unsigned len = zlib[p + 1] | zlib[p + 2] << 8;
        unsigned nlen = zlib[p + 3] | zlib[p + 4] << 8;
        EXPECT_EQ(len ^ 0xFFFFu, nlen);
        p += 5;
        if (p + len > zlib.size()) {
            ADD_FAILURE() << "stored block runs past the stream";
            return false;
        }
        raw.insert(raw.end(), zlib.begin() + long(p), zlib.begin() + long(p + len));
        p += len;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(p + 4, zlib.size());
    EXPECT_EQ(bigEndian32(zlib, p), (b << 16) | a) << "Adler-32";
    size_t rowBytes = size_t(out.width) * 3;
    if (raw.size() != (rowBytes + 1) * out.height) {
        ADD_FAILURE() << "image data has " << raw.size() << " bytes";
        return false;
    }
    for (uint32_t y = 0; y < out.height; ++y) {
        EXPECT_EQ(raw[y * (rowBytes + 1)], 0) << "filter type of row " << y;
        out.rgb.insert(out.rgb.end(), raw.begin() + long(y * (rowBytes + 1) + 1),
                       raw.begin() + long((y + 1) * (rowBytes + 1)));
    }
    return true;
}

} // namespace pngreader
