#include "colours.h"

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

double channel(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) +
           0.0722 * channel(rgb.blueF());
}

// A selection shows where it stands out from the background as the WCAG ask
// of any part of a control, and its text stands out from it as much.
constexpr double VisibleContrast = 3.0;

} // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette legiblePalette(const QPalette& palette) {
    QPalette shown = palette;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor text = palette.color(group, QPalette::Text);
        QColor base = palette.color(group, QPalette::Base);
        if (contrastRatio(text, base) < LegibleContrast &&
            contrastRatio(text, Qt::white) > contrastRatio(text, base)) {
            base = Qt::white;
            shown.setColor(group, QPalette::Base, base);
        }
        const QColor highlight = palette.color(group, QPalette::Highlight);
        const QColor selected = palette.color(group, QPalette::HighlightedText);
        if (contrastRatio(highlight, base) >= VisibleContrast &&
            contrastRatio(selected, highlight) >= VisibleContrast)
            continue;
        // A deep blue with white text on a light background, a pale one with
        // black text on a dark one.
        const QColor deep(0x1a, 0x5f, 0xb4);
        const QColor pale(0xa8, 0xc8, 0xf0);
        const bool useDeep = contrastRatio(deep, base) >= contrastRatio(pale, base);
        shown.setColor(group, QPalette::Highlight, useDeep ? deep : pale);
        shown.setColor(group, QPalette::HighlightedText, useDeep ? Qt::white : Qt::black);
    }
    return shown;
}

} // namespace pw
