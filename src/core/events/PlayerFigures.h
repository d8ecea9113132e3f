#pragma once
// What each player did in a demo, counted from its events.
#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/events/DemoEvent.h"

namespace core {

struct PlayerFigures {
    int client = -1;
    std::string name; // the last name the player had, colour codes kept
    int team = -1;    // the last team
    int frags = 0;    // other players fragged, team mates not counted
    int deaths = 0;   // fragged or suicided
    int suicides = 0; // by their own hand or the world's
    int teamKills = 0;
    int captures = 0;
    int longestSpree = 0; // frags in a row without dying
    std::array<int, kWeaponCount> fragsByWeapon{};
};

// One entry per client number that any counted event names, in client number order. Events
// during the warm-up are left out: the game does not count them either.
std::vector<PlayerFigures> PlayerFiguresOf(std::span<const DemoEvent> events);

// The entry for a player of that name (colour codes compared as they are), or nullptr.
const PlayerFigures* FiguresByName(const std::vector<PlayerFigures>& figures, const std::string& name);

} // namespace core
