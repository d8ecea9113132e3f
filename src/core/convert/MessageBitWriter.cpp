#include "core/convert/MessageBitWriter.h"

#include "core/analysis/Huffman.h"

namespace core {

void MessageBitWriter::PutBits(uint32_t bits, int n)
{
    for (int i = 0; i < n; ++i) {
        if (m_bitCount % 8 == 0)
            m_bytes.push_back(0);
        if ((bits >> i) & 1u)
            m_bytes.back() |= static_cast<uint8_t>(1u << (m_bitCount % 8));
        ++m_bitCount;
    }
}

void MessageBitWriter::WriteBits(uint32_t value, int n)
{
    if (n < 1 || n > 32)
        return;
    const int raw = n % 8;
    if (raw) {
        PutBits(value & ((1u << raw) - 1u), raw);
        value >>= raw;
    }
    for (int i = raw; i < n; i += 8) {
        const HuffmanCodeWord code = FixedHuffmanCodes()[value & 0xFFu];
        PutBits(code.bits, code.length);
        value >>= 8;
    }
}

void MessageBitWriter::WriteString(std::string_view text)
{
    for (const char c : text)
        WriteByte(static_cast<uint8_t>(c));
    WriteByte(0);
}

void MessageBitWriter::CopyBits(std::span<const uint8_t> data, size_t from, size_t to)
{
    to = std::min(to, data.size() * 8);
    // Whole bytes at a time once both sides are aligned; bit by bit otherwise.
    while (from < to) {
        const int take = static_cast<int>(std::min<size_t>(8 - from % 8, to - from));
        const uint32_t bits = (data[from / 8] >> (from % 8)) & ((1u << take) - 1u);
        PutBits(bits, take);
        from += static_cast<size_t>(take);
    }
}

} // namespace core
