#pragma once
// The about box: the program's credits rolling slowly upwards in the game font, over the same
// steel as the splash screen. Opening it plays a voice from the game's main pack on the model
// sound channel, and each time the credits have rolled through once, another.
#include <QDialog>
#include <QTimer>

namespace core {
class SoundSystem;
}

namespace gui {

class CreditsRoll : public QWidget {
    Q_OBJECT
public:
    static constexpr int kStepMilliseconds = 40; // one pixel each step: slow enough to read

    explicit CreditsRoll(QWidget* parent = nullptr);

    // Moves the credits up by `pixels`; past their end they come in from below again.
    void Advance(int pixels);
    int Offset() const { return m_offset; }
    // The height of one round: the credits plus the empty view they scroll in from.
    int RoundLength() const;
    const QStringList& Lines() const { return m_lines; }
    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }
    bool Rolling() const { return m_timer.isActive(); }

signals:
    void roundCompleted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int LineHeight(int line) const;

    QStringList m_lines;
    int m_offset = 0;
    int m_textHeight = 0;
    QTimer m_timer;
};

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // The member names of the two sounds, in the main pack.
    static constexpr const char* kOpeningSound = "sound\\feedback\\excellent.wav";
    static constexpr const char* kRoundSound = "sound\\feedback\\impressive.wav";

    AboutBox(core::SoundSystem* sound, QWidget* parent = nullptr);

    // Shows the box until the user closes it.
    static void Run(QWidget* parent);

    CreditsRoll& Credits() { return *m_credits; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void PlaySound(const char* member);

    core::SoundSystem* m_sound;
    CreditsRoll* m_credits = nullptr;
};

} // namespace gui
