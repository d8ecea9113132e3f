#include "support/HuffmanTrees.h"

#include <algorithm>
#include <cstdlib>

namespace testsupport {
namespace {

// How often the game's coder is told each byte value occurs, before any message is coded.
// Both ends of a connection start from these counts, which is what makes the code fixed.
constexpr std::array<int, 256> kByteFrequencies = {
    250315, 41193, 6292, 7106,  3730, 3750, 6110, 23283, 33317, 6950, 7838, 9714, 9257, 17259, 3949,  1778,
    8288,   1604,  1590, 1663,  1100, 1213, 1238, 1134,  1749,  1059, 1246, 1149, 1273, 4486,  2805,  3472,
    21819,  1159,  1670, 1066,  1043, 1012, 1053, 1070,  1726,  888,  1180, 850,  960,  780,   1752,  3296,
    10630,  4514,  5881, 2685,  4650, 3837, 2093, 1867,  2584,  1949, 1972, 940,  1134, 1788,  1670,  1206,
    5719,   6128,  7222, 6654,  3710, 3795, 1492, 1524,  2215,  1140, 1355, 971,  2180, 1248,  1328,  1195,
    1770,   1078,  1264, 1266,  1168, 965,  1155, 1186,  1347,  1228, 1529, 1600, 2617, 2048,  2546,  3275,
    2410,   3585,  2504, 2800,  2675, 6146, 3663, 2840,  14253, 3164, 2221, 1687, 3208, 2739,  3512,  4796,
    4091,   3515,  5288, 4016,  7937, 6031, 5360, 3924,  4892,  3743, 4566, 4807, 5852, 6400,  6225,  8291,
    23243,  7838,  7073, 8935,  5437, 4483, 3641, 5256,  5312,  5328, 5370, 3492, 2458, 1694,  1821,  2121,
    1916,   1149,  1516, 1367,  1236, 1029, 1258, 1104,  1245,  1006, 1149, 1025, 1241, 952,   1287,  997,
    1713,   1009,  1187, 879,   1099, 929,  1078, 951,   1656,  930,  1153, 1030, 1262, 1062,  1214,  1060,
    1621,   930,   1106, 912,   1034, 892,  1158, 990,   1175,  850,  1121, 903,  1087, 920,   1144,  1056,
    3462,   2240,  4397, 12136, 7758, 1345, 1307, 3278,  1950,  886,  1023, 1112, 1077, 1042,  1061,  1071,
    1484,   1001,  1096, 915,   1052, 995,  1070, 876,   1111,  851,  1059, 805,  1112, 923,   1103,  817,
    1899,   1872,  976,  841,   1127, 956,  1159, 950,   7791,  954,  1289, 933,  1127, 3207,  1020,  927,
    1355,   768,   1040, 745,   952,  805,  1073, 740,   1013,  805,  1008, 796,  996,  1057,  11457, 13504,
};

// The game's adaptive coder (a variant of the FGK algorithm). The tree it reaches depends on the
// order the counts arrive in and on exactly how it reorders nodes, so it is replayed step by step
// rather than replaced by a textbook Huffman build.
//
// Besides the tree, every node sits in a list ordered by weight (lightest first). Nodes of equal
// weight form a block; all members of a block share one "leader" slot naming the block's last
// (highest ranked) node, so the leader can be moved for the whole block at once.
class AdaptiveBuilder {
public:
    AdaptiveBuilder()
    {
        nodes_.reserve(2 * 257);
        nyt_ = NewNode(HuffmanTree::kNotYetTransmitted, 0);
        root_ = nyt_;
        leafOf_.fill(-1);
    }

    void Add(int symbol)
    {
        if (leafOf_[symbol] >= 0) {
            Increment(leafOf_[symbol]);
            return;
        }
        // The escape leaf splits into an inner node holding the escape leaf and the new symbol.
        const int inner = NewNode(HuffmanTree::kInternal, 1);
        const int leaf = NewNode(symbol, 1);
        InsertAfterListHead(inner);
        InsertAfterListHead(leaf);

        const int oldParent = nodes_[nyt_].parent;
        if (oldParent >= 0) {
            ReplaceChild(oldParent, nyt_, inner);
        } else {
            root_ = inner;
        }
        nodes_[inner].left = nyt_;
        nodes_[inner].right = leaf;
        nodes_[inner].parent = oldParent;
        nodes_[nyt_].parent = inner;
        nodes_[leaf].parent = inner;
        leafOf_[symbol] = leaf;
        Increment(oldParent);
    }

    HuffmanTree Finish() const
    {
        HuffmanTree tree;
        tree.root = root_;
        tree.nodes.resize(nodes_.size());
        for (size_t i = 0; i < nodes_.size(); ++i) {
            tree.nodes[i] = {nodes_[i].parent, nodes_[i].left, nodes_[i].right, nodes_[i].symbol};
        }
        for (int s = 0; s < 256; ++s) {
            tree.leafOf[s] = leafOf_[s];
        }
        tree.leafOf[HuffmanTree::kNotYetTransmitted] = nyt_;
        return tree;
    }

private:
    struct Node {
        int parent = -1, left = -1, right = -1;
        int prev = -1, next = -1; // neighbours in the weight-ordered list
        int weight = 0;
        int symbol = HuffmanTree::kInternal;
        int block = -1; // leader slot shared by the node's block
    };

    int NewNode(int symbol, int weight)
    {
        Node n;
        n.symbol = symbol;
        n.weight = weight;
        nodes_.push_back(n);
        return static_cast<int>(nodes_.size()) - 1;
    }

    int NewSlot(int leader)
    {
        if (!freeSlots_.empty()) {
            const int slot = freeSlots_.back();
            freeSlots_.pop_back();
            slots_[slot] = leader;
            return slot;
        }
        slots_.push_back(leader);
        return static_cast<int>(slots_.size()) - 1;
    }

    // New nodes weigh 1 and enter right behind the escape leaf, which always heads the list; they
    // join the block of weight 1 when there is one.
    void InsertAfterListHead(int n)
    {
        const int first = nodes_[nyt_].next;
        nodes_[n].next = first;
        nodes_[n].prev = nyt_;
        if (first >= 0) {
            nodes_[first].prev = n;
            nodes_[n].block = nodes_[first].weight == 1 ? nodes_[first].block : NewSlot(n);
        } else {
            nodes_[n].block = NewSlot(n);
        }
        nodes_[nyt_].next = n;
    }

    void ReplaceChild(int parent, int from, int to)
    {
        if (nodes_[parent].left == from) {
            nodes_[parent].left = to;
        } else {
            nodes_[parent].right = to;
        }
    }

    // Exchanges the places of two subtrees. Like the game's coder, the two child links are
    // rewritten one after the other (for siblings that would leave the tree unchanged; the built-in
    // counts never lead there, but a literal replay stays right whatever the counts).
    void SwapInTree(int a, int b)
    {
        const int pa = nodes_[a].parent;
        const int pb = nodes_[b].parent;
        if (pa >= 0) {
            ReplaceChild(pa, a, b);
        } else {
            root_ = b;
        }
        if (pb >= 0) {
            ReplaceChild(pb, b, a);
        } else {
            root_ = a;
        }
        nodes_[a].parent = pb;
        nodes_[b].parent = pa;
    }

    void SwapInList(int a, int b)
    {
        if (a == b) {
            return;
        }
        if (nodes_[b].next == a) {
            std::swap(a, b);
        }
        const int ap = nodes_[a].prev, an = nodes_[a].next;
        const int bp = nodes_[b].prev, bn = nodes_[b].next;
        if (an == b) { // adjacent: ap a b bn -> ap b a bn
            Link(ap, b);
            Link(b, a);
            Link(a, bn);
        } else {
            Link(ap, b);
            Link(b, an);
            Link(bp, a);
            Link(a, bn);
        }
    }

    void Link(int first, int second)
    {
        if (first >= 0) {
            nodes_[first].next = second;
        }
        if (second >= 0) {
            nodes_[second].prev = first;
        }
    }

    // Adds one to a node's weight and to its ancestors', moving each to the end of its block first
    // so that the list stays ordered.
    void Increment(int n)
    {
        if (n < 0) {
            return;
        }
        Node* node = &nodes_[n];
        if (node->next >= 0 && nodes_[node->next].weight == node->weight) {
            const int leader = slots_[node->block];
            if (leader != node->parent) {
                SwapInTree(leader, n);
            }
            SwapInList(leader, n);
        }
        if (node->prev >= 0 && nodes_[node->prev].weight == node->weight) {
            slots_[node->block] = node->prev;
        } else {
            slots_[node->block] = -1;
            freeSlots_.push_back(node->block);
        }
        ++node->weight;
        if (node->next >= 0 && nodes_[node->next].weight == node->weight) {
            node->block = nodes_[node->next].block;
        } else {
            node->block = NewSlot(n);
        }
        const int parent = node->parent;
        if (parent >= 0) {
            Increment(parent);
            if (nodes_[n].prev == parent) {
                SwapInList(n, parent);
                if (slots_[nodes_[n].block] == n) {
                    slots_[nodes_[n].block] = parent;
                }
            }
        }
    }

    std::vector<Node> nodes_;
    std::vector<int> slots_;
    std::vector<int> freeSlots_;
    std::array<int, 256> leafOf_{};
    int nyt_ = -1;
    int root_ = -1;
};

HuffmanTree ReplayTree()
{
    AdaptiveBuilder builder;
    for (int symbol = 0; symbol < 256; ++symbol) {
        for (int i = 0; i < kByteFrequencies[symbol]; ++i) {
            builder.Add(symbol);
        }
    }
    HuffmanTree tree = builder.Finish();

    // Depth of every leaf, found by walking up; a broken build would show here as a cycle.
    const int limit = static_cast<int>(tree.nodes.size());
    for (int s = 0; s <= HuffmanTree::kNotYetTransmitted; ++s) {
        int depth = 0;
        for (int n = tree.leafOf[s]; tree.nodes[n].parent >= 0; n = tree.nodes[n].parent) {
            if (++depth > limit) {
                std::abort();
            }
        }
        tree.maxCodeLength = std::max(tree.maxCodeLength, depth);
    }
    return tree;
}

} // namespace

HuffmanTree ReplayedHuffmanTree()
{
    return ReplayTree();
}

} // namespace testsupport
