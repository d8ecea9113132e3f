// The sound options window over the program's real sound system and OpenAL Soft's "wave" back
// end: its enabling rules, the output opened and closed by "Enable Sound", the map music faded by
// the window's 50 ms timer while the window stays usable, and a failed opening.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <filesystem>

#include "core/settings/Settings.h"
#include "core/sound/OpenAlOutput.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/sound/SoundOptionsWindow.h"
#include "gui/sound/SoundPump.h"
#include "support/Recorder.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

using core::SoundChannel;
using gui::SoundOptionsWindow;

// Every window of the widget tests opens the sound output at start-up; the wave back end makes
// that work the same on every machine, with or without a sound card.
static const std::filesystem::path kSoundOutput = testsupport::UseWaveFileOutput();

namespace {

constexpr SoundChannel kMusic = SoundChannel::Music;
constexpr SoundChannel kModel = SoundChannel::ModelSound;
constexpr SoundChannel kButton = SoundChannel::ButtonSound;

void WriteSoundPack(const std::filesystem::path& pack)
{
    const auto click = testsupport::PlainWave(testsupport::Tone16(440, 0.05, 0.5));
    const auto loop = testsupport::PlainWave(testsupport::Tone16(220, 0.5, 0.3));
    testsupport::WriteFile(pack, testsupport::BuildZip({
                                     {.name = "sound/misc/menu1.wav", .data = click, .deflate = true},
                                     {.name = "music/loop.wav", .data = loop},
                                 }));
}

} // namespace

class SoundOptionsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openingShowsTheOptionsAndSwitchesNothing();
    void enableSoundClosesAndReopensTheOutput();
    void mapMusicFadesUnderTheWindowTimerWhileCloseWaits();
    void channelBoxesAndSlidersActAtOnce();
    void failedOpeningIsTitledAndTheWindowStillCloses();
    void soundThatCannotOpenIsToldOnceWithoutABox();

private:
    SoundOptionsWindow* OpenWindow(core::SoundSystem& sound);
    void Click(QWidget* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2)); }

    std::unique_ptr<guitest::Sandbox> m_sandbox;
    std::unique_ptr<gui::MainWindow> m_window;
    QPointer<SoundOptionsWindow> m_control;
    std::string m_pack;
    int m_musicStarts = 0;
    bool m_propertiesOpen = false;
};

void SoundOptionsWindowTest::init()
{
    m_sandbox = std::make_unique<guitest::Sandbox>();
    m_window = m_sandbox->Start(false);
    QVERIFY(m_window);
    m_pack = (m_sandbox->Root() / "pak0.pk3").string();
    WriteSoundPack(m_pack);
    core::Settings.game.mainPack = m_pack;
    QVERIFY(core::Sound().IsOpen());
    m_musicStarts = 0;
    m_propertiesOpen = false;
    gui::MapMusicHooks().propertiesOpen = [this] { return m_propertiesOpen; };
    gui::MapMusicHooks().startMapMusic = [this] {
        ++m_musicStarts;
        core::Sound().PlaySoundFromPak(m_pack, "music\\loop.wav", 0);
    };
}

void SoundOptionsWindowTest::cleanup()
{
    delete m_control;
    gui::MapMusicHooks() = {};
    core::Sound().Close();
    m_window.reset();
    m_sandbox.reset();
}

SoundOptionsWindow* SoundOptionsWindowTest::OpenWindow(core::SoundSystem& sound)
{
    SoundOptionsWindow::Toggle(m_control, sound, m_window.get());
    return m_control;
}

void SoundOptionsWindowTest::openingShowsTheOptionsAndSwitchesNothing()
{
    core::Settings.play_musics = false;
    core::Settings.vol_menus = -1200;
    core::Settings.vol_sounds = -6667;
    SoundOptionsWindow* window = OpenWindow(core::Sound());
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Sound Options"));
    QVERIFY(window->EnableSoundBox()->isChecked());
    QVERIFY(!window->ChannelBox(kMusic)->isChecked());
    QVERIFY(window->ChannelBox(kMusic)->isEnabled());
    QVERIFY(!window->VolumeSlider(kMusic)->isEnabled()); // its channel is off
    QVERIFY(window->VolumeSlider(kModel)->isEnabled());
    QCOMPARE(window->VolumeSlider(kButton)->value(), -1200);
    QCOMPARE(window->VolumeSlider(kModel)->value(), -6667);
    QCOMPARE(window->VolumeSlider(kModel)->minimum(), -6667);
    QCOMPARE(window->VolumeSlider(kModel)->maximum(), 0);
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!(window->windowFlags() & Qt::WindowStaysOnTopHint)); // above its main window only
    QVERIFY(core::Sound().IsOpen());
    QCOMPARE(core::Settings.vol_menus, -1200);

    // "&Close" frees it; the menu command opens a new one and closes it again.
    QTest::mouseClick(window->CloseButton(), Qt::LeftButton);
    QTRY_VERIFY(!m_control);
    m_window->Cmds().soundOptions->trigger();
    QPointer<QWidget> fromMenu = m_window->findChild<SoundOptionsWindow*>();
    QVERIFY(fromMenu && fromMenu->isVisible());
    m_window->Cmds().soundOptions->trigger();
    QTRY_VERIFY(!fromMenu);
}

void SoundOptionsWindowTest::enableSoundClosesAndReopensTheOutput()
{
    // Sound off while a sound plays: the output goes, and with it every channel control.
    QVERIFY(core::Sound().PlayButtonSound(core::ButtonSound::Help));
    SoundOptionsWindow* window = OpenWindow(core::Sound());
    Click(window->EnableSoundBox());
    QVERIFY(!core::Sound().IsOpen());
    QVERIFY(!core::Settings.sound_enable);
    QVERIFY(!core::Sound().HasBuffer(kButton));
    QCOMPARE(window->windowTitle(), QStringLiteral("Sound Options: OpenAL uninitialised"));
    for (SoundChannel channel : {kMusic, kModel, kButton}) {
        QVERIFY(!window->ChannelBox(channel)->isEnabled());
        QVERIFY(!window->VolumeSlider(channel)->isEnabled());
    }
    QVERIFY(window->CloseButton()->isEnabled());

    // Sound on: opened again, the boxes come back and the sliders of the channels that are on.
    core::Settings.play_sounds = false;
    Click(window->EnableSoundBox());
    QVERIFY(core::Sound().IsOpen());
    QVERIFY(core::Settings.sound_enable);
    QCOMPARE(window->windowTitle(), QStringLiteral("Sound Options: OpenAL successfully initialised"));
    QVERIFY(window->ChannelBox(kModel)->isEnabled());
    QVERIFY(!window->VolumeSlider(kModel)->isEnabled());
    QVERIFY(window->VolumeSlider(kButton)->isEnabled());
    QVERIFY(core::Sound().PlayButtonSound(core::ButtonSound::Help));
}

void SoundOptionsWindowTest::mapMusicFadesUnderTheWindowTimerWhileCloseWaits()
{
    m_propertiesOpen = true;
    gui::MapMusicHooks().startMapMusic();
    // The fade in was stepped by the window's timer and has ended at the music volume.
    QVERIFY(core::Sound().MusicPlaying());
    QCOMPARE(core::Sound().BufferVolume(kMusic), -2500);
    QVERIFY(!core::Sound().TimerRunning());

    SoundOptionsWindow* window = OpenWindow(core::Sound());
    // While the music fades out the window handles events: it repaints, and a close asked for
    // meanwhile is refused, as "&Close" and the map music box are disabled.
    bool closeEnabledDuringFade = true;
    bool boxEnabledDuringFade = true;
    bool closedDuringFade = true;
    int busyDuringFade = 0;
    QTimer::singleShot(120, this, [&] {
        closeEnabledDuringFade = window->CloseButton()->isEnabled();
        boxEnabledDuringFade = window->ChannelBox(kMusic)->isEnabled();
        busyDuringFade = gui::BusyCount;
        closedDuringFade = window->close();
        QTest::keyClick(window, Qt::Key_Escape);
    });
    Click(window->ChannelBox(kMusic));
    QVERIFY(!closeEnabledDuringFade);
    QVERIFY(!boxEnabledDuringFade);
    QVERIFY(!closedDuringFade);
    QCOMPARE(busyDuringFade, 1);
    QVERIFY(m_control && window->isVisible());
    QVERIFY(!core::Sound().MusicPlaying());
    QVERIFY(!core::Settings.play_musics);
    QVERIFY(!window->VolumeSlider(kMusic)->isEnabled());
    QVERIFY(window->CloseButton()->isEnabled());
    QCOMPARE(gui::BusyCount, 0);

    // On again: the music of the demo shown starts over, and its slider moves it at once.
    Click(window->ChannelBox(kMusic));
    QCOMPARE(m_musicStarts, 2);
    QVERIFY(core::Sound().MusicPlaying());
    QCOMPARE(core::Sound().BufferVolume(kMusic), -2500);
    QVERIFY(window->VolumeSlider(kMusic)->isEnabled());
    QVERIFY(window->ChannelBox(kMusic)->isEnabled());
    window->VolumeSlider(kMusic)->setValue(-1000);
    QCOMPARE(core::Sound().BufferVolume(kMusic), -1000);

    // Sound off stops the music too; on again restarts it for the open properties window.
    Click(window->EnableSoundBox());
    QVERIFY(!core::Sound().MusicPlaying());
    Click(window->EnableSoundBox());
    QCOMPARE(m_musicStarts, 3);
    QVERIFY(core::Sound().MusicPlaying());
    QCOMPARE(window->windowTitle(), QStringLiteral("Sound Options: OpenAL successfully initialised"));
}

void SoundOptionsWindowTest::channelBoxesAndSlidersActAtOnce()
{
    SoundOptionsWindow* window = OpenWindow(core::Sound());
    QVERIFY(core::Sound().PlayButtonSound(core::ButtonSound::Help));
    // The volume of what plays follows the slider at once.
    window->VolumeSlider(kButton)->setValue(-4000);
    QCOMPARE(core::Settings.vol_menus, -4000);
    QCOMPARE(core::Sound().BufferVolume(kButton), -4000);

    // Switching a channel off keeps its sound but stops new ones.
    Click(window->ChannelBox(kButton));
    QVERIFY(!core::Settings.play_menus);
    QVERIFY(!window->VolumeSlider(kButton)->isEnabled());
    QVERIFY(core::Sound().HasBuffer(kButton));
    QVERIFY(!core::Sound().PlayButtonSound(core::ButtonSound::Help));
    Click(window->ChannelBox(kModel));
    QVERIFY(!core::Settings.play_sounds);
    QVERIFY(!window->VolumeSlider(kModel)->isEnabled());
    Click(window->ChannelBox(kButton));
    QVERIFY(core::Settings.play_menus);
    QVERIFY(window->VolumeSlider(kButton)->isEnabled());
    QVERIFY(core::Sound().PlayButtonSound(core::ButtonSound::Help));
    QCOMPARE(core::Sound().BufferVolume(kButton), -4000);
}

void SoundOptionsWindowTest::failedOpeningIsTitledAndTheWindowStillCloses()
{
    core::SettingsRecord settings;
    settings.sound_enable = false;
    int attempts = 0;
    core::SoundSystem broken(settings, [&attempts](std::unique_ptr<core::SoundOutput>&) {
        ++attempts;
        return core::kSoundNoDriver;
    });
    SoundOptionsWindow* window = OpenWindow(broken);
    QVERIFY(!window->ChannelBox(kMusic)->isEnabled());
    Click(window->EnableSoundBox());
    QCOMPARE(attempts, 1);
    QCOMPARE(window->windowTitle(), QStringLiteral("Sound Options: OpenAL Initialisation failed"));
    QVERIFY(!settings.sound_enable);
    for (SoundChannel channel : {kMusic, kModel, kButton}) {
        QVERIFY(!window->ChannelBox(channel)->isEnabled());
        QVERIFY(!window->VolumeSlider(channel)->isEnabled());
    }
    // The box shows that sound is off, and the window says why in words, not only in a title
    // too long for its bar; the next click tries once more.
    QVERIFY(!window->EnableSoundBox()->isChecked());
    QVERIFY(window->Report()->isVisible());
    QVERIFY(window->Report()->text().contains(QStringLiteral("OpenAL could not open")));
    QVERIFY(window->frameGeometry().height() > window->Report()->height());
    Click(window->EnableSoundBox());
    QCOMPARE(attempts, 2);
    QVERIFY(!window->EnableSoundBox()->isChecked());
    QVERIFY(window->CloseButton()->isEnabled());
    Click(window->CloseButton());
    QTRY_VERIFY(!m_control);
}

void SoundOptionsWindowTest::soundThatCannotOpenIsToldOnceWithoutABox()
{
    m_window.reset();
    core::Sound().Close();
    const char* const device = "Velmora test: no such device";
    core::Sound().UseDevice([device](auto& output) { return core::OpenOpenAlOutput(device, output); },
                            [device] { return core::OpenAlDeviceName(device); });
    testsupport::RecordingSink messages;
    guitest::Sandbox sandbox;
    sandbox.WriteConfig("[Sound]\r\nsound_enable=1\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(!core::Sound().IsOpen());
    QVERIFY(!core::Settings.sound_enable);
    // Told beside the window, in words that name the library and the device; nothing waits
    // for an answer.
    QVERIFY(messages.shown.empty());
    QTRY_VERIFY(window->findChild<QMessageBox*>(QStringLiteral("SoundNotice")));
    auto* notice = window->findChild<QMessageBox*>(QStringLiteral("SoundNotice"));
    QVERIFY(notice->isVisible());
    QVERIFY(!notice->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(notice->text().contains(QStringLiteral("OpenAL")));
    QVERIFY(notice->text().contains(QString::fromLatin1(device)));
    QVERIFY(!notice->text().contains(QStringLiteral("DirectSound")));
    QCOMPARE(notice->text(), QString::fromStdString(core::SoundOffText(device)));

    // The sound options window opens with the box unticked and says why.
    window->Cmds().soundOptions->trigger();
    QPointer<SoundOptionsWindow> options = window->findChild<SoundOptionsWindow*>();
    QVERIFY(options);
    QVERIFY(!options->EnableSoundBox()->isChecked());
    QVERIFY(options->Report()->isVisible());
    Click(options->EnableSoundBox());
    QVERIFY(!options->EnableSoundBox()->isChecked());
    QCOMPARE(options->windowTitle(), QStringLiteral("Sound Options: OpenAL Initialisation failed"));
    QVERIFY(options->Report()->text().contains(QString::fromLatin1(device)));
    QVERIFY(messages.shown.empty());
    options->close();
    QTRY_VERIFY(!options);

    // Sound stays off: the next start neither tries nor tells again.
    QVERIFY(window->close());
    QVERIFY(sandbox.ReadConfig().find("sound_enable=0\r\n") != std::string::npos);
    window.reset();
    auto again = sandbox.Start();
    QVERIFY(again);
    QTest::qWait(50);
    QVERIFY(!again->findChild<QMessageBox*>(QStringLiteral("SoundNotice")));
    QVERIFY(messages.shown.empty());
    again.reset();

    core::Sound().UseDevice([](auto& output) { return core::OpenOpenAlOutput(nullptr, output); },
                            [] { return core::OpenAlDeviceName(nullptr); });
}

VELMORA_GUI_TEST(SoundOptionsWindowTest)
#include "SoundOptionsWindowTest.moc"
