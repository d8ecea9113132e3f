#include "support/HuffmanEncoder.h"

#include <array>
#include <stdexcept>

#include "core/protocol/Huffman.h"
#include "support/HuffmanTrees.h"

namespace testsupport {

namespace {

// Command bytes of the server's messages.
constexpr uint8_t kNop = 1;
constexpr uint8_t kGameState = 2;
constexpr uint8_t kConfigString = 3;
constexpr uint8_t kBaseline = 4;
constexpr uint8_t kServerCommand = 5;
constexpr uint8_t kSnapshot = 7;
constexpr uint8_t kEnd = 8;

// Codes found by climbing from each leaf of the replayed coder's tree to the root, independently of
// the program's constant codes.
std::array<HuffmanCode, 257> BuildCodes()
{
    const HuffmanTree tree = ReplayedHuffmanTree();
    std::array<HuffmanCode, 257> codes{};
    for (int symbol = 0; symbol <= HuffmanTree::kNotYetTransmitted; ++symbol) {
        std::vector<bool> reversed;
        for (int n = tree.leafOf[symbol]; tree.nodes[n].parent >= 0; n = tree.nodes[n].parent) {
            reversed.push_back(tree.nodes[tree.nodes[n].parent].right == n);
        }
        HuffmanCode code;
        code.length = static_cast<int>(reversed.size());
        for (int i = 0; i < code.length; ++i) {
            if (reversed[reversed.size() - 1 - i]) {
                code.bits |= 1u << i;
            }
        }
        codes[symbol] = code;
    }
    return codes;
}

} // namespace

HuffmanCode HuffmanCodeOf(int symbol)
{
    static const std::array<HuffmanCode, 257> codes = BuildCodes();
    if (symbol < 0 || symbol > HuffmanTree::kNotYetTransmitted) {
        throw std::out_of_range("HuffmanCodeOf: no such symbol");
    }
    return codes[symbol];
}

ModernMessageBuilder::ModernMessageBuilder(uint32_t reliableAcknowledge)
{
    writer_.WriteBits(reliableAcknowledge, 32);
}

void ModernMessageBuilder::WriteText(std::string_view text)
{
    for (char c : text) {
        writer_.WriteByte(static_cast<uint8_t>(c));
    }
    writer_.WriteByte(0);
}

ModernMessageBuilder& ModernMessageBuilder::Nop()
{
    writer_.WriteByte(kNop);
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::ServerCommand(uint32_t sequence, std::string_view text)
{
    writer_.WriteByte(kServerCommand);
    writer_.WriteBits(sequence, 32);
    WriteText(text);
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::GameState(uint32_t sequence,
                                                      const std::vector<std::pair<int, std::string>>& configStrings)
{
    BeginGameState(sequence);
    for (const auto& [index, text] : configStrings) {
        ConfigString(index, text);
    }
    return Baseline(0);
}

ModernMessageBuilder& ModernMessageBuilder::BeginGameState(uint32_t sequence)
{
    writer_.WriteByte(kGameState);
    writer_.WriteBits(sequence, 32);
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::ConfigString(int index, std::string_view text)
{
    writer_.WriteByte(kConfigString);
    writer_.WriteBits(static_cast<uint32_t>(index), 16);
    WriteText(text);
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::Baseline(int entityNumber)
{
    writer_.WriteByte(kBaseline);
    writer_.WriteBits(static_cast<uint32_t>(entityNumber), 10);
    writer_.WriteBits(0, 1); // not removed
    writer_.WriteBits(0, 1); // no fields changed
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::EndGameState(uint32_t clientNumber, uint32_t checksumFeed)
{
    writer_.WriteByte(kEnd);
    writer_.WriteBits(clientNumber, 32);
    writer_.WriteBits(checksumFeed, 32);
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::Snapshot(uint32_t serverTime)
{
    writer_.WriteByte(kSnapshot);
    writer_.WriteBits(serverTime, 32);
    writer_.WriteByte(0);        // delta from no earlier snapshot
    writer_.WriteByte(0);        // snapshot flags
    writer_.WriteByte(1);        // area mask length
    writer_.WriteByte(0);        // area mask
    writer_.WriteByte(0);        // player state: no fields changed
    writer_.WriteBits(0, 1);     // player state: no arrays changed
    writer_.WriteBits(1023, 10); // end of the entity list
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::End()
{
    writer_.WriteByte(kEnd);
    return *this;
}

ModernMessageBuilder& ModernMessageBuilder::CommandByte(uint8_t command)
{
    writer_.WriteByte(command);
    return *this;
}

std::vector<uint8_t> ModernDemoFile(const std::vector<std::vector<uint8_t>>& payloads, int32_t firstSequence)
{
    std::vector<uint8_t> file;
    const auto put = [&file](int32_t value) {
        uint8_t bytes[4];
        const uint32_t u = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<uint8_t>(u >> (8 * i));
        }
        file.insert(file.end(), bytes, bytes + 4);
    };
    int32_t sequence = firstSequence;
    for (const std::vector<uint8_t>& payload : payloads) {
        put(sequence++);
        put(static_cast<int32_t>(payload.size()));
        file.insert(file.end(), payload.begin(), payload.end());
    }
    put(-1);
    put(-1);
    return file;
}

} // namespace testsupport
