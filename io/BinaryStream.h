#pragma once
// Little-endian reading and writing of binary files. Every multi-byte value the
// map file and the texture table hold goes through these two classes, which assemble and split the
// bytes explicitly, so the files are the same on any host. Both wrap a stream
// they do not own and remember the first failure: after a short read or a failed
// write every later call does nothing and good() stays false.

#include <cstddef>
#include <cstdint>
#include <cstdio>

class BinaryWriter {
  public:
    explicit BinaryWriter(FILE* stream) : stream_(stream), good_(stream != nullptr) {}

    void u16(uint16_t value);
    void i32(int32_t value);
    void u32(uint32_t value);
    void f32(float value);
    void zeros(size_t count);
    // count 32-bit words (floats, signed or unsigned integers) from packed
    // records such as Vector3 arrays or SectorFace records.
    void words(const void* data, size_t count);
    // count single bytes as they are (names, flags).
    void bytes(const void* data, size_t count);

    bool good() const { return good_; }

  private:
    FILE* stream_;
    bool good_; // false after the first failed write
};

class BinaryReader {
  public:
    explicit BinaryReader(FILE* stream);

    uint16_t u16();
    int32_t i32();
    uint32_t u32();
    float f32();
    void skip(size_t count);
    // count 32-bit words into packed records; the counterpart of BinaryWriter::words.
    void words(void* data, size_t count);
    // count single bytes as they are; the counterpart of BinaryWriter::bytes.
    void bytes(void* data, size_t count);

    // Bytes between the read position and the end of the file (0 when unknown).
    uint64_t remaining() const;
    bool good() const { return good_; }

  private:
    FILE* stream_;
    uint64_t size_ = 0; // length of the whole file in bytes
    bool good_;         // false after the first short read
};
