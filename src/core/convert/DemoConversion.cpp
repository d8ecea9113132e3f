#include "core/convert/DemoConversion.h"

#include <algorithm>

#include "core/convert/ModernDemoConversion.h"
#include "core/convert/OldDemoConversion.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

bool IsOldProtocol(int protocol)
{
    return IsPlainDecodedProtocol(protocol);
}

bool IsModernProtocol(int protocol)
{
    return IsEngineProtocol(protocol);
}

bool Plays(const std::vector<int>& playable, int protocol)
{
    return std::find(playable.begin(), playable.end(), protocol) != playable.end();
}

} // namespace

bool CanConvert(int from, int to)
{
    return (to == kProtocol132 || to == kProtocolOpenArena) && (IsOldProtocol(from) || IsModernProtocol(from));
}

int PreferredConversionTarget(int protocol)
{
    return protocol == kProtocolOpenArena081 ? kProtocolOpenArena : kProtocol132;
}

std::optional<int> ConversionTarget(int protocol, const std::vector<int>& playable)
{
    if (Plays(playable, protocol))
        return std::nullopt;
    if (protocol != kProtocolOpenArena081 && !IsOldProtocol(protocol))
        return std::nullopt;
    const int preferred = PreferredConversionTarget(protocol);
    const int other = preferred == kProtocol132 ? kProtocolOpenArena : kProtocol132;
    if (Plays(playable, preferred))
        return preferred;
    if (Plays(playable, other))
        return other;
    return std::nullopt;
}

std::string DemoExtensionOf(int protocol)
{
    return ".dm_" + std::to_string(protocol);
}

TargetGameData GameDataForBaseFolder(const std::string& baseFolder)
{
    std::string lower = baseFolder;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    if (lower == "baseoa")
        return {"baseoa-1", true};
    return {"baseq3-1", false};
}

TargetGameData ConversionGameData(const std::string& baseFolder, const std::string& gameVersion)
{
    TargetGameData data = GameDataForBaseFolder(baseFolder);
    if (!gameVersion.empty())
        data.gameVersion = gameVersion;
    return data;
}

ConvertedDemo ConvertDemo(std::span<const uint8_t> demo, int fromProtocol, int toProtocol, const TargetGameData& data,
                          std::stop_token stop)
{
    ConvertedDemo result;
    if (!CanConvert(fromProtocol, toProtocol)) {
        result.failure = "a demo of protocol " + std::to_string(fromProtocol) + " cannot be converted to protocol " +
                         std::to_string(toProtocol);
        return result;
    }
    if (IsOldProtocol(fromProtocol))
        return ConvertOldDemo(demo, fromProtocol, toProtocol, data, stop);
    return ConvertModernDemo(demo, fromProtocol, data, stop);
}

} // namespace core
