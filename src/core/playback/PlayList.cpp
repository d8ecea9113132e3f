#include "core/playback/PlayList.h"

#include <algorithm>

#include "core/common/FileWrite.h"
#include "core/library/DemoFiles.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

constexpr char kMemberMarker = '\x01';

// The play list loader never lists a folder; folder-mode rows would land here.
class NoList : public ScanTarget {
public:
    void AddRow(DemoInfo) override {}
    int RowCount() const override { return 0; }
};

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

bool HasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

} // namespace

int SourceKind(const DemoInfo& row)
{
    const std::string extension = LowerExtension(row[FieldLocation]);
    int kind = 0;
    if (extension == ".pk3")
        kind = 1;
    else if (extension == ".zip")
        kind = 2;
    else if (extension == ".exe")
        kind = 3;
    return row[FieldMod] == "N/A" ? kind + 4 : kind;
}

bool IsPlayable(const DemoInfo& row)
{
    return row[FieldMod] != "N/A" && !ProtocolColumnIs(row[FieldProtocol], kProtocolBetween117And127);
}

bool IsArchiveMember(int sourceKind)
{
    return sourceKind % 4 != 0;
}

void PlayList::Insert(size_t before, const std::vector<DemoInfo>& rows)
{
    const auto at = m_rows.begin() + static_cast<std::ptrdiff_t>(std::min(before, m_rows.size()));
    m_rows.insert(at, rows.begin(), rows.end());
}

void PlayList::MoveRow(size_t from, size_t onto)
{
    if (from >= m_rows.size() || onto >= m_rows.size() || from == onto)
        return;
    const auto begin = m_rows.begin();
    const auto a = static_cast<std::ptrdiff_t>(from);
    const auto b = static_cast<std::ptrdiff_t>(onto);
    if (from < onto)
        std::rotate(begin + a, begin + a + 1, begin + b + 1);
    else
        std::rotate(begin + b, begin + a, begin + a + 1);
}

void PlayList::Remove(std::vector<size_t> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
        if (*it < m_rows.size())
            m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(*it));
}

std::optional<std::string> PlayListLine(const DemoInfo& row)
{
    const std::string& location = row[FieldLocation];
    const std::string& name = row[FieldDemoname];
    if (HasLineBreak(location) || HasLineBreak(name))
        return std::nullopt;
    // Only a demo inside an archive gets the marker: a plain demo without mod information (kind 4)
    // is still a plain file and is found again by its path.
    if (IsArchiveMember(SourceKind(row)))
        return std::string(1, kMemberMarker) + location + "\\" + name;
    return JoinPath(location, name);
}

std::string PlayListFileText(const std::vector<DemoInfo>& rows)
{
    std::string text = std::string(kPlayListHeader) + "\r\n";
    for (const DemoInfo& row : rows)
        if (const auto line = PlayListLine(row))
            text += *line + "\r\n";
    return text;
}

bool SavePlayListFile(const std::filesystem::path& file, const std::vector<DemoInfo>& rows)
{
    return ReplaceFileContents(file, PlayListFileText(rows));
}

Result<PlayListLoadResult, PlayListError> LoadPlayListFile(const std::filesystem::path& file, ScanTarget& playList,
                                                           LibraryFeedback& feedback, const ScanSettings& settings)
{
    PlayListLoadResult result;
    std::string text;
    const std::vector<std::string> lines = ReadFileContents(file, text) ? SplitLines(text) : std::vector<std::string>{};
    if (lines.empty() || lines.front().find("VMR Play List") == std::string::npos) {
        return Failure<PlayListError>{
            PlayListError::NotAPlayList,
            "This is not a Velmora Play List !\r\nTry to save a Play List and then reload it."};
    }
    playList.Clear();
    NoList demoList;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty())
            continue;
        // The scanner takes an argument with "*." for a folder to list into the demo list; a
        // file's path with those characters in it cannot be handed over as one demo.
        if (line.front() != kMemberMarker && line.find("*.") != std::string::npos)
            continue;
        result.totalSeconds += ScanDemos(line, demoList, playList, feedback, settings);
    }
    result.statusText = std::to_string(playList.RowCount()) + " Items. Total length: " +
                        FormatSeconds(static_cast<uint32_t>(std::min<uint64_t>(result.totalSeconds, UINT32_MAX)));
    result.labelText = playList.RowCount() == 0 ? std::string(kPlayListCorrupted) : file.string();
    return result;
}

} // namespace core
