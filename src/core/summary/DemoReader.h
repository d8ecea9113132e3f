#pragma once
// Reading one recorded demo: the server information, the protocol, the course of the match,
// the scores and the players.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"
#include "core/row/DemoValues.h"
#include "core/summary/Player.h"

namespace core {

// Everything the reader learns about one demo.
struct DemoState {
    std::string infoString = "N/A"; // server info + system info + "\"
    int protocol = 0;
    std::string gameType = "N/A";
    std::string mapTitle = "N/A";
    std::string music = "N/A";
    uint32_t playtimeSeconds = 0;
    // The team scores (red, blue); none when the demo wrote something else than a number.
    Score score1 = 0;
    Score score2 = 0;
    int fieldsPerScoreEntry = 6;
    int scoreEntries = 0;
    std::vector<Player> players; // index = the game's client number
    std::vector<std::string> courseLog;
    bool scoresSeen = false;
    bool gameStarted = false;
    bool gameEnded = false;
    bool scoresFrozen = false;
    // A match given up by one side, which Quake Live marks by that side's score -999: 0 when the
    // first side left (red, or the leader), 1 the second; -1 when nobody did. The other side wins.
    int forfeitedSide = -1;
    // A demo of the DeFRaG mod: the physics of its server and its fastest finish; none for the
    // demos of every other mod.
    std::optional<DefragRun> defrag;

    uint64_t size = 0; // demo size in bytes
    // The file's or member's last-write time, packed DOS form; none for bytes not from a file.
    std::optional<uint32_t> recorded;
    bool whole = false;       // both information texts were found and the walk did not break off
    bool walkedToEnd = false; // the -1 end marker (or the data's end) was reached
    bool cutOff = false;      // the walk broke off inside a message (a cut or damaged demo)
    std::string breakNote;    // where it broke off, for the user; empty for a whole demo
    // Messages about the demo's damage, in order ("Parsing Error ..."): the caller decides
    // whether to show them.
    std::vector<std::string> debugMessages;
};

struct ReadWishes {
    bool courseLog = false;     // event lines and score tables in the course log
    std::string_view extension; // the demo file's extension, lower-cased (".dm_68"); decides the
                                // message format of modern demos
};

// Parses a whole demo held in memory. Pure: no globals, no messages shown; safe on any thread.
// The recorded date is set by the caller (it comes from the file).
DemoState ReadDemo(std::span<const uint8_t> data, const ReadWishes& wishes);

// The record of a demo nothing could be read of: every text "N/A", nobody playing.
DemoState UnreadDemo();

// Why a demo file or member gave no bytes to read.
enum class ReadError {
    Missing,     // the file or member is gone or cannot be opened; no text
    OutOfMemory, // no memory for the demo
    Refused,     // an archive member that is damaged or packed in a way that cannot be read
};
// A demo's record; a damaged or cut demo is a record too, with what could be read of it.
using DemoRead = Result<DemoState, ReadError>;

// Loads a demo file (archive empty) or the member `name` of the archive and reads it. Shows
// nothing: the record's debug messages and a failure's text are the caller's to show.
DemoRead LoadDemo(const std::string& name, const std::string& archive, bool courseLogWish);
// An archive member whose place the caller took from the archive's directory.
struct MemberPlace;
DemoRead LoadDemoMember(const std::string& name, const std::string& archive, const MemberPlace& place,
                        bool courseLogWish);

// Key lookup in a backslash-separated info text (see the rule in DemoReader.cpp); "N/A" if absent.
std::string InfoValueIn(std::string_view key, std::string_view text);
std::string InfoValueOf(const DemoState& demo, std::string_view key);

// The n-th token of a server command, quotes grouping blanks, trimmed of characters below 35.
std::string GetToken(std::string_view text, int n);
// The same token as a view into `text`.
std::string_view GetTokenView(std::string_view text, int n);

// The course log line prefix time, "^4hh:mm:ss" style text without the colour code.
std::string CourseTimeText(int64_t milliseconds);

} // namespace core
