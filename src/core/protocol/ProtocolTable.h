#pragma once
// Everything the program knows about each demo protocol, as data: how its files are named, how
// its messages are coded, which configuration string holds what, how its score commands are laid
// out, the bounds of its messages and which fields its deltas carry. Code that needs to know
// "which kind of demo is this" asks this table rather than comparing protocol numbers.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/protocol/DemoFieldTables.h"
#include "core/protocol/WireLimits.h"

namespace core {

// Named protocols that the program converts to or recognises by number.
inline constexpr int kProtocol132 = 68;              // game version 1.32, the format the encoder writes
inline constexpr int kProtocolOpenArena081 = 70;     // OpenArena 0.8.1
inline constexpr int kProtocolOpenArena = 71;        // OpenArena 0.8.5 on, and ioquake3's own
inline constexpr int kProtocolBetween117And127 = 46; // recorded by a test version; no game plays it
inline constexpr int kProtocolFirst127 = 47;         // the first that game version 1.27 plays

enum class MessageCoding : uint8_t {
    Plain,   // bits packed as they are (game versions up to 1.27)
    Huffman, // the game's fixed Huffman code (1.29 on, OpenArena, Quake Live)
};

// Configuration string numbers; -1 where the protocol has no such string.
struct ConfigStringNumbers {
    int serverInfo = 0;
    int systemInfo = 1;
    int music = 2;
    int mapTitle = 3;
    int warmup = 5;
    int firstTeamScore = 6; // red's (or the leader's), then blue's
    int voteString = 9;
    int voteYes = 10;
    int voteNo = 11;
    int levelStart = 21;
    int intermission = 22;
    int gameVersion = 20;
    int firstPlayer = 544;
    int players = 64;
    // Quake Live's own.
    int firstPlace = -1;  // name of the leader (games without teams)
    int secondPlace = -1; // name of the runner-up
    int roundStatus = -1; // the round number
    int roundTime = -1;   // the running round's start, "-1" once it is over
    int timeoutStart = -1;
    int timeoutEnd = -1;
};

// The old game (up to 1.17) numbers its level start and intermission before the ones 1.27 added.
inline constexpr ConfigStringNumbers kConfigStringNumbers117 = {
    .levelStart = 13, .intermission = 14, .gameVersion = -1};
inline constexpr ConfigStringNumbers kConfigStringNumbers127 = {.gameVersion = -1};
inline constexpr ConfigStringNumbers kConfigStringNumbers132 = {};
inline constexpr ConfigStringNumbers kConfigStringNumbersQuakeLive = {.levelStart = 13,
                                                                      .intermission = 14,
                                                                      .firstPlayer = 529,
                                                                      .firstPlace = 659,
                                                                      .secondPlace = 660,
                                                                      .roundStatus = 661,
                                                                      .roundTime = 662,
                                                                      .timeoutStart = 669,
                                                                      .timeoutEnd = 670};

// CPMA's own configuration strings (it runs on the protocols of 1.32): its game information, which
// holds the team scores, under either of two numbers depending on its version.
inline constexpr int kCpmaGameInfo = 672;
inline constexpr int kCpmaGameInfoLater = 710;

// Where one of Quake Live's score commands ("scores_duel", "scores_ca", ...) keeps its numbers.
// Positions count the command's tokens from 0 (the command's name).
struct ScoreBoardLayout {
    std::string_view name;
    int countAt;
    int redAt;          // -1: no team scores
    int firstAt;        // first field of the first entry
    int stride;         // fields per entry
    int teamAt;         // within an entry; -1 when absent
    int scoreAt;        // within an entry
    int pingAfterScore; // fields from the score to the ping; the time follows the ping
    // Older servers left the team scores out; the entries then start where the team scores would
    // stand.
    bool teamScoresOptional;
};

struct ProtocolInfo {
    int number;
    std::string_view extension; // the file name extension the game records it under
    MessageCoding coding;
    bool acknowledge;           // messages start with the reliable acknowledge
    bool snapshotClientCommand; // snapshots start with the client command sequence
    bool gameStateClient;       // game states end with the client number and checksum feed
    bool quakeLive;             // Quake Live's game
    bool oldGameTables;         // items, events and statistics numbered as 1.17 numbers them
    const ConfigStringNumbers* configStrings;
    int scoreEntryFields;                          // numbers per entry of the plain "scores" command
    bool scoreAwards;                              // those entries carry the awards (accuracy, impressive, ...)
    std::span<const ScoreBoardLayout> scoreBoards; // Quake Live's own score commands
    size_t maxMessageSize;
    size_t maxGameStateChars;
    int packetBackup;
    const ProtocolFieldTables* fields; // null: the program does not decode the protocol's deltas
};

// Every listed protocol, in ascending order of number.
std::span<const ProtocolInfo> Protocols();
// Null for a protocol the table does not list.
const ProtocolInfo* FindProtocol(int number);
// The rules that hold for a protocol number read from a demo's own text: a listed protocol's row,
// for another number the row of the nearest listed protocol below it (numbers below the oldest
// take the oldest's), never a Quake Live row.
const ProtocolInfo& ProtocolRules(int number);

// Null for a protocol the program does not decode.
const ProtocolFieldTables* FieldTablesFor(int protocol);
bool IsQuakeLiveProtocol(int protocol);
// The protocols the program decodes with the plain coding (the old game's), or the Huffman one.
bool IsPlainDecodedProtocol(int protocol);
bool IsHuffmanDecodedProtocol(int protocol);
// Decoded Huffman protocols other than Quake Live's: the formats the engines of today share.
bool IsEngineProtocol(int protocol);
// True when the extension (lower case, with the dot) is one of the Huffman-coded protocols'.
bool IsModernDemoExtension(std::string_view lowerExtension);
// The one decodable protocol a file name extension names; 0 when it names none or several
// (".dm3" holds 43, 45 or 46: the demo's own server information tells).
int DecodableProtocolOfExtension(std::string_view lowerExtension);
// True when the extension is that of several protocols, so that the demo's text must tell.
bool IsSharedExtension(std::string_view lowerExtension);

// The protocol a server information text names: the two characters after "protocol\" as a
// decimal number (blanks before it and a plus sign allowed); 0 when they are not one.
int ProtocolFromInfo(std::string_view info);

// The list's Protocol column compared as the program always has: as text, byte by byte, against
// the number's decimal text. So "N/A" (a demo too damaged to tell) is above every number and goes
// with 1.27's demos, and "100" is below "47".
bool ProtocolColumnBelow(std::string_view column, int protocol);
bool ProtocolColumnIs(std::string_view column, int protocol);

} // namespace core
