#pragma once
// The click sounds of the command bar. A button clicks before its command does its work, so the
// sound is started when the press is released over the button, just before the button triggers
// its command; the same command chosen from the menu bar stays silent. "Play it" clicks however
// it is chosen, and F1 clicks like the help button.
#include <QObject>

#include <map>

#include "core/sound/SoundSystem.h"

class QAction;
class QToolBar;
class QToolButton;

namespace gui {

struct Commands;

class ButtonSounds : public QObject {
    Q_OBJECT
public:
    ButtonSounds(core::SoundSystem& sound, QObject* parent = nullptr);

    // Every command bar button of the commands that click.
    void AttachCommandBar(Commands& commands, QToolBar& bar);
    // `action` clicks on every trigger (menus, keys, buttons); its connection is made here, so
    // this must run before the command's own work is connected to it.
    void ClickOnEveryTrigger(QAction* action, core::ButtonSound sound);
    // `action` clicks when its keyboard shortcut is used.
    void ClickOnShortcut(QAction* action, core::ButtonSound sound);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AttachButton(QToolBar& bar, QAction* action, core::ButtonSound sound);

    core::SoundSystem& m_sound;
    std::map<QObject*, core::ButtonSound> m_buttons;   // tool buttons
    std::map<QObject*, core::ButtonSound> m_shortcuts; // actions
};

} // namespace gui
