#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/settings/IniFile.h"
#include "support/LibraryTestSupport.h"

namespace {

using core::IniFile;
using librarytest::ReadText;
using librarytest::WriteText;
using testsupport::ScratchDir;

TEST(IniFile, WritingKeepsEveryOtherLineAndAddsMissingKeysAtTheEndOfTheirSection)
{
    IniFile file("; written by hand\n"
                 "[Global]\n"
                 "q3a_dir=C:\\Games\\Quake III Arena\n"
                 "unknown_key=stays\n"
                 "\n"
                 "[Other Program]\n"
                 "x=1\n");
    file.WriteString("global", "Q3A_DIR", "/games/q3");
    file.WriteString("GLOBAL", "ff_key", "kp_enter");
    file.WriteInteger("Sound", "vol_musics", -2500);

    EXPECT_EQ(file.Text(), "; written by hand\r\n"
                           "[Global]\r\n"
                           "q3a_dir=/games/q3\r\n"
                           "unknown_key=stays\r\n"
                           "ff_key=kp_enter\r\n"
                           "\r\n"
                           "[Other Program]\r\n"
                           "x=1\r\n"
                           "\r\n"
                           "[Sound]\r\n"
                           "vol_musics=-2500\r\n");
}

TEST(IniFile, ValuesAreTheTextAfterTheFirstEqualsSignAsStored)
{
    const std::string stored = "\"+set fs_game \\\"osp\\\" +set a=b\" \\ ";
    IniFile file;
    file.WriteString("Global", "q3a_start_param", stored);
    file.WriteString("Global", "q3a_dir", "C:\\Program Files\\Quake III Arena\\");

    const IniFile reread(file.Text());
    EXPECT_EQ(reread.Value("Global", "q3a_start_param"), stored);
    EXPECT_EQ(reread.Value("Global", "q3a_dir"), "C:\\Program Files\\Quake III Arena\\");
    EXPECT_EQ(IniFile("[a]\r\nk==x=\r\n").Value("A", "K"), "=x=");
}

TEST(IniFile, NamesCompareWithoutCaseAndTheFirstOfRepeatedEntriesCounts)
{
    const IniFile file("top=outside any section\n"
                       "[ Demo List ]\n"
                       "  SortColumn = 4\n"
                       ";SortAscending=1\n"
                       "sortcolumn=9\n"
                       "[demo list]\n"
                       "GridStyle=1\n");
    EXPECT_EQ(file.ReadInteger("DEMO LIST", "sortCOLUMN", 0), 4);
    EXPECT_FALSE(file.Value("Demo List", "SortAscending")) << "comment lines hold no keys";
    EXPECT_FALSE(file.Value("Demo List", "GridStyle")) << "a repeated section is not read";
    EXPECT_FALSE(file.Value("", "top"));
    EXPECT_FALSE(file.Value("Play List", "SortColumn"));
}

TEST(IniFile, NumbersThatDoNotParseGiveTheDefault)
{
    struct Case {
        const char* stored;
        int integer;
        bool boolean; // read with default true
    };
    const Case cases[] = {
        {"12", 12, true},          {"-2500", -2500, true}, {" 7 ", 7, true},  {"+3", 3, true},
        {"0", 0, false},           {"", 99, true},         {"1x", 99, true},  {"0x10", 99, true},
        {"99999999999", 99, true}, {"+-1", 99, true},      {"yes", 99, true}, {"2", 2, true},
    };
    for (const Case& c : cases) {
        IniFile file;
        file.WriteString("S", "k", c.stored);
        EXPECT_EQ(file.ReadInteger("S", "k", 99), c.integer) << c.stored;
        EXPECT_EQ(file.ReadBool("S", "k", true), c.boolean) << c.stored;
    }
    EXPECT_FALSE(IniFile().ReadBool("S", "missing", false));
}

TEST(IniFile, ALineBreakInAValueCannotAddLinesToTheFile)
{
    IniFile file("[Global]\nSelected_Folder=/a\n");
    file.WriteString("Global", "Selected_Folder", "/b\r\n[Global]\r\nq3a_dir=/evil");
    EXPECT_EQ(file.Text(), "[Global]\r\nSelected_Folder=/b\r\n");
}

TEST(IniFile, LoadAndSaveOnDisk)
{
    ScratchDir folder;
    const auto path = folder.path() / "Velmora.cfg";
    IniFile file;
    EXPECT_EQ(file.Load(path), IniFile::LoadResult::Missing);
    EXPECT_EQ(file.ReadString("Global", "q3a_dir", "default"), "default");

    WriteText(path, "[Global]\nno_splash=1\nlast line without end=x");
    ASSERT_EQ(file.Load(path), IniFile::LoadResult::Loaded);
    EXPECT_EQ(file.Value("global", "LAST LINE WITHOUT END"), "x");
    file.WriteBool("Global", "no_splash", false);
    ASSERT_TRUE(file.Save(path));
    EXPECT_EQ(ReadText(path), "[Global]\r\nno_splash=0\r\nlast line without end=x\r\n");

    ASSERT_TRUE(IniFile::UpdateFile(path, "Virtual Folders", "DemoFolderFontColor", "255"));
    EXPECT_EQ(
        ReadText(path),
        "[Global]\r\nno_splash=0\r\nlast line without end=x\r\n\r\n[Virtual Folders]\r\nDemoFolderFontColor=255\r\n");

    // A linked configuration file stays linked.
    std::filesystem::create_symlink(path, folder.path() / "link.cfg");
    ASSERT_TRUE(IniFile::UpdateFile(folder.path() / "link.cfg", "Global", "no_hints", "1"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path() / "link.cfg"));
    EXPECT_EQ(IniFile(ReadText(path)).Value("global", "no_hints"), "1");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2) << "no temporary file left";

    EXPECT_EQ(file.Load(folder.path()), IniFile::LoadResult::Unreadable) << "a folder is no file";
    EXPECT_FALSE(file.Save(folder.path() / "missing folder" / "Velmora.cfg"));
}

} // namespace
