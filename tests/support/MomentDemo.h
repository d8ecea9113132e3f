#pragma once
// Protocol 68 demos with frags at known places and times, for the moment searches: a snapshot
// every 50 ms, every player standing on the ground at height 0 until told otherwise.
//
//   MomentDemoPlan plan{.players = {"Alice", "Bob"}};
//   plan.places.push_back({12000, 1, 100, false});  // Bob in the air at height 100 from 12 s
//   plan.frags.push_back({12000, 0, 1, 6});         // Alice rockets him
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
struct MomentDemoPlan {
    std::string map = "q3dm6";
    std::vector<std::string> players{}; // by client number
    int recorder = 0;                   // whose own state the snapshots hold (no entity of his)
    std::vector<PlaceAt> places{};      // in time order
    std::vector<FragAt> frags{};
    std::vector<std::pair<int32_t, std::string>> commands{}; // server commands ("chat \"...\"")
    int32_t start = 10000, end = 30000;
};

inline std::vector<uint8_t> MomentDemoBytes(const MomentDemoPlan& plan)
{
    EventDemoModel demo(68);
    std::vector<std::pair<int, std::string>> strings{
        {0, "\\protocol\\68\\g_gametype\\0\\mapname\\" + plan.map + "\\gamename\\baseq3"}};
    for (size_t i = 0; i < plan.players.size(); ++i)
        strings.emplace_back(demo.PlayerIndex(static_cast<int>(i)), "n\\" + plan.players[i] + "\\t\\0");
    demo.GameState(strings);
    demo.Last().gameState->clientNumber = plan.recorder;
    demo.Last().gameState->checksumFeed = 0;
    std::vector<std::pair<int, bool>> place(plan.players.size(), {0, true}); // height, on the ground
    size_t nextPlace = 0, nextCommand = 0;
    for (int32_t t = plan.start; t <= plan.end; t += 50) {
        for (; nextPlace < plan.places.size() && plan.places[nextPlace].time <= t; ++nextPlace)
            place[static_cast<size_t>(plan.places[nextPlace].client)] = {plan.places[nextPlace].z,
                                                                         plan.places[nextPlace].onGround};
        for (; nextCommand < plan.commands.size() && plan.commands[nextCommand].first <= t; ++nextCommand)
            demo.Command(plan.commands[nextCommand].second);
        std::vector<core::EntityState> entities;
        for (size_t c = 0; c < plan.players.size(); ++c) {
            if (static_cast<int>(c) == plan.recorder)
                continue;
            core::EntityState& e = entities.emplace_back(EventDemoModel::Player(static_cast<int>(c)));
            e[core::EntityField::PosTrBase0] = core::FloatAsField(100.0f * static_cast<float>(c));
            e[core::EntityField::PosTrBase2] = core::FloatAsField(static_cast<float>(place[c].first));
            e[core::EntityField::GroundEntityNum] = place[c].second ? 1022 : 1023;
        }
        for (size_t i = 0; i < plan.frags.size(); ++i)
            if (plan.frags[i].time == t)
                entities.push_back(demo.Obituary(100 + static_cast<int>(i % 900), plan.frags[i].victim,
                                                 plan.frags[i].attacker, plan.frags[i].meansOfDeath));
        demo.Snapshot(t, entities);
        core::PlayerState& own = demo.Last().snapshot->player;
        own[core::PlayerField::CommandTime] = static_cast<uint32_t>(t);
        own[core::PlayerField::ClientNum] = static_cast<uint32_t>(plan.recorder);
        own[core::PlayerField::Origin2] =
            core::FloatAsField(static_cast<float>(place[static_cast<size_t>(plan.recorder)].first));
        own[core::PlayerField::GroundEntityNum] = place[static_cast<size_t>(plan.recorder)].second ? 1022 : 1023;
    }
    return EncodeDemo(demo);
}

} // namespace testsupport
