#include "gui/common/PaletteColours.h"

#include <algorithm>
#include <cmath>

namespace gui {

QColor ColourFromStored(uint32_t stored)
{
    return QColor(static_cast<int>(stored & 0xFF), static_cast<int>((stored >> 8) & 0xFF),
                  static_cast<int>((stored >> 16) & 0xFF));
}

uint32_t StoredFromColour(const QColor& colour)
{
    return static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
           static_cast<uint32_t>(colour.blue()) << 16;
}

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

namespace {

double Luminance(const QColor& colour)
{
    auto channel = [](int value) {
        const double v = value / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) + 0.0722 * channel(colour.blue());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& text, const QColor& background)
{
    if (ContrastRatio(text, background) >= kReadableContrast)
        return text;
    // Towards white or black, whichever stands out more from the background; the hue stays, so
    // that a team's or a player's colour is still recognised. The lightness found is the least
    // change that reads.
    const bool up = ContrastRatio(Qt::white, background) >= ContrastRatio(Qt::black, background);
    const QColor hsl = text.toHsl();
    const int hue = hsl.hslHue(), saturation = hsl.hslSaturation();
    int readable = up ? 255 : 0; // white or black always reads on the side chosen
    int unreadable = hsl.lightness();
    while (std::abs(readable - unreadable) > 1) {
        const int middle = (readable + unreadable) / 2;
        if (ContrastRatio(QColor::fromHsl(hue, saturation, middle), background) >= kReadableContrast)
            readable = middle;
        else
            unreadable = middle;
    }
    return QColor::fromHsl(hue, saturation, readable).toRgb();
}

} // namespace gui
