#include "support/DemoBuilder.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace testsupport {

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
