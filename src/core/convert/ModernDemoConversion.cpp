#include "core/convert/ModernDemoConversion.h"

#include <algorithm>

#include "core/convert/CheckedDecoder.h"
#include "core/convert/GameVersionRewrite.h"
#include "core/convert/OldGameNumbers.h"
#include "core/demo/DemoEncoder.h"

namespace core {
namespace {

constexpr int kOpenArena081 = kProtocolOpenArena081;

void SetGameVersion(GameState& gameState, const std::string& gameVersion)
{
    auto& strings = gameState.configStrings;
    const auto at = std::lower_bound(strings.begin(), strings.end(), kGameVersionIndex,
                                     [](const auto& entry, int index) { return entry.first < index; });
    if (at != strings.end() && at->first == kGameVersionIndex)
        at->second = gameVersion;
    else
        strings.insert(at, {kGameVersionIndex, gameVersion});
}

ConvertedDemo WithOpenArenaStats(std::span<const uint8_t> demo, int protocol, const TargetGameData& data,
                                 std::stop_token stop)
{
    ConvertedDemo result;
    result.bytes.reserve(demo.size() + demo.size() / 8);
    DemoEncoder encoder(result.bytes);
    CheckedDecoder decoder(demo, protocol, true);
    DemoMessage message;
    bool gameState = false;
    while (!stop.stop_requested() && decoder.Next(message)) {
        if (message.gameState) {
            SetGameVersion(*message.gameState, data.gameVersion);
            gameState = true;
        }
        // The game does not show a snapshot coded against one it no longer holds; coded again, it
        // would show what the decoder made of it.
        if (message.snapshot && !message.snapshot->valid)
            message.snapshot.reset();
        if (message.snapshot)
            message.snapshot->player.stats = StatsToOpenArena(message.snapshot->player.stats);
        if (const EncodeError error = encoder.Add(message); error != EncodeError::None) {
            result.failure = "message " + std::to_string(message.sequence) +
                             " could not be written: " + std::string(EncodeErrorText(error));
            return result;
        }
    }
    if (stop.stop_requested()) {
        result.bytes = {};
        result.failure = kConversionStopped;
        return result;
    }
    if (!gameState) {
        result.failure = decoder.Damaged() ? decoder.Damage() + ", before its first game state"
                                           : std::string("the demo holds no game state");
        return result;
    }
    encoder.Finish();
    result.brokeOff = decoder.Damage();
    result.ok = true;
    return result;
}

} // namespace

ConvertedDemo ConvertModernDemo(std::span<const uint8_t> demo, int protocol, const TargetGameData& data,
                                std::stop_token stop)
{
    if (protocol == kOpenArena081 && data.openArenaNumbers)
        return WithOpenArenaStats(demo, protocol, data, stop);

    ConvertedDemo result;
    CheckedDecoder decoder(demo, protocol, true);
    DemoMessage message;
    bool gameState = false;
    while (!stop.stop_requested() && decoder.Next(message))
        gameState = gameState || message.gameState.has_value();
    if (stop.stop_requested()) {
        result.failure = kConversionStopped;
        return result;
    }
    if (!gameState) {
        result.failure = decoder.Damaged() ? decoder.Damage() + ", before its first game state"
                                           : std::string("the demo holds no game state");
        return result;
    }
    GameVersionRewrite rewrite = RewriteGameVersion(demo.first(decoder.WholeEnd()), data.gameVersion);
    result.ok = rewrite.ok;
    result.bytes = std::move(rewrite.bytes);
    result.failure = std::move(rewrite.failure);
    if (result.ok)
        result.brokeOff = decoder.Damage();
    return result;
}

} // namespace core
