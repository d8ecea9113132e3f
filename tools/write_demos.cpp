// Writes demos for listing: a folder of varied matches made by the project's own demo builder.
// The sample game of the README (scripts/prepare-sample-game.sh) and manual listing trials use it:
//
//   write_demos <folder> <count> [--pack NAME.pk3] [--seed N]
//
// Demos are of protocols 43, 45, 46 and 48 (".dm3" and ".dm_48"), on the stock maps, with
// different game types, servers, players, lengths and scores. With --pack they go into one
// archive under "demos/" instead of single files.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/DemoBuilder.h"
#include "support/ZipBuilder.h"

namespace {

struct MapEntry {
    const char* name;
    const char* title;
};

const MapEntry kMaps[] = {{"q3dm17", "The Longest Yard"},        {"q3dm6", "The Camping Grounds"},
                          {"q3tourney2", "The Proving Grounds"}, {"q3dm13", "Lost World"},
                          {"q3ctf1", "Dueling Keeps"},           {"q3tourney4", "Vertical Vengeance"}};
const char* const kHosts[] = {"^1Frag^7Fest", "Clan Arena #2", "Duel Central", "LAN Party", "^4Blue^7Box CTF"};
const char* const kPlayers[] = {"^1Alpha", "Beta", "^3Gamma", "Delta^7X", "Echo", "^5Foxtrot"};

// One match: game state with server info and two players, then snapshots with frags and score
// reports every few seconds, then the end marker.
std::vector<uint8_t> Match(int n, int protocol, std::mt19937& random)
{
    const MapEntry& map = kMaps[n % std::size(kMaps)];
    const int gametype = n % 7 == 3 ? 1 : 0; // mostly free for all, some tournaments
    const std::string host = kHosts[n % std::size(kHosts)];
    const bool newIndices = protocol >= 46;
    const std::string first = kPlayers[n % std::size(kPlayers)];
    // Never the same player twice: the second is 1 to 5 places further on.
    const std::string second = kPlayers[(n + 1 + (n / 7) % 5) % std::size(kPlayers)];
    testsupport::DemoBuilder demo(protocol);
    demo.Add(testsupport::Message(protocol).GameState(
        {{0, "\\sv_hostname\\" + host + "\\protocol\\" + std::to_string(protocol) + "\\mapname\\" + map.name +
                 "\\g_gametype\\" + std::to_string(gametype) + "\\version\\Q3 1.27g linux-i386\\timelimit\\" +
                 std::to_string(10 + n % 3 * 5) + "\\fraglimit\\" + (gametype == 1 ? "10" : "20") +
                 "\\sv_maxclients\\" + std::to_string(gametype == 1 ? 2 : 8) + "\\sv_maxRate\\25000"},
         {1, "\\sv_cheats\\0\\sv_pure\\1"},
         {3, map.title},
         {544, testsupport::UserInfo(first, 0)},
         {545, testsupport::UserInfo(second, 0)}}));
    uint32_t time = 10000, command = 1;
    demo.Add(testsupport::Message(protocol)
                 .ServerCommand(command++, "cs " + std::string(newIndices ? "21" : "13") + " \"10000\"\n")
                 .Snapshot(time));
    const int snapshots = 400 + static_cast<int>(random() % 2400);
    int scoreA = 0, scoreB = 0;
    for (int i = 0; i < snapshots; ++i) {
        time += 50;
        testsupport::Message message(protocol);
        if (i % 40 == 39) {
            if (random() % 3)
                ++scoreA;
            else
                ++scoreB;
            message.ServerCommand(command++, "print \"" + second + " was railed by " + first + "\n\"");
        }
        if (i % 200 == 199 || i + 1 == snapshots) {
            const std::string pad46 = protocol == 46 ? " 0 0 0 0 0 0 0 0 0" : "";
            const std::string pad48 = protocol > 46 ? " 0 0 0 0 0 0 0 0" : "";
            message.ServerCommand(command++, "scores 2 0 0 0 " + std::to_string(scoreA) + " 50 " +
                                                 std::to_string(i / 1200) + " 0 0" + pad46 + pad48 + " 1 " +
                                                 std::to_string(scoreB) + " 60 0 0 0" + pad46 + pad48);
        }
        message.Snapshot(time);
        std::vector<uint8_t> entities(60 + random() % 60);
        for (auto& b : entities)
            b = static_cast<uint8_t>(random());
        message.Raw(entities);
        demo.Add(message);
    }
    demo.Add(testsupport::Message(protocol).ServerCommand(command++, "print \"Fraglimit hit.\n\"").Snapshot(time + 50));
    demo.End();
    return demo.Bytes();
}

int Usage()
{
    std::fprintf(stderr, "usage: write_demos <folder> <count> [--pack NAME.pk3] [--seed N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::filesystem::path folder = argv[1];
    const int count = std::atoi(argv[2]);
    std::string pack;
    unsigned seed = 1;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--pack")
            pack = argv[i + 1];
        else if (option == "--seed")
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        else
            return Usage();
    }
    if (count <= 0)
        return Usage();
    std::filesystem::create_directories(folder);
    std::mt19937 random(seed);
    static const int kProtocols[] = {48, 48, 45, 43, 48, 46};
    std::vector<testsupport::ZipMember> members;
    for (int n = 0; n < count; ++n) {
        const int index = static_cast<int>(seed) * 1000 + n;
        const int protocol = kProtocols[index % std::size(kProtocols)];
        const std::string name = std::string(kMaps[index % std::size(kMaps)].name) + "-" + std::to_string(index) +
                                 (protocol == 48 ? ".dm_48" : ".dm3");
        std::vector<uint8_t> bytes = Match(index, protocol, random);
        if (pack.empty())
            testsupport::WriteBytes((folder / name).string(), bytes);
        else
            members.push_back({.name = "demos/" + name, .data = std::move(bytes), .deflate = true});
    }
    if (!pack.empty())
        testsupport::WriteFile(folder / pack, testsupport::BuildZip(members));
    return 0;
}
