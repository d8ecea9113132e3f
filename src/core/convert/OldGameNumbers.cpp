#include "core/convert/OldGameNumbers.h"

#include <charconv>
#include <vector>

namespace core {
namespace {

// A run of old numbers [first, last] that moves by `shift`.
struct Run {
    int first;
    int last;
    int shift;
};

template <size_t N> std::optional<int> Through(const Run (&runs)[N], int value)
{
    for (const Run& run : runs)
        if (value >= run.first && value <= run.last)
            return value + run.shift;
    return std::nullopt;
}

// clang-format off
constexpr Run kConfigStrings117[] = {
    {0,   11,  0},    // server and system info, music, message, MOTD, warm-up, scores, vote
    {12,  15,  8},    // game version, level start time, intermission, flag status
    {27,  607, 0},    // items, models, sounds, players 0 to 63
    {672, 735, -64},  // locations
    {736, 1023, 0},   // beyond the game's own: the mods' strings
};

constexpr Run kEvents117[] = {
    {0,  46, 0},      // EV_NONE ... EV_GLOBAL_SOUND
    {47, 50, 1},      // bullet and missile impacts, after 1.32's EV_GLOBAL_TEAM_SOUND
    {51, 62, 2},      // EV_RAILTRAIL ... EV_GIB_PLAYER, after 1.32's EV_MISSILE_MISS_METAL
    {63, 63, 11},     // EV_DEBUG_LINE
    {64, 64, 12},     // EV_TAUNT
};

constexpr Run kPersistant117[] = {
    {0,  4,  0},      // score, hits, rank, team, spawn count
    {7,  7,  -1},     // the last attacker
    {8,  10, 0},      // deaths, impressive and excellent awards
    {11, 11, 2},      // gauntlet awards
};

constexpr int kOldEventsEntityType = 12; // ET_EVENTS before 1.32's ET_TEAM was added
constexpr int kLastItem = 35;            // the blue flag: the old game's list ends there
constexpr int kLastWeapon = 10;          // the grappling hook
constexpr int kLastMeansOfDeath = 23;    // MOD_GRAPPLE
constexpr int kLastOldGameType = 4;      // capture the flag
constexpr int kLastGameType = 7;         // 1.32's harvester
// clang-format on

std::optional<int> InRange(int value, int last)
{
    return value >= 0 && value <= last ? std::optional<int>(value) : std::nullopt;
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        const size_t end = std::min(text.find(' ', at), text.size());
        if (end > at)
            words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

bool ParseInt(std::string_view word, int& value)
{
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

} // namespace

bool UsesOldGameTables(int protocol)
{
    return ProtocolRules(protocol).oldGameTables;
}

std::optional<int> ConfigStringIndexTo132(int protocol, int index)
{
    if (!UsesOldGameTables(protocol))
        return InRange(index, 1023);
    return Through(kConfigStrings117, index);
}

std::optional<int> EntityEventTo132(int protocol, int event)
{
    if (!UsesOldGameTables(protocol))
        return event;
    const std::optional<int> mapped = Through(kEvents117, event & ~kEventBits);
    if (!mapped)
        return std::nullopt;
    return *mapped | (event & kEventBits);
}

std::optional<int> EntityTypeTo132(int protocol, int type)
{
    if (!UsesOldGameTables(protocol))
        return type;
    if (type >= 0 && type < kOldEventsEntityType)
        return type;
    const std::optional<int> event = Through(kEvents117, type - kOldEventsEntityType);
    if (!event)
        return std::nullopt;
    return kEventsEntityType + *event;
}

std::optional<int> PersistantIndexTo132(int protocol, int index)
{
    if (!UsesOldGameTables(protocol))
        return index;
    return Through(kPersistant117, index);
}

std::optional<int> ItemTo132(int, int item)
{
    return InRange(item, kLastItem);
}

std::optional<int> WeaponTo132(int, int weapon)
{
    return InRange(weapon, kLastWeapon);
}

std::optional<int> MeansOfDeathTo132(int, int meansOfDeath)
{
    return InRange(meansOfDeath, kLastMeansOfDeath);
}

std::optional<int> GameTypeTo132(int protocol, int gameType)
{
    return InRange(gameType, UsesOldGameTables(protocol) ? kLastOldGameType : kLastGameType);
}

std::array<int32_t, 16> StatsToOpenArena(const std::array<int32_t, 16>& stats)
{
    constexpr size_t kPowerupStat = 2; // STAT_PERSISTANT_POWERUP there; 1.32's weapons move up
    std::array<int32_t, 16> out{};
    for (size_t i = 0; i < stats.size(); ++i)
        if (i < kPowerupStat || i + 1 < stats.size())
            out[i < kPowerupStat ? i : i + 1] = stats[i];
    return out;
}

int MeansOfDeathToOpenArena(int meansOfDeath)
{
    constexpr int kMissionPackMeansOfDeath = 5; // nail, chaingun, proximity mine, kamikaze, juiced
    return meansOfDeath == kLastMeansOfDeath ? meansOfDeath + kMissionPackMeansOfDeath : meansOfDeath;
}

std::string ScoresCommandTo132(int protocol, std::string_view command)
{
    const int oldFields = ProtocolRules(protocol).scoreEntryFields;
    constexpr int kNewFields = 14;
    if (oldFields == kNewFields)
        return std::string(command);
    const std::vector<std::string_view> words = Words(command);
    int entries = 0;
    if (words.size() < 4 || words[0] != "scores" || !ParseInt(words[1], entries) || entries < 0 ||
        words.size() < 4 + static_cast<size_t>(entries) * static_cast<size_t>(oldFields))
        return std::string(command);
    std::string out = "scores";
    for (size_t i = 1; i < 4; ++i)
        (out += ' ') += words[i];
    for (int entry = 0; entry < entries; ++entry) {
        const size_t first = 4 + static_cast<size_t>(entry) * static_cast<size_t>(oldFields);
        for (int field = 0; field < kNewFields; ++field) {
            out += ' ';
            out += field < oldFields ? words[first + static_cast<size_t>(field)] : std::string_view("0");
        }
    }
    return out;
}

std::string_view FirstWord(std::string_view command)
{
    return command.substr(0, std::min(command.find_first_of(" \t\r\n"), command.size()));
}

bool Is132ServerCommand(std::string_view command)
{
    const std::string_view word = FirstWord(command);
    // clang-format off
    static constexpr std::string_view kKnown[] = {
        "cs", "bcs0", "bcs1", "bcs2", "disconnect", "map_restart", "print", "cp", "chat", "tchat", "vchat",
        "vtchat", "vtell", "tinfo", "remapShader", "loaddefered", "clientLevelShot",
    };
    // clang-format on
    for (const std::string_view known : kKnown)
        if (word == known)
            return true;
    return word.find("scores") != std::string_view::npos;
}

std::string ScoresCommandToOpenArena(std::string_view command)
{
    constexpr size_t kFields = 14;
    const std::vector<std::string_view> words = Words(command);
    int entries = 0;
    if (words.size() < 4 || words[0] != "scores" || !ParseInt(words[1], entries) || entries < 0 ||
        words.size() < 4 + static_cast<size_t>(entries) * kFields)
        return std::string(command);
    std::string out = "scores";
    for (size_t i = 1; i < 4; ++i)
        (out += ' ') += words[i];
    out += " 0";
    for (size_t entry = 0; entry < static_cast<size_t>(entries); ++entry) {
        for (size_t field = 0; field < kFields; ++field)
            (out += ' ') += words[4 + entry * kFields + field];
        out += " 0";
    }
    return out;
}

std::string ServerInfoTo132(std::string_view info, int newProtocol)
{
    // Keys and values alternate after a leading backslash: "\key\value\key\value".
    std::string out;
    size_t at = info.starts_with('\\') ? 1 : 0;
    bool replaced = false;
    while (at <= info.size()) {
        const size_t keyEnd = std::min(info.find('\\', at), info.size());
        const std::string_view key = info.substr(at, keyEnd - at);
        const size_t valueStart = std::min(keyEnd + 1, info.size());
        const size_t valueEnd = std::min(info.find('\\', valueStart), info.size());
        if (key.empty() && keyEnd >= info.size())
            break;
        out += '\\';
        out += key;
        out += '\\';
        if (key == "protocol") {
            out += std::to_string(newProtocol);
            replaced = true;
        } else {
            out += info.substr(valueStart, valueEnd - valueStart);
        }
        at = valueEnd + 1;
    }
    if (!replaced)
        out += "\\protocol\\" + std::to_string(newProtocol);
    return out;
}

} // namespace core
