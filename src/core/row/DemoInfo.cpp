#include "core/row/DemoInfo.h"

#include <cfenv>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <utility>

namespace core {

const std::array<std::string_view, DemoFieldCount>& DemoColumnNames()
{
    static const std::array<std::string_view, DemoFieldCount> names = {
        "Demoname",     "Size",        "Recorded",    "Archive Location", "Map",       "Playtime",
        "Version",      "Gametype",    "Mod",         "Hostname",         "Timelimit", "Fraglimit",
        "Capturelimit", "Protocol",    "Max Clients", "Max Rate",         "Max Ping",  "Min Ping",
        "Winner",       "Second",      "Final Score", "Location",         "POV",       "Rating",
        "Web",          "Description", "Run time"};
    return names;
}

std::array<int, kStoredColumns> StoredColumnOrder(const std::array<int, DemoFieldCount>& order, int& runTimePosition)
{
    std::array<int, kStoredColumns> stored;
    stored.fill(-1);
    runTimePosition = kStoredColumns;
    size_t next = 0;
    for (size_t position = 0; position < order.size(); ++position) {
        if (order[position] == FieldRunTime)
            runTimePosition = static_cast<int>(position);
        else if (next < stored.size())
            stored[next++] = order[position];
    }
    return stored;
}

std::array<int, DemoFieldCount> MergedColumnOrder(const std::array<int, kStoredColumns>& stored, int runTimePosition)
{
    const auto at = static_cast<size_t>(runTimePosition >= 0 && runTimePosition < kStoredColumns ? runTimePosition
                                                                                                 : kStoredColumns);
    std::array<int, DemoFieldCount> order{};
    for (size_t position = 0, next = 0; position < order.size(); ++position)
        order[position] = position == at ? FieldRunTime : stored[next++];
    return order;
}

bool FieldHoldsUtf8(int column)
{
    return column == FieldDemoname || column == FieldArchiveLocation || column == FieldLocation ||
           (column >= FieldPOV && column <= FieldDescription);
}

int64_t RoundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    return static_cast<int64_t>(std::nearbyint(value));
}

std::string FormatSeconds(uint32_t seconds)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2u:%.2u:%.2u", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
    return buf;
}

std::optional<int> ParseClock(std::string_view text)
{
    auto part = [&](size_t pos) -> std::optional<int> {
        if (text.size() < pos + 2)
            return std::nullopt;
        int value = 0;
        for (size_t i = pos; i < pos + 2; ++i) {
            const char c = text[i];
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const auto h = part(0), m = part(3), s = part(6);
    if (!h || !m || !s)
        return std::nullopt;
    return *h * 3600 + *m * 60 + *s;
}

std::optional<double> StrictDouble(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    // from_chars takes no leading "+" and would read "inf" and "nan"; neither is a number here.
    const char first = text.front();
    if (!(first == '-' || first == '.' || (first >= '0' && first <= '9')))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

namespace {

std::optional<int32_t> WholeScore(std::string_view text)
{
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

template <class T> int Order(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

std::optional<double> ListNumber(std::string_view text)
{
    const std::string_view head = text.substr(0, text.find(' '));
    if (head.find(':') != std::string_view::npos)
        return std::nullopt; // a clock or a score, each with a key of its own
    if (std::optional<double> value = StrictDouble(head))
        return value;
    // The locale's form: its thousands separators left out, its decimal separator read as ".".
    const std::lconv* conv = std::localeconv();
    const std::string_view thousands = conv && conv->thousands_sep ? conv->thousands_sep : "";
    const std::string_view decimal = conv && conv->decimal_point ? conv->decimal_point : ".";
    std::string local;
    for (size_t at = 0; at < head.size();) {
        if (!thousands.empty() && head.substr(at, thousands.size()) == thousands) {
            at += thousands.size();
        } else if (!decimal.empty() && decimal != "." && head.substr(at, decimal.size()) == decimal) {
            local += '.';
            at += decimal.size();
        } else {
            local += head[at++];
        }
    }
    if (local == head)
        return std::nullopt;
    return StrictDouble(local);
}

void RefreshRowKeys(DemoInfo& row)
{
    RowKeys& keys = row.keys;
    const std::optional<int> playtime = ParseClock(row[FieldPlaytime]);
    keys.playtime = playtime && row[FieldPlaytime].size() >= 8 ? std::optional<uint32_t>(*playtime) : std::nullopt;
    for (int column = FieldTimelimit; column <= FieldMinPing; ++column)
        keys.limits[static_cast<size_t>(column - FieldTimelimit)] = ListNumber(row[column]);
    const std::string& score = row[FieldFinalScore];
    const size_t colon = score.find(':');
    keys.finalScore.reset();
    if (colon != std::string::npos) {
        const auto first = WholeScore(std::string_view(score).substr(0, colon));
        const auto second = WholeScore(std::string_view(score).substr(colon + 1));
        if (first && second)
            keys.finalScore = std::pair(*first, *second);
    }
    keys.rating = RatingOf(row[FieldRating]);
}

void SetDefragRun(DemoInfo& row, std::optional<DefragRun> run)
{
    row.defrag = std::move(run);
    row.keys.runTime = row.defrag ? row.defrag->milliseconds : std::nullopt;
    row[FieldRunTime] = row.keys.runTime ? RunTimeText(*row.keys.runTime) : std::string();
}

void SetRowKeys(DemoInfo& row, std::optional<uint64_t> bytes, std::optional<uint32_t> recorded)
{
    row.keys.bytes = bytes;
    row.keys.recorded = recorded;
    RefreshRowKeys(row);
}

bool CompareRowKeys(const DemoInfo& a, const DemoInfo& b, int column, int& order)
{
    const RowKeys &x = a.keys, &y = b.keys;
    switch (column) {
    case FieldSize:
        if (!x.bytes || !y.bytes)
            return false;
        order = Order(*x.bytes, *y.bytes);
        return true;
    case FieldRecorded:
        if (!x.recorded || !y.recorded)
            return false;
        order = Order(*x.recorded, *y.recorded);
        return true;
    case FieldPlaytime:
        if (!x.playtime || !y.playtime)
            return false;
        order = Order(*x.playtime, *y.playtime);
        return true;
    case FieldFinalScore:
        if (!x.finalScore || !y.finalScore)
            return false;
        order = Order(*x.finalScore, *y.finalScore);
        return true;
    case FieldRating:
        if (!x.rating || !y.rating)
            return false;
        order = Order(*x.rating, *y.rating);
        return true;
    case FieldRunTime:
        if (!x.runTime || !y.runTime)
            return false;
        order = Order(*x.runTime, *y.runTime);
        return true;
    default:
        if (column < FieldTimelimit || column > FieldMinPing)
            return false;
        const auto& p = x.limits[static_cast<size_t>(column - FieldTimelimit)];
        const auto& q = y.limits[static_cast<size_t>(column - FieldTimelimit)];
        if (!p || !q)
            return false;
        order = Order(*p, *q);
        return true;
    }
}

namespace {

// printf's "%.*f" honours the locale's decimal separator (LC_NUMERIC), as the lists want.
std::string Fixed(double value, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals < 0 ? 0 : decimals, value);
    return buf;
}

} // namespace

std::string FormatSize(uint64_t bytes, int decimals)
{
    const double mb = static_cast<double>(bytes) / 1048576.0;
    if (mb >= 1)
        return Fixed(mb, decimals) + " MB";
    return Fixed(static_cast<double>(bytes) / 1024.0, decimals) + " KB";
}

std::string FormatReaderSize(uint64_t bytes)
{
    const double mb = static_cast<double>(bytes) / 1048576.0;
    if (mb >= 1)
        return Fixed(mb, 2) + " MB";
    return std::to_string(bytes / 1024) + " KB";
}

std::string FormatListSize(uint64_t bytes)
{
    return std::to_string(RoundHalfEven(static_cast<double>(bytes) / 1024.0)) + " KB";
}

std::string YesNoText(std::string_view value)
{
    if (value == "0")
        return "NO";
    if (value == "1")
        return "YES";
    return "N/A";
}

std::string NotSetText(std::string_view value)
{
    if (value == "0")
        return "N/S";
    return std::string(value);
}

std::string GameTypeName(std::string_view value, std::string_view gameName)
{
    if (value == "0")
        return "Free for All";
    if (value == "1")
        return "Tournament";
    if (value == "2")
        return "Singleplayer";
    if (value == "3")
        return "Team Deathmatch";
    if (value == "4")
        return "Capture the Flag";
    if (LowerCase(gameName) == "cpma") {
        // Challenge ProMode numbers its own game types from 5 on (and a duel variant -1).
        static constexpr std::pair<std::string_view, std::string_view> kCpma[] = {
            {"-1", "Hoonymode"},     {"5", "Clan Arena"},        {"6", "Freeze Tag"},
            {"7", "Capture Strike"}, {"8", "Not Team Fortress"}, {"9", "2v2"},
        };
        for (const auto& [number, name] : kCpma)
            if (value == number)
                return std::string(name);
    }
    if (gameName == "baseq3") {
        if (value == "5")
            return "One Flag CTF";
        if (value == "6")
            return "Overload";
        if (value == "7")
            return "Harvester";
    }
    return std::string(value);
}

namespace {

// The key lookup of the demo reader, repeated here to keep this file free of the reader;
// see InfoValueIn in DemoReader.h for the rule. Returns nullopt when absent.
std::optional<std::string> LookUp(std::string_view key, std::string_view text)
{
    const std::string lowText = LowerCase(text);
    const std::string wanted = LowerCase(key) + "\\";
    const size_t at = lowText.find(wanted);
    if (at == std::string::npos)
        return std::nullopt;
    const size_t start = at + wanted.size();
    const size_t end = text.find('\\', start);
    if (end == std::string_view::npos)
        return std::string();
    return std::string(text.substr(start, end - start));
}

} // namespace

std::string ModName(std::string_view infoString)
{
    if (auto game = LookUp("fs_game", infoString))
        return LowerCase(*game);
    if (auto name = LookUp("gamename", infoString))
        return LowerCase(*name);
    return "n/a";
}

} // namespace core
