#include "core/summary/DefragRuns.h"

#include "core/common/ColourCodes.h"
#include "core/common/TextEncoding.h"
#include "core/row/DemoInfo.h"
#include "core/summary/DemoReader.h"

namespace core {
namespace {

// The name as printed, without the colour reset the mod puts after it.
std::string PrintedName(std::string_view name)
{
    while (name.size() >= 2 && name[name.size() - 2] == '^' && name.back() == '7')
        name.remove_suffix(2);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return std::string(name);
}

// The time that starts `text` (after its colour codes): digits and separators up to the first
// other character.
std::optional<int64_t> LeadingClock(std::string_view text)
{
    const std::string plain = StripColourCodes(text);
    size_t end = 0;
    while (end < plain.size() && ((plain[end] >= '0' && plain[end] <= '9') || plain[end] == ':' || plain[end] == '.'))
        ++end;
    std::string_view clock(plain.data(), end);
    while (!clock.empty() && (clock.back() == '.' || clock.back() == ':'))
        clock.remove_suffix(1); // the full stop of a sentence
    return ReadRunClock(clock);
}

} // namespace

bool IsDefragInfo(std::string_view infoString)
{
    return ModName(infoString) == "defrag";
}

std::string DefragPhysics(std::string_view infoString)
{
    const std::string mode = InfoValueIn("df_promode", infoString);
    if (mode == "1")
        return "cpm";
    if (mode == "0")
        return "vq3";
    return {};
}

std::optional<int64_t> ReadRunClock(std::string_view text)
{
    int64_t parts[4] = {};
    int count = 0;
    size_t start = 0;
    for (;;) {
        if (count == 4)
            return std::nullopt;
        size_t end = start;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        const size_t digits = end - start;
        if (digits == 0 || digits > 6)
            return std::nullopt;
        int64_t value = 0;
        for (size_t i = start; i < end; ++i)
            value = value * 10 + (text[i] - '0');
        parts[count++] = value;
        if (end == text.size())
            break;
        if (text[end] != ':' && text[end] != '.')
            return std::nullopt;
        start = end + 1;
    }
    // The milliseconds are always written with three digits; so seconds and minutes with two
    // once a larger part stands before them.
    const size_t lastSeparator = text.find_last_of(":.");
    if (count < 2 || text.size() - lastSeparator - 1 != 3)
        return std::nullopt;
    int64_t total = parts[count - 1] + parts[count - 2] * 1000;
    if (count >= 3) {
        if (parts[count - 2] >= 60)
            return std::nullopt;
        total += parts[count - 3] * 60000;
    }
    if (count == 4) {
        if (parts[1] >= 60)
            return std::nullopt;
        total += parts[0] * 3600000;
    }
    return total;
}

std::optional<DefragFinish> ReadDefragFinish(std::string_view print)
{
    constexpr std::string_view kPerformed = "Time performed by ";
    constexpr std::string_view kPerformedSeparator = " : ";
    constexpr std::string_view kReached = " reached the finish line in ";
    std::string_view lead = print;
    while (lead.size() >= 2 && lead[0] == '^' && lead[1] != '^')
        lead.remove_prefix(2); // a colour for the whole line
    if (lead.starts_with(kPerformed)) {
        const std::string_view tail = lead.substr(kPerformed.size());
        // A name may hold " : " too: the time follows the first one a time follows.
        for (size_t at = tail.find(kPerformedSeparator); at != std::string_view::npos;
             at = tail.find(kPerformedSeparator, at + 1)) {
            const std::optional<int64_t> time = LeadingClock(tail.substr(at + kPerformedSeparator.size()));
            if (time && at > 0)
                return DefragFinish{*time, PrintedName(tail.substr(0, at))};
        }
        return std::nullopt;
    }
    const size_t at = print.rfind(kReached);
    if (at == std::string_view::npos || at == 0)
        return std::nullopt;
    const std::optional<int64_t> time = LeadingClock(print.substr(at + kReached.size()));
    if (!time)
        return std::nullopt;
    const std::string_view name = print.substr(0, at);
    return DefragFinish{*time, PrintedName(name)};
}

} // namespace core
