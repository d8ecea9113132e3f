#include "support/QuakeLiveBuilder.h"

#include "support/HuffmanEncoder.h"

namespace testsupport {
namespace {

std::string Zeros(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += " 0";
    return text;
}

std::string N(int value)
{
    return " " + std::to_string(value);
}

} // namespace

std::string QuakeLiveScores(const std::string& command, int protocol, const std::vector<QuakeLiveScore>& entries,
                            int red, int blue)
{
    const bool old = protocol <= 90;
    const int count = static_cast<int>(entries.size());
    std::string text = command;
    // Everything before the entries: team statistics, the count, the team scores.
    if (command == "scores" || command == "scores_ca" || command == "scores_rr")
        text += N(count) + N(red) + N(blue);
    else if (command == "scores_duel")
        text += N(count);
    else if (command == "scores_tdm" || command == "scores_ft")
        text += Zeros(28) + N(count) + N(red) + N(blue);
    else if (command == "scores_ctf")
        text += Zeros(34) + N(count) + N(red) + N(blue);
    else if (command == "scores_ad")
        return text + Zeros(20) + N(red) + N(blue);

    for (const QuakeLiveScore& e : entries) {
        const std::string scorePingTime = N(e.score) + N(e.ping) + N(e.time);
        if (command == "scores")
            text += N(e.client) + scorePingTime + Zeros(14);
        else if (command == "scores_duel")
            text += N(e.client) + scorePingTime + Zeros(87);
        else if (command == "scores_tdm")
            text += N(e.client) + N(e.team) + (old ? " 1" : "") + scorePingTime + Zeros(10);
        else if (command == "scores_ctf")
            text += N(e.client) + N(e.team) + (old ? " 1" : "") + scorePingTime + Zeros(old ? 13 : 12);
        else if (command == "scores_ft")
            text += N(e.client) + N(e.team) + (old ? " 1" : "") + scorePingTime + Zeros(old ? 12 : 12);
        else if (command == "scores_ca")
            text += N(e.client) + N(e.team) + (old ? "" : " 1") + scorePingTime + Zeros(11);
        else if (command == "scores_rr")
            text += N(e.client) + N(e.score) + " 3" + N(e.ping) + N(e.time) + Zeros(old ? 14 : 13);
    }
    return text;
}

std::string QuakeLiveServerInfo(int protocol, const std::string& map, const std::string& gametype,
                                const std::string& extra)
{
    return "\\sv_hostname\\^1Live ^7Arena\\sv_maxclients\\16\\timelimit\\10\\fraglimit\\0\\capturelimit\\8"
           "\\g_gametype\\" +
           gametype + "\\protocol\\" + std::to_string(protocol) + "\\mapname\\" + map +
           "\\version\\Quake Live test build" + extra;
}

std::string QuakeLivePlayer(const std::string& name, int team, const std::string& clan, const std::string& steamId)
{
    std::string text = "n\\" + name + "\\t\\" + std::to_string(team) +
                       "\\model\\sarge\\hmodel\\sarge\\c1\\4\\hc\\100"
                       "\\w\\0\\l\\0\\tt\\0\\tl\\0\\rp\\0\\p\\0\\so\\0\\pq\\0\\cn\\" +
                       clan + "\\xcn\\\\c\\de";
    if (!steamId.empty())
        text += "\\st\\" + steamId;
    return text;
}

QuakeLiveDemo::QuakeLiveDemo(int protocol, const std::string& gametype, const std::string& map) : m_protocol(protocol)
{
    m_configStrings.emplace_back(0, QuakeLiveServerInfo(protocol, map, gametype));
    m_configStrings.emplace_back(1, "\\sv_pure\\1\\sv_serverid\\1234");
    m_configStrings.emplace_back(3, "Campgrounds");
    m_configStrings.emplace_back(12, "baseqz");
}

QuakeLiveDemo& QuakeLiveDemo::Player(int client, const std::string& name, int team, const std::string& clan,
                                     const std::string& steamId)
{
    m_configStrings.emplace_back(529 + client, QuakeLivePlayer(name, team, clan, steamId));
    return *this;
}

QuakeLiveDemo& QuakeLiveDemo::ConfigString(int index, const std::string& text)
{
    m_configStrings.emplace_back(index, text);
    return *this;
}

QuakeLiveDemo& QuakeLiveDemo::Start(uint32_t time)
{
    NewGameState(time);
    return Cs(13, std::to_string(time));
}

QuakeLiveDemo& QuakeLiveDemo::NewGameState(uint32_t time)
{
    ModernMessageBuilder message(m_sequence);
    message.BeginGameState(++m_sequence);
    for (const auto& [index, text] : m_configStrings)
        message.ConfigString(index, text);
    message.EndGameState(0, 0).End();
    m_messages.push_back(message.Payload());
    return At(time);
}

QuakeLiveDemo& QuakeLiveDemo::Command(const std::string& text)
{
    const uint32_t acknowledge = m_sequence++;
    m_messages.push_back(ModernMessageBuilder(acknowledge).ServerCommand(m_sequence, text).End().Payload());
    return At(m_time + 50);
}

QuakeLiveDemo& QuakeLiveDemo::At(uint32_t time)
{
    m_time = time;
    m_messages.push_back(ModernMessageBuilder(m_sequence).Snapshot(time).Payload());
    return *this;
}

QuakeLiveDemo& QuakeLiveDemo::Intermission(uint32_t time)
{
    At(time);
    return Cs(14, "1");
}

std::vector<uint8_t> QuakeLiveDemo::Bytes() const
{
    return ModernDemoFile(m_messages);
}

} // namespace testsupport
