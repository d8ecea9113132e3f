#pragma once
// A demo decoded completely: the recorded server messages one by one, with every snapshot's player
// state and entity states as the game's client holds them after applying the deltas.
//
// Entity and player state fields are named by one set of identities for every protocol: the field
// set of game version 1.32 (protocols 66 to 71), followed by the few fields that only Quake Live
// transmits. Older protocols put their fields onto the same identities. Values are kept as the raw
// 32-bit patterns the game stores, so that floats (positions, angles) survive bit for bit; fields
// the game transmits with fewer bits hold the value widened as the game widens it (sign-extended
// for the signed ones).
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/protocol/WireLimits.h"

namespace core {

// The game's limits that bound what a demo may hold.
inline constexpr int kEntityNumberBits = 10;
inline constexpr int kMaxEntities = 1 << kEntityNumberBits; // entity numbers 0..1023
inline constexpr int kNoEntity = kMaxEntities - 1;          // ends an entity list, marks a removal
inline constexpr int kMaxAreaMaskBytes = 32;
inline constexpr int kStateArraySize = 16; // stats, persistant, ammo, powerups

// Fields of the game's entityState_t, in the order of its declaration.
enum class EntityField : uint8_t {
    EType,
    EFlags,
    PosTrType,
    PosTrTime,
    PosTrDuration,
    PosTrBase0,
    PosTrBase1,
    PosTrBase2,
    PosTrDelta0,
    PosTrDelta1,
    PosTrDelta2,
    AposTrType,
    AposTrTime,
    AposTrDuration,
    AposTrBase0,
    AposTrBase1,
    AposTrBase2,
    AposTrDelta0,
    AposTrDelta1,
    AposTrDelta2,
    Time,
    Time2,
    Origin0,
    Origin1,
    Origin2,
    SecondOrigin0, // origin2[3]
    SecondOrigin1,
    SecondOrigin2,
    Angles0,
    Angles1,
    Angles2,
    SecondAngles0, // angles2[3]
    SecondAngles1,
    SecondAngles2,
    OtherEntityNum,
    OtherEntityNum2,
    GroundEntityNum,
    ConstantLight,
    LoopSound,
    ModelIndex,
    ModelIndex2,
    ClientNum,
    Frame,
    Solid,
    Event,
    EventParm,
    Powerups,
    Weapon,
    LegsAnim,
    TorsoAnim,
    Generic1,
    // Quake Live only.
    PosGravity,
    AposGravity,
    JumpTime,
    DoubleJumped,
    Health,
    Armor,
    Location,
    Count
};
inline constexpr int kEntityFieldCount = static_cast<int>(EntityField::Count);
inline constexpr int kEntityFieldsOf132 = static_cast<int>(EntityField::PosGravity);

// Fields of the game's playerState_t that travel in messages, in the order of its declaration.
enum class PlayerField : uint8_t {
    CommandTime,
    PmType,
    BobCycle,
    PmFlags,
    PmTime,
    Origin0,
    Origin1,
    Origin2,
    Velocity0,
    Velocity1,
    Velocity2,
    WeaponTime,
    Gravity,
    Speed,
    DeltaAngles0,
    DeltaAngles1,
    DeltaAngles2,
    GroundEntityNum,
    LegsTimer,
    LegsAnim,
    TorsoTimer,
    TorsoAnim,
    MovementDir,
    GrapplePoint0,
    GrapplePoint1,
    GrapplePoint2,
    EFlags,
    EventSequence,
    Events0,
    Events1,
    EventParms0,
    EventParms1,
    ExternalEvent,
    ExternalEventParm,
    ClientNum,
    Weapon,
    WeaponState,
    ViewAngles0,
    ViewAngles1,
    ViewAngles2,
    ViewHeight,
    DamageEvent,
    DamageYaw,
    DamagePitch,
    DamageCount,
    Generic1,
    LoopSound,
    JumppadEnt,
    // Quake Live only.
    JumpTime,
    DoubleJumped,
    WeaponPrimary,
    CrouchTime,
    CrouchSlideTime,
    Location,
    Fov,
    ForwardMove,
    RightMove,
    UpMove,
    Count
};
inline constexpr int kPlayerFieldCount = static_cast<int>(PlayerField::Count);
inline constexpr int kPlayerFieldsOf132 = static_cast<int>(PlayerField::JumpTime);

inline float FieldAsFloat(uint32_t bits)
{
    return std::bit_cast<float>(bits);
}
inline uint32_t FloatAsField(float value)
{
    return std::bit_cast<uint32_t>(value);
}

struct EntityState {
    int number = 0; // 0..1022
    std::array<uint32_t, kEntityFieldCount> fields{};

    uint32_t& operator[](EntityField f) { return fields[static_cast<size_t>(f)]; }
    uint32_t operator[](EntityField f) const { return fields[static_cast<size_t>(f)]; }
    bool operator==(const EntityState&) const = default;
};

struct PlayerState {
    std::array<uint32_t, kPlayerFieldCount> fields{};
    // The game sends stats, persistant and ammo as 16-bit values (kept sign-extended), powerups
    // as 32-bit ones.
    std::array<int32_t, kStateArraySize> stats{};
    std::array<int32_t, kStateArraySize> persistant{};
    std::array<int32_t, kStateArraySize> ammo{};
    std::array<int32_t, kStateArraySize> powerups{};

    uint32_t& operator[](PlayerField f) { return fields[static_cast<size_t>(f)]; }
    uint32_t operator[](PlayerField f) const { return fields[static_cast<size_t>(f)]; }
    bool operator==(const PlayerState&) const = default;
};

struct ServerCommand {
    int32_t sequence = 0;
    std::string text; // byte for byte, without the terminating zero
    bool operator==(const ServerCommand&) const = default;
};

struct GameState {
    int32_t serverCommandSequence = 0;
    // Configuration strings by index (0..1023), ascending, each index at most once.
    std::vector<std::pair<int, std::string>> configStrings;
    // Entity baselines, ascending by entity number.
    std::vector<EntityState> baselines;
    // Sent from protocol 66 on; older protocols have neither.
    std::optional<int32_t> clientNumber;
    std::optional<int32_t> checksumFeed;
    bool operator==(const GameState&) const = default;
};

struct Snapshot {
    int32_t serverTime = 0;
    // The client command sequence that protocols 43 and 45 send before the server time.
    std::optional<int32_t> clientCommandSequence;
    // How many messages back the snapshot this one was delta-coded from lies; 0: coded whole.
    uint8_t deltaNumber = 0;
    uint8_t snapFlags = 0;
    std::vector<uint8_t> areaMask; // at most kMaxAreaMaskBytes
    PlayerState player;
    // Every entity of the snapshot after the deltas, ascending by number.
    std::vector<EntityState> entities;
    // False when the snapshot was delta-coded from one the demo does not hold (any more): the game
    // reads it but does not show it.
    bool valid = true;
};

// One recorded server message.
struct DemoMessage {
    int32_t sequence = 0; // the message sequence number the demo stores before the message
    // The reliable acknowledge every message starts with from protocol 46 on.
    std::optional<int32_t> reliableAcknowledge;
    std::vector<ServerCommand> serverCommands; // in the order they came
    std::optional<GameState> gameState;
    std::optional<Snapshot> snapshot;
};

} // namespace core
