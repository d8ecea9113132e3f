#include "core/row/DemoInfo.h"

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <utility>

namespace core {

const std::array<std::string_view, DemoFieldCount>& DemoColumnNames()
{
    static const std::array<std::string_view, DemoFieldCount> names = {
        "Demoname",     "Size",       "Recorded",    "Archive Location", "Map",       "Playtime",
        "Version",      "Gametype",   "Mod",         "Hostname",         "Timelimit", "Fraglimit",
        "Capturelimit", "Protocol",   "Max Clients", "Max Rate",         "Max Ping",  "Min Ping",
        "Winner",       "Second",     "Final Score", "Location",         "POV",       "Rating",
        "Web",          "Description"};
    return names;
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
