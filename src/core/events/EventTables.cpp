#include "core/events/EventTables.h"

#include <array>

#include "core/protocol/ProtocolTable.h"

namespace core {

namespace {

using C = DeathCause;

// The original game's means of death, 1.17 to 1.32; the grapple comes right after the trigger.
constexpr std::array kBaseCauses = {
    C::Unknown,  C::Shotgun,      C::Gauntlet, C::MachineGun,   C::Grenade,     C::GrenadeSplash,
    C::Rocket,   C::RocketSplash, C::Plasma,   C::PlasmaSplash, C::Railgun,     C::Lightning,
    C::Bfg,      C::BfgSplash,    C::Water,    C::Slime,        C::Lava,        C::Crush,
    C::Telefrag, C::Falling,      C::Suicide,  C::TargetLaser,  C::TriggerHurt, C::Grapple,
};

// The mission pack inserts its weapons before the grapple; Quake Live goes on from there.
constexpr std::array kMissionPackCauses = {
    C::Unknown,  C::Shotgun,       C::Gauntlet, C::MachineGun,   C::Grenade,     C::GrenadeSplash,
    C::Rocket,   C::RocketSplash,  C::Plasma,   C::PlasmaSplash, C::Railgun,     C::Lightning,
    C::Bfg,      C::BfgSplash,     C::Water,    C::Slime,        C::Lava,        C::Crush,
    C::Telefrag, C::Falling,       C::Suicide,  C::TargetLaser,  C::TriggerHurt, C::NailGun,
    C::ChainGun, C::ProximityMine, C::Kamikaze, C::Juiced,       C::Grapple,
};

constexpr std::array kQuakeLiveCauses = {
    C::Unknown,      C::Shotgun,     C::Gauntlet,     C::MachineGun, C::Grenade,         C::GrenadeSplash, C::Rocket,
    C::RocketSplash, C::Plasma,      C::PlasmaSplash, C::Railgun,    C::Lightning,       C::Bfg,           C::BfgSplash,
    C::Water,        C::Slime,       C::Lava,         C::Crush,      C::Telefrag,        C::Falling,       C::Suicide,
    C::TargetLaser,  C::TriggerHurt, C::NailGun,      C::ChainGun,   C::ProximityMine,   C::Kamikaze,      C::Juiced,
    C::Grapple,      C::TeamSwitch,  C::Thaw,         C::Unknown,    C::HeavyMachineGun,
};

// Configuration string numbers come from the protocol table.
constexpr EventTables Tables(std::string_view family, int eventEntityType, int obituaryEvent,
                             const ConfigStringNumbers& cs, std::span<const DeathCause> causes, int teamSoundEvent)
{
    return {family,         eventEntityType, obituaryEvent,  cs.warmup,    cs.levelStart, cs.intermission,
            cs.firstPlayer, cs.players,      cs.roundStatus, cs.roundTime, causes,        teamSoundEvent};
}

// clang-format off
//                                        family        type obit config strings           causes               team sound
const EventTables kOld            = Tables("1.17",       12,  58,  kConfigStringNumbers117,       kBaseCauses,         -1);
const EventTables kClassic        = Tables("1.27-1.32",  13,  60,  kConfigStringNumbers132,       kBaseCauses,         47);
const EventTables kClassicMission = Tables("1.27-1.32",  13,  60,  kConfigStringNumbers132,       kMissionPackCauses,  47);
const EventTables kQuakeLive      = Tables("Quake Live", 13,  58,  kConfigStringNumbersQuakeLive, kQuakeLiveCauses,    44);
// clang-format on

} // namespace

DeathCause EventTables::Cause(int meansOfDeath) const
{
    if (meansOfDeath < 0 || static_cast<size_t>(meansOfDeath) >= causes.size())
        return DeathCause::Unknown;
    return causes[static_cast<size_t>(meansOfDeath)];
}

const EventTables& EventTablesFor(int protocol, bool missionPack)
{
    const ProtocolInfo* row = FindProtocol(protocol);
    if (row && row->quakeLive)
        return kQuakeLive;
    // Only the protocols that number their level start as 1.17 does share its event numbers.
    if (row && row->configStrings == &kConfigStringNumbers117)
        return kOld;
    return missionPack ? kClassicMission : kClassic;
}

} // namespace core
