#pragma once
// The user data editor (UserDataEditor): point of view, rating, web location and description of one
// demo, kept in the demo's description file. "Apply" writes the file and brings the demo's list
// row and the properties window's user tab up to date.
#include <QComboBox>
#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

#include "core/details/DemoDescription.h"
#include "gui/common/ToolWindow.h"

class QCloseEvent;
class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace gui {

class DemoDetails;
class ListPane;

// The point-of-view choice: a drop-down whose entries and shown choice are drawn in colour.
class PovComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit PovComboBox(QWidget* parent = nullptr);
    void SetChoices(const std::vector<std::string>& names);
    // The chosen player's name as recorded; empty for none or "<<NO POV ENTRY>>".
    std::string Chosen() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class UserDataEditor : public ToolWindow {
    Q_OBJECT
public:
    static constexpr const char* kNoPovEntry = "<<NO POV ENTRY>>";

    UserDataEditor(DemoDetails& details, QWidget* parent);

    // Shows the demo's user data; `players` are the names the point of view is chosen from.
    // `pane` and `row` name the list row the editor was opened from (null and -1 for none).
    void Load(const std::string& demoName, const std::string& location, const std::vector<std::string>& players,
              ListPane* pane, int row);
    // Puts the keyboard focus on the field of a user data column ("POV", "Rating", ...).
    void FocusField(int column);
    void Apply();

    const std::string& DemoName() const { return m_demoName; }
    PovComboBox& Pov() { return *m_pov; }
    QLineEdit& Rating() { return *m_rating; }
    QComboBox& Web() { return *m_web; }
    QPlainTextEdit& Description() { return *m_description; }
    QPushButton& ApplyButton() { return *m_apply; }
    QPushButton& OkButton() { return *m_ok; }
    QPushButton& CancelButton() { return *m_cancel; }
    // The web location's text colour as drawn now.
    QColor WebColour() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Changed();
    void ColourWeb();
    core::DemoUserData Fields() const;

    DemoDetails& m_details;
    QPointer<QWidget> m_opener; // the window active when the editor was opened
    std::string m_demoName;
    std::string m_location;
    ListPane* m_pane = nullptr;
    int m_row = -1;
    bool m_loading = false;
    PovComboBox* m_pov = nullptr;
    QLineEdit* m_rating = nullptr;
    QComboBox* m_web = nullptr;
    QPlainTextEdit* m_description = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
};

} // namespace gui
