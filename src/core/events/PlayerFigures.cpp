#include "core/events/PlayerFigures.h"

#include <algorithm>
#include <map>

namespace core {

namespace {

struct Counting {
    PlayerFigures figures;
    int spree = 0;
};

Counting& Entry(std::map<int, Counting>& players, int client, const std::string& name, int team)
{
    Counting& c = players[client];
    c.figures.client = client;
    if (!name.empty())
        c.figures.name = name;
    if (team >= 0)
        c.figures.team = team;
    return c;
}

void Died(Counting& c)
{
    ++c.figures.deaths;
    c.spree = 0;
}

} // namespace

std::vector<PlayerFigures> PlayerFiguresOf(std::span<const DemoEvent> events)
{
    std::map<int, Counting> players;
    for (const DemoEvent& e : events) {
        if (e.warmup)
            continue;
        switch (e.kind) {
        case EventKind::Frag: {
            if (e.player < 0 || e.other < 0)
                break;
            Counting& attacker = Entry(players, e.player, e.playerName, e.playerTeam);
            Counting& victim = Entry(players, e.other, e.otherName, e.otherTeam);
            if (e.teamKill) {
                ++attacker.figures.teamKills;
            } else {
                ++attacker.figures.frags;
                ++attacker.figures.fragsByWeapon[static_cast<size_t>(e.weapon)];
                attacker.figures.longestSpree = std::max(attacker.figures.longestSpree, ++attacker.spree);
            }
            Died(victim);
            break;
        }
        case EventKind::Suicide: {
            if (e.other < 0)
                break;
            Counting& victim = Entry(players, e.other, e.otherName, e.otherTeam);
            ++victim.figures.suicides;
            Died(victim);
            break;
        }
        case EventKind::FlagCaptured:
            if (e.player >= 0)
                ++Entry(players, e.player, e.playerName, e.playerTeam).figures.captures;
            break;
        case EventKind::GameStart:
            // A restarted match starts every spree afresh.
            for (auto& [client, c] : players)
                c.spree = 0;
            break;
        default:
            if (e.player >= 0)
                Entry(players, e.player, e.playerName, e.playerTeam);
            break;
        }
    }
    std::vector<PlayerFigures> result;
    result.reserve(players.size());
    for (auto& [client, c] : players)
        result.push_back(std::move(c.figures));
    return result;
}

const PlayerFigures* FiguresByName(const std::vector<PlayerFigures>& figures, const std::string& name)
{
    for (const PlayerFigures& f : figures)
        if (f.name == name)
            return &f;
    return nullptr;
}

} // namespace core
