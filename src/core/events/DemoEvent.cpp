#include "core/events/DemoEvent.h"

namespace core {

std::string_view EventKindName(EventKind kind)
{
    switch (kind) {
    case EventKind::Frag:
        return "Frag";
    case EventKind::Suicide:
        return "Suicide";
    case EventKind::FlagTaken:
        return "Flag taken";
    case EventKind::FlagCaptured:
        return "Flag captured";
    case EventKind::FlagReturned:
        return "Flag returned";
    case EventKind::GameStart:
        return "Game start";
    case EventKind::GameEnd:
        return "Game end";
    case EventKind::RoundStart:
        return "Round start";
    case EventKind::RoundEnd:
        return "Round end";
    case EventKind::Chat:
        return "Chat";
    case EventKind::TeamChat:
        return "Team chat";
    case EventKind::PlayerJoined:
        return "Joined";
    case EventKind::PlayerLeft:
        return "Left";
    case EventKind::TeamChange:
        return "Team change";
    }
    return "?";
}

std::string_view WeaponName(Weapon weapon)
{
    switch (weapon) {
    case Weapon::None:
        return "";
    case Weapon::Gauntlet:
        return "Gauntlet";
    case Weapon::MachineGun:
        return "Machinegun";
    case Weapon::Shotgun:
        return "Shotgun";
    case Weapon::GrenadeLauncher:
        return "Grenade Launcher";
    case Weapon::RocketLauncher:
        return "Rocket Launcher";
    case Weapon::LightningGun:
        return "Lightning Gun";
    case Weapon::Railgun:
        return "Railgun";
    case Weapon::PlasmaGun:
        return "Plasma Gun";
    case Weapon::Bfg:
        return "BFG10K";
    case Weapon::GrapplingHook:
        return "Grappling Hook";
    case Weapon::NailGun:
        return "Nailgun";
    case Weapon::ChainGun:
        return "Chaingun";
    case Weapon::ProximityLauncher:
        return "Proximity Launcher";
    case Weapon::HeavyMachineGun:
        return "Heavy Machinegun";
    }
    return "";
}

std::string_view DeathCauseName(DeathCause cause)
{
    switch (cause) {
    case DeathCause::Unknown:
        return "Unknown";
    case DeathCause::Shotgun:
        return "Shotgun";
    case DeathCause::Gauntlet:
        return "Gauntlet";
    case DeathCause::MachineGun:
        return "Machinegun";
    case DeathCause::Grenade:
        return "Grenade";
    case DeathCause::GrenadeSplash:
        return "Grenade splash";
    case DeathCause::Rocket:
        return "Rocket";
    case DeathCause::RocketSplash:
        return "Rocket splash";
    case DeathCause::Plasma:
        return "Plasma";
    case DeathCause::PlasmaSplash:
        return "Plasma splash";
    case DeathCause::Railgun:
        return "Railgun";
    case DeathCause::Lightning:
        return "Lightning";
    case DeathCause::Bfg:
        return "BFG";
    case DeathCause::BfgSplash:
        return "BFG splash";
    case DeathCause::Water:
        return "Drowned";
    case DeathCause::Slime:
        return "Slime";
    case DeathCause::Lava:
        return "Lava";
    case DeathCause::Crush:
        return "Crushed";
    case DeathCause::Telefrag:
        return "Telefrag";
    case DeathCause::Falling:
        return "Fall";
    case DeathCause::Suicide:
        return "Suicide";
    case DeathCause::TargetLaser:
        return "Laser";
    case DeathCause::TriggerHurt:
        return "Hurt";
    case DeathCause::NailGun:
        return "Nailgun";
    case DeathCause::ChainGun:
        return "Chaingun";
    case DeathCause::ProximityMine:
        return "Proximity mine";
    case DeathCause::Kamikaze:
        return "Kamikaze";
    case DeathCause::Juiced:
        return "Juiced";
    case DeathCause::Grapple:
        return "Grapple";
    case DeathCause::TeamSwitch:
        return "Team switch";
    case DeathCause::Thaw:
        return "Thaw";
    case DeathCause::HeavyMachineGun:
        return "Heavy machinegun";
    }
    return "Unknown";
}

Weapon WeaponOfCause(DeathCause cause)
{
    switch (cause) {
    case DeathCause::Shotgun:
        return Weapon::Shotgun;
    case DeathCause::Gauntlet:
        return Weapon::Gauntlet;
    case DeathCause::MachineGun:
        return Weapon::MachineGun;
    case DeathCause::Grenade:
    case DeathCause::GrenadeSplash:
        return Weapon::GrenadeLauncher;
    case DeathCause::Rocket:
    case DeathCause::RocketSplash:
        return Weapon::RocketLauncher;
    case DeathCause::Plasma:
    case DeathCause::PlasmaSplash:
        return Weapon::PlasmaGun;
    case DeathCause::Railgun:
        return Weapon::Railgun;
    case DeathCause::Lightning:
        return Weapon::LightningGun;
    case DeathCause::Bfg:
    case DeathCause::BfgSplash:
        return Weapon::Bfg;
    case DeathCause::NailGun:
        return Weapon::NailGun;
    case DeathCause::ChainGun:
        return Weapon::ChainGun;
    case DeathCause::ProximityMine:
        return Weapon::ProximityLauncher;
    case DeathCause::Grapple:
        return Weapon::GrapplingHook;
    case DeathCause::HeavyMachineGun:
        return Weapon::HeavyMachineGun;
    default:
        return Weapon::None;
    }
}

std::string_view TeamName(int team)
{
    switch (team) {
    case kTeamFree:
        return "Free";
    case kTeamRed:
        return "Red";
    case kTeamBlue:
        return "Blue";
    case kTeamSpectator:
        return "Spectator";
    default:
        return "";
    }
}

} // namespace core
