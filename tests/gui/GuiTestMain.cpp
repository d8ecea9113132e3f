// Runs every registered Qt Test class on the offscreen platform. A first argument naming a test
// class runs that class alone, with the remaining arguments (test functions, Qt Test options).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/gui/GuiTestSupport.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The desktop's folders (trash, caches, settings) of a home that only this run knows, so that
    // no test reads or fills the real one.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME"}) {
        const QString folder = home.path() + QLatin1Char('/') + QLatin1String(variable);
        QDir().mkpath(folder); // as on any account that has logged in to a desktop
        setenv(variable, folder.toLocal8Bit().constData(), 1);
    }
    // A run without Qt's optional plugins (the SVG icon engine among them): Qt then looks for
    // plugins in this folder only, and finds its platform through QT_QPA_PLATFORM_PLUGIN_PATH.
    if (const char* plugins = std::getenv("VELMORA_TEST_PLUGIN_DIR"))
        QCoreApplication::setLibraryPaths({QString::fromLocal8Bit(plugins)});
    QApplication app(argc, argv);
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> arguments(argv, argv + argc);
    if (only)
        arguments.erase(arguments.begin() + 1);
    int failures = 0;
    bool ran = false;
    for (const auto& make : guitest::RegisteredTests()) {
        std::unique_ptr<QObject> test(make());
        if (only && std::strcmp(test->metaObject()->className(), only) != 0)
            continue;
        ran = true;
        failures += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
    }
    // A misspelt class name (or a CTest entry left behind by a renamed class) must not pass.
    if (!ran) {
        std::fprintf(stderr, "no registered test class %s\n", only ? only : "at all");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
