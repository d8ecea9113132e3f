#pragma once
// One decoded message of the old game (protocols 43 to 48) turned into what 1.32's client expects:
// configuration strings at 1.32's indices, the game version of the engine's data, 1.32's numbers
// in entity and player states, score commands with 1.32's entries. What has no counterpart is
// left out and counted, so that the converted demo can say what it lacks.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/convert/DemoConversion.h"
#include "core/demo/DemoMessage.h"

namespace core {

class OldDemoConverter {
public:
    OldDemoConverter(int protocol, int newProtocol, TargetGameData data);

    // Maps the message in place.
    void Convert(DemoMessage& message);

    // One line per kind of thing left out, in a fixed order ("configuration strings 16, 17 (...)").
    std::vector<std::string> Dropped() const;
    int GameStates() const { return m_gameStates; }

private:
    void ConvertGameState(GameState& gameState);
    std::string ConvertCommand(const std::string& text);
    void ConvertEntity(EntityState& entity);
    void ConvertPlayer(PlayerState& player);
    uint32_t ConvertEvent(uint32_t event);
    void Drop(const char* kind, int number);

    int m_protocol;
    int m_newProtocol;
    TargetGameData m_data;
    bool m_oldTables;
    int m_gameStates = 0;
    // Kind of value -> the numbers left out.
    std::map<std::string, std::map<int, int>> m_dropped;
    // The first words of the server commands left out, a few of them.
    std::set<std::string> m_droppedCommands;
    static constexpr size_t kMaxNamedCommands = 16;
};

// The server command a command without counterpart becomes: the client must still get a command
// under its sequence number (a gap would make it run an old command again), and this one the
// game's client code takes without a trace.
// (The game spells it so.)
inline constexpr const char* kHarmlessCommand = "loaddefered";

} // namespace core
