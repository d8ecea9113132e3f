#include "core/index/SearchQuery.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <utility>

#include "core/events/MatchStatistics.h"
#include "core/row/DemoInfo.h"

namespace core {
namespace {

// Splits at blanks; double quotes group blanks into a term and are removed.
std::vector<std::string> Terms(std::string_view text)
{
    std::vector<std::string> terms;
    std::string current;
    bool quoted = false, any = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
            if (any || !current.empty())
                terms.push_back(std::move(current));
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.empty())
        terms.push_back(std::move(current));
    return terms;
}

std::optional<int> ReadNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// YYYY-MM-DD, YYYY-MM or YYYY; a missing month or day is the first one.
std::optional<int> ReadDay(std::string_view text)
{
    int parts[3] = {0, 1, 1};
    int count = 0;
    while (count < 3) {
        const size_t dash = text.find('-');
        const auto number = ReadNumber(text.substr(0, dash));
        if (!number)
            return std::nullopt;
        parts[count++] = *number;
        if (dash == std::string_view::npos)
            break;
        text.remove_prefix(dash + 1);
        if (count == 3)
            return std::nullopt;
    }
    if (parts[0] < 1000 || parts[0] > 9999 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31)
        return std::nullopt;
    return parts[0] * 10000 + parts[1] * 100 + parts[2];
}

// The comparisons of rating, acc: and dftime terms, the two-character ones first; ":" is "=".
constexpr std::array<std::pair<std::string_view, RatingCondition::Op>, 6> kComparisons{{
    {">=", RatingCondition::Op::GreaterOrEqual},
    {"<=", RatingCondition::Op::LessOrEqual},
    {">", RatingCondition::Op::Greater},
    {"<", RatingCondition::Op::Less},
    {"=", RatingCondition::Op::Equal},
    {":", RatingCondition::Op::Equal},
}};

bool ReadRating(std::string_view term, SearchQuery& query)
{
    constexpr std::string_view kName = "rating";
    if (term.size() <= kName.size() || LowerCase(term.substr(0, kName.size())) != kName)
        return false;
    const std::string_view rest = term.substr(kName.size());
    for (const auto& [text, op] : kComparisons) {
        if (!rest.starts_with(text))
            continue;
        if (const auto value = ReadNumber(rest.substr(text.size())))
            query.ratings.push_back({op, *value});
        else
            query.errors.push_back(std::string(term) + ": the rating must be a whole number");
        return true;
    }
    return false;
}

// A percentage with at most two decimals, 0 to 100, in hundredths.
std::optional<int> ReadPercent(std::string_view text)
{
    const size_t point = text.find('.');
    const auto whole = ReadNumber(text.substr(0, point));
    if (!whole || text.front() == '-' || text.front() == '+' || *whole > 100)
        return std::nullopt;
    int fraction = 0;
    if (point != std::string_view::npos) {
        const std::string_view decimals = text.substr(point + 1);
        if (decimals.empty() || decimals.size() > 2 || decimals.front() == '-' || decimals.front() == '+')
            return std::nullopt;
        const auto digits = ReadNumber(decimals);
        if (!digits)
            return std::nullopt;
        fraction = decimals.size() == 1 ? *digits * 10 : *digits;
    }
    const int value = *whole * 100 + fraction;
    return value <= 10000 ? std::optional<int>(value) : std::nullopt;
}

// acc:WEAPON followed by >=, <=, >, < or = and a percentage.
void ReadAccuracy(const std::string& term, std::string_view condition, SearchQuery& query)
{
    const size_t opAt = condition.find_first_of("<>=");
    if (opAt == std::string_view::npos) {
        query.errors.push_back(term + ": write the accuracy as acc:WEAPON>=PERCENT (or >, <=, <, =)");
        return;
    }
    const Weapon weapon = WeaponNamed(condition.substr(0, opAt));
    if (weapon == Weapon::None) {
        query.errors.push_back(term + ": unknown weapon (gauntlet, mg, sg, gl, rl, lg, rg, pg, bfg ...)");
        return;
    }
    const std::string_view rest = condition.substr(opAt);
    for (const auto& [text, op] : kComparisons) {
        if (!rest.starts_with(text))
            continue;
        if (const auto value = ReadPercent(rest.substr(text.size())))
            query.accuracies.push_back({std::string(WeaponShortName(weapon)), op, *value});
        else
            query.errors.push_back(term + ": the accuracy must be a percentage from 0 to 100");
        return;
    }
}

bool ReadRunTimeBound(std::string_view term, SearchQuery& query)
{
    constexpr std::string_view kName = "dftime";
    if (term.size() <= kName.size() || LowerCase(term.substr(0, kName.size())) != kName)
        return false;
    const std::string_view rest = term.substr(kName.size());
    for (const auto& [text, op] : kComparisons) {
        if (!rest.starts_with(text))
            continue;
        if (const auto time = ReadTypedRunTime(rest.substr(text.size())))
            query.runTimes.push_back({op, time->milliseconds, time->precision});
        else
            query.errors.push_back(std::string(term) + ": run times are written in seconds (25.488) or as m:ss.mmm");
        return true;
    }
    return false;
}

template <typename T> void RemoveRepeats(std::vector<T>& values)
{
    std::vector<T> once;
    for (T& value : values)
        if (std::find(once.begin(), once.end(), value) == once.end())
            once.push_back(std::move(value));
    values = std::move(once);
}

void AddAlternatives(std::string_view value, std::vector<std::string>& into)
{
    // map:q3dm6,q3dm17 is the same as map:q3dm6 map:q3dm17.
    size_t start = 0;
    while (start <= value.size()) {
        const size_t comma = value.find(',', start);
        const std::string_view one = value.substr(start, comma == std::string_view::npos ? value.npos : comma - start);
        if (!one.empty())
            into.emplace_back(one);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
}

} // namespace

bool SearchQuery::Empty() const
{
    return words.empty() && players.empty() && maps.empty() && gametypes.empty() && mods.empty() && protocols.empty() &&
           !afterDay && !beforeDay && ratings.empty() && accuracies.empty() && !AnyPov() && !moments.Any() &&
           !AnyDefrag();
}

std::optional<TypedRunTime> ReadTypedRunTime(std::string_view text)
{
    int64_t minutes = 0;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        const auto whole = ReadNumber(text.substr(0, colon));
        const std::string_view seconds = text.substr(colon + 1);
        // The seconds after the minutes take two digits.
        if (!whole || *whole < 0 || seconds.size() < 2 || seconds.find('.') == 1 || seconds.substr(0, 2) >= "60")
            return std::nullopt;
        minutes = *whole;
        text = seconds;
    }
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view decimals = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    const auto seconds = ReadNumber(whole);
    if (!seconds || *seconds < 0 || whole.front() == '+' || (dot != std::string_view::npos && decimals.empty()) ||
        decimals.size() > 3 ||
        !std::all_of(decimals.begin(), decimals.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    TypedRunTime time;
    time.precision = 1000;
    time.milliseconds = (minutes * 60 + *seconds) * 1000;
    for (const char c : decimals) {
        time.precision /= 10;
        time.milliseconds += (c - '0') * time.precision;
    }
    return time;
}

std::string SearchText(std::string_view text, TextCoding coding)
{
    return FoldCase(ToUtf8(StripColourCodes(text), coding));
}

std::vector<std::string> GametypeValues(std::string_view typed)
{
    struct Type {
        std::string_view name, number;
        std::array<std::string_view, 3> shortNames;
    };
    static constexpr std::array<Type, 9> kTypes{{
        {"Free for All", "0", {"ffa", "dm", "deathmatch"}},
        {"Tournament", "1", {"tourney", "1v1", "duel"}},
        {"Singleplayer", "2", {"sp", "single", ""}},
        {"Team Deathmatch", "3", {"tdm", "team", ""}},
        {"Capture the Flag", "4", {"ctf", "", ""}},
        {"One Flag CTF", "5", {"1fctf", "oneflag", ""}},
        {"Overload", "6", {"overload", "", ""}},
        {"Harvester", "7", {"harvester", "", ""}},
        {"Capture Strike", "", {"ctfs", "capturestrike", ""}},
    }};
    const std::string lowered = LowerCase(typed);
    for (const Type& type : kTypes) {
        const bool named = lowered == LowerCase(type.name) || lowered == type.number ||
                           std::find(type.shortNames.begin(), type.shortNames.end(), lowered) != type.shortNames.end();
        if (!named || lowered.empty())
            continue;
        // Game types 5 to 7 of other games keep their number in the list.
        if (type.number >= "5")
            return {std::string(type.name), std::string(type.number)};
        return {std::string(type.name)};
    }
    return {std::string(typed)};
}

int DayOfDosDateTime(uint32_t dosDateTime)
{
    const int year = static_cast<int>(dosDateTime >> 25) + 1980;
    const int month = static_cast<int>((dosDateTime >> 21) & 15);
    const int day = static_cast<int>((dosDateTime >> 16) & 31);
    return year * 10000 + month * 100 + day;
}

SearchQuery ParseSearchQuery(std::string_view text)
{
    SearchQuery query;
    for (const std::string& term : Terms(text)) {
        if (term.empty() || ReadRating(term, query) || ReadRunTimeBound(term, query) ||
            ReadMomentTerm(term, query.moments, query.errors))
            continue;
        const size_t colon = term.find(':');
        const std::string facet = colon == std::string::npos ? std::string() : LowerCase(term.substr(0, colon));
        const std::string value = colon == std::string::npos ? std::string() : term.substr(colon + 1);
        if (facet == "player" || facet == "pov") {
            const std::string plain = SearchText(value);
            if (facet == "pov" && (plain == "yes" || plain == "no"))
                (plain == "yes" ? query.povYes : query.povNo) = true;
            else if (!plain.empty())
                (facet == "player" ? query.players : query.povNames).push_back(plain);
        } else if (facet == "map") {
            AddAlternatives(LowerCase(value), query.maps);
        } else if (facet == "type" || facet == "gametype") {
            std::vector<std::string> typed;
            AddAlternatives(value, typed);
            for (const std::string& one : typed)
                for (std::string& listed : GametypeValues(one))
                    query.gametypes.push_back(std::move(listed));
        } else if (facet == "df") {
            std::vector<std::string> typed;
            AddAlternatives(LowerCase(value), typed);
            for (const std::string& one : typed) {
                if (one == "yes" || one == "no" || one == "best")
                    (one == "yes" ? query.dfYes : one == "no" ? query.dfNo : query.dfBest) = true;
                else if (one == "vq3" || one == "cpm")
                    query.dfPhysics.push_back(one);
                else
                    query.errors.push_back(term + ": df: takes yes, no, best, vq3 or cpm");
            }
        } else if (facet == "mod") {
            AddAlternatives(LowerCase(value), query.mods);
        } else if (facet == "protocol") {
            AddAlternatives(value, query.protocols);
        } else if (facet == "acc") {
            ReadAccuracy(term, value, query);
        } else if (facet == "after" || facet == "before") {
            const auto day = ReadDay(value);
            if (!day)
                query.errors.push_back(term + ": dates are written YYYY-MM-DD");
            else if (facet == "after")
                query.afterDay = std::min(query.afterDay.value_or(*day), *day); // either: the earlier
            else
                query.beforeDay = std::max(query.beforeDay.value_or(*day), *day); // either: the later
        } else {
            // Not a facet this language knows (a host name with a colon, a web address): plain text.
            const std::string plain = SearchText(term);
            if (!plain.empty())
                query.words.push_back(plain);
        }
    }
    for (std::vector<std::string>* values : {&query.words, &query.players, &query.maps, &query.gametypes, &query.mods,
                                             &query.protocols, &query.povNames, &query.dfPhysics})
        RemoveRepeats(*values);
    RemoveRepeats(query.runTimes);
    std::vector<std::pair<int, int>> ratings;
    for (const RatingCondition& rating : query.ratings)
        ratings.emplace_back(static_cast<int>(rating.op), rating.value);
    RemoveRepeats(ratings);
    RemoveRepeats(query.accuracies);
    query.ratings.clear();
    for (const auto& [op, value] : ratings)
        query.ratings.push_back({static_cast<RatingCondition::Op>(op), value});

    const size_t terms = query.words.size() + query.players.size() + query.maps.size() + query.gametypes.size() +
                         query.mods.size() + query.protocols.size() + query.ratings.size() + query.povNames.size() +
                         query.accuracies.size() + (query.afterDay ? 1 : 0) + (query.beforeDay ? 1 : 0) +
                         (query.povYes ? 1 : 0) + (query.povNo ? 1 : 0) + query.moments.TermCount() +
                         query.dfPhysics.size() + query.runTimes.size() + (query.dfYes ? 1 : 0) + (query.dfNo ? 1 : 0) +
                         (query.dfBest ? 1 : 0);
    if (terms > kMaxSearchTerms)
        query.errors.insert(query.errors.begin(), "The search is too long: it has " + std::to_string(terms) +
                                                      " different terms, at most " + std::to_string(kMaxSearchTerms) +
                                                      " can be searched at once.");
    return query;
}

} // namespace core
