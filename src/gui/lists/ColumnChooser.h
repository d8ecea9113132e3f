#pragma once
// The column chooser (ColumnChooser) of one list, and the list commands that open it and save and
// load column schemes (".vcs" files).
#include <QDialog>

#include <functional>

#include "core/app/ColumnSchemes.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace gui {

class ListPane;
class MainWindow;

class ColumnChooser : public QDialog {
    Q_OBJECT
public:
    ColumnChooser(ListPane& list, const QString& title, QWidget* parent = nullptr);

    QListWidget& CheckList() { return *m_rows; }
    QPushButton& UpButton() { return *m_up; }
    QPushButton& DownButton() { return *m_down; }
    QPushButton& ShowButton() { return *m_show; }
    QPushButton& HideButton() { return *m_hide; }
    QPushButton& ApplyButton() { return *m_apply; }
    QPushButton& OkButton() { return *m_ok; }
    QPushButton& CancelButton() { return *m_cancel; }

    // The rows as they stand now.
    std::vector<core::ChooserRow> Rows() const;
    // Gives the list the widths and the order the rows stand for.
    void Apply();

private:
    void AddRow(const core::ChooserRow& row);
    void MoveCurrent(int by);
    void SetCurrentChecked(bool checked);
    void UpdateButtons();
    void Changed();
    int CaptionWidth(int column) const;

    ListPane& m_list;
    QListWidget* m_rows = nullptr;
    QPushButton* m_up = nullptr;
    QPushButton* m_down = nullptr;
    QPushButton* m_show = nullptr;
    QPushButton* m_hide = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_filling = false;
};

// The layout of a list as a scheme, and back (widths first, then the order, in one update).
core::ColumnScheme SchemeOf(const ListPane& list);
void ApplyScheme(ListPane& list, const core::ColumnScheme& scheme);
// Saves and loads a list's scheme file with the messages of a failure; false when nothing changed.
bool SaveColumnScheme(const ListPane& list, const QString& file);
bool LoadColumnScheme(ListPane& list, const QString& file);

// Connects "Choose Columns..", "Save Columns Scheme" and "Load Columns Scheme" of both lists and
// the two column buttons of the command bar.
class ColumnCommands : public QObject {
    Q_OBJECT
public:
    explicit ColumnCommands(MainWindow& window);

    void Choose(ListPane& list);
    void SaveScheme(const ListPane& list);
    void LoadScheme(ListPane& list);

    // Asks for a scheme file to write (save) or to read; empty when cancelled. Replaceable for tests.
    std::function<QString(bool save, const QString& folder)> chooseSchemeFile;
    // Runs the chooser; replaceable so that tests can drive it without a modal loop.
    std::function<void(ColumnChooser& dialog)> runChooser;
    // Where the scheme file dialogs start: empty (the working folder) at first, then the data
    // directory.
    const QString& SchemeFolder() const { return m_schemeFolder; }

private:
    MainWindow& m_window;
    QString m_schemeFolder;
};

} // namespace gui
