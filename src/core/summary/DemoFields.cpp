#include "core/summary/DemoFields.h"

#include "core/summary/PlayerTable.h"
#include "core/summary/QuakeLive.h"

namespace core {

std::array<std::string, kDerivedFieldCount> DemoDerivedFields(const DemoState& demo)
{
    auto info = [&](const char* key) { return InfoValueOf(demo, key); };
    const RankedPlayers ranked = GetRankedPlayers(demo);
    return {
        LowerCase(info("mapname")),
        FormatSeconds(demo.playtimeSeconds),
        info("version"),
        GameTypeNameOf(demo),
        ModName(demo.infoString),
        info("sv_hostname"),
        NotSetText(info("timelimit")),
        NotSetText(info("fraglimit")),
        NotSetText(info("capturelimit")),
        NotSetText(info("protocol")),
        NotSetText(info("sv_maxclients")),
        NotSetText(info("sv_maxRate")),
        NotSetText(info("sv_maxPing")),
        NotSetText(info("sv_minPing")),
        ranked.winner,
        ranked.second,
        ranked.finalScore,
    };
}

} // namespace core
