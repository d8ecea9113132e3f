#include "core/events/EventTables.h"

#include <array>

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

// clang-format off
//                                  family        type  obit  warm start inter players n   round  rtime  causes               team sound
const EventTables kOld{            "1.17",        12,   58,   5,   13,   14,   544,    64, -1,    -1,  kBaseCauses,         -1};
const EventTables kClassic{        "1.27-1.32",   13,   60,   5,   21,   22,   544,    64, -1,    -1,  kBaseCauses,         47};
const EventTables kClassicMission{ "1.27-1.32",   13,   60,   5,   21,   22,   544,    64, -1,    -1,  kMissionPackCauses,  47};
const EventTables kQuakeLive{      "Quake Live",  13,   58,   5,   13,   14,   529,    64, 661,   662, kQuakeLiveCauses,    44};
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
    if (protocol >= 43 && protocol <= 45)
        return kOld;
    if (protocol == 73 || protocol == 90 || protocol == 91)
        return kQuakeLive;
    return missionPack ? kClassicMission : kClassic;
}

} // namespace core
