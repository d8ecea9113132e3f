#pragma once
// Every file format read here (demos, ZIP archives, WAV, TGA) stores its numbers little-endian.
// Reading byte by byte keeps it independent of the host's order and of alignment.
#include <cstdint>

namespace core {

constexpr uint16_t Le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint32_t Le32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

} // namespace core
