#include "core/summary/PlayerTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "core/row/DemoInfo.h"
#include "core/summary/ModScores.h"
#include "core/summary/QuakeLive.h"

namespace core {

namespace {

// Numbers in userinfo texts may carry leading blanks (bots write "skill\ 2.00"); they are read
// past as the game's own number conversion does.
std::string_view SkipLeadingBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

} // namespace

bool ToInt32(std::string_view text, int32_t& value)
{
    text = SkipLeadingBlanks(text);
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    if (first == last)
        return false;
    int32_t parsed = 0;
    auto [end, ec] = std::from_chars(first, last, parsed);
    if (ec != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

std::string UserInfoValue(std::string_view userinfo, std::string_view key)
{
    std::string wrapped;
    wrapped.reserve(userinfo.size() + 2);
    wrapped += '\\';
    wrapped += userinfo;
    wrapped += '\\';
    std::string wantedKey;
    wantedKey.reserve(key.size() + 2);
    wantedKey += '\\';
    wantedKey += key;
    wantedKey += '\\';
    const size_t at = wrapped.find(wantedKey);
    if (at == std::string::npos)
        return {};
    const size_t start = at + wantedKey.size();
    const size_t end = wrapped.find('\\', start);
    return wrapped.substr(start, end - start);
}

namespace {

// A score report split once into its blank-separated fields; ScoreField indexes into it.
class ScoreFields {
public:
    explicit ScoreFields(std::string_view report)
    {
        size_t start = 0;
        for (;;) {
            const size_t blank = report.find(' ', start);
            if (blank == std::string_view::npos) {
                m_fields.push_back(report.substr(start));
                break;
            }
            m_fields.push_back(report.substr(start, blank - start));
            start = blank + 1;
        }
    }

    int32_t operator()(int n) const
    {
        if (n < 1)
            n = 1;
        const size_t index = std::min(static_cast<size_t>(n), m_fields.size()) - 1;
        int32_t value = 0;
        return ToInt32(m_fields[index], value) ? value : kNoScore;
    }

private:
    std::vector<std::string_view> m_fields;
};

constexpr int kMaxScoreEntries = 64;

bool EntryCount(std::string_view report, int& entries)
{
    int32_t value = 0;
    if (!ToInt32(GetTokenView(report, 0), value))
        return false;
    entries = std::min<int32_t>(value, kMaxScoreEntries);
    return true;
}

std::string PadRight(std::string text, size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

} // namespace

void SetTeamScore(Score& score, int32_t value)
{
    // A side without a score (or one that left) keeps the score it had.
    if (!ShowsNoScore(value))
        score = value;
}

void SetTeamScore(Score& score, std::string_view value)
{
    int32_t number = 0;
    if (!ToInt32(value, number))
        score.reset();
    else
        SetTeamScore(score, number);
}

std::string TeamScoreLine(const DemoState& demo)
{
    return "         ^1TEAMSCORE ^1" + ScoreText(demo.score1) + "^7:" + "^4" + ScoreText(demo.score2);
}

int32_t ScoreField(std::string_view report, int n)
{
    return ScoreFields(report)(n);
}

bool UpdatePlayer(DemoState& demo, int client, std::string_view userinfo)
{
    if (demo.scoresFrozen)
        return true;
    if (client < 0)
        return false;
    if (static_cast<size_t>(client) >= demo.players.size())
        demo.players.resize(static_cast<size_t>(client) + 1);
    Player& p = demo.players[static_cast<size_t>(client)];
    bool ok = true;

    p.name = UserInfoValue(userinfo, "n");
    const std::pair<const char*, int32_t*> numbers[] = {
        {"t", &p.team}, {"hc", &p.handicap}, {"w", &p.wins}, {"l", &p.losses}};
    for (const auto& [key, field] : numbers) {
        const std::string value = UserInfoValue(userinfo, key);
        if (value.empty())
            *field = kAbsentNumber;
        else if (!ToInt32(value, *field))
            ok = false;
    }

    const std::string skillText = UserInfoValue(userinfo, "skill");
    const std::string_view skill = SkipLeadingBlanks(skillText);
    p.skill = kAbsentSkill;
    if (!skillText.empty()) {
        // Locale-independent on purpose: bots write "3.000000" whatever the user's locale says.
        double value = 0;
        auto [end, ec] = std::from_chars(skill.data(), skill.data() + skill.size(), value);
        if (!skill.empty() && ec == std::errc() && end == skill.data() + skill.size() && std::isfinite(value))
            p.skill = value;
        else
            ok = false;
    }

    p.model = UserInfoValue(userinfo, "model");
    p.headModel = UserInfoValue(userinfo, "hmodel");
    p.leader = UserInfoValue(userinfo, "tl") == "1";
    p.clanTag = UserInfoValue(userinfo, "cn");
    p.steamId = UserInfoValue(userinfo, "st");
    return ok;
}

bool ParseScores(DemoState& demo, std::string_view report)
{
    if (demo.scoresFrozen)
        return true;
    int entries = 0;
    if (!EntryCount(report, entries))
        return false;
    SetTeamScore(demo.score1, GetTokenView(report, 1));
    SetTeamScore(demo.score2, GetTokenView(report, 2));
    demo.scoreEntries = std::max(entries, 0);

    const ScoreFields field(report);
    const int f = demo.fieldsPerScoreEntry;
    for (int b = 0; b < entries; ++b) {
        int32_t c = field(b * f + 4);
        if (c < 0 || c > kMaxScoreEntries)
            c = 0;
        if (static_cast<size_t>(c) >= demo.players.size())
            continue;
        Player& p = demo.players[static_cast<size_t>(c)];
        p.time = field(b * f + 7);
        if (p.team >= 3)
            continue;
        p.rankPosition = b;
        p.score = ScoreOf(field(b * f + 5));
        if (ProtocolRules(demo.protocol).scoreAwards) {
            int32_t* awards[] = {&p.accuracy, &p.impressive, &p.excellent, &p.gauntlet,
                                 &p.defend,   &p.assist,     &p.perfect,   &p.captures};
            for (int k = 0; k < 8; ++k)
                *awards[k] = field(b * f + 10 + k);
        }
    }
    if (demo.gameEnded)
        demo.scoresFrozen = true;
    return true;
}

void WriteScoreTable(DemoState& demo, std::string_view report, int64_t currentMs, int64_t demoStartMs,
                     int64_t levelStartMs)
{
    int entries = 0;
    if (!EntryCount(report, entries))
        return;
    auto& log = demo.courseLog;
    log.emplace_back();
    const std::string header = " ^1SCORE   PING   TIME   NAME";
    if (!demo.gameStarted || demo.gameEnded)
        log.push_back("^4" + CourseTimeText(currentMs - demoStartMs) + header);
    else
        log.push_back("^2" + CourseTimeText(currentMs - levelStartMs) + header);

    const ScoreFields field(report);
    const int f = demo.fieldsPerScoreEntry;
    for (int c = 0; c < entries; ++c) {
        const int32_t i = field(c * f + 4);
        if (i < 0 || static_cast<size_t>(i) >= demo.players.size())
            continue;
        const Player& p = demo.players[static_cast<size_t>(i)];
        if (p.name.empty())
            continue;
        const std::string score = p.team >= 3 ? "SPECT" : ScoreText(ScoreOf(field(c * f + 5)));
        log.push_back("         ^7" + PadRight(score, 8) + PadRight(std::to_string(field(c * f + 6)), 7) +
                      PadRight(std::to_string(field(c * f + 7)), 7) + p.name);
    }
    if (IsTeamGame(demo))
        log.push_back(TeamScoreLine(demo));
    log.emplace_back();
}

void SortPlayers(DemoState& demo)
{
    std::stable_sort(demo.players.begin(), demo.players.end(), [](const Player& a, const Player& b) {
        // Players without a score come after every score.
        if (a.score != b.score)
            return a.score > b.score;
        if (a.rankPosition != b.rankPosition)
            return a.rankPosition < b.rankPosition;
        return a.skill < b.skill;
    });
}

bool IsTeamGame(const DemoState& demo)
{
    // Quake Live numbers its game types past 9, where comparing texts would go wrong.
    if (IsQuakeLiveProtocol(demo.protocol))
        return IsQuakeLiveTeamGameType(demo.gameType);
    return demo.gameType > std::string_view("2");
}

std::string TeamOneName(const DemoState& demo)
{
    return IsTeamGame(demo) ? "Red team" : "1st ranked player";
}
std::string TeamTwoName(const DemoState& demo)
{
    return IsTeamGame(demo) ? "Blue team" : "2nd ranked player";
}

namespace {

RankedPlayers RankTeams(const DemoState& demo)
{
    RankedPlayers ranked;
    std::string red = InfoValueOf(demo, "g_redteam");
    if (red == "N/A")
        red = "Red Team";
    std::string blue = InfoValueOf(demo, "g_blueteam");
    if (blue == "N/A")
        blue = "Blue Team";
    if (!demo.score1 || !demo.score2)
        return ranked;
    const std::string score1 = std::to_string(*demo.score1), score2 = std::to_string(*demo.score2);
    // The side that stayed in a forfeited match wins whatever the scores said.
    const bool redWins = demo.forfeitedSide >= 0 ? demo.forfeitedSide == 1 : *demo.score2 < *demo.score1;
    if (redWins)
        return {red, blue, score1 + ":" + score2};
    return {blue, red, score2 + ":" + score1};
}

RankedPlayers RankPlayers(const DemoState& demo)
{
    RankedPlayers ranked;
    if (!demo.scoresSeen)
        return ranked;
    // Players without a score (never on a board, or marked so) are not ranked; a player who left
    // a forfeited match keeps his score but ranks after those who stayed.
    std::vector<const Player*> ranks;
    for (const bool forfeited : {false, true})
        for (const Player& p : demo.players)
            if (!p.name.empty() && (p.team < 3 || p.forfeited) && p.forfeited == forfeited && p.score)
                ranks.push_back(&p);
    if (ranks.empty())
        return ranked;
    ranked.winner = StripColourCodes(ranks[0]->name);
    std::string secondScore = "0";
    if (ranks.size() > 1) {
        ranked.second = StripColourCodes(ranks[1]->name);
        secondScore = std::to_string(*ranks[1]->score);
    }
    ranked.finalScore = std::to_string(*ranks[0]->score) + ":" + secondScore;
    return ranked;
}

} // namespace

RankedPlayers GetRankedPlayers(const DemoState& demo)
{
    // "N/A" compares above "2" and would make every demo without server information a team game
    // that "Blue Team" wins 0:0; without a game type there is nobody to rank.
    if (demo.gameType == "N/A")
        return {};
    if (IsQuakeLiveProtocol(demo.protocol)) {
        if (IsQuakeLiveRace(demo.gameType))
            return RankRace(demo);
        // Red Rover moves players between the teams every round; the game ranks the players.
        if (IsQuakeLiveRedRover(demo.gameType))
            return RankPlayers(demo);
    }
    return IsTeamGame(demo) ? RankTeams(demo) : RankPlayers(demo);
}

} // namespace core
