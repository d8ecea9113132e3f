#pragma once
// Turning a demo into one of a protocol the configured engine plays.
//
// The engines of today (ioquake3, OpenArena) play protocols 66 to 71 only. Demos of the old game
// (protocols 43 to 48, ".dm3" and ".dm_48") become protocol 68 demos: every message is decoded, its
// numbers are mapped to the 1.32 game's and it is coded again. OpenArena 0.8.1's demos (protocol
// 70) already have the message format of 68 and 71; they only need the game version of the
// engine's data, and the extension ".dm_71" that the engine accepts.
#include <cstdint>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace core {

struct ConvertedDemo {
    bool ok = false;
    std::vector<uint8_t> bytes;
    std::string failure;              // what went wrong, for the user, when not ok
    std::vector<std::string> dropped; // what the conversion left out, as the course log says it
    // Where a demo damaged or cut off inside broke off, when it was converted up to there ("the
    // demo breaks off at byte 1234 (...)"); empty for a whole demo.
    std::string brokeOff;
};

// True when a demo of protocol `from` can be turned into one of protocol `to`: 43, 45, 46, 48 and
// 66 to 71 into 68 or 71.
bool CanConvert(int from, int to);

// The protocol a demo becomes when nothing else is asked for: 71, the protocol of OpenArena's
// engine, for OpenArena 0.8.1's ".dm_70" demos; 68, 1.32's, for all others.
int PreferredConversionTarget(int protocol);

// The protocol a demo is converted to for a program that plays `playable`: nullopt when the
// program plays the demo as it is, or when it plays none of the protocols the demo can become.
// A ".dm_70" demo prefers 71 and the old ones 68, each the protocol its engine records.
std::optional<int> ConversionTarget(int protocol, const std::vector<int>& playable);

// ".dm_68" for 68.
std::string DemoExtensionOf(int protocol);

// What the game code of the engine's data expects of a demo beyond its protocol.
struct TargetGameData {
    // Configuration string 20: the game code stops a demo that names another.
    std::string gameVersion = "baseq3-1";
    // OpenArena's game code (0.8.5 to 0.8.8) keeps the persistant power-up in player stat 2, before
    // the weapons (1.32 has the weapons there), and numbers the means of death with the mission
    // pack's five in the middle (the grappling hook is 28, not 23).
    bool openArenaNumbers = false;
    bool operator==(const TargetGameData&) const = default;
};

// The data in this base folder: OpenArena's for "baseoa" (game version "baseoa-1"), the original
// game's packs otherwise ("baseq3-1").
TargetGameData GameDataForBaseFolder(const std::string& baseFolder);
// The data converted demos are made for: by the base folder setting, with the game version of
// the "game_version" setting when it is set (empty: the base folder's).
TargetGameData ConversionGameData(const std::string& baseFolder, const std::string& gameVersion);

// Converts the demo's bytes for the engine's data. A stop request ends it between two messages,
// without a result (kConversionStopped).
ConvertedDemo ConvertDemo(std::span<const uint8_t> demo, int fromProtocol, int toProtocol, const TargetGameData& data,
                          std::stop_token stop = {});
inline constexpr const char* kConversionStopped = "the conversion was stopped";

} // namespace core
