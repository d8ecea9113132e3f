#include "core/protocol/HuffmanBitWriter.h"

#include <bit>
#include <cstring>

namespace core {

void HuffmanBitWriter::HidePartial()
{
    m_bytes.pop_back();
    m_partialShown = false;
}

void HuffmanBitWriter::FlushWholeBytes() const
{
    const int whole = m_pendingBits / 8;
    if (whole == 0)
        return;
    const size_t at = m_bytes.size();
    m_bytes.resize(at + static_cast<size_t>(whole));
    uint64_t bytes = m_pending;
    if constexpr (std::endian::native == std::endian::big)
        bytes = __builtin_bswap64(bytes);
    std::memcpy(m_bytes.data() + at, &bytes, static_cast<size_t>(whole));
    m_pending = whole == 8 ? 0 : m_pending >> (8 * whole);
    m_pendingBits -= 8 * whole;
}

const std::vector<uint8_t>& HuffmanBitWriter::Bytes() const
{
    FlushWholeBytes();
    if (m_pendingBits > 0 && !m_partialShown) {
        m_bytes.push_back(static_cast<uint8_t>(m_pending));
        m_partialShown = true;
    }
    return m_bytes;
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
