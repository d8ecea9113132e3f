#include "gui/app/PaletteColours.h"

#include <algorithm>

#include "gui/tree/FolderTreeModel.h"

namespace gui {

bool IsDark(const QColor& background)
{
    return background.lightness() < 128;
}

bool IsDarkPalette(const QPalette& palette)
{
    return IsDark(palette.color(QPalette::Active, QPalette::Base));
}

QColor DarkVariant(const QColor& light)
{
    const QColor hsl = light.toHsl();
    // Pastels (lightness about 230) become deep tones (about 40) that light text reads well on.
    return QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation() * 3 / 5, std::max(0, 270 - hsl.lightness()));
}

QColor ShownPaneColour(uint32_t stored, uint32_t defaultStored, bool darkPalette)
{
    const QColor colour = ColourFromStored(stored);
    return darkPalette && stored == defaultStored ? DarkVariant(colour) : colour;
}

uint32_t StoredPaneColour(const QColor& shown, uint32_t defaultStored, bool darkPalette)
{
    if (darkPalette && shown.rgb() == DarkVariant(ColourFromStored(defaultStored)).rgb())
        return defaultStored;
    return StoredFromColour(shown);
}

QColor ReadableOn(const QColor& text, const QColor& background)
{
    if (!IsDark(background))
        return text;
    const QRgb rgb = text.rgb() & 0xFFFFFF;
    switch (rgb) {
    case 0x000000: // ^0 and the folder names' black
        return QColor(190, 190, 190);
    case 0x0000FF: // ^4
        return QColor(110, 150, 255);
    case 0x008000: // ^2
        return QColor(90, 210, 90);
    default:
        return text;
    }
}

} // namespace gui
