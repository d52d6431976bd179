#include "marks.h"

namespace pw {

QChar shownChar(QStringView text, qsizetype i) {
    const char16_t c = text[i].unicode();
    if (c < 0x20 && c != u'\t')
        return QChar(char16_t(0x2400 + c)); // control pictures: NUL, CR, LF...
    switch (c) {
    case 0x7F:
        return QChar(char16_t(0x2421));
    case 0x2028:
        return QChar(char16_t(0x21B5)); // line separator
    case 0x2029:
        return QChar(char16_t(0x00B6)); // paragraph separator
    case 0xFFFC:
    case 0xFDD0:
    case 0xFDD1:
        return QChar(char16_t(0xFFFD));
    default:
        break;
    }
    if (QChar::isHighSurrogate(c))
        return i + 1 < text.size() && text[i + 1].isLowSurrogate() ? QChar(c) : QChar(0xFFFD);
    if (QChar::isLowSurrogate(c))
        return i > 0 && text[i - 1].isHighSurrogate() ? QChar(c) : QChar(0xFFFD);
    return QChar(c);
}

QString shownString(const QString& text) {
    QString out = text;
    QChar* o = nullptr;
    const QStringView v(text);
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char16_t c = v[i].unicode();
        if (c < 0x20 || c == 0x7F || (c >= 0x2028 && c <= 0x2029) || c >= 0xD800) {
            const QChar s = shownChar(v, i);
            if (s != v[i]) {
                if (!o)
                    o = out.data(); // detached only when something is marked
                o[i] = s;
            }
        }
    }
    return out;
}

} // namespace pw
