#pragma once
// The list commands that open the column chooser and save and load column schemes.
#include <QObject>
#include <QString>

#include <functional>

namespace gui {

class ColumnChooser;
class ListPane;
class PaneHost;

// Connects "Choose Columns..", "Save Columns Scheme" and "Load Columns Scheme" of both lists and
// the two column buttons of the command bar.
class ColumnCommands : public QObject {
    Q_OBJECT
public:
    explicit ColumnCommands(PaneHost& window);

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
    PaneHost& m_window;
    QString m_schemeFolder;
};

} // namespace gui
