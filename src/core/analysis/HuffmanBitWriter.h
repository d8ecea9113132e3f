#pragma once
// Writing bits in the layout of the game's compressed messages: least significant bit first within
// each byte; a write of n bits puts the low n % 8 bits raw, then one Huffman code per remaining
// byte, lowest byte first. The counterpart of HuffmanBitReader.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace core {

class HuffmanBitWriter {
public:
    // n in 1..32; other widths write nothing.
    void WriteBits(uint32_t value, int n);
    void WriteByte(uint8_t value) { WriteBits(value, 8); }
    // n in 0..32 bits of `value` as they are, no coding.
    void WriteRawBits(uint32_t value, int n);
    // A code of `length` bits (up to 32), the first one to be sent in the lowest position.
    void WriteCode(uint32_t bits, int length) { WriteRawBits(bits, length); }

    size_t BitCount() const { return m_bitCount; }
    size_t ByteCount() const { return (m_bitCount + 7) / 8; }
    // The bytes written so far; the last one is padded with zero bits. (Completes the buffer
    // with the partial byte: not for a writer shared between threads.)
    const std::vector<uint8_t>& Bytes() const;
    void AppendTo(std::vector<uint8_t>& out) const;
    void Clear();

private:
    void Put(uint64_t bits, int n);

    // Whole bytes, and the partial one while m_partialShown.
    mutable std::vector<uint8_t> m_bytes;
    mutable bool m_partialShown = false;
    uint64_t m_pending = 0; // bits not yet whole bytes (fewer than 8), the next one lowest
    int m_pendingBits = 0;
    size_t m_bitCount = 0;
};

} // namespace core
