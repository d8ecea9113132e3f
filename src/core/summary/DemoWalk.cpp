#include "core/summary/DemoWalk.h"

#include <algorithm>
#include <cstring>

#include "core/common/LittleEndian.h"
#include "core/protocol/BitSources.h"
#include "core/protocol/CommandReader.h"
#include "core/protocol/MessageCommand.h"
#include "core/protocol/MessageFramer.h"
#include "core/row/DemoInfo.h"
#include "core/summary/DefragRuns.h"
#include "core/summary/PlayerTable.h"

namespace core {
namespace {

int32_t ReadInt32(const uint8_t* p)
{
    return static_cast<int32_t>(Le32(p));
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

} // namespace

DemoWalk::DemoWalk(DemoState& demo, std::span<const uint8_t> data, bool courseLogWish)
    : m_demo(demo), m_data(data), m_wish(courseLogWish)
{
}

std::string DemoWalk::Elapsed(int64_t since) const
{
    return CourseTimeText(m_current - since);
}

std::string DemoWalk::CoursePrefix() const
{
    if (!m_demo.gameStarted || m_demo.gameEnded)
        return "^4" + Elapsed(m_demoStart);
    return "^2" + Elapsed(m_levelStart);
}

void DemoWalk::AddCourseLine(std::string_view text)
{
    if (!m_wish)
        return;
    std::string line = CoursePrefix();
    line += " ^7";
    line += text;
    LogDirect(std::move(line));
}

WalkOutcome DemoWalk::ReadError(std::string_view field, bool damaged)
{
    m_demo.debugMessages.push_back("Parsing Error (" + std::string(field) +
                                   ") at Packet Nr: " + std::to_string(m_packet));
    FinishCutWalk(damaged);
    return WalkOutcome::ReadError;
}

namespace {

uint32_t PlaytimeSeconds(int64_t milliseconds)
{
    const int64_t seconds = RoundHalfEven(static_cast<double>(milliseconds) / 1000.0);
    return static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, UINT32_MAX));
}

} // namespace

void DemoWalk::FinishWalk()
{
    m_demo.playtimeSeconds = PlaytimeSeconds(m_current - m_demoStart);
    LogDirect("^4" + FormatSeconds(m_demo.playtimeSeconds) + " ^7Demo end.");
    m_demo.walkedToEnd = true;
}

void DemoWalk::FinishCutWalk(bool damaged)
{
    // Interrupted recordings and cut downloads are common; everything before the broken message
    // is as good as in a whole demo.
    m_demo.playtimeSeconds = PlaytimeSeconds(m_current - m_demoStart);
    m_demo.cutOff = true;
    const std::string where = "packet " + std::to_string(m_packet) + " at byte " + std::to_string(m_messageAt);
    m_demo.breakNote =
        damaged ? "Demo damaged: " + where + " cannot be read."
                : "Demo cut off after " + std::to_string(m_data.size()) + " bytes: " + where + " is incomplete.";
    LogDirect("^4" + FormatSeconds(m_demo.playtimeSeconds) + " ^1" + m_demo.breakNote);
}

WalkOutcome DemoWalk::HeaderError(FrameResult framed)
{
    switch (framed) {
    case FrameResult::CutSequence:
        return ReadError("PacketNumber");
    case FrameResult::CutSize:
        return ReadError("PacketSize");
    default: // a negative size, or one the game refuses
        return ReadError("PacketSize", true);
    }
}

WalkOutcome DemoWalk::Run()
{
    const ProtocolInfo& rules = ProtocolRules(m_demo.protocol);
    m_cs = rules.configStrings;
    const uint8_t* const data = m_data.data();
    const size_t size = m_data.size();
    const bool acknowledge = rules.acknowledge;
    // Where a message that starts with its snapshot keeps the snapshot's server time.
    const size_t commandAt = acknowledge ? 4 : 0;
    const size_t timeAt = commandAt + 1 + (rules.snapshotClientCommand ? 4 : 0);
    MessageFramer framer(m_data, rules.maxMessageSize);
    for (;;) {
        ++m_packet;
        MessageFrame frame;
        const FrameResult framed = framer.Next(frame);
        m_messageAt = frame.at;
        if (framed == FrameResult::EndMarker || framed == FrameResult::DataEnd)
            break;
        if (framed != FrameResult::Message && framed != FrameResult::CutPayload)
            return HeaderError(framed);
        // The walk hops from header to header; fetching ahead hides the memory latency.
        __builtin_prefetch(data + std::min(frame.at + 1024, size - 1));
        const std::span<const uint8_t> payload = frame.payload;

        // Most messages hold a snapshot and nothing else: take those without the command reader.
        if (payload.size() > commandAt && payload[commandAt] == static_cast<uint8_t>(MessageCommand::Snapshot) &&
            payload.size() >= timeAt + 4) {
            const auto serverTime = static_cast<uint32_t>(ReadInt32(payload.data() + timeAt));
            if (m_firstSnapshot)
                Snapshot(serverTime);
            else
                m_current = serverTime;
        } else if (const std::optional<WalkOutcome> stopped = PlainCommands(payload, frame.sequence, rules)) {
            return *stopped;
        }

        if (framed == FrameResult::CutPayload) {
            // The data ends inside this message: a cut demo, though no field of it was missed.
            FinishCutWalk(false);
            return WalkOutcome::ReadError;
        }
    }
    FinishWalk();
    return WalkOutcome::Finished;
}

std::optional<WalkOutcome> DemoWalk::PlainCommands(std::span<const uint8_t> payload, int32_t sequence,
                                                   const ProtocolInfo& rules)
{
    PlainBitReader bits(payload);
    CommandReader<PlainBitReader> commands(bits, rules);
    int32_t acknowledge = 0;
    // A message too short for its acknowledge holds nothing.
    if (rules.acknowledge && !commands.ReadAcknowledge(acknowledge))
        return std::nullopt;
    while (bits.BitsLeft() >= 8) {
        switch (commands.Next()) {
        case WireItem::Bad:
            LogDirect(std::to_string(sequence) + "; bad command");
            return WalkOutcome::Stopped;
        case WireItem::Nop:
            LogDirect(std::to_string(sequence) + "; no operation command");
            return std::nullopt;
        case WireItem::GameState:
            for (;;) {
                const WireItem item = commands.Next();
                if (item == WireItem::ConfigString) {
                    GameStateConfigString(commands.Index(), commands.Text());
                    continue;
                }
                if (item != WireItem::Overflow)
                    break; // baselines or the end: nothing more the walk reads
                switch (commands.Field()) {
                case WireField::GameStateCommand:
                    return ReadError("GAMESTATE,gamestate_cmd");
                case WireField::GameStateIndex:
                    return ReadError("GAMESTATE,gamestate_index");
                case WireField::Text:
                    // What there is of a text the data ends in still counts.
                    GameStateConfigString(commands.Index(), commands.Text());
                    return ReadError("GAMESTATE,gamestate_cmd");
                default:
                    break;
                }
                break;
            }
            return std::nullopt;
        case WireItem::ServerCommand:
            if (commands.Sequence() > m_highestSequence) {
                m_highestSequence = commands.Sequence();
                if (ServerCommand(commands.Sequence(), commands.Text()))
                    return std::nullopt;
            }
            break;
        case WireItem::Snapshot: {
            if (rules.snapshotClientCommand)
                bits.ReadBits(32);
            const uint32_t serverTime = bits.ReadBits(32);
            if (bits.Overflowed())
                return ReadError("ServerTime");
            Snapshot(serverTime);
            return std::nullopt;
        }
        case WireItem::Download:
            LogDirect(std::to_string(sequence) + "; old q2 command, not more valid");
            return WalkOutcome::Stopped;
        case WireItem::Unknown:
            if (commands.Byte() == static_cast<int>(MessageCommand::ConfigString) ||
                commands.Byte() == static_cast<int>(MessageCommand::Baseline)) {
                LogDirect(std::to_string(sequence) + "; old q2 command, not more valid");
                return WalkOutcome::Stopped;
            }
            LogDirect("Packet: " + std::to_string(m_packet) + ", Parsing Error");
            return WalkOutcome::Stopped;
        case WireItem::Overflow:
            switch (commands.Field()) {
            case WireField::CommandSequence:
                return ReadError("SERVERCOMMAND,cmdnr");
            case WireField::GameStateSequence:
                return ReadError("GAMESTATE,gamestate_cmd");
            case WireField::Text:
                // A server command the data ends in: what there is of it still counts.
                if (commands.Sequence() > m_highestSequence) {
                    m_highestSequence = commands.Sequence();
                    ServerCommand(commands.Sequence(), commands.Text());
                }
                return std::nullopt;
            default:
                return std::nullopt;
            }
        default: // the message end marker and voice data are not the old game's
            LogDirect("Packet: " + std::to_string(m_packet) + ", Parsing Error");
            return WalkOutcome::Stopped;
        }
    }
    return std::nullopt;
}

void DemoWalk::Snapshot(uint32_t serverTime)
{
    m_current = serverTime;
    if (m_firstSnapshot) {
        m_firstSnapshot = false;
        m_demoStart = m_levelStart = m_current;
        LogDirect("^400:00:00 ^7Demo start.");
    }
}

void DemoWalk::GameStateConfigString(int index, std::string_view text)
{
    if (index == m_cs->systemInfo) {
        if (!m_systemInfoFound) {
            m_systemInfoFound = true;
            m_systemInfo.assign(text);
        } else if (!m_tracksMatches) {
            m_demo.gameEnded = true;
        }
    } else if (index == m_cs->music) {
        m_demo.music.assign(text);
    } else if (index == m_cs->mapTitle) {
        m_demo.mapTitle.assign(text);
    } else if (index >= m_cs->firstPlayer && index < m_cs->firstPlayer + m_cs->players) {
        if (!UpdatePlayer(m_demo, index - m_cs->firstPlayer, text))
            AddCourseLine("^1UPDATE PLAYER ERROR!");
    } else {
        m_mod.ConfigString(index, text, *this);
    }
}

bool DemoWalk::ServerCommand(uint32_t /*sequence*/, std::string_view command)
{
    const std::string_view token0 = GetTokenView(command, 0);
    if (m_mod.ServerCommand(command, *this))
        return false;
    if (token0 == "map_restart" && m_tracksMatches) {
        m_mod.Restart(*this);
        return false;
    }
    if (token0 == "cs") {
        ConfigStringChange(command);
        return false;
    }
    if (token0 == "scores") {
        ScoreReport(command);
        return true;
    }
    if (token0 == "chat" || token0 == "tchat" || token0 == "cp" || token0 == "print") {
        ChatLine(command);
        return false;
    }
    if (Contains(command, "tscores"))
        AddCourseLine(command);
    return false;
}

void DemoWalk::ScoreReport(std::string_view command)
{
    m_demo.scoresSeen = true;
    const std::string_view report = command.size() > 7 ? command.substr(7) : std::string_view();
    if (!ParseScores(m_demo, report))
        AddCourseLine("^1SCORE PARSING ERROR");
    else if (m_wish)
        WriteScoreTable(m_demo, report, m_current, m_demoStart, m_levelStart);
}

void DemoWalk::ChatLine(std::string_view command)
{
    const std::string text = GetToken(command, 1);
    AddCourseLine(text);
    // Only the server's own prints announce a forfeit; players may say the word in chat.
    const std::string_view kind = GetTokenView(command, 0);
    if (m_tracksMatches && (kind == "print" || kind == "cp"))
        m_mod.Chat(text, *this);
    if (kind == "print" && IsDefragWalk())
        DefragPrint(text);
    if (m_demo.gameEnded)
        return;
    const std::string lower = LowerCase(text);
    if (Contains(lower, "timelimit hit") || Contains(lower, "fraglimit hit") ||
        Contains(lower, "hit the capturelimit")) {
        AddCourseLine("^1*** GAME END ***");
        m_demo.gameEnded = true;
    }
}

bool DemoWalk::IsDefragWalk()
{
    if (m_defrag < 0) {
        const bool known = (!m_plainInfo.empty() || m_serverInfoFound) && m_systemInfoFound;
        const std::string info = (m_plainInfo.empty() ? m_serverInfo : m_plainInfo) + "\\" + m_systemInfo + "\\";
        const bool defrag = IsDefragInfo(info);
        if (!known)
            return defrag;
        m_defrag = defrag ? 1 : 0;
    }
    return m_defrag == 1;
}

void DemoWalk::DefragPrint(std::string_view text)
{
    std::optional<DefragFinish> finish = ReadDefragFinish(text);
    if (!finish)
        return;
    // A demo of several finishes (a recording left running) is known by its fastest.
    DefragRun& run = m_demo.defrag ? *m_demo.defrag : m_demo.defrag.emplace();
    if (!run.milliseconds || finish->milliseconds < *run.milliseconds) {
        run.milliseconds = finish->milliseconds;
        run.player = std::move(finish->player);
    }
}

void DemoWalk::ScoreLine(int which, std::string_view value)
{
    int32_t number = 0;
    // The game writes the no-score value for a place nobody holds (a free-for-all of one player).
    if (!ToInt32(value, number) || ShowsNoScore(number))
        return;
    if (!m_demo.gameEnded)
        (which == 0 ? m_demo.score1 : m_demo.score2) = number;
    const std::string name = which == 0 ? TeamOneName(m_demo) : TeamTwoName(m_demo);
    if (number > m_previousScore[which])
        AddCourseLine(name + " ^7scored: " + std::string(value));
    else
        AddCourseLine(name + " ^7killed himself: " + std::string(value));
    m_previousScore[which] = number;
}

void DemoWalk::ConfigStringChange(std::string_view command)
{
    const auto parsingError = [&] {
        // Commands end with their own line feed; kept, it would leave an empty line in the log.
        std::string_view shown = command;
        while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r'))
            shown.remove_suffix(1);
        LogDirect("Parsing Error: " + std::string(shown));
    };
    int32_t index = 0;
    if (!ToInt32(GetTokenView(command, 1), index)) {
        parsingError();
        return;
    }
    const std::string_view value = GetTokenView(command, 2);
    if (m_mod.ConfigString(index, value, *this))
        return;
    int32_t number = 0;
    const bool numeric = ToInt32(value, number);
    // Servers clear the warm-up time with an empty value: normal, not an error.
    if (index == m_cs->warmup && value.empty())
        return;
    const int scoreSide = index - m_cs->firstTeamScore;
    const bool needsNumber = index == m_cs->warmup || scoreSide == 0 || scoreSide == 1 || index == m_cs->levelStart;
    if (needsNumber && !numeric) {
        parsingError();
        return;
    }

    if (index == m_cs->warmup) {
        if (value > std::string_view("0"))
            AddCourseLine("Match will be restarted in " +
                          std::to_string(RoundHalfEven(static_cast<double>(number - m_current) / 1000.0)));
    } else if (scoreSide == 0 || scoreSide == 1) {
        ScoreLine(scoreSide, value);
    } else if (index == m_cs->voteString) {
        AddCourseLine("Vote reason: " + std::string(value));
    } else if (index == m_cs->voteYes) {
        AddCourseLine("Votes for 'yes': " + std::string(value));
    } else if (index == m_cs->voteNo) {
        AddCourseLine("Votes for 'no': " + std::string(value));
    } else if (index == m_cs->levelStart) {
        const bool restarted = m_mod.TakeLevelStart();
        if (!m_demo.gameStarted || restarted) {
            m_levelStart = number;
            AddCourseLine("^7-> ^200:00:00 ^1*** GAME START ***");
            m_demo.gameStarted = true;
        }
    } else if (index == m_cs->intermission) {
        if (!m_demo.gameEnded) {
            AddCourseLine("^1*** GAME END ***");
            m_demo.gameEnded = true;
        }
    } else if (index >= m_cs->firstPlayer && index <= m_cs->firstPlayer + m_cs->players) {
        if (!value.empty())
            UpdatePlayer(m_demo, index - m_cs->firstPlayer, value);
    }
}

} // namespace core
