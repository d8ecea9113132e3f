#pragma once
// Decoded demos written by hand, message by message, for the event tests: what the decoder would
// hand over, without the bits in between.
//
//   EventDemoModel demo(68);
//   demo.GameState({{0, "\\gamename\\baseq3"}, {544, "n\\Alice\\t\\0"}});
//   demo.Snapshot(1000, {demo.Obituary(70, 1, 0, 6)}); // Alice fragged by client 1, rocket
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/demo/DemoEncoder.h"
#include "core/demo/DemoMessage.h"
#include "core/events/EventTables.h"

namespace testsupport {

class EventDemoModel {
public:
    explicit EventDemoModel(int protocol, bool missionPack = false)
        : m_protocol(protocol), m_tables(core::EventTablesFor(protocol, missionPack))
    {
    }

    // A message with a game state (and the commands given so far with it).
    EventDemoModel& GameState(std::vector<std::pair<int, std::string>> configStrings)
    {
        core::DemoMessage& m = Next();
        m.gameState.emplace();
        m.gameState->configStrings = std::move(configStrings);
        return *this;
    }
    // A server command, sent with the next snapshot.
    EventDemoModel& Command(std::string text)
    {
        m_pending.push_back({++m_commandSequence, std::move(text)});
        return *this;
    }
    EventDemoModel& Snapshot(int32_t serverTime, std::vector<core::EntityState> entities = {}, bool valid = true)
    {
        core::DemoMessage& m = Next();
        m.snapshot.emplace();
        m.snapshot->serverTime = serverTime;
        m.snapshot->entities = std::move(entities);
        m.snapshot->valid = valid;
        return *this;
    }

    // A free-standing event entity as the game makes it: its type is the event type plus the
    // event number.
    core::EntityState EventEntity(int number, int event, int parm, int other = 0, int other2 = 0) const
    {
        core::EntityState e;
        e.number = number;
        e[core::EntityField::EType] = static_cast<uint32_t>(m_tables.eventEntityType + event);
        e[core::EntityField::EventParm] = static_cast<uint32_t>(parm);
        e[core::EntityField::OtherEntityNum] = static_cast<uint32_t>(other);
        e[core::EntityField::OtherEntityNum2] = static_cast<uint32_t>(other2);
        return e;
    }
    core::EntityState Obituary(int number, int victim, int attacker, int meansOfDeath) const
    {
        return EventEntity(number, m_tables.obituaryEvent, meansOfDeath, victim, attacker);
    }
    static core::EntityState Player(int number)
    {
        core::EntityState e;
        e.number = number;
        e[core::EntityField::EType] = 1;
        return e;
    }

    const std::vector<core::DemoMessage>& Messages() const { return m_messages; }
    // The message written last, to set what the helpers above leave alone.
    core::DemoMessage& Last() { return m_messages.back(); }
    int Protocol() const { return m_protocol; }
    const core::EventTables& Tables() const { return m_tables; }
    int PlayerIndex(int client) const { return m_tables.firstPlayerIndex + client; }

private:
    core::DemoMessage& Next()
    {
        core::DemoMessage& m = m_messages.emplace_back();
        m.sequence = static_cast<int32_t>(m_messages.size());
        m.serverCommands = std::move(m_pending);
        m_pending.clear();
        return m;
    }

    int m_protocol;
    const core::EventTables& m_tables;
    std::vector<core::DemoMessage> m_messages;
    std::vector<core::ServerCommand> m_pending;
    int32_t m_commandSequence = 0;
};

// The messages as a protocol 68 demo file's bytes; empty when the encoder refuses one.
inline std::vector<uint8_t> EncodeDemo(const EventDemoModel& demo)
{
    std::vector<uint8_t> bytes;
    core::DemoEncoder encoder(bytes);
    for (const core::DemoMessage& m : demo.Messages())
        if (encoder.Add(m) != core::EncodeError::None)
            return {};
    encoder.Finish();
    return bytes;
}

// A duel between Alice (client 0) and Bob (client 1) on protocol 68: a snapshot every 50 ms from
// server time 10000 to 30000, Alice railing Bob every 5 s (at 15000, 20000, 25000 and 30000
// server time, demo times 5000 ... 20000).
inline EventDemoModel DuelModel()
{
    EventDemoModel demo(68);
    demo.GameState({{0, "\\protocol\\68\\g_gametype\\1\\mapname\\q3dm17\\gamename\\baseq3"},
                    {demo.PlayerIndex(0), "n\\Alice\\t\\0"},
                    {demo.PlayerIndex(1), "n\\Bob\\t\\0"}});
    demo.Last().gameState->clientNumber = 0;
    demo.Last().gameState->checksumFeed = 0;
    for (int32_t t = 10000; t <= 30000; t += 50) {
        std::vector<core::EntityState> entities = {EventDemoModel::Player(0), EventDemoModel::Player(1)};
        entities[0][core::EntityField::Origin0] = static_cast<uint32_t>(t);
        if (t % 5000 == 0 && t > 10000)
            entities.push_back(demo.Obituary(200, 1, 0, 10));
        demo.Snapshot(t, entities);
        demo.Last().snapshot->player[core::PlayerField::CommandTime] = static_cast<uint32_t>(t);
    }
    return demo;
}

} // namespace testsupport
