#include "core/library/DefragNames.h"

#include <algorithm>
#include <set>

#include "core/common/ColourCodes.h"
#include "core/common/FileNames.h"
#include "core/common/TextEncoding.h"
#include "core/summary/DefragRuns.h"

namespace core {
namespace {

std::string TwoDigits(int64_t value)
{
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

bool IsPlainName(std::string_view text)
{
    return !text.empty() && text.find_first_of("[]()/") == std::string_view::npos;
}

} // namespace

std::string DefragFileName(const DefragName& name, std::string_view extension)
{
    const int64_t ms = name.milliseconds;
    std::string text = name.map + "[df." + name.physics + "]" + TwoDigits(ms / 60000) + "." +
                       TwoDigits(ms / 1000 % 60) + "." + std::to_string(1000 + ms % 1000).substr(1) + "(" + name.player;
    if (!name.country.empty())
        text += "." + name.country;
    return text + ")" + std::string(extension);
}

std::optional<DefragName> ParseDefragFileName(std::string_view fileName)
{
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || fileName.substr(0, dot).empty() || fileName[dot - 1] != ')')
        return std::nullopt;
    const std::string_view stem = fileName.substr(0, dot - 1);
    const size_t open = stem.rfind('(');
    const size_t physicsAt = stem.find("[df.");
    if (open == std::string_view::npos || physicsAt == std::string_view::npos || physicsAt > open)
        return std::nullopt;
    const size_t close = stem.find(']', physicsAt);
    if (close == std::string_view::npos || close > open)
        return std::nullopt;
    DefragName name;
    name.map = std::string(stem.substr(0, physicsAt));
    name.physics = std::string(stem.substr(physicsAt + 4, close - physicsAt - 4));
    const std::string_view time = stem.substr(close + 1, open - close - 1);
    // Minutes, seconds and milliseconds: "00.25.488".
    if (std::count(time.begin(), time.end(), '.') != 2)
        return std::nullopt;
    const std::optional<int64_t> milliseconds = ReadRunClock(time);
    const std::string_view who = stem.substr(open + 1);
    const size_t countryAt = who.rfind('.');
    name.player = std::string(who.substr(0, countryAt));
    if (countryAt != std::string_view::npos)
        name.country = std::string(who.substr(countryAt + 1));
    if (!milliseconds || !IsPlainName(name.map) || !IsPlainName(name.physics) || !IsPlainName(name.player) ||
        (countryAt != std::string_view::npos && !IsPlainName(name.country)))
        return std::nullopt;
    name.milliseconds = *milliseconds;
    return name;
}

std::string SafeRunPlayer(std::string_view name)
{
    std::string safe;
    for (const char c : StripColourCodes(name)) {
        const auto b = static_cast<unsigned char>(c);
        const bool reserved =
            b < 32 || b == 127 || std::string_view("/\\:*?\"<>|.()[] ").find(c) != std::string_view::npos;
        safe += reserved ? '_' : c;
    }
    // Names are Latin-1 in the demo; the file name is UTF-8.
    safe = Utf8FromLatin1(safe);
    return safe.empty() ? std::string("player") : safe;
}

std::vector<DefragRename>
PlanDefragRenames(const std::vector<DemoInfo>& rows,
                  const std::function<bool(const std::string& folder, const std::string& name)>& exists)
{
    std::vector<DefragRename> plan;
    std::set<std::pair<std::string, std::string>> planned; // (folder, name)
    for (const DemoInfo& row : rows) {
        DefragRename rename;
        rename.oldName = row[FieldDemoname];
        if (!row[FieldArchiveLocation].empty())
            rename.problem = "It lies in an archive.";
        else if (!row.defrag)
            rename.problem = "It is no DeFRaG demo.";
        else if (!row.defrag->milliseconds)
            rename.problem = "It holds no finished run.";
        else if (row.defrag->physics.empty())
            rename.problem = "Its server did not tell the physics.";
        else if (!IsPlainName(row[FieldMap]) || row[FieldMap] == "N/A")
            rename.problem = "Its map name cannot stand in a file name.";
        if (!rename.problem.empty()) {
            plan.push_back(std::move(rename));
            continue;
        }
        DefragName name{
            row[FieldMap], row.defrag->physics, *row.defrag->milliseconds, SafeRunPlayer(row.defrag->player), {}};
        if (const std::optional<DefragName> current = ParseDefragFileName(rename.oldName))
            name.country = current->country;
        rename.newName = DefragFileName(name, ExtensionOf(rename.oldName));
        if (rename.newName == rename.oldName)
            continue;
        const std::string& folder = row[FieldLocation];
        // A name that another demo of the rows gives up is taken still: the renames never depend
        // on their order.
        if (exists(folder, rename.newName) || !planned.insert({folder, rename.newName}).second) {
            rename.problem = "A file named " + rename.newName + " exists already.";
            rename.newName.clear();
        }
        plan.push_back(std::move(rename));
    }
    return plan;
}

} // namespace core
