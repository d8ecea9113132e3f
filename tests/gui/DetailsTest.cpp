// The details windows on real widgets: the properties window of a team demo on every tab, the
// level shot search through the packs, "Playlist", the user data editor's Apply, the bulk user
// data commands and the player description.
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "core/details/DemoDescription.h"
#include "core/details/DetailRules.h"
#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/common/PaletteColours.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/details/UserTab.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/ListViews.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/DemoBuilder.h"
#include "support/Recorder.h"
#include "support/TgaBuilder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Tga(int width, int height, uint32_t colour)
{
    testsupport::TgaImage image;
    image.width = static_cast<uint16_t>(width);
    image.height = static_cast<uint16_t>(height);
    image.pixels.assign(static_cast<size_t>(width * height), colour);
    return testsupport::BuildTga(image);
}

void WritePack(const fs::path& path, const std::vector<testsupport::ZipMember>& members)
{
    fs::create_directories(path.parent_path());
    testsupport::WriteFile(path, testsupport::BuildZip(members));
}

// A Capture the Flag demo on a custom map: a red leader with a head model, a blue bot and a
// spectator, with a score report.
std::vector<uint8_t> TeamDemo()
{
    using testsupport::Message;
    testsupport::DemoBuilder demo(48);
    const std::string info = testsupport::ServerInfo(
        48, "ctfspace", "4", "\\g_redteam\\Stroggs\\g_blueteam\\Pagans\\sv_privateClients\\2\\sv_maxclients\\0");
    demo.Add(Message(48).GameState({{0, info},
                                    {1, "\\sv_pure\\1\\sv_cheats\\0"},
                                    {3, "Space CTF"},
                                    {544, "n\\^1Red^7Boss\\t\\1\\model\\sarge/red\\hmodel\\*james/default\\tl\\1"},
                                    {545, "n\\Blu\\t\\2\\model\\grunt\\hmodel\\grunt\\skill\\3.000000"},
                                    {546, "n\\Watcher\\t\\3\\model\\sarge\\hmodel\\sarge"}}));
    demo.Add(Message(48).ServerCommand(1, "cs 21 \"10000\"\n").Snapshot(10000));
    demo.Add(Message(48).ServerCommand(2, "cs 6 \"3\"\n").Snapshot(10500));
    demo.Add(Message(48).ServerCommand(3, "cs 7 \"1\"\n").Snapshot(11000));
    demo.Add(Message(48)
                 .ServerCommand(4, "scores 2 3 1 0 12 50 1 0 0 77 2 3 1 4 5 0 6 1 5 60 1 0 0 10 0 0 0 0 0 0 0")
                 .Snapshot(11500));
    demo.End();
    return demo.Bytes();
}

int RowNamed(gui::ListPane& pane, const QString& name)
{
    const QStringList names = Names(pane);
    return static_cast<int>(names.indexOf(name));
}

gui::DemoDetails& Details(gui::MainWindow& window)
{
    return *window.findChild<gui::DemoDetails*>();
}

void List(gui::MainWindow& window, const fs::path& folder)
{
    core::FolderNode* node = core::FindNodeByPath(window.TreePane().Tree(), folder.string());
    QVERIFY(node);
    window.TreePane().SelectNode(node);
    QCOMPARE(window.CurrentFolder(), folder.string());
}

QListWidgetItem* ItemWith(QListWidget& list, const QString& text)
{
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->text() == text)
            return list.item(i);
    return nullptr;
}

} // namespace

class DetailsTest : public QObject {
    Q_OBJECT
private slots:
    void levelShotCandidatesInOrder();
    void playerRules();
    void propertiesOfATeamDemo();
    void propertiesShowWhatTheReaderFound();
    void editorApplyWritesFileAndRow();
    void bulkUserDataCommands();
    void editorOffersTheRowsPlayers();
    void userDataCellClicksKeepSelectionAndPlace();
};

void DetailsTest::levelShotCandidatesInOrder()
{
    QTemporaryDir dir;
    const fs::path game(dir.path().toStdString());
    for (const char* pack : {"baseq3/pak0.pk3", "baseq3/zmaps.pk3", "baseq3/amap.PK3", "baseq3/mymap.pk3",
                             "mymod/mod1.pk3", "mymod/baseq3.pk3", "baseq3/notapack.txt"})
        WritePack(game / pack, {{.name = "x", .data = {1}}});
    core::LevelShotSearch search;
    search.gameDirectory = game.string();
    search.baseFolder = "baseq3";
    search.baseDirectory = (game / "baseq3").string();
    search.modDirectory = (game / "mymod").string();
    search.referencedPaks = "baseq3/zmaps  other/extra baseq3/mymap";
    const std::vector<std::string> expected = {"baseq3/mymap.pk3", "baseq3/zmaps.pk3", "other/extra.pk3",
                                               "baseq3/mymap.pk3", "mymod/baseq3.pk3", "mymod/mod1.pk3",
                                               "baseq3/amap.PK3"};
    QCOMPARE(core::LevelShotCandidates("mymap", search), expected);
    // No referenced packs and no mod: the base packs but the main one.
    search.referencedPaks = "N/A";
    search.modDirectory = search.baseDirectory;
    QCOMPARE(core::LevelShotCandidates("other", search),
             (std::vector<std::string>{"baseq3/amap.PK3", "baseq3/mymap.pk3", "baseq3/zmaps.pk3"}));
    QVERIFY(core::IsStandardMap("q3dm17"));
    QVERIFY(!core::IsStandardMap("Q3DM17"));
    QVERIFY(!core::IsStandardMap("q3dm20"));
}

void DetailsTest::playerRules()
{
    QCOMPARE(core::HeadIconPath("*james/default").value(), std::string("heads\\james\\icon_default.tga"));
    QCOMPARE(core::HeadIconPath("sarge").value(), std::string("sarge\\icon_default.tga"));
    QVERIFY(!core::HeadIconPath("N/A"));
    QCOMPARE(core::ModelIconPath("sarge"), std::string("sarge\\icon_default.tga"));
    QCOMPARE(core::ModelIconPath("sarge/red"), std::string("sarge\\icon_red.tga"));
    QCOMPARE(core::ModelIconPath("/odd"), std::string("/odd\\icon_default.tga"));
    QCOMPARE(core::ModelName("sarge/red"), std::string("sarge"));

    core::Player player;
    player.skill = core::kAbsentSkill;
    player.team = 2;
    player.leader = true;
    QCOMPARE(core::PlayerIconIndex(player, "Stroggs", "The Fallen"), 15);
    player.team = 1;
    QCOMPARE(core::PlayerIconIndex(player, "Crusaders", "x"), 6);
    QCOMPARE(core::PlayerIconIndex(player, "Unknown side", "x"), -1);
    player.skill = 4.4;
    QCOMPARE(core::PlayerIconIndex(player, "x", "x"), 3);
    QCOMPARE(core::ClassText(player), std::string("BOT/SKILL4"));
    player.team = 3;
    QCOMPARE(core::PlayerIconIndex(player, "x", "x"), 5);
    QCOMPARE(core::ClassText(player), std::string("SPECT"));

    QCOMPARE(core::GameTypeText("6", "baseq3"), std::string("6"));
    QCOMPARE(core::GameTypeText("6", "missionpack"), std::string("Overload"));
    QCOMPARE(core::GameTypeText("4", "baseq3"), std::string("Capture the Flag"));
    QCOMPARE(core::GameTypeText("7", "cpma"), std::string("Capture Strike"));
    QCOMPARE(core::GameTypeText("12", "baseq3"), std::string("12"));
    QCOMPARE(core::GameTypeText("x", "baseq3"), std::string("N/A"));
    QCOMPARE(core::ModText("N/A", "baseq3"), std::string("Quake III Arena"));
    // Counted in characters: 100 Cyrillic letters are 200 bytes of the file name.
    const QString cyrillic(120, QChar(0x0444));
    const struct {
        QString name;
        QString shown;
    } names[] = {
        {QStringLiteral("x:y:z.dm_48"), QStringLiteral("y:z.dm_48")},
        {QStringLiteral("plain.dm_68"), QStringLiteral("plain.dm_68")},
        {cyrillic.left(100), cyrillic.left(100)},
        {cyrillic.left(101), cyrillic.left(100)},
        {QStringLiteral("a:") + cyrillic, cyrillic.left(100)},
    };
    for (const auto& n : names)
        QCOMPARE(gui::ShownDemoName(n.name), n.shown);
    QCOMPARE(core::MissionPackTeamIcon("The Fallen", false), std::string("team_icon\\TheFallen_blue.tga"));
}

void DetailsTest::propertiesOfATeamDemo()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    testsupport::WriteBytes((folder / "team.dm_48").string(), TeamDemo());
    auto window = sandbox.Start();
    QVERIFY(window);
    // The packs of the game's base folder, whichever the settings name.
    const fs::path base = core::Settings.game.baseDirectory;
    WritePack(base / "pak0.pk3", {{.name = "gfx/2d/defer.tga", .data = Tga(4, 4, 0xFF0000FF)},
                                  {.name = "models/flags/r_flag2.tga", .data = Tga(8, 8, 0xFFFF0000)}});
    // The level shot is only a TGA, in the pack named after the map.
    WritePack(base / "ctfspace.pk3", {{.name = "levelshots/ctfspace.tga", .data = Tga(200, 150, 0xFF00FF00)}});
    WritePack(base / "zz-heads.pk3",
              {{.name = "models/players/heads/james/icon_default.tga", .data = Tga(16, 16, 0xFF00FFFF)}});
    List(*window, folder);
    gui::DemoListPane& demos = window->DemoList();
    const int row = RowNamed(demos, QStringLiteral("team.dm_48"));
    QVERIFY(row >= 0);
    demos.SelectRows({row}, false);
    demos.PropertiesAction()->trigger();
    gui::PropertiesWindow* prop = Details(*window).Properties();
    QVERIFY(prop);
    QVERIFY(prop->isVisible());
    QCOMPARE(gui::BusyCount.load(), 0);

    QCOMPARE(prop->windowTitle(), QStringLiteral("Properties of team.dm_48"));
    QCOMPARE(prop->Value(QStringLiteral("Map:")), QStringLiteral("ctfspace.bsp"));
    QCOMPARE(prop->MapTitleText(), QStringLiteral("Space CTF"));
    QCOMPARE(prop->Value(QStringLiteral("Gametype:")), QStringLiteral("Capture the Flag"));
    QCOMPARE(prop->Value(QStringLiteral("Private Clients:")), QStringLiteral("N/A"));
    QCOMPARE(prop->Value(QStringLiteral("Pure Server:")), QStringLiteral("YES"));
    QCOMPARE(prop->Value(QStringLiteral("Max Clients:")), QStringLiteral("N/S"));
    QCOMPARE(prop->LevelShotPack(), (base / "ctfspace.pk3").string());
    QCOMPARE(prop->LevelShot().size(), QSize(200, 150));
    QCOMPARE(prop->LevelShot().pixel(10, 10), 0xFF00FF00u);

    // Players: score suffixes in team colours, leader and bot icons; the spectator has no score.
    QListWidget& players = prop->PlayerList();
    QCOMPARE(players.count(), 3);
    QListWidgetItem* red = ItemWith(players, QStringLiteral("RedBoss (12)"));
    QListWidgetItem* bot = ItemWith(players, QStringLiteral("Blu (5)"));
    QListWidgetItem* spectator = ItemWith(players, QStringLiteral("Watcher"));
    QVERIFY(red && bot && spectator);
    QCOMPARE(red->data(gui::RawTextRole).toByteArray(), QByteArray("^1Red^7Boss ^1(12)"));
    QCOMPARE(bot->data(gui::RawTextRole).toByteArray(), QByteArray("Blu ^4(5)"));
    QCOMPARE(red->data(gui::IconIndexRole).toInt(), 12); // the leader of the red "stroggs"
    QCOMPARE(bot->data(gui::IconIndexRole).toInt(), 2);  // a bot of skill 3
    QCOMPARE(spectator->data(gui::IconIndexRole).toInt(), 5);

    // The course list holds the demo's course log, nothing selected.
    QListWidget& course = prop->CourseList();
    QCOMPARE(course.count(), static_cast<int>(prop->Demo().courseLog.size()));
    QVERIFY(course.count() > 0);
    QVERIFY(course.selectedItems().isEmpty());

    // No user data yet: the sample.
    QCOMPARE(prop->User().Rating(), QStringLiteral("666"));
    QCOMPARE(prop->User().Pov(), std::string("^1S^2a^3m^4p^5l^6e ^7P^0l^1a^2y^3e^4r"));
    QVERIFY(prop->User().LinkActive());

    // "Playlist" adds the row and then removes it again.
    gui::PlayListPane& playList = window->PlayList();
    QVERIFY(prop->PlayListButton().isEnabled());
    QVERIFY(prop->PlayListAdds());
    QTest::mouseClick(&prop->PlayListButton(), Qt::LeftButton);
    QCOMPARE(Names(playList), QStringList{QStringLiteral("team.dm_48")});
    QCOMPARE(playList.SelectedRows(), std::vector<int>{0});
    QVERIFY(!prop->PlayListAdds());
    QTest::mouseClick(&prop->PlayListButton(), Qt::LeftButton);
    QCOMPARE(playList.Model().rowCount(), 0);
    QVERIFY(prop->PlayListAdds());

    // The red leader's description: head icon from the pack that holds it, the red flag.
    const int redIndex = players.row(red);
    prop->OpenPlayer(redIndex);
    gui::PlayerWindow* player = prop->ShownPlayerWindow();
    QVERIFY(player);
    QCOMPARE(player->windowTitle(), QStringLiteral("RedBoss"));
    QCOMPARE(player->Value(QStringLiteral("Class:")), QStringLiteral("HUMAN"));
    QCOMPARE(player->Value(QStringLiteral("Score:")), QStringLiteral("12"));
    QCOMPARE(player->Value(QStringLiteral("Team:")), QStringLiteral("Stroggs"));
    QCOMPARE(player->Value(QStringLiteral("Teamscore:")), QStringLiteral("3:1"));
    QCOMPARE(player->Value(QStringLiteral("Accuracy:")), QStringLiteral("77%"));
    QCOMPARE(player->Value(QStringLiteral("Captures:")), QStringLiteral("6"));
    QCOMPARE(player->Value(QStringLiteral("Defends:")), QStringLiteral("4"));
    QVERIFY(player->LeaderShown());
    QCOMPARE(player->ModelPack(), (base / "zz-heads.pk3").string());
    QCOMPARE(player->ModelPicture(), std::string("models\\players\\heads\\james\\icon_default.tga"));
    QCOMPARE(player->TeamPicture(), std::string("models\\flags\\r_flag2.tga"));

    // The spectator: no awards, no team score, the default picture of the main pack.
    prop->OpenPlayer(players.row(spectator));
    QCOMPARE(prop->ShownPlayerWindow(), player);
    QCOMPARE(player->Value(QStringLiteral("Class:")), QStringLiteral("SPECT"));
    QCOMPARE(player->Value(QStringLiteral("Accuracy:")), QString());
    QVERIFY(!player->TeamScoreShown());
    QCOMPARE(player->ModelPicture(), std::string("gfx\\2d\\defer.tga"));

    // The player's description file is written and, emptied, removed again.
    const fs::path descr = core::PlayerDescriptionPath(core::Settings.paths.playerDataDirectory, "Watcher");
    player->Description().setPlainText(QStringLiteral("camps\nalways"));
    QVERIFY(player->ApplyButton().isEnabled());
    QTest::mouseClick(&player->ApplyButton(), Qt::LeftButton);
    QCOMPARE(ReadFile(descr), std::string("camps\r\nalways\r\n"));
    player->Description().clear();
    player->Apply();
    QVERIFY(!fs::exists(descr));

    // A busy count keeps the window open; closing frees it and the player window.
    {
        const gui::BusyScope busy;
        QVERIFY(!prop->close());
    }
    QVERIFY(gui::DragsSuspended()); // no drags from the lists while the window exists
    QVERIFY(prop->close());
    QTRY_VERIFY(!Details(*window).Properties());
    QVERIFY(!gui::DragsSuspended());
}

void DetailsTest::propertiesShowWhatTheReaderFound()
{
    // The reader shows nothing itself: the window shows a damaged demo's messages, once.
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    std::vector<uint8_t> cut = TeamDemo();
    cut.resize(cut.size() - 8); // no end marker: the walk reads on into a broken header
    cut.resize(cut.size() + 2, 0xFF);
    testsupport::WriteBytes((folder / "cut.dm_48").string(), cut);
    auto window = sandbox.Start();
    QVERIFY(window);
    List(*window, folder);
    sink.shown.clear();
    gui::DemoListPane& demos = window->DemoList();
    demos.SelectRows({RowNamed(demos, QStringLiteral("cut.dm_48"))}, false);
    demos.PropertiesAction()->trigger();
    gui::PropertiesWindow* prop = Details(*window).Properties();
    QVERIFY(prop);
    QCOMPARE(sink.shown.size(), size_t(1));
    QCOMPARE(sink.shown[0].title, std::string("Debug"));
    QVERIFY(sink.shown[0].text.starts_with("Parsing Error ("));
    QCOMPARE(prop->Value(QStringLiteral("Map:")), QStringLiteral("ctfspace.bsp"));
    QCOMPARE(prop->Value(QStringLiteral("Size:")), QString::fromStdString(core::FormatReaderSize(cut.size())));
}

void DetailsTest::editorApplyWritesFileAndRow()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    const fs::path other = sandbox.Game() / "baseoa" / "other";
    testsupport::WriteBytes((folder / "team.dm_48").string(), TeamDemo());
    sandbox.AddDemo(other / "x.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    List(*window, folder);
    gui::DemoListPane& demos = window->DemoList();
    const int row = RowNamed(demos, QStringLiteral("team.dm_48"));
    demos.SelectRows({row}, false);
    demos.EditUserDataAction()->trigger();
    gui::UserDataEditor* editor = Details(*window).Editor();
    QVERIFY(editor);
    QCOMPARE(editor->windowTitle(), QStringLiteral("Edit User Data of team.dm_48"));
    // The choices: the marker entry and every player but the spectator.
    QCOMPARE(editor->Pov().count(), 3);
    QCOMPARE(editor->Pov().currentIndex(), -1);
    QVERIFY(!editor->ApplyButton().isEnabled());

    editor->Pov().setCurrentIndex(1);
    editor->Rating().setText(QStringLiteral("007"));
    editor->Web().setEditText(QStringLiteral("www.example.org"));
    // Grey, as dark as reading on the field takes.
    const QColor grey = editor->WebColour();
    QVERIFY(grey.red() == grey.green() && grey.green() == grey.blue() && grey.red() > 64 && grey.red() < 128);
    QVERIFY(gui::ContrastRatio(grey, editor->Web().lineEdit()->palette().color(QPalette::Base)) >= 4.5);
    editor->Description().setPlainText(QStringLiteral("first\nsecond"));
    QVERIFY(editor->ApplyButton().isEnabled());
    QTest::mouseClick(&editor->ApplyButton(), Qt::LeftButton);
    const fs::path file = core::DemoDescriptionPath(core::Settings.paths.demoDataDirectory, "team.dm_48");
    QCOMPARE(ReadFile(file), std::string("^1Red^7Boss\r\n007\r\nwww.example.org\r\nfirst\r\nsecond\r\n"));
    const core::DemoInfo& info = demos.Model().Row(row).info;
    QCOMPARE(info[core::FieldPOV], std::string("RedBoss"));
    QCOMPARE(info[core::FieldRating], std::string("007"));
    QCOMPARE(info[core::FieldDescription], std::string("first"));
    QVERIFY(!editor->ApplyButton().isEnabled());

    // Reopened, the editor shows what was stored; a scheme in capitals draws black.
    demos.EditUserDataAction()->trigger();
    QCOMPARE(editor->Pov().Chosen(), std::string("^1Red^7Boss"));
    QCOMPARE(editor->Description().toPlainText(), QStringLiteral("first\nsecond"));
    editor->Web().setEditText(QStringLiteral("HTTP://example.org"));
    QCOMPARE(editor->WebColour(), QColor(0, 0, 0));

    // With another folder in the tree, Apply changes the file but no row.
    List(*window, other);
    editor->Description().setPlainText(QStringLiteral("changed"));
    editor->Apply();
    QVERIFY(ReadFile(file).find("changed") != std::string::npos);
    QVERIFY(RowNamed(demos, QStringLiteral("team.dm_48")) < 0);

    // Clearing every field (rating "0") deletes the file.
    List(*window, folder);
    demos.SelectRows({RowNamed(demos, QStringLiteral("team.dm_48"))}, false);
    demos.EditUserDataAction()->trigger();
    editor->Pov().setCurrentIndex(0); // "<<NO POV ENTRY>>" clears the choice
    QCOMPARE(editor->Pov().currentIndex(), -1);
    editor->Rating().setText(QStringLiteral("0"));
    editor->Web().setEditText(QString());
    editor->Description().clear();
    QTest::mouseClick(&editor->OkButton(), Qt::LeftButton);
    QVERIFY(!fs::exists(file));
    QTRY_VERIFY(!Details(*window).Editor());
    const core::DemoInfo& cleared = demos.Model().Row(RowNamed(demos, QStringLiteral("team.dm_48"))).info;
    QCOMPARE(cleared[core::FieldDescription], std::string());
    QCOMPARE(cleared[core::FieldPOV], std::string());
}

void DetailsTest::bulkUserDataCommands()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(folder / "a.dm_48", 48, 200, 1);
    sandbox.AddDemo(folder / "b.dm_48", 48, 200, 2);
    auto window = sandbox.Start();
    QVERIFY(window);
    List(*window, folder);
    const fs::path data = core::Settings.paths.demoDataDirectory;
    QVERIFY(core::SaveTextLines(data / "a.dm_48.description", {"^1Bob", "5", "http://old", "text"}));
    gui::DemoListPane& demos = window->DemoList();
    demos.SelectAllRows();
    gui::DemoDetails& details = Details(*window);

    // The preset answer, or cancelling, does nothing.
    details.askText = [](const QString&, const QString&, const QString& preset) { return std::optional(preset); };
    demos.SameWebLocationAction()->trigger();
    QVERIFY(!fs::exists(data / "b.dm_48.description"));

    // An empty answer: an empty third line in the existing file, marker, marker, empty in a new one.
    details.askText = [](const QString&, const QString&, const QString&) { return std::optional(QString()); };
    demos.SameWebLocationAction()->trigger();
    QCOMPARE(ReadFile(data / "a.dm_48.description"), std::string("^1Bob\r\n5\r\n\r\ntext\r\n"));
    QCOMPARE(ReadFile(data / "b.dm_48.description"), std::string("\x01\r\n\x01\r\n\r\n"));

    details.askText = [](const QString&, const QString&, const QString&) {
        return std::optional(QStringLiteral("http://new"));
    };
    demos.SameWebLocationAction()->trigger();
    for (const QString& name : {QStringLiteral("a.dm_48"), QStringLiteral("b.dm_48")})
        QCOMPARE(demos.Model().Row(RowNamed(demos, name)).info[core::FieldWeb], std::string("http://new"));
    QCOMPARE(ReadFile(data / "a.dm_48.description"), std::string("^1Bob\r\n5\r\nhttp://new\r\ntext\r\n"));

    // Clearing asks first; No keeps the files.
    sink.answer = false;
    demos.ClearUserDataAction()->trigger();
    QCOMPARE(sink.shown.back().text, std::string("Really delete all User Data for the 2 selected demos?"));
    QVERIFY(fs::exists(data / "a.dm_48.description"));
    sink.answer = true;
    demos.ClearUserDataAction()->trigger();
    QVERIFY(!fs::exists(data / "a.dm_48.description"));
    QVERIFY(!fs::exists(data / "b.dm_48.description"));
    QCOMPARE(demos.Model().Row(0).info[core::FieldWeb], std::string());
}

QStringList PovChoices(gui::UserDataEditor& editor)
{
    QStringList choices;
    for (int i = 0; i < editor.Pov().count(); ++i)
        choices.append(editor.Pov().itemText(i));
    return choices;
}

void DetailsTest::editorOffersTheRowsPlayers()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    testsupport::WriteBytes((folder / "team.dm_48").string(), TeamDemo());
    sandbox.AddModernDemo(folder / "other.dm_68", 68, {"Anarki", "Klesk"});
    auto window = sandbox.Start();
    QVERIFY(window);
    List(*window, folder);
    gui::DemoListPane& demos = window->DemoList();
    gui::DemoDetails& details = Details(*window);
    const QStringList teamPlayers{QStringLiteral("<<NO POV ENTRY>>"), QStringLiteral("RedBoss"), QStringLiteral("Blu")};
    const QStringList otherPlayers{QStringLiteral("<<NO POV ENTRY>>"), QStringLiteral("Anarki"),
                                   QStringLiteral("Klesk")};

    // The properties window shows the team demo; the editor of either row offers that row's players.
    demos.SelectRows({RowNamed(demos, QStringLiteral("team.dm_48"))}, false);
    demos.PropertiesAction()->trigger();
    QVERIFY(details.Properties());
    const struct {
        const char* row;
        QStringList players;
    } cases[] = {{"other.dm_68", otherPlayers}, {"team.dm_48", teamPlayers}, {"other.dm_68", otherPlayers}};
    for (const auto& c : cases) {
        demos.SelectRows({RowNamed(demos, QString::fromLatin1(c.row))}, false);
        demos.EditUserDataAction()->trigger();
        QVERIFY(details.Editor());
        QCOMPARE(details.Editor()->windowTitle(), QStringLiteral("Edit User Data of ") + QString::fromLatin1(c.row));
        QCOMPARE(PovChoices(*details.Editor()), c.players);
    }
    // The properties window's own "&Userdata" offers its demo's players.
    details.Editor()->close();
    QTRY_VERIFY(!details.Editor());
    details.OpenEditorFor("team.dm_48", folder.string());
    QCOMPARE(PovChoices(*details.Editor()), teamPlayers);
}

void DetailsTest::userDataCellClicksKeepSelectionAndPlace()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    for (int i = 10; i < 22; ++i)
        sandbox.AddModernDemo(folder / ("d" + std::to_string(i) + ".dm_68"), 68, {"Player" + std::to_string(i)});
    auto window = sandbox.Start();
    QVERIFY(window);
    window->setGeometry(0, 0, 760, 560);
    List(*window, folder);
    gui::DemoListPane& demos = window->DemoList();
    demos.SortBy(0, true);
    gui::DemoDetails& details = Details(*window);
    // The user data columns lie off to the right, between wide columns, so that the list scrolls
    // to any of them.
    core::ColumnScheme layout = demos.DefaultColumns();
    const std::vector<int> order = {0,  1,  2,  22, 23, 24, 25, 3,  4,  5,  6,  7,  8, 9,
                                    10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 26};
    for (int column = 0; column < core::DemoFieldCount; ++column) {
        layout.order[static_cast<size_t>(column)] = order[static_cast<size_t>(column)];
        layout.widths[static_cast<size_t>(column)] = column <= core::FieldRecorded ? 300 : 0;
    }
    layout.widths[core::FieldLocation] = 900;
    for (const int column : {core::FieldPOV, core::FieldRating, core::FieldWeb, core::FieldDescription})
        layout.widths[static_cast<size_t>(column)] = 20 + 2 * (column - core::FieldPOV);
    demos.ApplyColumns(layout);
    gui::DetailsView& view = demos.DetailsPart();
    QScrollBar& scroll = *view.horizontalScrollBar();

    const struct {
        int column;
        QWidget* (*field)(gui::UserDataEditor&);
    } cases[] = {
        {core::FieldPOV, [](gui::UserDataEditor& e) -> QWidget* { return &e.Pov(); }},
        {core::FieldRating, [](gui::UserDataEditor& e) -> QWidget* { return &e.Rating(); }},
        {core::FieldWeb, [](gui::UserDataEditor& e) -> QWidget* { return &e.Web(); }},
        {core::FieldDescription, [](gui::UserDataEditor& e) -> QWidget* { return &e.Description(); }},
    };
    int clickedRow = 5;
    for (const auto& c : cases) {
        if (details.Editor()) {
            details.Editor()->close();
            QTRY_VERIFY(!details.Editor());
        }
        demos.SelectRows({0, 1}, false);
        // The clicked column stands at the left of the list, a row low enough for the editor.
        scroll.setValue(view.header()->sectionPosition(c.column));
        const int scrolled = scroll.value();
        QVERIFY(scrolled > 0);
        ++clickedRow;
        const QRect cell = view.visualRect(demos.Model().index(clickedRow, c.column));
        QVERIFY(cell.isValid());
        const QPoint at = cell.center();
        const QPoint global = view.viewport()->mapToGlobal(at);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);

        // The other selected rows stay selected, the list stays where it was.
        QCOMPARE(demos.SelectedRows(), (std::vector<int>{0, 1, clickedRow}));
        QCOMPARE(scroll.value(), scrolled);
        gui::UserDataEditor* editor = details.Editor();
        QVERIFY(editor);
        QCOMPARE(editor->windowTitle(), QStringLiteral("Edit User Data of d%1.dm_68").arg(clickedRow + 10));
        QCOMPARE(PovChoices(*editor),
                 (QStringList{QStringLiteral("<<NO POV ENTRY>>"), QStringLiteral("Player%1").arg(clickedRow + 10)}));
        // Right of the clicked cell, its middle at the mouse.
        const QRect placed = editor->frameGeometry();
        QCOMPARE(placed.left(), global.x() + view.header()->sectionSize(c.column));
        QCOMPARE(placed.top(), global.y() - placed.height() / 2);
        // Placed where the whole editor is on the screen, so that no clamping moves it.
        const QRect screen = editor->screen()->availableGeometry();
        QVERIFY2(screen.contains(placed), qPrintable(QStringLiteral("%1,%2 %3x%4 outside %5x%6")
                                                         .arg(placed.left())
                                                         .arg(placed.top())
                                                         .arg(placed.width())
                                                         .arg(placed.height())
                                                         .arg(screen.width())
                                                         .arg(screen.height())));
        QWidget* field = c.field(*editor);
        QVERIFY(editor->focusWidget() == field || field->isAncestorOf(editor->focusWidget()));
        // A second click loads the row into the open editor where it stands.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                          view.visualRect(demos.Model().index(0, c.column)).center());
        QCOMPARE(editor->frameGeometry(), placed);
        QCOMPARE(editor->windowTitle(), QStringLiteral("Edit User Data of d10.dm_68"));
    }
    // A double click on a user data cell is no activation: no properties window.
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                       view.visualRect(demos.Model().index(1, core::FieldDescription)).center());
    QVERIFY(!details.Properties());
}

VELMORA_GUI_TEST(DetailsTest)
#include "DetailsTest.moc"
