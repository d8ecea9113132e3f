// A whole demo through the full decoder, the first byte choosing the protocol. Besides not
// crashing, the decoder keeps the bounds it promises, and what the protocol 68 encoder makes of
// the decoded messages decodes again, to the same snapshots where the formats agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"

namespace {

constexpr int kProtocols[] = {43, 45, 46, 48, 66, 67, 68, 70, 71, 73, 90, 91};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckBounds(const core::DemoMessage& m)
{
    for (const core::ServerCommand& c : m.serverCommands)
        Check(c.text.size() <= 1023);
    if (m.gameState) {
        int previous = -1;
        for (const auto& [index, text] : m.gameState->configStrings) {
            Check(index > previous && index < core::kMaxConfigStrings && text.size() <= 8191);
            previous = index;
        }
        previous = -1;
        for (const core::EntityState& b : m.gameState->baselines) {
            Check(b.number > previous && b.number < core::kMaxEntities);
            previous = b.number;
        }
    }
    if (m.snapshot) {
        Check(m.snapshot->areaMask.size() <= static_cast<size_t>(core::kMaxAreaMaskBytes));
        int previous = -1;
        for (const core::EntityState& e : m.snapshot->entities) {
            Check(e.number > previous && e.number < core::kNoEntity);
            previous = e.number;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int protocol = kProtocols[data[0] % std::size(kProtocols)];
    const std::span<const uint8_t> demo(data + 1, size - 1);

    std::vector<core::DemoMessage> accepted;
    std::vector<uint8_t> encoded;
    {
        core::DemoDecoder decoder(demo, protocol);
        core::DemoEncoder encoder(encoded);
        core::DemoMessage message;
        while (decoder.Next(message)) {
            CheckBounds(message);
            if (encoder.Add(message) == core::EncodeError::None)
                accepted.push_back(message);
        }
        Check(decoder.MessageCount() <= static_cast<int>(size / 8));
        encoder.Finish();
    }

    // Protocols 66 to 71 share 68's tables: their snapshots come back field for field.
    const bool sameFormat = protocol >= 66 && protocol <= 71;
    core::DemoDecoder again(encoded, 68);
    core::DemoMessage back;
    for (const core::DemoMessage& original : accepted) {
        Check(again.Next(back));
        Check(back.sequence == original.sequence && back.serverCommands == original.serverCommands);
        Check(back.snapshot.has_value() == original.snapshot.has_value());
        if (sameFormat && original.snapshot) {
            Check(back.snapshot->player == original.snapshot->player);
            Check(back.snapshot->entities == original.snapshot->entities);
        }
        if (original.gameState)
            Check(back.gameState && back.gameState->configStrings == original.gameState->configStrings);
    }
    Check(!again.Next(back) && again.Error() == core::DecodeError::None && again.EndMarkerSeen());
    return 0;
}
