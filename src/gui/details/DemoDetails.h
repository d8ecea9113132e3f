#pragma once
// Ties the details windows to the main window: "Properties..", "Edit Userdata..", the two bulk
// user data commands and clicks on user data cells of the demo list. It keeps the properties
// window and the user data editor (at most one each, created on first use, freed when closed).
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/details/DemoDescription.h"

namespace gui {

class ListPane;
struct ListRow;
class PaneHost;
class PropertiesWindow;
class UserDataEditor;

class DemoDetails : public QObject {
    Q_OBJECT
public:
    explicit DemoDetails(PaneHost& window);

    PaneHost& Window() { return m_window; }
    PropertiesWindow* Properties() const;
    UserDataEditor* Editor() const;

    // "Properties.." of a list: only for exactly one selected row and while nothing long runs.
    void OpenProperties(ListPane& pane);
    // "Edit Userdata.." of a list (focusField: the user data column clicked, -1 for none).
    void OpenEditorForRow(ListPane& pane, int row, int focusField = -1);
    // A click on a user data cell of the demo list: the editor opens beside the cell, with the
    // focus on the clicked column's field.
    void OpenEditorForCell(int row, int column, const QPoint& globalPos, int columnWidth);
    // "&Userdata" of the properties window: no list row; the editor opens centred on the screen.
    void OpenEditorFor(const std::string& demoName, const std::string& location);
    void SetSameWebLocation();
    void ClearUserData();

    // After the editor's "Apply": the row of the demo, when the tree shows the demo's folder.
    void UpdateRowAfterApply(const std::string& demoName, const std::string& location, ListPane* pane, int row,
                             const core::DemoUserData& written, bool fileRemains);

    std::filesystem::path DescriptionPath(const std::string& demoName) const;

    // Replaceable for tests: the input box of the web location command (nullopt when cancelled)
    // and the shell's "open" of a web link.
    std::function<std::optional<QString>(const QString& title, const QString& prompt, const QString& preset)> askText;
    std::function<void(const QString& link)> openLink;

private:
    UserDataEditor& EnsureEditor(bool centred);
    // Whether the properties window is open and shows the demo of the row.
    bool PropertiesShow(const ListRow& entry) const;
    // The players of the row's demo, read from its file.
    static std::vector<std::string> ReadPlayers(const ListRow& entry);

    PaneHost& m_window;
    QPointer<PropertiesWindow> m_prop;
    QPointer<UserDataEditor> m_editor;
};

// The folder a demo belongs to: its location, or the folder of the archive it is in.
std::string DemoFolderOf(const std::string& location);

} // namespace gui
