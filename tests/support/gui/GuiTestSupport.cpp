#include "support/gui/GuiTestSupport.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include <fstream>

#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/ListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/DemoBuilder.h"
#include "support/HuffmanEncoder.h"

namespace guitest {

std::vector<std::function<QObject*()>>& RegisteredTests()
{
    static std::vector<std::function<QObject*()>> tests;
    return tests;
}

bool RegisterTest(std::function<QObject*()> make)
{
    RegisteredTests().push_back(std::move(make));
    return true;
}

Sandbox::Sandbox()
{
    std::filesystem::create_directories(Program());
    std::filesystem::create_directories(Game() / "baseoa" / "demos");
    // The game: an executable under one of the names the program looks for.
    const std::filesystem::path engine = Game() / "ioquake3";
    std::ofstream(engine) << "#!/bin/sh\nexit 0\n";
    std::filesystem::permissions(engine, std::filesystem::perms::owner_all);
}

Sandbox::~Sandbox()
{
    gui::BusyCount = 0;
}

std::filesystem::path Sandbox::Root() const
{
    return std::filesystem::path(m_dir.path().toStdString());
}

void Sandbox::AddDemo(const std::filesystem::path& file, int protocol, int snapshots, uint32_t seed)
{
    std::filesystem::create_directories(file.parent_path());
    testsupport::WriteBytes(file.string(), testsupport::RealisticDemo(protocol, snapshots, 40, seed));
}

void Sandbox::AddModernDemo(const std::filesystem::path& file, int protocol, const std::vector<std::string>& players)
{
    std::vector<std::pair<int, std::string>> configStrings = {
        {0, "\\sv_hostname\\Test Server\\protocol\\" + std::to_string(protocol) +
                "\\mapname\\q3dm17\\g_gametype\\0\\gamename\\baseoa\\fraglimit\\20"},
        {1, "\\sv_pure\\1"}};
    for (size_t i = 0; i < players.size(); ++i)
        configStrings.emplace_back(544 + static_cast<int>(i), "n\\" + players[i] + "\\t\\0");
    std::vector<std::vector<uint8_t>> messages;
    messages.push_back(testsupport::ModernMessageBuilder(0).GameState(1, configStrings).End().Payload());
    messages.push_back(
        testsupport::ModernMessageBuilder(0).ServerCommand(1, "cs 21 \"3000\"").Snapshot(3000).Payload());
    messages.push_back(testsupport::ModernMessageBuilder(0).Snapshot(63000).End().Payload());
    std::filesystem::create_directories(file.parent_path());
    testsupport::WriteBytes(file.string(), testsupport::ModernDemoFile(messages));
}

void Sandbox::WriteConfig(const std::string& text)
{
    std::ofstream(Config(), std::ios::binary | std::ios::trunc) << text;
}

std::string Sandbox::ReadConfig() const
{
    return ReadFile(Config());
}

void Sandbox::PrepareSettings()
{
    gui::BusyCount = 0;
    core::Settings = core::SettingsRecord{};
    core::Environment environment;
    environment.home = (Root() / "home").string();
    core::Settings.paths = core::MakeProgramPaths(Program().string(), true, environment);
}

std::unique_ptr<gui::MainWindow> Sandbox::Start(bool list,
                                                std::function<QString(const QString&, const QString&)> chooser)
{
    PrepareSettings();
    core::IniFile config;
    config.Load(Config());
    auto window = std::make_unique<gui::MainWindow>();
    if (chooser)
        window->chooseFolder = std::move(chooser);
    else
        window->chooseFolder = [](const QString&, const QString&) { return QString(); };
    if (!window->StartUp(config, Game().string()))
        return nullptr;
    if (list) {
        window->show();
        window->ListStartFolder();
    }
    return window;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

QStringList Names(const gui::ListPane& pane)
{
    QStringList names;
    for (const gui::ListRow& row : pane.Model().Rows())
        names.append(QString::fromStdString(row.info[core::FieldDemoname]));
    return names;
}

QPoint RowCentre(gui::ListPane& pane, int row)
{
    QAbstractItemView& view = pane.CurrentView();
    const QModelIndex index = pane.Model().index(row, 0);
    view.scrollTo(index);
    QRect rect = view.visualRect(index);
    if (&view == &pane.DetailsPart()) {
        // The first column may be hidden or moved: any visible cell of the row will do.
        rect = QRect(0, rect.top(), view.viewport()->width(), rect.height());
    }
    return rect.center();
}

bool DragAndDrop(gui::ListPane& from, gui::ListPane& to, const QPoint& pos)
{
    QModelIndexList indexes;
    for (const int row : from.SelectedRows())
        indexes.append(from.Model().index(row, 0));
    std::unique_ptr<QMimeData> data(from.Model().mimeData(indexes));
    if (!data)
        return false;
    QWidget* target = to.CurrentView().viewport();
    QDragEnterEvent enter(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

bool DropOnTreeNode(gui::MainWindow& window, core::FolderNode* node)
{
    gui::DemoListPane& demos = window.DemoList();
    QModelIndexList indexes;
    for (const int row : demos.SelectedRows())
        indexes.append(demos.Model().index(row, 0));
    std::unique_ptr<QMimeData> data(demos.Model().mimeData(indexes));
    gui::FolderTreeView& view = window.TreePane().View();
    const QModelIndex index = window.TreePane().Model().IndexOf(node);
    view.scrollTo(index);
    const QPoint pos = view.visualRect(index).center();
    QDragEnterEvent enter(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    if (!enter.isAccepted() || !move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    return drop.isAccepted();
}

} // namespace guitest
