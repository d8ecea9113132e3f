#include "core/protocol/ProtocolTable.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace core {
namespace {

// Quake Live's score commands. Entries of protocols 73 and 90 often carry one field more than
// those of 91 (a subscriber flag before the score).
// clang-format off
//                                             name          count red  first stride team score ping  optional
constexpr std::array<ScoreBoardLayout, 8> kScoreBoards90 = {{
    {"scores",      1,   2,   4,    18,    -1,  1,    1,    false},
    {"scores_duel", 1,   -1,  2,    91,    -1,  1,    1,    false},
    {"scores_tdm",  29,  30,  32,   16,    1,   3,    1,    true},
    {"scores_ctf",  35,  36,  38,   19,    1,   3,    1,    true},
    {"scores_ft",   29,  30,  32,   18,    1,   3,    1,    true},
    {"scores_ca",   1,   2,   4,    16,    1,   2,    1,    false},
    {"scores_rr",   1,   2,   4,    19,    -1,  1,    2,    false},
    {"rrscores",    1,   2,   4,    19,    -1,  1,    2,    false},
}};
constexpr std::array<ScoreBoardLayout, 8> kScoreBoards91 = {{
    {"scores",      1,   2,   4,    18,    -1,  1,    1,    false},
    {"scores_duel", 1,   -1,  2,    91,    -1,  1,    1,    false},
    {"scores_tdm",  29,  30,  32,   15,    1,   2,    1,    false},
    {"scores_ctf",  35,  36,  38,   17,    1,   2,    1,    false},
    {"scores_ft",   29,  30,  32,   17,    1,   2,    1,    false},
    {"scores_ca",   1,   2,   4,    16,    1,   2,    1,    false},
    {"scores_rr",   1,   2,   4,    18,    -1,  1,    2,    false},
    {"rrscores",    1,   2,   4,    19,    -1,  1,    2,    false},
}};

constexpr auto P = MessageCoding::Plain;
constexpr auto H = MessageCoding::Huffman;
constexpr size_t kMsg = kMaxMessageSize;
constexpr size_t kGs = kMaxGameStateChars;
constexpr size_t kGsQl = kMaxQuakeLiveGameStateChars;
constexpr int kBk = kPacketBackup;

// 46 stands between 1.17 and 1.27: the acknowledge and 1.27's configuration strings and deltas,
// but 1.17's item and event numbers and score entries of its own width. 47 is 1.27's too but is
// not decoded.
constexpr std::array kProtocols = {
//               num  ext       code  ack    snapCC  gsClient  QL     old    config strings                  score  awards  boards          message  state  backup  fields
    ProtocolInfo{43,  ".dm3",   P,    false, true,   false,    false, true,  &kConfigStringNumbers117,       6,     false,  {},             kMsg,    kGs,   kBk,    &kFieldTables117},
    ProtocolInfo{45,  ".dm3",   P,    false, true,   false,    false, true,  &kConfigStringNumbers117,       6,     false,  {},             kMsg,    kGs,   kBk,    &kFieldTables117},
    ProtocolInfo{46,  ".dm3",   P,    true,  false,  false,    false, true,  &kConfigStringNumbers127,       15,    false,  {},             kMsg,    kGs,   kBk,    &kFieldTables127},
    ProtocolInfo{47,  ".dm_48", P,    true,  false,  false,    false, false, &kConfigStringNumbers127,       14,    true,   {},             kMsg,    kGs,   kBk,    nullptr},
    ProtocolInfo{48,  ".dm_48", P,    true,  false,  false,    false, false, &kConfigStringNumbers127,       14,    true,   {},             kMsg,    kGs,   kBk,    &kFieldTables127},
    ProtocolInfo{66,  ".dm_66", H,    true,  false,  true,     false, false, &kConfigStringNumbers132,       14,    true,   {},             kMsg,    kGs,   kBk,    &kFieldTables132},
    ProtocolInfo{67,  ".dm_67", H,    true,  false,  true,     false, false, &kConfigStringNumbers132,       14,    true,   {},             kMsg,    kGs,   kBk,    &kFieldTables132},
    ProtocolInfo{68,  ".dm_68", H,    true,  false,  true,     false, false, &kConfigStringNumbers132,       14,    true,   {},             kMsg,    kGs,   kBk,    &kFieldTables132},
    ProtocolInfo{70,  ".dm_70", H,    true,  false,  true,     false, false, &kConfigStringNumbers132,       14,    true,   {},             kMsg,    kGs,   kBk,    &kFieldTables132},
    ProtocolInfo{71,  ".dm_71", H,    true,  false,  true,     false, false, &kConfigStringNumbers132,       14,    true,   {},             kMsg,    kGs,   kBk,    &kFieldTables132},
    ProtocolInfo{73,  ".dm_73", H,    true,  false,  true,     true,  false, &kConfigStringNumbersQuakeLive, 18,    true,   kScoreBoards90, kMsg,    kGsQl, kBk,    &kFieldTablesQuakeLive73},
    ProtocolInfo{90,  ".dm_90", H,    true,  false,  true,     true,  false, &kConfigStringNumbersQuakeLive, 18,    true,   kScoreBoards90, kMsg,    kGsQl, kBk,    &kFieldTablesQuakeLive90},
    ProtocolInfo{91,  ".dm_91", H,    true,  false,  true,     true,  false, &kConfigStringNumbersQuakeLive, 18,    true,   kScoreBoards91, kMsg,    kGsQl, kBk,    &kFieldTablesQuakeLive91},
};
// clang-format on

} // namespace

std::span<const ProtocolInfo> Protocols()
{
    return kProtocols;
}

const ProtocolInfo* FindProtocol(int number)
{
    for (const ProtocolInfo& row : kProtocols)
        if (row.number == number)
            return &row;
    return nullptr;
}

const ProtocolInfo& ProtocolRules(int number)
{
    const ProtocolInfo* found = &kProtocols.front();
    for (const ProtocolInfo& row : kProtocols) {
        if (row.number > number)
            break;
        if (row.number == number || !row.quakeLive)
            found = &row;
    }
    return *found;
}

const ProtocolFieldTables* FieldTablesFor(int protocol)
{
    const ProtocolInfo* row = FindProtocol(protocol);
    return row ? row->fields : nullptr;
}

bool IsQuakeLiveProtocol(int protocol)
{
    const ProtocolInfo* row = FindProtocol(protocol);
    return row && row->quakeLive;
}

bool IsPlainDecodedProtocol(int protocol)
{
    const ProtocolInfo* row = FindProtocol(protocol);
    return row && row->fields && row->coding == MessageCoding::Plain;
}

bool IsHuffmanDecodedProtocol(int protocol)
{
    const ProtocolInfo* row = FindProtocol(protocol);
    return row && row->fields && row->coding == MessageCoding::Huffman;
}

bool IsEngineProtocol(int protocol)
{
    return IsHuffmanDecodedProtocol(protocol) && !IsQuakeLiveProtocol(protocol);
}

bool IsModernDemoExtension(std::string_view lowerExtension)
{
    return std::any_of(kProtocols.begin(), kProtocols.end(), [&](const ProtocolInfo& row) {
        return row.coding == MessageCoding::Huffman && row.extension == lowerExtension;
    });
}

int DecodableProtocolOfExtension(std::string_view lowerExtension)
{
    int found = 0;
    for (const ProtocolInfo& row : kProtocols) {
        if (row.extension != lowerExtension || !row.fields)
            continue;
        if (found != 0)
            return 0;
        found = row.number;
    }
    return found;
}

bool IsSharedExtension(std::string_view lowerExtension)
{
    return std::count_if(kProtocols.begin(), kProtocols.end(),
                         [&](const ProtocolInfo& row) { return row.extension == lowerExtension; }) > 1;
}

int ProtocolFromInfo(std::string_view info)
{
    constexpr std::string_view kKey = "protocol\\";
    const size_t at = info.find(kKey);
    if (at == std::string_view::npos)
        return 0;
    std::string_view text = info.substr(at + kKey.size(), 2);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return 0;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : 0;
}

bool ProtocolColumnBelow(std::string_view column, int protocol)
{
    return column < std::string_view(std::to_string(protocol));
}

bool ProtocolColumnIs(std::string_view column, int protocol)
{
    return column == std::string_view(std::to_string(protocol));
}

} // namespace core
