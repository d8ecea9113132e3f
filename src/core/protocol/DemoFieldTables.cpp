#include "core/protocol/DemoFieldTables.h"

#include <array>
#include <iterator>

namespace core {
namespace {

using E = EntityField;
using P = PlayerField;

constexpr NetField Ent(EntityField field, int bits)
{
    return {static_cast<uint8_t>(field), static_cast<int8_t>(bits)};
}
constexpr NetField Ply(PlayerField field, int bits)
{
    return {static_cast<uint8_t>(field), static_cast<int8_t>(bits)};
}

constexpr int kFloat = 0;
constexpr int kEntityNumber = kEntityNumberBits;

// Protocols 43 and 45 (game versions up to 1.17) send the entity fields in declaration order;
// 46 and 48 widen the flags and add generic1.
// clang-format off
constexpr NetField kEntityPlain[] = {
    Ent(E::EType, 8),            Ent(E::EFlags, 16),
    Ent(E::PosTrType, 8),        Ent(E::PosTrTime, 32),       Ent(E::PosTrDuration, 32),
    Ent(E::PosTrBase0, kFloat),  Ent(E::PosTrBase1, kFloat),  Ent(E::PosTrBase2, kFloat),
    Ent(E::PosTrDelta0, kFloat), Ent(E::PosTrDelta1, kFloat), Ent(E::PosTrDelta2, kFloat),
    Ent(E::AposTrType, 8),       Ent(E::AposTrTime, 32),      Ent(E::AposTrDuration, 32),
    Ent(E::AposTrBase0, kFloat), Ent(E::AposTrBase1, kFloat), Ent(E::AposTrBase2, kFloat),
    Ent(E::AposTrDelta0, kFloat),Ent(E::AposTrDelta1, kFloat),Ent(E::AposTrDelta2, kFloat),
    Ent(E::Time, 32),            Ent(E::Time2, 32),
    Ent(E::Origin0, kFloat),     Ent(E::Origin1, kFloat),     Ent(E::Origin2, kFloat),
    Ent(E::SecondOrigin0, kFloat), Ent(E::SecondOrigin1, kFloat), Ent(E::SecondOrigin2, kFloat),
    Ent(E::Angles0, kFloat),     Ent(E::Angles1, kFloat),     Ent(E::Angles2, kFloat),
    Ent(E::SecondAngles0, kFloat), Ent(E::SecondAngles1, kFloat), Ent(E::SecondAngles2, kFloat),
    Ent(E::OtherEntityNum, kEntityNumber), Ent(E::OtherEntityNum2, kEntityNumber),
    Ent(E::GroundEntityNum, kEntityNumber),
    Ent(E::LoopSound, 8),        Ent(E::ConstantLight, 32),
    Ent(E::ModelIndex, 8),       Ent(E::ModelIndex2, 8),      Ent(E::Frame, 16),
    Ent(E::ClientNum, 8),        Ent(E::Solid, 24),
    Ent(E::Event, 10),           Ent(E::EventParm, 8),        Ent(E::Powerups, 16),
    Ent(E::Weapon, 8),           Ent(E::LegsAnim, 8),         Ent(E::TorsoAnim, 8),
};

// clang-format on

// 46 and 48: the same fields, the flags 19 bits wide, generic1 after them.
static_assert(kEntityPlain[1].field == static_cast<uint8_t>(E::EFlags));
constexpr auto kEntity48 = [] {
    std::array<NetField, std::size(kEntityPlain) + 1> table{};
    for (size_t i = 0; i < std::size(kEntityPlain); ++i)
        table[i] = kEntityPlain[i];
    table[1] = Ent(E::EFlags, 19);
    table.back() = Ent(E::Generic1, 8);
    return table;
}();

// clang-format off

// From protocol 66 on the fields are ordered by how often they change, so that the count of
// fields sent stays small. Quake Live inserts its own.
#define VELMORA_ENTITY_FIELDS_66_HEAD \
    Ent(E::PosTrTime, 32),       Ent(E::PosTrBase0, kFloat),  Ent(E::PosTrBase1, kFloat), \
    Ent(E::PosTrDelta0, kFloat), Ent(E::PosTrDelta1, kFloat), Ent(E::PosTrBase2, kFloat), \
    Ent(E::AposTrBase1, kFloat), Ent(E::PosTrDelta2, kFloat), Ent(E::AposTrBase0, kFloat)
#define VELMORA_ENTITY_FIELDS_66_MIDDLE \
    Ent(E::Event, 10),           Ent(E::SecondAngles1, kFloat), Ent(E::EType, 8), \
    Ent(E::TorsoAnim, 8),        Ent(E::EventParm, 8),        Ent(E::LegsAnim, 8), \
    Ent(E::GroundEntityNum, kEntityNumber), Ent(E::PosTrType, 8), Ent(E::EFlags, 19), \
    Ent(E::OtherEntityNum, kEntityNumber), Ent(E::Weapon, 8), Ent(E::ClientNum, 8), \
    Ent(E::Angles1, kFloat),     Ent(E::PosTrDuration, 32),   Ent(E::AposTrType, 8), \
    Ent(E::Origin0, kFloat),     Ent(E::Origin1, kFloat),     Ent(E::Origin2, kFloat), \
    Ent(E::Solid, 24),           Ent(E::Powerups, 16),        Ent(E::ModelIndex, 8), \
    Ent(E::OtherEntityNum2, kEntityNumber), Ent(E::LoopSound, 8), Ent(E::Generic1, 8), \
    Ent(E::SecondOrigin2, kFloat), Ent(E::SecondOrigin0, kFloat), Ent(E::SecondOrigin1, kFloat), \
    Ent(E::ModelIndex2, 8),      Ent(E::Angles0, kFloat),     Ent(E::Time, 32), \
    Ent(E::AposTrTime, 32),      Ent(E::AposTrDuration, 32),  Ent(E::AposTrBase2, kFloat), \
    Ent(E::AposTrDelta0, kFloat),Ent(E::AposTrDelta1, kFloat),Ent(E::AposTrDelta2, kFloat)
#define VELMORA_ENTITY_FIELDS_66_TAIL \
    Ent(E::Time2, 32),           Ent(E::Angles2, kFloat),     Ent(E::SecondAngles0, kFloat), \
    Ent(E::SecondAngles2, kFloat), Ent(E::ConstantLight, 32), Ent(E::Frame, 16)

constexpr NetField kEntity66[] = {
    VELMORA_ENTITY_FIELDS_66_HEAD, VELMORA_ENTITY_FIELDS_66_MIDDLE, VELMORA_ENTITY_FIELDS_66_TAIL,
};
constexpr NetField kEntity73[] = {
    VELMORA_ENTITY_FIELDS_66_HEAD, Ent(E::PosGravity, 32), VELMORA_ENTITY_FIELDS_66_MIDDLE,
    Ent(E::AposGravity, 32), VELMORA_ENTITY_FIELDS_66_TAIL,
};
constexpr NetField kEntity90[] = {
    VELMORA_ENTITY_FIELDS_66_HEAD, Ent(E::PosGravity, 32), VELMORA_ENTITY_FIELDS_66_MIDDLE,
    Ent(E::AposGravity, 32), VELMORA_ENTITY_FIELDS_66_TAIL,
    Ent(E::JumpTime, 32),        Ent(E::DoubleJumped, 1),
};
constexpr NetField kEntity91[] = {
    VELMORA_ENTITY_FIELDS_66_HEAD, Ent(E::PosGravity, 32), VELMORA_ENTITY_FIELDS_66_MIDDLE,
    Ent(E::AposGravity, 32), VELMORA_ENTITY_FIELDS_66_TAIL,
    Ent(E::JumpTime, 32),        Ent(E::DoubleJumped, 1),
    Ent(E::Health, 16),          Ent(E::Armor, 16),           Ent(E::Location, 8),
};
#undef VELMORA_ENTITY_FIELDS_66_HEAD
#undef VELMORA_ENTITY_FIELDS_66_MIDDLE
#undef VELMORA_ENTITY_FIELDS_66_TAIL

#define VELMORA_PLAYER_FIELDS_PLAIN(externalEventBits, timeBits, viewHeightBits) \
    Ply(P::CommandTime, 32),     Ply(P::PmType, 8),           Ply(P::BobCycle, 8), \
    Ply(P::PmFlags, 16),         Ply(P::PmTime, timeBits), \
    Ply(P::Origin0, kFloat),     Ply(P::Origin1, kFloat),     Ply(P::Origin2, kFloat), \
    Ply(P::Velocity0, kFloat),   Ply(P::Velocity1, kFloat),   Ply(P::Velocity2, kFloat), \
    Ply(P::WeaponTime, timeBits),Ply(P::Gravity, 16),         Ply(P::Speed, 16), \
    Ply(P::DeltaAngles0, 16),    Ply(P::DeltaAngles1, 16),    Ply(P::DeltaAngles2, 16), \
    Ply(P::GroundEntityNum, kEntityNumber), Ply(P::LegsTimer, 8), Ply(P::TorsoTimer, 12), \
    Ply(P::LegsAnim, 8),         Ply(P::TorsoAnim, 8),        Ply(P::MovementDir, 4), \
    Ply(P::EFlags, 16),          Ply(P::EventSequence, 16), \
    Ply(P::Events0, 8),          Ply(P::Events1, 8),          Ply(P::EventParms0, 8), \
    Ply(P::EventParms1, 8),      Ply(P::ExternalEvent, externalEventBits), \
    Ply(P::ExternalEventParm, 8),Ply(P::ClientNum, 8),        Ply(P::Weapon, 5), \
    Ply(P::WeaponState, 4), \
    Ply(P::ViewAngles0, kFloat), Ply(P::ViewAngles1, kFloat), Ply(P::ViewAngles2, kFloat), \
    Ply(P::ViewHeight, viewHeightBits), Ply(P::DamageEvent, 8), Ply(P::DamageYaw, 8), \
    Ply(P::DamagePitch, 8),      Ply(P::DamageCount, 8), \
    Ply(P::GrapplePoint0, kFloat), Ply(P::GrapplePoint1, kFloat), Ply(P::GrapplePoint2, kFloat)

// 1.17 sends pm_time, weaponTime and viewheight with the widths of 1.27 but reads them unsigned;
// they are the game's signed numbers (a weapon time of -3 arrives as 65533), so they are widened
// with their sign, as 1.27 and later do.
constexpr NetField kPlayerPlain[] = {VELMORA_PLAYER_FIELDS_PLAIN(8, -16, -8)};
constexpr NetField kPlayer48[] = {
    VELMORA_PLAYER_FIELDS_PLAIN(10, -16, -8),
    Ply(P::JumppadEnt, kEntityNumber), Ply(P::LoopSound, 16), Ply(P::Generic1, 8),
};
#undef VELMORA_PLAYER_FIELDS_PLAIN

#define VELMORA_PLAYER_FIELDS_66(pmFlagsBits) \
    Ply(P::CommandTime, 32),     Ply(P::Origin0, kFloat),     Ply(P::Origin1, kFloat), \
    Ply(P::BobCycle, 8),         Ply(P::Velocity0, kFloat),   Ply(P::Velocity1, kFloat), \
    Ply(P::ViewAngles1, kFloat), Ply(P::ViewAngles0, kFloat), Ply(P::WeaponTime, -16), \
    Ply(P::Origin2, kFloat),     Ply(P::Velocity2, kFloat),   Ply(P::LegsTimer, 8), \
    Ply(P::PmTime, -16),         Ply(P::EventSequence, 16),   Ply(P::TorsoAnim, 8), \
    Ply(P::MovementDir, 4),      Ply(P::Events0, 8),          Ply(P::LegsAnim, 8), \
    Ply(P::Events1, 8),          Ply(P::PmFlags, pmFlagsBits), \
    Ply(P::GroundEntityNum, kEntityNumber), Ply(P::WeaponState, 4), Ply(P::EFlags, 16), \
    Ply(P::ExternalEvent, 10),   Ply(P::Gravity, 16),         Ply(P::Speed, 16), \
    Ply(P::DeltaAngles1, 16),    Ply(P::ExternalEventParm, 8),Ply(P::ViewHeight, -8), \
    Ply(P::DamageEvent, 8),      Ply(P::DamageYaw, 8),        Ply(P::DamagePitch, 8), \
    Ply(P::DamageCount, 8),      Ply(P::Generic1, 8),         Ply(P::PmType, 8), \
    Ply(P::DeltaAngles0, 16),    Ply(P::DeltaAngles2, 16),    Ply(P::TorsoTimer, 12), \
    Ply(P::EventParms0, 8),      Ply(P::EventParms1, 8),      Ply(P::ClientNum, 8), \
    Ply(P::Weapon, 5)
#define VELMORA_PLAYER_FIELDS_66_TAIL \
    Ply(P::ViewAngles2, kFloat), \
    Ply(P::GrapplePoint0, kFloat), Ply(P::GrapplePoint1, kFloat), Ply(P::GrapplePoint2, kFloat), \
    Ply(P::JumppadEnt, kEntityNumber), Ply(P::LoopSound, 16)

constexpr NetField kPlayer66[] = {VELMORA_PLAYER_FIELDS_66(16), VELMORA_PLAYER_FIELDS_66_TAIL};
constexpr NetField kPlayer90[] = {
    VELMORA_PLAYER_FIELDS_66(24), VELMORA_PLAYER_FIELDS_66_TAIL,
    Ply(P::JumpTime, 32),        Ply(P::DoubleJumped, 1),
};
constexpr NetField kPlayer91[] = {
    VELMORA_PLAYER_FIELDS_66(24), Ply(P::WeaponPrimary, 8), VELMORA_PLAYER_FIELDS_66_TAIL,
    Ply(P::JumpTime, 32),        Ply(P::DoubleJumped, 1),
    Ply(P::CrouchTime, 32),      Ply(P::CrouchSlideTime, 32), Ply(P::Location, 8),
    Ply(P::Fov, 8),              Ply(P::ForwardMove, 8),      Ply(P::RightMove, 8),
    Ply(P::UpMove, 8),
};
#undef VELMORA_PLAYER_FIELDS_66
#undef VELMORA_PLAYER_FIELDS_66_TAIL

// The change masks the plain entity delta names by a 5-bit index: the combinations of fields that
// change together most often (a moving player, a turning one, an event...).
constexpr std::array<std::array<uint8_t, 7>, 31> kPlainChangeMasks = {{
    {0x60, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x60, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xE1, 0x00, 0x00, 0x00, 0x00, 0x20, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x00, 0x10, 0x00}, {0xE0, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xE0, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00},
    {0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x20, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x01, 0x00, 0x00}, {0xED, 0x07, 0x00, 0x00, 0x00, 0x80, 0x00},
    {0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xED, 0x07, 0x00, 0x00, 0x00, 0x30, 0x00},
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0xE0, 0xC0, 0x00, 0x00, 0x00, 0x10, 0x00}, {0x60, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00},
    {0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0xE1, 0x00, 0x00, 0x00, 0x04, 0x20, 0x00},
    {0xE1, 0x00, 0xC0, 0x01, 0x20, 0x20, 0x00}, {0xE0, 0xC0, 0x00, 0x00, 0x01, 0x00, 0x00},
    {0x60, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x40, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0xC0, 0x00, 0x00, 0x01, 0x00, 0x00}, {0x60, 0xC0, 0x00, 0x00, 0x00, 0x10, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x01, 0x00, 0x01}, {0x60, 0x80, 0x00, 0x00, 0x00, 0x30, 0x00},
    {0xE0, 0x80, 0x00, 0x00, 0x00, 0x10, 0x00}, {0x20, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x60, 0x80, 0x00, 0x00, 0x00, 0x00, 0x02},
}};

static_assert(std::size(kEntityPlain) == 50 && std::size(kEntity48) == 51 && std::size(kEntity66) == 51);
static_assert(std::size(kEntity73) == 53 && std::size(kEntity90) == 55 && std::size(kEntity91) == 58);
static_assert(std::size(kPlayerPlain) == 45 && std::size(kPlayer48) == 48 && std::size(kPlayer66) == 48);
static_assert(std::size(kPlayer90) == 50 && std::size(kPlayer91) == 58);
// The plain entity delta's mask holds at most 7 bytes.
static_assert(std::size(kEntity48) <= 56);

} // namespace

// clang-format off
//                                                    entity        player        format
constexpr ProtocolFieldTables kFieldTables117        = {kEntityPlain, kPlayerPlain, DeltaFormat::Plain};
constexpr ProtocolFieldTables kFieldTables127        = {kEntity48,    kPlayer48,    DeltaFormat::Plain};
constexpr ProtocolFieldTables kFieldTables132        = {kEntity66,    kPlayer66,    DeltaFormat::Counted};
constexpr ProtocolFieldTables kFieldTablesQuakeLive73 = {kEntity73,   kPlayer66,    DeltaFormat::Counted};
constexpr ProtocolFieldTables kFieldTablesQuakeLive90 = {kEntity90,   kPlayer90,    DeltaFormat::Counted};
constexpr ProtocolFieldTables kFieldTablesQuakeLive91 = {kEntity91,   kPlayer91,    DeltaFormat::Counted};
// clang-format on

const std::array<std::array<uint8_t, 7>, 31>& PlainEntityChangeMasks()
{
    return kPlainChangeMasks;
}

} // namespace core
