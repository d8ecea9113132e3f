#pragma once
// The search language of the search bar and "velmora-cli search":
//
//   words                 every word occurs in the demo name, map, map title, host name, a player's
//                         name, mod or user description ("quoted words" count as one)
//   player:NAME           a player's name contains NAME
//   map:, type:, mod:, protocol:   the whole value (gametype: is type:; type:ctf, type:tdm ...)
//   after:YYYY-MM-DD      recorded on or after the day; before: recorded before the day
//   rating>=N             also rating>, rating<=, rating<, rating=, rating:N
//   pov:yes, pov:no       has a point of view or not; pov:NAME its name contains NAME
//
// Words and names match ignoring case and the game's colour codes, also inside words (player:fatal1ty
// finds "cK-fatal1ty"). Values of the same facet given twice are alternatives (map:q3dm6 map:q3dm17);
// different facets, words and player: names must all hold.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct RatingCondition {
    enum class Op { Less, LessOrEqual, Equal, GreaterOrEqual, Greater } op = Op::GreaterOrEqual;
    int value = 0;
};

struct SearchQuery {
    std::vector<std::string> words;                            // search texts: colour codes removed, lower case
    std::vector<std::string> players;                          // the same
    std::vector<std::string> maps, gametypes, mods, protocols; // whole values, alternatives
    std::optional<int> afterDay, beforeDay;                    // yyyymmdd
    std::vector<RatingCondition> ratings;
    std::optional<bool> hasPov;
    std::vector<std::string> povNames; // search texts
    std::vector<std::string> errors;   // terms that could not be read, with why

    bool Empty() const;
};

SearchQuery ParseSearchQuery(std::string_view text);

// The text a search compares with: colour codes removed, ASCII letters in lower case.
std::string SearchText(std::string_view text);

// The list texts of the "Gametype" column that a type: value stands for: the game type names,
// their usual short names (ffa, 1v1, tdm, ctf ...) and the game's numbers.
std::vector<std::string> GametypeValues(std::string_view typed);

// The day of a packed DOS date-time as yyyymmdd.
int DayOfDosDateTime(uint32_t dosDateTime);

} // namespace core
