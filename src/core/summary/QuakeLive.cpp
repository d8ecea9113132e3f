#include "core/summary/QuakeLive.h"

#include <array>

#include "core/row/DemoInfo.h"
#include "core/summary/DemoReader.h"
#include "core/summary/PlayerTable.h"

namespace core {

namespace {

constexpr std::array<std::string_view, 13> kGameTypeNames = {
    "Free for All", "Duel",      "Race",       "Team Deathmatch", "Clan Arena",      "Capture the Flag", "One Flag CTF",
    "Overload",     "Harvester", "Freeze Tag", "Domination",      "Attack & Defend", "Red Rover",
};

// The game type number, or -1 for a text that is not one of Quake Live's.
int GameTypeNumber(std::string_view value)
{
    int32_t number = 0;
    if (value.empty() || value.front() == '+' || !ToInt32(value, number) || number < 0 ||
        number >= static_cast<int32_t>(kGameTypeNames.size()))
        return -1;
    return number;
}

class Tokens {
public:
    explicit Tokens(std::string_view command)
    {
        size_t start = 0;
        while (start <= command.size()) {
            const size_t blank = command.find(' ', start);
            const size_t end = blank == std::string_view::npos ? command.size() : blank;
            if (end > start)
                m_tokens.push_back(command.substr(start, end - start));
            if (blank == std::string_view::npos)
                break;
            start = blank + 1;
        }
    }
    int Count() const { return static_cast<int>(m_tokens.size()); }
    std::string_view Name() const { return m_tokens.empty() ? std::string_view() : m_tokens.front(); }
    bool Number(int at, int32_t& value) const
    {
        if (at < 0 || at >= Count())
            return false;
        std::string_view token = m_tokens[static_cast<size_t>(at)];
        while (!token.empty() && static_cast<unsigned char>(token.back()) < 33)
            token.remove_suffix(1);
        return ToInt32(token, value);
    }

private:
    std::vector<std::string_view> m_tokens;
};

bool ReadEntries(const Tokens& tokens, const ScoreBoardLayout& layout, ScoreBoard& board)
{
    int32_t count = 0;
    if (!tokens.Number(layout.countAt, count) || count < 0 || count > 64)
        return false;
    int stride = layout.stride;
    int scoreAt = layout.scoreAt;
    int firstAt = layout.firstAt;
    const int available = tokens.Count() - layout.firstAt;
    if (layout.name == "scores_ca" && available >= count * (stride + 1)) {
        // Later servers added one field (a subscriber flag) before the score.
        ++stride;
        ++scoreAt;
    }
    board.hasTeamScores = layout.redAt >= 0;
    if (layout.teamScoresOptional && tokens.Count() <= layout.redAt + count * stride) {
        board.hasTeamScores = false;
        firstAt = layout.redAt;
    }
    if (board.hasTeamScores &&
        (!tokens.Number(layout.redAt, board.red) || !tokens.Number(layout.redAt + 1, board.blue)))
        return false;
    if (tokens.Count() < firstAt + count * stride)
        return false;
    for (int i = 0; i < count; ++i) {
        const int at = firstAt + i * stride;
        ScoreBoard::Entry entry;
        if (!tokens.Number(at, entry.client) || !tokens.Number(at + scoreAt, entry.score))
            return false;
        if (layout.teamAt >= 0 && !tokens.Number(at + layout.teamAt, entry.team))
            return false;
        // Ping and time are shown, not ranked: a field that is not a number shows as 0.
        tokens.Number(at + scoreAt + layout.pingAfterScore, entry.ping);
        tokens.Number(at + scoreAt + layout.pingAfterScore + 1, entry.time);
        board.entries.push_back(entry);
    }
    return true;
}

} // namespace

std::string QuakeLiveGameTypeName(std::string_view value)
{
    const int number = GameTypeNumber(value);
    return number < 0 ? std::string(value) : std::string(kGameTypeNames[static_cast<size_t>(number)]);
}

bool IsQuakeLiveTeamGameType(std::string_view value)
{
    const int number = GameTypeNumber(value);
    // A value Quake Live does not know counts as a team game, as an absent one does in 1.32.
    return number < 0 || number >= 3;
}

bool IsQuakeLiveRace(std::string_view value)
{
    return GameTypeNumber(value) == 2;
}

bool IsQuakeLiveRedRover(std::string_view value)
{
    return GameTypeNumber(value) == 12;
}

std::string GameTypeNameOf(const DemoState& demo)
{
    const std::string value = InfoValueOf(demo, "g_gametype");
    if (IsQuakeLiveProtocol(demo.protocol))
        return QuakeLiveGameTypeName(value);
    // Servers of the mods put "com_gamename" before "gamename", which the key lookup finds first;
    // the mod's own name decides Challenge ProMode's game types.
    if (ModName(demo.infoString) == "cpma")
        return GameTypeName(value, "cpma");
    return GameTypeName(value, InfoValueOf(demo, "gamename"));
}

bool ParseQuakeLiveScores(std::string_view command, int protocol, ScoreBoard& board)
{
    board = ScoreBoard();
    const Tokens tokens(command);
    const std::string_view name = tokens.Name();
    if (name == "scores_ad" || name == "adscores") {
        // Attack & Defend reports the two team scores at the end of a fixed-size command.
        board.hasTeamScores = true;
        return tokens.Count() == 23 && tokens.Number(21, board.red) && tokens.Number(22, board.blue);
    }
    const ProtocolInfo* row = FindProtocol(protocol);
    if (!row)
        return false;
    for (const ScoreBoardLayout& layout : row->scoreBoards)
        if (layout.name == name)
            return ReadEntries(tokens, layout, board);
    return false;
}

} // namespace core
