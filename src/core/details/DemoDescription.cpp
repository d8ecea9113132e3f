#include "core/details/DemoDescription.h"

#include <cstdio>
#include <iterator>
#include <system_error>

#include "core/common/FileWrite.h"
#include "core/common/TextEncoding.h"
#include "core/row/DemoInfo.h"
#include "platform/RegularFile.h"

namespace core {
namespace {

// The editor's failure to save; users know this message text, old routine name and all.
Failure<DescriptionError> EditorNotSaved(const std::filesystem::path& path)
{
    return {DescriptionError::NotSaved, "User.ApplyButtonClick: " + path.string()};
}

bool FileExists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string FieldOrEmpty(const std::vector<std::string>& lines, size_t index)
{
    if (index >= lines.size() || lines[index] == kEmptyFieldLine)
        return {};
    return lines[index];
}

// The three one-line fields must stay one line each, or every field after them would shift
// by a line when the file is read back. A player name taken from a demo may hold any byte.
std::string OneLine(std::string_view value)
{
    std::string line(value);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return line;
}

std::string FieldOrMarker(std::string_view value)
{
    return value.empty() ? std::string(kEmptyFieldLine) : OneLine(value);
}

bool RemoveFile(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
    return !ec && !FileExists(path);
}

} // namespace

std::filesystem::path DemoDescriptionPath(const std::filesystem::path& demoDataDirectory, std::string_view demoName)
{
    return demoDataDirectory / (std::string(demoName) + ".description");
}

std::string PlayerFileName(std::string_view playerName)
{
    std::string name = StripGameColourCodes(playerName);
    for (char& c : name) {
        const auto b = static_cast<unsigned char>(c);
        const bool reserved =
            b == '"' || b == '*' || b == '/' || b == ':' || b == '<' || b == '>' || b == '?' || b == '\\' || b == '|';
        if (b < 0x20 || b > 0x7E || reserved)
            c = '_';
    }
    return name;
}

std::filesystem::path PlayerDescriptionPath(const std::filesystem::path& playerDataDirectory,
                                            std::string_view playerName)
{
    return playerDataDirectory / (PlayerFileName(playerName) + ".description");
}

std::vector<std::string> SplitTextLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string DescriptionFileText(std::string_view bytes)
{
    if (bytes.starts_with(kUtf8ByteOrderMark))
        return ValidUtf8(bytes.substr(kUtf8ByteOrderMark.size()));
    return Utf8FromLatin1(bytes);
}

std::string DescriptionFileBytes(std::string_view text)
{
    if (std::optional<std::string> latin1 = Utf8ToLatin1(text))
        return std::move(*latin1);
    return std::string(kUtf8ByteOrderMark) + ValidUtf8(text);
}

std::optional<std::vector<std::string>> LoadTextLines(const std::filesystem::path& path)
{
    std::string bytes;
    if (!ReadFileContents(path, bytes))
        return std::nullopt; // also a folder or a pipe by that name: neither holds a description
    return SplitTextLines(DescriptionFileText(bytes));
}

bool SaveTextLines(const std::filesystem::path& path, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    const std::string bytes = DescriptionFileBytes(text);
    std::FILE* out = platform::CreateRegularFileStream(path.string());
    if (!out)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return std::fclose(out) == 0 && ok;
}

Result<UserInfo, DescriptionError> GetUserInfo(const std::filesystem::path& path)
{
    UserInfo info;
    if (!FileExists(path))
        return info;
    std::optional<std::vector<std::string>> loaded = LoadTextLines(path);
    if (!loaded)
        // Users know this message text, old routine name and all; it stays as it is.
        return Failure<DescriptionError>{DescriptionError::Unreadable, "Parsing.GetUserInfo: " + path.string()};
    const std::vector<std::string>& lines = *loaded;
    info.pov = StripColourCodesUtf8(FieldOrEmpty(lines, 0));
    info.rating = FieldOrEmpty(lines, 1);
    info.web = FieldOrEmpty(lines, 2);
    info.description = FieldOrEmpty(lines, 3);
    return info;
}

Result<DemoUserDataResult, DescriptionError> ReadDemoUserData(const std::filesystem::path& path,
                                                              std::string_view messagePrefix)
{
    DemoUserDataResult result;
    if (!FileExists(path))
        return result;
    std::optional<std::vector<std::string>> loaded = LoadTextLines(path);
    if (!loaded)
        return Failure<DescriptionError>{DescriptionError::Unreadable, std::string(messagePrefix) + path.string()};
    const std::vector<std::string>& lines = *loaded;
    result.status = UserDataStatus::Loaded;
    result.data.pov = FieldOrEmpty(lines, 0);
    result.data.rating = FieldOrEmpty(lines, 1);
    result.data.web = FieldOrEmpty(lines, 2);
    if (lines.size() > 3)
        result.data.description.assign(lines.begin() + 3, lines.end());
    return result;
}

std::string DescriptionText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

Result<WriteOutcome, DescriptionError> WriteDemoUserData(const std::filesystem::path& path, const DemoUserData& data)
{
    const bool nothingKept = data.pov.empty() && data.rating == "0" && data.web.empty() && data.description.empty();
    if (nothingKept && FileExists(path)) {
        if (RemoveFile(path))
            return WriteOutcome::Deleted;
        return EditorNotSaved(path);
    }
    std::vector<std::string> lines;
    lines.reserve(3 + data.description.size());
    lines.push_back(FieldOrMarker(data.pov));
    lines.push_back(data.rating == "0" ? std::string(kEmptyFieldLine) : FieldOrMarker(data.rating));
    lines.push_back(FieldOrMarker(data.web));
    lines.insert(lines.end(), data.description.begin(), data.description.end());
    if (!SaveTextLines(path, lines))
        return EditorNotSaved(path);
    return WriteOutcome::Written;
}

Result<Done, DescriptionError> WriteWebLocation(const std::filesystem::path& path, std::string_view webLocation)
{
    std::vector<std::string> lines;
    if (FileExists(path)) {
        std::optional<std::vector<std::string>> loaded = LoadTextLines(path);
        if (!loaded)
            return EditorNotSaved(path);
        lines = std::move(*loaded);
    }
    // A short file written by another program gets the missing fields as empty ones, so that the
    // location lands on its own line.
    while (lines.size() < 3)
        lines.emplace_back(kEmptyFieldLine);
    lines[2] = OneLine(webLocation);
    if (!SaveTextLines(path, lines))
        return EditorNotSaved(path);
    return Done{};
}

bool ClearDemoUserData(const std::filesystem::path& path)
{
    return RemoveFile(path);
}

Result<std::vector<std::string>, DescriptionError> ReadPlayerDescription(const std::filesystem::path& path)
{
    if (!FileExists(path))
        return std::vector<std::string>{};
    std::optional<std::vector<std::string>> loaded = LoadTextLines(path);
    if (!loaded)
        // Users know this message text, old routine name and all; it stays as it is.
        return Failure<DescriptionError>{DescriptionError::Unreadable, "PlayerDescr.SetPlayerData: " + path.string()};
    return std::move(*loaded);
}

Result<WriteOutcome, DescriptionError> WritePlayerDescription(const std::filesystem::path& path,
                                                              const std::vector<std::string>& lines)
{
    const Failure<DescriptionError> notSaved{DescriptionError::NotSaved, "Could not save: " + path.string()};
    bool hasText = false;
    for (const std::string& line : lines)
        hasText = hasText || !line.empty();
    if (!hasText) {
        if (!FileExists(path) || RemoveFile(path))
            return WriteOutcome::Deleted;
        return notSaved;
    }
    if (!SaveTextLines(path, lines))
        return notSaved;
    return WriteOutcome::Written;
}

} // namespace core
