#pragma once
// Demos of protocols 66 to 71 for the engine's data.
//
// Every message is decoded first, so that nothing the game would stop at reaches the new demo: a
// demo damaged inside is converted up to the damage, which the result names. The messages are then
// copied with the game version of the engine's data (GameVersionRewrite), bit for bit otherwise,
// except for OpenArena 0.8.1's demos made for OpenArena's data: its game code of 0.8.5 on keeps
// the persistant power-up in player stat 2, where 0.8.1 (like 1.32) keeps the weapons, so those
// demos are decoded, their stats moved and coded again.
#include <cstdint>
#include <span>

#include "core/convert/DemoConversion.h"

namespace core {

// The demo for the engine's data, in the format protocols 66 to 71 share (only the file's extension
// tells them apart).
ConvertedDemo ConvertModernDemo(std::span<const uint8_t> demo, int protocol, const TargetGameData& data,
                                std::stop_token stop = {});

} // namespace core
