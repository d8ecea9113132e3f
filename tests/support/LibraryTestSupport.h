#pragma once
// Shared by the demo library's tests: file helpers and a message recorder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "core/common/MessageSink.h"
#include "support/ScratchDir.h"

namespace librarytest {

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
