// The pictures of the commands: every command of the command bar, of the main menu and of the
// panes' context menus has a drawing of its own that renders at the bar's and the menus' sizes,
// the same command has the same picture wherever it appears, the switches look different when
// checked, the column choosers take their lists' colours, and every drawing in the resources is
// valid SVG on the common grid. Without Qt's SVG plugins the window starts and works all the same.
#include <QAbstractItemView>
#include <QApplication>
#include <QDirIterator>
#include <QMenu>
#include <QMenuBar>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <functional>

#include "gui/app/CommandBar.h"
#include "gui/app/MainWindow.h"
#include "gui/common/CommandIcons.h"
#include "gui/common/Commands.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/ListViews.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/gui/GuiTestSupport.h"

namespace {

const QString kDrawings = QStringLiteral(":/velmora/commands");

// A menu's entries, those of its sub-menus included, without separators.
void CollectEntries(const QMenu& menu, QList<QAction*>& entries)
{
    for (QAction* action : menu.actions()) {
        if (action->isSeparator())
            continue;
        if (action->menu())
            CollectEntries(*action->menu(), entries);
        else
            entries.append(action);
    }
}

// The entries of the context menu that `open` pops up, read while it is open; then it is closed.
QList<QAction*> ContextMenuEntries(const std::function<void()>& open)
{
    QList<QAction*> entries;
    QTimer::singleShot(0, [&entries] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            CollectEntries(*menu, entries);
            menu->close();
        }
    });
    open();
    return entries;
}

QImage Picture(const QIcon& icon, int size, QIcon::State state = QIcon::Off)
{
    return icon.pixmap(QSize(size, size), QIcon::Normal, state).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Something is drawn at that size: the picture has the size and a fair share of visible pixels.
bool IsDrawn(const QImage& picture, int size)
{
    if (picture.size() != QSize(size, size))
        return false;
    int visible = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            visible += qAlpha(picture.pixel(x, y)) > 64 ? 1 : 0;
    return visible >= size;
}

QString CommandText(const QAction* action)
{
    return action->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
}

struct Entries {
    QList<QAction*> bar;
    QList<QAction*> mainMenu;
    QList<QAction*> contextMenus;
};

Entries EntriesOf(gui::MainWindow& window)
{
    Entries entries;
    entries.bar = window.Bar().actions();
    for (QAction* menu : window.menuBar()->actions())
        CollectEntries(*menu->menu(), entries.mainMenu);
    for (gui::ListPane* list :
         {static_cast<gui::ListPane*>(&window.DemoList()), static_cast<gui::ListPane*>(&window.PlayList())}) {
        gui::DetailsView* view = &list->DetailsPart();
        entries.contextMenus += ContextMenuEntries([view] { emit view->customContextMenuRequested(QPoint(5, 5)); });
    }
    auto* tree = window.TreePane().findChild<QTreeView*>();
    entries.contextMenus += ContextMenuEntries([tree] { emit tree->customContextMenuRequested(QPoint(5, 5)); });
    return entries;
}

} // namespace

class CommandIconsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyDrawingIsValidOnTheCommonGrid();
    void everyCommandHasADrawnPicture();
    void eachCommandHasItsOwnPictureAndEveryDrawingIsUsed();
    void switchesLookDifferentWhenChecked();
    void columnChoosersShowTheirListsColours();
    void withoutSvgPluginsTheWindowStillWorks();

private:
    bool HasSvgEngine() const { return !gui::CommandIcon("play").isNull(); }

    std::unique_ptr<guitest::Sandbox> m_sandbox;
    std::unique_ptr<gui::MainWindow> m_window;
};

void CommandIconsTest::init()
{
    m_sandbox = std::make_unique<guitest::Sandbox>();
    m_window = m_sandbox->Start(false);
    QVERIFY(m_window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void CommandIconsTest::cleanup()
{
    m_window.reset();
    m_sandbox.reset();
}

void CommandIconsTest::everyDrawingIsValidOnTheCommonGrid()
{
    gui::CommandIcon("play"); // registers the program's resources
    int count = 0;
    for (QDirIterator it(kDrawings); it.hasNext();) {
        const QString path = it.next();
        QVERIFY2(path.endsWith(QStringLiteral(".svg")), qPrintable(path));
        QSvgRenderer drawing(path);
        QVERIFY2(drawing.isValid(), qPrintable(path));
        QCOMPARE(drawing.viewBoxF(), QRectF(0, 0, 24, 24));
        ++count;
    }
    QVERIFY(count > 40);
}

void CommandIconsTest::everyCommandHasADrawnPicture()
{
    const Entries entries = EntriesOf(*m_window);
    QCOMPARE(entries.bar.size(), 16);
    // Sub-menus included: the tree's font colours and the version choices are there.
    QVERIFY(entries.mainMenu.size() >= 20);
    QVERIFY(entries.contextMenus.size() >= 50);
    QList<QAction*> pictured = entries.bar;
    // Switches in the menus show their check marks instead of a picture.
    for (QAction* action : entries.mainMenu + entries.contextMenus) {
        if (action->isCheckable()) {
            QVERIFY2(action->icon().isNull() || !action->isIconVisibleInMenu(), qPrintable(CommandText(action)));
            continue;
        }
        pictured.append(action);
    }
    for (QAction* action : pictured) {
        const QIcon icon = action->icon();
        QVERIFY2(!icon.isNull(), qPrintable(CommandText(action)));
        for (const int size : {16, 22, 24})
            QVERIFY2(IsDrawn(Picture(icon, size), size),
                     qPrintable(QStringLiteral("%1 at %2").arg(CommandText(action)).arg(size)));
    }
}

void CommandIconsTest::eachCommandHasItsOwnPictureAndEveryDrawingIsUsed()
{
    // Different colours for the two lists, so that their column choosers differ as they do for a
    // user who coloured them.
    m_window->DemoList().SetBackground(QColor(250, 240, 200));
    m_window->PlayList().SetBackground(QColor(200, 230, 250));
    const Entries entries = EntriesOf(*m_window);
    // A command shown in several places has the same text there, but a list's column chooser is
    // "Choose Columns.." in its own menu and has a longer name on the bar.
    const auto command = [this](const QAction* action) {
        const gui::Commands& commands = m_window->Cmds();
        if (action == commands.chooseDemoColumns || action == m_window->DemoList().ChooseColumnsAction())
            return QStringLiteral("demo list columns");
        if (action == commands.choosePlayColumns || action == m_window->PlayList().ChooseColumnsAction())
            return QStringLiteral("play list columns");
        return CommandText(action);
    };
    QList<QAction*> pictured;
    for (QAction* action : entries.bar + entries.mainMenu + entries.contextMenus)
        if (!action->icon().isNull() && !pictured.contains(action))
            pictured.append(action);
    QList<QImage> distinct;
    for (qsizetype i = 0; i < pictured.size(); ++i) {
        const QImage picture = Picture(pictured[i]->icon(), 24);
        if (!distinct.contains(picture))
            distinct.append(picture);
        for (qsizetype j = 0; j < i; ++j) {
            const QString pair = CommandText(pictured[i]) + QStringLiteral(" / ") + CommandText(pictured[j]);
            if (command(pictured[i]) == command(pictured[j]))
                QVERIFY2(picture == Picture(pictured[j]->icon(), 24), qPrintable(pair));
            else
                QVERIFY2(picture != Picture(pictured[j]->icon(), 24), qPrintable(pair));
        }
    }
    // Each drawing is one command's picture, or a switch's checked state: none is left unused.
    int switches = 0;
    for (QAction* action : entries.bar)
        switches += action->isCheckable() ? 1 : 0;
    QCOMPARE(switches, 4);
    const int drawings = static_cast<int>(QDir(kDrawings).entryList(QDir::Files).size());
    QCOMPARE(static_cast<int>(distinct.size()) + switches, drawings);
}

void CommandIconsTest::switchesLookDifferentWhenChecked()
{
    int switches = 0;
    for (QAction* action : m_window->Bar().actions()) {
        if (!action->isCheckable())
            continue;
        ++switches;
        for (const int size : {16, 24}) {
            const QImage on = Picture(action->icon(), size, QIcon::On);
            QVERIFY2(IsDrawn(on, size), qPrintable(CommandText(action)));
            QVERIFY2(on != Picture(action->icon(), size, QIcon::Off), qPrintable(CommandText(action)));
        }
    }
    QCOMPARE(switches, 4);
    // The button shows the checked picture while its command is on.
    QAction* loop = m_window->Cmds().loopDemos;
    auto* button = qobject_cast<QToolButton*>(m_window->Bar().widgetForAction(loop));
    QVERIFY(button);
    loop->setChecked(false);
    const QImage off = button->grab().toImage();
    loop->setChecked(true);
    QVERIFY(button->isChecked());
    const QImage on = button->grab().toImage();
    // The lit square of the checked picture is green, which neither the button's frame nor the
    // unchecked picture has.
    const auto greenPixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                count += colour.green() > colour.red() + 20 && colour.green() > colour.blue() + 20 ? 1 : 0;
            }
        return count;
    };
    QVERIFY(greenPixels(on) > greenPixels(off) + 20);
}

void CommandIconsTest::columnChoosersShowTheirListsColours()
{
    const QColor red(210, 40, 40);
    m_window->DemoList().SetBackground(red);
    // A point inside the table's cells, away from its lines.
    const auto cell = [](const QAction* action) { return Picture(action->icon(), 24).pixelColor(6, 12); };
    QCOMPARE(cell(m_window->Cmds().chooseDemoColumns), red);
    QCOMPARE(cell(m_window->DemoList().ChooseColumnsAction()), red);
    QCOMPARE(cell(m_window->Cmds().choosePlayColumns), m_window->PlayList().Options().colour);
    QVERIFY(cell(m_window->Cmds().choosePlayColumns) != red);
}

void CommandIconsTest::withoutSvgPluginsTheWindowStillWorks()
{
    if (HasSvgEngine())
        QSKIP("Qt's SVG plugins are installed; the CTest entry gui.CommandIconsTest.without_svg_plugins "
              "runs this without them");
    const Entries entries = EntriesOf(*m_window);
    QVERIFY(entries.contextMenus.size() >= 50);
    // No picture at all rather than half of one (a column chooser's colour without its table).
    for (QAction* action : entries.bar + entries.mainMenu + entries.contextMenus)
        QVERIFY2(action->icon().isNull(), qPrintable(CommandText(action)));
    // The bar names its commands, and they work.
    QCOMPARE(m_window->Bar().toolButtonStyle(), Qt::ToolButtonTextOnly);
    auto* button = qobject_cast<QToolButton*>(m_window->Bar().widgetForAction(m_window->Cmds().showPlayList));
    QVERIFY(button);
    QVERIFY(button->sizeHint().width() > button->fontMetrics().horizontalAdvance(QStringLiteral("Show")));
    const bool shown = m_window->PlayList().isVisible();
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_window->PlayList().isVisible(), !shown);
}

VELMORA_GUI_TEST(CommandIconsTest)
#include "CommandIconsTest.moc"
