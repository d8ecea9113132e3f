#pragma once
// A demo of a DeFRaG server (or of another mod's, for contrast) whose finish prints come late,
// after many snapshots, as in a recorded run.
#include <cstdint>
#include <string>
#include <vector>

#include "support/HuffmanEncoder.h"

namespace testsupport {

inline std::vector<uint8_t> DefragDemo(const std::string& mod, const std::string& promode,
                                       const std::vector<std::string>& prints, const std::string& map = "St1")
{
    std::string info = "\\sv_hostname\\df\\protocol\\68\\mapname\\" + map + "\\g_gametype\\0\\gamename\\" + mod;
    if (!promode.empty())
        info += "\\df_promode\\" + promode + "\\defrag_vers\\19127";
    std::vector<std::vector<uint8_t>> messages;
    messages.push_back(
        ModernMessageBuilder(0)
            .GameState(1, {{0, info}, {1, "\\fs_game\\" + mod + "\\sv_pure\\0"}, {544, "n\\^1Bob\\t\\0"}})
            .End()
            .Payload());
    for (uint32_t i = 0; i < 200; ++i)
        messages.push_back(ModernMessageBuilder(0).Snapshot(1000 + 25 * i).Payload());
    uint32_t sequence = 1;
    for (const std::string& print : prints) {
        ++sequence;
        messages.push_back(ModernMessageBuilder(0)
                               .ServerCommand(sequence, "print \"" + print + "\n\"")
                               .Snapshot(6000 + sequence)
                               .Payload());
    }
    return ModernDemoFile(messages);
}

} // namespace testsupport
