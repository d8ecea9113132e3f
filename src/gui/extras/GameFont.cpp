#include "gui/extras/GameFont.h"

#include <QFontDatabase>
#include <QStringList>

// The resources live in a static library: their registration must be pulled in by name.
static void InitVelmoraResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace gui {

void InitProgramResources()
{
    static const bool done = [] {
        InitVelmoraResources();
        return true;
    }();
    (void)done;
}

QString GameFontFamily()
{
    static const QString family = [] {
        InitProgramResources();
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/velmora/fonts/FerriteCoreDX-Regular.otf"));
        const QStringList families = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.front();
    }();
    return family;
}

QFont GameFont(int pixelSize)
{
    QFont font;
    const QString family = GameFontFamily();
    if (family.isEmpty())
        font.setBold(true);
    else
        font.setFamilies({family});
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace gui
