#pragma once
// Shared by the demo library's tests: a scratch folder and a message recorder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/common/MessageSink.h"

namespace librarytest {

class ScratchFolder {
public:
    ScratchFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("velmora-" + std::string(info->test_suite_name()) + "-" + info->name() + "-" +
                  std::to_string(::getpid()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RecordingSink : public core::MessageSink {
public:
    RecordingSink() { core::SetMessageSink(this); }
    ~RecordingSink() override { core::SetMessageSink(nullptr); }
    void Error(const std::string& text, const std::string& title) override { errors.emplace_back(text, title); }
    void Information(const std::string& text, const std::string& title) override { infos.emplace_back(text, title); }
    bool Question(const std::string&, const std::string&) override { return false; }
    std::vector<std::pair<std::string, std::string>> errors, infos;
};

} // namespace librarytest
