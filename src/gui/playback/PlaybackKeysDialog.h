#pragma once
// "Playback Control Keys" (PlaybackKeysDialog): the six game keys that step through the speed states,
// pause and skip while a play script runs. OK rebuilds the key bindings the play scripts end with;
// until then the scripts keep the default bindings, whatever keys the configuration holds.
#include <QDialog>

#include <array>

#include "core/playback/PlaybackKeys.h"

class QLineEdit;
class QPushButton;

namespace gui {

class PlaybackKeysDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlaybackKeysDialog(QWidget* parent = nullptr);

    // The inputs, in the order of the bind lines.
    core::PlaybackKeys Inputs() const;
    QLineEdit& Input(int row) const { return *m_inputs[static_cast<size_t>(row)]; }
    QPushButton& DefaultButton() const { return *m_default; }
    QPushButton& OkButton() const { return *m_ok; }
    QPushButton& CancelButton() const { return *m_cancel; }

    // The menu and command bar command: shows the dialog modally; does nothing while one is open.
    static void Run(QWidget* parent);
    static bool IsOpen();

private:
    void ShowKeys(const core::PlaybackKeys& keys);
    void Confirm();

    std::array<QLineEdit*, core::kPlaybackKeyCount> m_inputs{};
    QPushButton* m_default = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace gui
