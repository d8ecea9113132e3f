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
//   acc:WEAPON>=N         a player's accuracy with the weapon (hits per hundred shots, from the
//                         match statistics OSP, CPMA and Quake Live send) is at least N percent;
//                         also >, <=, <, = (to two decimals); weapons as rg/rail, rl/rocket ...
//   df:yes, df:no         a DeFRaG run (a finish with its time) or not; df:vq3, df:cpm its physics
//   df:best               of the runs found, per map and physics only the fastest
//   dftime<30             the run's time: also dftime<=, dftime>, dftime>=, in seconds with up to
//                         three decimals or as m:ss.mmm (dftime<1:05.5); dftime:25.488 (or =) is
//                         the time to the precision written: dftime:25 is 25.000 to 25.999
//
// Words and names match ignoring case over all of Unicode (NFKC case folding) and the game's colour
// codes, also inside words (player:fatal1ty finds "cK-fatal1ty"); a Quake Live player's clan tag is
// part of the name. Every word must occur. A facet given twice is either value (player:a player:b,
// map:q3dm6 map:q3dm17, pov:yes pov:no); for the ranges, two bounds of one side are either too, so
// the wider one counts (before:2000 before:2029 is before:2029, rating>=5 rating>=8 is rating>=5),
// while a lower and an upper bound together make a range (after:2019 before:2020, rating>=5
// rating<=8), and rating=N given twice is either value. Different facets must all hold. The same
// term twice counts once; a search of more than kMaxSearchTerms terms is refused.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/TextFolding.h"
#include "core/index/MomentQuery.h"

namespace core {

struct RatingCondition {
    enum class Op { Less, LessOrEqual, Equal, GreaterOrEqual, Greater } op = Op::GreaterOrEqual;
    int value = 0;
};

// acc:rg>=50: some player's hits * 100 compared with `hundredths` / 100 * shots, exactly.
struct AccuracyCondition {
    std::string weapon; // the weapon's short name ("rg", "rl", ...)
    RatingCondition::Op op = RatingCondition::Op::GreaterOrEqual;
    int hundredths = 0; // the percentage times 100
    bool operator==(const AccuracyCondition&) const = default;
};

struct SearchQuery {
    std::vector<std::string> words;                            // search texts (SearchText), all must occur
    std::vector<std::string> players;                          // search texts, alternatives
    std::vector<std::string> maps, gametypes, mods, protocols; // whole values, alternatives
    std::optional<int> afterDay, beforeDay;                    // yyyymmdd: the earliest after, the latest before
    // Lower bounds (>, >=) are alternatives, so are upper bounds (<, <=) and equal values; the
    // three kinds must all hold.
    std::vector<RatingCondition> ratings;
    std::vector<AccuracyCondition> accuracies; // all must hold, each for some player
    bool povYes = false, povNo = false;        // pov:yes, pov:no; alternatives with povNames
    std::vector<std::string> povNames;         // search texts
    MomentQuery moments;                       // frag, capture, say: ...: the search lists moments
    // DeFRaG runs: df:yes, df:no, df:best; the physics are alternatives; every time bound must hold.
    bool dfYes = false, dfNo = false, dfBest = false;
    std::vector<std::string> dfPhysics;
    struct RunTimeBound {
        RatingCondition::Op op = RatingCondition::Op::Less;
        int64_t milliseconds = 0;
        int64_t precision = 1; // for Equal: the time written covers [milliseconds, + precision)
        bool operator==(const RunTimeBound&) const = default;
    };
    std::vector<RunTimeBound> runTimes;
    std::vector<std::string> errors; // terms that could not be read, with why; or why the search is refused

    bool Empty() const;
    bool AnyPov() const { return povYes || povNo || !povNames.empty(); }
    bool AnyDefrag() const { return dfYes || dfNo || dfBest || !dfPhysics.empty() || !runTimes.empty(); }
};

// Terms a search may hold (each comma alternative counts); more are refused, as a database
// expression of thousands of alternatives would be slow or fail.
inline constexpr size_t kMaxSearchTerms = 100;

// Reads the search text as typed in the window or on the command line (UTF-8; bytes that are no
// UTF-8 are taken as Latin-1).
SearchQuery ParseSearchQuery(std::string_view text);

// The text a search compares with: colour codes removed, in UTF-8, case folded over all of Unicode.
std::string SearchText(std::string_view text, TextCoding coding = TextCoding::Utf8OrLatin1);

// The list texts of the "Gametype" column that a type: value stands for: the game type names,
// their usual short names (ffa, 1v1, tdm, ctf ...) and the game's numbers.
std::vector<std::string> GametypeValues(std::string_view typed);

// A run's time as dftime takes it: seconds with up to three decimals ("25", "25.488") or minutes
// and seconds ("1:05", "1:05.5"); with the milliseconds one unit of its last digit stands for.
struct TypedRunTime {
    int64_t milliseconds = 0;
    int64_t precision = 1;
};
std::optional<TypedRunTime> ReadTypedRunTime(std::string_view text);

// The day of a packed DOS date-time as yyyymmdd.
int DayOfDosDateTime(uint32_t dosDateTime);

} // namespace core
