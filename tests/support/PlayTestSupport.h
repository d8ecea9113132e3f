#pragma once
// Shared by the playback tests: a game directory in a scratch folder whose "game" is a small shell
// program that records how it was started and every console line it reads from its standard
// input, and ends on "quit" (as the real engine does).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "core/playback/Mods.h"
#include "core/playback/PlayError.h"
#include "core/playback/PlaybackKeys.h"
#include "core/playback/RunningGame.h"
#include "core/settings/Settings.h"
#include "platform/GameProcess.h"
#include "support/LibraryTestSupport.h"
#include "support/MessageLog.h"
#include "support/ShownPlays.h"

namespace playtest {

// Arguments one per line in brackets, then the working directory; console lines as they arrive.
inline constexpr const char* kRecordingGame = R"(#!/bin/sh
for a in "$@"; do printf '[%s]' "$a"; done > started.txt
printf '\n%s\n' "$PWD" >> started.txt
while IFS= read -r line; do
  printf '%s\n' "$line" >> console.txt
  [ "$line" = quit ] && exit 0
done
sleep 30
)";

inline void MakeProgram(const std::filesystem::path& path, const std::string& text)
{
    librarytest::WriteText(path, text);
    ::chmod(path.c_str(), 0755);
}

// Waits until the file holds the text (a child process writes it), up to a few seconds.
inline bool Eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 250; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

inline bool FileHolds(const std::filesystem::path& file, const std::string& text)
{
    return librarytest::ReadText(file).find(text) != std::string::npos;
}

class PlaybackTest : public testsupport::ShownPlays {
protected:
    void SetUp() override
    {
        core::ModTable.clear();
        core::KeyBindingBlock = core::DefaultKeyBindingBlock();
        core::TimeLimits() = {std::chrono::milliseconds(3000), std::chrono::milliseconds(3000),
                              std::chrono::milliseconds(1000)};
        std::filesystem::create_directories(BaseDir() / "demos");
        MakeProgram(GameDir() / "ioquake3", kRecordingGame);
        core::SetGameDirectory(m_record, GameDir().string());
    }
    void TearDown() override
    {
        platform::Game().Close(std::chrono::milliseconds(2000));
        core::ModTable.clear();
        core::ModLocations = {};
        core::KeyBindingBlock = core::DefaultKeyBindingBlock();
        core::TimeLimits() = {};
        core::Hooks().status = nullptr;
    }

    std::filesystem::path Dir() const { return m_scratch.path(); }
    std::filesystem::path GameDir() const { return m_scratch.path() / "game"; }
    std::filesystem::path BaseDir() const { return GameDir() / "baseq3"; }
    std::filesystem::path DemoDir() const { return BaseDir() / "demos"; }
    std::string Script() const { return librarytest::ReadText(BaseDir() / "vmrtmp.vmr"); }
    std::string Started() const { return librarytest::ReadText(GameDir() / "started.txt"); }
    std::string Console() const { return librarytest::ReadText(GameDir() / "console.txt"); }

    testsupport::ScratchDir m_scratch;
};

} // namespace playtest
