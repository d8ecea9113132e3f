#pragma once
// "Clip Options.." (ClipOptionsDialog): how much of a demo "Play from here" shows before the moment,
// and the margins of the clips made of moments, before the moment and after it (after a
// multi-frag's last frag), in seconds.
#include <QDialog>

class QPushButton;
class QSpinBox;

namespace gui {

class ClipOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ClipOptionsDialog(QWidget* parent = nullptr);

    QSpinBox& PlayFromBox() const { return *m_playFrom; }
    QSpinBox& BeforeBox() const { return *m_before; }
    QSpinBox& AfterBox() const { return *m_after; }
    QPushButton& OkButton() const { return *m_ok; }

    // The menu command: a new dialog each time, shown modally.
    static void Run(QWidget* parent);

    // Seconds each margin may take.
    static constexpr int kMostSeconds = 600;

private:
    void Confirm();

    QSpinBox* m_playFrom = nullptr;
    QSpinBox* m_before = nullptr;
    QSpinBox* m_after = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace gui
