#include "gui/playback/MomentCommands.h"

#include <QFile>
#include <QFileDialog>

#include "core/library/Scanner.h"
#include "core/playback/PlayFromMoment.h"
#include "core/settings/Settings.h"
#include "core/sound/SoundSystem.h"
#include "gui/common/MessageSink.h"
#include "gui/common/PaneHost.h"
#include "gui/lists/ListFiller.h"
#include "gui/lists/MomentsPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/playback/ClipsWindow.h"
#include "gui/playback/PlaybackCommands.h"

namespace gui {
namespace {

std::filesystem::path PathOf(const QString& text)
{
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

} // namespace

MomentCommands::MomentCommands(PaneHost& window, MomentsPane& pane) : QObject(&pane), m_window(window), m_pane(pane)
{
    connect(pane.PlayFromAction(), &QAction::triggered, this, &MomentCommands::PlayFromHere);
    connect(pane.SaveClipAction(), &QAction::triggered, this, &MomentCommands::SaveClip);
    connect(pane.SaveAllClipsAction(), &QAction::triggered, this, &MomentCommands::SaveAllClips);
    connect(pane.AddToPlayListAction(), &QAction::triggered, this, &MomentCommands::AddToPlayList);
    askFolder = [this](const QString& title, const QString& preset) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(&m_window, title, preset);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    };
}

std::filesystem::path MomentCommands::ClipFolder()
{
    const std::string& chosen = core::Settings.clip_folder;
    std::error_code error;
    if (!chosen.empty() && std::filesystem::is_directory(chosen, error))
        return std::filesystem::path(chosen);
    return std::filesystem::path(core::Settings.paths.dataDirectory) / "Clips";
}

core::ClipOrder MomentCommands::ClipOf(int row) const
{
    const core::Moment& moment = m_pane.Model().MomentAt(row);
    return core::ClipAround(moment.loadName, moment.archive, moment.demoTime, moment.endDemoTime,
                            core::Settings.clip_before, core::Settings.clip_after);
}

void MomentCommands::PlayFromHere()
{
    const std::vector<int> rows = m_pane.SelectedRows();
    if (rows.size() != 1 || gui::BusyCount > 0)
        return;
    const core::Moment& moment = m_pane.Model().MomentAt(rows.front());
    core::Sound().FadeOutMusic();
    core::PlayNotices notices;
    const core::PlayResult played = RunPlayCommand([&] {
        return core::PlayFromMoment(moment.row, moment.loadName, moment.archive, moment.demoTime,
                                    core::PlaybackSettingsFor(core::Settings), notices);
    });
    ShowPlayOutcome(notices, played);
}

std::optional<std::filesystem::path> MomentCommands::ChooseFolder(const QString& title)
{
    // The program's own clip folder is made when first proposed: a chooser cannot open a folder
    // that is not there.
    const std::filesystem::path proposed = ClipFolder();
    std::error_code error;
    std::filesystem::create_directories(proposed, error);
    const std::optional<QString> folder = askFolder(title, QFile::decodeName(proposed.string().c_str()));
    if (!folder)
        return std::nullopt;
    core::Settings.clip_folder = QFile::encodeName(*folder).toStdString();
    return PathOf(*folder);
}

void MomentCommands::SaveClip()
{
    const std::vector<int> rows = m_pane.SelectedRows();
    if (rows.size() != 1 || (m_clips && m_clips->Running()))
        return;
    if (const auto folder = ChooseFolder(QStringLiteral("Save clip into")))
        WriteClips({ClipOf(rows.front())}, *folder);
}

void MomentCommands::SaveAllClips()
{
    if (m_pane.Model().rowCount() == 0 || (m_clips && m_clips->Running()))
        return;
    const auto folder = ChooseFolder(QStringLiteral("Save clips of all results into"));
    if (!folder)
        return;
    std::vector<core::ClipOrder> orders;
    for (int row = 0; row < m_pane.Model().rowCount(); ++row)
        orders.push_back(ClipOf(row));
    WriteClips(std::move(orders), *folder);
}

void MomentCommands::AddToPlayList()
{
    const std::vector<int> rows = m_pane.SelectedRows();
    if (rows.empty() || (m_clips && m_clips->Running()))
        return;
    std::vector<core::ClipOrder> orders;
    for (const int row : rows)
        orders.push_back(ClipOf(row));
    ClipsWindow* window = WriteClips(std::move(orders), ClipFolder());
    connect(window, &ClipsWindow::finished, this, [this, window] { AddClipsToPlayList(window->Result()); });
}

ClipsWindow* MomentCommands::WriteClips(std::vector<core::ClipOrder> orders, const std::filesystem::path& folder)
{
    auto* window = new ClipsWindow(std::move(orders), folder, &m_window);
    m_clips = window;
    window->show();
    window->Start();
    return window;
}

void MomentCommands::AddClipsToPlayList(const core::ClipBatchResult& result)
{
    if (result.written + result.kept == 0)
        return;
    if (!m_window.PlayListShown())
        m_window.SetPlayListShown(true);
    PlayListPane& playList = m_window.PlayList();
    const int before = playList.Model().rowCount();
    ListFiller filler(playList);
    core::LibraryFeedback quiet; // the play list shows the rows; nothing else to tell
    for (const core::ClipOutcome& outcome : result.outcomes)
        if (outcome.ok)
            core::ScanDemos(outcome.file.string(), filler, filler, quiet, core::ScanSettingsFor(core::Settings));
    std::vector<int> added;
    for (int row = before; row < playList.Model().rowCount(); ++row)
        added.push_back(row);
    playList.SelectRows(added, false);
}

} // namespace gui
