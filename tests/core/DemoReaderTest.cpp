#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "core/archive/DemoFile.h"
#include "core/demo/DemoDecoder.h"
#include "core/summary/DemoFields.h"
#include "core/summary/DemoReader.h"
#include "core/summary/PlayerTable.h"
#include "support/DemoBuilder.h"
#include "support/HuffmanEncoder.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

using namespace core;
using testsupport::DemoBuilder;
using testsupport::Message;
using testsupport::ServerInfo;
using testsupport::UserInfo;

namespace {

DemoState Read(const std::vector<uint8_t>& bytes, bool course = true)
{
    ReadWishes wishes;
    wishes.courseLog = course;
    return ReadDemo(bytes, wishes);
}

bool HasLine(const DemoState& demo, const std::string& line)
{
    return std::find(demo.courseLog.begin(), demo.courseLog.end(), line) != demo.courseLog.end();
}

size_t CountContaining(const DemoState& demo, const std::string& part)
{
    return static_cast<size_t>(std::count_if(demo.courseLog.begin(), demo.courseLog.end(),
                                             [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

// A demo of the given protocol: game state with server and system info and players, then the
// given messages, then the end marker.
DemoBuilder Started(int protocol, const std::string& gametype = "1",
                    const std::vector<std::pair<int, std::string>>& players = {})
{
    DemoBuilder demo(protocol);
    std::vector<std::pair<int, std::string>> strings = {{0, ServerInfo(protocol, "Q3DM6", gametype)},
                                                        {1, "\\sv_pure\\1\\sv_paks\\123"},
                                                        {2, "music/track.wav"},
                                                        {3, "The Campgrounds"}};
    strings.insert(strings.end(), players.begin(), players.end());
    demo.Add(Message(protocol).GameState(strings));
    return demo;
}

std::string CorpusFile(const std::string& name)
{
    const std::filesystem::path path = std::filesystem::path(VELMORA_CORPUS_DIR) / name;
    return std::filesystem::exists(path) ? path.string() : std::string();
}

} // namespace

TEST(DemoReaderInfo, EmptyAndShortDemos)
{
    const DemoState empty = Read({});
    EXPECT_FALSE(empty.whole);
    EXPECT_EQ(empty.playtimeSeconds, 0u);
    EXPECT_EQ(empty.infoString, "\\");
    EXPECT_EQ(InfoValueOf(empty, "mapname"), "N/A");

    // One digit and a backslash after "protocol\": protocol 0 and no walk at all.
    DemoBuilder oneDigit(48);
    oneDigit.Add(Message(48).GameState({{0, "\\protocol\\4\\mapname\\q3dm1"}, {1, "\\sv_pure\\0"}})).End();
    const DemoState noWalk = Read(oneDigit.Bytes());
    EXPECT_EQ(noWalk.protocol, 0);
    EXPECT_TRUE(noWalk.courseLog.empty());
    EXPECT_FALSE(noWalk.whole); // the system information is only found by the walk
    EXPECT_EQ(InfoValueOf(noWalk, "mapname"), "q3dm1");
}

TEST(DemoReaderInfo, KeyLookup)
{
    const std::string info = "\\sv_hostname\\^1Big ^7Server\\mapname\\Q3DM17\\Version\\Q3 1.27\\";
    EXPECT_EQ(InfoValueIn("MAPNAME", info), "Q3DM17");
    EXPECT_EQ(InfoValueIn("sv_hostname", info), "^1Big ^7Server");
    EXPECT_EQ(InfoValueIn("version", info), "Q3 1.27");
    // The key need not follow a backslash: "hostname" is the tail of "sv_hostname".
    EXPECT_EQ(InfoValueIn("hostname", info), "^1Big ^7Server");
    EXPECT_EQ(InfoValueIn("g_gametype", info), "N/A");
    EXPECT_EQ(InfoValueIn("last", "\\last\\value"), "");
}

TEST(DemoReaderInfo, WholeDemoFieldsAndResult)
{
    DemoBuilder demo = Started(48, "4");
    demo.Add(Message(48).Snapshot(1000)).End();
    const DemoState state = Read(demo.Bytes());
    EXPECT_TRUE(state.whole);
    EXPECT_EQ(state.protocol, 48);
    EXPECT_EQ(state.gameType, "4");
    EXPECT_EQ(state.mapTitle, "The Campgrounds");
    EXPECT_EQ(state.music, "music/track.wav");
    EXPECT_EQ(state.fieldsPerScoreEntry, 14);
    EXPECT_EQ(state.infoString.back(), '\\');
    EXPECT_NE(state.infoString.find("\\sv_pure\\1"), std::string::npos);
    const auto fields = DemoDerivedFields(state);
    EXPECT_EQ(fields[0], "q3dm6");
    EXPECT_EQ(fields[FieldGametype - FieldMap], "Capture the Flag");
    EXPECT_EQ(fields[FieldFraglimit - FieldMap], "N/S");
    EXPECT_EQ(fields[FieldCapturelimit - FieldMap], "N/A");
    EXPECT_EQ(fields[FieldMod - FieldMap], "n/a");
}

TEST(DemoReaderWalk, EndMarkerAndPlaytime)
{
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(5000));
    demo.Add(Message(48).Snapshot(5000 + 61500)).End();
    const DemoState state = Read(demo.Bytes());
    EXPECT_EQ(state.playtimeSeconds, 62u); // 61.5 s rounds to the even 62
    EXPECT_EQ(state.courseLog.front(), "^400:00:00 ^7Demo start.");
    EXPECT_EQ(state.courseLog.back(), "^400:01:02 ^7Demo end.");
    EXPECT_TRUE(state.walkedToEnd);
}

TEST(DemoReaderWalk, ReadErrorsKeepWhatWasRead)
{
    DemoBuilder demo = Started(48, "1", {{544, UserInfo("Bob", 0)}});
    demo.Add(Message(48).Snapshot(5000));
    demo.Add(Message(48).ServerCommand(1, "scores 1 0 0 0 5 20 1 0 0 0 0 0 0 0 0 0 0").Snapshot(6000));
    demo.Add(Message(48).Snapshot(66000));
    const std::vector<uint8_t> whole = demo.Bytes();
    const std::string at = std::to_string(whole.size());
    const struct {
        size_t cut; // bytes of a further message header kept after the whole messages
        const char* message;
    } cases[] = {
        {2, "Parsing Error (PacketNumber) at Packet Nr: 5"},
        {6, "Parsing Error (PacketSize) at Packet Nr: 5"},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = whole;
        bytes.resize(whole.size() + 8, 0x11);
        bytes.resize(whole.size() + c.cut);
        for (bool wish : {false, true}) {
            const DemoState state = Read(bytes, wish);
            ASSERT_EQ(state.debugMessages.size(), 1u) << c.cut;
            EXPECT_EQ(state.debugMessages[0], c.message);
            EXPECT_EQ(InfoValueOf(state, "mapname"), "Q3DM6") << "the final steps still run";
            EXPECT_EQ(InfoValueOf(state, "sv_paks"), "123");
            EXPECT_EQ(state.playtimeSeconds, 61u); // up to the last whole message
            EXPECT_EQ(state.players.at(0).name, "Bob");
            EXPECT_FALSE(state.whole);
            EXPECT_TRUE(state.cutOff);
            EXPECT_FALSE(state.walkedToEnd);
            EXPECT_EQ(CountContaining(state, "Demo end"), 0u);
            EXPECT_EQ(state.courseLog.back(), "^400:01:01 ^1Demo cut off after " + std::to_string(bytes.size()) +
                                                  " bytes: packet 5 at byte " + at + " is incomplete.");
        }
    }

    // A message whose data runs past the end: the same cut, without a field that was missed.
    DemoBuilder longer = Started(48);
    longer.Add(Message(48).Snapshot(1000));
    longer.AddWithLength(Message(48).Snapshot(3000), 400);
    const DemoState pastEnd = Read(longer.Bytes());
    EXPECT_TRUE(pastEnd.debugMessages.empty());
    EXPECT_TRUE(pastEnd.cutOff);
    EXPECT_EQ(pastEnd.playtimeSeconds, 2u);
    EXPECT_EQ(CountContaining(pastEnd, "^1Demo cut off after "), 1u);
    // The other side: a last message that ends exactly with the data is a whole demo.
    DemoBuilder exact = Started(48);
    exact.Add(Message(48).Snapshot(1000)).Add(Message(48).Snapshot(3000));
    const DemoState exactEnd = Read(exact.Bytes());
    EXPECT_FALSE(exactEnd.cutOff);
    EXPECT_TRUE(exactEnd.walkedToEnd);
    EXPECT_TRUE(exactEnd.whole);

    DemoBuilder negative = Started(48);
    negative.AddWithLength(Message(48).Snapshot(1), -5);
    const DemoState damaged = Read(negative.Bytes());
    EXPECT_EQ(damaged.debugMessages.at(0), "Parsing Error (PacketSize) at Packet Nr: 2");
    EXPECT_EQ(InfoValueOf(damaged, "mapname"), "Q3DM6");
    EXPECT_NE(damaged.courseLog.back().find("^1Demo damaged: packet 2 at byte "), std::string::npos);

    DemoBuilder shortTime = Started(48);
    shortTime.Add(Message(48).Byte(7).Byte(1));
    EXPECT_EQ(Read(shortTime.Bytes()).debugMessages.at(0), "Parsing Error (ServerTime) at Packet Nr: 2");

    DemoBuilder shortSequence = Started(48);
    shortSequence.Add(Message(48).Byte(5).Byte(1));
    EXPECT_EQ(Read(shortSequence.Bytes()).debugMessages.at(0), "Parsing Error (SERVERCOMMAND,cmdnr) at Packet Nr: 2");

    DemoBuilder shortGameState = Started(48);
    shortGameState.Add(Message(48).Byte(2).Raw({0, 0, 0, 0, 3, 1}));
    const DemoState gameState = Read(shortGameState.Bytes());
    EXPECT_EQ(gameState.debugMessages.at(0), "Parsing Error (GAMESTATE,gamestate_index) at Packet Nr: 2");
    EXPECT_EQ(gameState.mapTitle, "The Campgrounds");
}

TEST(DemoReaderWalk, UnusableCommandBytes)
{
    const struct {
        uint8_t command;
        const char* line;
    } cases[] = {
        {0, "7; bad command"},
        {3, "7; old q2 command, not more valid"},
        {4, "7; old q2 command, not more valid"},
        {6, "7; old q2 command, not more valid"},
        {8, "Packet: 2, Parsing Error"},
        {200, "Packet: 2, Parsing Error"},
    };
    for (const auto& c : cases) {
        DemoBuilder demo = Started(48);
        demo.Add(Message(48).Byte(c.command), 7).Add(Message(48).Snapshot(9000)).End();
        const DemoState state = Read(demo.Bytes());
        EXPECT_EQ(state.courseLog.back(), c.line) << int(c.command);
        EXPECT_TRUE(state.whole); // the final steps still ran
        EXPECT_EQ(InfoValueOf(state, "mapname"), "Q3DM6");
        EXPECT_EQ(CountContaining(state, "Demo end"), 0u);
    }
    // A no-operation command skips the rest of its message but the walk goes on.
    DemoBuilder nop = Started(48);
    nop.Add(Message(48).Byte(1).Snapshot(4000), 9).Add(Message(48).Snapshot(6000)).End();
    const DemoState state = Read(nop.Bytes());
    EXPECT_TRUE(HasLine(state, "9; no operation command"));
    EXPECT_EQ(state.playtimeSeconds, 0u); // only the second snapshot was read
    EXPECT_EQ(state.courseLog.back(), "^400:00:00 ^7Demo end.");
}

TEST(DemoReaderWalk, ServerCommandsAndCourseLines)
{
    DemoBuilder demo = Started(48, "1", {{544, UserInfo("^1Bob", 0)}, {545, UserInfo("Ann", 0)}});
    demo.Add(Message(48).Snapshot(10000));
    demo.Add(Message(48).ServerCommand(1, "cs 21 \"12000\"\n").Snapshot(12000));
    demo.Add(Message(48).ServerCommand(2, "cs 6 \"1\"\n").ServerCommand(2, "cs 6 \"1\"\n").Snapshot(14000));
    // The same reliable command again in the next message: handled once.
    demo.Add(Message(48).ServerCommand(2, "cs 6 \"1\"\n").ServerCommand(3, "cs 6 \"1\"\n").Snapshot(15000));
    demo.Add(Message(48).ServerCommand(4, "print \"Bob: ^3Timelimit hit.\n\"").Snapshot(16000));
    demo.Add(Message(48).ServerCommand(5, "cs 7 \"4\"\n").ServerCommand(6, "cs 9 \"kick Ann\"").Snapshot(17000));
    demo.Add(Message(48).ServerCommand(7, "cs 6 x").ServerCommand(8, "tscores 1 2").Snapshot(18000)).End();
    const DemoState state = Read(demo.Bytes());

    EXPECT_TRUE(HasLine(state, "^400:00:00 ^7^7-> ^200:00:00 ^1*** GAME START ***"));
    EXPECT_EQ(CountContaining(state, "1st ranked player ^7scored: 1"), 1u);
    EXPECT_TRUE(HasLine(state, "^200:00:02 ^71st ranked player ^7killed himself: 1")); // same value again
    EXPECT_TRUE(HasLine(state, "^200:00:03 ^7Bob: ^3Timelimit hit."));
    EXPECT_TRUE(HasLine(state, "^200:00:03 ^7^1*** GAME END ***"));
    EXPECT_TRUE(state.gameEnded);
    // After the game ended the score lines are still logged but the score stays.
    EXPECT_TRUE(HasLine(state, "^400:00:06 ^72nd ranked player ^7scored: 4"));
    EXPECT_EQ(state.score1, 1);
    EXPECT_EQ(state.score2, 0);
    EXPECT_TRUE(HasLine(state, "^400:00:06 ^7Vote reason: kick Ann"));
    EXPECT_TRUE(HasLine(state, "Parsing Error: cs 6 x"));
    EXPECT_TRUE(HasLine(state, "^400:00:07 ^7tscores 1 2"));

    // Without the wish only the start, end and diagnostic lines are kept.
    const DemoState quiet = Read(demo.Bytes(), false);
    EXPECT_EQ(quiet.courseLog, (std::vector<std::string>{"^400:00:00 ^7Demo start.", "Parsing Error: cs 6 x",
                                                         "^400:00:08 ^7Demo end."}));
    EXPECT_EQ(quiet.score1, state.score1);
    EXPECT_TRUE(quiet.gameEnded);
}

TEST(DemoReaderWalk, WarmupValuesThatAreNotNumbers)
{
    const struct {
        const char* command;
        std::vector<std::string> errorLines; // the "Parsing Error" lines expected
    } cases[] = {
        {"cs 5 \"\"\n", {}}, // servers clear the warm-up time this way
        {"cs 5 \"\"", {}},
        {"cs 5 \"x\"\n", {"Parsing Error: cs 5 \"x\""}}, // no line feed kept: no empty line after it
        {"cs 5 \" \"\r\n", {}},                          // a blank only: the token is trimmed to nothing
        {"cs 6 \"\"\n", {"Parsing Error: cs 6 \"\""}},   // an empty score is still an error
        {"cs x \"1\"\n", {"Parsing Error: cs x \"1\""}},
    };
    for (const auto& c : cases) {
        DemoBuilder demo = Started(48);
        demo.Add(Message(48).Snapshot(1000));
        demo.Add(Message(48).ServerCommand(1, c.command).Snapshot(2000)).End();
        for (bool wish : {false, true}) {
            const DemoState state = Read(demo.Bytes(), wish);
            std::vector<std::string> errors;
            for (const std::string& line : state.courseLog)
                if (line.find("Parsing Error") != std::string::npos)
                    errors.push_back(line);
            EXPECT_EQ(errors, c.errorLines) << c.command;
            EXPECT_EQ(CountContaining(state, "Match will be restarted"), 0u) << c.command;
        }
    }
}

TEST(DemoReaderWalk, LevelStartIndexFollowsTheProtocol)
{
    for (int protocol : {43, 45, 46, 48}) {
        const bool old = protocol < 46;
        DemoBuilder demo = Started(protocol);
        demo.Add(Message(protocol).Snapshot(1000));
        demo.Add(Message(protocol).ServerCommand(1, old ? "cs 21 \"1\"" : "cs 13 \"1\"").Snapshot(2000));
        demo.Add(Message(protocol).ServerCommand(2, old ? "cs 13 \"3000\"" : "cs 21 \"3000\"").Snapshot(4000));
        demo.Add(Message(protocol).ServerCommand(3, old ? "cs 14 \"1\"" : "cs 22 \"1\"").Snapshot(9000)).End();
        const DemoState state = Read(demo.Bytes());
        EXPECT_TRUE(state.gameStarted) << protocol;
        EXPECT_TRUE(state.gameEnded) << protocol;
        EXPECT_EQ(CountContaining(state, "GAME START"), 1u) << protocol;
        EXPECT_TRUE(HasLine(state, "^200:00:01 ^7^1*** GAME END ***")) << protocol; // commands precede their snapshot
        EXPECT_EQ(state.playtimeSeconds, 8u) << protocol;
    }
}

TEST(DemoReaderWalk, NegativeTimesAndWarmup)
{
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(10000));
    demo.Add(Message(48).ServerCommand(1, "cs 5 \"14500\"").ServerCommand(2, "cs 21 \"13000\"").Snapshot(11000));
    demo.Add(Message(48).ServerCommand(3, "cs 9 now").Snapshot(11000)).End();
    const DemoState state = Read(demo.Bytes());
    EXPECT_TRUE(HasLine(state, "^400:00:00 ^7Match will be restarted in 4")); // 4.5 s rounds to 4
    EXPECT_TRUE(HasLine(state, "^2-00:00:02 ^7Vote reason: now"));
}

TEST(DemoReaderWalk, ScoreReportHidesTheSnapshot)
{
    DemoBuilder demo = Started(48, "0", {{544, UserInfo("Bob", 0)}});
    demo.Add(Message(48).Snapshot(1000));
    demo.Add(Message(48).ServerCommand(1, "scores 1 0 0 0 5 20 1 0 0 0 0 0 0 0 0 0 0").Snapshot(99000));
    demo.End();
    const DemoState state = Read(demo.Bytes());
    EXPECT_EQ(state.playtimeSeconds, 0u);
    EXPECT_TRUE(state.scoresSeen);
    EXPECT_EQ(state.players.at(0).score, 5);
    EXPECT_TRUE(HasLine(state, "^400:00:00 ^1SCORE   PING   TIME   NAME"));
    EXPECT_TRUE(HasLine(state, "         ^75       20     1      Bob"));
}

TEST(DemoReaderWalk, SecondGameStateEndsTheGame)
{
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(1000));
    demo.Add(Message(48).GameState({{1, "\\other\\info"}, {3, "Another Map"}})).End();
    const DemoState state = Read(demo.Bytes());
    EXPECT_TRUE(state.gameEnded);
    EXPECT_EQ(state.infoString.find("other"), std::string::npos);
    EXPECT_EQ(state.mapTitle, "Another Map");
}

// Checks a demo cut at `cut` against the whole one: the listing keeps the map of anything cut after
// the first message (the game state) and never claims more play time than the whole demo has; with
// `wholeMessages`, the full decoder never reads more messages than the whole demo holds, nor an end
// marker.
void ExpectCutKeepsWhatWasRead(const std::vector<uint8_t>& whole, const DemoState& wholeState, size_t cut,
                               std::string_view extension, const std::string& what,
                               std::optional<size_t> wholeMessages = std::nullopt)
{
    ReadWishes wishes;
    wishes.extension = extension;
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
    if (wholeMessages) {
        const DecodedDemo decoded = DecodeDemo(part, DemoProtocolOf(whole, extension));
        EXPECT_LE(decoded.messages.size(), *wholeMessages) << what << " cut at " << cut;
        EXPECT_FALSE(decoded.endMarker) << what << " cut at " << cut;
    }
    const DemoState state = ReadDemo(part, wishes);
    ASSERT_LE(state.debugMessages.size(), 1u) << what << " cut at " << cut;
    EXPECT_LE(state.playtimeSeconds, wholeState.playtimeSeconds) << what << " cut at " << cut;
    if (!state.debugMessages.empty()) {
        EXPECT_TRUE(state.cutOff) << what << " cut at " << cut;
    }
    const size_t firstMessageEnd =
        whole.size() >= 8 ? 8 + static_cast<size_t>(whole[4] | whole[5] << 8 | whole[6] << 16) : 0;
    if (cut >= firstMessageEnd && firstMessageEnd > 8 && wholeState.walkedToEnd) {
        EXPECT_EQ(InfoValueOf(state, "mapname"), InfoValueOf(wholeState, "mapname")) << what << " cut at " << cut;
        EXPECT_EQ(state.mapTitle, wholeState.mapTitle) << what << " cut at " << cut;
        EXPECT_TRUE(state.cutOff || state.walkedToEnd) << what << " cut at " << cut;
    }
}

TEST(ParsingCuts, BuilderDemosKeepTheirMapAtEveryCut)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> demos;
    for (int protocol : {43, 45, 46, 48})
        demos.emplace_back(protocol == 48 ? ".dm_48" : ".dm3", testsupport::RealisticDemo(protocol, 60, 40, 7));
    std::vector<std::vector<uint8_t>> coded = {
        testsupport::ModernMessageBuilder(0).GameState(1, {{0, ServerInfo(68, "q3dm6", "0")}, {3, "Arena"}}).Payload()};
    for (uint32_t t = 1; t < 40; ++t)
        coded.push_back(testsupport::ModernMessageBuilder(0).Snapshot(t * 50).End().Payload());
    demos.emplace_back(".dm_68", testsupport::ModernDemoFile(coded));
    for (const auto& [extension, whole] : demos) {
        ReadWishes wishes;
        wishes.extension = extension;
        const DemoState wholeState = ReadDemo(whole, wishes);
        ASSERT_NE(InfoValueOf(wholeState, "mapname"), "N/A") << extension;
        const size_t messages = DecodeDemo(whole, DemoProtocolOf(whole, extension)).messages.size();
        for (size_t cut = 0; cut < whole.size(); ++cut)
            ExpectCutKeepsWhatWasRead(whole, wholeState, cut, extension, extension, messages);
    }
}

TEST(ParsingCuts, RealDemosKeepTheirMapAtManyCuts)
{
    const std::filesystem::path corpus(VELMORA_CORPUS_DIR);
    if (!std::filesystem::exists(corpus))
        GTEST_SKIP() << "corpus not present";
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || !extension.starts_with(".dm"))
            continue;
        ++files;
        const std::vector<uint8_t> whole = testsupport::ReadBytes(entry.path().string());
        ReadWishes wishes;
        wishes.extension = extension;
        const DemoState wholeState = ReadDemo(whole, wishes);
        // Cuts spread over the whole demo, and every byte around the first message boundaries, where
        // the headers lie.
        std::vector<size_t> cuts;
        for (size_t i = 0; i < 120; ++i)
            cuts.push_back(whole.size() * i / 120 + i % 7);
        size_t pos = 0;
        for (int message = 0; message < 6 && pos + 8 <= whole.size(); ++message) {
            const size_t length = whole[pos + 4] | whole[pos + 5] << 8 | whole[pos + 6] << 16;
            for (size_t back = 0; back < 10 && back <= pos; ++back)
                cuts.push_back(pos - back);
            for (size_t forward = 1; forward < 10; ++forward)
                cuts.push_back(pos + forward);
            pos += 8 + length;
        }
        for (size_t cut : cuts)
            if (cut < whole.size())
                ExpectCutKeepsWhatWasRead(whole, wholeState, cut, extension, entry.path().filename().string());
    }
    EXPECT_GE(files, 3u);
}

TEST(DemoReaderWalk, ProtocolsAndScoreWidths)
{
    const std::pair<int, int> widths[] = {{43, 6}, {45, 6}, {46, 15}, {48, 14}};
    for (const auto& [protocol, width] : widths) {
        const DemoState state = Read(testsupport::RealisticDemo(protocol, 900, 30, 3));
        EXPECT_EQ(state.protocol, protocol);
        EXPECT_EQ(state.fieldsPerScoreEntry, width);
        EXPECT_TRUE(state.walkedToEnd) << protocol;
        EXPECT_TRUE(state.debugMessages.empty()) << protocol;
        EXPECT_TRUE(state.gameStarted && state.gameEnded) << protocol;
        EXPECT_EQ(state.players.at(0).name, "^1Alpha") << protocol;
        EXPECT_EQ(GetRankedPlayers(state).winner, "Alpha") << protocol;
    }
}

// Reading a file gives its record (a cut demo's too, with what went wrong in its messages) or,
// for a file that is not there, a failure. The core shows none of it: the caller decides.
TEST(DemoReaderFiles, LoadingGivesTheRecordOrAFailureAndShowsNothing)
{
    const testsupport::ScratchDir scratch;
    const std::filesystem::path& dir = scratch.path();
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(1000));
    testsupport::WriteBytes((dir / "ok.dm_48").string(), demo.Bytes());
    std::vector<uint8_t> cut = demo.Bytes();
    cut.resize(cut.size() + 2, 0xFF);
    testsupport::WriteBytes((dir / "cut.dm_48").string(), cut);
    const struct {
        const char* file;
        bool read;
        bool whole;
        std::vector<std::string> messages;
    } cases[] = {
        {"ok.dm_48", true, true, {}}, // the data ends with a whole message: a clean end
        {"cut.dm_48", true, false, {"Parsing Error (PacketNumber) at Packet Nr: 3"}},
        {"missing.dm3", false, false, {}},
    };
    for (const auto& c : cases) {
        const DemoRead read = LoadDemo((dir / c.file).string(), "", true);
        ASSERT_EQ(read.ok(), c.read) << c.file;
        if (!read) {
            EXPECT_EQ(read.code(), ReadError::Missing);
            EXPECT_EQ(read.text(), "");
            continue;
        }
        EXPECT_EQ(read->whole, c.whole) << c.file;
        EXPECT_EQ(read->debugMessages, c.messages) << c.file;
        EXPECT_EQ(InfoValueOf(*read, "mapname"), "Q3DM6") << c.file;
        EXPECT_TRUE(read->recorded.has_value()) << c.file;
    }
    EXPECT_EQ(UnreadDemo().infoString, "\\");
}

// Every real demo of every protocol family walks to its end without an error and gives its match:
// map, game type, the players named, winner, runner-up and final score (from the score board, or
// for a demo that ends without one from its frags and suicides, as the game scores them), the
// match's start and end in the course and its last line.
TEST(DemoReaderRealDemos, EveryProtocolWalksToTheEndWithItsMatch)
{
    const struct {
        const char* file;
        int protocol;
        const char* map;
        const char* gametype;
        size_t named; // players with a name, spectators too
        RankedPlayers ranked;
        size_t starts, ends; // "*** GAME START ***" and "*** GAME END ***" lines
        const char* end;     // the time of the course's last line, "Demo end."
    } cases[] = {
        // clang-format off
        {"duel-1.17-osp.dm3",                   45, "q3dm6",          "Tournament",      5,  {"fatal1ty", "Blue", "7:2"},                  1, 1, "00:15:17"},
        {"duel-1.27-osp.dm_48",                 48, "ztn3tourney1",   "Tournament",      3,  {"cK-fatal1ty", "c58|PELE [PK]", "14:3"},     1, 1, "00:15:17"},
        // Two players, six spectators.
        {"modern/duel-1.29.dm_66",              66, "pro-q3tourney4", "Tournament",      8,  {"ZeRo4", "fatal1ty", "26:5"},                1, 1, "00:15:17"},
        {"modern/team-chat-1.32.dm_68",         68, "q3dm7",          "Team Deathmatch", 4,  {"Blue Team", "Red Team", "0:-1"},            0, 0, "00:00:30"},
        // CPMA's server says protocol 71 in a ".dm_68" file.
        {"modern/cpma-duel.dm_68",              71, "cpm3a",          "Tournament",      3,  {"myT", ">Sylver<", "17:-3"},                 0, 1, "00:10:14"},
        {"modern/flyby-oa_dm3-openarena.dm_70", 70, "oa_dm3",         "Free for All",    1,  {"N/A", "N/A", "0:0"},                        0, 0, "00:00:57"},
        // Bot matches recorded by the engine end without a score board.
        {"modern/ffa-oa_dm1-ioquake3.dm_71",    71, "oa_dm1",         "Free for All",    4,  {"Kyonshi", "Sarge", "1:0"},                  0, 0, "00:00:40"},
        {"modern/ffa-oa_dm2-ioquake3.dm_68",    68, "oa_dm2",         "Free for All",    5,  {"Major", "Sarge", "2:1"},                    0, 0, "00:00:20"},
        {"ql/duel-hektik.dm_73",                73, "hektik",         "Duel",            2,  {"Terifire", "mejtisson", "24:19"},           1, 1, "00:10:14"},
        {"ql/ca-campgrounds.dm_90",             90, "campgrounds",    "Clan Arena",      12, {"Blue Team", "Red Team", "10:5"},            0, 1, "00:10:23"},
        {"ql/duel-sinister.dm_91",              91, "sinister",       "Duel",            10, {"[MD] toxjq", "MVPz Zorak", "11:5"},         1, 1, "00:10:14"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = CorpusFile(c.file);
        if (path.empty())
            GTEST_SKIP() << "corpus not present";
        const DemoRead read = LoadDemo(path, "", true);
        ASSERT_TRUE(read);
        const DemoState& state = *read;
        EXPECT_TRUE(state.whole);
        EXPECT_TRUE(state.walkedToEnd);
        EXPECT_EQ(state.protocol, c.protocol);
        EXPECT_TRUE(state.debugMessages.empty());
        const auto fields = DemoDerivedFields(state);
        EXPECT_EQ(fields[0], c.map);
        EXPECT_EQ(fields[FieldGametype - FieldMap], c.gametype);
        EXPECT_EQ(static_cast<size_t>(std::count_if(state.players.begin(), state.players.end(),
                                                    [](const Player& p) { return !p.name.empty(); })),
                  c.named);
        const RankedPlayers ranked = GetRankedPlayers(state);
        EXPECT_EQ(ranked.winner, c.ranked.winner);
        EXPECT_EQ(ranked.second, c.ranked.second);
        EXPECT_EQ(ranked.finalScore, c.ranked.finalScore);
        EXPECT_EQ(fields[FieldWinner - FieldMap], c.ranked.winner);
        EXPECT_EQ(fields[FieldFinalScore - FieldMap], c.ranked.finalScore);
        EXPECT_EQ(CountContaining(state, "*** GAME START ***"), c.starts);
        EXPECT_EQ(CountContaining(state, "*** GAME END ***"), c.ends);
        EXPECT_EQ(state.courseLog.back(), "^4" + std::string(c.end) + " ^7Demo end.");
        for (const char* error : {"Parsing Error", "PARSING ERROR", "UPDATE PLAYER ERROR"})
            EXPECT_EQ(CountContaining(state, error), 0u) << error;
    }
}

TEST(DemoReaderArchives, MembersAreFoundByNameIgnoringCaseAndSlashes)
{
    const testsupport::ScratchDir dir;
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(1000)).Add(Message(48).Snapshot(3000)).End();
    const auto pk3 = dir.path() / "pak9.pk3";
    testsupport::WriteFile(pk3,
                           testsupport::BuildZip({{.name = "demos/final.dm_48", .data = demo.Bytes(), .deflate = true},
                                                  {.name = "stored.dm_48", .data = demo.Bytes()}}));
    const DemoRead found = LoadDemo("DEMOS\\FINAL.DM_48", pk3.string(), false);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->whole);
    EXPECT_EQ(found->size, demo.Bytes().size());
    EXPECT_EQ(found->playtimeSeconds, 2u);
    EXPECT_EQ(found->recorded, testsupport::kDefaultDosTime);
    const DemoRead stored = LoadDemo("stored.dm_48", pk3.string(), false);
    EXPECT_TRUE(stored && stored->whole);

    const DemoRead missing = LoadDemo("demos\\other.dm_48", pk3.string(), false);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.code(), ReadError::Missing);
}

TEST(DemoReaderArchives, SizeClaimsAreBoundedByTheArchiveAndTheDemoLimit)
{
    const testsupport::ScratchDir dir;
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(1000)).End();
    // Noise behind the end marker, so that the deflated member is large enough to make a 512 MB
    // claim plausible by deflate's ratio: only the demo limit refuses it.
    const std::vector<uint8_t> plain = demo.Bytes();
    std::vector<uint8_t> padded = plain;
    uint32_t noise = 12345;
    for (size_t i = 0; i < 600000; ++i) {
        noise = noise * 1103515245 + 12345;
        padded.push_back(static_cast<uint8_t>(noise >> 16));
    }
    const uint64_t limit = kMaxDemoMemberSize;
    const struct {
        const char* what;
        const std::vector<uint8_t>* data;
        uint64_t size;           // the uncompressed size the directory claims
        uint64_t compressedSize; // the compressed size it claims; 0: the real one
        bool refused;
    } cases[] = {
        {"both sizes 0xFFFFFFFF", &plain, 0xFFFFFFFF, 0xFFFFFFFF, true},
        {"4 GB from a small member", &plain, 0xF0000000, 0, true},
        {"the demo limit", &padded, limit, 0, false},
        {"one byte over the demo limit", &padded, limit + 1, 0, true},
    };
    for (const auto& c : cases) {
        testsupport::ZipLayout layout;
        std::vector<uint8_t> zip =
            testsupport::BuildZip({{.name = "a.dm_48", .data = *c.data, .deflate = true}}, {}, &layout);
        const auto put32 = [&](size_t at, uint64_t value) {
            for (int i = 0; i < 4; ++i)
                zip[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
        };
        put32(layout.directoryOffset + 24, c.size);
        if (c.compressedSize)
            put32(layout.directoryOffset + 20, c.compressedSize);
        const auto path = dir.path() / "claim.zip";
        testsupport::WriteFile(path, zip);
        const DemoRead read = LoadDemo("a.dm_48", path.string(), true);
        ASSERT_EQ(read.ok(), !c.refused) << c.what;
        if (c.refused) {
            EXPECT_EQ(read.code(), ReadError::Refused) << c.what;
            EXPECT_EQ(read.text(), "Damaged archive member (size " + std::to_string(c.size) +
                                       " bytes claimed): " + path.string() + " a.dm_48");
        } else {
            EXPECT_TRUE(read->debugMessages.empty()) << c.what;
            EXPECT_EQ(InfoValueOf(*read, "mapname"), "Q3DM6") << c.what;
        }
    }
}

TEST(DemoReaderArchives, UnsupportedMembersSayWhy)
{
    const testsupport::ScratchDir dir;
    DemoBuilder demo = Started(48);
    demo.Add(Message(48).Snapshot(1000)).End();
    const struct {
        uint16_t method;
        uint16_t flags;
        const char* reason; // empty: read as usual
    } cases[] = {
        {9, 0, "Deflate64 compression"}, {12, 0, "bzip2 compression"},
        {14, 0, "LZMA compression"},     {8, 1, "encryption"},
        {99, 0, "encryption"},           {8, 0, ""},
    };
    for (const auto& c : cases) {
        const auto path = dir.path() / "methods.zip";
        testsupport::WriteFile(path, testsupport::BuildZip({{.name = "a.dm_48",
                                                             .data = demo.Bytes(),
                                                             .deflate = true,
                                                             .methodOverride = c.method,
                                                             .extraFlags = c.flags}}));
        const DemoRead read = LoadDemo("a.dm_48", path.string(), false);
        ASSERT_EQ(read.ok(), *c.reason == 0) << c.method;
        if (read) {
            EXPECT_TRUE(read->debugMessages.empty());
            EXPECT_TRUE(read->whole);
            continue;
        }
        EXPECT_EQ(read.code(), ReadError::Refused) << c.method;
        EXPECT_EQ(read.text(),
                  "Archive member not readable (" + std::string(c.reason) + "): " + path.string() + " a.dm_48");
    }
}
