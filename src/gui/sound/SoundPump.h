#pragma once
// Ties the sound system to the window's event loop: the 50 ms timer that steps the music fades,
// the wait for a fade that keeps the windows alive (under the busy count while the music fades
// out), and the sound hooks of the play commands.
// One pump serves the program's sound system for as long as the main window lives.
#include <QObject>
#include <QTimer>

#include <optional>

#include "core/sound/SoundOptions.h"
#include "gui/common/BusyScope.h"

namespace gui {

class SoundPump : public QObject {
    Q_OBJECT
public:
    SoundPump(core::SoundSystem& sound, QObject* parent = nullptr);
    ~SoundPump() override;

    bool TimerActive() const { return m_timer.isActive(); }
    core::SoundSystem& Sound() { return m_sound; }

private:
    void WaitOneTick();

    core::SoundSystem& m_sound;
    QTimer m_timer;
    std::optional<BusyScope> m_fadeOutBusy;
};

// What the sound options window needs from a properties window: whether one is shown, and a way
// to start its map music again. The properties window fills these while it exists and clears them
// when it closes; empty functions mean that no properties window is open.
core::SoundOptionsHooks& MapMusicHooks();

} // namespace gui
