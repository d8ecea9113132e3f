#include "core/summary/ModScores.h"

#include <algorithm>

#include "core/protocol/ProtocolTable.h"
#include "core/row/DemoInfo.h"
#include "core/summary/DemoReader.h"
#include "core/summary/DemoWalk.h"
#include "core/summary/PlayerTable.h"

namespace core {
namespace {

std::string PadRight(std::string text, size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

bool StartsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

Player* PlayerAt(DemoState& demo, int32_t client)
{
    if (client < 0 || static_cast<size_t>(client) >= demo.players.size())
        return nullptr;
    return &demo.players[static_cast<size_t>(client)];
}

// A leader's name as Quake Live writes it: the name, or the clan tag, a blank and the name.
bool IsPlaceOf(std::string_view place, const Player& player)
{
    if (player.name.empty() || place.size() < player.name.size())
        return false;
    if (place == player.name)
        return true;
    const size_t cut = place.size() - player.name.size();
    return place.substr(cut) == player.name && place[cut - 1] == ' ';
}

} // namespace

void ApplyScoreBoard(DemoState& demo, const ScoreBoard& board)
{
    if (demo.scoresFrozen)
        return;
    demo.scoresSeen = true;
    if (board.hasTeamScores) {
        SetTeamScore(demo.score1, board.red);
        SetTeamScore(demo.score2, board.blue);
    }
    demo.scoreEntries = static_cast<int>(std::min<size_t>(board.entries.size(), 64));
    for (size_t i = 0; i < board.entries.size(); ++i) {
        const ScoreBoard::Entry& e = board.entries[i];
        Player* p = PlayerAt(demo, e.client);
        if (!p)
            continue;
        p->time = e.time;
        if (e.team >= 0)
            p->team = e.team;
        if (p->team >= 3)
            continue;
        p->rankPosition = static_cast<int32_t>(i);
        p->score = ScoreOf(e.score);
    }
    if (demo.gameEnded)
        demo.scoresFrozen = true;
}

void WriteBoardTable(DemoState& demo, const ScoreBoard& board, const std::string& prefix)
{
    auto& log = demo.courseLog;
    log.emplace_back();
    log.push_back(prefix + " ^1SCORE   PING   TIME   NAME");
    for (const ScoreBoard::Entry& e : board.entries) {
        const Player* p = PlayerAt(demo, e.client);
        if (!p || p->name.empty())
            continue;
        const std::string score = p->team >= 3 ? "SPECT" : ScoreText(ScoreOf(e.score));
        log.push_back("         ^7" + PadRight(score, 8) + PadRight(std::to_string(e.ping), 7) +
                      PadRight(std::to_string(e.time), 7) + p->name);
    }
    if (IsTeamGame(demo))
        log.push_back(TeamScoreLine(demo));
    log.emplace_back();
}

RankedPlayers RankRace(const DemoState& demo)
{
    RankedPlayers ranked;
    if (!demo.scoresSeen)
        return ranked;
    std::vector<const Player*> finished;
    for (const Player& p : demo.players)
        if (!p.name.empty() && p.team < 3 && p.score > 0) // a score of 0 is no finished run
            finished.push_back(&p);
    // Times are milliseconds: the shortest wins; equal times keep the board's order.
    std::stable_sort(finished.begin(), finished.end(), [](const Player* a, const Player* b) {
        return a->score != b->score ? a->score < b->score : a->rankPosition < b->rankPosition;
    });
    if (finished.empty())
        return ranked;
    ranked.winner = StripColourCodes(finished[0]->name);
    std::string second = "0";
    if (finished.size() > 1) {
        ranked.second = StripColourCodes(finished[1]->name);
        second = std::to_string(*finished[1]->score);
    }
    ranked.finalScore = std::to_string(*finished[0]->score) + ":" + second;
    return ranked;
}

void ModScores::ServerInfo(std::string_view info, int protocol)
{
    m_protocol = protocol;
    if (IsQuakeLiveProtocol(protocol))
        m_mod = Mod::QuakeLive;
    else if (LowerCase(UserInfoValue(info, "gamename")) == "cpma")
        m_mod = Mod::Cpma;
    else
        m_mod = Mod::Game;
}

bool ModScores::ServerCommand(std::string_view command, DemoWalk& walk)
{
    const std::string_view name = GetTokenView(command, 0);
    if (m_mod == Mod::QuakeLive) {
        if (!StartsWith(name, "scores") && name != "rrscores" && name != "adscores")
            return false;
        ScoreBoard board;
        if (!ParseQuakeLiveScores(command, m_protocol, board)) {
            // The game's own "scores" of 1.32 never reaches here; an unknown board of a newer
            // game type is left to the configuration strings.
            if (name.find('_') == std::string_view::npos || name == "scores_duel" || name == "scores_tdm" ||
                name == "scores_ctf" || name == "scores_ca" || name == "scores_ft" || name == "scores_rr" ||
                name == "scores_ad")
                walk.AddCourseLine("^1SCORE PARSING ERROR");
            return true;
        }
        const bool frozen = m_demo.scoresFrozen;
        ApplyScoreBoard(m_demo, board);
        m_boardSeen = m_boardSeen || !board.entries.empty();
        if (!frozen && walk.CourseLogWished() && (!board.entries.empty() || board.hasTeamScores))
            WriteBoardTable(m_demo, board, walk.CoursePrefix());
        return true;
    }
    if (m_mod == Mod::Cpma) {
        if (name == "dmscores") {
            int32_t first = -1, second = -1;
            if (ToInt32(GetTokenView(command, 1), first) && ToInt32(GetTokenView(command, 2), second)) {
                m_firstClient = first;
                m_secondClient = second;
                const bool frozen = m_demo.scoresFrozen;
                CpmaPlaces(first, second);
                if (!frozen && walk.CourseLogWished() && m_demo.scoresSeen) {
                    ScoreBoard board;
                    for (int32_t client : {first, second})
                        if (const Player* p = PlayerAt(m_demo, client))
                            board.entries.push_back({client, -1, p->score.value_or(kNoScore), 0, p->time});
                    WriteBoardTable(m_demo, board, walk.CoursePrefix());
                }
            }
            return true;
        }
        if (name == "xscores") {
            // Per client: number, score, a packed text (ping and more), time, three counters.
            ScoreBoard board;
            int32_t count = 0;
            if (!ToInt32(GetTokenView(command, 1), count) || count < 0 || count > 64)
                return true;
            bool ok = true;
            for (int32_t i = 0; i < count && ok; ++i) {
                ScoreBoard::Entry e;
                const int at = 2 + static_cast<int>(i) * 7;
                ok = ToInt32(GetTokenView(command, at), e.client) && ToInt32(GetTokenView(command, at + 1), e.score);
                ToInt32(GetTokenView(command, at + 3), e.time);
                if (ok)
                    board.entries.push_back(e);
            }
            if (!ok) {
                walk.AddCourseLine("^1SCORE PARSING ERROR");
                return true;
            }
            const bool frozen = m_demo.scoresFrozen;
            ApplyScoreBoard(m_demo, board);
            if (!frozen && walk.CourseLogWished())
                WriteBoardTable(m_demo, board, walk.CoursePrefix());
            return true;
        }
        if (name == "duelendscores") {
            if (GetTokenView(command, 3) == "1")
                Forfeit(walk);
            return true;
        }
    }
    return false;
}

bool ModScores::ConfigString(int index, std::string_view value, DemoWalk& walk)
{
    if (m_mod == Mod::QuakeLive) {
        const ConfigStringNumbers& cs = *FindProtocol(m_protocol)->configStrings;
        if (index == cs.warmup)
            return true; // "\time\..." of the warm-up, not the plain number of 1.32
        int32_t score = 0;
        const int side = index - cs.firstTeamScore;
        if ((side == 0 || side == 1) && ToInt32(value, score) && score == kForfeitScore) {
            // The side that left keeps the score it had; the other side wins.
            m_demo.forfeitedSide = side;
            return true;
        }
        if (index == cs.firstPlace) {
            m_firstPlace.assign(value);
            return true;
        }
        if (index == cs.secondPlace) {
            m_secondPlace.assign(value);
            return true;
        }
        if (index == cs.timeoutStart || index == cs.timeoutEnd) {
            // The game writes the start (or the end) time of a running time-out, 0 otherwise.
            int32_t time = 0;
            if (ToInt32(value, time) && time != 0)
                walk.AddCourseLine(index == cs.timeoutStart ? "^3Time-out" : "^3Time-in");
            return true;
        }
        return false;
    }
    if (m_mod == Mod::Cpma && (index == kCpmaGameInfo || index == kCpmaGameInfoLater)) {
        CpmaGameInfo(value);
        return true;
    }
    return false;
}

void ModScores::CpmaGameInfo(std::string_view value)
{
    const std::string sb = UserInfoValue(value, "sb");
    const std::string sr = UserInfoValue(value, "sr");
    int32_t blue = 0, red = 0;
    // After the end the mod clears them for the next warm-up: the final ones stay.
    if (m_demo.gameEnded || !ToInt32(sb, blue) || !ToInt32(sr, red))
        return;
    m_cpmaBlue = blue;
    m_cpmaRed = red;
    if (IsTeamGame(m_demo)) {
        if (!m_demo.gameEnded && !m_demo.scoresFrozen) {
            SetTeamScore(m_demo.score1, red);
            SetTeamScore(m_demo.score2, blue);
        }
        return;
    }
    if (m_firstClient >= 0)
        CpmaPlaces(m_firstClient, m_secondClient);
}

void ModScores::CpmaPlaces(int32_t first, int32_t second)
{
    // In one-against-one games the leader's score stands under "sb", the runner-up's under "sr".
    if (m_demo.scoresFrozen || m_cpmaBlue == kNoScore)
        return;
    const std::pair<int32_t, int32_t> places[] = {{first, m_cpmaBlue}, {second, m_cpmaRed}};
    for (size_t i = 0; i < 2; ++i) {
        Player* p = PlayerAt(m_demo, places[i].first);
        // An empty place has the no-score value: nobody to give it to.
        if (!p || p->team >= 3 || ShowsNoScore(places[i].second))
            continue;
        p->score = places[i].second;
        p->rankPosition = static_cast<int32_t>(i);
        m_demo.scoresSeen = true;
    }
    if (m_demo.gameEnded && m_demo.scoresSeen)
        m_demo.scoresFrozen = true;
}

void ModScores::Chat(std::string_view text, DemoWalk& walk)
{
    if (LowerCase(text).find("forfeit") != std::string::npos)
        Forfeit(walk);
}

void ModScores::Forfeit(DemoWalk& walk)
{
    if (m_demo.gameEnded) {
        walk.AddCourseLine("^1forfeit");
        return;
    }
    walk.AddCourseLine("^1*** GAME END *** (forfeit)");
    m_demo.gameEnded = true;
}

void ModScores::MarkForfeit()
{
    // Without teams the side is a place: the leader's or the runner-up's, by the names the game
    // keeps for them (set again after the marker, so read at the end).
    if (m_demo.forfeitedSide < 0 || IsTeamGame(m_demo))
        return;
    const std::string& place = m_demo.forfeitedSide == 0 ? m_firstPlace : m_secondPlace;
    for (Player& p : m_demo.players)
        p.forfeited = !place.empty() && IsPlaceOf(place, p);
}

void ModScores::Restart(DemoWalk& walk)
{
    MarkForfeit();
    if (m_demo.gameEnded && m_demo.scoresSeen)
        m_lastComplete = Result{m_demo.score1,       m_demo.score2,        m_demo.scoresSeen,
                                m_demo.scoreEntries, m_demo.forfeitedSide, m_demo.players};
    if (m_demo.gameEnded)
        walk.AddCourseLine("^3Match restarted");
    m_demo.gameEnded = false;
    m_awaitLevelStart = true;
    m_demo.scoresFrozen = false;
    m_demo.scoresSeen = false;
    m_demo.score1 = 0;
    m_demo.score2 = 0;
    m_demo.forfeitedSide = -1;
    for (Player& p : m_demo.players) {
        p.score.reset();
        p.rankPosition = 9999;
        p.forfeited = false;
    }
    m_boardSeen = false;
    m_firstClient = m_secondClient = -1;
    m_cpmaBlue = m_cpmaRed = kNoScore;
}

void ModScores::PlaceFallback()
{
    // Quake Live keeps the leaders' names and scores in configuration strings in every game type
    // without teams; they stand in for a board the walk could not read.
    if (!m_demo.score1 || !m_demo.score2)
        return;
    const int32_t scores[2] = {*m_demo.score1, *m_demo.score2};
    const std::string* places[2] = {&m_firstPlace, &m_secondPlace};
    for (int i = 0; i < 2; ++i) {
        if (places[i]->empty() || *places[i] == "none")
            continue;
        for (Player& p : m_demo.players) {
            if (p.team >= 3 || !IsPlaceOf(*places[i], p))
                continue;
            p.score = scores[i];
            p.rankPosition = i;
            m_demo.scoresSeen = true;
            break;
        }
    }
}

void ModScores::Finish()
{
    if (m_mod == Mod::QuakeLive && !m_boardSeen && !IsTeamGame(m_demo))
        PlaceFallback();
    MarkForfeit();
    if (!m_demo.gameEnded && m_lastComplete) {
        m_demo.score1 = m_lastComplete->score1;
        m_demo.score2 = m_lastComplete->score2;
        m_demo.forfeitedSide = m_lastComplete->forfeitedSide;
        m_demo.scoresSeen = m_lastComplete->scoresSeen;
        m_demo.scoreEntries = m_lastComplete->scoreEntries;
        m_demo.players = std::move(m_lastComplete->players);
        m_lastComplete.reset();
    }
}

} // namespace core
