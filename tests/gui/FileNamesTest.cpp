// File names beyond ASCII, end to end in the real window: the lists, the properties window and
// the user data editor show them as the folder tree does (file-system bytes, UTF-8 here), while
// texts from inside demos keep the game's Latin-1; renaming, moving, play list files and playing
// keep the bytes intact.
#include <QTest>

#include <filesystem>
#include <fstream>

#include "core/library/FolderTreeOps.h"
#include "core/playback/GameLaunch.h"
#include "core/settings/Settings.h"
#include "gui/app/BoxMessageSink.h"
#include "gui/app/MainWindow.h"
#include "gui/common/Commands.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/fileops/FileOperations.h"
#include "gui/fileops/InPlaceEditor.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "platform/GameProcess.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// "финал_düel" and "турнир", "кубок" as the file system holds them (UTF-8).
const std::string kFinal = "\xD1\x84\xD0\xB8\xD0\xBD\xD0\xB0\xD0\xBB_d\xC3\xBC"
                           "el";
const std::string kTournament = "\xD1\x82\xD1\x83\xD1\x80\xD0\xBD\xD0\xB8\xD1\x80";
const std::string kCup = "\xD0\xBA\xD1\x83\xD0\xB1\xD0\xBE\xD0\xBA";

QString Text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString Cell(gui::ListPane& pane, int row, int column)
{
    return pane.Model().data(pane.Model().index(row, column), Qt::DisplayRole).toString();
}

int RowNamed(const gui::ListPane& pane, const std::string& name)
{
    return static_cast<int>(Names(pane).indexOf(Text(name)));
}

} // namespace

class FileNamesTest : public QObject {
    Q_OBJECT
private slots:
    void messagesDecodeNamesAndGameTexts();
    void namesBeyondAsciiEndToEnd();
};

void FileNamesTest::messagesDecodeNamesAndGameTexts()
{
    const struct {
        std::string bytes;
        QString shown;
    } cases[] = {
        {"Overwrite file ?\r\n/demos/" + kFinal + ".dm_68",
         QStringLiteral("Overwrite file ?\n/demos/") + Text(kFinal) + QStringLiteral(".dm_68")},
        {"Could not copy file caf\xE9.dm_48!", QStringLiteral("Could not copy file caf\u00E9.dm_48!")}, // no UTF-8
        {"plain\n\rtext", QStringLiteral("plain\ntext")},
    };
    for (const auto& c : cases)
        QCOMPARE(gui::MessageText(c.bytes), c.shown);
}

void FileNamesTest::namesBeyondAsciiEndToEnd()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    const fs::path folder = demos / kTournament;
    const fs::path cup = demos / kCup;
    // A player name with a Latin-1 byte: texts from inside the demo keep the game's rule.
    sandbox.AddModernDemo(folder / (kFinal + ".dm_68"), 68, {"J\xF6rg"});
    fs::create_directories(cup);
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    if (core::Settings.work_readonly)
        window->Cmds().readOnly->trigger();
    gui::FolderTreePane& tree = window->TreePane();
    core::FolderNode* node = core::FindNodeByPath(tree.Tree(), folder.string());
    QVERIFY(node);
    tree.SelectNode(node);
    QCOMPARE(window->CurrentFolder(), folder.string());
    QCOMPARE(tree.Model().data(tree.Model().IndexOf(node), Qt::DisplayRole).toString(), Text(kTournament));

    // The list: name and location as the tree shows them.
    gui::DemoListPane& list = window->DemoList();
    const std::string name = kFinal + ".dm_68";
    int row = RowNamed(list, name);
    QVERIFY(row >= 0);
    QCOMPARE(Cell(list, row, core::FieldDemoname), Text(name));
    QCOMPARE(Cell(list, row, core::FieldLocation), QString::fromStdString(folder.string()));

    // Properties and the user data editor.
    gui::DemoDetails& details = *window->findChild<gui::DemoDetails*>();
    list.SelectRows({row}, false);
    list.PropertiesAction()->trigger();
    QVERIFY(details.Properties());
    QCOMPARE(details.Properties()->windowTitle(), QStringLiteral("Properties of ") + Text(name));
    QCOMPARE(details.Properties()->Value(QStringLiteral("Name:")), Text(name));
    list.EditUserDataAction()->trigger();
    QVERIFY(details.Editor());
    QCOMPARE(details.Editor()->windowTitle(), QStringLiteral("Edit User Data of ") + Text(name));
    QCOMPARE(details.Editor()->Pov().itemText(1), QStringLiteral("J\u00F6rg"));
    details.Editor()->close();
    details.Properties()->close();
    QTRY_VERIFY(!details.Properties());

    // Renaming in place: the editor starts from the name as shown, the new name reaches the disk.
    const std::string renamed = "\xD0\xB2\xD1\x82\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB9_d\xC3\xBC"
                                "el";
    list.SelectRows({row}, false);
    list.RenameAction()->trigger();
    gui::InPlaceEditor* editor = window->findChild<gui::FileOperations*>()->Editor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), Text(name));
    editor->setText(Text(renamed));
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(fs::exists(folder / (renamed + ".dm_68")));
    row = RowNamed(list, renamed + ".dm_68");
    QVERIFY(row >= 0);
    QCOMPARE(Cell(list, row, core::FieldDemoname), Text(renamed + ".dm_68"));

    // The play list file keeps the name, and the list shows it after loading.
    list.SelectRows({row}, false);
    window->MoveToPlayList();
    gui::PlayListPane& play = window->PlayList();
    QCOMPARE(play.Model().rowCount(), 1);
    const fs::path playListFile = sandbox.Root() / (kCup + ".vmr");
    window->SavePlayList(Text(playListFile.string()));
    QVERIFY(fs::exists(playListFile));
    play.SelectAllRows();
    play.RemoveSelected();
    window->LoadPlayList(Text(playListFile.string()));
    QCOMPARE(play.Model().rowCount(), 1);
    QCOMPARE(Cell(play, 0, core::FieldDemoname), Text(renamed + ".dm_68"));
    QCOMPARE(Cell(play, 0, core::FieldLocation), QString::fromStdString(folder.string()));
    QVERIFY(play.NameLabelText().contains(Text(kCup)));

    // Playing: the game's console cannot take such a name, so a copy under the temporary name plays.
    const fs::path script = sandbox.Game() / "baseoa" / core::kPlayScriptName;
    const fs::path copy = demos / "vmrtmp00.dm_68";
    play.SelectRows({0}, false);
    play.PlayAction()->trigger();
    QVERIFY(fs::exists(script));
    QVERIFY(ReadFile(script).find("\"demo vmrtmp00.dm_68; ") != std::string::npos);
    QCOMPARE(ReadFile(copy), ReadFile(folder / (renamed + ".dm_68")));
    QTRY_COMPARE(platform::Game().ChildPid(), -1);

    // Moving onto another folder of the tree: the file arrives under its name.
    list.SelectRows({RowNamed(list, renamed + ".dm_68")}, false);
    QVERIFY(DropOnTreeNode(*window, core::FindNodeByPath(tree.Tree(), cup.string())));
    QVERIFY(fs::exists(cup / (renamed + ".dm_68")));
    QCOMPARE(list.Model().rowCount(), 0);
    QVERIFY(sink.shown.empty());
}

VELMORA_GUI_TEST(FileNamesTest)
#include "FileNamesTest.moc"
