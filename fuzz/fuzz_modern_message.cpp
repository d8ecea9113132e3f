// One message payload of a modern demo, as the demo reader hands it over. Besides not crashing,
// the decoder must keep its promises about what it reports.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/protocol/ModernMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<core::ModernCommand> out;
    const core::ModernDecodeResult result = core::DecodeModernMessage({data, size}, out);
    if (result.ok != (result.field == core::ModernField::None)) {
        std::abort();
    }
    if (result.ended && (result.unknownCommand >= 0 || !result.ok)) {
        std::abort();
    }
    for (const core::ModernCommand& command : out) {
        if (command.text.size() > 8191 || command.index < 0 || command.index > 65535) {
            std::abort();
        }
    }
    // Every command costs at least one coded byte, and a code is at least two bits long.
    if (out.size() > size * 4) {
        std::abort();
    }
    // The snapshot shortcut agrees with the full decoder, with and without a remembered
    // acknowledge.
    core::QuickSnapshotMemo memo;
    for (int pass = 0; pass < 2; ++pass) {
        uint32_t time = 0;
        const bool quick = core::QuickSnapshotTime({data, size}, time, memo);
        if (quick &&
            (out.empty() || out.front().kind != core::ModernCommand::Snapshot || out.front().serverTime != time)) {
            std::abort();
        }
        if (quick && !core::IsQuickSnapshot({data, size}, memo)) {
            std::abort();
        }
    }
    return 0;
}
