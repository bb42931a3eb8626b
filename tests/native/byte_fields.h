// Writing little-endian fields into the files the tests make in code.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

inline void putU32(std::vector<uint8_t> &bytes, size_t offset, uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        bytes[offset + k] = uint8_t(value >> (8 * k));
}

inline void putFloat(std::vector<uint8_t> &bytes, size_t offset, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    putU32(bytes, offset, bits);
}
