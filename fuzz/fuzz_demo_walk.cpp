// The demo reader on arbitrary bytes. The first input byte picks the file extension (and so the
// message format; bit 4 picks one of Quake Live's) and whether the course log is wanted; the
// rest is the demo.
#include <cstddef>
#include <cstdint>

#include "core/summary/DemoReader.h"
#include "core/summary/PlayerTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const char* const extensions[] = {".dm3", ".dm_48", ".dm_66", ".dm_67", ".dm_68", ".dm_70", ".dm_71", ""};
    static const char* const quakeLive[] = {".dm_73", ".dm_90", ".dm_91", ".dm_68"};
    core::ReadWishes wishes;
    wishes.extension = (data[0] & 16) ? quakeLive[data[0] & 3] : extensions[data[0] & 7];
    wishes.courseLog = (data[0] & 8) != 0;
    const core::DemoState demo = core::ReadDemo({data + 1, size - 1}, wishes);
    const core::RankedPlayers ranked = core::GetRankedPlayers(demo);
    return ranked.winner.empty() ? 0 : 0;
}
