#pragma once
// Window coordinates are kept in twips: 1440 to the inch, 15 to the pixel at
// 96 dots per inch. Qt's logical pixels are 96-dpi pixels, so one logical
// pixel is always 15 twips, whatever the screen's scale factor.

#include <QColor>
#include <QRect>
#include <QWidget>
#include <cmath>

namespace pw {

struct Screen {
    static constexpr int TwipsPerPixelX = 15;
};

// Twips to logical pixels, to the nearest pixel.
constexpr int px(int twips) {
    return twips >= 0 ? (twips + Screen::TwipsPerPixelX / 2) / Screen::TwipsPerPixelX
                      : -((-twips + Screen::TwipsPerPixelX / 2) / Screen::TwipsPerPixelX);
}
constexpr int twips(int pixels) {
    return pixels * Screen::TwipsPerPixelX;
}

// Places a control by its left, top, width and height in twips.
inline void place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(px(left), px(top), px(width), px(height));
}

// A control's geometry read back in twips.
inline int leftTwips(const QWidget* w) {
    return twips(w->x());
}
inline int topTwips(const QWidget* w) {
    return twips(w->y());
}
inline int widthTwips(const QWidget* w) {
    return twips(w->width());
}
inline int heightTwips(const QWidget* w) {
    return twips(w->height());
}

// A colour number, 0x00BBGGRR (red in the low byte), as a colour.
inline QColor toQColor(qint32 value) {
    const quint32 v = quint32(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

} // namespace pw
