// The Linux game seam against real child processes: small shell programs that read their standard
// input or a console FIFO the way the engine does.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/GameProcess.h"
#include "platform/ShellWords.h"
#include "support/PlayTestSupport.h"
#include "support/Restore.h"

namespace {

using namespace std::chrono_literals;
using librarytest::ReadText;
using playtest::Eventually;
using playtest::FileHolds;
using playtest::MakeProgram;
using testsupport::ScratchDir;

TEST(GameProcess, ParametersAreCutIntoWordsAsAShellWould)
{
    struct Case {
        std::string text;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {"  +exec vmrtmp.vmr", {"+exec", "vmrtmp.vmr"}},
        {" +set fs_game osp +exec vmrtmp.vmr", {"+set", "fs_game", "osp", "+exec", "vmrtmp.vmr"}},
        {"+exec 'my config.cfg'", {"+exec", "my config.cfg"}},
        {"+set name \"A \\\"B\\\" \\x\"", {"+set", "name", "A \"B\" \\x"}},
        {"a\\ b c\\\\d", {"a b", "c\\d"}},
        {"'' x", {"", "x"}},
        {"+set r 'unterminated rest", {"+set", "r", "unterminated rest"}},
        {"$HOME `id` *.cfg ~", {"$HOME", "`id`", "*.cfg", "~"}},
        {"a\\\nb\tc", {"ab", "c"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::SplitShellWords(c.text), c.words) << c.text;

    for (const std::string word : {"osp", "My Mod", "it's", "", "a\"b\\c", "$x"})
        EXPECT_EQ(platform::SplitShellWords(platform::QuoteShellWord(word)), std::vector<std::string>{word}) << word;
    EXPECT_EQ(platform::QuoteShellWord("osp-1.03"), "osp-1.03");
}

TEST(GameProcess, WindowsGameStartsThroughWineWhenInstalled)
{
    ScratchDir scratch;
    const std::string bin = (scratch.path() / "bin").string();
    const platform::GameStart start{"/games/q3/quake3.EXE", {"+exec", "x"}, "/games/q3"};
    std::string error;
    EXPECT_FALSE(platform::StartWords(start, bin, error));
    EXPECT_NE(error.find("Wine"), std::string::npos);

    MakeProgram(scratch.path() / "bin" / "wine", "#!/bin/sh\n");
    const auto words = platform::StartWords(start, "/nowhere:" + bin, error);
    ASSERT_TRUE(words);
    EXPECT_EQ(*words, (std::vector<std::string>{bin + "/wine", "/games/q3/quake3.EXE", "+exec", "x"}));
    const auto native = platform::StartWords({"/usr/games/ioquake3", {"+a"}, "/"}, "", error);
    EXPECT_EQ(*native, (std::vector<std::string>{"/usr/games/ioquake3", "+a"}));
}

TEST(GameProcess, StartedGameGetsItsWordsFolderAndConsoleLinesThenQuits)
{
    ScratchDir scratch;
    MakeProgram(scratch.path() / "game", playtest::kRecordingGame);
    platform::GameProcess game;
    std::string error;
    ASSERT_TRUE(game.Start({(scratch.path() / "game").string(), {"+set", "a b", ""}, scratch.str()}, error)) << error;
    EXPECT_TRUE(game.IsRunning());
    EXPECT_TRUE(game.SendLine("exec vmrtmp.vmr"));
    EXPECT_TRUE(game.SendLine("echo second; echo third"));
    ASSERT_TRUE(Eventually([&] { return FileHolds(scratch.path() / "console.txt", "third"); }));
    EXPECT_EQ(ReadText(scratch.path() / "console.txt"), "exec vmrtmp.vmr\necho second; echo third\n");
    EXPECT_EQ(ReadText(scratch.path() / "started.txt"), "[+set][a b][]\n" + scratch.str() + "\n");

    EXPECT_TRUE(game.Close(3000ms));
    EXPECT_FALSE(game.IsRunning());
    ASSERT_TRUE(game.LastExitStatus());
    EXPECT_TRUE(WIFEXITED(*game.LastExitStatus()) && WEXITSTATUS(*game.LastExitStatus()) == 0);
    EXPECT_TRUE(FileHolds(scratch.path() / "console.txt", "quit\n"));
    EXPECT_FALSE(game.SendLine("echo nobody"));
}

// "Z" in the state field of /proc/<pid>/stat: ended, not yet waited for.
bool IsZombie(platform::ProcessId pid)
{
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const size_t end = stat.rfind(')');
    return end != std::string::npos && stat.compare(end + 1, 3, " Z ") == 0;
}

TEST(GameProcess, AGameThatEndsByItselfIsReapedWithoutBeingAsked)
{
    ScratchDir scratch;
    // It ends only once told to, so its process id can be taken while it still runs.
    MakeProgram(scratch.path() / "short", "#!/bin/sh\nwhile [ ! -e go ]; do sleep 0.01; done\nexit 3\n");
    MakeProgram(scratch.path() / "long", "#!/bin/sh\nexec sleep 30\n");
    platform::GameProcess game;
    std::string error;
    ASSERT_TRUE(game.Start({(scratch.path() / "short").string(), {}, scratch.str()}, error));
    const platform::ProcessId first = game.ChildPid();
    ASSERT_GT(first, 0);
    librarytest::WriteText(scratch.path() / "go", "");
    // Nothing asks the object anything meanwhile: the process must go away all the same.
    EXPECT_TRUE(Eventually([&] { return !std::filesystem::exists("/proc/" + std::to_string(first)); }))
        << "zombie: " << IsZombie(first);
    EXPECT_FALSE(game.IsRunning());
    ASSERT_TRUE(game.LastExitStatus());
    EXPECT_TRUE(WIFEXITED(*game.LastExitStatus()) && WEXITSTATUS(*game.LastExitStatus()) == 3);

    // A game let go by a new start is reaped as well when it ends.
    ASSERT_TRUE(game.Start({(scratch.path() / "long").string(), {}, scratch.str()}, error));
    const platform::ProcessId letGo = game.ChildPid();
    ASSERT_TRUE(game.Start({(scratch.path() / "short").string(), {}, scratch.str()}, error));
    ::kill(letGo, SIGTERM);
    EXPECT_TRUE(Eventually([&] { return !std::filesystem::exists("/proc/" + std::to_string(letGo)); }));
}

TEST(GameProcess, AGameUnderWineIsNeverToldThatItReadsConsoleLines)
{
    ScratchDir scratch;
    // Stands in for Wine: it records its standard input, which the real Windows game never reads.
    MakeProgram(scratch.path() / "bin" / "wine", "#!/bin/sh\ncat > stdin.txt\n");
    librarytest::WriteText(scratch.path() / "quake3.exe", "MZ");
    platform::GameProcess game;
    std::string error;
    bool started = false;
    {
        const testsupport::RestoreEnvironment path("PATH");
        ::setenv("PATH", (scratch.path() / "bin").c_str(), 1);
        started = game.Start({(scratch.path() / "quake3.exe").string(), {"+exec", "x"}, scratch.str()}, error);
    }
    ASSERT_TRUE(started) << error;
    EXPECT_TRUE(game.IsRunning());
    EXPECT_FALSE(game.TakesConsoleLines());
    EXPECT_FALSE(game.SendLine("exec vmrtmp.vmr"));

    // The close does not wait for a quit that nobody reads.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(game.Close(4000ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1500ms);
    EXPECT_EQ(ReadText(scratch.path() / "stdin.txt"), "");

    // A native game takes them.
    MakeProgram(scratch.path() / "game", playtest::kRecordingGame);
    ASSERT_TRUE(game.Start({(scratch.path() / "game").string(), {}, scratch.str()}, error));
    EXPECT_TRUE(game.TakesConsoleLines());
    EXPECT_TRUE(game.SendLine("echo hi"));
    game.Close(2000ms);
}

TEST(GameProcess, ClosingFallsBackToSigtermAndGivesUpAtTheTimeLimit)
{
    ScratchDir scratch;
    MakeProgram(scratch.path() / "deaf", "#!/bin/sh\nexec sleep 30\n");
    MakeProgram(scratch.path() / "stubborn", "#!/bin/sh\ntrap '' TERM\nsleep 30\n");
    platform::GameProcess game;
    std::string error;

    ASSERT_TRUE(game.Start({(scratch.path() / "deaf").string(), {}, scratch.str()}, error));
    EXPECT_TRUE(game.Close(1000ms));
    ASSERT_TRUE(game.LastExitStatus());
    EXPECT_TRUE(WIFSIGNALED(*game.LastExitStatus()) && WTERMSIG(*game.LastExitStatus()) == SIGTERM);

    ASSERT_TRUE(game.Start({(scratch.path() / "stubborn").string(), {}, scratch.str()}, error));
    const platform::ProcessId pid = game.ChildPid();
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(game.Close(600ms));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_TRUE(game.IsRunning());
    ::kill(-pid, SIGKILL);
    EXPECT_TRUE(Eventually([&] { return !game.IsRunning(); }));
}

TEST(GameProcess, AGameThatStopsReadingCannotBlockTheProgram)
{
    ScratchDir scratch;
    MakeProgram(scratch.path() / "deaf", "#!/bin/sh\nexec sleep 30\n");
    platform::GameProcess game;
    std::string error;
    ASSERT_TRUE(game.Start({(scratch.path() / "deaf").string(), {}, scratch.str()}, error));
    const std::string line(4000, 'x');
    int accepted = 0;
    while (accepted < 100 && game.SendLine(line))
        ++accepted;
    EXPECT_LT(accepted, 100); // the pipe filled up and refused the rest instead of waiting
    EXPECT_FALSE(game.SendLine(std::string(70000, 'y')));
    game.Close(1000ms);
}

// The engine opens its console FIFO for reading and writing, reads lines from it, and removes it
// when it quits.
constexpr const char* kFifoGame = R"(#!/bin/sh
exec 3<> "$1"
while IFS= read -r line <&3; do
  printf '%s\n' "$line" >> fifo-console.txt
  if [ "$line" = quit ]; then rm -f "$1"; exit 0; fi
done
)";

TEST(GameProcess, GameStartedElsewhereIsReachedThroughItsConsoleFifo)
{
    ScratchDir scratch;
    const std::string fifo = (scratch.path() / "velmora.fifo").string();
    platform::GameProcess other; // "another program" that started the game
    platform::GameProcess program;
    program.SetPipeFiles({(scratch.path() / "absent.fifo").string(), fifo});
    EXPECT_FALSE(program.IsRunning());

    // A FIFO nobody reads: nothing is running, and nothing waits for a reader.
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(program.IsRunning());
    EXPECT_FALSE(program.SendLine("echo lost"));

    MakeProgram(scratch.path() / "fifogame", kFifoGame);
    std::string error;
    ASSERT_TRUE(other.Start({(scratch.path() / "fifogame").string(), {fifo}, scratch.str()}, error));
    ASSERT_TRUE(program.WaitUntilRunning(3000ms));
    EXPECT_EQ(platform::ProcessesHolding(fifo), std::vector<platform::ProcessId>{other.ChildPid()});
    EXPECT_TRUE(program.SendLine("exec vmrtmp.vmr"));
    ASSERT_TRUE(Eventually([&] { return FileHolds(scratch.path() / "fifo-console.txt", "exec vmrtmp.vmr\n"); }));

    EXPECT_TRUE(program.Close(3000ms));
    EXPECT_FALSE(program.IsRunning());
    EXPECT_FALSE(std::filesystem::exists(fifo));
    EXPECT_TRUE(Eventually([&] { return !other.IsRunning(); }));
}

TEST(GameProcess, OnlyAFifoIsWrittenUnderThePipeName)
{
    ScratchDir scratch;
    const auto file = scratch.path() / "velmora.fifo";
    librarytest::WriteText(file, "keep");
    platform::GameProcess program;
    program.SetPipeFiles({file.string()});
    EXPECT_FALSE(program.IsRunning());
    EXPECT_FALSE(program.SendLine("quit"));
    EXPECT_EQ(ReadText(file), "keep");
}

} // namespace
