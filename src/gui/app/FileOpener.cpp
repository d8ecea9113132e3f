#include "gui/app/FileOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>

#include <utility>

#include "core/library/DemoFiles.h"
#include "core/library/FolderTreeOps.h"
#include "gui/app/MainWindow.h"
#include "gui/app/SingleInstance.h"
#include "gui/common/BusyScope.h"
#include "gui/details/DemoDetails.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreeModel.h"
#include "gui/tree/FolderTreePane.h"

namespace gui {
namespace {

constexpr int kRetryMs = 100;

QString LocalPath(const QString& argument)
{
    if (argument.startsWith(QLatin1String("file:"))) {
        const QUrl url(argument);
        return url.isLocalFile() ? url.toLocalFile() : QString();
    }
    // Other locations (a web address) name no file here.
    return argument.contains(QLatin1String("://")) ? QString() : argument;
}

bool IsPlayList(const QString& file)
{
    return file.endsWith(QLatin1String(".vmr"), Qt::CaseInsensitive);
}

bool IsDemo(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return !suffix.isEmpty() && core::IsDemoExtension(PathBytes(QLatin1Char('.') + suffix));
}

} // namespace

QStringList AbsoluteArguments(const QStringList& arguments, const QString& currentFolder)
{
    QStringList absolute;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool file =
            i > 0 && !argument.startsWith(QLatin1Char('-')) && !argument.startsWith(QLatin1String("file:"));
        const QString path = file ? QDir(currentFolder).absoluteFilePath(argument) : QString();
        absolute.push_back(file && QFileInfo::exists(path) ? QDir::cleanPath(path) : argument);
    }
    return absolute;
}

QStringList FilesToOpen(const QStringList& arguments)
{
    QStringList files;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(QLatin1Char('-')))
            continue;
        const QString path = LocalPath(arguments[i]);
        if (!path.isEmpty() && (IsPlayList(path) || IsDemo(path)))
            files.push_back(path);
    }
    return files;
}

FileOpener::FileOpener(MainWindow& window) : QObject(&window), m_window(window) {}

void FileOpener::Open(const QStringList& files)
{
    m_waiting += files;
    OpenAfterLongOperation();
}

void FileOpener::AcceptHandOvers(SingleInstance& instance)
{
    connect(&instance, &SingleInstance::activationRequested, this, [this, &instance] {
        m_window.BringToFront();
        Open(FilesToOpen(instance.Received()));
    });
}

void FileOpener::OpenAfterLongOperation()
{
    // A listing in progress keeps the tree and the lists: the files wait until it ended.
    if (gui::BusyCount > 0) {
        QTimer::singleShot(kRetryMs, this, &FileOpener::OpenAfterLongOperation);
        return;
    }
    const QStringList files = std::exchange(m_waiting, {});
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile())
            continue;
        if (IsPlayList(file))
            m_window.LoadPlayList(QFileInfo(file).absoluteFilePath());
        else
            OpenDemo(QFileInfo(file).absoluteFilePath());
    }
}

void FileOpener::OpenDemo(const QString& file)
{
    const QFileInfo info(file);
    const std::string folder = PathBytes(QDir::cleanPath(info.absolutePath()));
    const std::string name = PathBytes(info.fileName());
    FolderTreePane& tree = m_window.TreePane();
    core::FolderNode* node = core::FindNodeByPath(tree.Tree(), folder);
    if (!node) {
        // A folder the tree does not know yet becomes a root of its own, as "Add Path to Scan for
        // Demos" would make it.
        tree.AddRoot(PathText(folder));
        node = core::FindNodeByPath(tree.Tree(), folder);
        if (!node)
            return;
    }
    tree.SelectNode(node);
    m_window.ListNode(node);
    if (m_window.CurrentFolder() != folder)
        return;

    DemoListPane& list = m_window.DemoList();
    const auto& rows = list.Model().Rows();
    for (size_t row = 0; row < rows.size(); ++row) {
        const core::DemoInfo& demo = rows[row].info;
        if (rows[row].sourceKind % 4 == 0 && demo[core::FieldDemoname] == name && demo[core::FieldLocation] == folder) {
            list.SelectRows({static_cast<int>(row)}, false);
            list.CurrentView().scrollTo(list.Model().index(static_cast<int>(row), 0));
            if (DemoDetails* details = m_window.findChild<DemoDetails*>())
                details->OpenProperties(list);
            return;
        }
    }
}

} // namespace gui
