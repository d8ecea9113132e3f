#include "core/events/EventCollector.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/protocol/ProtocolTable.h"
#include "core/row/DemoInfo.h"

namespace core {

namespace {

// Entity events carry two toggle bits above the event number, so that the same event twice in a
// row still differs.
constexpr int kEventBits = 0x300;
// More events than this from one demo means damaged data rather than a match.
constexpr size_t kMaxEvents = 200000;
constexpr int kCpmaGameInfoIndex = kCpmaGameInfo;
constexpr int kFirstTeamScoreIndex = kConfigStringNumbers132.firstTeamScore; // the same in every family
// One capture is told several ways within a moment: the announcement, the team sound, the score.
constexpr int64_t kCaptureMomentMs = 1000;
// The team sound's values for "red captured" and "blue captured".
constexpr int kRedCaptureSound = 0;
constexpr int kBlueCaptureSound = 1;

bool ParseInt(std::string_view text, int& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end != text.data();
}

// The command's first word and, after it, the text between the first and the last double quote
// (or the rest of the line when it has none).
std::string_view CommandWord(std::string_view command)
{
    const size_t end = command.find_first_of(" \n");
    return command.substr(0, end);
}

std::string_view QuotedText(std::string_view command)
{
    const size_t open = command.find('"');
    if (open == std::string_view::npos) {
        const size_t space = command.find(' ');
        if (space == std::string_view::npos)
            return {};
        std::string_view rest = command.substr(space + 1);
        while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r'))
            rest.remove_suffix(1);
        return rest;
    }
    const size_t close = command.rfind('"');
    if (close <= open)
        return command.substr(open + 1);
    return command.substr(open + 1, close - open - 1);
}

// "cs 544 \"...\"": the index and the quoted text.
bool IndexAndText(std::string_view command, int& index, std::string_view& text)
{
    const size_t space = command.find(' ');
    if (space == std::string_view::npos || !ParseInt(command.substr(space + 1), index))
        return false;
    text = QuotedText(command.substr(space + 1));
    return true;
}

// Removes the colour codes the games put behind names ("^7", Quake Live's "^3").
std::string_view WithoutTrailingColour(std::string_view name)
{
    while (name.size() >= 2 && name[name.size() - 2] == '^')
        name.remove_suffix(2);
    return name;
}

int OtherTeam(int team)
{
    return team == kTeamRed ? kTeamBlue : kTeamRed;
}

int TeamWord(std::string_view word)
{
    if (word == "RED" || word == "Red" || word == "red")
        return kTeamRed;
    if (word == "BLUE" || word == "Blue" || word == "blue")
        return kTeamBlue;
    return -1;
}

bool IsSet(std::string_view value)
{
    return !value.empty() && value != "0";
}

} // namespace

std::string_view InfoPair(std::string_view info, std::string_view key)
{
    if (!info.empty() && info.front() == '\\')
        info.remove_prefix(1);
    while (!info.empty()) {
        const size_t keyEnd = info.find('\\');
        if (keyEnd == std::string_view::npos)
            return {};
        const std::string_view k = info.substr(0, keyEnd);
        info.remove_prefix(keyEnd + 1);
        const size_t valueEnd = info.find('\\');
        const std::string_view value = info.substr(0, valueEnd);
        if (k == key)
            return value;
        if (valueEnd == std::string_view::npos)
            return {};
        info.remove_prefix(valueEnd + 1);
    }
    return {};
}

EventCollector::EventCollector(int protocol)
    : m_tables(&EventTablesFor(protocol, false)), m_protocol(protocol),
      m_players(static_cast<size_t>(m_tables->playerCount))
{
}

void EventCollector::GameState()
{
    m_cpmaStart.clear();
    m_sequenceKnown = false;
    m_gamePhase.clear();
    m_bigConfigString.clear();
    // A new game state describes everybody afresh; who was there before is known by name only.
    for (PlayerSlot& slot : m_players)
        slot = PlayerSlot{};
    m_warmup.clear();
    m_levelStart.clear();
    m_intermission.clear();
    m_roundTime.clear();
    m_roundStatus.clear();
    m_previousEvents.clear();
    m_teamScoresKnown[0] = m_teamScoresKnown[1] = false;
}

void EventCollector::GameStateConfigString(int index, std::string_view text)
{
    if (index == 0) {
        // The server information says which game code runs: the mission pack's and OpenArena's
        // number their means of death differently from the original game's.
        const std::string_view game = InfoPair(text, "gamename");
        const bool missionPack = game == "missionpack" || game == "baseoa";
        m_missionPack = missionPack;
        m_tables = &EventTablesFor(m_protocol, missionPack);
        m_cpma = game == "cpma";
    }
    ConfigStringChanged(index, text, true);
}

void EventCollector::ServerCommand(int32_t sequence, std::string_view command)
{
    if (m_sequenceKnown && sequence <= m_commandSequence)
        return;
    m_sequenceKnown = true;
    m_commandSequence = sequence;
    const std::string_view word = CommandWord(command);
    int index = 0;
    std::string_view text;
    if (word == "cs") {
        if (IndexAndText(command, index, text))
            ConfigStringChanged(index, text, false);
    } else if (word == "bcs0") {
        if (IndexAndText(command, index, text))
            m_bigConfigString.assign(text.substr(0, kMaxBigConfigStringBytes));
    } else if (word == "bcs1") {
        if (IndexAndText(command, index, text) && m_bigConfigString.size() < kMaxBigConfigStringBytes)
            m_bigConfigString.append(text.substr(0, kMaxBigConfigStringBytes - m_bigConfigString.size()));
    } else if (word == "bcs2") {
        if (IndexAndText(command, index, text)) {
            if (m_bigConfigString.size() < kMaxBigConfigStringBytes)
                m_bigConfigString.append(text.substr(0, kMaxBigConfigStringBytes - m_bigConfigString.size()));
            ConfigStringChanged(index, m_bigConfigString, false);
            m_bigConfigString.clear();
        }
    } else if (word == "chat") {
        Chat(QuotedText(command), false);
    } else if (word == "tchat") {
        Chat(QuotedText(command), true);
    } else if (word == "print") {
        Print(QuotedText(command));
    } else if (word == "cp") {
        CentrePrint(QuotedText(command));
    }
}

void EventCollector::ConfigStringChanged(int index, std::string_view text, bool fromGameState)
{
    const EventTables& t = *m_tables;
    if (index == 0) {
        ServerInfo(text, fromGameState);
    } else if (index >= t.firstPlayerIndex && index < t.firstPlayerIndex + t.playerCount) {
        PlayerChanged(index - t.firstPlayerIndex, text, fromGameState);
    } else if (index == kFirstTeamScoreIndex || index == kFirstTeamScoreIndex + 1) {
        TeamScore(index - kFirstTeamScoreIndex, text, fromGameState);
    } else if (index == t.warmupIndex) {
        m_warmup.assign(text);
    } else if (index == t.levelStartIndex) {
        // The game sets the level's start time when the match (re)starts after the warm-up.
        if (!fromGameState && text != m_levelStart && IsSet(text))
            GameStarts();
        m_levelStart.assign(text);
        int start = 0;
        if (ParseInt(text, start) && start > 0)
            m_levelStartTime = start;
    } else if (index == t.intermissionIndex) {
        if (!fromGameState && IsSet(text) && !IsSet(m_intermission))
            Add(EventKind::GameEnd);
        m_intermission.assign(text);
    } else if (index == t.roundTimeIndex) {
        int value = -1;
        const bool running = ParseInt(text, value) && value > 0;
        int previous = -1;
        const bool wasRunning = ParseInt(m_roundTime, previous) && previous > 0;
        if (!fromGameState && running && !wasRunning)
            Add(EventKind::RoundStart).text.assign(InfoPair(m_roundStatus, "round"));
        else if (!fromGameState && !running && wasRunning)
            Add(EventKind::RoundEnd).text.assign(InfoPair(m_roundStatus, "round"));
        m_roundTime.assign(text);
    } else if (index == t.roundStatusIndex) {
        m_roundStatus.assign(text);
    } else if (m_cpma && index == kCpmaGameInfoIndex) {
        // Challenge ProMode keeps its match phase in a string of its own: the warm-up's end time
        // ("tw", 0 once it is over) and the match's start time ("ts").
        const std::string_view start = InfoPair(text, "ts");
        m_warmup.assign(InfoPair(text, "tw"));
        if (!fromGameState && IsSet(start) && start != m_cpmaStart && !IsSet(m_warmup))
            GameStarts();
        m_cpmaStart.assign(start);
    }
}

void EventCollector::ServerInfo(std::string_view info, bool fromGameState)
{
    // Capture the flag counts captures in the team scores; the mission pack's one-flag game too.
    const std::string_view type = InfoPair(info, "g_gametype");
    if (IsQuakeLiveProtocol(m_protocol)) {
        m_scoresAreCaptures = type == "5" || type == "6";
        m_oneFlag = type == "6";
    } else {
        m_scoresAreCaptures = type == "4" || (m_missionPack && type == "5");
        m_oneFlag = m_missionPack && type == "5";
    }
    const std::string_view phase = InfoPair(info, "g_gameState");
    if (phase == m_gamePhase)
        return;
    m_gamePhase.assign(phase);
    if (!fromGameState && phase == "IN_PROGRESS")
        GameStarts();
}

void EventCollector::GameStarts()
{
    m_warmup.clear();
    // Quake Live says it twice (its phase and the level's start time) in one breath.
    if (m_lastGameStart != SIZE_MAX && m_lastGameStart >= m_untimed)
        return;
    m_lastGameStart = m_events.size();
    Add(EventKind::GameStart);
}

void EventCollector::PlayerChanged(int client, std::string_view info, bool fromGameState)
{
    PlayerSlot& slot = m_players[static_cast<size_t>(client)];
    const bool was = !slot.info.empty();
    const bool is = !info.empty();
    const int oldTeam = slot.team;
    const std::string oldName = slot.name;
    slot.info.assign(info);
    slot.name.assign(InfoPair(info, "n"));
    int team = -1;
    slot.team = is && ParseInt(InfoPair(info, "t"), team) ? team : -1;
    if (fromGameState)
        return;
    if (!was && is) {
        Add(EventKind::PlayerJoined, client).team = slot.team;
    } else if (was && !is) {
        DemoEvent& left = Add(EventKind::PlayerLeft);
        left.player = client;
        left.playerName = oldName;
        left.playerTeam = oldTeam;
    } else if (was && is && oldTeam != slot.team) {
        DemoEvent& change = Add(EventKind::TeamChange, client);
        change.team = slot.team;
        change.playerTeam = oldTeam;
    }
}

void EventCollector::Snapshot(int32_t serverTime, std::span<const EventEntity> entities)
{
    const int64_t demoTime = m_clock.Advance(serverTime);

    m_currentEvents.clear();
    for (const EventEntity& entity : entities) {
        if (entity.type <= m_tables->eventEntityType)
            continue;
        const SeenEvent seen{entity.number,    entity.type,           entity.event,
                             entity.eventParm, entity.otherEntityNum, entity.otherEntityNum2};
        m_currentEvents.push_back(seen);
        // A free-standing event stays in the snapshots for a while; it happened when it first
        // showed up (or when its entity came back as another event).
        const bool seenBefore =
            std::find(m_previousEvents.begin(), m_previousEvents.end(), seen) != m_previousEvents.end();
        if (!seenBefore)
            EntityEvent(entity);
    }
    std::swap(m_previousEvents, m_currentEvents);

    for (size_t i = m_untimed; i < m_events.size(); ++i) {
        m_events[i].serverTime = serverTime;
        m_events[i].demoTime = demoTime;
    }
    m_untimed = m_events.size();
}

void EventCollector::Places(std::span<const PlayerPlaceSeen> places)
{
    m_places.resize(static_cast<size_t>(m_tables->playerCount));
    for (PlaceTrack& track : m_places)
        track.now.reset();
    for (const PlayerPlaceSeen& seen : places) {
        if (seen.client < 0 || seen.client >= m_tables->playerCount)
            continue;
        PlaceTrack& track = m_places[static_cast<size_t>(seen.client)];
        const auto whole = [](float v) {
            return static_cast<int32_t>(std::clamp(std::lround(v), -2147483647L, 2147483647L));
        };
        EventPlace place{whole(seen.x), whole(seen.y), whole(seen.z), seen.onGround, false};
        if (seen.onGround)
            track.groundZ = place.z;
        else
            place.airborne = track.groundZ && place.z >= *track.groundZ + kAirborneHeight;
        track.now = place;
    }
}

std::optional<EventPlace> EventCollector::PlaceOf(int client) const
{
    if (client < 0 || static_cast<size_t>(client) >= m_places.size())
        return std::nullopt;
    return m_places[static_cast<size_t>(client)].now;
}

void EventCollector::EntityEvent(const EventEntity& entity)
{
    const int event = (entity.type - m_tables->eventEntityType) & ~kEventBits;
    if (event == m_tables->obituaryEvent)
        Obituary(entity);
    else if (event == m_tables->teamSoundEvent)
        TeamSound(entity);
}

void EventCollector::TeamSound(const EventEntity& entity)
{
    if (entity.eventParm != kRedCaptureSound && entity.eventParm != kBlueCaptureSound)
        return;
    int team = entity.eventParm == kRedCaptureSound ? kTeamRed : kTeamBlue;
    int client = -1;
    if (m_cpma) {
        // Challenge ProMode names the flag that was captured instead, and the player who did it.
        team = OtherTeam(team);
        const int carrier = entity.generic1;
        if (carrier >= 0 && carrier < m_tables->playerCount && !m_players[static_cast<size_t>(carrier)].info.empty())
            client = carrier;
    }
    Captured(FlagCapturedBy(team), client, {});
}

void EventCollector::TeamScore(int which, std::string_view text, bool fromGameState)
{
    int score = 0;
    if (!ParseInt(text, score))
        return;
    const bool counted = m_teamScoresKnown[which] && score == m_teamScores[which] + 1;
    m_teamScores[which] = score;
    m_teamScoresKnown[which] = true;
    if (!fromGameState && counted && m_scoresAreCaptures)
        Captured(FlagCapturedBy(which == 0 ? kTeamRed : kTeamBlue), -1, {});
}

int EventCollector::FlagCapturedBy(int team) const
{
    return m_oneFlag ? kTeamFree : OtherTeam(team);
}

void EventCollector::Captured(int flag, int client, std::string_view name)
{
    const int64_t now = m_clock.Now();
    for (size_t i = m_events.size(); i-- > 0;) {
        DemoEvent& e = m_events[i];
        if (i < m_untimed && now - e.demoTime > kCaptureMomentMs)
            break;
        if (e.kind != EventKind::FlagCaptured || e.team != flag)
            continue;
        // The same capture told again: the first way that names the player gives him.
        if (e.player < 0 && client >= 0) {
            e.player = client;
            FillPlayer(e);
        } else if (e.player < 0 && e.playerName.empty()) {
            e.playerName.assign(name);
        }
        return;
    }
    DemoEvent& e = Add(EventKind::FlagCaptured, client);
    e.team = flag;
    if (client < 0)
        e.playerName.assign(name);
}

// The player a server message names: by his name, or his name behind a clan tag (Quake Live
// writes "tag name" and "tag^7 name"); colour codes behind the name do not count. The longest
// name that fits wins.
int EventCollector::ClientNamed(std::string_view shown) const
{
    shown = WithoutTrailingColour(shown);
    int best = -1;
    size_t bestLength = 0;
    for (size_t i = 0; i < m_players.size(); ++i) {
        if (m_players[i].info.empty())
            continue;
        const std::string_view name = WithoutTrailingColour(m_players[i].name);
        if (name.empty() || name.size() < bestLength || (name.size() == bestLength && best >= 0))
            continue;
        const bool fits = shown == name || (shown.size() > name.size() && shown.ends_with(name) &&
                                            shown[shown.size() - name.size() - 1] == ' ');
        if (fits) {
            best = static_cast<int>(i);
            bestLength = name.size();
        }
    }
    return best;
}

// Captures as the games announce them where the announcement does not read "X captured the
// BLUE flag!": Quake Live's "^1RED TEAM^3 CAPTURED the flag!^7 (tag name captured in 0:14.003)"
// and Challenge ProMode's centre print "^1RED^7 scores: Capture".
bool EventCollector::CaptureAnnounced(std::string_view text)
{
    const std::string plain = StripColourCodes(text);
    const size_t teamCaptured = plain.find(" TEAM CAPTURED the flag!");
    if (teamCaptured != std::string::npos) {
        const int team = TeamWord(std::string_view(plain).substr(0, teamCaptured));
        if (team < 0)
            return false;
        std::string_view name;
        const size_t open = text.find('(', text.find("CAPTURED the flag!"));
        const size_t close = text.rfind(" captured in ");
        if (open != std::string_view::npos && close != std::string_view::npos && close > open)
            name = text.substr(open + 1, close - open - 1);
        const int client = ClientNamed(name);
        Captured(FlagCapturedBy(team), client, WithoutTrailingColour(name));
        return true;
    }
    constexpr std::string_view kScores = " scores: Capture";
    if (plain.ends_with(kScores)) {
        const int team = TeamWord(std::string_view(plain).substr(0, plain.size() - kScores.size()));
        if (team < 0)
            return false;
        Captured(FlagCapturedBy(team), -1, {});
        return true;
    }
    return false;
}

void EventCollector::CentrePrint(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    CaptureAnnounced(text);
}

void EventCollector::Obituary(const EventEntity& entity)
{
    const int victim = entity.otherEntityNum;
    const int attacker = entity.otherEntityNum2;
    if (victim < 0 || victim >= m_tables->playerCount)
        return;
    const bool byPlayer = attacker >= 0 && attacker < m_tables->playerCount && attacker != victim;
    DemoEvent& e = Add(byPlayer ? EventKind::Frag : EventKind::Suicide, byPlayer ? attacker : -1);
    e.other = victim;
    e.otherName = m_players[static_cast<size_t>(victim)].name;
    e.otherTeam = m_players[static_cast<size_t>(victim)].team;
    e.meansOfDeath = entity.eventParm;
    e.cause = m_tables->Cause(entity.eventParm);
    e.weapon = WeaponOfCause(e.cause);
    e.otherPlace = PlaceOf(victim);
    if (byPlayer)
        e.playerPlace = PlaceOf(attacker);
    e.teamKill = byPlayer && (e.playerTeam == kTeamRed || e.playerTeam == kTeamBlue) && e.playerTeam == e.otherTeam;
}

// "Name^7\x19: text" to everybody, "(Name^7\x19)\x19: text" or with a location
// "(Name^7\x19) (place)\x19: text" to the team; Quake Live puts the player's number and clan
// before the name, older versions leave out the 0x19 marks.
void EventCollector::Chat(std::string_view line, bool team)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    size_t nameEnd = 0;
    const int client = ClientInChat(line, nameEnd);
    DemoEvent& e = Add(team ? EventKind::TeamChat : EventKind::Chat, client);
    // The text starts behind the name: the name itself may hold ": ".
    size_t split = line.find("\x19: ", nameEnd);
    size_t skip = 3;
    if (split == std::string_view::npos) {
        split = line.find(": ", nameEnd);
        skip = 2;
    }
    e.text.assign(split == std::string_view::npos ? line : line.substr(split + skip));
}

// The player whose name the chat line begins with (after Quake Live's number and clan), the
// longest name when several fit; `nameEnd` is where the name ends in the line.
int EventCollector::ClientInChat(std::string_view line, size_t& nameEnd) const
{
    size_t head = line.find("\x19: ");
    if (head == std::string_view::npos)
        head = line.size();
    int best = -1;
    size_t bestLength = 0;
    for (size_t i = 0; i < m_players.size(); ++i) {
        const std::string& name = m_players[i].name;
        if (m_players[i].info.empty() || name.empty() || name.size() <= bestLength)
            continue;
        for (size_t at = line.find(name); at != std::string_view::npos && at < head; at = line.find(name, at + 1)) {
            const size_t end = at + name.size();
            const char next = end < line.size() ? line[end] : '\0';
            if (next == '^' || next == '\x19' || next == ':' || next == ')') {
                best = static_cast<int>(i);
                bestLength = name.size();
                nameEnd = end;
                break;
            }
        }
    }
    return best;
}

void EventCollector::Print(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    struct Phrase {
        std::string_view words;
        EventKind kind;
    };
    static constexpr Phrase kPhrases[] = {
        {" got the ", EventKind::FlagTaken},
        {" captured the ", EventKind::FlagCaptured},
        {" returned the ", EventKind::FlagReturned},
    };
    if (CaptureAnnounced(text))
        return;
    for (const Phrase& phrase : kPhrases) {
        const size_t at = text.rfind(phrase.words);
        if (at == std::string_view::npos || at == 0)
            continue;
        // OSP goes on after the flag: "... captured the BLUE flag! (held for 0:42.70)".
        std::string_view rest = text.substr(at + phrase.words.size());
        const size_t flagAt = rest.find("flag!");
        if (flagAt == std::string_view::npos)
            continue;
        const std::string teamWord = StripColourCodes(rest.substr(0, flagAt));
        std::string_view word = teamWord;
        while (!word.empty() && word.back() == ' ')
            word.remove_suffix(1);
        const int flagTeam = word.empty() ? kTeamFree : TeamWord(word);
        if (flagTeam < 0)
            continue;
        const std::string_view name = WithoutTrailingColour(text.substr(0, at));
        const int client = ClientNamed(name);
        if (phrase.kind == EventKind::FlagCaptured) {
            Captured(flagTeam, client, name);
            return;
        }
        DemoEvent& e = Add(phrase.kind, client);
        e.team = flagTeam;
        if (client < 0)
            e.playerName.assign(name);
        return;
    }
    // "The RED flag has returned!": it went home by itself.
    if (text.starts_with("The ") && text.ends_with(" flag has returned!")) {
        const std::string_view word = text.substr(4, text.size() - 4 - 19);
        Add(EventKind::FlagReturned).team = word.empty() ? kTeamFree : TeamWord(word);
    }
}

DemoEvent& EventCollector::Add(EventKind kind, int player)
{
    if (m_events.size() >= kMaxEvents) {
        m_discarded = DemoEvent{};
        return m_discarded;
    }
    DemoEvent& e = m_events.emplace_back();
    e.kind = kind;
    e.player = player;
    e.serverTime = m_clock.LastServerTime();
    e.demoTime = m_clock.Now();
    e.warmup = m_gamePhase.empty() ? !m_warmup.empty() && m_warmup != "0" : m_gamePhase != "IN_PROGRESS";
    FillPlayer(e);
    return e;
}

void EventCollector::FillPlayer(DemoEvent& event) const
{
    if (event.player < 0 || event.player >= static_cast<int>(m_players.size()))
        return;
    const PlayerSlot& slot = m_players[static_cast<size_t>(event.player)];
    event.playerName = slot.name;
    event.playerTeam = slot.team;
}

std::vector<DemoEvent> EventCollector::Finish()
{
    m_untimed = m_events.size();
    return std::move(m_events);
}

} // namespace core
