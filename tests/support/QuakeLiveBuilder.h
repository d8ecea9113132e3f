#pragma once
// Quake Live demos (".dm_73", ".dm_90", ".dm_91") with known content. Their messages are coded
// like those of 1.32 (see HuffmanEncoder.h); what differs is what the messages say: the server
// information keys, the player configuration strings from 529 on and the score commands, whose
// layout depends on the game type and on the protocol.
//
//   QuakeLiveDemo demo(91, "1");                       // protocol 91, a duel
//   demo.Player(0, "^1Rex", 0).Player(1, "Bob", 0);
//   demo.Start(10000);                                 // game state, level start, first snapshot
//   demo.Command(QuakeLiveScores("scores_duel", 91, {{0, 0, 11}, {1, 0, 5}}));
//   demo.Intermission(600000);
//   std::vector<uint8_t> bytes = demo.Bytes();
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

struct QuakeLiveScore {
    int client = 0;
    int team = 0;
    int score = 0;
    int ping = 40;
    int time = 10;
};

// A score command of the given name ("scores", "scores_duel", "scores_tdm", "scores_ctf",
// "scores_ft", "scores_ca", "scores_rr", "scores_ad") laid out as that protocol's servers write
// it, with zeros in every field the reader has no use for.
std::string QuakeLiveScores(const std::string& command, int protocol, const std::vector<QuakeLiveScore>& entries,
                            int red = 0, int blue = 0);

std::string QuakeLiveServerInfo(int protocol, const std::string& map, const std::string& gametype,
                                const std::string& extra = "");
std::string QuakeLivePlayer(const std::string& name, int team, const std::string& clan = "",
                            const std::string& steamId = "");

class QuakeLiveDemo {
public:
    QuakeLiveDemo(int protocol, const std::string& gametype, const std::string& map = "campgrounds");

    // Before Start: a player's configuration string in the game state.
    QuakeLiveDemo& Player(int client, const std::string& name, int team, const std::string& clan = "",
                          const std::string& steamId = "");
    // Before Start: any further configuration string of the game state.
    QuakeLiveDemo& ConfigString(int index, const std::string& text);
    // The game state, then the level start time and a first snapshot at `time`.
    QuakeLiveDemo& Start(uint32_t time);
    // A further game state (a new map or a reconnect), with the same configuration strings.
    QuakeLiveDemo& NewGameState(uint32_t time);
    // One server command in a message of its own, followed by a snapshot 50 ms later.
    QuakeLiveDemo& Command(const std::string& text);
    QuakeLiveDemo& Print(const std::string& text) { return Command("print \"" + text + "\n\""); }
    QuakeLiveDemo& Cs(int index, const std::string& value)
    {
        return Command("cs " + std::to_string(index) + " \"" + value + "\"");
    }
    QuakeLiveDemo& At(uint32_t time); // a snapshot at this server time
    QuakeLiveDemo& Intermission(uint32_t time);

    std::vector<uint8_t> Bytes() const;

private:
    int m_protocol;
    uint32_t m_sequence = 0;
    uint32_t m_time = 0;
    std::vector<std::pair<int, std::string>> m_configStrings;
    std::vector<std::vector<uint8_t>> m_messages;
};

} // namespace testsupport
