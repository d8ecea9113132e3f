#include "gui/playback/PlaybackCommands.h"

#include <QActionGroup>
#include <QApplication>
#include <QMenu>

#include "core/playback/GameLaunch.h"
#include "core/playback/Mods.h"
#include "core/playback/PlayScript.h"
#include "core/playback/RunningGame.h"
#include "core/playback/VersionSwitch.h"
#include "core/settings/Settings.h"
#include "gui/common/BusyScope.h"
#include "gui/common/Commands.h"
#include "gui/common/MessageSink.h"
#include "gui/common/PaneHost.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/playback/GameParametersDialog.h"
#include "gui/playback/PlaybackKeysDialog.h"

namespace gui {
namespace {

// The one selected row of the pane, when exactly one is selected.
const core::DemoInfo* SingleSelected(const ListPane& pane)
{
    const std::vector<int> rows = pane.SelectedRows();
    if (rows.size() != 1)
        return nullptr;
    return &pane.Model().Row(rows.front()).info;
}

void ShowPlayFailure(const core::PlayFailure& failure)
{
    if (failure.text.empty())
        return;
    if (core::IsPlayInformation(failure.code))
        gui::Messages().Information(failure.text, core::PlayErrorTitle(failure.code));
    else
        gui::Messages().Error(failure.text, core::PlayErrorTitle(failure.code));
}

// An option of the settings record flipped by its menu entry; the new state sets the check mark.
bool Flip(bool& option)
{
    option = !option;
    return option;
}

} // namespace

bool ShowPlayOutcome(const core::PlayNotices& notices, const core::PlayResult& result)
{
    for (const core::PlayFailure& notice : notices)
        ShowPlayFailure(notice);
    if (!result)
        ShowPlayFailure(result.failure());
    return result.ok();
}

PlaybackCommands::PlaybackCommands(PaneHost& window) : QObject(&window), m_window(window)
{
    Commands& commands = window.Cmds();

    core::PlaybackHooks& hooks = core::Hooks();
    hooks.pump = [] { QCoreApplication::processEvents(); };
    hooks.status = [&window](const std::string& text) { window.Status().SetListText(QString::fromStdString(text)); };
    hooks.busyCursor = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };

    connect(commands.playDemo, &QAction::triggered, this, &PlaybackCommands::PlayDemoListRow);
    connect(window.DemoList().PlayAction(), &QAction::triggered, this, &PlaybackCommands::PlayDemoListRow);
    connect(window.PlayList().PlayAction(), &QAction::triggered, this, &PlaybackCommands::PlayPlayListRow);
    connect(commands.playList, &QAction::triggered, this, &PlaybackCommands::PlayPlayList);
    connect(commands.playListAndExit, &QAction::triggered, this, &PlaybackCommands::PlayPlayListAndExit);

    // The check marks follow the settings the core flips, not the click: they can never disagree.
    connect(commands.timeDemos, &QAction::triggered, this, [this] { ShowTimedemo(Flip(core::Settings.time_demos)); });
    connect(commands.loopDemos, &QAction::triggered, this, [this] { ShowLoopDemos(Flip(core::Settings.loop_demos)); });
    // Start-up sets the check marks from the configuration; the tool tips follow them.
    connect(commands.timeDemos, &QAction::toggled, this, [this](bool on) { ShowTimedemo(on); });
    connect(commands.loopDemos, &QAction::toggled, this, [this](bool on) { ShowLoopDemos(on); });
    connect(commands.modDemos, &QAction::triggered, this,
            [&commands] { commands.modDemos->setChecked(Flip(core::Settings.mod_demos)); });

    connect(commands.versionIs127, &QAction::triggered, this, [this] {
        ShowPlayOutcome(
            {}, RunPlayCommand([] { return core::ChooseVersion(true, core::PlaybackSettingsFor(core::Settings)); }));
        UpdateVersionMenu();
    });
    connect(commands.versionIs117, &QAction::triggered, this, [this] {
        ShowPlayOutcome(
            {}, RunPlayCommand([] { return core::ChooseVersion(false, core::PlaybackSettingsFor(core::Settings)); }));
        UpdateVersionMenu();
    });
    for (QAction* restore : {commands.restore127, commands.restore117})
        connect(restore, &QAction::triggered, this, [this] {
            Flip(core::Settings.restore_new_version);
            ShowRestoreChoice();
        });
    // The version entries are checked each time their menu (or the one holding it) opens: the
    // user may install or remove a version while the program runs.
    for (QObject* owner : commands.versionIs127->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            connect(menu, &QMenu::aboutToShow, this, &PlaybackCommands::UpdateVersionMenu);
            if (auto* parentMenu = qobject_cast<QMenu*>(menu->parentWidget()))
                connect(parentMenu, &QMenu::aboutToShow, this, &PlaybackCommands::UpdateVersionMenu);
        }

    connect(commands.playbackKeys, &QAction::triggered, this, [this] { PlaybackKeysDialog::Run(&m_window); });
    connect(commands.globalParameters, &QAction::triggered, this, [this] { GameParametersDialog::Run(&m_window); });

    ShowTimedemo(commands.timeDemos->isChecked());
    ShowLoopDemos(commands.loopDemos->isChecked());
}

PlaybackCommands::~PlaybackCommands()
{
    core::PlaybackHooks& hooks = core::Hooks();
    hooks.pump = nullptr;
    hooks.busyCursor = nullptr;
    hooks.status = nullptr;
}

bool PlaybackCommands::PlayRow(const core::DemoInfo& row)
{
    // A play command started from inside another one's wait (the core pumps the window's
    // messages meanwhile) would rewrite the script and the temporary demos in use.
    if (gui::BusyCount > 0)
        return false;
    core::PlayNotices notices;
    const core::PlayResult played =
        RunPlayCommand([&] { return core::PlayDemo(row, core::PlaybackSettingsFor(core::Settings), notices); });
    return ShowPlayOutcome(notices, played);
}

void PlaybackCommands::PlayDemoListRow()
{
    if (!m_window.DemoList().CanPlay())
        return;
    if (const core::DemoInfo* row = SingleSelected(m_window.DemoList()))
        PlayRow(*row);
}

void PlaybackCommands::PlayPlayListRow()
{
    if (!m_window.PlayList().PlayAction()->isEnabled())
        return;
    if (const core::DemoInfo* row = SingleSelected(m_window.PlayList()))
        PlayRow(*row);
}

bool PlaybackCommands::PlayPlayList()
{
    if (gui::BusyCount > 0)
        return false;
    std::vector<core::DemoInfo> rows;
    rows.reserve(m_window.PlayList().Model().Rows().size());
    for (const ListRow& row : m_window.PlayList().Model().Rows())
        rows.push_back(row.info);
    const core::PlaybackSettings settings = core::PlaybackSettingsFor(core::Settings);
    core::PlayNotices notices;
    core::PlayResult started = RunPlayCommand([&] { return core::CreatePlaylist(rows, settings, notices); });
    if (!started && started.code() == core::PlayError::NeedsConfirmation) {
        if (!gui::Messages().Question(started.text(), core::kLongPlayListTitle))
            return false;
        started = RunPlayCommand([&] { return core::CreatePlaylist(rows, settings, notices, true); });
    }
    return ShowPlayOutcome(notices, started);
}

void PlaybackCommands::PlayPlayListAndExit()
{
    if (PlayPlayList())
        m_window.close();
}

void ShowVersionMenu(Commands& commands)
{
    const bool both = core::BothVersionsInstalled(core::Settings.game);
    commands.versionIs127->setEnabled(both);
    commands.versionIs117->setEnabled(both);
    // The group must allow neither entry to be checked.
    if (QActionGroup* group = commands.versionIs127->actionGroup())
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const core::VersionMark mark = core::CurrentVersionMark(core::Settings.game);
    commands.versionIs127->setChecked(mark == core::VersionMark::New);
    commands.versionIs117->setChecked(mark == core::VersionMark::Old);
}

void PlaybackCommands::UpdateVersionMenu()
{
    ShowVersionMenu(m_window.Cmds());
}

void PlaybackCommands::ShowTimedemo(bool on)
{
    QAction* action = m_window.Cmds().timeDemos;
    action->setChecked(on);
    action->setToolTip(QString::fromLatin1(core::TimedemoToolTip(on)));
}

void PlaybackCommands::ShowLoopDemos(bool on)
{
    QAction* action = m_window.Cmds().loopDemos;
    action->setChecked(on);
    action->setToolTip(QString::fromLatin1(core::LoopToolTip(on)));
}

void PlaybackCommands::ShowRestoreChoice()
{
    Commands& commands = m_window.Cmds();
    (core::Settings.restore_new_version ? commands.restore127 : commands.restore117)->setChecked(true);
}

} // namespace gui
