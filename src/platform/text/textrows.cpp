#include "textrows.h"

#include "caretstops.h"
#include "marks.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

constexpr size_t KeepLayouts = 256;
constexpr qreal TabStop = 80;
constexpr char16_t Plain = 0x300; // characters below this are looked up
constexpr qreal Unknown = -1;

} // namespace

TextRows::TextRows(const TextStore& store) : m_store(store), m_pieces(store) {}

void TextRows::setFont(const QFont& font) {
    if (font == m_font)
        return;
    m_font = font;
    m_advances.clear();
    clear();
}

void TextRows::setWidth(int width) {
    width = std::max(1, width);
    if (width == m_width)
        return;
    m_width = width;
    clear();
}

void TextRows::clear() {
    m_laid.clear();
    m_fullRows = m_fullRowChars = 0;
    m_directionLine = -1;
}

void TextRows::reset() {
    clear();
    m_pieces.clear();
}

void TextRows::setPreedit(qsizetype pos, const QString& text) {
    if (m_preeditAt >= 0)
        m_laid.erase(pieceAt(m_preeditAt).start);
    m_preedit = text;
    m_preeditAt = text.isEmpty() ? -1 : pos;
    if (m_preeditAt >= 0)
        m_laid.erase(pieceAt(m_preeditAt).start);
}

Qt::LayoutDirection TextRows::directionOf(qsizetype line) {
    if (line != m_directionLine) {
        m_direction = lineDirection(m_store, line);
        m_directionLine = line;
    }
    return m_direction;
}

void TextRows::layOut(QTextLayout& l, const Piece& p) {
    l.setText(shownString(m_store.mid(p.start, p.length())));
    l.setFont(m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(TabStop);
    // Every piece of a line is laid out in the line's direction.
    option.setTextDirection(directionOf(p.line));
    l.setTextOption(option);
    l.setCacheEnabled(true);
    if (m_preeditAt >= p.start && m_preeditAt <= p.end && pieceAt(m_preeditAt) == p) {
        // The pre-edit of an input method, underlined, at the caret.
        const int at = int(m_preeditAt - p.start);
        l.setPreeditArea(at, m_preedit);
        QTextLayout::FormatRange underline;
        underline.start = at;
        underline.length = int(m_preedit.size());
        underline.format.setFontUnderline(true);
        l.setFormats({underline});
    }
    l.beginLayout();
    qreal y = 0;
    for (QTextLine line = l.createLine(); line.isValid(); line = l.createLine()) {
        line.setLineWidth(m_width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    l.endLayout();
    // Full rows (all but the last of a piece) tell how many characters a row
    // holds.
    for (int i = 0; i + 1 < l.lineCount(); ++i) {
        m_fullRowChars += l.lineAt(i).textLength();
        ++m_fullRows;
    }
    ++m_built;
}

const QTextLayout& TextRows::layout(const Piece& p) {
    auto it = m_laid.find(p.start);
    if (it != m_laid.end() && it->second->len == p.length()) {
        it->second->used = m_use;
        return it->second->layout;
    }
    auto laid = std::make_unique<Laid>();
    laid->len = p.length();
    laid->used = m_use;
    layOut(laid->layout, p);
    auto& slot = m_laid[p.start];
    slot = std::move(laid);
    return slot->layout;
}

const QTextLayout* TextRows::kept(const Piece& p) const {
    auto it = m_laid.find(p.start);
    return it != m_laid.end() && it->second->len == p.length() ? &it->second->layout : nullptr;
}

int TextRows::countRows(const Piece& p) {
    if (const QTextLayout* l = kept(p))
        return l->lineCount();
    QTextLayout l;
    layOut(l, p);
    return l.lineCount();
}

bool TextRows::surelyOneRow(QStringView text) {
    if (m_advances.empty()) {
        // Looked up for each character when first met (a text uses few).
        m_advances.assign(Plain, Unknown);
        const QFontMetricsF metrics(m_font);
        m_narrowest = std::min({metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'l'),
                                metrics.horizontalAdvance(u' '), metrics.horizontalAdvance(u'.')});
    }
    // Shaping (kerning, ligatures) only narrows Latin text a little; keep a
    // margin all the same.
    const qreal limit = m_width * 0.97 - 2;
    if (m_narrowest > 0 && text.size() * m_narrowest > limit)
        return false;
    qreal x = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\t') {
            x = (std::floor(x / TabStop) + 1) * TabStop;
        } else {
            if (c >= Plain || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
                return false; // drawn as marks, or not at all
            qreal& advance = m_advances[c];
            if (advance == Unknown)
                advance = QFontMetricsF(m_font).horizontalAdvance(ch);
            x += advance;
        }
        if (x > limit)
            return false;
    }
    return true;
}

void TextRows::trim() {
    if (m_laid.size() <= KeepLayouts)
        return;
    for (auto it = m_laid.begin(); it != m_laid.end();)
        it = it->second->used + 2 < m_use ? m_laid.erase(it) : std::next(it);
}

void TextRows::edited(qsizetype pos, qsizetype removed, qsizetype added) {
    m_pieces.edited(pos, removed, added);
    m_directionLine = -1;
    // Layouts of pieces touching the edit go; later ones move to their new
    // start, in place.
    const qsizetype delta = added - removed;
    // (Pieces do not overlap: only the two starting at or before pos can
    // reach it.)
    auto it = m_laid.upper_bound(pos);
    for (int back = 0; back < 2 && it != m_laid.begin(); ++back)
        --it;
    while (it != m_laid.end() && it->first <= pos + removed) {
        if (it->first + it->second->len >= pos)
            it = m_laid.erase(it);
        else
            ++it;
    }
    if (delta == 0)
        return;
    std::vector<decltype(m_laid)::node_type> moved;
    while (it != m_laid.end()) {
        auto next = std::next(it);
        moved.push_back(m_laid.extract(it));
        it = next;
    }
    for (auto& node : moved) {
        node.key() += delta;
        m_laid.insert(std::move(node));
    }
}

Row TextRows::rowOf(qsizetype pos) {
    const Piece p = pieceAt(pos);
    const QTextLayout& l = layout(p);
    const QTextLine line = l.lineForTextPosition(int(std::min(pos, p.end) - p.start));
    return {p.start, line.isValid() ? line.lineNumber() : l.lineCount() - 1};
}

bool TextRows::next(Row& r) {
    const Piece p = pieceAt(r.piece);
    if (r.line + 1 < layout(p).lineCount()) {
        ++r.line;
        return true;
    }
    qsizetype after;
    if (p.end < m_store.lineContentEnd(p.line))
        after = p.end;
    else if (p.line + 1 < m_store.lineCount())
        after = m_store.lineStart(p.line + 1);
    else
        return false;
    r = {pieceAt(after).start, 0};
    return true;
}

bool TextRows::previous(Row& r) {
    if (r.line > 0) {
        --r.line;
        return true;
    }
    const Piece p = pieceAt(r.piece);
    Piece before;
    if (p.start > m_store.lineStart(p.line))
        before = pieceAt(p.start - 1);
    else if (p.line > 0)
        before = pieceAt(m_store.lineContentEnd(p.line - 1));
    else
        return false;
    r = {before.start, layout(before).lineCount() - 1};
    return true;
}

bool TextRows::lastRowOfLine(const Row& r) {
    const Piece p = pieceAt(r.piece);
    return r.line + 1 >= layout(p).lineCount() && p.end == m_store.lineContentEnd(p.line);
}

qsizetype TextRows::rowEnd(const Row& r) {
    const Piece p = pieceAt(r.piece);
    const QTextLine l = line(r);
    qsizetype end = r.piece + l.textStart() + l.textLength();
    // The end of a wrapped row is the start of the next one; stay on this
    // row, before its last cluster (a space, as a rule).
    if (!lastRowOfLine(r) && end > rowStart(r))
        end = previousStop(m_store, end);
    return std::min(end, p.end);
}

qsizetype TextRows::positionInRow(const Row& r, qreal x) {
    const QTextLine l = line(r);
    qsizetype pos = r.piece + l.xToCursor(x);
    const qsizetype start = rowStart(r);
    pos = std::clamp(pos, start, std::max(start, rowEnd(r)));
    return snapToStop(m_store, pos);
}

} // namespace pw
