// Texts the program reads from servers and from its own index, on arbitrary bytes. The first byte
// picks the reader: the mods' match statistics commands (its next bits pick the protocol), the
// DeFRaG finish prints, or a demo's stored events; a stored value read with a kind filter must give
// exactly the events of the whole read that pass it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/events/MatchStatistics.h"
#include "core/index/EventStore.h"
#include "core/summary/DefragRuns.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
    case 0: {
        static const int protocols[] = {48, 66, 68, 73, 90, 91, 45, 71};
        core::MatchStatisticsCollector collector(protocols[(data[0] >> 2) & 7]);
        collector.FollowedClient(data[0] >> 5);
        // One command per line, as the server sends them one by one.
        int32_t sequence = 1;
        for (size_t at = 0; at <= text.size();) {
            const size_t end = std::min(text.find('\n', at), text.size());
            collector.ServerCommand(sequence++, text.substr(at, end - at));
            at = end + 1;
        }
        (void)collector.Finish();
        break;
    }
    case 1:
        (void)core::ReadDefragFinish(text);
        (void)core::ReadRunClock(text);
        (void)core::IsDefragInfo(text);
        (void)core::DefragPhysics(text);
        break;
    default: {
        std::vector<core::StoredEvent> all, some;
        const bool whole = core::DecodeEvents(text, 1000, all);
        const uint32_t kinds = core::KindBit(core::EventKind::Frag) | core::KindBit(core::EventKind::Chat);
        const bool wholeSome = core::DecodeEvents(text, 1000, kinds, some);
        size_t kept = 0;
        for (const core::StoredEvent& event : all)
            if (core::KindBit(event.kind) & kinds) {
                if (kept >= some.size() || some[kept].time != event.time || some[kept].text != event.text)
                    std::abort();
                ++kept;
            }
        if (kept != some.size() || whole != wholeSome)
            std::abort();
        break;
    }
    }
    return 0;
}
