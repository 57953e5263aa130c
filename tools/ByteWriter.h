#pragma once
// Builds a little-endian binary file in memory, one value at a time. Every
// multi-byte value the data generator writes goes through here, split into its
// bytes explicitly, so the files are the same on any host.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class ByteWriter {
  public:
    void u16(uint16_t value) {
        bytes_ += char(value & 0xFF);
        bytes_ += char(value >> 8);
    }
    void u32(uint32_t value) {
        u16(uint16_t(value & 0xFFFF));
        u16(uint16_t(value >> 16));
    }
    void i32(int32_t value) { u32(uint32_t(value)); }
    void f32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        u32(bits);
    }
    void raw(const void* data, size_t count) {
        bytes_.append(static_cast<const char*>(data), count);
    }
    void zeros(size_t count) { bytes_.append(count, '\0'); }

    size_t size() const { return bytes_.size(); }
    const std::string& bytes() const { return bytes_; }

  private:
    std::string bytes_;
};
