#pragma once
// Writing a server message in the game's compressed layout (the one HuffmanBitReader reads), and
// copying stretches of an existing message bit for bit. The code is fixed and prefix-free, so a
// stretch of coded bits taken from one message stays valid wherever it is put in another.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace core {

class MessageBitWriter {
public:
    // n in 1..32: the low n % 8 bits raw, then one coded symbol per whole byte, lowest first.
    void WriteBits(uint32_t value, int n);
    void WriteByte(uint8_t value) { WriteBits(value, 8); }
    // The bytes of the text, then a 0.
    void WriteString(std::string_view text);
    // Bits [from, to) of `data`, least significant bit of each byte first, as they stand.
    void CopyBits(std::span<const uint8_t> data, size_t from, size_t to);

    size_t BitCount() const { return m_bitCount; }
    // The bytes written so far; the last one is padded with zero bits.
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    void PutBits(uint32_t bits, int n); // raw, lowest bit first

    std::vector<uint8_t> m_bytes;
    size_t m_bitCount = 0;
};

} // namespace core
