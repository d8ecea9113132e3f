#pragma once
// The commands of the moments view: "Play from here" (also double-click and Enter), "Save
// clip...", "Save clips of all results..." and "Add to play list". A clip spans the moment with the
// margins of the settings (clip_before, clip_after); clips are written on a thread of their own in
// a window with progress and Stop (ClipsWindow), never over a file that is there.
#include <QObject>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "gui/playback/ClipsWindow.h"

namespace gui {

class MomentsPane;
class PaneHost;

class MomentCommands : public QObject {
    Q_OBJECT
public:
    MomentCommands(PaneHost& window, MomentsPane& pane);

    void PlayFromHere();
    void SaveClip();
    void SaveAllClips();
    void AddToPlayList();

    // The clip folder: the one chosen last while it is there, else "Clips" in the data folder.
    static std::filesystem::path ClipFolder();
    // The clip of a row of the view, with the settings' margins.
    core::ClipOrder ClipOf(int row) const;

    // Asks for the folder clips go into, starting at `preset`; nothing when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& preset)> askFolder;
    // The window of the clips being written or written last, while it is open.
    ClipsWindow* ShownClipsWindow() const { return m_clips; }

private:
    ClipsWindow* WriteClips(std::vector<core::ClipOrder> orders, const std::filesystem::path& folder);
    std::optional<std::filesystem::path> ChooseFolder(const QString& title);
    void AddClipsToPlayList(const core::ClipBatchResult& result);

    PaneHost& m_window;
    MomentsPane& m_pane;
    QPointer<ClipsWindow> m_clips;
};

} // namespace gui
