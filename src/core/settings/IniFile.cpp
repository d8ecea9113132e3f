#include "core/settings/IniFile.h"

#include <charconv>

#include "core/common/FileWrite.h"

namespace core {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view FirstLine(std::string_view value)
{
    const size_t cut = value.find_first_of("\r\n");
    return cut == std::string_view::npos ? value : value.substr(0, cut);
}

} // namespace

IniFile::IniFile(std::string_view text)
{
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_lines.push_back(ParseLine(std::string(line)));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

IniFile::Line IniFile::ParseLine(std::string text)
{
    Line line;
    line.text = std::move(text);
    const std::string_view trimmed = Trim(line.text);
    if (!trimmed.empty() && trimmed.front() == '[') {
        const size_t close = trimmed.find(']');
        if (close != std::string_view::npos) {
            line.isSection = true;
            line.section = std::string(Trim(trimmed.substr(1, close - 1)));
        }
        return line;
    }
    // Comment lines are kept but never hold a key, as on Windows.
    if (trimmed.empty() || trimmed.front() == ';')
        return line;
    const size_t equals = line.text.find('=');
    if (equals == std::string::npos)
        return line;
    line.key = std::string(Trim(std::string_view(line.text).substr(0, equals)));
    line.isKey = !line.key.empty();
    line.valueStart = equals + 1;
    return line;
}

IniFile::LoadResult IniFile::Load(const std::filesystem::path& path)
{
    m_lines.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return ec ? LoadResult::Unreadable : LoadResult::Missing;
    std::string bytes;
    if (!ReadFileContents(path, bytes))
        return LoadResult::Unreadable;
    *this = IniFile(bytes);
    return LoadResult::Loaded;
}

std::string IniFile::Text() const
{
    std::string text;
    for (const Line& line : m_lines)
        text.append(line.text).append("\r\n");
    return text;
}

bool IniFile::Save(const std::filesystem::path& path) const
{
    return ReplaceFileContents(path, Text());
}

std::optional<std::pair<size_t, size_t>> IniFile::SectionRange(std::string_view section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (!m_lines[i].isSection || !SameName(m_lines[i].section, section))
            continue;
        size_t end = i + 1;
        while (end < m_lines.size() && !m_lines[end].isSection)
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

bool IniFile::HasSection(std::string_view section) const
{
    return SectionRange(section).has_value();
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const
{
    const auto range = SectionRange(section);
    if (!range)
        return std::nullopt;
    for (size_t i = range->first; i < range->second; ++i)
        if (m_lines[i].isKey && SameName(m_lines[i].key, key))
            return m_lines[i].text.substr(m_lines[i].valueStart);
    return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, const std::string& fallback) const
{
    return Value(section, key).value_or(fallback);
}

std::optional<int> IniFile::ParseInteger(std::string_view text)
{
    std::string_view digits = Trim(text);
    if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-')
        digits.remove_prefix(1);
    int result = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return result;
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const
{
    const auto value = Value(section, key);
    return value ? ParseInteger(*value).value_or(fallback) : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const
{
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    value = FirstLine(value);
    const auto range = SectionRange(section);
    if (!range) {
        if (!m_lines.empty() && !Trim(m_lines.back().text).empty())
            m_lines.push_back(ParseLine(""));
        m_lines.push_back(ParseLine("[" + std::string(section) + "]"));
        m_lines.push_back(ParseLine(std::string(key) + "=" + std::string(value)));
        return;
    }
    size_t insertAt = range->first;
    for (size_t i = range->first; i < range->second; ++i) {
        Line& line = m_lines[i];
        if (line.isKey && SameName(line.key, key)) {
            line.text = line.text.substr(0, line.valueStart) + std::string(value);
            return;
        }
        // New keys go after the section's last non-blank line, so that the blank line that
        // separates it from the next section stays where it is.
        if (!Trim(line.text).empty())
            insertAt = i + 1;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   ParseLine(std::string(key) + "=" + std::string(value)));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

bool IniFile::UpdateFile(const std::filesystem::path& path, std::string_view section, std::string_view key,
                         std::string_view value)
{
    IniFile file;
    if (file.Load(path) == LoadResult::Unreadable)
        return false;
    file.WriteString(section, key, value);
    return file.Save(path);
}

} // namespace core
