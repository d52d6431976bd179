#include "caretstops.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace pw {

namespace {

constexpr qsizetype StepWindow = 64;  // what a single step reads first
constexpr qsizetype WordPiece = 4096; // what a word or a line is read in

// 0 blank, 1 part of a word, 2 anything else.
int charClass(QChar c) {
    if (c.isSpace() || c.isNull())
        return 0;
    if (c.isLetterOrNumber() || c.isMark() || c == u'_' || c.isSurrogate())
        return 1;
    return 2;
}

bool isLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

// Characters the text area draws as a mark of their own, besides lone
// surrogates.
bool drawnAsMark(char16_t c) {
    return c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1;
}

// Whether the finder, having read c, is in the same state whatever came
// before c: c neither extends what went before (marks, some modifiers, the
// joiner, tags, all of which are marks, modifiers or format characters) nor
// pairs up with it (regional indicators). Unassigned characters count as
// neither, since a later table may give them any part.
bool endsContext(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Symbol_Math:
    case QChar::Symbol_Currency:
    case QChar::Other_Control:
    case QChar::Other_PrivateUse:
        return true;
    case QChar::Symbol_Other:
        return c < 0x1F1E6 || c > 0x1F1FF; // the regional indicators
    default:
        return false;
    }
}

// Scripts whose clusters the finder cuts by rules of their own (syllables),
// over the whole run of the script, beyond the rules above.
bool tailored(QChar::Script s) {
    switch (s) {
    case QChar::Script_Devanagari:
    case QChar::Script_Bengali:
    case QChar::Script_Gurmukhi:
    case QChar::Script_Gujarati:
    case QChar::Script_Oriya:
    case QChar::Script_Tamil:
    case QChar::Script_Telugu:
    case QChar::Script_Kannada:
    case QChar::Script_Malayalam:
    case QChar::Script_Sinhala:
    case QChar::Script_Thai:
    case QChar::Script_Tibetan:
    case QChar::Script_Myanmar:
    case QChar::Script_Khmer:
        return true;
    default:
        return false;
    }
}

// How far back a restart point is looked for that also settles the
// finder's runs of scripts.
constexpr qsizetype ScriptLookBack = 256;

// The nearest position at or before pos where the finder may start and be
// right about every stop after it: the start of a character that ends the
// context and has a script of its own that the finder cuts by the common
// rules alone (where a run of a script starts decides how it is cut, and
// common characters such as spaces and digits join the run around them), or
// the start of the text. Where no such character lies within ScriptLookBack
// of the nearest character that ends the context, that nearest one will do,
// or better a letter of the scripts above: exact for the common rules, and
// for those scripts' syllables from the next syllable on.
qsizetype restartAtOrBefore(const TextStore& t, qsizetype pos) {
    const qsizetype n = t.length();
    pos = std::clamp<qsizetype>(pos, 0, n);
    qsizetype fallback = -1; // the nearest character that ends the context
    qsizetype lettered = -1; // the nearest such with a script of its own
    for (qsizetype len = 16; pos > 0; len *= 2) {
        const qsizetype from = std::max<qsizetype>(0, pos - len + 1);
        // One character past pos, to see whether a high surrogate at pos is
        // half of a pair.
        const QString s = t.mid(from, std::min(n, pos + 2) - from);
        for (qsizetype i = std::min(pos - from, s.size() - 1); i >= 0; --i) {
            const QChar c = s[i];
            // Whether the character ends the context, and whether it also
            // has a script of its own that the finder cuts by the common
            // rules (a lone surrogate or a mark shown as a control has not).
            bool ends = true;
            bool settles = false;
            bool strong = false;
            if (c.isLowSurrogate()) {
                const bool paired = i > 0 ? s[i - 1].isHighSurrogate()
                                          : from > 0 && t.at(from - 1).isHighSurrogate();
                if (paired)
                    continue; // the pair starts one before
            } else if (!drawnAsMark(c.unicode()) &&
                       !(c.isHighSurrogate() &&
                         (i + 1 >= s.size() || !s[i + 1].isLowSurrogate()))) {
                const char32_t cp =
                    c.isHighSurrogate() ? QChar::surrogateToUcs4(c, s[i + 1]) : c.unicode();
                ends = endsContext(cp);
                const QChar::Script script = QChar::script(cp);
                strong = ends && script > QChar::Script_Common;
                settles = strong && !tailored(script);
            }
            const qsizetype at = from + i;
            if (settles)
                return at;
            if (ends && fallback < 0)
                fallback = at;
            if (strong && lettered < 0)
                lettered = at;
            if (fallback >= 0 && fallback - at >= ScriptLookBack)
                return lettered >= 0 ? lettered : fallback;
        }
        pos = from - 1;
    }
    return 0;
}

// A character with a script of its own (not a mark, which takes the script
// of what it is on) that stands for the run of script a window starting at
// pos begins in: nothing where the window starts the text or with such a
// character, the nearest one within ScriptLookBack before it, or else a
// Latin letter.
QString leadingLetter(const TextStore& t, qsizetype pos) {
    if (pos <= 0)
        return {};
    const auto letter = [](char32_t c) {
        return QChar::script(c) > QChar::Script_Common &&
               QChar::category(c) > QChar::Mark_Enclosing;
    };
    const qsizetype from = std::max<qsizetype>(0, pos - ScriptLookBack);
    const QString s = t.mid(from, std::min(t.length(), pos + 2) - from);
    const qsizetype at = pos - from;
    const auto codePoint = [&](qsizetype i) {
        return s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()
                   ? QChar::surrogateToUcs4(s[i], s[i + 1])
                   : char32_t(s[i].unicode());
    };
    if (at < s.size() && letter(codePoint(at)))
        return {};
    for (qsizetype i = at - 1; i >= 0; --i) {
        if (s[i].isLowSurrogate() && i > 0 && s[i - 1].isHighSurrogate())
            continue;
        if (letter(codePoint(i)))
            return s.mid(i, codePoint(i) > 0xFFFF ? 2 : 1);
    }
    return QStringLiteral("a");
}

// The stops of one stretch of the text, found by the finder over a window
// and kept while the caller walks through them, forwards or backwards.
class Stops {
public:
    Stops(const TextStore& t, qsizetype piece) : m_t(t), m_n(t.length()), m_piece(piece) {}

    qsizetype after(qsizetype pos);
    qsizetype before(qsizetype pos);
    // The stop at or before pos.
    qsizetype snap(qsizetype pos) {
        pos = std::clamp<qsizetype>(pos, 0, m_n);
        return pos == m_n ? pos : before(pos + 1);
    }
    // A character, from the window's text where it holds it.
    QChar at(qsizetype pos) const {
        const qsizetype i = pos - m_textFrom;
        return i >= 0 && i < m_text.size() ? m_text[i] : m_t.at(pos);
    }
    int classAt(qsizetype pos) const { return charClass(at(pos)); }

private:
    void scan(qsizetype from, bool fromIsStop, qsizetype to);

    const TextStore& m_t;
    const qsizetype m_n;
    const qsizetype m_piece;
    QString m_text; // the window's text as it is (not as the finder saw it)
    qsizetype m_textFrom = 0;
    // Every stop in [m_lo, m_hi], in order; nothing is known while m_lo > m_hi.
    std::vector<qsizetype> m_stops;
    qsizetype m_lo = 1;
    qsizetype m_hi = 0;
};

// Runs the finder over [from, to). The decision at a position depends on the
// text before it, the character at it and (for some syllables) the one after
// it, so every stop found after from is right (and from itself where it is
// known to be one) up to the window's last character but one; the end of the
// window counts only at the end of the text.
void Stops::scan(qsizetype from, bool fromIsStop, qsizetype to) {
    to = std::min(to, m_n);
    QString s = m_t.mid(from, std::min(m_n, to + 1) - from);
    if (to < m_n && to > from && s[to - from - 1].isHighSurrogate() &&
        s[to - from].isLowSurrogate())
        ++to; // never end between the halves of a pair
    s.truncate(to - from);
    m_text = s;
    m_textFrom = from;

    // What the text area draws as a mark of its own is shown to the finder
    // as a control, which it keeps apart from its neighbours.
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate() || drawnAsMark(c.unicode()))
            s[i] = QChar(u'\x01');
    }

    m_stops.clear();
    if (fromIsStop)
        m_stops.push_back(from);
    // Spaces, digits and the like at the window's start belong to the run of
    // script before them; the finder, which would give them the script after
    // them, is shown a letter of that run first.
    const QString lead = leadingLetter(m_t, from);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, lead + s);
    const qsizetype last = to == m_n ? s.size() : s.size() - 2; // the last decided
    for (qsizetype f = finder.toNextBoundary(); f >= 0 && f - lead.size() <= last;
         f = finder.toNextBoundary()) {
        const qsizetype b = f - lead.size();
        if (b <= 0)
            continue;
        // The finder's syllables of the scripts above count code units, and
        // cut an emoji or any other pair that stands among their letters in
        // two; a caret there would split the character.
        const bool inPair = b < s.size() && s[b - 1].isHighSurrogate() && s[b].isLowSurrogate();
        if (!inPair)
            m_stops.push_back(from + b);
    }
    m_lo = fromIsStop ? from : from + 1;
    m_hi = from + last;
}

qsizetype Stops::after(qsizetype pos) {
    if (pos >= m_n)
        return m_n;
    pos = std::max<qsizetype>(pos, 0);
    qsizetype from = -1;
    if (m_lo <= pos && pos <= m_hi) {
        const auto it = std::upper_bound(m_stops.begin(), m_stops.end(), pos);
        if (it != m_stops.end())
            return *it;
        if (it != m_stops.begin())
            from = *(it - 1); // go on from the last stop known
    }
    const bool fromIsStop = from >= 0;
    if (!fromIsStop)
        from = restartAtOrBefore(m_t, pos);
    // The window grows only while one cluster is longer than it.
    for (qsizetype ahead = m_piece;; ahead *= 4) {
        scan(from, fromIsStop || from == 0, pos + ahead);
        const auto it = std::upper_bound(m_stops.begin(), m_stops.end(), pos);
        if (it != m_stops.end())
            return *it;
    }
}

qsizetype Stops::before(qsizetype pos) {
    if (pos <= 0)
        return 0;
    pos = std::min(pos, m_n);
    if (m_lo < pos && pos <= m_hi + 1) {
        const auto it = std::lower_bound(m_stops.begin(), m_stops.end(), pos);
        if (it != m_stops.begin())
            return *(it - 1);
    }
    for (qsizetype back = m_piece;; back *= 4) {
        const qsizetype from = restartAtOrBefore(m_t, pos - back);
        scan(from, from == 0, pos + 1);
        const auto it = std::lower_bound(m_stops.begin(), m_stops.end(), pos);
        if (it != m_stops.begin())
            return *(it - 1);
    }
}

} // namespace

qsizetype nextStop(const TextStore& t, qsizetype pos) {
    return Stops(t, StepWindow).after(pos);
}

qsizetype previousStop(const TextStore& t, qsizetype pos) {
    return Stops(t, StepWindow).before(pos);
}

qsizetype snapToStop(const TextStore& t, qsizetype pos) {
    return Stops(t, StepWindow).snap(pos);
}

qsizetype previousCodePoint(const TextStore& t, qsizetype pos) {
    pos = std::min(pos, t.length());
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
    Stops s(t, WordPiece);
    qsizetype i = s.snap(pos);
    const int first = s.classAt(i);
    if (first != 0) {
        while (i < n && s.classAt(i) == first)
            i = s.after(i);
    }
    while (i < n && s.classAt(i) == 0 && !isLineBreak(s.at(i)))
        i = s.after(i);
    return i > pos ? i : s.after(pos);
}

qsizetype wordLeft(const TextStore& t, qsizetype pos) {
    if (pos <= 0)
        return 0;
    Stops s(t, WordPiece);
    qsizetype i = s.snap(pos);
    // The blanks before, up to a line break.
    while (i > 0) {
        const qsizetype p = s.before(i);
        if (s.classAt(p) != 0 || isLineBreak(s.at(p)))
            break;
        i = p;
    }
    // The run before them.
    if (i > 0) {
        qsizetype p = s.before(i);
        const int c = s.classAt(p);
        if (c != 0) {
            for (;;) {
                i = p;
                if (i == 0)
                    break;
                p = s.before(i);
                if (s.classAt(p) != c)
                    break;
            }
        }
    }
    return i < pos ? i : s.before(pos);
}

WordSpan wordAt(const TextStore& t, qsizetype pos) {
    pos = std::clamp<qsizetype>(pos, 0, t.length());
    const qsizetype line = t.lineOf(pos);
    const qsizetype ls = t.lineStart(line);
    const qsizetype ce = t.lineContentEnd(line);
    if (ls == ce)
        return {ls, ls};
    // Two walkers, one each way, so that neither drops the other's window.
    Stops back(t, WordPiece);
    Stops ahead(t, WordPiece);
    qsizetype a = back.snap(std::min(pos, ce));
    if (a >= ce)
        a = back.before(ce);
    const int c = back.classAt(a);
    qsizetype b = ahead.after(a);
    if (c != 2) {
        while (a > ls) {
            const qsizetype p = back.before(a);
            if (back.classAt(p) != c)
                break;
            a = p;
        }
        while (b < ce && ahead.classAt(b) == c)
            b = ahead.after(b);
    }
    return {a, std::min(b, ce)};
}

Qt::LayoutDirection lineDirection(const TextStore& t, qsizetype line) {
    const qsizetype ls = t.lineStart(line);
    const qsizetype ce = t.lineContentEnd(line);
    int isolates = 0;
    for (qsizetype from = ls; from < ce;) {
        // One character more, to read a pair split by the piece's end whole.
        const qsizetype to = std::min(ce, from + WordPiece);
        const QString s = t.mid(from, std::min(ce, to + 1) - from);
        qsizetype i = 0;
        for (; i < to - from; ++i) {
            char32_t c = s[i].unicode();
            if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
                c = QChar::surrogateToUcs4(s[i], s[i + 1]);
                ++i;
            } else if (s[i].isSurrogate())
                continue; // drawn as U+FFFD, which has no direction
            switch (QChar::direction(c)) {
            case QChar::DirLRI:
            case QChar::DirRLI:
            case QChar::DirFSI:
                ++isolates;
                break;
            case QChar::DirPDI:
                if (isolates > 0)
                    --isolates;
                break;
            case QChar::DirL:
                if (isolates == 0)
                    return Qt::LeftToRight;
                break;
            case QChar::DirR:
            case QChar::DirAL:
                if (isolates == 0)
                    return Qt::RightToLeft;
                break;
            default:
                break;
            }
        }
        from += i; // past a pair read from beyond the piece too
    }
    return Qt::LeftToRight;
}

} // namespace pw
