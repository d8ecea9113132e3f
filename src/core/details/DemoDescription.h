#pragma once
// The user's own data kept beside the program: one demo description file per demo (point of
// view, rating, web location, description) and one player description file per described player.
// Every operation loads or writes a whole file at once; nothing is kept open.
//
// In memory every text of these files is UTF-8, a point of view too (the player's Latin-1 name
// turned into UTF-8). On disk a file whose every character Latin-1 can hold is Latin-1, byte for
// byte as older versions and other tools write and read it; any other text is written as UTF-8
// behind a byte order mark. A file is read as UTF-8 when it begins with that mark, otherwise as
// Latin-1.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/Result.h"

namespace core {

// A line holding only this byte means "no value".
inline constexpr std::string_view kEmptyFieldLine{"\x01", 1};

// What the demo list shows of a demo's user data: columns "POV", "Rating", "Web", "Description".
struct UserInfo {
    std::string pov; // colour codes removed (StripColourCodesUtf8)
    std::string rating;
    std::string web;
    std::string description; // the first description line only
    bool operator==(const UserInfo&) const = default;
};

// The whole record, as the editor and the properties window use it. Empty strings mean "no value".
struct DemoUserData {
    std::string pov; // the player's name as recorded, colour codes kept, in UTF-8
    std::string rating;
    std::string web;
    std::vector<std::string> description;
    bool operator==(const DemoUserData&) const = default;
};

// demo data directory / demo name + ".description"; demos of the same name share one file.
std::filesystem::path DemoDescriptionPath(const std::filesystem::path& demoDataDirectory, std::string_view demoName);
// The player's name (as recorded, Latin-1) without the game's one-character colour codes, with
// characters a file name cannot hold turned into "_". Extended colour codes stay in, as they did
// when the first descriptions were written, so that those files are still found.
std::string PlayerFileName(std::string_view playerName);
std::filesystem::path PlayerDescriptionPath(const std::filesystem::path& playerDataDirectory,
                                            std::string_view playerName);

// Splits a text into lines at CR LF, a lone LF or a lone CR; a final line end adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);
// A description file's bytes as UTF-8: after a byte order mark UTF-8 already, otherwise Latin-1.
std::string DescriptionFileText(std::string_view bytes);
// The bytes of a description file holding the UTF-8 text: Latin-1 when every character fits,
// otherwise the byte order mark and UTF-8.
std::string DescriptionFileBytes(std::string_view text);
// Loads a whole file as UTF-8 lines; nullopt when it cannot be read.
std::optional<std::vector<std::string>> LoadTextLines(const std::filesystem::path& path);
// Writes the UTF-8 lines, each followed by CR LF, replacing the file. False on failure.
bool SaveTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

enum class DescriptionError {
    Unreadable, // shown under kDescriptionLoadErrorTitle
    NotSaved,   // shown under kDescriptionSaveErrorTitle
};
inline constexpr const char* kDescriptionLoadErrorTitle = "VMR Load File Error";
inline constexpr const char* kDescriptionSaveErrorTitle = "VMR: File Save Error";
// The title a failure is shown under.
inline const char* DescriptionErrorTitle(DescriptionError code)
{
    return code == DescriptionError::Unreadable ? kDescriptionLoadErrorTitle : kDescriptionSaveErrorTitle;
}

// The list reader: four empty strings for a missing file; a file that cannot be loaded fails with
// Unreadable and the text users know ("Parsing.GetUserInfo: " + path); its demo is listed without
// user data.
Result<UserInfo, DescriptionError> GetUserInfo(const std::filesystem::path& path);

enum class UserDataStatus { Missing, Loaded };

struct DemoUserDataResult {
    UserDataStatus status = UserDataStatus::Missing;
    DemoUserData data;
};

// The reader of the editor and the properties window: every field, colour codes kept. Lines
// missing from a short file read as empty fields. A file that cannot be loaded fails with
// Unreadable, its text `messagePrefix` + path ("Prop.SetData: " for the properties window).
Result<DemoUserDataResult, DescriptionError> ReadDemoUserData(const std::filesystem::path& path,
                                                              std::string_view messagePrefix);

// The properties window's description text: every description line followed by a line break.
std::string DescriptionText(const std::vector<std::string>& lines);

enum class WriteOutcome { Written, Deleted };

// The editor's "Apply": writes the record anew, or deletes the file when nothing is chosen, the
// rating is exactly "0", the web location is empty, there is no description line and the file
// exists. A rating of "0" is stored as the empty-field marker. Fails with NotSaved
// ("User.ApplyButtonClick: " + path).
Result<WriteOutcome, DescriptionError> WriteDemoUserData(const std::filesystem::path& path, const DemoUserData& data);

// "Set the same Web Location": replaces line 3 of an existing file (as typed, even empty) or
// writes marker, marker, location. A file that exists but cannot be read is left alone (NotSaved),
// so that its other fields are not lost.
Result<Done, DescriptionError> WriteWebLocation(const std::filesystem::path& path, std::string_view webLocation);

// "Clear complete User Data": deletes the file. True when no file remains.
bool ClearDemoUserData(const std::filesystem::path& path);

// Player description: the description lines; empty for a missing file; a file that cannot be
// loaded fails with Unreadable ("PlayerDescr.SetPlayerData: " + path).
Result<std::vector<std::string>, DescriptionError> ReadPlayerDescription(const std::filesystem::path& path);
// Writes the description, or deletes the file when it holds no text. Fails with NotSaved
// ("Could not save: " + path).
Result<WriteOutcome, DescriptionError> WritePlayerDescription(const std::filesystem::path& path,
                                                              const std::vector<std::string>& lines);

} // namespace core
