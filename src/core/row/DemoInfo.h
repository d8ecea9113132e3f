#pragma once
// The information record of one demo (one row of the demo list and the play list) and the small
// functions that turn raw values into the texts the lists, the scan cache and the status bar show.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/common/ColourCodes.h"
#include "core/common/DosDateTime.h"
#include "core/common/TextEncoding.h"
#include "core/row/DemoValues.h"

namespace core {

// Physical column order of both lists.
enum DemoField : int {
    FieldDemoname,
    FieldSize,
    FieldRecorded,
    FieldArchiveLocation,
    FieldMap,
    FieldPlaytime,
    FieldVersion,
    FieldGametype,
    FieldMod,
    FieldHostname,
    FieldTimelimit,
    FieldFraglimit,
    FieldCapturelimit,
    FieldProtocol,
    FieldMaxClients,
    FieldMaxRate,
    FieldMaxPing,
    FieldMinPing,
    FieldWinner,
    FieldSecond,
    FieldFinalScore,
    FieldLocation,
    FieldPOV,
    FieldRating,
    FieldWeb,
    FieldDescription,
    // Added after the columns that settings, column schemes and scan caches of older versions
    // number, so that their numbers keep meaning the same columns.
    FieldRunTime,
    DemoFieldCount
};

// The numbers behind a row's texts, made once when the row is made, for the lists to sort on.
struct RowKeys {
    std::optional<uint64_t> bytes;    // "Size"
    std::optional<uint32_t> recorded; // "Recorded", packed DOS date-time
    std::optional<uint32_t> playtime; // "Playtime", seconds
    // "Timelimit" to "Min Ping": the server's values where they are numbers.
    std::array<std::optional<double>, FieldMinPing - FieldTimelimit + 1> limits;
    std::optional<std::pair<int32_t, int32_t>> finalScore; // "Final Score": winner's, second's
    Rating rating;                                         // "Rating"
    std::optional<int64_t> runTime;                        // "Run time", milliseconds
    bool operator==(const RowKeys&) const = default;
};

struct DemoInfo {
    std::array<std::string, DemoFieldCount> fields;
    RowKeys keys;
    std::optional<DefragRun> defrag; // demos of the DeFRaG mod only

    std::string& operator[](int i) { return fields[static_cast<size_t>(i)]; }
    const std::string& operator[](int i) const { return fields[static_cast<size_t>(i)]; }
    bool operator==(const DemoInfo&) const = default;
};

// The column names, in physical order ("Demoname" ... "Description", "Run time").
const std::array<std::string_view, DemoFieldCount>& DemoColumnNames();

// Configuration files and column scheme files number the columns up to "Description" as older
// versions did, and keep the later "Run time" column apart, so that they stay readable by those.
inline constexpr int kStoredColumns = FieldRunTime;
// A display order without "Run time", and the position "Run time" had in it (kStoredColumns when
// it was not there).
std::array<int, kStoredColumns> StoredColumnOrder(const std::array<int, DemoFieldCount>& order, int& runTimePosition);
// The display order again: "Run time" put back at its position (at the end when the position is
// none of the order's).
std::array<int, DemoFieldCount> MergedColumnOrder(const std::array<int, kStoredColumns>& stored, int runTimePosition);

// Whether a column holds UTF-8: the file names and paths ("Demoname", "Archive Location",
// "Location") and the user's own data ("POV" ... "Description"); the others hold the demo's
// Latin-1 texts and the program's own ASCII ones.
bool FieldHoldsUtf8(int column);

// Sets the row's DeFRaG run, its "Run time" text and sort key.
void SetDefragRun(DemoInfo& row, std::optional<DefragRun> run);

// Rounds to the nearest integer, halves to even (the rounding of every displayed quotient).
int64_t RoundHalfEven(double value);

// "%.2d:%.2d:%.2d" of hours, minutes, seconds; hours may take more digits.
std::string FormatSeconds(uint32_t seconds);
// Reads "hh:mm:ss" at fixed positions; nullopt when a part is not a decimal number.
std::optional<int> ParseClock(std::string_view text);
// A decimal number that is the whole text: no blanks, no "+", no "inf" or "nan"; nullopt otherwise.
std::optional<double> StrictDouble(std::string_view text);

// Makes the row's keys: size and date as given, the others from the texts the row holds (the
// demo's own server values and the scan cache's fields are texts).
void SetRowKeys(DemoInfo& row, std::optional<uint64_t> bytes, std::optional<uint32_t> recorded);
// After a text of the row changed (the user's data): its keys again, size and date kept.
void RefreshRowKeys(DemoInfo& row);
// The column's key when it has one of its own: true with `order` negative, zero or positive for
// ascending order; false when the column sorts by its texts, or either row lacks the key.
bool CompareRowKeys(const DemoInfo& a, const DemoInfo& b, int column, int& order);
// A number as the lists read one from a text: the text up to its first blank, a decimal number in
// the C form or in the locale's (thousands separators, decimal separator).
std::optional<double> ListNumber(std::string_view text);
// "1.50 MB" / "1.50 KB" with the given decimals and the locale's decimal separator.
std::string FormatSize(uint64_t bytes, int decimals);
// The reader's own size text: "1.50 MB", or truncated whole kilobytes "1 KB".
std::string FormatReaderSize(uint64_t bytes);
// List text of the "Size" column: bytes / 1024 rounded (halves to even) + " KB".
std::string FormatListSize(uint64_t bytes);
std::string YesNoText(std::string_view value);
std::string NotSetText(std::string_view value);
std::string GameTypeName(std::string_view value, std::string_view gameName);
// Mod name from a demo's information string: fs_game, else gamename, lower-cased; "n/a".
std::string ModName(std::string_view infoString);

} // namespace core
