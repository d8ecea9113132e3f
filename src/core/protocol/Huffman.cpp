#include "core/protocol/Huffman.h"

#include "core/common/LittleEndian.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace core {

namespace {

// The code of every symbol (0..255, then the escape) as the game's adaptive coder reaches it from
// its built-in byte frequencies: the bits
// with the first one sent in the lowest position, and the length. Held as constants so that no
// process pays for the replay (some 1.3 million coder steps) before its first message; a test
// replays the coder and compares.
constexpr std::array<HuffmanCodeWord, 257> kFixedCodes = {
    {{0x2, 2},    {0x1b, 5},   {0x48, 7},   {0x6c, 7},   {0xa1, 8},   {0x11, 8},   {0x10, 7},   {0x3f, 6},
     {0x15, 5},   {0x34, 7},   {0x69, 7},   {0xb, 7},    {0x13, 7},   {0x2d, 6},   {0x39, 8},   {0xac, 9},
     {0x25, 7},   {0x58, 9},   {0x1f0, 9},  {0x1f8, 9},  {0x1dd, 10}, {0x3f3, 10}, {0x22b, 10}, {0x323, 10},
     {0xf4, 9},   {0x18d, 10}, {0xab, 10},  {0x363, 10}, {0x1eb, 10}, {0x43, 8},   {0x4f, 9},   {0xd4, 8},
     {0x37, 6},   {0xd3, 10},  {0x44, 9},   {0x2cd, 10}, {0x3c5, 10}, {0x3f9, 10}, {0x30d, 10}, {0x3cd, 10},
     {0x94, 9},   {0x1ac, 10}, {0x33, 10},  {0x14, 10},  {0x271, 10}, {0x2f0, 10}, {0x1f4, 9},  {0x78, 8},
     {0x27, 7},   {0xc3, 8},   {0xef, 8},   {0x197, 9},  {0x53, 8},   {0xb1, 8},   {0xd, 9},    {0x161, 9},
     {0x7, 9},    {0xf1, 9},   {0x199, 9},  {0x191, 10}, {0x123, 10}, {0xbc, 9},   {0x144, 9},  {0x1f3, 10},
     {0xcf, 8},   {0x50, 7},   {0x7c, 7},   {0x4, 7},    {0x21, 8},   {0x51, 8},   {0x80, 9},   {0x70, 9},
     {0x13d, 9},  {0x63, 10},  {0x2d7, 10}, {0x371, 10}, {0x19d, 9},  {0x2ab, 10}, {0x1c7, 10}, {0x333, 10},
     {0x12c, 9},  {0x9d, 10},  {0x16b, 10}, {0x36b, 10}, {0x1d3, 10}, {0x171, 10}, {0x1e3, 10}, {0x233, 10},
     {0xd7, 10},  {0x2cb, 10}, {0x170, 9},  {0xa8, 9},   {0xc7, 9},   {0x105, 9},  {0xeb, 9},   {0xd8, 8},
     {0xf3, 9},   {0x3c, 8},   {0x1ab, 9},  {0x18f, 9},  {0x97, 9},   {0x30, 7},   {0x41, 8},   {0x14f, 9},
     {0x1c, 6},   {0x28, 8},   {0xbd, 9},   {0xc4, 9},   {0x98, 8},   {0x8f, 9},   {0xc, 8},    {0xb3, 8},
     {0x85, 8},   {0x8c, 8},   {0x47, 8},   {0x79, 8},   {0x59, 7},   {0x40, 7},   {0x17, 8},   {0x19, 8},
     {0x4b, 8},   {0xe1, 8},   {0xa3, 8},   {0x73, 8},   {0x6f, 8},   {0x68, 7},   {0x8, 7},    {0x65, 7},
     {0x1f, 6},   {0x29, 7},   {0x4c, 7},   {0x7d, 7},   {0xf, 8},    {0x83, 8},   {0x1, 8},    {0x87, 8},
     {0x67, 8},   {0xe7, 8},   {0x57, 8},   {0x74, 8},   {0x1cb, 9},  {0x1c4, 9},  {0x81, 9},   {0x4d, 9},
     {0x131, 9},  {0x163, 10}, {0x180, 9},  {0x3d7, 10}, {0x2b, 10},  {0x145, 10}, {0x6b, 10},  {0x3d, 10},
     {0x32b, 10}, {0xf9, 10},  {0xe3, 10},  {0x245, 10}, {0x12b, 10}, {0x31, 10},  {0x3eb, 10}, {0x1b9, 10},
     {0x114, 9},  {0x1f9, 10}, {0x133, 10}, {0x2c, 10},  {0x2dd, 10}, {0x1c1, 10}, {0x31d, 10}, {0x1d1, 10},
     {0x138, 9},  {0x61, 10},  {0x2e3, 10}, {0x345, 10}, {0x26b, 10}, {0xcd, 10},  {0xcb, 10},  {0x14d, 10},
     {0x38, 9},   {0x3c1, 10}, {0x23d, 10}, {0x3bc, 10}, {0xc5, 10},  {0x3ac, 10}, {0x3e3, 10}, {0x299, 10},
     {0x3d3, 10}, {0x214, 10}, {0x203, 10}, {0x1bc, 10}, {0x29d, 10}, {0x381, 10}, {0x263, 10}, {0x8d, 10},
     {0x54, 8},   {0x103, 9},  {0x5d, 8},   {0x20, 6},   {0x9, 7},    {0x3c7, 10}, {0x307, 10}, {0xb8, 8},
     {0x1f1, 9},  {0x22c, 10}, {0x45, 10},  {0x3, 10},   {0x11d, 10}, {0x1c5, 10}, {0x34d, 10}, {0x1d, 10},
     {0x0, 9},    {0x3b9, 10}, {0xdd, 10},  {0x181, 10}, {0x10d, 10}, {0xb9, 10},  {0x1cd, 10}, {0x394, 10},
     {0x1bd, 10}, {0x194, 10}, {0x38d, 10}, {0x158, 10}, {0x3bd, 10}, {0xc1, 10},  {0x3dd, 10}, {0xf8, 10},
     {0xd1, 9},   {0x91, 9},   {0x99, 10},  {0x2f8, 10}, {0x23, 10},  {0x71, 10},  {0x2d3, 10}, {0x391, 10},
     {0x49, 7},   {0x231, 10}, {0x107, 10}, {0x261, 10}, {0x223, 10}, {0x18, 8},   {0x205, 10}, {0x2c1, 10},
     {0x1d7, 10}, {0xf0, 10},  {0x2c5, 10}, {0x300, 10}, {0x3d1, 10}, {0x3a8, 10}, {0x21d, 10}, {0x500, 11},
     {0x5, 10},   {0x358, 10}, {0x2f9, 10}, {0x1a8, 10}, {0x2b9, 10}, {0x28d, 10}, {0x2f, 7},   {0x24, 6},
     {0x100, 11}}};

using Table = std::array<HuffmanLookup, 1u << kHuffmanLookupBits>;
using PairTable = std::array<HuffmanPairLookup, 1u << kHuffmanPairBits>;

// Every index whose low bits are a symbol's code decodes to that symbol.
template <size_t Bits> constexpr std::array<HuffmanLookup, (1u << Bits)> SingleTable()
{
    std::array<HuffmanLookup, (1u << Bits)> table{};
    for (uint16_t s = 0; s < kFixedCodes.size(); ++s) {
        const HuffmanCodeWord code = kFixedCodes[s];
        for (uint32_t rest = 0; rest < (1u << (Bits - code.length)); ++rest) {
            table[code.bits | (rest << code.length)] = {s, code.length};
        }
    }
    return table;
}

constexpr Table kTable = SingleTable<kHuffmanLookupBits>();

// A second symbol joins the first when its code fits into the bits the first leaves over.
constexpr PairTable MakePairTable()
{
    constexpr std::array<HuffmanLookup, (1u << kHuffmanPairBits)> single = SingleTable<kHuffmanPairBits>();
    PairTable table{};
    for (uint32_t i = 0; i < table.size(); ++i) {
        const HuffmanLookup first = single[i];
        HuffmanPairLookup& entry = table[i];
        if (first.symbol > 255) {
            continue; // the escape: count 0
        }
        entry.first = static_cast<uint8_t>(first.symbol);
        entry.firstLength = first.length;
        entry.packed = static_cast<uint8_t>(first.length | 1 << 4);
        const int left = kHuffmanPairBits - first.length;
        const HuffmanLookup second = single[i >> first.length];
        if (second.symbol <= 255 && second.length <= left) {
            entry.second = static_cast<uint8_t>(second.symbol);
            entry.packed = static_cast<uint8_t>((first.length + second.length) | 2 << 4);
        }
    }
    return table;
}

constexpr PairTable kPairTable = MakePairTable();

} // namespace

const std::array<HuffmanCodeWord, 257>& FixedHuffmanCodes()
{
    return kFixedCodes;
}

const std::array<HuffmanLookup, 1u << kHuffmanLookupBits>& FixedHuffmanTable()
{
    return kTable;
}

const std::array<HuffmanPairLookup, 1u << kHuffmanPairBits>& FixedHuffmanPairTable()
{
    return kPairTable;
}

HuffmanBitReader::HuffmanBitReader(std::span<const uint8_t> data)
    : data_(data), bitCount_(data.size() * 8), table_(FixedHuffmanTable().data()), pairs_(kPairTable.data()),
      tailStart_(data.size() >= 8 ? data.size() - 8 : 0)
{
    if (!data.empty())
        std::memcpy(tail_, data.data() + tailStart_, data.size() - tailStart_);
}

uint32_t HuffmanBitReader::ReadCodedBits(int n)
{
    if (n < 1 || n > 32) {
        overflow_ = true;
    }
    if (overflow_) {
        return 0;
    }
    const int raw = n & 7;
    const size_t byte = bit_ >> 3;
    if (byte + 8 <= data_.size()) {
        // Away from the end one 64-bit window holds the raw low bits and the codes of all (at most
        // four) bytes, and a look-up takes two codes where both fit into its bits. This is the
        // path of nearly every read of a demo message.
        uint64_t window = Window(byte) >> (bit_ & 7);
        uint32_t value = static_cast<uint32_t>(window) & ((1u << raw) - 1);
        window >>= raw;
        size_t used = static_cast<size_t>(raw);
        bool bad = false;
        for (int shift = raw; shift < n;) {
            const HuffmanPairLookup hit = kPairTable[window & ((1u << kHuffmanPairBits) - 1)];
            if (hit.count() == 0) {
                bad = true;
                break;
            }
            if (hit.count() == 2 && shift + 8 < n) {
                value |= (static_cast<uint32_t>(hit.first) | static_cast<uint32_t>(hit.second) << 8) << shift;
                shift += 16;
                window >>= hit.length();
                used += hit.length();
            } else {
                value |= static_cast<uint32_t>(hit.first) << shift;
                shift += 8;
                window >>= hit.firstLength;
                used += hit.firstLength;
            }
        }
        if (!bad) {
            bit_ += used;
            return value;
        }
        // A code that is no byte's: whole-byte reads stop where they are; a read with raw bits
        // goes the symbol-by-symbol way, which takes the raw bits and the good codes before it.
        if (raw == 0) {
            overflow_ = true;
            return 0;
        }
    }
    uint32_t value = raw ? ReadRaw(raw) : 0;
    for (int shift = raw; shift < n && !overflow_; shift += 8) {
        value |= ReadSymbol() << shift;
    }
    return overflow_ ? 0 : value;
}

bool HuffmanBitReader::ReadString(std::string& text, size_t limit)
{
    // Decoded bytes gather here and join the text a run at a time.
    char run[64];
    size_t held = 0;
    const auto keep = [&](uint8_t c) {
        run[held++] = static_cast<char>(c);
        if (held == sizeof run) {
            if (text.size() < limit) {
                text.append(run, std::min(held, limit - text.size()));
            }
            held = 0;
        }
    };
    const auto flush = [&] {
        if (held > 0 && text.size() < limit) {
            text.append(run, std::min(held, limit - text.size()));
        }
        held = 0;
    };
    while (!overflow_) {
        const size_t byte = bit_ >> 3;
        if (byte + 8 > data_.size()) {
            const uint32_t c = ReadBits(8);
            if (overflow_ || c == 0) {
                break;
            }
            keep(static_cast<uint8_t>(c));
            continue;
        }
        // At least 57 bits of the window are data: four look-ups of 12 bits each fit.
        uint64_t window = Window(byte) >> (bit_ & 7);
        size_t used = 0;
        for (int k = 0; k < 4; ++k) {
            const HuffmanPairLookup hit = kPairTable[window & ((1u << kHuffmanPairBits) - 1)];
            if (hit.count() == 0) {
                overflow_ = true;
                return false;
            }
            if (hit.first == 0) {
                bit_ += used + hit.firstLength;
                flush();
                return true;
            }
            keep(hit.first);
            if (hit.count() == 2) {
                if (hit.second == 0) {
                    bit_ += used + hit.length();
                    flush();
                    return true;
                }
                keep(hit.second);
            }
            used += hit.length();
            window >>= hit.length();
        }
        bit_ += used;
    }
    flush();
    return !overflow_;
}

// Up to 24 bits from the current position, zeros beyond the data's end.
uint32_t HuffmanBitReader::Peek(int n) const
{
    const size_t byte = bit_ >> 3;
    uint32_t window = 0;
    if (byte + 4 <= data_.size()) {
        // Away from the end one 32-bit load does it; this runs once per decoded symbol.
        const uint8_t* p = data_.data() + byte;
        window = Le32(p);
    } else {
        for (size_t i = 0; i < 4 && byte + i < data_.size(); ++i) {
            window |= static_cast<uint32_t>(data_[byte + i]) << (8 * i);
        }
    }
    return (window >> (bit_ & 7)) & ((1u << n) - 1);
}

uint32_t HuffmanBitReader::ReadRaw(int n)
{
    if (static_cast<size_t>(n) > BitsLeft()) {
        overflow_ = true;
        return 0;
    }
    const uint32_t value = Peek(n);
    bit_ += n;
    return value;
}

uint32_t HuffmanBitReader::ReadSymbol()
{
    const HuffmanLookup hit = table_[Peek(kHuffmanLookupBits)];
    if (hit.length > BitsLeft() || hit.symbol > 255) {
        overflow_ = true;
        return 0;
    }
    bit_ += hit.length;
    return hit.symbol;
}

} // namespace core
