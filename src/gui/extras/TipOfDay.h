#pragma once
// The tip of the day: one of a few tips about working with the program, the next one on request,
// and the box that decides whether tips are offered at start-up (the tip_of_day setting).
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace gui {

class TipOfDay : public QDialog {
    Q_OBJECT
public:
    // `first` below 0 starts at a random tip.
    TipOfDay(bool showAtStartUp, int first = -1, QWidget* parent = nullptr);

    // Shows the dialog with its box set as given; returns the box's state once it is closed.
    static bool Run(QWidget* parent, bool showAtStartUp);

    static int TipCount();
    static QString Tip(int index);

    int CurrentTip() const { return m_tip; }
    QString CurrentText() const;
    bool ShowAtStartUp() const;
    QCheckBox* StartUpBox() const { return m_startUp; }
    QPushButton* NextButton() const { return m_next; }
    void NextTip();

private:
    int m_tip = 0;
    QLabel* m_text = nullptr;
    QLabel* m_counter = nullptr;
    QCheckBox* m_startUp = nullptr;
    QPushButton* m_next = nullptr;
};

} // namespace gui
