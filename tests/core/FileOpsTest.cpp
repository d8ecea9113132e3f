// Demo and folder changes on real files in a scratch folder: the protocol extension rule, new
// folder names, renames that never replace, moves with the overwrite question, and drive states
// from mount table lines.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <deque>
#include <filesystem>

#include "core/library/FileOps.h"
#include "support/LibraryTestSupport.h"
#include "support/MessageLog.h"

namespace fs = std::filesystem;
using librarytest::WriteText;
using testsupport::ScratchDir;

namespace {

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Answers the questions in turn from a script and records everything shown.
class ScriptedSink : public testsupport::MessageLog {
public:
    explicit ScriptedSink(std::deque<bool> answers) : m_answers(std::move(answers)) {}
    bool Question(const std::string& text, const std::string& title) override
    {
        shown.push_back({"question", text, title});
        if (m_answers.empty())
            return false;
        const bool yes = m_answers.front();
        m_answers.pop_front();
        return yes;
    }

private:
    std::deque<bool> m_answers;
};

struct MoveRun {
    int moved = 0;
    bool completed = false;
    bool lastMoveSucceeded = false;
};

// Hands out the demos of `names` from `folder` and drops each one from the list when it moved;
// asks and reports through the sink as the window does.
struct MoveQueue {
    std::string folder;
    std::vector<std::string> names;
    MoveRun Run(const std::string& target, testsupport::MessageLog& sink)
    {
        const auto next = [this](core::MoveItem& item) {
            if (names.empty())
                return false;
            item = {folder, names.front()};
            return true;
        };
        core::MoveProgress progress;
        bool replace = false;
        for (;;) {
            const auto result = core::MoveDemos(
                next, [this] { names.erase(names.begin()); }, target, progress, replace);
            replace = false;
            if (result)
                return {progress.moved, true, progress.lastMoveSucceeded};
            if (result.code() == core::MoveError::TargetExists && sink.Question(result.text(), core::kOverwriteTitle))
                replace = true;
            else if (result.code() == core::MoveError::TargetNotDeleted)
                sink.Error(result.text(), core::kTargetNotDeletedTitle);
            else {
                if (result.code() == core::MoveError::Failed)
                    sink.Error(result.text(), core::kMoveErrorTitle);
                return {progress.moved, false, progress.lastMoveSucceeded};
            }
        }
    }
};

} // namespace

TEST(FileOpsTest, ProtocolDecidesTheExtensionOfARenamedDemo)
{
    struct Case {
        const char* typed;
        const char* protocol;
        const char* current;
        const char* expected;
    };
    const Case cases[] = {
        // Names without a demo extension get the one that keeps the demo readable.
        {"duel", "45", "a.dm3", "duel.dm3"},
        {"duel", "43", "a.dm3", "duel.dm3"},
        {"duel", "48", "a.dm_48", "duel.dm_48"},
        {"duel", "46", "a.dm3", "duel"},
        {"duel", "N/A", "a.dm_48", "duel.dm_48"},
        {"duel", "N/A", "a.dm3", "duel.dm_48"},
        {"duel", "66", "a.dm_66", "duel.dm_66"},
        {"duel", "67", "a.dm_67", "duel.dm_67"},
        {"duel", "68", "a.dm_68", "duel.dm_68"},
        {"duel", "70", "a.dm_70", "duel.dm_70"},
        {"duel", "71", "a.dm_70", "duel.dm_70"},
        {"duel", "71", "a.dm_71", "duel.dm_71"},
        {"duel", "68", "A.DM_68", "duel.DM_68"},
        {"duel", "N/A", "a.dm_68", "duel.dm_68"}, // too damaged to tell its protocol
        // Near misses are no demo extensions and get one added.
        {"duel.dm_69", "68", "a.dm_68", "duel.dm_69.dm_68"},
        {"duel.dm_72", "71", "a.dm_71", "duel.dm_72.dm_71"},
        {"duel.dm_47", "48", "a.dm_48", "duel.dm_47.dm_48"},
        {"duel.dm", "45", "a.dm3", "duel.dm.dm3"},
        {"duel.dm_68.txt", "68", "a.dm_68", "duel.dm_68.txt.dm_68"},
        // Any extension the program reads is kept as typed, whatever the demo was.
        {"duel.dm3", "48", "a.dm_48", "duel.dm3"},
        {"duel.dm_48", "45", "a.dm3", "duel.dm_48"},
        {"duel.dm_48", "46", "a.dm3", "duel.dm_48"},
        {"DUEL.DM3", "45", "a.dm3", "DUEL.DM3"},
        {"duel.Dm_48", "48", "a.dm_48", "duel.Dm_48"},
        {"y.dm_66", "68", "x.dm_68", "y.dm_66"},
        {"y.dm_67", "68", "x.dm_68", "y.dm_67"},
        {"y.dm_68", "68", "x.dm_68", "y.dm_68"},
        {"y.dm_70", "71", "x.dm_71", "y.dm_70"},
        {"y.dm_71", "71", "x.dm_71", "y.dm_71"},
        {"y.DM_71", "71", "x.dm_71", "y.DM_71"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::ProtocolFitName(c.typed, c.protocol, c.current), c.expected)
            << c.typed << " / " << c.protocol << " / " << c.current;
}

TEST(FileOpsTest, RenameDemoMovesTheFileAndReportsTheNameItHas)
{
    ScratchDir scratch;
    WriteText(scratch.path() / "old.dm_48", "demo");
    core::DemoRenameResult result = core::RenameDemo(scratch.str(), "old.dm_48", "duel", "48");
    EXPECT_TRUE(result.renamed);
    EXPECT_EQ(result.name, "duel.dm_48");
    EXPECT_EQ(Read(scratch.path() / "duel.dm_48"), "demo");
    EXPECT_FALSE(fs::exists(scratch.path() / "duel"));

    // The fitting name is taken: the file keeps the typed name and the result says so.
    WriteText(scratch.path() / "a.dm_48", "other");
    result = core::RenameDemo(scratch.str(), "duel.dm_48", "a", "48");
    EXPECT_TRUE(result.renamed);
    EXPECT_EQ(result.name, "a");
    EXPECT_EQ(Read(scratch.path() / "a"), "demo");
    EXPECT_EQ(Read(scratch.path() / "a.dm_48"), "other");
}

TEST(FileOpsTest, RefusedDemoRenamesChangeNothing)
{
    ScratchDir scratch;
    WriteText(scratch.path() / "one.dm3", "1");
    WriteText(scratch.path() / "two.dm3", "2");
    fs::create_directory(scratch.path() / "sub");
    for (const char* typed : {"two.dm3", "sub/x.dm3", "", "..", "../up.dm3"}) {
        const core::DemoRenameResult result = core::RenameDemo(scratch.str(), "one.dm3", typed, "45");
        EXPECT_FALSE(result.renamed) << typed;
        EXPECT_EQ(result.name, "one.dm3");
    }
    EXPECT_EQ(Read(scratch.path() / "one.dm3"), "1");
    EXPECT_EQ(Read(scratch.path() / "two.dm3"), "2");
    EXPECT_TRUE(fs::is_empty(scratch.path() / "sub"));
}

TEST(FileOpsTest, NewFolderNamesDependOnTheGameDirectory)
{
    EXPECT_EQ(core::NewFolderName({}, true), "NewDemoFolder");
    EXPECT_EQ(core::NewFolderName({"NewDemoFolder", "newdemofolder(2)"}, true), "NewDemoFolder(3)");
    EXPECT_EQ(core::NewFolderName({"new demo folder"}, false), "New Demo Folder (2)");
    EXPECT_EQ(core::NewFolderName({"New Demo Folder", "New Demo Folder (2)", "New Demo Folder (4)"}, false),
              "New Demo Folder (3)");

    EXPECT_TRUE(core::IsInGameDirectory("/Games/Q3/baseq3/demos", "/games/q3"));
    EXPECT_TRUE(core::IsInGameDirectory("/games/q3", "/games/q3"));
    EXPECT_FALSE(core::IsInGameDirectory("/games/q3extra", "/games/q3"));
    EXPECT_FALSE(core::IsInGameDirectory("/home/demos", "/games/q3"));

    ScratchDir scratch;
    const fs::path game = scratch.path() / "game";
    fs::create_directories(game / "NewDemoFolder");
    fs::create_directories(game / "newdemofolder(2)");
    fs::create_directories(game / ".NewDemoFolder(3)"); // hidden folders do not count
    EXPECT_EQ(core::CreateNewFolder(game.string(), game.string()), "NewDemoFolder(3)");
    EXPECT_TRUE(fs::is_directory(game / "NewDemoFolder(3)"));
    EXPECT_EQ(core::CreateNewFolder(scratch.str(), game.string()), "New Demo Folder");
    EXPECT_EQ(core::CreateNewFolder(scratch.str(), game.string()), "New Demo Folder (2)");
    EXPECT_EQ(core::CreateNewFolder((scratch.path() / "missing").string(), game.string()), "");
}

TEST(FileOpsTest, FolderRenamesNeverReplaceAndRootsStayFullPaths)
{
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "a");
    fs::create_directories(scratch.path() / "b"); // empty: a plain rename() would replace it
    const std::string a = (scratch.path() / "a").string();

    EXPECT_FALSE(core::RenameFolder(a, scratch.str(), false, "b").renamed);
    EXPECT_FALSE(core::RenameFolder(a, scratch.str(), false, "x/y").renamed);
    EXPECT_TRUE(fs::is_directory(scratch.path() / "a"));

    core::FolderRenameResult result = core::RenameFolder(a, scratch.str(), false, "c/");
    ASSERT_TRUE(result.renamed);
    EXPECT_EQ(result.nodeText, "c");
    EXPECT_EQ(result.newPath, (scratch.path() / "c").string());

    result = core::RenameFolder(result.newPath, scratch.str(), true, "d");
    ASSERT_TRUE(result.renamed);
    EXPECT_EQ(result.nodeText, (scratch.path() / "d").string());
    EXPECT_TRUE(fs::is_directory(scratch.path() / "d"));

    WriteText(scratch.path() / "d" / "x.dm3", "x");
    EXPECT_FALSE(core::RemoveEmptyFolder((scratch.path() / "d").string()));
    EXPECT_TRUE(core::RemoveEmptyFolder((scratch.path() / "b").string()));
}

TEST(FileOpsTest, MovesAskBeforeOverwritingAndStopOnNo)
{
    ScratchDir scratch;
    const fs::path from = scratch.path() / "from", to = scratch.path() / "to";
    fs::create_directories(from);
    fs::create_directories(to);
    for (const char* name : {"a.dm3", "b.dm3", "c.dm3"})
        WriteText(from / name, std::string("new ") + name);
    WriteText(to / "b.dm3", "old b");

    ScriptedSink no({false});
    MoveQueue queue{from.string(), {"a.dm3", "b.dm3", "c.dm3"}};
    MoveRun result = queue.Run(to.string(), no);
    EXPECT_EQ(result.moved, 1);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(queue.names, (std::vector<std::string>{"b.dm3", "c.dm3"}));
    ASSERT_EQ(no.shown.size(), 1u);
    EXPECT_EQ(no.shown[0].text, "Overwrite file ?\r\n" + (to / "b.dm3").string());
    EXPECT_EQ(no.shown[0].title, "File already exists");
    EXPECT_EQ(Read(to / "b.dm3"), "old b");
    EXPECT_TRUE(fs::exists(from / "c.dm3"));

    ScriptedSink yes({true});
    result = queue.Run(to.string(), yes);
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(result.lastMoveSucceeded);
    EXPECT_TRUE(queue.names.empty());
    EXPECT_EQ(Read(to / "b.dm3"), "new b.dm3");
    EXPECT_TRUE(fs::is_empty(from));
}

TEST(FileOpsTest, ATargetThatCannotBeDeletedIsAskedAboutAgain)
{
    ScratchDir scratch;
    const fs::path from = scratch.path() / "from", to = scratch.path() / "to";
    fs::create_directories(from);
    fs::create_directories(to / "a.dm3" / "inside"); // a folder of that name is no file to delete
    WriteText(from / "a.dm3", "a");

    ScriptedSink sink({true, false});
    MoveQueue queue{from.string(), {"a.dm3"}};
    const MoveRun result = queue.Run(to.string(), sink);
    EXPECT_FALSE(result.completed);
    ASSERT_EQ(sink.shown.size(), 3u);
    EXPECT_EQ(sink.shown[1].kind, "error");
    EXPECT_EQ(sink.shown[1].text, "An Error occured while moving files");
    EXPECT_EQ(sink.shown[1].title, "Target file could not be deleted");
    EXPECT_EQ(sink.shown[2].kind, "question");
    EXPECT_EQ(Read(from / "a.dm3"), "a");
}

TEST(FileOpsTest, OtherFailuresAndTheDemoItselfStopWithTheErrorNumber)
{
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "to");
    WriteText(scratch.path() / "a.dm3", "a");

    // A demo that is gone.
    ScriptedSink sink({true});
    MoveQueue missing{scratch.str(), {"gone.dm3", "a.dm3"}};
    MoveRun result = missing.Run((scratch.path() / "to").string(), sink);
    EXPECT_EQ(result.moved, 0);
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_EQ(sink.shown[0].text, "An Error occured while moving files\r\nError: " + std::to_string(ENOENT));
    EXPECT_EQ(sink.shown[0].title, "ERROR");

    // The target folder is the demo's own folder reached through a link: "overwriting" it would
    // delete the only copy.
    fs::create_directory_symlink(scratch.path(), scratch.path() / "same");
    ScriptedSink same({true});
    MoveQueue self{scratch.str(), {"a.dm3"}};
    result = self.Run((scratch.path() / "same").string(), same);
    EXPECT_EQ(result.moved, 0);
    ASSERT_EQ(same.shown.size(), 1u);
    EXPECT_EQ(same.shown[0].title, "ERROR");
    EXPECT_EQ(Read(scratch.path() / "a.dm3"), "a");
}

TEST(FileOpsTest, MovesBetweenFileSystemsKeepTheFileAndItsTime)
{
    ScratchDir scratch;
    const fs::path other = fs::path("/dev/shm") / ("velmora-move-" + std::to_string(::getpid()));
    std::error_code error;
    fs::create_directories(other, error);
    struct stat a {
    }, b{};
    if (error || ::stat(scratch.str().c_str(), &a) != 0 || ::stat(other.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        fs::remove_all(other, error);
        GTEST_SKIP() << "no second file system to move to";
    }
    WriteText(scratch.path() / "a.dm3", std::string(200000, 'x'));
    const auto time = fs::last_write_time(scratch.path() / "a.dm3") - std::chrono::hours(48);
    fs::last_write_time(scratch.path() / "a.dm3", time);
    WriteText(other / "b.dm3", "kept");
    WriteText(scratch.path() / "b.dm3", "b");

    EXPECT_EQ(core::MoveDemoFile((scratch.path() / "a.dm3").string(), (other / "a.dm3").string()).status,
              core::MoveStatus::Moved);
    EXPECT_FALSE(fs::exists(scratch.path() / "a.dm3"));
    EXPECT_EQ(fs::file_size(other / "a.dm3"), 200000u);
    EXPECT_EQ(fs::last_write_time(other / "a.dm3"), time);
    EXPECT_EQ(core::MoveDemoFile((scratch.path() / "b.dm3").string(), (other / "b.dm3").string()).status,
              core::MoveStatus::TargetExists);
    EXPECT_EQ(Read(other / "b.dm3"), "kept");
    EXPECT_EQ(Read(scratch.path() / "b.dm3"), "b");
    // No hidden copy is left behind.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(other))
        ++entries;
    EXPECT_EQ(entries, 2);
    fs::remove_all(other, error);
}

TEST(FileOpsTest, DriveStatesFromTheMountTable)
{
    const std::string mounts = "/dev/sda1 / ext4 rw,relatime 0 0\n"
                               "/dev/sr0 /media/cd\\040rom iso9660 ro,nosuid 0 0\n"
                               "/dev/sdb1 /mnt/archive ext4 ro,relatime 0 0\n"
                               "server:/demos /mnt/net nfs4 rw 0 0\n"
                               "/dev/sdc1 /mnt/archive ext4 rw 0 0\n";
    core::DriveState state = core::DriveStateFromMounts(mounts, "/media/cd rom/demos");
    EXPECT_EQ(state.kind, platform::DriveKind::CdRom);
    EXPECT_EQ(state.mountPoint, "/media/cd rom");
    EXPECT_TRUE(state.readOnly);
    // The later mount at the same place hides the read-only one.
    state = core::DriveStateFromMounts(mounts, "/mnt/archive/q3");
    EXPECT_EQ(state.kind, platform::DriveKind::Fixed);
    EXPECT_FALSE(state.readOnly);
    state = core::DriveStateFromMounts(mounts, "/mnt/network/x"); // "/mnt/net" is no parent of it
    EXPECT_EQ(state.mountPoint, "/");
    EXPECT_EQ(core::DriveStateFromMounts(mounts, "/mnt/net").kind, platform::DriveKind::Network);

    ScratchDir scratch;
    EXPECT_TRUE(core::DriveStateOf(scratch.str()).readable);
    EXPECT_FALSE(core::DriveStateOf((scratch.path() / "missing").string()).readable);
    EXPECT_TRUE(core::DriveStateOf("/proc").readable);
}
