#include "core/settings/ColumnSchemes.h"

#include <charconv>

#include "core/common/FileWrite.h"

namespace core {
namespace {

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A decimal integer with nothing else around it but blanks.
std::optional<int> DecimalOf(const std::string& text)
{
    const std::string digits = Trim(text);
    if (digits.empty())
        return std::nullopt;
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

bool IsColumnOrder(const std::array<int, kSchemeColumns>& order)
{
    std::array<bool, kSchemeColumns> seen{};
    for (const int column : order) {
        if (column < 0 || column >= kSchemeColumns || seen[static_cast<size_t>(column)])
            return false;
        seen[static_cast<size_t>(column)] = true;
    }
    return true;
}

int ColumnOfCaption(const std::string& caption)
{
    const auto& names = DemoColumnNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == caption)
            return static_cast<int>(i);
    return -1;
}

std::vector<ChooserRow> ChooserRowsOf(const ColumnScheme& layout)
{
    std::vector<ChooserRow> rows;
    for (const bool shown : {true, false})
        for (const int column : layout.order)
            if (column >= 0 && column < kSchemeColumns && (layout.widths[static_cast<size_t>(column)] != 0) == shown)
                rows.push_back({column, shown});
    return rows;
}

ChooserButtons ChooserButtonsFor(const std::vector<ChooserRow>& rows, int current)
{
    ChooserButtons buttons;
    if (current < 0 || current >= static_cast<int>(rows.size()))
        return buttons;
    const ChooserRow& row = rows[static_cast<size_t>(current)];
    buttons.up = current > 0;
    buttons.down = current + 1 < static_cast<int>(rows.size());
    buttons.show = !row.checked;
    buttons.hide = row.checked && row.column != FieldDemoname;
    return buttons;
}

ColumnScheme ApplyChooserRows(const std::vector<ChooserRow>& rows, const std::function<int(int column)>& captionWidth)
{
    ColumnScheme layout;
    size_t position = 0;
    for (const bool checked : {false, true})
        for (const ChooserRow& row : rows) {
            if (row.checked != checked || row.column < 0 || row.column >= kSchemeColumns)
                continue;
            const auto column = static_cast<size_t>(row.column);
            const bool fitsCaption = row.column <= FieldFinalScore || row.column == FieldRunTime;
            layout.widths[column] = !checked ? 0 : fitsCaption ? captionWidth(row.column) : kUserColumnWidth;
            if (position < layout.order.size())
                layout.order[position++] = row.column;
        }
    return layout;
}

std::string SchemeText(const ColumnScheme& scheme)
{
    int runTimePosition = kStoredColumns;
    const std::array<int, kStoredColumns> stored = StoredColumnOrder(scheme.order, runTimePosition);
    std::string text;
    for (size_t i = 0; i < kStoredColumns; ++i)
        text += std::to_string(scheme.widths[i]) + "," + std::to_string(stored[i]) + "\r\n";
    // The "Run time" column last, as width and position: a reader of 26 lines stops before it.
    return text + std::to_string(scheme.widths[FieldRunTime]) + "," + std::to_string(runTimePosition) + "\r\n";
}

SchemeParse ParseScheme(const std::string& text)
{
    SchemeParse result;
    ColumnScheme scheme;
    std::array<int, kStoredColumns> stored{};
    int runTimePosition = kStoredColumns;
    size_t start = 0;
    for (int line = 0; line < kSchemeColumns; ++line) {
        if (line == kStoredColumns && start >= text.size())
            break; // a scheme of the older columns: "Run time" hidden at the end
        if (start >= text.size()) {
            result.problem = "The file holds " + std::to_string(line) + " lines instead of 26.";
            return result;
        }
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string content = text.substr(start, end - start);
        start = end + 1;
        if (!content.empty() && content.back() == '\r')
            content.pop_back();
        const std::string where = "Line " + std::to_string(line + 1) + ": ";
        const size_t comma = content.find(',');
        if (comma == std::string::npos) {
            result.problem = where + "no \",\".";
            return result;
        }
        const std::optional<int> width = DecimalOf(content.substr(0, comma));
        const std::optional<int> column = DecimalOf(content.substr(comma + 1));
        if (!width || *width < 0 || *width > kMaxColumnWidth) {
            result.problem = where + "the width is not a number from 0 to " + std::to_string(kMaxColumnWidth) + ".";
            return result;
        }
        if (line == kStoredColumns) {
            if (!column || *column < 0 || *column > kStoredColumns) {
                result.problem = where + "the position is not a number from 0 to 26.";
                return result;
            }
            scheme.widths[FieldRunTime] = *width;
            runTimePosition = *column;
            continue;
        }
        if (!column || *column < 0 || *column >= kStoredColumns) {
            result.problem = where + "the column is not a number from 0 to 25.";
            return result;
        }
        scheme.widths[static_cast<size_t>(line)] = *width;
        stored[static_cast<size_t>(line)] = *column;
    }
    scheme.order = MergedColumnOrder(stored, runTimePosition);
    if (!IsColumnOrder(scheme.order)) {
        result.problem = "A column occurs more than once.";
        return result;
    }
    result.scheme = scheme;
    return result;
}

SchemeParse LoadSchemeFile(const std::filesystem::path& path)
{
    std::string text;
    if (!ReadFileContents(path, text)) {
        SchemeParse result;
        result.problem = "The file cannot be read.";
        return result;
    }
    return ParseScheme(text);
}

bool SaveSchemeFile(const std::filesystem::path& path, const ColumnScheme& scheme)
{
    return ReplaceFileContents(path, SchemeText(scheme));
}

} // namespace core
