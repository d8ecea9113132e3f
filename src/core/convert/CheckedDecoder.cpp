#include "core/convert/CheckedDecoder.h"

#include <optional>

#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

// The kinds of trajectory of the game code of 1.32 and OpenArena (stationary, interpolate, linear,
// linear stop, sine, gravity): any other stops it ("unknown trType").
constexpr uint32_t kLastTrajectoryType = 5;
// The last entity event both know (a taunt); a later one stops them ("Unknown event").
constexpr uint32_t kLastEvent = 82;
constexpr uint32_t kEventsEntityType = 13;
constexpr uint32_t kEventSequenceBits = 0x300;

// Far outside any map (the game's world ends at 131072 units; the speeds of real demos stay below
// 60000 units a second). A position or a speed beyond it, or no number at all, is a flipped bit in
// a float, and sends the engine computing without end.
constexpr float kFarOutside = 1e6F;

bool FarOutside(uint32_t field)
{
    const float value = FieldAsFloat(field);
    return !(value >= -kFarOutside && value <= kFarOutside);
}

bool UnknownEvent(uint32_t event)
{
    return (event & ~kEventSequenceBits) > kLastEvent;
}

std::string UnknownEventText(const std::string& whose, uint32_t event)
{
    return whose + " has an unknown event, " + std::to_string(event & ~kEventSequenceBits);
}

std::optional<std::string> RefusedByTheGameCode(const DemoMessage& message, bool eventsKnown)
{
    if (!message.snapshot)
        return std::nullopt;
    for (const EntityState& entity : message.snapshot->entities) {
        const auto name = [&entity] { return "entity " + std::to_string(entity.number); };
        for (const EntityField field : {EntityField::PosTrType, EntityField::AposTrType})
            if (entity[field] > kLastTrajectoryType)
                return name() + " moves along an unknown kind of trajectory, " + std::to_string(entity[field]);
        for (const EntityField field : {EntityField::PosTrBase0, EntityField::PosTrBase1, EntityField::PosTrBase2,
                                        EntityField::PosTrDelta0, EntityField::PosTrDelta1, EntityField::PosTrDelta2,
                                        EntityField::Origin0, EntityField::Origin1, EntityField::Origin2})
            if (FarOutside(entity[field]))
                return name() + " is or moves far outside any map";
        const uint32_t type = entity[EntityField::EType];
        const uint32_t event = type >= kEventsEntityType ? type - kEventsEntityType : entity[EntityField::Event];
        if (eventsKnown && UnknownEvent(event))
            return UnknownEventText(name(), event);
    }
    for (const PlayerField field : {PlayerField::Origin0, PlayerField::Origin1, PlayerField::Origin2,
                                    PlayerField::Velocity0, PlayerField::Velocity1, PlayerField::Velocity2})
        if (FarOutside(message.snapshot->player[field]))
            return std::string("the player is or moves far outside any map");
    if (eventsKnown)
        for (const PlayerField field : {PlayerField::Events0, PlayerField::Events1, PlayerField::ExternalEvent})
            if (UnknownEvent(message.snapshot->player[field]))
                return UnknownEventText("the player", message.snapshot->player[field]);
    return std::nullopt;
}

bool NamesTheirGameVersion(const GameState& gameState)
{
    for (const auto& [index, text] : gameState.configStrings)
        if (index == kConfigStringNumbers132.gameVersion)
            return text == "baseq3-1" || text == "baseoa-1";
    return false;
}

} // namespace

CheckedDecoder::CheckedDecoder(std::span<const uint8_t> data, int protocol, bool forTheirData)
    : m_decoder(data, protocol), m_forTheirData(forTheirData), m_eventsKnown(forTheirData)
{
}

bool CheckedDecoder::Next(DemoMessage& message)
{
    if (!m_damage.empty())
        return false;
    if (!m_decoder.Next(message)) {
        if (m_decoder.Error() != DecodeError::None) {
            m_damageOffset = m_decoder.ErrorOffset();
            m_damage = "the demo breaks off at byte " + std::to_string(m_damageOffset) + " (" +
                       std::string(DecodeErrorText(m_decoder.Error())) + ")";
        }
        return false;
    }
    if (message.gameState && !m_forTheirData)
        m_eventsKnown = NamesTheirGameVersion(*message.gameState);
    if (const std::optional<std::string> refused = RefusedByTheGameCode(message, m_eventsKnown)) {
        m_damageOffset = m_decoder.ErrorOffset();
        m_damage = "the demo breaks off at byte " + std::to_string(m_damageOffset) + " (" + *refused + ")";
        return false;
    }
    return true;
}

} // namespace core
