#pragma once
// A fresh folder for one test's files, removed with everything in it when the object goes. The
// name tells the test it belongs to (for looking at what a failed test left while it runs) and
// stays apart from every other scratch folder, of this process and of parallel test processes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <system_error>

namespace testsupport {

class ScratchDir {
public:
    // `label` names the folder where no test is running (a folder that lives as long as the process).
    explicit ScratchDir(const std::string& label = "test")
    {
        static std::atomic<int> counter{0};
        std::string name = "velmora-";
        if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
            name += std::string(info->test_suite_name()) + "-" + info->name();
        else
            name += label;
        m_path = std::filesystem::temp_directory_path() /
                 (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        // Tests of refused writes take the write permission away; removal needs it back.
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

} // namespace testsupport
