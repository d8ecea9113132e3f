#pragma once
// The column chooser (ColumnChooser) of one list, and the functions that save and load its column
// scheme (".vcs" files).
#include <QDialog>

#include "core/settings/ColumnSchemes.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace gui {

class ListPane;

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

} // namespace gui
