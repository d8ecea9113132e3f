#pragma once
// The two ways a recorded message's bits are stored, behind one interface: ReadBits, ReadString,
// AlignToByte, Overflowed, BitsLeft and BitPosition. Readers of messages are written once, as
// templates over the bit source.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "core/protocol/Huffman.h"

namespace core {

// Bits packed least significant first, without coding: the messages of the old game (1.17, 1.27).
// Whole bytes read on a byte boundary are the message's bytes, multi-byte values little-endian.
// Reading past the end sets the overflow flag; from then on every read gives 0.
class PlainBitReader {
public:
    explicit PlainBitReader(std::span<const uint8_t> data) : m_data(data), m_bitCount(data.size() * 8) {}

    uint32_t ReadBits(int n)
    {
        if (m_overflow || n < 1 || n > 32 || static_cast<size_t>(n) > m_bitCount - m_bit) {
            m_overflow = true;
            return 0;
        }
        const size_t byte = m_bit >> 3;
        uint64_t window = 0;
        if (byte + 8 <= m_data.size()) {
            std::memcpy(&window, m_data.data() + byte, sizeof window);
            if constexpr (std::endian::native == std::endian::big)
                window = __builtin_bswap64(window);
        } else {
            for (size_t i = 0; byte + i < m_data.size(); ++i)
                window |= static_cast<uint64_t>(m_data[byte + i]) << (8 * i);
        }
        window >>= (m_bit & 7);
        m_bit += static_cast<size_t>(n);
        return static_cast<uint32_t>(n == 32 ? window : window & ((uint64_t{1} << n) - 1));
    }

    // Bytes up to and including a 0; those before it are appended to `text` while it is shorter
    // than `limit`. False (overflowed) when the data ends first; `text` then holds what was read.
    bool ReadString(std::string& text, size_t limit)
    {
        if ((m_bit & 7) == 0 && !m_overflow) {
            // On a byte boundary, as every command of these messages is: find the end at once.
            const size_t byte = m_bit >> 3;
            const auto* start = m_data.data() + byte;
            const auto* zero = static_cast<const uint8_t*>(std::memchr(start, 0, m_data.size() - byte));
            const size_t length = zero ? static_cast<size_t>(zero - start) : m_data.size() - byte;
            text.append(reinterpret_cast<const char*>(start),
                        std::min(length, limit > text.size() ? limit - text.size() : 0));
            if (!zero) {
                m_bit = m_bitCount;
                m_overflow = true;
                return false;
            }
            m_bit += (length + 1) * 8;
            return true;
        }
        for (;;) {
            const uint32_t c = ReadBits(8);
            if (m_overflow)
                return false;
            if (c == 0)
                return true;
            if (text.size() < limit)
                text.push_back(static_cast<char>(c));
        }
    }

    // Reads single bits while they are 0, at most `limit` of them, and says how many: the same as
    // that many ReadBits(1) that gave 0, stopping before the first 1. The player's delta sends a
    // bit for each of its fields, and most say "unchanged". A run that passes the end of the data
    // overflows, as single reads would.
    int SkipZeroBits(int limit)
    {
        int skipped = 0;
        while (skipped < limit && !m_overflow) {
            const size_t byte = m_bit >> 3;
            if (byte + 8 > m_data.size()) {
                // Near the end a bit at a time.
                if (ReadBits(1) != 0) {
                    --m_bit;
                    return skipped;
                }
                ++skipped;
                continue;
            }
            uint64_t window = 0;
            std::memcpy(&window, m_data.data() + byte, sizeof window);
            if constexpr (std::endian::native == std::endian::big)
                window = __builtin_bswap64(window);
            window >>= (m_bit & 7);
            const int run = std::min({std::countr_zero(window), 57, limit - skipped});
            m_bit += static_cast<size_t>(run);
            skipped += run;
            if (run < 57)
                return skipped;
        }
        return m_overflow ? limit : skipped;
    }

    // Commands of these protocols start on a byte boundary.
    void AlignToByte() { m_bit = std::min(m_bitCount, (m_bit + 7) & ~size_t{7}); }
    bool Overflowed() const { return m_overflow; }
    size_t BitsLeft() const { return m_bitCount - m_bit; }
    size_t BitPosition() const { return m_bit; }

private:
    std::span<const uint8_t> m_data;
    size_t m_bitCount;
    size_t m_bit = 0;
    bool m_overflow = false;
};

// The Huffman-coded messages of 1.29 on, OpenArena and Quake Live.
class HuffmanBitSource {
public:
    explicit HuffmanBitSource(std::span<const uint8_t> data) : m_reader(data) {}
    uint32_t ReadBits(int n) { return m_reader.ReadBits(n); }
    bool ReadString(std::string& text, size_t limit) { return m_reader.ReadString(text, limit); }
    int SkipZeroBits(int limit) { return m_reader.SkipZeroBits(limit); }
    void AlignToByte() {}
    bool Overflowed() const { return m_reader.Overflowed(); }
    size_t BitsLeft() const { return m_reader.BitsLeft(); }
    size_t BitPosition() const { return m_reader.BitPosition(); }

private:
    HuffmanBitReader m_reader;
};

} // namespace core
