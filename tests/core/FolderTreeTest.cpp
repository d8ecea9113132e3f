#include <gtest/gtest.h>

#include "core/library/FolderTreeOps.h"
#include "support/LibraryTestSupport.h"
#include "support/ZipBuilder.h"

using namespace core;
using librarytest::WriteText;

namespace {

const FolderColours kColours{0x000000, 0x808080};

class RecordingFeedback : public LibraryFeedback {
public:
    void ShowFolderPath(const std::string& path) override { folderPaths.push_back(path); }
    std::vector<std::string> folderPaths;
};

// "name*" marks a node with the demo colour, "+" an expanded one; children in brackets.
std::string Dump(const FolderNode& node)
{
    std::string text = node.text;
    if (node.colour == kColours.demoFolder)
        text += '*';
    if (node.expanded)
        text += '+';
    if (!node.children.empty()) {
        text += '[';
        for (size_t i = 0; i < node.children.size(); ++i)
            text += (i ? " " : "") + Dump(*node.children[i]);
        text += ']';
    }
    return text;
}

std::vector<uint8_t> ZipWith(const std::string& member)
{
    return testsupport::BuildZip({{.name = member, .data = {1, 2, 3}}});
}

TEST(FolderTree, NodePathsJoinTextsFromTheRoot)
{
    FolderTree tree;
    FolderNode& root = tree.AddRoot("/games/q3", 0);
    FolderNode& child = tree.AddChild(root, "baseq3", 0);
    FolderNode& leaf = tree.AddChild(child, "demos", 0);
    EXPECT_EQ(NodePath(leaf), "/games/q3/baseq3/demos");
    EXPECT_EQ(NodeParentPath(leaf), "/games/q3/baseq3");
    EXPECT_EQ(NodeDriveRoot(leaf), "/");
    EXPECT_EQ(&RootNodeOf(leaf), &root);
    EXPECT_EQ(&RootNodeOf(root), &root);

    FolderNode& bare = tree.AddRoot("data", 0);
    EXPECT_EQ(NodeParentPath(bare), "data");
    EXPECT_EQ(NodeDriveRoot(bare), "data/");
    FolderNode& relative = tree.AddRoot("games/q3", 0);
    EXPECT_EQ(NodeParentPath(relative), "games");
    EXPECT_EQ(NodeDriveRoot(relative), "games/");

    EXPECT_EQ(FindNodeByPath(tree, "/games/q3/baseq3"), &child);
    EXPECT_EQ(FindNodeByPath(tree, "/games/q3/BASEQ3"), nullptr);
    FolderNode& twin = tree.AddRoot("/games/q3/baseq3", 0);
    EXPECT_EQ(FindNodeByPath(tree, "/games/q3/baseq3"), &child) << "the first in tree order wins";
    EXPECT_EQ(FindNodeByPath(tree, NodePath(twin)), &child);
}

TEST(FolderTree, FolderHasDemosJudgesEntriesByName)
{
    testsupport::ScratchDir dir;
    const auto check = [&](const std::string& sub) { return FolderHasDemos((dir.path() / sub).string()); };
    WriteText(dir.path() / "plain/a.DM_48", "x");
    WriteText(dir.path() / "modern/a.dm_68", "x");
    WriteText(dir.path() / "none/a.dm4", "x");
    WriteText(dir.path() / "none/readme.txt", "x");
    testsupport::WriteFile(dir.path() / "pack/pak0.pk3", ZipWith("demos/x.dm3"));
    testsupport::WriteFile(dir.path() / "zipmodern/a.zip", ZipWith("deep/er/x.DM_71"));
    testsupport::WriteFile(dir.path() / "nodemozip/a.zip", ZipWith("demos/x.txt"));
    testsupport::WriteFile(dir.path() / "sfx/setup.exe",
                           testsupport::BuildZip({{.name = "x.dm3", .data = {1}}}, {.exeStubSize = 512}));
    WriteText(dir.path() / "notzip/setup.exe", "MZ not an archive at all");
    WriteText(dir.path() / "broken/a.pk3", "PK\x03\x04 broken");
    std::filesystem::create_directories(dir.path() / "dirname/folder.dm3");

    EXPECT_TRUE(check("plain"));
    EXPECT_TRUE(check("modern"));
    EXPECT_FALSE(check("none"));
    EXPECT_TRUE(check("pack"));
    EXPECT_TRUE(check("zipmodern"));
    EXPECT_FALSE(check("nodemozip"));
    EXPECT_TRUE(check("sfx"));
    EXPECT_FALSE(check("notzip"));
    EXPECT_FALSE(check("broken"));
    EXPECT_TRUE(check("dirname"));
    EXPECT_FALSE(check("does-not-exist"));
}

class FolderTreeOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        // root
        //   a            (no demos)
        //     b          (demos)
        //   c            (no demos)
        //     d          (no demos)
        //   .hidden      (demos, never shown)
        //   Z            (demos in a pack)
        WriteText(m_dir.path() / "a/b/x.dm3", "x");
        WriteText(m_dir.path() / "c/d/readme.txt", "x");
        WriteText(m_dir.path() / ".hidden/x.dm3", "x");
        testsupport::WriteFile(m_dir.path() / "Z/pak0.pk3", ZipWith("demos/y.dm_48"));
    }
    testsupport::ScratchDir m_dir;
    FolderTree m_tree;
    RecordingFeedback m_feedback;
};

TEST_F(FolderTreeOnDisk, BuildColoursDemoFoldersAndExpandTheirAncestors)
{
    FolderNode& root = m_tree.AddRoot(m_dir.str(), kColours.nonDemoFolder);
    BuildFolderTree(m_tree, m_dir.str(), root, kColours, m_feedback);
    EXPECT_EQ(Dump(root), m_dir.str() + "+[a+[b*] c[d] Z*]");
    EXPECT_EQ(m_tree.Selected(), &root);
    EXPECT_EQ(m_feedback.folderPaths.back(), m_dir.str());
    EXPECT_NE(std::find(m_feedback.folderPaths.begin(), m_feedback.folderPaths.end(), m_dir.str() + "/a/b"),
              m_feedback.folderPaths.end());
}

TEST_F(FolderTreeOnDisk, SymbolicLinkLoopsEndTheBranch)
{
    std::filesystem::create_directory_symlink(m_dir.path(), m_dir.path() / "a/loop");
    FolderNode& root = m_tree.AddRoot(m_dir.str(), kColours.nonDemoFolder);
    BuildFolderTree(m_tree, m_dir.str(), root, kColours, m_feedback);
    EXPECT_EQ(Dump(root), m_dir.str() + "+[a+[b*] c[d] Z*]");
}

TEST_F(FolderTreeOnDisk, CutKeepsOnlyPathsToDemoFolders)
{
    FolderNode& root = m_tree.AddRoot(m_dir.str(), kColours.nonDemoFolder);
    BuildFolderTree(m_tree, m_dir.str(), root, kColours, m_feedback);
    FolderNode& later = m_tree.AddRoot("/elsewhere", kColours.nonDemoFolder);
    m_tree.AddChild(later, "empty", kColours.nonDemoFolder);
    FolderNode& earlier = m_tree.AddRoot("/earlier", kColours.nonDemoFolder, &root);

    CutNonDemoFolders(m_tree, *root.children[0]->children[0], kColours);
    ASSERT_EQ(m_tree.Roots().size(), 2u) << "later roots without demos go too, earlier ones stay";
    EXPECT_EQ(m_tree.Roots()[0].get(), &earlier);
    EXPECT_EQ(Dump(root), m_dir.str() + "+[a+[b*] Z*]");
}

TEST_F(FolderTreeOnDisk, RescanRebuildsTheBranchInPlaceAndKeepsTheSelection)
{
    m_tree.AddRoot("/a-first", kColours.nonDemoFolder);
    FolderNode* root = &m_tree.AddRoot(m_dir.str(), kColours.nonDemoFolder);
    m_tree.AddRoot("/zz-last", kColours.nonDemoFolder);
    BuildFolderTree(m_tree, m_dir.str(), *root, kColours, m_feedback);
    m_tree.Select(root->children[1]->children[0].get()); // c/d

    WriteText(m_dir.path() / "c/d/new.dm3", "x");
    RescanBranch(m_tree, kColours, m_feedback);
    ASSERT_EQ(m_tree.Roots().size(), 3u);
    root = m_tree.Roots()[1].get();
    EXPECT_EQ(root->text, m_dir.str());
    EXPECT_EQ(Dump(*root), m_dir.str() + "+[a+[b*] c+[d*] Z*]");
    ASSERT_NE(m_tree.Selected(), nullptr);
    EXPECT_EQ(NodePath(*m_tree.Selected()), m_dir.str() + "/c/d");

    std::filesystem::remove_all(m_dir.path() / "c");
    RescanBranch(m_tree, kColours, m_feedback);
    root = m_tree.Roots()[1].get();
    EXPECT_EQ(m_tree.Selected(), root) << "a selected folder that is gone selects the new root";
    EXPECT_EQ(Dump(*root), m_dir.str() + "+[a+[b*] Z*]");
}

} // namespace
