#include <QApplication>
#include <QDir>
#include <QFile>

#include "core/playback/Mods.h"
#include "core/settings/Settings.h"
#include "gui/app/ApplicationIcon.h"
#include "gui/app/BoxMessageSink.h"
#include "gui/app/FileOpener.h"
#include "gui/app/MainWindow.h"
#include "gui/app/SingleInstance.h"
#include "gui/common/MessageSink.h"
#include "gui/extras/SplashScreen.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora 1.32"));
    // Every window, the splash and the message boxes too; the desktop matches windows to the menu
    // entry (and its icon) by this name.
    QApplication::setWindowIcon(gui::ApplicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.Velmora"));
    gui::BoxMessageSink messages;
    gui::SetMessageSink(&messages);

    core::Settings.paths = core::CurrentProgramPaths();
    gui::SingleInstance instance(gui::SingleInstance::NameFor(
        QFile::decodeName(core::Settings.paths.configurationFile.c_str()), gui::SingleInstance::CurrentDisplay()));
    // The running instance works in a folder of its own: it gets the files with their full paths.
    const QStringList arguments = gui::AbsoluteArguments(QApplication::arguments(), QDir::currentPath());
    if (instance.Claim(arguments) == gui::SingleInstance::Outcome::HandedOver)
        return 0;

    core::IniFile config;
    if (config.Load(core::Settings.paths.configurationFile) == core::IniFile::LoadResult::Unreadable)
        gui::Messages().Error(core::kConfigErrorText, core::kConfigErrorTitle);

    std::vector<std::string> rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments.emplace_back(argv[i]);
    std::unique_ptr<gui::SplashScreen> splash;
    if (core::ShowSplash(core::ReadEarlyNoSplash(config), rawArguments)) {
        splash = std::make_unique<gui::SplashScreen>();
        splash->show();
        QApplication::processEvents();
    }

    gui::MainWindow window;
    messages.SetParent(&window);
    // The splash stays on top of everything: it makes way for the game directory question.
    if (splash) {
        window.chooseFolder = [&splash, ask = window.chooseFolder](const QString& title, const QString& start) {
            splash->close();
            return ask(title, start);
        };
    }
    const core::Environment environment = core::CurrentEnvironment();
    const std::string builtIn = core::BuiltInGameDirectory(core::GameDirectoryCandidates(environment));
    core::ModLocations = core::DefaultModLocations(environment);
    if (!window.StartUp(config, builtIn))
        return 1;
    auto* opener = new gui::FileOpener(window);
    opener->AcceptHandOvers(instance);

    window.HoldNotices();
    window.show();
    window.repaint();
    // The splash goes as soon as the main window is on the screen.
    if (splash)
        splash->finish(&window);
    window.ListStartFolder();
    window.StartIndexing();
    opener->Open(gui::FilesToOpen(arguments));
    window.ShowStartNotices(core::Settings.tip_of_day);
    return QApplication::exec();
}
