#pragma once
// The configuration file as Windows reads and writes INI files: "[Section]" lines open sections,
// "key=value" lines hold values. Section and key names compare without regard to ASCII case; a
// value is the text after the first "=" up to the line end, exactly as stored (no quotes are
// removed and no escapes are read, so paths with backslashes and quotes survive). Writing a value
// keeps every other line of the file as it was: comments, blank lines, unknown keys and sections.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

class IniFile {
public:
    enum class LoadResult {
        Loaded,
        Missing,    // no such file: every read gives its default
        Unreadable, // the file exists but cannot be read
    };

    IniFile() = default;
    // Lines end in CR LF or LF; a last line without a line end counts too.
    explicit IniFile(std::string_view text);

    // Replaces the content with the file's; Missing and Unreadable leave it empty.
    LoadResult Load(const std::filesystem::path& path);
    // Writes the lines with CR LF line ends, replacing the file in one step; false on failure.
    bool Save(const std::filesystem::path& path) const;
    std::string Text() const;

    // The stored value; nullopt when the section or key is missing. The first of repeated
    // sections or keys counts, as on Windows.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, const std::string& fallback) const;
    // Signed decimal (blanks around it allowed); anything else, or a value out of range, gives the fallback.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // An integer; any value other than 0 means true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // Replaces the value of the first matching key, keeping the key's spelling in the file; a
    // missing key is added after the last entry of its section, a missing section at the end.
    // A line break cannot be stored: the value is cut at its first CR or LF.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int64_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Signed decimal with blanks around it allowed; nullopt for anything else or out of range.
    static std::optional<int> ParseInteger(std::string_view text);

    bool HasSection(std::string_view section) const;

    // Reads the file, writes one value and saves it again: the immediate writes during the run.
    static bool UpdateFile(const std::filesystem::path& path, std::string_view section, std::string_view key,
                           std::string_view value);

private:
    struct Line {
        std::string text;
        std::string section; // for a section line: its name, trimmed
        std::string key;     // for a key line: its name, trimmed
        size_t valueStart = 0;
        bool isSection = false;
        bool isKey = false;
    };

    static Line ParseLine(std::string text);
    // [first line of the section's body, end of the section); nullopt when the section is missing.
    std::optional<std::pair<size_t, size_t>> SectionRange(std::string_view section) const;

    std::vector<Line> m_lines;
};

} // namespace core
