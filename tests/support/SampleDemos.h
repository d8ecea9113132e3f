#pragma once
// The sample demos of the README's sample game (tools/write_demos writes them, tests check them):
// matches of protocols 43, 45, 46 and 48 on maps of OpenArena's data, so that the engine the
// sample game runs can play each one converted.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct SampleDemo {
    std::string name; // "<map>-<number>.dm_48" or ".dm3"
    int protocol = 0;
    std::vector<uint8_t> bytes;
};

// `count` demos, numbered from seed * 1000: the same arguments give the same demos. Each is a
// game state with server info and two players, then a snapshot every 50 ms (the recording player
// in place, the other running round him), frags and score reports every few seconds, then the
// end marker.
std::vector<SampleDemo> SampleDemos(int count, unsigned seed);

} // namespace testsupport
