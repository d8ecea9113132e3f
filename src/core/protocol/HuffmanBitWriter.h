#pragma once
// Writing bits in the layout of the game's compressed messages: least significant bit first within
// each byte; a write of n bits puts the low n % 8 bits raw, then one Huffman code per remaining
// byte, lowest byte first. The counterpart of HuffmanBitReader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/protocol/Huffman.h"

namespace core {

class HuffmanBitWriter {
public:
    // n in 1..32; other widths write nothing. Inline: the encoders write a field's bits a few at a
    // time, most often one flag bit.
    void WriteBits(uint32_t value, int n)
    {
        if (n < 1 || n > 32)
            return;
        if (n < 8) {
            Put(value & ((uint32_t{1} << n) - 1), n);
            return;
        }
        // The raw low bits, then the codes of the bytes (at most 7 + 4 * 11 bits), put in one go.
        const int raw = n & 7;
        uint64_t bits = value & ((uint32_t{1} << raw) - 1);
        int length = raw;
        for (int shift = raw; shift < n; shift += 8) {
            const HuffmanCodeWord code = m_codes[(value >> shift) & 0xFF];
            bits |= static_cast<uint64_t>(code.bits) << length;
            length += code.length;
        }
        Put(bits, length);
    }
    void WriteByte(uint8_t value)
    {
        const HuffmanCodeWord code = m_codes[value];
        Put(code.bits, code.length);
    }
    // n in 0..32 bits of `value` as they are, no coding.
    void WriteRawBits(uint32_t value, int n)
    {
        if (n <= 0 || n > 32)
            return;
        Put(n == 32 ? value : value & ((uint32_t{1} << n) - 1), n);
    }
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
    // Up to 57 bits at once. They gather in one 64-bit value; whole bytes leave it only when the
    // next bits would not fit, so that most writes touch no memory.
    void Put(uint64_t bits, int n)
    {
        if (m_partialShown) [[unlikely]]
            HidePartial();
        if (m_pendingBits + n > 64) [[unlikely]]
            FlushWholeBytes();
        m_pending |= bits << m_pendingBits;
        m_pendingBits += n;
        m_bitCount += static_cast<size_t>(n);
    }
    void HidePartial();
    // Leaves fewer than 8 bits pending.
    void FlushWholeBytes() const;

    const HuffmanCodeWord* m_codes = FixedHuffmanCodes().data();

    // Whole bytes, and the partial one while m_partialShown.
    mutable std::vector<uint8_t> m_bytes;
    mutable bool m_partialShown = false;
    mutable uint64_t m_pending = 0; // bits not yet in m_bytes (up to 64), the next one lowest
    mutable int m_pendingBits = 0;
    size_t m_bitCount = 0;
};

} // namespace core
