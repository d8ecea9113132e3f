#pragma once
// "Add global parameter(s) for executing Q3A" (GameParametersDialog): the user's own parameters, put on the
// game's command line before the play script's "+exec" every time the program starts the game.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace gui {

class GameParametersDialog : public QDialog {
    Q_OBJECT
public:
    explicit GameParametersDialog(QWidget* parent = nullptr);

    QLineEdit& Input() const { return *m_input; }
    QPushButton& OkButton() const { return *m_ok; }
    QPushButton& CancelButton() const { return *m_cancel; }

    // The menu and command bar command: a new dialog each time, shown modally.
    static void Run(QWidget* parent);

    // The parameters are command line words for the game, so they are kept in the file-name
    // encoding the game's process reads its arguments in (paths among them).
    static QString ParametersText(const std::string& stored);
    static std::string StoredParameters(const QString& text);

private:
    void Confirm();

    QLineEdit* m_input = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace gui
