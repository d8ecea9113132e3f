#pragma once
// The column layout of a list as the column chooser and the column scheme files (".vcs") see it:
// the chooser's rows and their button rules, how the chosen rows become widths and a display
// order, and the scheme file's text, read with every check so that a damaged file changes nothing.
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/row/DemoInfo.h"

namespace core {

inline constexpr int kSchemeColumns = DemoFieldCount;
// Columns 21 to 25 ("Location" and the user data) take this width when the chooser shows them.
inline constexpr int kUserColumnWidth = 90;
// Wider columns than this come from no real screen; a scheme asking for them is damaged.
inline constexpr int kMaxColumnWidth = 10000;
inline constexpr const char* kSchemeLoadErrorTitle = "VMR Load File Error";
inline constexpr const char* kSchemeSaveErrorTitle = "VMR: File Save Error";

struct ColumnScheme {
    std::array<int, kSchemeColumns> widths{}; // by column; 0 hides the column
    std::array<int, kSchemeColumns> order{};  // the column shown at each display position
    bool operator==(const ColumnScheme&) const = default;
};

// True when every column 0 to 26 occurs exactly once.
bool IsColumnOrder(const std::array<int, kSchemeColumns>& order);
// The caption table's index of a caption ("Demoname" ... "Description"); -1 for none.
int ColumnOfCaption(const std::string& caption);

// One row of the chooser's check list.
struct ChooserRow {
    int column = 0;
    bool checked = false;
};
// The rows for a layout: the shown columns (width not 0) in display order, checked, then the
// hidden ones in display order, unchecked.
std::vector<ChooserRow> ChooserRowsOf(const ColumnScheme& layout);

struct ChooserButtons {
    bool up = false, down = false, show = false, hide = false;
};
// "&Up" when the current row is not the first, "&Down" when not the last, "&Show" when unchecked,
// "&Hide" when checked and not "Demoname"; all off without a current row (current < 0).
ChooserButtons ChooserButtonsFor(const std::vector<ChooserRow>& rows, int current);

// The layout the rows give: unchecked columns width 0; checked columns up to 20 and "Run time" the width
// that fits their caption (`captionWidth`), 21 to 25 kUserColumnWidth. The order: the unchecked
// columns first, then the checked ones, each in row order.
ColumnScheme ApplyChooserRows(const std::vector<ChooserRow>& rows, const std::function<int(int column)>& captionWidth);

// The scheme file's text: 26 lines "width,column" of the older columns, then the "Run time"
// column's "width,position", each ended by CR LF.
std::string SchemeText(const ColumnScheme& scheme);

struct SchemeParse {
    std::optional<ColumnScheme> scheme; // nullopt: damaged, `problem` says why
    std::string problem;
};
// Reads a scheme's text. Lines may end with CR LF or LF; lines after the 27th are not read. Each
// of the first 26 lines needs a "," with a decimal width 0 to kMaxColumnWidth before it and a
// column index after it (blanks around the numbers are allowed); the indices must be 0 to 25,
// each once. A 27th line gives the "Run time" column's width and display position (0 to 26); a
// scheme without it (an older version's) keeps that column hidden at the end.
SchemeParse ParseScheme(const std::string& text);

// Reads a scheme file; a file that cannot be read is a problem like a damaged one.
SchemeParse LoadSchemeFile(const std::filesystem::path& path);
// Writes the scheme file in place of an existing one; false when it could not be written (an
// existing file then stays as it was).
bool SaveSchemeFile(const std::filesystem::path& path, const ColumnScheme& scheme);

} // namespace core
