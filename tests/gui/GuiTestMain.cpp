// Runs every registered Qt Test class on the offscreen platform.
#include <QApplication>
#include <QTest>

#include <cstdlib>

#include "GuiTestSupport.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    int failures = 0;
    for (const auto& make : guitest::RegisteredTests()) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
