#pragma once
// Writes demos of the old protocols (43 to 48) message by message, so that a test shows the
// bytes it depends on:
//
//   DemoBuilder demo(48);
//   demo.Add(Message(48).GameState({{0, ServerInfo(48, "q3dm6", "1")}, {1, "\\sv_cheats\\0"}}));
//   demo.Add(Message(48).ServerCommand(1, "cs 21 \"5000\"").Snapshot(6000));
//   demo.End();                      // the -1 end marker
//   std::vector<uint8_t> bytes = demo.Bytes();
//
// Message sequences count up from 1 unless given. Protocols above 45 get the 4 acknowledge bytes
// at the start of each message; snapshots of protocol 45 and below get 4 bytes before the time.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// A player as a snapshot of the old protocols shows him: standing at a whole-numbered point of the
// map, looking along `yaw` degrees, holding a weapon (the game's numbers: 7 is the railgun).
struct OldPlayer {
    int clientNum = 0;
    std::array<int, 3> origin{};
    int yaw = 0;
    int weapon = 7;
};
// A whole snapshot (not a delta): the recording player's own state, and the other players as
// entities numbered by their client numbers (ascending).
struct OldSnapshot {
    OldPlayer viewer;
    int health = 100;
    std::vector<OldPlayer> others;
};

class Message {
public:
    explicit Message(int protocol);

    // Command 2: 4 skipped bytes, then (3, index, text) triples, then `endByte`.
    Message& GameState(const std::vector<std::pair<int, std::string>>& configStrings, uint8_t endByte = 0);
    // Command 5: sequence and zero-terminated text.
    Message& ServerCommand(uint32_t sequence, const std::string& text);
    // Command 7 with the server time, followed by some snapshot bytes the reader skips.
    Message& Snapshot(uint32_t serverTime);
    // Command 7 as the old game's server writes it, bit by bit, readable by its client (protocols
    // 43 to 48 only). Nothing may follow it in the message but the end byte.
    Message& Snapshot(uint32_t serverTime, const OldSnapshot& content);
    Message& Byte(uint8_t value);
    Message& Raw(const std::vector<uint8_t>& bytes);

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    void Int32(uint32_t value);
    int m_protocol;
    std::vector<uint8_t> m_bytes;
};

class DemoBuilder {
public:
    explicit DemoBuilder(int protocol) : m_protocol(protocol) {}

    DemoBuilder& Add(const Message& message);
    DemoBuilder& Add(const Message& message, int32_t sequence);
    // A message header whose length differs from the data that follows.
    DemoBuilder& AddWithLength(const Message& message, int32_t length);
    DemoBuilder& End();

    std::vector<uint8_t> Bytes() const { return m_bytes; }
    int protocol() const { return m_protocol; }

private:
    void Int32(uint32_t value);
    int m_protocol;
    int32_t m_nextSequence = 1;
    std::vector<uint8_t> m_bytes;
};

// A server information text: "\sv_hostname\Test\protocol\48\mapname\<map>\g_gametype\<gt>" + extra.
std::string ServerInfo(int protocol, const std::string& map, const std::string& gametype,
                       const std::string& extra = "");
// A userinfo text with name, team and optionally skill.
std::string UserInfo(const std::string& name, int team, const std::string& skill = "");

// A realistic demo: game state, then `snapshots` snapshot messages of `snapshotBytes` each with a
// score change or chat every few dozen messages, then the end marker.
std::vector<uint8_t> RealisticDemo(int protocol, int snapshots, int snapshotBytes, uint32_t seed);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

} // namespace testsupport
