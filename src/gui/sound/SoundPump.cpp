#include "gui/sound/SoundPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "core/playback/RunningGame.h"
#include "core/sound/SoundSystem.h"
#include "gui/sound/SoundFailure.h"

namespace gui {
namespace {

// The pump whose timer the sound system talks to; a pump that goes away only unhooks itself.
SoundPump* g_current = nullptr;

} // namespace

SoundPump::SoundPump(core::SoundSystem& sound, QObject* parent) : QObject(parent), m_sound(sound)
{
    m_timer.setInterval(core::kFadeTickMilliseconds);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_sound.Tick(); });
    m_sound.SetTimerListener([this](bool run) {
        if (run)
            m_timer.start();
        else
            m_timer.stop();
    });
    m_sound.SetFadeWaiter([this] { WaitOneTick(); });
    m_sound.SetFadeOutListener([this](bool fading) {
        if (fading)
            m_fadeOutBusy.emplace();
        else
            m_fadeOutBusy.reset();
    });
    g_current = this;

    core::PlaybackHooks& hooks = core::Hooks();
    hooks.menuClickAndStopSounds = [this] {
        ShowSoundOutcome(m_sound.PlayButtonSound(core::ButtonSound::PlayPlayList));
        m_sound.StopSounds();
    };
    hooks.stopSounds = [this] { m_sound.StopSounds(); };
}

SoundPump::~SoundPump()
{
    if (g_current != this)
        return;
    g_current = nullptr;
    m_sound.SetTimerListener(nullptr);
    m_sound.SetFadeWaiter(nullptr);
    m_sound.SetFadeOutListener(nullptr);
    core::PlaybackHooks& hooks = core::Hooks();
    hooks.menuClickAndStopSounds = nullptr;
    hooks.stopSounds = nullptr;
    // The map music hooks belong to the same window.
    MapMusicHooks() = {};
}

// A fade is waited for by handling the window's events until the fade timer has stepped once
// more, so that the windows repaint and take clicks meanwhile. Should the timer not run (a fade
// asked for before any window exists), the step is taken here after the same pause.
void SoundPump::WaitOneTick()
{
    if (!m_timer.isActive()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, core::kFadeTickMilliseconds);
        QThread::msleep(core::kFadeTickMilliseconds);
        m_sound.Tick();
        return;
    }
    QEventLoop loop;
    const QMetaObject::Connection ticked = connect(&m_timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The fade may end (and stop the timer) from inside an event handled here.
    QTimer::singleShot(2 * core::kFadeTickMilliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    disconnect(ticked);
}

core::SoundOptionsHooks& MapMusicHooks()
{
    static core::SoundOptionsHooks hooks;
    return hooks;
}

} // namespace gui
