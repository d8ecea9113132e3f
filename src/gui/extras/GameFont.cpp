#include "gui/extras/GameFont.h"

#include <QFontDatabase>
#include <QStringList>

#include "gui/common/ProgramResources.h"

namespace gui {

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
