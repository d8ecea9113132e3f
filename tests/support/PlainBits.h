#pragma once
// Bits least significant first, as protocols 43 to 48 pack them: the writer of the old game's
// demos in tests.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

class PlainBits {
public:
    void Put(uint32_t value, int n)
    {
        for (int i = 0; i < n; ++i, ++m_bits) {
            if (m_bits % 8 == 0)
                m_bytes.push_back(0);
            if ((value >> i) & 1u)
                m_bytes.back() |= static_cast<uint8_t>(1u << (m_bits % 8));
        }
    }
    // A float of the plain format: a whole number that fits goes in 13 bits, biased to be positive.
    void PutFloat(int value)
    {
        if (value >= -4096 && value < 4096) {
            Put(0, 1);
            Put(static_cast<uint32_t>(value + 4096), 13);
        } else {
            Put(1, 1);
            Put(std::bit_cast<uint32_t>(static_cast<float>(value)), 32);
        }
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bits = 0;
};

} // namespace testsupport
