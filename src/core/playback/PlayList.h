#pragma once
// The play list: the demos the user gathered to be shown one after another in one run of the
// game, as copies of demo list rows, and its ".vmr" file.
//
// A ".vmr" file is the line "VMR Play List, ver 1.32" and one line per entry, each ended by CR LF,
// bytes as stored: a plain demo as its full path, a demo inside an archive as the byte 1, the
// archive's full path, "\" and the member's file name. Loading looks every line up again, so the
// column values are those of the demos as they are then.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/common/Result.h"
#include "core/library/LibraryFeedback.h"
#include "core/library/Scanner.h"
#include "core/row/DemoInfo.h"

namespace core {

inline constexpr const char* kPlayListHeader = "VMR Play List, ver 1.32";
inline constexpr const char* kPlayListCorrupted = "Play List corrupted, nothing to load";

// Where a row's demo is, from the extension of its "Location": 0 a plain file, 1 a ".pk3" member,
// 2 a ".zip" member, 3 a member of a self-extracting ".exe"; 4 more when its "Mod" is exactly
// "N/A" (no mod information). Also the row's icon index.
int SourceKind(const DemoInfo& row);
// Kinds 1 to 3 and 5 to 7.
bool IsArchiveMember(int sourceKind);
// Whether the demo may be played and enter the play list: its "Mod" is known (kinds 0 to 3) and
// its protocol is not 46.
bool IsPlayable(const DemoInfo& row);

class PlayList : public ScanTarget {
public:
    const std::vector<DemoInfo>& Rows() const { return m_rows; }
    size_t Size() const { return m_rows.size(); }
    bool Empty() const { return m_rows.empty(); }

    // Copies the rows in before row `before`, or at the end when `before` is past the last row
    // (a drop on empty space, "Move to Playlist").
    void Insert(size_t before, const std::vector<DemoInfo>& rows);
    // A row dragged onto another: it ends up at the target's place, the rows between shift by
    // one. Out of range or onto itself: nothing changes.
    void MoveRow(size_t from, size_t onto);
    // Removes the rows with these indices; indices out of range are ignored.
    void Remove(std::vector<size_t> indices);

    void Clear() override { m_rows.clear(); }
    void AddRow(DemoInfo row) override { m_rows.push_back(std::move(row)); }
    int RowCount() const override { return static_cast<int>(m_rows.size()); }

private:
    std::vector<DemoInfo> m_rows;
};

// One line of the file without its line end; nullopt for a row that a line cannot hold (a name
// with a line break), which is left out of the file.
std::optional<std::string> PlayListLine(const DemoInfo& row);
std::string PlayListFileText(const std::vector<DemoInfo>& rows);
// Writes the file, replacing it; false on failure (the play list commands do not report it).
bool SavePlayListFile(const std::filesystem::path& file, const std::vector<DemoInfo>& rows);

struct PlayListLoadResult {
    uint64_t totalSeconds = 0;
    std::string statusText; // third status panel: "<n> Items. Total length: hh:mm:ss"
    std::string labelText;  // the name label: the file's path, or kPlayListCorrupted when nothing loaded
};

enum class PlayListError { NotAPlayList };
inline constexpr const char* kLoadPlayListErrorTitle = "Load Playlist Error";

// Reads the file into the play list: refuses a file whose first line lacks "VMR Play List"
// (NotAPlayList, the list unchanged; its text is shown under kLoadPlayListErrorTitle); otherwise
// empties the list and hands every further line to ScanDemos, which appends what it still finds.
// Lines that resolve to nothing are dropped silently.
Result<PlayListLoadResult, PlayListError> LoadPlayListFile(const std::filesystem::path& file, ScanTarget& playList,
                                                           LibraryFeedback& feedback, const ScanSettings& settings);

} // namespace core
