#pragma once
// Colours that follow the desktop's palette. The panes' pastel background colours were chosen for
// light desktops; on a dark palette the ones the user never changed turn into dark variants of
// themselves (same hue), while colours the user chose stay exactly as chosen. Texts in the game's
// colours stay readable on dark backgrounds.
#include <QColor>
#include <QPalette>

#include <cstdint>

namespace gui {

// Colours are stored with red in bits 0-7, green in 8-15 and blue in 16-23.
QColor ColourFromStored(uint32_t stored);
uint32_t StoredFromColour(const QColor& colour);

// A background darker than middle grey.
bool IsDark(const QColor& background);
// The application's palette is dark: its text fields' background is dark.
bool IsDarkPalette(const QPalette& palette);

// The dark variant of a light colour: the same hue and saturation at the mirrored lightness.
QColor DarkVariant(const QColor& light);
// The background shown for a stored pane colour: a colour still at its default follows the palette.
QColor ShownPaneColour(uint32_t stored, uint32_t defaultStored, bool darkPalette);
// The value stored for a shown pane colour: the dark variant of the default stores as the default,
// so that the file keeps saying "default" whatever palette the program ran with.
uint32_t StoredPaneColour(const QColor& shown, uint32_t defaultStored, bool darkPalette);

// The contrast of two colours as the readability guidelines for the web count it: 1 (none) to 21
// (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
// The least contrast text keeps against its background.
constexpr double kReadableContrast = 4.5;
// A text colour readable on the background: a colour with too little contrast (the game's red or
// blue on the dark lists, grey folder names on a dark tint) moves to a lighter or darker shade of
// itself, just as far as it takes; a readable colour stays exactly as it is.
QColor ReadableOn(const QColor& text, const QColor& background);

} // namespace gui
