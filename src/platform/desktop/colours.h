#pragma once
// Colours that stay legible on any theme. A text box's text colour is the
// program's (black, blue or red), its background the theme's; on a dark
// theme the two would hardly differ.

#include <QColor>
#include <QPalette>

namespace pw {

// The contrast ratio of two colours as the WCAG measure it, from 1 (the same
// lightness) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// The least contrast of text with its background that counts as legible.
inline constexpr double LegibleContrast = 4.5;

// The palette a text box paints with: the given one, except that in each
// colour group where the text does not reach LegibleContrast with the base,
// the base is white (where that is better), and that the selection is
// given colours that show on the base and carry its text where the
// palette's do not.
QPalette legiblePalette(const QPalette& palette);

} // namespace pw
