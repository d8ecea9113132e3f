#include "support/SampleDemos.h"

#include <cmath>
#include <iterator>
#include <numbers>
#include <random>

#include "support/DemoBuilder.h"

namespace testsupport {
namespace {

// A map of OpenArena's data and two of its spawn points in sight of each other (from the map's
// entities): the recording player stands at the first, the other runs round the second.
struct MapEntry {
    const char* name;
    const char* title;
    std::array<int, 3> viewer;
    std::array<int, 3> other;
};

const MapEntry kMaps[] = {
    {"wrackdm17", "Never Ending Yard", {-1344, 704, 296}, {-1432, 232, 296}},
    {"q3dm6ish", "q3dm6ish", {320, -176, 160}, {704, -224, 160}},
    {"czest1tourney", "Czest Tourney", {-320, 448, 24}, {-64, 448, 24}},
    {"oa_dm1", "Place of Two Deaths", {-432, 1596, 24}, {104, 1392, 24}},
    {"oa_ctf2", "oa_ctf2", {1890, 984, 321}, {2244, 996, 324}},
    {"oa_dm2", "Claustrophobopolis", {2624, -488, 32}, {2560, -192, 32}},
};
const char* const kHosts[] = {"^1Frag^7Fest", "Clan Arena #2", "Duel Central", "LAN Party", "^4Blue^7Box CTF"};
const char* const kPlayers[] = {"^1Alpha", "Beta", "^3Gamma", "Delta^7X", "Echo", "^5Foxtrot"};

int Degrees(double radians)
{
    const int degrees = static_cast<int>(std::lround(radians * 180.0 / std::numbers::pi));
    return (degrees + 360) % 360;
}

std::vector<uint8_t> Match(int n, int protocol, std::mt19937& random)
{
    const MapEntry& map = kMaps[n % std::size(kMaps)];
    const int gametype = n % 7 == 3 ? 1 : 0; // mostly free for all, some tournaments
    const std::string host = kHosts[n % std::size(kHosts)];
    const bool newIndices = protocol >= 46;
    const std::string first = kPlayers[n % std::size(kPlayers)];
    // Never the same player twice: the second is 1 to 5 places further on.
    const std::string second = kPlayers[(n + 1 + (n / 7) % 5) % std::size(kPlayers)];
    DemoBuilder demo(protocol);
    demo.Add(Message(protocol).GameState(
        {{0, "\\sv_hostname\\" + host + "\\protocol\\" + std::to_string(protocol) + "\\mapname\\" + map.name +
                 "\\g_gametype\\" + std::to_string(gametype) + "\\version\\Q3 1.27g linux-i386\\timelimit\\" +
                 std::to_string(10 + n % 3 * 5) + "\\fraglimit\\" + (gametype == 1 ? "10" : "20") +
                 "\\sv_maxclients\\" + std::to_string(gametype == 1 ? 2 : 8) + "\\sv_maxRate\\25000"},
         {1, "\\sv_cheats\\0\\sv_pure\\1"},
         {3, map.title},
         {544, UserInfo(first, 0)},
         {545, UserInfo(second, 0)}}));

    OldSnapshot view;
    view.viewer.origin = map.viewer;
    view.viewer.yaw = Degrees(std::atan2(map.other[1] - map.viewer[1], map.other[0] - map.viewer[0]));
    view.others.push_back({.clientNum = 1, .origin = map.other});
    // The other player runs a circle of 64 units in 4 seconds, facing where he runs.
    const auto place = [&](uint32_t time) {
        const double angle = 2 * std::numbers::pi * static_cast<double>(time % 4000) / 4000.0;
        OldPlayer& other = view.others[0];
        other.origin = {map.other[0] + static_cast<int>(std::lround(64 * std::cos(angle))),
                        map.other[1] + static_cast<int>(std::lround(64 * std::sin(angle))), map.other[2]};
        other.yaw = Degrees(angle + std::numbers::pi / 2);
        return view;
    };

    uint32_t time = 10000, command = 1;
    demo.Add(Message(protocol)
                 .ServerCommand(command++, "cs " + std::string(newIndices ? "21" : "13") + " \"10000\"\n")
                 .Snapshot(time, place(time)));
    const int snapshots = 400 + static_cast<int>(random() % 2400);
    int scoreA = 0, scoreB = 0;
    for (int i = 0; i < snapshots; ++i) {
        time += 50;
        Message message(protocol);
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
        demo.Add(message.Snapshot(time, place(time)));
    }
    demo.Add(
        Message(protocol).ServerCommand(command++, "print \"Fraglimit hit.\n\"").Snapshot(time + 50, place(time + 50)));
    demo.End();
    return demo.Bytes();
}

} // namespace

std::vector<SampleDemo> SampleDemos(int count, unsigned seed)
{
    std::mt19937 random(seed);
    static const int kProtocols[] = {48, 48, 45, 43, 48, 46};
    std::vector<SampleDemo> demos;
    for (int n = 0; n < count; ++n) {
        const int index = static_cast<int>(seed) * 1000 + n;
        const int protocol = kProtocols[index % std::size(kProtocols)];
        SampleDemo& demo = demos.emplace_back();
        demo.protocol = protocol;
        demo.name = std::string(kMaps[index % std::size(kMaps)].name) + "-" + std::to_string(index) +
                    (protocol == 48 ? ".dm_48" : ".dm3");
        demo.bytes = Match(index, protocol, random);
    }
    return demos;
}

} // namespace testsupport
