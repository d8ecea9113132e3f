#include "support/DemoBuilder.h"

#include "support/PlainBits.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testsupport {
namespace {

// A changed field of a state: its place in the protocol's field list, its width (0: a float).
struct Changed {
    int index;
    int bits;
    int value;
};

void PutValue(PlainBits& bits, const Changed& field)
{
    if (field.bits == 0)
        bits.PutFloat(field.value);
    else
        bits.Put(static_cast<uint32_t>(field.value), field.bits);
}

// The old game's numbers for a standing player.
constexpr int kWorldEntity = 1022;
constexpr int kViewHeight = 26;
constexpr int kPlayerEntityType = 1;
constexpr int kInterpolatedTrajectory = 1;
constexpr int kLegsRun = 15;
constexpr int kTorsoStand = 11;
constexpr int kGauntlet = 1;

} // namespace

Message::Message(int protocol) : m_protocol(protocol)
{
    if (m_protocol > 45)
        Int32(0); // reliable acknowledge
}

void Message::Int32(uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Message& Message::GameState(const std::vector<std::pair<int, std::string>>& configStrings, uint8_t endByte)
{
    m_bytes.push_back(2);
    Int32(0);
    for (const auto& [index, text] : configStrings) {
        m_bytes.push_back(3);
        m_bytes.push_back(static_cast<uint8_t>(index & 0xFF));
        m_bytes.push_back(static_cast<uint8_t>(index >> 8));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back(0);
    }
    m_bytes.push_back(endByte);
    return *this;
}

Message& Message::ServerCommand(uint32_t sequence, const std::string& text)
{
    m_bytes.push_back(5);
    Int32(sequence);
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    m_bytes.push_back(0);
    return *this;
}

Message& Message::Snapshot(uint32_t serverTime)
{
    m_bytes.push_back(7);
    if (m_protocol <= 45)
        Int32(0);
    Int32(serverTime);
    for (int i = 0; i < 12; ++i)
        m_bytes.push_back(static_cast<uint8_t>(0x40 + i));
    return *this;
}

Message& Message::Snapshot(uint32_t serverTime, const OldSnapshot& content)
{
    if (m_protocol > 48)
        throw std::logic_error("plain snapshots belong to protocols 43 to 48");
    // 1.17 (43, 45) sends 45 player and 50 entity fields; from 46 on 48 and 51.
    const bool newTables = m_protocol >= 46;
    const int playerFields = newTables ? 48 : 45;
    const int entityFields = newTables ? 51 : 50;
    PlainBits bits;
    bits.Put(7, 8);
    if (m_protocol <= 45)
        bits.Put(0, 32); // the client command sequence
    bits.Put(serverTime, 32);
    bits.Put(0, 8); // a whole snapshot
    bits.Put(0, 8); // flags
    bits.Put(4, 8); // area mask: every area visible
    bits.Put(0, 32);

    const OldPlayer& viewer = content.viewer;
    const Changed player[] = {
        {0, 32, static_cast<int>(serverTime)}, // command time
        {5, 0, viewer.origin[0]},
        {6, 0, viewer.origin[1]},
        {7, 0, viewer.origin[2]},
        {17, 10, kWorldEntity}, // standing on the world
        {31, 8, viewer.clientNum},
        {32, 5, viewer.weapon},
        {35, 0, viewer.yaw},
        {37, 8, kViewHeight},
    };
    size_t next = 0;
    for (int i = 0; i < playerFields; ++i) {
        const bool changed = next < std::size(player) && player[next].index == i;
        bits.Put(changed ? 1 : 0, 1);
        if (changed)
            PutValue(bits, player[next++]);
    }
    // Stats: health and the weapons held; no persistant values; ammunition for the weapon; no
    // power-ups.
    bits.Put(1, 1);
    bits.Put((1u << 0) | (1u << 2), 16);
    bits.Put(static_cast<uint32_t>(content.health), 16);
    bits.Put((1u << kGauntlet) | (1u << viewer.weapon), 16);
    bits.Put(0, 1);
    bits.Put(1, 1);
    bits.Put(1u << viewer.weapon, 16);
    bits.Put(10, 16);
    bits.Put(0, 1);

    for (const OldPlayer& other : content.others) {
        const Changed entity[] = {
            {0, 8, kPlayerEntityType}, {2, 8, kInterpolatedTrajectory},
            {5, 0, other.origin[0]},   {6, 0, other.origin[1]},
            {7, 0, other.origin[2]},   {15, 0, other.yaw},
            {36, 10, kWorldEntity},    {42, 8, other.clientNum},
            {47, 8, other.weapon},     {48, 8, kLegsRun},
            {49, 8, kTorsoStand},
        };
        bits.Put(static_cast<uint32_t>(other.clientNum), 10);
        bits.Put(0, 1);  // not removed
        bits.Put(1, 1);  // changed from its baseline
        bits.Put(31, 5); // the change mask in full
        std::array<uint8_t, 7> mask{};
        for (const Changed& field : entity)
            mask[static_cast<size_t>(field.index / 8)] |= static_cast<uint8_t>(1u << (field.index % 8));
        for (size_t i = 0; i < 6; ++i)
            bits.Put(mask[i], 8);
        bits.Put(mask[6], entityFields - 48);
        for (const Changed& field : entity)
            PutValue(bits, field);
    }
    bits.Put(1023, 10); // the end of the entity list
    m_bytes.insert(m_bytes.end(), bits.Bytes().begin(), bits.Bytes().end());
    return *this;
}

Message& Message::Byte(uint8_t value)
{
    m_bytes.push_back(value);
    return *this;
}

Message& Message::Raw(const std::vector<uint8_t>& bytes)
{
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

void DemoBuilder::Int32(uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

DemoBuilder& DemoBuilder::Add(const Message& message)
{
    return Add(message, m_nextSequence);
}

DemoBuilder& DemoBuilder::Add(const Message& message, int32_t sequence)
{
    m_nextSequence = sequence + 1;
    Int32(static_cast<uint32_t>(sequence));
    Int32(static_cast<uint32_t>(message.Bytes().size()));
    m_bytes.insert(m_bytes.end(), message.Bytes().begin(), message.Bytes().end());
    return *this;
}

DemoBuilder& DemoBuilder::AddWithLength(const Message& message, int32_t length)
{
    Int32(static_cast<uint32_t>(m_nextSequence++));
    Int32(static_cast<uint32_t>(length));
    m_bytes.insert(m_bytes.end(), message.Bytes().begin(), message.Bytes().end());
    return *this;
}

DemoBuilder& DemoBuilder::End()
{
    Int32(0xFFFFFFFFu);
    Int32(0xFFFFFFFFu);
    return *this;
}

std::string ServerInfo(int protocol, const std::string& map, const std::string& gametype, const std::string& extra)
{
    return "\\sv_hostname\\Test Server\\protocol\\" + std::to_string(protocol) + "\\mapname\\" + map +
           "\\g_gametype\\" + gametype + "\\version\\Q3 1.27g linux-i386\\timelimit\\15\\fraglimit\\0" + extra;
}

std::string UserInfo(const std::string& name, int team, const std::string& skill)
{
    std::string info = "n\\" + name + "\\t\\" + std::to_string(team) + "\\model\\sarge\\hmodel\\sarge";
    if (!skill.empty())
        info += "\\skill\\" + skill;
    return info;
}

std::vector<uint8_t> RealisticDemo(int protocol, int snapshots, int snapshotBytes, uint32_t seed)
{
    std::mt19937 random(seed);
    const bool newIndices = protocol >= 46;
    DemoBuilder demo(protocol);
    demo.Add(Message(protocol).GameState({{0, ServerInfo(protocol, "q3dm17", "0", "\\sv_maxclients\\8")},
                                          {1, "\\sv_cheats\\0\\sv_pure\\1"},
                                          {2, "music/fla22k_02.wav"},
                                          {3, "The Longest Yard"},
                                          {544, UserInfo("^1Alpha", 0)},
                                          {545, UserInfo("Beta", 0, "3.000000")}}));
    uint32_t time = 10000, command = 1;
    demo.Add(Message(protocol)
                 .ServerCommand(command++, "cs " + std::string(newIndices ? "21" : "13") + " \"10000\"\n")
                 .Snapshot(time));
    int scoreA = 0, scoreB = 0;
    for (int i = 0; i < snapshots; ++i) {
        time += 50;
        Message message(protocol);
        if (i % 40 == 39) {
            if (random() % 2)
                message.ServerCommand(command++, "cs 6 \"" + std::to_string(++scoreA) + "\"\n");
            else
                message.ServerCommand(command++, "print \"Beta fragged Alpha\n\"");
        }
        if (i % 400 == 399)
            message.ServerCommand(
                command++, "scores 2 0 0 0 " + std::to_string(scoreA) + " 50 " + std::to_string(i / 1200) + " 0 0 " +
                               std::string(protocol == 46 ? "0 0 0 0 0 0 0 0 0 " : "") +
                               std::string(protocol > 46 ? "0 0 0 0 0 0 0 0 " : "") + "1 " + std::to_string(scoreB) +
                               " 60 0 0 0" + std::string(protocol == 46 ? " 0 0 0 0 0 0 0 0 0" : "") +
                               std::string(protocol > 46 ? " 0 0 0 0 0 0 0 0" : ""));
        message.Snapshot(time);
        std::vector<uint8_t> entities(static_cast<size_t>(snapshotBytes));
        for (auto& b : entities)
            b = static_cast<uint8_t>(random());
        message.Raw(entities);
        demo.Add(message);
    }
    demo.Add(Message(protocol).ServerCommand(command++, "print \"Fraglimit hit.\n\"").Snapshot(time + 50));
    demo.End();
    return demo.Bytes();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testsupport
