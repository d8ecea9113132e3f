// Named pipes (and other special files) under the names of files the program reads: every reader
// refuses them at once instead of waiting for a writer that never comes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "core/archive/ZipRead.h"
#include "core/common/FileWrite.h"
#include "core/details/DemoDescription.h"
#include "core/library/FolderTree.h"
#include "core/library/ScanCache.h"
#include "core/library/Scanner.h"
#include "core/pictures/Picture.h"
#include "core/playback/PlayList.h"
#include "core/settings/ColumnSchemes.h"
#include "core/settings/FolderTreeFile.h"
#include "core/settings/IniFile.h"
#include "core/summary/DemoReader.h"
#include "platform/RegularFile.h"
#include "support/DemoBuilder.h"
#include "support/LibraryTestSupport.h"
#include "support/ZipBuilder.h"

using namespace core;

namespace {

class Rows : public ScanTarget {
public:
    void Clear() override { rows.clear(); }
    void AddRow(DemoInfo row) override { rows.push_back(std::move(row)); }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::vector<DemoInfo> rows;
};

std::vector<uint8_t> Demo(const std::string& map)
{
    testsupport::DemoBuilder demo(48);
    demo.Add(testsupport::Message(48).GameState({{0, testsupport::ServerInfo(48, map, "0")}, {1, "\\sv_pure\\1"}}));
    demo.Add(testsupport::Message(48).Snapshot(1000)).End();
    return demo.Bytes();
}

void MakeFifo(const std::filesystem::path& path)
{
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

// Runs `read` and reports whether it finished by itself. A reader that blocks on the pipe is let go
// after a while by opening the other end, so that a fault fails the test instead of hanging it.
bool FinishesWithoutAPartner(const std::vector<std::filesystem::path>& fifos, const std::function<void()>& read)
{
    std::signal(SIGPIPE, SIG_IGN); // a writer let go by a reader that leaves at once
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return true;
    while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        for (const std::filesystem::path& fifo : fifos) {
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    }
    return false;
}

bool FinishesWithoutAPartner(const std::filesystem::path& fifo, const std::function<void()>& read)
{
    return FinishesWithoutAPartner(std::vector<std::filesystem::path>{fifo}, read);
}

} // namespace

TEST(PipesAndDevices, EveryReaderRefusesAPipe)
{
    testsupport::ScratchDir folder;
    const std::filesystem::path dir = folder.path();
    const struct {
        const char* name;
        std::function<void(const std::filesystem::path&)> read;
    } cases[] = {
        {"pipe.dm_48",
         [](const std::filesystem::path& p) {
             const DemoRead read = LoadDemo(p.string(), {}, false);
             EXPECT_TRUE(!read || read->infoString == "\\");
         }},
        {"pipe.pk3",
         [](const std::filesystem::path& p) {
             ZipSearchRec search;
             EXPECT_EQ(FindFirstInZip(p.string(), search), -1);
             uint8_t buffer[16];
             uint32_t size = sizeof buffer;
             EXPECT_EQ(UnzipFileToMemory(p.string(), buffer, size, 0), UnzipResult::CannotOpen);
         }},
        {"pipe.exe", [](const std::filesystem::path& p) { EXPECT_FALSE(IsZipFile(p.string())); }},
        {"pak9.pk3",
         [](const std::filesystem::path& p) {
             Picture picture;
             EXPECT_FALSE(GetPictureFromPak(p.string(), "levelshots\\q3dm1.jpg", picture));
         }},
        {"vmr_scan", [](const std::filesystem::path& p) { EXPECT_TRUE(ScanCache::Load(p).FileText().empty()); }},
        {"list.vmr",
         [](const std::filesystem::path& p) {
             Rows list;
             LibraryFeedback feedback;
             EXPECT_FALSE(LoadPlayListFile(p, list, feedback, ScanSettings{}).ok());
         }},
        {"a.dm_48.description", [](const std::filesystem::path& p) { EXPECT_FALSE(LoadTextLines(p).has_value()); }},
        {"b.dm_48.description", [](const std::filesystem::path& p) { EXPECT_FALSE(SaveTextLines(p, {"x"})); }},
        {"Velmora.cfg",
         [](const std::filesystem::path& p) {
             IniFile ini;
             EXPECT_NE(ini.Load(p), IniFile::LoadResult::Loaded);
         }},
        {"scheme.vcs", [](const std::filesystem::path& p) { EXPECT_FALSE(LoadSchemeFile(p).scheme.has_value()); }},
        {"Folders",
         [](const std::filesystem::path& p) {
             FolderTree tree;
             EXPECT_FALSE(LoadFolderTree(tree, p));
         }},
        {"contents",
         [](const std::filesystem::path& p) {
             std::string text;
             EXPECT_FALSE(ReadFileContents(p, text));
         }},
    };
    for (const auto& c : cases) {
        const std::filesystem::path fifo = dir / c.name;
        MakeFifo(fifo);
        EXPECT_TRUE(FinishesWithoutAPartner(fifo, [&] { c.read(fifo); })) << c.name;
        EXPECT_TRUE(std::filesystem::is_fifo(fifo)) << c.name << ": the pipe is left alone";
    }
}

TEST(PipesAndDevices, ExtractionDoesNotWriteIntoAPipe)
{
    testsupport::ScratchDir folder;
    testsupport::ZipLayout layout;
    testsupport::WriteFile(folder.path() / "a.zip",
                           testsupport::BuildZip({{.name = "a.dm_48", .data = Demo("q3dm1")}}, {}, &layout));
    const std::filesystem::path fifo = folder.path() / "vmrtmp00.dm_48";
    MakeFifo(fifo);
    UnzipResult result = UnzipResult::Ok;
    EXPECT_TRUE(FinishesWithoutAPartner(fifo, [&] {
        result = UnzipFile((folder.path() / "a.zip").string(), fifo.string(), 0, layout.headerOffsets[0]);
    }));
    EXPECT_EQ(result, UnzipResult::WriteError);
    // The other side: a regular file in its place is overwritten.
    const std::filesystem::path plain = folder.path() / "vmrtmp01.dm_48";
    testsupport::WriteFile(plain, std::vector<uint8_t>(100000, 7));
    EXPECT_EQ(UnzipFile((folder.path() / "a.zip").string(), plain.string(), 0, layout.headerOffsets[0]),
              UnzipResult::Ok);
    EXPECT_EQ(std::filesystem::file_size(plain), Demo("q3dm1").size());
}

TEST(PipesAndDevices, AFolderListingSkipsPipesWhateverTheirNames)
{
    testsupport::ScratchDir folder;
    testsupport::WriteFile(folder.path() / "real.dm_48", Demo("q3dm1"));
    std::vector<std::filesystem::path> fifos;
    for (const char* name : {"pipe.dm_48", "pipe.dm3", "pipe.pk3", "pipe.zip", "pipe.exe", "vmr_scan"}) {
        fifos.push_back(folder.path() / name);
        MakeFifo(fifos.back());
    }
    Rows list, playList;
    LibraryFeedback feedback;
    ScanTotals totals;
    const std::string argument = FolderScanArgument(folder.str());
    EXPECT_TRUE(FinishesWithoutAPartner(
        fifos, [&] { ScanDemos(argument, list, playList, feedback, ScanSettings{}, &totals); }));
    ASSERT_EQ(list.rows.size(), 1u);
    EXPECT_EQ(list.rows[0][FieldDemoname], "real.dm_48");
    // The pipe named like the cache is replaced by the new cache file.
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.path() / "vmr_scan"));
    // A pipe handed over by name (a play list line) is not listed either.
    EXPECT_TRUE(FinishesWithoutAPartner(folder.path() / "pipe.dm_48", [&] {
        ScanDemos((folder.path() / "pipe.dm_48").string(), list, playList, feedback, ScanSettings{}, &totals);
    }));
    EXPECT_TRUE(playList.rows.empty());
}

TEST(PipesAndDevices, TheOpenHelperTellsKindsApart)
{
    testsupport::ScratchDir folder;
    testsupport::WriteFile(folder.path() / "plain", {1, 2, 3});
    MakeFifo(folder.path() / "pipe");
    std::filesystem::create_directory(folder.path() / "dir");
    std::filesystem::create_symlink(folder.path() / "plain", folder.path() / "link");
    const struct {
        std::string path;
        bool opens;
        int error;
    } cases[] = {
        {(folder.path() / "plain").string(), true, 0},
        {(folder.path() / "link").string(), true, 0}, // links count as what they name
        {(folder.path() / "pipe").string(), false, ENXIO},
        {(folder.path() / "dir").string(), false, EISDIR},
        {"/dev/null", false, ENXIO},
        {(folder.path() / "missing").string(), false, ENOENT},
    };
    for (const auto& c : cases) {
        errno = 0;
        const int fd = platform::OpenRegularFileForReading(c.path);
        EXPECT_EQ(fd >= 0, c.opens) << c.path;
        if (fd >= 0) {
            char bytes[4];
            EXPECT_EQ(::read(fd, bytes, sizeof bytes), 3) << "blocking reads again";
            EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
            ::close(fd);
        } else {
            EXPECT_EQ(errno, c.error) << c.path;
        }
    }
}
