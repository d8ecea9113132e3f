#pragma once
// The fixed Huffman code of the game's network messages, and a bit reader over a compressed
// message. Demos of protocols 66 to 71 store every message exactly as the server sent it, so
// reading them means undoing this code.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace core {

// One entry of the decode table, indexed by the next kHuffmanLookupBits bits of the stream
// (first bit in the lowest position).
struct HuffmanLookup {
    uint16_t symbol = 0; // 0..255, or 256 for the escape code no encoder emits
    uint8_t length = 0;  // bits the code takes
};

inline constexpr int kHuffmanLookupBits = 11;

// Up to two symbols decoded by one look-up of the next kHuffmanPairBits bits. Four bytes, so that
// an entry is one load.
struct HuffmanPairLookup {
    uint8_t first = 0;
    uint8_t second = 0;
    uint8_t firstLength = 0; // bits of the first code
    uint8_t packed = 0;      // bits of both codes (of the first alone when one symbol), and
                             // the symbol count (0: the escape code, 1 or 2) in the high half
    constexpr int length() const { return packed & 15; }
    constexpr int count() const { return packed >> 4; }
};

inline constexpr int kHuffmanPairBits = 12;

// A symbol's code: `length` bits, the first one sent in the lowest position of `bits`.
struct HuffmanCodeWord {
    uint16_t bits = 0;
    uint8_t length = 0;
};

// The codes of symbols 0..255 and of the escape (256). Constant: nothing is built at start-up.
const std::array<HuffmanCodeWord, 257>& FixedHuffmanCodes();
// The decode tables, made from the codes while compiling.
const std::array<HuffmanLookup, 1u << kHuffmanLookupBits>& FixedHuffmanTable();
const std::array<HuffmanPairLookup, 1u << kHuffmanPairBits>& FixedHuffmanPairTable();

// Reads a message in the game's compressed mode. Whole bytes are Huffman symbols; for a width
// that is not a multiple of 8 the odd low bits come first, stored raw. Bits are taken least
// significant first within each byte.
//
// Reading past the end of the data, or meeting the escape code, sets the overflow flag; from then
// on every read returns 0. Nothing outside the span is ever touched.
class HuffmanBitReader {
public:
    explicit HuffmanBitReader(std::span<const uint8_t> data);

    // n in 1..32; anything else is a caller error and counts as overflow. Inline for every width:
    // the raw low bits and the codes (at most four) come out of one 64-bit window, a code a
    // look-up, so that how a read goes depends on its width only, never on the bits it meets.
    // Whatever this cannot finish (an escape code, the end of the data) the symbol-by-symbol way
    // decides.
    uint32_t ReadBits(int n)
    {
        if (n >= 1 && n <= 32 && !overflow_) [[likely]] {
            uint64_t window = Window(bit_ >> 3) >> (bit_ & 7);
            const int raw = n & 7;
            uint32_t value = static_cast<uint32_t>(window) & ((1u << raw) - 1);
            window >>= raw;
            size_t used = static_cast<size_t>(raw);
            // The escape (256) shows in the bits above a byte once all codes are read: one test,
            // not one per code.
            uint32_t symbols = 0;
            for (int shift = raw; shift < n; shift += 8) {
                const HuffmanLookup hit = table_[window & ((1u << kHuffmanLookupBits) - 1)];
                symbols |= hit.symbol;
                value |= static_cast<uint32_t>(hit.symbol & 255) << shift;
                window >>= hit.length;
                used += hit.length;
            }
            if (symbols <= 255 && used <= bitCount_ - bit_) [[likely]] {
                bit_ += used;
                return value;
            }
        }
        return ReadCodedBits(n);
    }
    // Reads raw single bits while they are 0, at most `limit` of them, and says how many: the same
    // as that many ReadBits(1) that gave 0, stopping before the first 1 (a read of one bit is a
    // raw bit, never a code). A run that passes the end of the data overflows, as single reads
    // would.
    int SkipZeroBits(int limit)
    {
        int skipped = 0;
        while (skipped < limit && !overflow_) {
            const uint64_t window = Window(bit_ >> 3) >> (bit_ & 7);
            // The window holds at least 57 bits of the data, zeros past its end.
            const int run = std::min({std::countr_zero(window), 57, limit - skipped});
            if (static_cast<size_t>(run) > bitCount_ - bit_) {
                bit_ = bitCount_;
                overflow_ = true;
                return limit;
            }
            bit_ += static_cast<size_t>(run);
            skipped += run;
            if (run < 57)
                return skipped;
        }
        return overflow_ ? limit : skipped;
    }
    // One Huffman-coded byte (0..255).
    uint32_t ReadByte() { return ReadBits(8); }
    // Huffman-coded bytes up to and including a 0, two symbols per look-up where they fit. The
    // bytes before the 0 are appended to `text` while it is shorter than `limit`; the rest are
    // read and dropped. False (overflowed) when the data ends or goes wrong first.
    bool ReadString(std::string& text, size_t limit);

    bool Overflowed() const { return overflow_; }
    size_t BitPosition() const { return bit_; }
    size_t BitsLeft() const { return bitCount_ - bit_; }

private:
    uint32_t ReadCodedBits(int n);
    uint32_t ReadRaw(int n);
    uint32_t ReadSymbol();
    uint32_t Peek(int n) const;
    // 8 bytes from `byte` (at most the data's size), zeros past the data's end.
    uint64_t Window(size_t byte) const
    {
        const uint8_t* from = byte < tailStart_ ? data_.data() + byte : tail_ + (byte - tailStart_);
        uint64_t window = 0;
        std::memcpy(&window, from, sizeof window);
        if constexpr (std::endian::native == std::endian::big)
            window = __builtin_bswap64(window);
        return window;
    }

    std::span<const uint8_t> data_;
    size_t bitCount_ = 0;
    size_t bit_ = 0;
    bool overflow_ = false;
    const HuffmanLookup* table_;
    const HuffmanPairLookup* pairs_;
    // The data's last (up to) 8 bytes from tailStart_ on, then zeros: windows near the end are
    // read from here, so that no read ever touches memory outside the data.
    size_t tailStart_ = 0;
    uint8_t tail_[16] = {};
};

} // namespace core
