#include "core/events/DemoEvents.h"

#include "core/demo/DemoDecoder.h"
#include "core/events/EventCollector.h"

namespace core {
namespace {

// The entity type of a player in every protocol read, and the ground entity of a player in the air.
constexpr int kPlayerEntityType = 1;
constexpr int kNoGroundEntity = 1023;

} // namespace

void CollectMessage(EventCollector& collector, const DemoMessage& message)
{
    if (message.gameState) {
        collector.GameState();
        for (const auto& [index, text] : message.gameState->configStrings)
            collector.GameStateConfigString(index, text);
    }
    for (const ServerCommand& command : message.serverCommands)
        collector.ServerCommand(command.sequence, command.text);
    // A snapshot coded against one the demo no longer holds has unreliable entities: the game
    // skips it, and so do the events.
    if (!message.snapshot || !message.snapshot->valid)
        return;
    const Snapshot& snapshot = *message.snapshot;
    // The players' places, for frags in the air: the entities of players (numbered by client)
    // and the recording player's own state, which no entity repeats.
    thread_local std::vector<PlayerPlaceSeen> places;
    places.clear();
    const int players = collector.Tables().playerCount;
    for (const EntityState& state : snapshot.entities) {
        if (state.number >= players)
            break;
        if (static_cast<int>(state[EntityField::EType]) != kPlayerEntityType)
            continue;
        places.push_back({state.number, FieldAsFloat(state[EntityField::PosTrBase0]),
                          FieldAsFloat(state[EntityField::PosTrBase1]), FieldAsFloat(state[EntityField::PosTrBase2]),
                          static_cast<int>(state[EntityField::GroundEntityNum]) != kNoGroundEntity});
    }
    const PlayerState& own = snapshot.player;
    places.push_back({static_cast<int>(own[PlayerField::ClientNum]), FieldAsFloat(own[PlayerField::Origin0]),
                      FieldAsFloat(own[PlayerField::Origin1]), FieldAsFloat(own[PlayerField::Origin2]),
                      static_cast<int>(own[PlayerField::GroundEntityNum]) != kNoGroundEntity});
    collector.Places(places);
    // Only event entities make events: the others (players, items, missiles: most of every
    // snapshot) are not handed over.
    const int lastOtherType = collector.Tables().eventEntityType;
    thread_local std::vector<EventEntity> entities;
    entities.clear();
    for (const EntityState& state : snapshot.entities) {
        if (static_cast<int>(state[EntityField::EType]) <= lastOtherType)
            continue;
        EventEntity& e = entities.emplace_back();
        e.number = state.number;
        e.type = static_cast<int>(state[EntityField::EType]);
        e.event = static_cast<int>(state[EntityField::Event]);
        e.eventParm = static_cast<int>(state[EntityField::EventParm]);
        e.otherEntityNum = static_cast<int>(state[EntityField::OtherEntityNum]);
        e.otherEntityNum2 = static_cast<int>(state[EntityField::OtherEntityNum2]);
        e.generic1 = static_cast<int>(state[EntityField::Generic1]);
    }
    collector.Snapshot(snapshot.serverTime, entities);
}

std::vector<DemoEvent> DemoEvents(std::span<const DemoMessage> messages, int protocol)
{
    EventCollector collector(protocol);
    for (const DemoMessage& message : messages)
        CollectMessage(collector, message);
    return collector.Finish();
}

std::vector<DemoEvent> DemoEvents(const DecodedDemo& demo)
{
    return DemoEvents(demo.messages, demo.protocol);
}

} // namespace core
