#include <QApplication>
#include <QFile>

#include "gui/app/MainWindow.h"
#include "core/app/Settings.h"
#include "core/common/MessageSink.h"
#include "gui/app/BoxMessageSink.h"
#include "gui/extras/SplashScreen.h"
#include "core/playback/Mods.h"
#include "gui/app/SingleInstance.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora 1.32"));
    gui::BoxMessageSink messages;
    core::SetMessageSink(&messages);

    core::Settings.paths = core::CurrentProgramPaths();
    gui::SingleInstance instance(gui::SingleInstance::NameFor(
        QFile::decodeName(core::Settings.paths.configurationFile.c_str()), gui::SingleInstance::CurrentDisplay()));
    if (instance.Claim(QApplication::arguments()) == gui::SingleInstance::Outcome::HandedOver)
        return 0;

    core::IniFile config;
    if (config.Load(core::Settings.paths.configurationFile) == core::IniFile::LoadResult::Unreadable)
        core::Messages().Error(core::kConfigErrorText, core::kConfigErrorTitle);

    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    std::unique_ptr<gui::SplashScreen> splash;
    if (core::ShowSplash(core::ReadEarlyNoSplash(config), arguments)) {
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
    QObject::connect(&instance, &gui::SingleInstance::activationRequested, &window, &gui::MainWindow::BringToFront);

    window.show();
    window.repaint();
    // The splash goes as soon as the main window is on the screen.
    if (splash)
        splash->finish(&window);
    window.ListStartFolder();
    window.StartIndexing();
    if (core::Settings.tip_of_day)
        window.Cmds().tipOfDay->trigger();
    return QApplication::exec();
}
