#pragma once
// A small library with names and texts in several scripts and the searches that must find them,
// shared by the index's, the command line's and the window's tests: one query table for every way
// a search is made.
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/DemoBuilder.h"

namespace searchcases {

struct Demo {
    std::string file;                                         // UTF-8, as the file system holds it
    std::string host;                                         // Latin-1, as the game wrote it
    std::vector<std::pair<std::string, std::string>> players; // Latin-1 name, clan tag
    std::string description;                                  // Latin-1 description file
};

inline std::vector<Demo> Library()
{
    return {
        {"Ünïcödé.dm_48", "Pub", {{"Visor", ""}}, ""},
        {"дуэль-Финал.dm_48", "Server", {{"Sarge", ""}}, ""},
        {"決勝戦.dm_48", "LAN", {{"Doom", ""}}, ""},
        {"plain.dm_48",
         "Stra\xDF"
         "e 1",
         {{"\xC4rger", ""}, {"deltapi", "PLNs"}},
         "Sch\xF6ne Gr\xFC\xDF"
         "e"},
        {"other.dm_48", "Cup", {{"Klesk", "girlz"}, {"ab", ""}}, ""},
    };
}

struct Case {
    std::string query;              // as typed, UTF-8
    std::vector<std::string> found; // demo names, in any order
};

inline std::vector<Case> Cases()
{
    return {
        {"Ünïcödé", {"Ünïcödé.dm_48"}},
        {"ünïcödé", {"Ünïcödé.dm_48"}},
        {"ÜNÏCÖDÉ", {"Ünïcödé.dm_48"}},
        {"ü", {"plain.dm_48", "Ünïcödé.dm_48"}}, // one letter: compared row by row, also "Grüße"
        {"дуэль", {"дуэль-Финал.dm_48"}},
        {"ДУЭЛЬ", {"дуэль-Финал.dm_48"}},
        {"финал", {"дуэль-Финал.dm_48"}},
        {"決勝", {"決勝戦.dm_48"}},   // two characters
        {"決勝戦", {"決勝戦.dm_48"}}, // three: the text index
        {"ärger", {"plain.dm_48"}},   // a Latin-1 player name
        {"player:ÄR", {"plain.dm_48"}},
        {"STRASSE", {"plain.dm_48"}}, // "ß" folds to "ss"
        {"schöne grüsse", {"plain.dm_48"}},
        {"PLNs", {"plain.dm_48"}}, // a clan tag, as a word
        {"player:girlz", {"other.dm_48"}},
        {"player:\"plns deltapi\"", {"plain.dm_48"}}, // as the players list shows it
        {"player:girlz player:deltapi", {"other.dm_48", "plain.dm_48"}},
        {"zzzz", {}},
    };
}

inline std::vector<uint8_t> DemoBytes(const Demo& demo)
{
    std::vector<std::pair<int, std::string>> strings{
        {0, "\\sv_hostname\\" + demo.host + "\\protocol\\48\\mapname\\q3dm6\\g_gametype\\1\\gamename\\baseq3"},
        {1, "\\sv_pure\\1"}};
    for (size_t i = 0; i < demo.players.size(); ++i) {
        std::string info = testsupport::UserInfo(demo.players[i].first, 0);
        if (!demo.players[i].second.empty())
            info += "\\cn\\" + demo.players[i].second;
        strings.emplace_back(544 + static_cast<int>(i), info);
    }
    testsupport::DemoBuilder bytes(48);
    bytes.Add(testsupport::Message(48).GameState(strings));
    bytes.Add(testsupport::Message(48).Snapshot(1000)).Add(testsupport::Message(48).Snapshot(31000)).End();
    return bytes.Bytes();
}

// The demos into `folder`, their descriptions into `userData`.
inline void WriteLibrary(const std::filesystem::path& folder, const std::filesystem::path& userData)
{
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(userData);
    for (const Demo& demo : Library()) {
        testsupport::WriteBytes((folder / demo.file).string(), DemoBytes(demo));
        if (!demo.description.empty())
            std::ofstream(userData / (demo.file + ".description"), std::ios::binary) << "\x01\r\n\x01\r\n\x01\r\n"
                                                                                     << demo.description << "\r\n";
    }
}

} // namespace searchcases
