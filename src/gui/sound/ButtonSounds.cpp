#include "gui/sound/ButtonSounds.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>

#include "gui/common/Commands.h"
#include "gui/sound/SoundFailure.h"

namespace gui {

ButtonSounds::ButtonSounds(core::SoundSystem& sound, QObject* parent) : QObject(parent), m_sound(sound) {}

void ButtonSounds::AttachCommandBar(Commands& commands, QToolBar& bar)
{
    using core::ButtonSound;
    const std::pair<QAction*, ButtonSound> buttons[] = {
        {commands.savePlayList, ButtonSound::SavePlayList},
        {commands.showPlayList, ButtonSound::ShowPlayList},
        {commands.soundOptions, ButtonSound::SoundOptions},
        {commands.loadPlayList, ButtonSound::LoadPlayList},
        {commands.playbackKeys, ButtonSound::PlaybackKeys},
        {commands.globalParameters, ButtonSound::GlobalParameters},
        {commands.help, ButtonSound::Help},
        {commands.tipOfDay, ButtonSound::TipOfTheDay},
        {commands.chooseDemoColumns, ButtonSound::DemoListColumns},
        {commands.choosePlayColumns, ButtonSound::PlayListColumns},
        {commands.readOnly, ButtonSound::ReadOnlyMode},
        {commands.timeDemos, ButtonSound::TimeDemo},
        {commands.loopDemos, ButtonSound::LoopDemos},
    };
    for (const auto& [action, sound] : buttons)
        AttachButton(bar, action, sound);
    // The play list buttons click in the play list command itself, after its checks.
}

void ButtonSounds::AttachButton(QToolBar& bar, QAction* action, core::ButtonSound sound)
{
    QWidget* button = bar.widgetForAction(action);
    if (!qobject_cast<QToolButton*>(button))
        return;
    m_buttons[button] = sound;
    button->installEventFilter(this);
    connect(button, &QObject::destroyed, this, [this, button] { m_buttons.erase(button); });
}

void ButtonSounds::ClickOnEveryTrigger(QAction* action, core::ButtonSound sound)
{
    connect(action, &QAction::triggered, this, [this, sound] { ShowSoundOutcome(m_sound.PlayButtonSound(sound)); });
}

void ButtonSounds::ClickOnShortcut(QAction* action, core::ButtonSound sound)
{
    m_shortcuts[action] = sound;
    action->installEventFilter(this);
    connect(action, &QObject::destroyed, this, [this, action] { m_shortcuts.erase(action); });
}

bool ButtonSounds::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Shortcut) {
        if (auto found = m_shortcuts.find(watched); found != m_shortcuts.end()) {
            if (static_cast<QAction*>(watched)->isEnabled())
                ShowSoundOutcome(m_sound.PlayButtonSound(found->second));
        }
        return false;
    }
    auto found = m_buttons.find(watched);
    if (found == m_buttons.end())
        return false;
    auto* button = static_cast<QToolButton*>(watched);
    bool clicks = false;
    // A tool button triggers its command on this release; a press dragged off the button and
    // released elsewhere does nothing, and neither does its sound.
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        clicks = mouse->button() == Qt::LeftButton && button->isDown() &&
                 button->rect().contains(mouse->position().toPoint());
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        clicks = key->key() == Qt::Key_Space && !key->isAutoRepeat() && button->isDown();
    }
    if (clicks && button->isEnabled())
        ShowSoundOutcome(m_sound.PlayButtonSound(found->second));
    return false;
}

} // namespace gui
