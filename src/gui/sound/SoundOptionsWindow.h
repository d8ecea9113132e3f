#pragma once
// The sound options window: sound on and off, the three channels and their volumes. It shows
// what core::SoundOptions decides and hands it every click; changes act at once and are written
// to the configuration file with every other setting at exit.
#include <QDialog>
#include <QPointer>

#include <array>

#include "core/sound/SoundOptions.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace gui {

class SoundOptionsWindow : public QDialog {
    Q_OBJECT
public:
    SoundOptionsWindow(core::SoundSystem& sound, core::SoundOptionsHooks hooks, QWidget* parent = nullptr);

    // Opens the window if it is closed and closes it if it is open. The window is made on first
    // use and freed when it closes; `slot` remembers it meanwhile.
    static void Toggle(QPointer<SoundOptionsWindow>& slot, core::SoundSystem& sound, QWidget* parent);

    const core::SoundOptions& Control() const { return m_control; }
    QCheckBox* EnableSoundBox() const { return m_enable; }
    QCheckBox* ChannelBox(core::SoundChannel channel) const { return m_channels[Index(channel)]; }
    QSlider* VolumeSlider(core::SoundChannel channel) const { return m_sliders[Index(channel)]; }
    QPushButton* CloseButton() const { return m_close; }
    // Why sound could not be switched on; hidden while there is nothing to tell.
    QLabel* Report() const { return m_report; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    static int Index(core::SoundChannel channel) { return static_cast<int>(channel); }
    void ShowState();
    void FitContents();

    core::SoundOptions m_control;
    QCheckBox* m_enable = nullptr;
    std::array<QCheckBox*, core::kSoundChannelCount> m_channels{};
    std::array<QSlider*, core::kSoundChannelCount> m_sliders{};
    QPushButton* m_close = nullptr;
    QLabel* m_report = nullptr;
};

} // namespace gui
