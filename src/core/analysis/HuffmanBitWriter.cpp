#include "core/analysis/HuffmanBitWriter.h"

#include "core/analysis/Huffman.h"

namespace core {

// Up to 57 bits at once: beside the (fewer than 8) pending ones they still fit one 64-bit value.
void HuffmanBitWriter::Put(uint64_t bits, int n)
{
    if (m_partialShown) {
        m_bytes.pop_back();
        m_partialShown = false;
    }
    m_pending |= bits << m_pendingBits;
    m_pendingBits += n;
    m_bitCount += static_cast<size_t>(n);
    for (; m_pendingBits >= 8; m_pendingBits -= 8, m_pending >>= 8)
        m_bytes.push_back(static_cast<uint8_t>(m_pending));
}

const std::vector<uint8_t>& HuffmanBitWriter::Bytes() const
{
    if (m_pendingBits > 0 && !m_partialShown) {
        m_bytes.push_back(static_cast<uint8_t>(m_pending));
        m_partialShown = true;
    }
    return m_bytes;
}

void HuffmanBitWriter::WriteRawBits(uint32_t value, int n)
{
    if (n <= 0 || n > 32)
        return;
    Put(n == 32 ? value : value & ((uint32_t{1} << n) - 1), n);
}

void HuffmanBitWriter::WriteBits(uint32_t value, int n)
{
    if (n < 1 || n > 32)
        return;
    // The raw low bits, then the codes of the bytes (at most 7 + 4 * 11 bits), put in one go.
    const int raw = n & 7;
    uint64_t bits = value & ((uint32_t{1} << raw) - 1);
    int length = raw;
    const auto& codes = FixedHuffmanCodes();
    for (int shift = raw; shift < n; shift += 8) {
        const HuffmanCodeWord code = codes[(value >> shift) & 0xFF];
        bits |= static_cast<uint64_t>(code.bits) << length;
        length += code.length;
    }
    Put(bits, length);
}

void HuffmanBitWriter::AppendTo(std::vector<uint8_t>& out) const
{
    const std::vector<uint8_t>& bytes = Bytes();
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void HuffmanBitWriter::Clear()
{
    m_bytes.clear();
    m_partialShown = false;
    m_pending = 0;
    m_pendingBits = 0;
    m_bitCount = 0;
}

} // namespace core
