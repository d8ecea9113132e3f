#pragma once
// The code tree of the game's message coder as its adaptive coder reaches it from its built-in byte
// frequencies, replayed step by step: the oracle the program's constant codes and the test
// encoder's codes are checked against.
#include <array>
#include <vector>

#include "core/protocol/Huffman.h"

namespace testsupport {

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

// The game's adaptive coder replayed over its built-in frequencies (a few million steps).
HuffmanTree ReplayedHuffmanTree();

} // namespace testsupport
