#include "core/library/ScanCache.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "core/common/FileWrite.h"
#include "core/summary/PlayerTable.h"
#include "core/summary/QuakeLive.h"

namespace core {
namespace {

unsigned char Folded(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
}

bool LessIgnoringCaseThenBytes(const std::string& a, const std::string& b)
{
    const int order = CompareIgnoringCase(a, b);
    return order != 0 ? order < 0 : a < b;
}

bool IsDecimal(std::string_view text, bool allowSign)
{
    if (allowSign && !text.empty() && text.front() == '-')
        text.remove_prefix(1);
    return !text.empty() && text.size() <= 20 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The "Mod" field of a line of at least that many fields.
std::string_view ModFieldOf(std::string_view line)
{
    size_t start = 0;
    for (int field = 0; field < FieldMod; ++field)
        start = line.find(kCacheSeparator, start) + 1;
    return line.substr(start, line.find(kCacheSeparator, start) - start);
}

// A line this program could have written: 21 fields each closed by the separator (24 for a demo
// of the DeFRaG mod, and only for one), a decimal size and a decimal date-time that fits the
// packed 32-bit form.
bool HasCacheLineShape(std::string_view line)
{
    if (line.empty() || line.back() != kCacheSeparator)
        return false;
    const auto fields = std::count(line.begin(), line.end(), kCacheSeparator);
    if (fields != kCacheFieldCount && fields != kDefragCacheFieldCount)
        return false;
    if ((ModFieldOf(line) == "defrag") != (fields == kDefragCacheFieldCount))
        return false;
    const size_t sizeEnd = line.find(kCacheSeparator);
    const size_t dateEnd = line.find(kCacheSeparator, sizeEnd + 1);
    const size_t dateEnd2 = line.find(kCacheSeparator, dateEnd + 1);
    const std::string_view size = line.substr(sizeEnd + 1, dateEnd - sizeEnd - 1);
    const std::string_view date = line.substr(dateEnd + 1, dateEnd2 - dateEnd - 1);
    if (!IsDecimal(size, false) || !IsDecimal(date, true))
        return false;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(date.data(), date.data() + date.size(), value);
    return error == std::errc() && end == date.data() + date.size() && value >= INT32_MIN && value <= INT32_MAX;
}

} // namespace

int CompareIgnoringCase(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = Folded(a[i]), y = Folded(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::vector<std::string> CacheKeyFields(std::string_view name, uint64_t size, uint32_t dosDateTime,
                                        std::string_view archiveField)
{
    return {std::string(name), std::to_string(size), std::to_string(static_cast<int32_t>(dosDateTime)),
            std::string(archiveField)};
}

std::string MakeCacheKey(std::string_view name, uint64_t size, uint32_t dosDateTime, std::string_view archiveField)
{
    std::string key;
    for (const std::string& field : CacheKeyFields(name, size, dosDateTime, archiveField))
        key += field + kCacheSeparator;
    key.pop_back();
    return key;
}

std::string_view CacheKeyOf(std::string_view line)
{
    size_t at = 0;
    for (int separators = 0; separators < 4; ++separators) {
        at = line.find(kCacheSeparator, separators ? at + 1 : 0);
        if (at == std::string_view::npos)
            return line.empty() ? line : line.substr(0, line.size() - 1);
    }
    return line.substr(0, at);
}

bool IsCacheSafe(std::string_view text)
{
    return text.find_first_of(std::string_view("\x01\r\n", 3)) == std::string_view::npos;
}

std::vector<std::string> CacheFieldsFromDemo(const std::vector<std::string>& keyFields, const DemoState& demo)
{
    std::vector<std::string> fields = keyFields;
    const auto info = [&](std::string_view name) { return InfoValueOf(demo, name); };
    fields.push_back(LowerCase(info("mapname")));
    fields.push_back(FormatSeconds(demo.playtimeSeconds));
    fields.push_back(info("version"));
    fields.push_back(GameTypeNameOf(demo));
    fields.push_back(ModName(demo.infoString));
    fields.push_back(info("sv_hostname"));
    for (std::string_view name : {"timelimit", "fraglimit", "capturelimit", "protocol", "sv_maxclients", "sv_maxRate",
                                  "sv_maxPing", "sv_minPing"})
        fields.push_back(NotSetText(info(name)));
    const RankedPlayers ranked = GetRankedPlayers(demo);
    fields.push_back(ranked.winner);
    fields.push_back(ranked.second);
    fields.push_back(ranked.finalScore);
    if (demo.defrag) {
        fields.push_back(demo.defrag->milliseconds ? std::to_string(*demo.defrag->milliseconds) : std::string());
        fields.push_back(demo.defrag->physics);
        fields.push_back(demo.defrag->player);
    }
    return fields;
}

std::string CacheLineFromDemo(const std::vector<std::string>& keyFields, const DemoState& demo)
{
    std::string line;
    for (const std::string& field : CacheFieldsFromDemo(keyFields, demo)) {
        // A separator or line break inside a text would split the line and shift every field
        // after it; such a demo is listed from its own texts but not cached.
        if (!IsCacheSafe(field))
            return {};
        line += field;
        line += kCacheSeparator;
    }
    return line;
}

std::vector<std::string_view> SplitCacheLine(std::string_view line)
{
    std::vector<std::string_view> fields;
    fields.reserve(kCacheFieldCount);
    size_t start = 0;
    for (size_t at = line.find(kCacheSeparator); at != std::string_view::npos; at = line.find(kCacheSeparator, start)) {
        fields.emplace_back(line.substr(start, at - start));
        start = at + 1;
    }
    if (start < line.size())
        fields.emplace_back(line.substr(start));
    return fields;
}

DemoInfo RowFromCacheFields(const std::vector<std::string_view>& fields, std::string_view archiveFileName,
                            const std::string& location, const UserInfo& user)
{
    DemoInfo row;
    const size_t count = std::min<size_t>(fields.size(), kCacheFieldCount);
    for (size_t i = 0; i < count; ++i)
        row[static_cast<int>(i)] = fields[i];
    uint64_t bytes = 0;
    std::optional<uint32_t> recorded;
    if (count > FieldSize) {
        std::from_chars(fields[FieldSize].data(), fields[FieldSize].data() + fields[FieldSize].size(), bytes);
        row[FieldSize] = FormatListSize(bytes);
    }
    if (count > FieldRecorded) {
        int64_t date = 0;
        std::from_chars(fields[FieldRecorded].data(), fields[FieldRecorded].data() + fields[FieldRecorded].size(),
                        date);
        recorded = static_cast<uint32_t>(date);
        row[FieldRecorded] = DosDateTimeText(*recorded);
    }
    if (count > FieldArchiveLocation) {
        // The archive's own name may hold a backslash on Linux, so cut by its known length.
        const std::string_view place = fields[FieldArchiveLocation];
        const bool named = !archiveFileName.empty() && place.size() > archiveFileName.size() &&
                           CompareIgnoringCase(place.substr(0, archiveFileName.size()), archiveFileName) == 0;
        const size_t cut = named ? archiveFileName.size() : place.find('\\');
        row[FieldArchiveLocation] = cut == std::string_view::npos ? std::string() : std::string(place.substr(cut + 1));
    }
    if (fields.size() >= kDefragCacheFieldCount) {
        DefragRun run;
        int64_t milliseconds = 0;
        const std::string_view time = fields[kCacheFieldCount];
        const auto [end, error] = std::from_chars(time.data(), time.data() + time.size(), milliseconds);
        if (!time.empty() && error == std::errc() && end == time.data() + time.size() && milliseconds >= 0)
            run.milliseconds = milliseconds;
        run.physics = fields[kCacheFieldCount + 1];
        run.player = fields[kCacheFieldCount + 2];
        SetDefragRun(row, std::move(run));
    }
    row[FieldLocation] = location;
    row[FieldPOV] = user.pov;
    row[FieldRating] = user.rating;
    row[FieldWeb] = user.web;
    row[FieldDescription] = user.description;
    SetRowKeys(row, bytes, recorded);
    return row;
}

ScanCache ScanCache::Load(const std::filesystem::path& file)
{
    std::string text;
    if (!ReadFileContents(file, text))
        return {}; // missing, unreadable, or no regular file (a folder or a pipe by that name)
    ScanCache cache = FromLines(SplitTextLines(text));
    cache.m_fileText = std::move(text);
    return cache;
}

ScanCache ScanCache::FromLines(std::vector<std::string> lines)
{
    ScanCache cache;
    std::erase_if(lines, [](const std::string& line) { return !HasCacheLineShape(line); });
    // A file this program wrote is already in order; one from elsewhere is put in order so that
    // the binary search finds what it holds.
    if (!std::is_sorted(lines.begin(), lines.end(), LessIgnoringCaseThenBytes))
        std::sort(lines.begin(), lines.end(), LessIgnoringCaseThenBytes);
    cache.m_lines = std::move(lines);
    return cache;
}

const std::string* ScanCache::Find(std::string_view key) const
{
    size_t low = 0, high = m_lines.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (CompareIgnoringCase(CacheKeyOf(m_lines[middle]), key) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    const std::string* found = nullptr;
    for (size_t i = low; i < m_lines.size(); ++i) {
        const std::string_view candidate = CacheKeyOf(m_lines[i]);
        if (CompareIgnoringCase(candidate, key) != 0)
            break;
        if (candidate == key)
            return &m_lines[i];
        if (!found)
            found = &m_lines[i];
    }
    return found;
}

std::vector<std::string> FinishCacheLines(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end(), LessIgnoringCaseThenBytes);
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    std::unordered_map<std::string_view, int> linesPerKey;
    for (const std::string& line : lines)
        ++linesPerKey[CacheKeyOf(line)];
    std::vector<bool> keep(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        keep[i] = linesPerKey[CacheKeyOf(lines[i])] == 1;
    std::vector<std::string> kept;
    kept.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        if (keep[i])
            kept.push_back(std::move(lines[i]));
    return kept;
}

std::string ScanCacheText(const std::vector<std::string>& lines)
{
    size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::filesystem::path UserCacheFileFor(const std::filesystem::path& cacheDirectory, const std::string& folder)
{
    // FNV-1a over the path's bytes: stable between runs and builds, which std::hash is not.
    uint64_t digest = 14695981039346656037ull;
    for (const unsigned char c : folder) {
        digest ^= c;
        digest *= 1099511628211ull;
    }
    static const char* const kHex = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, digest >>= 4)
        hex[static_cast<size_t>(i)] = kHex[digest & 0xF];
    std::string name = std::filesystem::path(folder).filename().string();
    if (name.empty())
        name = "root";
    if (name.size() > 64)
        name.resize(64);
    return cacheDirectory / (name + "-" + hex + "." + std::string(kScanCacheName));
}

std::filesystem::path UserCacheDirectory(const std::string& xdgCacheHome, const std::string& home)
{
    // A relative XDG folder is invalid by the XDG rules and is ignored.
    if (!xdgCacheHome.empty() && xdgCacheHome.front() == '/')
        return std::filesystem::path(xdgCacheHome) / "velmora";
    if (!home.empty())
        return std::filesystem::path(home) / ".cache" / "velmora";
    return {};
}

bool SaveScanCache(const std::filesystem::path& file, const std::string& text)
{
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return !out.fail();
}

} // namespace core
