#pragma once
// The fixed Huffman code of the game's network messages, and a bit reader over a compressed
// message. Demos of protocols 66 to 71 store every message exactly as the server sent it, so
// reading them means undoing this code.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace core {

// The code tree the game's adaptive coder reaches after it has been fed its built-in byte
// frequencies. The tree keeps the coder's "not yet transmitted" leaf; no encoder ever emits it,
// so meeting its code in a message means the data is damaged.
struct HuffmanTree {
    static constexpr int kNotYetTransmitted = 256; // symbol of the escape leaf
    static constexpr int kInternal = 257;          // symbol of every inner node

    struct Node {
        int parent = -1;
        int left = -1;  // branch taken on a 0 bit
        int right = -1; // branch taken on a 1 bit
        int symbol = kInternal;
    };

    std::vector<Node> nodes;
    int root = -1;
    std::array<int, 257> leafOf{}; // node index of each symbol's leaf (0..255, escape)
    int maxCodeLength = 0;
};

// One entry of the decode table, indexed by the next kHuffmanLookupBits bits of the stream
// (first bit in the lowest position).
struct HuffmanLookup {
    uint16_t symbol = 0; // 0..255, or HuffmanTree::kNotYetTransmitted
    uint8_t length = 0;  // bits the code takes
};

inline constexpr int kHuffmanLookupBits = 11;

// Built on first use and shared afterwards; safe to call from several threads.
const HuffmanTree& FixedHuffmanTree();
const std::array<HuffmanLookup, 1u << kHuffmanLookupBits>& FixedHuffmanTable();

// Reads a message in the game's compressed mode. Whole bytes are Huffman symbols; for a width
// that is not a multiple of 8 the odd low bits come first, stored raw. Bits are taken least
// significant first within each byte.
//
// Reading past the end of the data, or meeting the escape code, sets the overflow flag; from then
// on every read returns 0. Nothing outside the span is ever touched.
class HuffmanBitReader {
public:
    explicit HuffmanBitReader(std::span<const uint8_t> data);

    // n in 1..32; anything else is a caller error and counts as overflow.
    uint32_t ReadBits(int n);
    // One Huffman-coded byte (0..255).
    uint32_t ReadByte() { return ReadBits(8); }

    bool Overflowed() const { return overflow_; }
    size_t BitPosition() const { return bit_; }
    size_t BitsLeft() const { return bitCount_ - bit_; }

private:
    uint32_t ReadRaw(int n);
    uint32_t ReadSymbol();
    uint32_t Peek(int n) const;

    std::span<const uint8_t> data_;
    size_t bitCount_ = 0;
    size_t bit_ = 0;
    bool overflow_ = false;
    const HuffmanLookup* table_;
};

} // namespace core
