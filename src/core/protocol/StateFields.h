#pragma once
// The fields of the game's entity and player states, named by one set of identities for every
// protocol: the field set of game version 1.32 (protocols 66 to 71), followed by the few fields
// that only Quake Live transmits. Older protocols put their fields onto the same identities.
// Values are kept as the raw 32-bit patterns the game stores, so that floats (positions, angles)
// survive bit for bit; fields the game transmits with fewer bits hold the value widened as the
// game widens it (sign-extended for the signed ones).
#include <bit>
#include <cstdint>

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

} // namespace core
