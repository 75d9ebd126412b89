#pragma once
// 16-bit values as they travel in files and on the wire: high byte first.
#include <cstdint>

// The value divided by 256 (truncated toward zero), as a byte.
inline std::uint8_t HighByte(std::int32_t value) { return static_cast<std::uint8_t>(value / 256); }
// The value's lowest eight bits.
inline std::uint8_t LowByte(std::int32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }

inline void PackWord(std::uint8_t* at, std::int32_t value)
{
    at[0] = HighByte(value);
    at[1] = LowByte(value);
}

inline std::int32_t UnpackWord(const std::uint8_t* at) { return at[0] * 256 + at[1]; }
