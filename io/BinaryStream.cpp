#include "io/BinaryStream.h"

#include <cstring>

namespace {

const size_t chunkWords = 1024; // words converted per block write or read

void putWord(uint8_t* out, uint32_t value) {
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
    out[2] = uint8_t(value >> 16);
    out[3] = uint8_t(value >> 24);
}

uint32_t getWord(const uint8_t* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

} // namespace

void BinaryWriter::bytes(const void* data, size_t count) {
    if (!good_ || count == 0)
        return;
    if (std::fwrite(data, 1, count, stream_) != count)
        good_ = false;
}

void BinaryWriter::u16(uint16_t value) {
    uint8_t out[2] = {uint8_t(value), uint8_t(value >> 8)};
    bytes(out, 2);
}

void BinaryWriter::u32(uint32_t value) {
    uint8_t out[4];
    putWord(out, value);
    bytes(out, 4);
}

void BinaryWriter::i32(int32_t value) {
    u32(uint32_t(value));
}

void BinaryWriter::f32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    u32(bits);
}

void BinaryWriter::zeros(size_t count) {
    static const uint8_t nothing[16] = {};
    while (count > 0) {
        size_t n = count < sizeof(nothing) ? count : sizeof(nothing);
        bytes(nothing, n);
        count -= n;
    }
}

void BinaryWriter::words(const void* data, size_t count) {
    const uint8_t* source = static_cast<const uint8_t*>(data);
    uint8_t block[chunkWords * 4];
    while (count > 0 && good_) {
        size_t n = count < chunkWords ? count : chunkWords;
        for (size_t w = 0; w < n; ++w) {
            uint32_t value;
            std::memcpy(&value, source + w * 4, 4);
            putWord(block + w * 4, value);
        }
        bytes(block, n * 4);
        source += n * 4;
        count -= n;
    }
}

BinaryReader::BinaryReader(FILE* stream) : stream_(stream), good_(stream != nullptr) {
    if (!good_)
        return;
    long here = std::ftell(stream_);
    if (here >= 0 && std::fseek(stream_, 0, SEEK_END) == 0) {
        long end = std::ftell(stream_);
        if (end >= 0)
            size_ = uint64_t(end);
        std::fseek(stream_, here, SEEK_SET);
    }
}

uint64_t BinaryReader::remaining() const {
    if (!good_)
        return 0;
    long here = std::ftell(stream_);
    if (here < 0 || uint64_t(here) > size_)
        return 0;
    return size_ - uint64_t(here);
}

void BinaryReader::bytes(void* data, size_t count) {
    if (!good_) {
        std::memset(data, 0, count);
        return;
    }
    size_t got = std::fread(data, 1, count, stream_);
    if (got != count) {
        std::memset(static_cast<uint8_t*>(data) + got, 0, count - got);
        good_ = false;
    }
}

uint16_t BinaryReader::u16() {
    uint8_t in[2];
    bytes(in, 2);
    return uint16_t(in[0] | in[1] << 8);
}

uint32_t BinaryReader::u32() {
    uint8_t in[4];
    bytes(in, 4);
    return getWord(in);
}

int32_t BinaryReader::i32() {
    return int32_t(u32());
}

float BinaryReader::f32() {
    uint32_t bits = u32();
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

void BinaryReader::skip(size_t count) {
    uint8_t scratch[16];
    while (count > 0) {
        size_t n = count < sizeof(scratch) ? count : sizeof(scratch);
        bytes(scratch, n);
        count -= n;
    }
}

void BinaryReader::words(void* data, size_t count) {
    uint8_t* target = static_cast<uint8_t*>(data);
    uint8_t block[chunkWords * 4];
    while (count > 0) {
        size_t n = count < chunkWords ? count : chunkWords;
        bytes(block, n * 4);
        for (size_t w = 0; w < n; ++w) {
            uint32_t value = getWord(block + w * 4);
            std::memcpy(target + w * 4, &value, 4);
        }
        target += n * 4;
        count -= n;
    }
}
