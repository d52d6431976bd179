#include "caretstops.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace pw {

namespace {

constexpr qsizetype Window = 64;

// The grapheme boundaries of [from, to) as the finder sees them.
std::vector<qsizetype> boundaries(const TextStore& t, qsizetype from, qsizetype to) {
    const QString s = t.mid(from, to - from);
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, s);
    std::vector<qsizetype> out;
    for (qsizetype b = 0; b >= 0; b = f.toNextBoundary())
        out.push_back(from + b);
    return out;
}

int charClass(QChar c) {
    if (c.isSpace() || c.isNull())
        return 0;
    if (c.isLetterOrNumber() || c.isMark() || c == u'_' || c.isSurrogate() ||
        c.unicode() == 0x200D || c.unicode() == 0xFE0F)
        return 1;
    return 2;
}

} // namespace

qsizetype nextStop(const TextStore& t, qsizetype pos) {
    const qsizetype n = t.length();
    if (pos >= n)
        return n;
    pos = std::max<qsizetype>(pos, 0);
    for (qsizetype w = Window;; w *= 4) {
        const qsizetype from = std::max<qsizetype>(0, pos - w);
        const qsizetype to = std::min(n, pos + w);
        const auto b = boundaries(t, from, to);
        auto it = std::upper_bound(b.begin(), b.end(), pos);
        if (it != b.end() && (*it < to || to == n))
            return *it;
        if (from == 0 && to == n)
            return n;
    }
}

qsizetype previousStop(const TextStore& t, qsizetype pos) {
    const qsizetype n = t.length();
    if (pos <= 0)
        return 0;
    pos = std::min(pos, n);
    for (qsizetype w = Window;; w *= 4) {
        const qsizetype from = std::max<qsizetype>(0, pos - w);
        const qsizetype to = std::min(n, pos + w);
        const auto b = boundaries(t, from, to);
        auto it = std::lower_bound(b.begin(), b.end(), pos);
        if (it != b.begin() && (*(it - 1) > from || from == 0))
            return *(it - 1);
        if (from == 0 && to == n)
            return 0;
    }
}

qsizetype snapToStop(const TextStore& t, qsizetype pos) {
    pos = std::clamp<qsizetype>(pos, 0, t.length());
    if (pos == 0 || pos == t.length())
        return pos;
    return previousStop(t, nextStop(t, pos));
}

qsizetype previousCodePoint(const TextStore& t, qsizetype pos) {
    if (pos <= 0)
        return 0;
    if (pos >= 2) {
        const QChar a = t.at(pos - 2);
        const QChar b = t.at(pos - 1);
        if ((a == u'\r' && b == u'\n') || (a.isHighSurrogate() && b.isLowSurrogate()))
            return pos - 2;
    }
    return pos - 1;
}

qsizetype wordRight(const TextStore& t, qsizetype pos) {
    const qsizetype n = t.length();
    if (pos >= n)
        return n;
    qsizetype i = pos;
    const int first = charClass(t.at(i));
    if (first != 0)
        while (i < n && charClass(t.at(i)) == first)
            i = nextStop(t, i);
    while (i < n && charClass(t.at(i)) == 0 && t.at(i) != u'\r' && t.at(i) != u'\n')
        i = nextStop(t, i);
    if (i == pos)
        return nextStop(t, pos);
    return snapToStop(t, i);
}

qsizetype wordLeft(const TextStore& t, qsizetype pos) {
    if (pos <= 0)
        return 0;
    qsizetype i = pos;
    while (i > 0 && charClass(t.at(i - 1)) == 0 && t.at(i - 1) != u'\r' && t.at(i - 1) != u'\n')
        i = previousStop(t, i);
    if (i > 0 && charClass(t.at(previousStop(t, i))) != 0) {
        const int c = charClass(t.at(previousStop(t, i)));
        while (i > 0 && charClass(t.at(previousStop(t, i))) == c)
            i = previousStop(t, i);
    }
    if (i == pos)
        return previousStop(t, pos);
    return i;
}

WordSpan wordAt(const TextStore& t, qsizetype pos) {
    const qsizetype line = t.lineOf(pos);
    const qsizetype ls = t.lineStart(line);
    const qsizetype ce = t.lineContentEnd(line);
    if (ls == ce)
        return {pos, pos};
    pos = snapToStop(t, std::clamp(pos, ls, ce));
    if (pos >= ce)
        pos = previousStop(t, ce);
    const int c = charClass(t.at(pos));
    qsizetype a = pos, b = nextStop(t, pos);
    if (c != 2) {
        while (a > ls && charClass(t.at(previousStop(t, a))) == c)
            a = previousStop(t, a);
        while (b < ce && charClass(t.at(b)) == c)
            b = nextStop(t, b);
    }
    return {a, std::min(b, ce)};
}

Qt::LayoutDirection lineDirection(const TextStore& t, qsizetype line) {
    const qsizetype ls = t.lineStart(line);
    const qsizetype ce = t.lineContentEnd(line);
    for (qsizetype from = ls; from < ce; from += 4096) {
        const QString s = t.mid(from, std::min<qsizetype>(4096, ce - from));
        for (const QChar c : s) {
            switch (c.direction()) {
            case QChar::DirL:
                return Qt::LeftToRight;
            case QChar::DirR:
            case QChar::DirAL:
                return Qt::RightToLeft;
            default:
                break;
            }
        }
    }
    return Qt::LeftToRight;
}

} // namespace pw
