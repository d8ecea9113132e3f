// The click sounds of the real main window: command bar buttons click before their command's
// work, the same commands from the menu bar stay silent, "Play it" and F1 click, and nothing
// clicks with "Button Sound" off while the commands still work.
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>

#include "core/playback/RunningGame.h"
#include "core/settings/Settings.h"
#include "core/sound/SoundSystem.h"
#include "gui/app/CommandBar.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/lists/DemoListPane.h"
#include "support/Recorder.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

namespace {

constexpr core::SoundChannel kButton = core::SoundChannel::ButtonSound;

QToolButton* ButtonOf(gui::MainWindow& window, QAction* action)
{
    return qobject_cast<QToolButton*>(window.Bar().widgetForAction(action));
}

} // namespace

class SoundClicksTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commandBarButtonsClickBeforeTheirWork();
    void buttonSoundOffIsSilentAndTheCommandStillWorks();
    void playItAndHelpKeyClickAndPlayListStopsTheMusic();
    void clickThatCannotPlayIsShownAndTheCommandStillWorks();

private:
    std::unique_ptr<guitest::Sandbox> m_sandbox;
    std::unique_ptr<gui::MainWindow> m_window;
    std::string m_pack;
};

void SoundClicksTest::init()
{
    m_sandbox = std::make_unique<guitest::Sandbox>();
    m_window = m_sandbox->Start(false);
    QVERIFY(m_window);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // Only menu1.wav: the toggle buttons' menu4.wav is missing and plays nothing.
    m_pack = (m_sandbox->Root() / "pak0.pk3").string();
    const auto click = testsupport::PlainWave(testsupport::Tone16(660, 0.05, 0.5));
    const auto music = testsupport::PlainWave(testsupport::Tone16(110, 0.5, 0.3));
    testsupport::WriteFile(m_pack, testsupport::BuildZip({{.name = "sound/misc/menu1.wav", .data = click},
                                                          {.name = "music/loop.wav", .data = music}}));
    core::Settings.game.mainPack = m_pack;
    QVERIFY(core::Sound().IsOpen());
}

void SoundClicksTest::cleanup()
{
    core::Sound().Close();
    m_window.reset();
    m_sandbox.reset();
}

void SoundClicksTest::commandBarButtonsClickBeforeTheirWork()
{
    QAction* showPlayList = m_window->Cmds().showPlayList;
    bool clickedFirst = false;
    connect(showPlayList, &QAction::triggered, this,
            [&clickedFirst] { clickedFirst = core::Sound().HasBuffer(kButton); });

    // From the menu: the command works, silently.
    const bool shown = m_window->PlayListShown();
    showPlayList->trigger();
    QCOMPARE(m_window->PlayListShown(), !shown);
    QVERIFY(!core::Sound().HasBuffer(kButton));

    QToolButton* button = ButtonOf(*m_window, showPlayList);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(m_window->PlayListShown(), shown);
    QVERIFY(clickedFirst);

    // A press dragged off the button neither works nor clicks.
    core::Sound().ReleaseChannel(kButton);
    QTest::mousePress(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(button->width() + 20, 2));
    QCOMPARE(m_window->PlayListShown(), shown);
    QVERIFY(!core::Sound().HasBuffer(kButton));

    // The read-only button plays menu4.wav, which this pack lacks.
    const bool readOnly = core::Settings.work_readonly;
    QTest::mouseClick(ButtonOf(*m_window, m_window->Cmds().readOnly), Qt::LeftButton);
    QCOMPARE(core::Settings.work_readonly, !readOnly);
    QVERIFY(!core::Sound().HasBuffer(kButton));

    // The sound options button clicks and opens its window; the menu command only closes it.
    QTest::mouseClick(ButtonOf(*m_window, m_window->Cmds().soundOptions), Qt::LeftButton);
    QVERIFY(core::Sound().HasBuffer(kButton));
    QWidget* options = m_window->findChild<QWidget*>(QStringLiteral("SoundOptionsWindow"));
    QVERIFY(options && options->isVisible());
    core::Sound().ReleaseChannel(kButton);
    m_window->Cmds().soundOptions->trigger();
    QTRY_VERIFY(!m_window->findChild<QWidget*>(QStringLiteral("SoundOptionsWindow")));
    QVERIFY(!core::Sound().HasBuffer(kButton));
}

void SoundClicksTest::buttonSoundOffIsSilentAndTheCommandStillWorks()
{
    core::Settings.play_menus = false;
    const bool shown = m_window->PlayListShown();
    QTest::mouseClick(ButtonOf(*m_window, m_window->Cmds().showPlayList), Qt::LeftButton);
    QCOMPARE(m_window->PlayListShown(), !shown);
    QVERIFY(!core::Sound().HasBuffer(kButton));
    core::Settings.play_menus = true;
    core::Settings.sound_enable = false;
    QTest::mouseClick(ButtonOf(*m_window, m_window->Cmds().showPlayList), Qt::LeftButton);
    QCOMPARE(m_window->PlayListShown(), shown);
    QVERIFY(!core::Sound().HasBuffer(kButton));
}

void SoundClicksTest::playItAndHelpKeyClickAndPlayListStopsTheMusic()
{
    testsupport::RecordingSink messages; // the help file is missing
    // "Play it" clicks from the list's menu too. A long operation is running, so the command
    // itself refuses to start the game.
    m_sandbox->AddDemo(m_sandbox->Game() / "a.dm_48");
    m_window->ListStartFolder();
    m_window->DemoList().SelectRows({0}, false);
    QVERIFY(m_window->DemoList().PlayAction()->isEnabled());
    {
        const gui::BusyScope busy;
        m_window->DemoList().PlayAction()->trigger();
    }
    QVERIFY(core::Sound().HasBuffer(kButton));
    core::Sound().ReleaseChannel(kButton);

    // F1 clicks like the help button; the "&Help" menu entry does not.
    m_window->Cmds().help->trigger();
    QVERIFY(!core::Sound().HasBuffer(kButton));
    QTest::keyClick(m_window.get(), Qt::Key_F1);
    QVERIFY(core::Sound().HasBuffer(kButton));

    // Playing a play list clicks, then fades the music out and ends the model sound.
    core::Sound().ReleaseChannel(kButton);
    QVERIFY(core::Sound().PlaySoundFromPak(m_pack, "music\\loop.wav", 0));
    QVERIFY(core::Hooks().menuClickAndStopSounds);
    core::Hooks().menuClickAndStopSounds();
    QVERIFY(core::Sound().HasBuffer(kButton));
    QVERIFY(!core::Sound().MusicPlaying());
}

void SoundClicksTest::clickThatCannotPlayIsShownAndTheCommandStillWorks()
{
    testsupport::WriteFile(
        m_pack, testsupport::BuildZip({{.name = "sound/misc/menu1.wav", .data = testsupport::BuildRiff({}, "AVI ")}}));
    testsupport::RecordingSink sink;
    const bool shown = m_window->PlayListShown();
    QTest::mouseClick(ButtonOf(*m_window, m_window->Cmds().showPlayList), Qt::LeftButton);
    QCOMPARE(m_window->PlayListShown(), !shown);
    QCOMPARE(sink.shown.size(), size_t(1));
    QCOMPARE(sink.shown[0].text, std::string("Not a wave file!"));
    QCOMPARE(sink.shown[0].title, std::string("Debug"));
    QVERIFY(!core::Sound().HasBuffer(kButton));
    // A member the pack lacks is only refused: nothing more is shown.
    QTest::mouseClick(ButtonOf(*m_window, m_window->Cmds().readOnly), Qt::LeftButton);
    QCOMPARE(sink.shown.size(), size_t(1));
}

VELMORA_GUI_TEST(SoundClicksTest)
#include "SoundClicksTest.moc"
