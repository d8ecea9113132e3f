#include <gtest/gtest.h>

#include <string>

#include "core/settings/FolderTreeFile.h"
#include "support/LibraryTestSupport.h"

namespace {

using core::FolderNode;
using core::FolderTree;

// Every node as "depth:text:colour:expanded", in tree order.
std::vector<std::string> Outline(const FolderTree& tree)
{
    std::vector<std::string> lines;
    for (FolderNode* node = tree.First(); node; node = tree.Next(*node)) {
        int depth = 0;
        for (const FolderNode* up = node->parent; up; up = up->parent)
            ++depth;
        lines.push_back(std::to_string(depth) + ":" + node->text + ":" + std::to_string(node->colour) + ":" +
                        (node->expanded ? "+" : "-"));
    }
    return lines;
}

TEST(FolderTreeFile, KeepsTextsColoursExpansionAndOrder)
{
    FolderTree tree;
    FolderNode& game = tree.AddRoot("/games/quake3", 0);
    FolderNode& base = tree.AddChild(game, "baseq3", 0);
    tree.AddChild(base, "demos", 0);
    tree.AddChild(base, "12 odd\nname\\with \"all\" of it ", 8421504);
    tree.AddChild(game, "zzz", 8421504);
    tree.SetExpanded(game, true);
    tree.AddRoot("/", 255);

    const std::string text = core::FolderTreeText(tree);
    EXPECT_TRUE(text.starts_with("Velmora Folders 1\n0 0 1 13 /games/quake3\n1 0 0 6 baseq3\n")) << text;

    FolderTree back;
    ASSERT_TRUE(core::ParseFolderTree(text, back));
    EXPECT_EQ(Outline(back), Outline(tree));
    EXPECT_EQ(core::FolderTreeText(back), text);
    EXPECT_EQ(back.Roots()[0]->children[0]->children[1]->parent, back.Roots()[0]->children[0].get());
}

TEST(FolderTreeFile, ADamagedFileAddsNothing)
{
    const std::string header = "Velmora Folders 1\n";
    const std::string cases[] = {
        "",
        "Velmora Folders 2\n0 0 0 1 a\n",
        header + "1 0 0 1 a\n",            // a child without a parent
        header + "0 0 0 1 a\n2 0 0 1 b\n", // two levels down at once
        header + "0 0 0 5 a\n",            // text shorter than its length
        header + "0 0 0 1 ab\n",           // text longer than its length
        header + "0 0 2 1 a\n",            // expanded is 0 or 1
        header + "0 -1 0 1 a\n",
        header + "0 0 0 1 a", // no line end
        header + "0 0 0 99999999999999999999999 a\n",
        header + "0 0 0 1 a\n0 0",
    };
    for (const std::string& text : cases) {
        FolderTree tree;
        tree.AddRoot("/kept", 0);
        EXPECT_FALSE(core::ParseFolderTree(text, tree)) << text;
        EXPECT_EQ(Outline(tree), std::vector<std::string>{"0:/kept:0:-"}) << text;
    }
    FolderTree tree;
    EXPECT_TRUE(core::ParseFolderTree(header, tree)) << "an empty tree is a tree";
    EXPECT_TRUE(tree.Roots().empty());
}

TEST(FolderTreeFile, SaveAndLoadOnDisk)
{
    testsupport::ScratchDir folder;
    const auto file = folder.path() / "Folders";
    FolderTree tree;
    EXPECT_FALSE(core::LoadFolderTree(tree, file)) << "missing";
    tree.AddChild(tree.AddRoot("/a", 1), "b", 2);
    ASSERT_TRUE(core::SaveFolderTree(tree, file));
    FolderTree back;
    ASSERT_TRUE(core::LoadFolderTree(back, file));
    EXPECT_EQ(Outline(back), Outline(tree));
    EXPECT_FALSE(core::SaveFolderTree(tree, folder.path() / "no such folder" / "Folders"));
}

} // namespace
