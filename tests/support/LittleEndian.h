#pragma once
// Appending little-endian numbers, as every binary format the builders write stores them.
#include <cstdint>
#include <vector>

namespace testsupport {

inline void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace testsupport
