#pragma once
// Reading one recorded demo: the server information, the protocol, the course of the match,
// the scores and the players.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/summary/Player.h"

namespace core {

class MessageSink;

// Everything the reader learns about one demo.
struct DemoState {
    std::string infoString = "N/A"; // server info + system info + "\"
    int protocol = 0;
    std::string gameType = "N/A";
    std::string mapTitle = "N/A";
    std::string music = "N/A";
    std::string recordedText;
    std::string sizeText;
    std::string playtime = "00:00:00";
    std::string score1 = "0";
    std::string score2 = "0";
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

    // Not shown by the lists, but useful to callers.
    uint64_t size = 0;        // demo size in bytes
    uint32_t dosDateTime = 0; // recorded date-time, packed DOS form
    std::string result = "0"; // "1" when both information texts were found
    bool walkedToEnd = false; // the -1 end marker (or the data's end) was reached
    bool cutOff = false;      // the walk broke off inside a message (a cut or damaged demo)
    std::string breakNote;    // where it broke off, for the user; empty for a whole demo
    bool memoryError = false; // the demo did not fit into memory
    // "Debug" messages the reader raised, in order; GetFromDemo shows them through the sink.
    std::vector<std::string> debugMessages;
};

struct ReadWishes {
    bool courseLog = false;     // event lines and score tables in the course log
    std::string_view extension; // the demo file's extension, lower-cased (".dm_68"); decides the
                                // message format of modern demos
};

// Parses a whole demo held in memory. Pure: no globals, no messages shown; safe on any thread.
// The recorded text, size text and dosDateTime are set by the caller (they come from the file).
DemoState ReadDemo(std::span<const uint8_t> data, const ReadWishes& wishes);

// Loads a demo file (archive empty) or the member `name` of the archive, reads it, stores the
// result in CurrentDemo and shows its debug messages through the message sink. "1" or "0".
std::string GetFromDemo(const std::string& name, const std::string& archive, bool courseLogWish);

// The same without touching CurrentDemo or showing messages: the scanner's threads use this.
DemoState LoadDemo(const std::string& name, const std::string& archive, bool courseLogWish);
// An archive member whose place the caller took from the archive's directory.
struct MemberPlace;
DemoState LoadDemoMember(const std::string& name, const std::string& archive, const MemberPlace& place,
                         bool courseLogWish);

// The program-wide result of the last GetFromDemo.
extern DemoState CurrentDemo;

// Key lookup in a backslash-separated info text (see the rule in DemoReader.cpp); "N/A" if absent.
std::string InfoValueIn(std::string_view key, std::string_view text);
std::string InfoValue(std::string_view key);
std::string InfoValueOf(const DemoState& demo, std::string_view key);

// The n-th token of a server command, quotes grouping blanks, trimmed of characters below 35.
std::string GetToken(std::string_view text, int n);
// The same token as a view into `text`.
std::string_view GetTokenView(std::string_view text, int n);

// The course log line prefix time, "^4hh:mm:ss" style text without the colour code.
std::string CourseTimeText(int64_t milliseconds);

} // namespace core
