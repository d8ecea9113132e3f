// The presentation extras: the game font built into the program, the splash screen's three
// colourings and its cross-fade, the about box's rolling credits and voices, and the tip of the
// day bound to the tip_of_day setting.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/settings/Settings.h"
#include "core/sound/SoundSystem.h"
#include "gui/app/MainWindow.h"
#include "gui/extras/AboutBox.h"
#include "gui/extras/GameFont.h"
#include "gui/extras/SplashScreen.h"
#include "gui/extras/TipOfDay.h"
#include "support/WaveBuilder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

using gui::SplashScreen;

class ExtrasTest : public QObject {
    Q_OBJECT
private slots:
    void gameFontIsBuiltIn();
    void splashColouringsDifferAndTheFadeFollowsTheClock();
    void splashClosesOnceTheMainWindowShows();
    void aboutBoxRollsItsCreditsRoundAndRound();
    void tipsCycleAndTheStartUpBoxIsTheSetting();
};

void ExtrasTest::gameFontIsBuiltIn()
{
    QCOMPARE(gui::GameFontFamily(), QStringLiteral("Ferrite Core DX"));
    QCOMPARE(QFontInfo(gui::GameFont(20)).family(), QStringLiteral("Ferrite Core DX"));
}

void ExtrasTest::splashColouringsDifferAndTheFadeFollowsTheClock()
{
    // The dominant colour of each variant's plate, away from the name.
    auto plate = [](const QPixmap& picture) { return picture.toImage().pixelColor(60, 40); };
    const QColor plain = plate(SplashScreen::Picture(QColor()));
    QVERIFY(qAbs(plain.red() - plain.blue()) < 12); // steel grey
    for (int variant = 0; variant < SplashScreen::kVariantCount; ++variant) {
        SplashScreen splash(variant);
        const QColor tinted = plate(splash.ColouredPicture());
        const int channels[3] = {tinted.red(), tinted.blue(), tinted.green()};
        for (int other = 0; other < 3; ++other)
            if (other != variant)
                QVERIFY2(channels[variant] > channels[other] + 20, qPrintable(tinted.name()));
        QCOMPARE(splash.PlainPicture().size(), splash.ColouredPicture().size());
    }
    // A random pick is one of the three.
    QList<int> seen;
    for (int i = 0; i < 30; ++i) {
        const int variant = SplashScreen().Variant();
        QVERIFY(variant >= 0 && variant < SplashScreen::kVariantCount);
        if (!seen.contains(variant))
            seen.append(variant);
    }
    QVERIFY(seen.size() > 1);

    SplashScreen splash(1);
    splash.show();
    QTRY_VERIFY(splash.Blend() > 0);
    QVERIFY(splash.Blend() < 1);
    QTRY_COMPARE_WITH_TIMEOUT(splash.Blend(), qreal(1), 3 * SplashScreen::kFadeMilliseconds);
    // At the end the screen shows the coloured picture alone.
    const QImage shown = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage coloured = splash.ColouredPicture().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.pixelColor(60, 40), coloured.pixelColor(60, 40));
}

void ExtrasTest::splashClosesOnceTheMainWindowShows()
{
    guitest::Sandbox sandbox;
    SplashScreen splash;
    splash.show();
    auto window = sandbox.Start(false);
    QVERIFY(window);
    QVERIFY(splash.isVisible()); // the window exists but is not shown yet
    window->show();
    splash.finish(window.get());
    QVERIFY(!splash.isVisible());
}

void ExtrasTest::aboutBoxRollsItsCreditsRoundAndRound()
{
    guitest::Sandbox sandbox;
    const std::filesystem::path pack = sandbox.Root() / "pak0.pk3";
    const auto voice = testsupport::PlainWave(testsupport::Tone16(330, 0.05, 0.5));
    testsupport::WriteFile(pack, testsupport::BuildZip({{.name = "sound/feedback/excellent.wav", .data = voice}}));
    sandbox.PrepareSettings();
    core::Settings.game.mainPack = pack.string();
    core::SoundSystem& sound = core::Sound();
    QVERIFY(sound.Open());

    gui::AboutBox box(&sound);
    QCOMPARE(box.windowTitle(), QStringLiteral("About Velmora"));
    QVERIFY(box.Credits().Lines().contains(QStringLiteral("SIL Open Font License 1.1")));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    // Opening greets on the model sound channel.
    QVERIFY(sound.HasBuffer(core::SoundChannel::ModelSound));
    sound.ReleaseChannel(core::SoundChannel::ModelSound);

    // It rolls by itself, slowly.
    const int start = box.Credits().Offset();
    QTRY_VERIFY(box.Credits().Offset() > start + 2);
    QVERIFY(box.Credits().Offset() < start + 100);

    // After a whole round it starts again from below and says so; the second voice is missing
    // from this pack, so nothing plays.
    int rounds = 0;
    connect(&box.Credits(), &gui::CreditsRoll::roundCompleted, this, [&rounds] { ++rounds; });
    const int round = box.Credits().RoundLength();
    box.Credits().Advance(round - box.Credits().Offset() + 5);
    QCOMPARE(rounds, 1);
    QCOMPARE(box.Credits().Offset(), 5);
    QVERIFY(!sound.HasBuffer(core::SoundChannel::ModelSound));
    box.close();
    QVERIFY(!box.Credits().Rolling());
    sound.Close();
}

void ExtrasTest::tipsCycleAndTheStartUpBoxIsTheSetting()
{
    QVERIFY(gui::TipOfDay::TipCount() >= 5);
    gui::TipOfDay last(false, gui::TipOfDay::TipCount() - 1);
    QVERIFY(!last.ShowAtStartUp());
    QCOMPARE(last.CurrentText(), gui::TipOfDay::Tip(gui::TipOfDay::TipCount() - 1));
    QTest::mouseClick(last.NextButton(), Qt::LeftButton);
    QCOMPARE(last.CurrentTip(), 0);
    QCOMPARE(last.CurrentText(), gui::TipOfDay::Tip(0));

    // The menu command shows the box checked from tip_of_day and stores what the user left.
    guitest::Sandbox sandbox;
    auto window = sandbox.Start(false);
    QVERIFY(window);
    QVERIFY(core::Settings.tip_of_day);
    bool wasChecked = false;
    QTimer::singleShot(0, this, [&wasChecked] {
        auto* dialog = qobject_cast<gui::TipOfDay*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        wasChecked = dialog->StartUpBox()->isChecked();
        dialog->StartUpBox()->click();
        dialog->reject();
    });
    window->Cmds().tipOfDay->trigger();
    QVERIFY(wasChecked);
    QVERIFY(!core::Settings.tip_of_day);
}

VELMORA_GUI_TEST(ExtrasTest)
#include "ExtrasTest.moc"
