#pragma once
// One moment of a match found in a demo: a frag, a flag capture, a chat line, a player joining.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

enum class EventKind {
    Frag,         // player fragged other
    Suicide,      // other died by their own hand or the world's (player is -1 or other)
    FlagTaken,    // player took the flag of `team`
    FlagCaptured, // player captured the flag of `team`
    FlagReturned, // the flag of `team` went home (player returned it, or -1 when it timed out)
    GameStart,    // the match began (warm-up over, or a restart)
    GameEnd,      // intermission
    RoundStart,
    RoundEnd,
    Chat,     // player said text to everyone
    TeamChat, // player said text to their team
    PlayerJoined,
    PlayerLeft,
    TeamChange, // player moved to `team`
};

// Weapons the same way for every protocol; DeathCause below says which one a means of death
// belongs to.
enum class Weapon {
    None,
    Gauntlet,
    MachineGun,
    Shotgun,
    GrenadeLauncher,
    RocketLauncher,
    LightningGun,
    Railgun,
    PlasmaGun,
    Bfg,
    GrapplingHook,
    NailGun,
    ChainGun,
    ProximityLauncher,
    HeavyMachineGun,
};
constexpr int kWeaponCount = static_cast<int>(Weapon::HeavyMachineGun) + 1;

// Means of death, numbered the program's own way; each protocol's numbers map onto these.
enum class DeathCause {
    Unknown,
    Shotgun,
    Gauntlet,
    MachineGun,
    Grenade,
    GrenadeSplash,
    Rocket,
    RocketSplash,
    Plasma,
    PlasmaSplash,
    Railgun,
    Lightning,
    Bfg,
    BfgSplash,
    Water,
    Slime,
    Lava,
    Crush,
    Telefrag,
    Falling,
    Suicide,
    TargetLaser,
    TriggerHurt,
    NailGun,
    ChainGun,
    ProximityMine,
    Kamikaze,
    Juiced,
    Grapple,
    TeamSwitch,
    Thaw,
    HeavyMachineGun,
};

// Teams as the game numbers them.
constexpr int kTeamFree = 0;
constexpr int kTeamRed = 1;
constexpr int kTeamBlue = 2;
constexpr int kTeamSpectator = 3; // watching, not playing

// Where a player was at a frag, from the snapshot that shows it.
struct EventPlace {
    int32_t x = 0, y = 0, z = 0; // whole game units
    bool onGround = false;
    // Not on the ground and at least kAirborneHeight units above where the player last stood.
    bool airborne = false;
    bool operator==(const EventPlace&) const = default;
};
// A jump of the game rises some 45 units, a stair step 18: a player counts as in the air from
// this height above the last ground they stood on, so steps and slopes never do.
constexpr int kAirborneHeight = 32;

struct DemoEvent {
    EventKind kind = EventKind::Frag;
    int64_t demoTime = 0;   // milliseconds since the demo's first snapshot
    int32_t serverTime = 0; // the game's clock at that snapshot
    int player = -1;        // client number of who did it; -1 for nobody (the world, the server)
    int other = -1;         // client number of who it was done to (the victim), else -1
    std::string playerName; // names as they were at that moment, colour codes kept
    std::string otherName;
    int playerTeam = -1; // teams at that moment, -1 when unknown
    int otherTeam = -1;
    int team = -1;         // flag events: the flag's team; team change: the new team
    int meansOfDeath = -1; // the number the demo carries
    DeathCause cause = DeathCause::Unknown;
    Weapon weapon = Weapon::None;
    bool teamKill = false; // a frag of a team mate
    bool warmup = false;   // during the warm-up, which the scores do not count
    std::string text;      // chat: what was said
    // Frags and suicides: the attacker's and the victim's places when the snapshot shows them.
    std::optional<EventPlace> playerPlace, otherPlace;
};

// Short English names, as the events table and the command line show them.
std::string_view EventKindName(EventKind kind);
std::string_view WeaponName(Weapon weapon);
std::string_view DeathCauseName(DeathCause cause);
// The weapon that caused a death; Weapon::None for the world, falls, lava and the like.
Weapon WeaponOfCause(DeathCause cause);
std::string_view TeamName(int team);

} // namespace core
