#pragma once
// Protocol 68 demos with frags at known places and times, for the moment searches: a snapshot
// every 50 ms, every player standing on the ground at height 0 until told otherwise.
//
//   MomentDemoSpec spec{.players = {"Alice", "Bob"}};
//   spec.places.push_back({12000, 1, 100, false});  // Bob in the air at height 100 from 12 s
//   spec.frags.push_back({12000, 0, 1, 6});         // Alice rockets him
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/EventDemoModel.h"

namespace testsupport {

struct PlaceAt {
    int32_t time;
    int client;
    int z;
    bool onGround;
};
struct FragAt {
    int32_t time;
    int attacker, victim;
    int meansOfDeath; // 1.32's numbers: 6 rocket, 7 rocket splash, 10 railgun
};
struct MomentDemoSpec {
    std::string map = "q3dm6";
    std::vector<std::string> players{}; // by client number
    int recorder = 0;                   // whose own state the snapshots hold (no entity of his)
    std::vector<PlaceAt> places{};      // in time order
    std::vector<FragAt> frags{};
    std::vector<std::pair<int32_t, std::string>> commands{}; // server commands ("chat \"...\"")
    int32_t start = 10000, end = 30000;
};

inline std::vector<uint8_t> MomentDemoBytes(const MomentDemoSpec& spec)
{
    EventDemoModel demo(68);
    std::vector<std::pair<int, std::string>> strings{
        {0, "\\protocol\\68\\g_gametype\\0\\mapname\\" + spec.map + "\\gamename\\baseq3"}};
    for (size_t i = 0; i < spec.players.size(); ++i)
        strings.emplace_back(demo.PlayerIndex(static_cast<int>(i)), "n\\" + spec.players[i] + "\\t\\0");
    demo.GameState(strings);
    demo.Last().gameState->clientNumber = spec.recorder;
    demo.Last().gameState->checksumFeed = 0;
    std::vector<std::pair<int, bool>> place(spec.players.size(), {0, true}); // height, on the ground
    size_t nextPlace = 0, nextCommand = 0;
    for (int32_t t = spec.start; t <= spec.end; t += 50) {
        for (; nextPlace < spec.places.size() && spec.places[nextPlace].time <= t; ++nextPlace)
            place[static_cast<size_t>(spec.places[nextPlace].client)] = {spec.places[nextPlace].z,
                                                                         spec.places[nextPlace].onGround};
        for (; nextCommand < spec.commands.size() && spec.commands[nextCommand].first <= t; ++nextCommand)
            demo.Command(spec.commands[nextCommand].second);
        std::vector<core::EntityState> entities;
        for (size_t c = 0; c < spec.players.size(); ++c) {
            if (static_cast<int>(c) == spec.recorder)
                continue;
            core::EntityState& e = entities.emplace_back(EventDemoModel::Player(static_cast<int>(c)));
            e[core::EntityField::PosTrBase0] = core::FloatAsField(100.0f * static_cast<float>(c));
            e[core::EntityField::PosTrBase2] = core::FloatAsField(static_cast<float>(place[c].first));
            e[core::EntityField::GroundEntityNum] = place[c].second ? 1022 : 1023;
        }
        for (size_t i = 0; i < spec.frags.size(); ++i)
            if (spec.frags[i].time == t)
                entities.push_back(demo.Obituary(100 + static_cast<int>(i % 900), spec.frags[i].victim,
                                                 spec.frags[i].attacker, spec.frags[i].meansOfDeath));
        demo.Snapshot(t, entities);
        core::PlayerState& own = demo.Last().snapshot->player;
        own[core::PlayerField::CommandTime] = static_cast<uint32_t>(t);
        own[core::PlayerField::ClientNum] = static_cast<uint32_t>(spec.recorder);
        own[core::PlayerField::Origin2] =
            core::FloatAsField(static_cast<float>(place[static_cast<size_t>(spec.recorder)].first));
        own[core::PlayerField::GroundEntityNum] = place[static_cast<size_t>(spec.recorder)].second ? 1022 : 1023;
    }
    return EncodeDemo(demo);
}

} // namespace testsupport
