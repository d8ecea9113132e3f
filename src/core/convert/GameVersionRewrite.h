#pragma once
// Giving a demo of protocols 66 to 71 another game version (configuration string 20).
//
// The game code of the engine's data compares that string with its own and stops the demo at once
// when they differ ("Client/Server game mismatch"): a demo recorded with the original game's data
// says "baseq3-1", OpenArena's data expects "baseoa-1", and OpenArena 0.8.1 recorded "baseq3-1" as
// well. Only the game state messages change, and within them only that one configuration string:
// everything else is copied bit for bit, so the demo plays exactly as it was recorded.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct GameVersionRewrite {
    bool ok = false;
    std::vector<uint8_t> bytes; // the whole new demo
    std::string failure;        // what went wrong, for the user, when not ok
    int gameStates = 0;         // game state messages rewritten
    std::string oldVersion;     // the version the first game state held ("" when it had none)
};

// The demo with `gameVersion` as configuration string 20 in every game state, and the end marker.
// Fails on a demo whose messages cannot be followed to the end marker or the end of the data, or
// that holds no game state, and when a rewritten message would exceed the game's message size.
GameVersionRewrite RewriteGameVersion(std::span<const uint8_t> demo, std::string_view gameVersion);

} // namespace core
