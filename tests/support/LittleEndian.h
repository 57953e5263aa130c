#pragma once
// Fields of files that the tests lay out or read byte by byte, little-endian
// as the engine writes them (the tests run on little-endian machines).

#include <cstring>
#include <initializer_list>
#include <string>

template <class T> T fieldAt(const std::string& bytes, size_t at) {
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

template <class T> void putField(std::string& bytes, size_t at, T value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

// The values one after the other, sizeof(T) bytes each.
template <class T> std::string fields(std::initializer_list<T> values) {
    std::string out;
    for (T value : values)
        out.append(reinterpret_cast<const char*>(&value), sizeof value);
    return out;
}
