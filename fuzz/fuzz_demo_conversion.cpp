// A demo through the conversion for today's engines, the first byte choosing the protocol it is
// taken for and the game data it is made for. Besides not crashing: a conversion that succeeds
// gives a demo the decoder reads to its end marker as protocol 68, with the game version asked
// for, damaged or not: a demo damaged inside is converted up to the damage, and says where.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "core/convert/DemoConversion.h"
#include "core/demo/DemoDecoder.h"

namespace {

constexpr int kProtocols[] = {43, 45, 46, 48, 66, 67, 68, 70, 71};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// True when the demo decodes to its end marker; `version` tells whether a game state named it.
bool DecodesWhole(std::span<const uint8_t> demo, int protocol, const std::string& version, bool& versionSeen)
{
    core::DemoDecoder decoder(demo, protocol);
    core::DemoMessage message;
    versionSeen = false;
    while (decoder.Next(message))
        if (message.gameState)
            for (const auto& [index, text] : message.gameState->configStrings)
                versionSeen = versionSeen || (index == 20 && text == version);
    return decoder.Error() == core::DecodeError::None && decoder.EndMarkerSeen();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int protocol = kProtocols[(data[0] & 0x7F) % std::size(kProtocols)];
    const core::TargetGameData target = core::GameDataForBaseFolder(data[0] & 0x80 ? "baseoa" : "baseq3");
    const std::span<const uint8_t> demo(data + 1, size - 1);

    const core::ConvertedDemo converted = core::ConvertDemo(demo, protocol, 68, target);
    Check(converted.ok == converted.failure.empty());
    if (!converted.ok)
        return 0;
    bool versionSeen = false;
    Check(DecodesWhole(converted.bytes, 68, target.gameVersion, versionSeen));
    Check(versionSeen);
    return 0;
}
