#pragma once
// Files named on the command line, or handed over by a later start (a double click in a file
// manager while the program runs): a demo opens its folder in the tree, selects its row and shows
// its properties; a play list (".vmr") is loaded into the play list.
#include <QObject>
#include <QStringList>

namespace gui {

class MainWindow;
class SingleInstance;

// The command line as a later start hands it over: the arguments that name existing files made
// absolute against `currentFolder`, since the running instance works in another folder.
QStringList AbsoluteArguments(const QStringList& arguments, const QString& currentFolder);
// The demos and play lists among a command line's arguments (the program's name first), in their
// order; local "file:" locations count as their paths. Options and other files are left out.
QStringList FilesToOpen(const QStringList& arguments);

class FileOpener : public QObject {
    Q_OBJECT
public:
    explicit FileOpener(MainWindow& window);

    // Opens the files in their order; the properties window shows the last demo.
    void Open(const QStringList& files);
    // A later start's command line: the window comes to the front and opens its files.
    void AcceptHandOvers(SingleInstance& instance);

private:
    void OpenDemo(const QString& file);
    void OpenAfterLongOperation();

    MainWindow& m_window;
    QStringList m_waiting; // files that came while a listing or another long operation ran
};

} // namespace gui
