#include "core/analysis/HuffmanBitWriter.h"

#include "core/analysis/Huffman.h"

namespace core {

void HuffmanBitWriter::WriteRawBits(uint32_t value, int n)
{
    if (n <= 0 || n > 32)
        return;
    const uint64_t bits = n == 32 ? value : value & ((uint32_t{1} << n) - 1);
    // The partial last byte is kept in the output too; it is completed here.
    if (m_pendingBits > 0)
        m_bytes.pop_back();
    m_pending |= bits << m_pendingBits;
    m_pendingBits += n;
    m_bitCount += static_cast<size_t>(n);
    while (m_pendingBits >= 8) {
        m_bytes.push_back(static_cast<uint8_t>(m_pending));
        m_pending >>= 8;
        m_pendingBits -= 8;
    }
    if (m_pendingBits > 0)
        m_bytes.push_back(static_cast<uint8_t>(m_pending));
}

void HuffmanBitWriter::WriteBits(uint32_t value, int n)
{
    if (n < 1 || n > 32)
        return;
    const int raw = n & 7;
    WriteRawBits(value, raw);
    const auto& codes = FixedHuffmanCodes();
    for (int shift = raw; shift < n; shift += 8) {
        const HuffmanCodeWord code = codes[(value >> shift) & 0xFF];
        WriteRawBits(code.bits, code.length);
    }
}

void HuffmanBitWriter::AppendTo(std::vector<uint8_t>& out) const
{
    out.insert(out.end(), m_bytes.begin(), m_bytes.end());
}

void HuffmanBitWriter::Clear()
{
    m_bytes.clear();
    m_pending = 0;
    m_pendingBits = 0;
    m_bitCount = 0;
}

} // namespace core
