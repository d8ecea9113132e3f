// The window's ties to the system: one running instance taking over later starts, drive kinds of
// tree roots from the mount table, and the demo list's mouse-over texts and cursors.
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include "gui/app/SingleInstance.h"
#include "gui/lists/DemoListPane.h"
#include "platform/DriveKind.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void secondStartHandsOverItsCommandLine();
    void instancesAreKeptApartByConfigurationAndDisplay();
    void driveKindsFromTheMountTable();
    void mouseOverUserDataCellsShowsWhatAClickDoes();
};

void PlatformTest::secondStartHandsOverItsCommandLine()
{
    const QString name = QStringLiteral("VelmoraTest-") + QString::number(QCoreApplication::applicationPid());
    gui::SingleInstance first(name);
    QCOMPARE(first.Claim({QStringLiteral("velmora")}), gui::SingleInstance::Outcome::First);
    QSignalSpy activated(&first, &gui::SingleInstance::activationRequested);

    // The second start blocks while it waits for the answer, as a separate process would.
    gui::SingleInstance::Outcome second = gui::SingleInstance::Outcome::First;
    std::thread later([&] {
        gui::SingleInstance other(name);
        second = other.Claim({QStringLiteral("velmora"), QStringLiteral("-nosplash")});
    });
    QTRY_COMPARE(activated.count(), 1);
    later.join();
    QCOMPARE(second, gui::SingleInstance::Outcome::HandedOver);
    QCOMPARE(first.Received(), (QStringList{QStringLiteral("velmora"), QStringLiteral("-nosplash")}));
}

void PlatformTest::instancesAreKeptApartByConfigurationAndDisplay()
{
    QTemporaryDir dir;
    const QString copyA = dir.filePath(QStringLiteral("a"));
    const QString copyB = dir.filePath(QStringLiteral("b"));
    QVERIFY(QDir().mkpath(copyA) && QDir().mkpath(copyB));
    // A link to the first copy is the first copy.
    QVERIFY(QFile::link(copyA, dir.filePath(QStringLiteral("link"))));
    const auto config = [](const QString& folder) { return folder + QStringLiteral("/Velmora.cfg"); };
    using Outcome = gui::SingleInstance::Outcome;
    gui::SingleInstance first(gui::SingleInstance::NameFor(config(copyA), QStringLiteral("xcb :0")));
    QCOMPARE(first.Claim({QStringLiteral("velmora")}), Outcome::First);
    QSignalSpy activated(&first, &gui::SingleInstance::activationRequested);

    struct Case {
        QString configFile;
        QString display;
        Outcome expected;
    };
    const Case cases[] = {
        {config(copyB), QStringLiteral("xcb :0"), Outcome::First},            // another portable copy
        {config(copyA), QStringLiteral("xcb :1"), Outcome::First},            // another display
        {config(copyA), QStringLiteral("wayland wayland-0"), Outcome::First}, // another display system
        {config(copyA), QStringLiteral("xcb :0.0"), Outcome::HandedOver},     // the same display
        {config(dir.filePath(QStringLiteral("link"))), QStringLiteral("xcb :0"), Outcome::HandedOver},
    };
    int handedOver = 0;
    for (const Case& c : cases) {
        Outcome outcome = Outcome::NoAnswer;
        // A second start blocks while it waits for the answer, as a separate process would.
        std::thread later([&] {
            gui::SingleInstance other(gui::SingleInstance::NameFor(c.configFile, c.display));
            outcome = other.Claim({QStringLiteral("velmora")});
        });
        if (c.expected == Outcome::HandedOver) {
            ++handedOver;
            QTRY_COMPARE(activated.count(), handedOver);
        }
        later.join();
        QVERIFY2(outcome == c.expected, qPrintable(c.configFile + QLatin1Char(' ') + c.display));
    }
    QCOMPARE(activated.count(), 2);
}

void PlatformTest::driveKindsFromTheMountTable()
{
    using platform::DriveKind;
    struct Case {
        const char* line;
        const char* folder;
        DriveKind kind;
    };
    const Case cases[] = {
        {"/dev/sda1 / ext4 rw 0 0", "/", DriveKind::Fixed},
        {"/dev/sda1 / ext4 rw 0 0", "/home", DriveKind::None},
        {"/dev/sr0 /media/cdrom iso9660 ro 0 0", "/media/cdrom", DriveKind::CdRom},
        {"/dev/sdb1 /media/me/STICK vfat rw 0 0", "/media/me/STICK", DriveKind::Removable},
        {"server:/games /mnt/games nfs4 rw 0 0", "/mnt/games", DriveKind::Network},
        {"tmpfs /run/user/1000 tmpfs rw 0 0", "/run/user/1000", DriveKind::RamDisk},
        {"/dev/fd0 /mnt/floppy vfat rw 0 0", "/mnt/floppy", DriveKind::Floppy},
        // Blanks in mount points are written as octal escapes.
        {"/dev/sdc1 /mnt/My\\040Games ext4 rw 0 0", "/mnt/My Games", DriveKind::Fixed},
        {"garbage", "/", DriveKind::None},
    };
    for (const Case& c : cases)
        QCOMPARE(platform::DriveKindFromMountLine(c.line, c.folder), c.kind);
}

void PlatformTest::mouseOverUserDataCellsShowsWhatAClickDoes()
{
    gui::DemoListPane pane;
    QString shown;
    connect(&pane, &gui::DemoListPane::statusText, this, [&](const QString& text) { shown = text; });
    gui::ListRow row;
    for (auto& field : row.info.fields)
        field = "N/A";
    row.info[core::FieldDemoname] = "final.dm_48";
    row.info[core::FieldWeb] = "Https://example.org/final";
    gui::ListRow bare = row;
    bare.info[core::FieldDemoname] = "other.dm_48";
    bare.info[core::FieldWeb] = "example.org";
    pane.Model().Append({row, bare});
    QHeaderView* header = pane.DetailsPart().header();
    for (int column = 0; column < core::DemoFieldCount; ++column)
        header->hideSection(column);
    for (const int column : {int(core::FieldDemoname), int(core::FieldPOV), int(core::FieldWeb)}) {
        header->showSection(column);
        header->resizeSection(column, 90);
    }
    pane.SetSummary(QStringLiteral("2 item(s) loaded"));
    pane.resize(800, 300);
    pane.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pane));
    QWidget* viewport = pane.DetailsPart().viewport();
    const auto cell = [&](int rowNumber, int column) {
        return pane.DetailsPart().visualRect(pane.Model().index(rowNumber, column)).center();
    };
    QTest::mouseMove(viewport, cell(0, core::FieldWeb));
    QCOMPARE(shown, QStringLiteral("Web action: Https://example.org/final"));
    QVERIFY(viewport->cursor().shape() == Qt::BitmapCursor);
    QTest::mouseMove(viewport, cell(1, core::FieldWeb));
    QCOMPARE(shown, QStringLiteral("Edit User Data of other.dm_48"));
    QCOMPARE(viewport->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(viewport, cell(0, core::FieldPOV));
    QCOMPARE(shown, QStringLiteral("Edit User Data of final.dm_48"));
    QTest::mouseMove(viewport, cell(0, core::FieldDemoname));
    QCOMPARE(shown, QStringLiteral("2 item(s) loaded"));
    QCOMPARE(viewport->cursor().shape(), Qt::ArrowCursor);

    // A click on a cell that is no link asks for the user data editor.
    QSignalSpy clicked(&pane, &gui::DemoListPane::userDataCellClicked);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, cell(1, core::FieldWeb));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.front().at(1).toInt(), int(core::FieldWeb));
    QVERIFY(pane.SelectedRows() == std::vector<int>{1});
}

VELMORA_GUI_TEST(PlatformTest)
#include "PlatformTest.moc"
