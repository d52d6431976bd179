#include "textarea.h"

#include "platform/desktop/colours.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

// A piece of a long line holds at most MaxPiece characters; it is cut at the
// last space between PieceTarget / 2 and PieceTarget characters from its
// start, or at PieceTarget in a word that long.
constexpr qsizetype PieceTarget = 1024;
constexpr qsizetype MaxPiece = 2 * PieceTarget;
constexpr int Margin = 4;
// The selection clipboard of X11 is not given selections larger than this.
constexpr qsizetype MaxSelectionClipboard = 8 * 1024 * 1024;
// Measuring in idle time: a tick every MeasureInterval ms does at most
// MeasureBudget ms of work and at most MeasureLinesPerTick lines, and a view
// has at most MeasureAround lines around it measured; a line longer than
// MeasureLongest characters keeps its estimate.
constexpr int MeasureInterval = 20;
constexpr qint64 MeasureBudget = 5;
constexpr int MeasureLinesPerTick = 400;
constexpr qsizetype MeasureAround = 20000;
constexpr qsizetype MeasureLongest = 64 * 1024;

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t';
}

// 0 blank, 1 part of a word, 2 anything else.
int charClass(QChar c) {
    if (c.isSpace() || c.isNull())
        return 0;
    if (c.isLetterOrNumber() || c.isMark() || c == u'_' || c.isSurrogate())
        return 1;
    return 2;
}

// The character drawn for c: itself, or a visible mark.
QChar shown(QStringView text, qsizetype i) {
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
    QChar* o = out.data();
    const QStringView v(text);
    for (qsizetype i = 0; i < v.size(); ++i) {
        const char16_t c = v[i].unicode();
        if (c < 0x20 || c == 0x7F || (c >= 0x2028 && c <= 0x2029) || c >= 0xD800)
            o[i] = shown(v, i);
    }
    return out;
}

} // namespace

TextArea::TextArea(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

TextArea::~TextArea() = default;

// ---------------------------------------------------------------- pieces

TextArea::Segment TextArea::segmentAt(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, m_store.length());
    const qsizetype line = m_store.lineOf(pos);
    const qsizetype ls = m_store.lineStart(line);
    const qsizetype ce = m_store.lineContentEnd(line);
    pos = std::min(pos, ce);
    for (;;) {
        qsizetype s = ls;
        qsizetype e = ce;
        auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), pos);
        for (auto b = it; b != m_breaks.begin();) {
            --b;
            if (*b <= ls)
                break;
            if (*b < ce) {
                s = *b;
                break;
            }
        }
        if (it != m_breaks.end() && *it < ce)
            e = *it;
        if (e - s <= MaxPiece)
            return {s, e, line};
        // Cut the stretch into pieces, each ending after a space where one
        // is near enough.
        std::vector<qsizetype> cuts;
        for (qsizetype from = s; e - from > MaxPiece;) {
            const qsizetype windowStart = from + PieceTarget / 2;
            const QString window = m_store.mid(windowStart, PieceTarget / 2);
            qsizetype cut = from + PieceTarget;
            for (qsizetype i = window.size() - 1; i >= 0; --i) {
                if (isSpace(window[i])) {
                    cut = windowStart + i + 1;
                    break;
                }
            }
            if (m_store.at(cut - 1).isHighSurrogate() && m_store.at(cut).isLowSurrogate())
                --cut;
            cuts.push_back(cut);
            from = cut;
        }
        const auto at = std::upper_bound(m_breaks.begin(), m_breaks.end(), s);
        m_breaks.insert(at, cuts.begin(), cuts.end());
    }
}

int TextArea::textWidth() const {
    return std::max(1, viewport()->width() - 2 * Margin);
}

TextArea::Laid* TextArea::laidOut(const Segment& s) const {
    if (m_laidWidth != textWidth())
        forgetRows();
    auto it = m_laid.find(s.start);
    if (it != m_laid.end() && it->second->len == s.end - s.start) {
        it->second->used = m_paintCount;
        return it->second.get();
    }
    auto laid = std::make_unique<Laid>();
    laid->len = s.end - s.start;
    laid->used = m_paintCount;
    laid->height = layOut(laid->layout, s);
    ++m_built;
    noteRows(s, laid.get());
    Laid* result = laid.get();
    m_laid[s.start] = std::move(laid);
    return result;
}

// Lays out the piece s in l at the current width; returns its height.
qreal TextArea::layOut(QTextLayout& l, const Segment& s) const {
    l.setText(shownString(m_store.mid(s.start, s.end - s.start)));
    l.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(80);
    l.setTextOption(option);
    l.setCacheEnabled(true);
    if (!m_preedit.isEmpty() && segmentAt(m_caret).start == s.start) {
        // The pre-edit of an input method, underlined, at the caret.
        const int at = int(m_caret - s.start);
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
        line.setLineWidth(textWidth());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    l.endLayout();
    // Full rows (all but the last of a piece) tell how many characters a row
    // holds; the scroll bar's estimate learns from them.
    for (int i = 0; i + 1 < l.lineCount(); ++i) {
        m_fullRowChars += l.lineAt(i).textLength();
        ++m_fullRows;
    }
    return y;
}

// Layouts and rows measured are let go when the width or the font changes.
void TextArea::forgetRows() const {
    m_laid.clear();
    m_laidWidth = textWidth();
    m_fullRows = m_fullRowChars = 0;
    m_rows.clear();
    m_measureCenter = -1;
}

// The characters of a line, its line break included.
qsizetype TextArea::lineChars(qsizetype line) const {
    const qsizetype end =
        line + 1 < m_store.lineCount() ? m_store.lineStart(line + 1) : m_store.length();
    return end - m_store.lineStart(line);
}

// A line laid out whole in one piece tells the scroll bar its rows (a line
// with an input method's pre-edit in it does not: that is not its text).
void TextArea::noteRows(const Segment& s, const Laid* laid) const {
    if (s.start != m_store.lineStart(s.line) || s.end != m_store.lineContentEnd(s.line))
        return;
    if (!m_preedit.isEmpty() && m_store.lineOf(m_caret) == s.line)
        return;
    m_rows.set(s.line, laid->layout.lineCount(), lineChars(s.line));
}

void TextArea::invalidateLayouts() {
    m_laid.clear();
    viewport()->update();
}

TextArea::Row TextArea::rowOf(qsizetype pos) const {
    const Segment s = segmentAt(pos);
    Laid* laid = laidOut(s);
    const QTextLine line = laid->layout.lineForTextPosition(int(std::min(pos, s.end) - s.start));
    return {s.start, line.isValid() ? line.lineNumber() : laid->layout.lineCount() - 1};
}

QTextLine TextArea::lineOf(const Row& r) const {
    const Segment s = segmentAt(r.seg);
    return laidOut(s)->layout.lineAt(r.line);
}

bool TextArea::nextRow(Row& r) const {
    const Segment s = segmentAt(r.seg);
    if (r.line + 1 < laidOut(s)->layout.lineCount()) {
        ++r.line;
        return true;
    }
    qsizetype next;
    if (s.end < m_store.lineContentEnd(s.line))
        next = s.end;
    else if (s.line + 1 < m_store.lineCount())
        next = m_store.lineStart(s.line + 1);
    else
        return false;
    r = {segmentAt(next).start, 0};
    return true;
}

bool TextArea::previousRow(Row& r) const {
    if (r.line > 0) {
        --r.line;
        return true;
    }
    const Segment s = segmentAt(r.seg);
    Segment p;
    if (s.start > m_store.lineStart(s.line))
        p = segmentAt(s.start - 1);
    else if (s.line > 0)
        p = segmentAt(m_store.lineContentEnd(s.line - 1));
    else
        return false;
    r = {p.start, laidOut(p)->layout.lineCount() - 1};
    return true;
}

qsizetype TextArea::rowStart(const Row& r) const {
    return r.seg + lineOf(r).textStart();
}

qsizetype TextArea::rowEnd(const Row& r) const {
    const Segment s = segmentAt(r.seg);
    const QTextLine line = lineOf(r);
    qsizetype end = r.seg + line.textStart() + line.textLength();
    const bool lastRow = r.line + 1 >= laidOut(s)->layout.lineCount();
    // The end of a wrapped row is the start of the next one; stay on this
    // row, before its last character (a space, as a rule).
    if ((!lastRow || end < m_store.lineContentEnd(s.line)) && end > rowStart(r))
        end = previousStep(end);
    return std::min(end, s.end);
}

qsizetype TextArea::positionInRow(const Row& r, qreal x) const {
    const QTextLine line = lineOf(r);
    qsizetype pos = r.seg + line.xToCursor(x);
    pos = std::clamp(pos, rowStart(r), std::max(rowStart(r), rowEnd(r)));
    return snap(pos);
}

int TextArea::visibleRows() const {
    const int h = QFontMetrics(font()).lineSpacing();
    return std::max(1, viewport()->height() / std::max(1, h));
}

// ---------------------------------------------------------------- edits

void TextArea::edited(qsizetype pos, qsizetype removed, qsizetype added) {
    const qsizetype delta = added - removed;
    // Piece starts: those inside the replaced stretch go, later ones move.
    std::vector<qsizetype> breaks;
    breaks.reserve(m_breaks.size());
    for (const qsizetype b : m_breaks) {
        if (b <= pos)
            breaks.push_back(b);
        else if (b >= pos + removed)
            breaks.push_back(b + delta);
    }
    m_breaks.swap(breaks);
    // Laid-out pieces: those touching the edit are laid out again when next
    // needed; later ones keep their layout under their new start.
    auto it = m_laid.lower_bound(0);
    std::map<qsizetype, std::unique_ptr<Laid>> kept;
    while (it != m_laid.end()) {
        const qsizetype s = it->first;
        const qsizetype e = s + it->second->len;
        if (e < pos)
            kept.emplace(s, std::move(it->second));
        else if (s > pos + removed)
            kept.emplace(s + delta, std::move(it->second));
        ++it;
    }
    m_laid.swap(kept);
    // Rows known for the lines the edit touched are forgotten; later lines
    // keep theirs under their new numbers.
    const qsizetype lines = m_store.lineCount();
    const qsizetype first = m_store.lineOf(pos);
    const qsizetype last = m_store.lineOf(pos + added) - (lines - m_lines);
    m_rows.edited(first, std::max(first, last), lines - m_lines);
    m_lines = lines;
    if (m_top > pos)
        m_top = m_top >= pos + removed ? m_top + delta : pos;
    m_top = std::clamp<qsizetype>(m_top, 0, m_store.length());
    if (QAccessible::isActive()) {
        if (removed) {
            QAccessibleTextRemoveEvent ev(this, int(pos), QString());
            QAccessible::updateAccessibility(&ev);
        }
        if (added) {
            QAccessibleTextInsertEvent ev(this, int(pos),
                                          m_store.mid(pos, std::min<qsizetype>(added, 4096)));
            QAccessible::updateAccessibility(&ev);
        }
    }
    viewport()->update();
    emit textChanged(pos, removed, added);
}

void TextArea::resetText(const QString& text) {
    const qsizetype old = m_store.length();
    m_store.reset(text);
    m_breaks.clear();
    m_laid.clear();
    m_rows.clear();
    m_lines = m_store.lineCount();
    m_measureCenter = -1;
    m_caret = m_anchor = 0;
    m_top = 0;
    m_atEnd = false;
    m_goalX = -1;
    m_preedit.clear();
    syncScrollBar();
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, 0, QString(), QString());
        QAccessible::updateAccessibility(&ev);
    }
    emit textChanged(0, old, text.size());
    caretChanged();
}

void TextArea::replaceRange(qsizetype from, qsizetype to, const QString& text,
                            TextStore::Kind kind) {
    from = std::clamp<qsizetype>(from, 0, m_store.length());
    to = std::clamp<qsizetype>(to, from, m_store.length());
    if (from == to && text.isEmpty())
        return;
    m_store.replace(from, to - from, text, kind);
    m_caret = m_anchor = from + text.size();
    m_goalX = -1;
    edited(from, to - from, text.size());
    syncScrollBar();
    caretChanged();
}

void TextArea::typeText(const QString& text) {
    replaceRange(SelStart(), SelStart() + SelLength(), text, TextStore::Kind::Typing);
    ensureCursorVisible();
}

void TextArea::undo() {
    if (!m_store.canUndo())
        return;
    const TextStore::Change c = m_store.undo();
    m_caret = m_anchor = c.pos + c.added;
    edited(c.pos, c.removed, c.added);
    syncScrollBar();
    caretChanged();
    ensureCursorVisible();
}

void TextArea::redo() {
    if (!m_store.canRedo())
        return;
    const TextStore::Change c = m_store.redo();
    m_caret = m_anchor = c.pos + c.added;
    edited(c.pos, c.removed, c.added);
    syncScrollBar();
    caretChanged();
    ensureCursorVisible();
}

QString TextArea::selectedText() const {
    return m_store.mid(SelStart(), SelLength());
}

void TextArea::copy() const {
    if (SelLength() > 0)
        QGuiApplication::clipboard()->setText(selectedText(), QClipboard::Clipboard);
}

void TextArea::cut() {
    if (SelLength() == 0)
        return;
    copy();
    deleteSelection();
}

void TextArea::paste() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return;
    const QString t = data->text();
    if (t.isEmpty())
        return;
    replaceRange(SelStart(), SelStart() + SelLength(), t);
    ensureCursorVisible();
}

void TextArea::deleteSelection() {
    if (SelLength() > 0) {
        replaceRange(SelStart(), SelStart() + SelLength(), QString());
        ensureCursorVisible();
    }
}

QString TextArea::shownText(qsizetype from, qsizetype to) const {
    return shownString(m_store.mid(from, to - from));
}

// ---------------------------------------------------------------- caret

qsizetype TextArea::snap(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, m_store.length());
    if (pos > 0 && pos < m_store.length()) {
        const QChar before = m_store.at(pos - 1);
        const QChar after = m_store.at(pos);
        if ((before == u'\r' && after == u'\n') ||
            (before.isHighSurrogate() && after.isLowSurrogate()))
            --pos;
    }
    return pos;
}

qsizetype TextArea::previousStep(qsizetype pos) const {
    if (pos <= 0)
        return 0;
    if (pos >= 2) {
        const QChar a = m_store.at(pos - 2);
        const QChar b = m_store.at(pos - 1);
        if ((a == u'\r' && b == u'\n') || (a.isHighSurrogate() && b.isLowSurrogate()))
            return pos - 2;
    }
    return pos - 1;
}

qsizetype TextArea::nextStep(qsizetype pos) const {
    const qsizetype n = m_store.length();
    if (pos >= n)
        return n;
    if (pos + 1 < n) {
        const QChar a = m_store.at(pos);
        const QChar b = m_store.at(pos + 1);
        if ((a == u'\r' && b == u'\n') || (a.isHighSurrogate() && b.isLowSurrogate()))
            return pos + 2;
    }
    return pos + 1;
}

qsizetype TextArea::wordRight(qsizetype pos) const {
    const qsizetype n = m_store.length();
    if (pos >= n)
        return n;
    const QString t = m_store.mid(pos, 4096);
    qsizetype i = 0;
    const int first = charClass(t[0]);
    if (first != 0)
        while (i < t.size() && charClass(t[i]) == first)
            ++i;
    while (i < t.size() && charClass(t[i]) == 0 && t[i] != u'\r' && t[i] != u'\n')
        ++i;
    if (i == 0)
        return nextStep(pos);
    return snap(pos + i);
}

qsizetype TextArea::wordLeft(qsizetype pos) const {
    if (pos <= 0)
        return 0;
    const qsizetype from = std::max<qsizetype>(0, pos - 4096);
    const QString t = m_store.mid(from, pos - from);
    qsizetype i = t.size();
    while (i > 0 && charClass(t[i - 1]) == 0 && t[i - 1] != u'\r' && t[i - 1] != u'\n')
        --i;
    if (i > 0 && charClass(t[i - 1]) != 0) {
        const int c = charClass(t[i - 1]);
        while (i > 0 && charClass(t[i - 1]) == c)
            --i;
    }
    if (from + i == pos)
        return previousStep(pos);
    return snap(from + i);
}

void TextArea::selectWordAt(qsizetype pos) {
    const Segment s = segmentAt(pos);
    const QString t = m_store.mid(s.start, s.end - s.start);
    qsizetype i = pos - s.start;
    if (t.isEmpty()) {
        setCursorPosition(pos);
        return;
    }
    if (i >= t.size())
        i = t.size() - 1;
    const int c = charClass(t[i]);
    qsizetype a = i, b = i + 1;
    while (a > 0 && charClass(t[a - 1]) == c && c != 2)
        --a;
    while (b < t.size() && charClass(t[b]) == c && c != 2)
        ++b;
    m_wordAnchorStart = s.start + a;
    m_wordAnchorEnd = s.start + b;
    m_anchor = m_wordAnchorStart;
    moveCaret(m_wordAnchorEnd, true);
}

void TextArea::setSelection(qsizetype start, qsizetype length) {
    m_anchor = snap(start);
    moveCaret(snap(start + length), true);
    ensureCursorVisible();
}

void TextArea::setCursorPosition(qsizetype pos, bool keepAnchor) {
    moveCaret(snap(pos), keepAnchor);
    ensureCursorVisible();
    if (keepAnchor)
        updateSelectionClipboard();
}

void TextArea::selectAll() {
    m_anchor = 0;
    moveCaret(m_store.length(), true);
    updateSelectionClipboard();
}

void TextArea::moveCaret(qsizetype pos, bool keepAnchor, bool keepGoal) {
    const bool hadSelection = m_caret != m_anchor;
    const qsizetype old = m_caret;
    m_caret = std::clamp<qsizetype>(pos, 0, m_store.length());
    if (!keepAnchor)
        m_anchor = m_caret;
    if (!keepGoal)
        m_goalX = -1;
    if (old != m_caret || hadSelection || m_caret != m_anchor) {
        m_store.closeStep();
        viewport()->update();
        caretChanged();
    }
}

void TextArea::caretChanged() {
    restartBlink();
    if (QAccessible::isActive()) {
        if (m_caret != m_anchor) {
            QAccessibleTextSelectionEvent sel(this, int(SelStart()), int(SelStart() + SelLength()));
            sel.setCursorPosition(int(m_caret));
            QAccessible::updateAccessibility(&sel);
        } else {
            QAccessibleTextCursorEvent ev(this, int(m_caret));
            QAccessible::updateAccessibility(&ev);
        }
    }
    emit cursorMoved();
}

void TextArea::restartBlink() {
    m_caretShown = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void TextArea::updateSelectionClipboard() const {
    QClipboard* cb = QGuiApplication::clipboard();
    if (cb->supportsSelection() && SelLength() > 0 && SelLength() <= MaxSelectionClipboard)
        cb->setText(selectedText(), QClipboard::Selection);
}

// ---------------------------------------------------------------- view

void TextArea::fillView() {
    // The top row is a row start; when the text ends above the bottom of
    // the view, earlier rows fill it.
    Row top = rowOf(m_top);
    m_top = rowStart(top);
    const qreal height = viewport()->height();
    qreal y = 0;
    Row r = top;
    y += rowHeight(r);
    bool more = true;
    while (y < height && (more = nextRow(r)))
        y += rowHeight(r);
    m_atEnd = !more || (y <= height + 0.5 && !nextRow(r));
    while (y + 0.5 < height) {
        Row p = top;
        if (!previousRow(p))
            break;
        const qreal h = rowHeight(p);
        if (y + h > height + 0.5)
            break;
        y += h;
        top = p;
    }
    m_top = rowStart(top);
}

// The scroll bar's measure of the height above a position, in characters:
// a row is m_rowChars of them. A line laid out counts its rows; any other
// line counts its characters and a row more (each line takes at least one
// row), which needs nothing laid out and costs a look-up of the line.
qint64 TextArea::scrollUnits(qsizetype pos) const {
    const qsizetype line = m_store.lineOf(pos);
    const qsizetype start = m_store.lineStart(line);
    const RowIndex::Sums known = m_rows.before(line);
    const qint64 base =
        start + line * m_rowChars + m_rowChars * (known.rows - known.count) - known.chars;
    if (const RowIndex::Entry* e = m_rows.find(line))
        return base + (pos - start) * e->rows * m_rowChars / std::max<qint64>(1, e->chars);
    return base + (pos - start);
}

// The height of the whole text, its last line included.
qint64 TextArea::totalUnits() const {
    const qsizetype last = m_store.lineCount() - 1;
    const qint64 start = scrollUnits(m_store.lineStart(last));
    if (const RowIndex::Entry* e = m_rows.find(last))
        return start + e->rows * m_rowChars;
    return start + lineChars(last) + m_rowChars;
}

// The scroll bar's last value: the view full of the last rows.
qint64 TextArea::scrollMaximum() const {
    return std::max<qint64>(0, totalUnits() - qint64(visibleRows()) * m_rowChars);
}

// What a row holds: guessed from the font until rows have been laid out,
// then what they held. The scroll bar follows when the estimate moves.
void TextArea::estimateRowChars() {
    qint64 chars = m_fullRows > 0
                       ? m_fullRowChars / m_fullRows
                       : textWidth() / std::max(1, QFontMetrics(font()).averageCharWidth());
    chars = std::max<qint64>(1, chars);
    if (chars != m_rowChars) {
        m_rowChars = chars;
        syncScrollBar();
    }
}

qsizetype TextArea::positionOfUnits(qint64 units) const {
    qsizetype lo = 0, hi = m_store.length();
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (scrollUnits(mid) < units)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TextArea::syncScrollBar() {
    QScrollBar* bar = verticalScrollBar();
    const qint64 maximum = scrollMaximum();
    m_scrollScale = std::max<qint64>(1, maximum / (1 << 30) + 1);
    m_syncing = true;
    bar->setRange(0, int(maximum / m_scrollScale));
    bar->setPageStep(int(std::max<qint64>(1, m_shownUnits / m_scrollScale)));
    bar->setSingleStep(int(std::max<qint64>(1, m_rowChars / m_scrollScale)));
    // While the user drags the thumb, it stays where the mouse put it.
    if (!bar->isSliderDown()) {
        const qint64 units = m_atEnd ? maximum : std::min(scrollUnits(m_top), maximum);
        bar->setValue(int(units / m_scrollScale));
    }
    m_syncing = false;
    startMeasuring();
}

void TextArea::scrollContentsBy(int, int) {
    if (m_syncing)
        return;
    QScrollBar* bar = verticalScrollBar();
    // At the end of the bar, the last row at the bottom of the view.
    const qsizetype pos = bar->value() >= bar->maximum()
                              ? m_store.length()
                              : positionOfUnits(qint64(bar->value()) * m_scrollScale);
    m_top = rowStart(rowOf(pos));
    fillView();
    viewport()->update();
    startMeasuring();
}

// Lines near the view are measured in idle time, outwards from the top
// row's line, so that the scroll bar follows their real rows. Moving far
// starts again around the new place; lines measured before are skipped.
void TextArea::startMeasuring() {
    if (!isVisible())
        return;
    const qsizetype center = m_store.lineOf(m_top);
    if (m_measureCenter >= 0 && std::abs(center - m_measureCenter) < 1000)
        return;
    m_measureCenter = center;
    m_measureNext = 0;
    m_measure.start(MeasureInterval, this);
}

void TextArea::measureSome() {
    if (!isVisible() || m_measureCenter < 0) {
        m_measure.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const qsizetype lines = m_store.lineCount();
    bool changed = false;
    int laid = 0;
    for (;;) {
        const qsizetype k = m_measureNext;
        const qsizetype line = k % 2 == 0 ? m_measureCenter + k / 2 : m_measureCenter - 1 - k / 2;
        const bool outside = m_measureCenter + k / 2 >= lines && m_measureCenter - 1 - k / 2 < 0;
        if (outside || k >= MeasureAround) {
            m_measure.stop();
            break;
        }
        if (laid >= MeasureLinesPerTick || clock.elapsed() >= MeasureBudget)
            break;
        ++m_measureNext;
        if (line < 0 || line >= lines || m_rows.contains(line) || lineChars(line) > MeasureLongest)
            continue;
        if (!m_preedit.isEmpty() && m_store.lineOf(m_caret) == line)
            continue;
        // Each piece of the line, from the layouts kept where there is one.
        qint64 rows = 0;
        const qsizetype end = m_store.lineContentEnd(line);
        for (qsizetype pos = m_store.lineStart(line);;) {
            const Segment s = segmentAt(pos);
            auto it = m_laid.find(s.start);
            if (it != m_laid.end() && it->second->len == s.end - s.start) {
                rows += it->second->layout.lineCount();
            } else {
                QTextLayout l;
                layOut(l, s);
                rows += l.lineCount();
            }
            if (s.end >= end)
                break;
            pos = s.end;
        }
        m_rows.set(line, rows, lineChars(line));
        changed = true;
        ++laid;
    }
    if (changed) {
        estimateRowChars();
        syncScrollBar();
    }
}

void TextArea::scrollRows(int rows) {
    Row r = rowOf(m_top);
    for (; rows > 0 && nextRow(r); --rows) {
    }
    for (; rows < 0 && previousRow(r); ++rows) {
    }
    m_top = rowStart(r);
    fillView();
    syncScrollBar();
    viewport()->update();
}

void TextArea::ensureCursorVisible() {
    if (!isVisible() || viewport()->height() <= 0) {
        // Not shown yet: the caret's row goes to the top.
        if (m_caret < m_top || m_caret > m_top + m_shownChars)
            m_top = m_caret;
        return;
    }
    const Row caret = rowOf(m_caret);
    const qsizetype caretStart = rowStart(caret);
    Row top = rowOf(m_top);
    if (caretStart < rowStart(top)) {
        m_top = caretStart;
    } else {
        const qreal height = viewport()->height();
        qreal y = 0;
        Row r = top;
        bool seen = false;
        for (int i = 0; i <= visibleRows() + 1; ++i) {
            y += rowHeight(r);
            if (r.seg == caret.seg && r.line == caret.line) {
                seen = y <= height + 0.5;
                break;
            }
            if (y > height || !nextRow(r))
                break;
        }
        if (!seen) {
            // The caret's row at the bottom.
            Row t = caret;
            qreal h = rowHeight(t);
            for (;;) {
                Row p = t;
                if (!previousRow(p) || h + rowHeight(p) > height + 0.5)
                    break;
                h += rowHeight(p);
                t = p;
            }
            m_top = rowStart(t);
        }
    }
    fillView();
    syncScrollBar();
    viewport()->update();
}

QRect TextArea::characterRect(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, m_store.length());
    Row r = rowOf(m_top);
    const qreal height = viewport()->height();
    qreal y = 0;
    for (int i = 0; i <= visibleRows() + 1 && y < height; ++i) {
        const Segment s = segmentAt(r.seg);
        const QTextLine line = lineOf(r);
        const qsizetype start = r.seg + line.textStart();
        const qsizetype end = start + line.textLength();
        // The end of a piece cut inside a line is the start of the next.
        const bool last =
            r.line + 1 >= laidOut(s)->layout.lineCount() && s.end == m_store.lineContentEnd(s.line);
        if (pos >= start && (pos < end || (last && pos <= end))) {
            int rel = int(pos - r.seg);
            if (!m_preedit.isEmpty() && pos >= m_caret && m_caret >= s.start && m_caret <= s.end)
                rel += pos == m_caret ? m_preeditCursor : int(m_preedit.size());
            const qreal x = line.cursorToX(rel);
            const qreal x2 =
                pos < end ? line.cursorToX(rel + 1) : x + QFontMetrics(font()).averageCharWidth();
            return QRectF(Margin + std::min(x, x2), y, std::max<qreal>(1, std::abs(x2 - x)),
                          line.height())
                .toAlignedRect();
        }
        y += line.height();
        if (!nextRow(r))
            break;
    }
    return {};
}

qsizetype TextArea::positionAt(QPoint p) const {
    Row r = rowOf(m_top);
    if (p.y() < 0) {
        Row q = r;
        if (previousRow(q))
            return positionInRow(q, p.x() - Margin);
        return positionInRow(r, p.x() - Margin);
    }
    qreal y = 0;
    for (;;) {
        const qreal h = rowHeight(r);
        if (p.y() < y + h)
            break;
        y += h;
        if (!nextRow(r))
            break;
    }
    return positionInRow(r, p.x() - Margin);
}

void TextArea::paintEvent(QPaintEvent* e) {
    ++m_paintCount;
    QPainter p(viewport());
    p.setClipRect(e->rect());
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    // The theme's background where the text shows on it, white where it
    // would not (a dark theme under black text).
    const QPalette pal = legiblePalette(palette());
    p.fillRect(e->rect(), pal.brush(group, QPalette::Base));
    p.setPen(pal.color(group, QPalette::Text));

    const qsizetype oldTop = m_top;
    const bool oldAtEnd = m_atEnd;
    fillView();
    if (m_top != oldTop || m_atEnd != oldAtEnd)
        syncScrollBar();
    else
        startMeasuring();
    const qreal height = viewport()->height();
    Row r = rowOf(m_top);
    qreal y = -lineOf(r).y();
    qsizetype shownFrom = rowStart(r);
    qsizetype shownTo = shownFrom;
    const qsizetype selStart = SelStart();
    const qsizetype selEnd = selStart + SelLength();
    for (;;) {
        const Segment s = segmentAt(r.seg);
        Laid* laid = laidOut(s);
        QList<QTextLayout::FormatRange> selections;
        if (selEnd > selStart && selStart <= s.end && selEnd >= s.start && m_preedit.isEmpty()) {
            QTextLayout::FormatRange range;
            range.start = int(std::max(selStart, s.start) - s.start);
            range.length = int(std::min(selEnd, s.end) - s.start) - range.start;
            range.format.setBackground(pal.brush(group, QPalette::Highlight));
            range.format.setForeground(pal.brush(group, QPalette::HighlightedText));
            selections << range;
        }
        noteRows(s, laid);
        const QPointF origin(Margin, y);
        laid->layout.draw(&p, origin, selections, QRectF(e->rect()));
        // A selected line break shows as a little room after its line.
        if (selEnd > s.end && selStart <= s.end && s.end == m_store.lineContentEnd(s.line) &&
            s.end < m_store.length() && m_preedit.isEmpty()) {
            const QTextLine last = laid->layout.lineAt(laid->layout.lineCount() - 1);
            const QRectF room(Margin + last.naturalTextWidth(), y + last.y(),
                              QFontMetrics(font()).averageCharWidth(), last.height());
            p.fillRect(room, pal.brush(group, QPalette::Highlight));
        }
        if (m_caretShown && hasFocus() && m_caret >= s.start && m_caret <= s.end &&
            segmentAt(m_caret).start == s.start) {
            int rel = int(m_caret - s.start);
            if (!m_preedit.isEmpty())
                rel += m_preeditCursor;
            laid->layout.drawCursor(&p, origin, rel, 1);
        }
        if (m_dropPos >= s.start && m_dropPos <= s.end && segmentAt(m_dropPos).start == s.start)
            laid->layout.drawCursor(&p, origin, int(m_dropPos - s.start), 2);
        y += laid->height;
        shownTo = s.end;
        if (y >= height)
            break;
        Row next{s.start, laid->layout.lineCount() - 1};
        if (!nextRow(next))
            break;
        r = next;
    }
    estimateRowChars();
    const qint64 units = std::max<qint64>(1, scrollUnits(shownTo) - scrollUnits(shownFrom));
    m_shownChars = std::max<qsizetype>(1, shownTo - shownFrom);
    const qint64 maximum = scrollMaximum() / m_scrollScale;
    if (units != m_shownUnits || maximum != verticalScrollBar()->maximum()) {
        m_shownUnits = units;
        syncScrollBar();
    }
    // Layouts of pieces long out of view are let go.
    if (m_laid.size() > 256) {
        for (auto it = m_laid.begin(); it != m_laid.end();)
            it = it->second->used + 2 < m_paintCount ? m_laid.erase(it) : std::next(it);
    }
}

void TextArea::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (m_laidWidth != textWidth())
        forgetRows();
    estimateRowChars();
    syncScrollBar();
}

void TextArea::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        forgetRows();
        viewport()->update();
        estimateRowChars();
        syncScrollBar();
    }
}

void TextArea::wheelEvent(QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 40; // three rows a notch
    if (steps)
        scrollRows(-steps);
    e->accept();
}

// ---------------------------------------------------------------- keys

bool TextArea::focusNextPrevChild(bool) {
    return false; // Tab is typed
}

bool TextArea::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (declinesKey(k)) {
            e->ignore();
            return true;
        }
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        const bool ctrl = mods & Qt::ControlModifier;
        const bool alt = mods & Qt::AltModifier;
        bool ours = false;
        if (!ctrl && !alt && !k->text().isEmpty() && k->text().at(0).isPrint())
            ours = true;
        if (ctrl && !alt) {
            switch (k->key()) {
            case Qt::Key_A:
            case Qt::Key_C:
            case Qt::Key_X:
            case Qt::Key_Z:
            case Qt::Key_Y:
            case Qt::Key_Insert:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Home:
            case Qt::Key_End:
            case Qt::Key_Backspace:
            case Qt::Key_Delete:
                ours = true;
                break;
            default:
                break;
            }
        }
        if (!ctrl && !alt &&
            (k->key() == Qt::Key_Delete || k->key() == Qt::Key_Insert || k->key() == Qt::Key_Home ||
             k->key() == Qt::Key_End))
            ours = true;
        if (ours) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TextArea::keyPressEvent(QKeyEvent* e) {
    if (declinesKey(e)) {
        e->ignore();
        return;
    }
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool alt = mods & Qt::AltModifier;
    const int key = e->key();
    const qsizetype n = m_store.length();

    if (ctrl && !alt) {
        switch (key) {
        case Qt::Key_Z:
            shift ? redo() : undo();
            return;
        case Qt::Key_Y:
            redo();
            return;
        case Qt::Key_C:
        case Qt::Key_Insert:
            copy();
            return;
        case Qt::Key_X:
            cut();
            return;
        case Qt::Key_A:
            selectAll();
            return;
        case Qt::Key_V:
            paste();
            return;
        case Qt::Key_Home:
            setCursorPosition(0, shift);
            return;
        case Qt::Key_End:
            setCursorPosition(n, shift);
            return;
        case Qt::Key_Left:
            setCursorPosition(wordLeft(m_caret), shift);
            return;
        case Qt::Key_Right:
            setCursorPosition(wordRight(m_caret), shift);
            return;
        case Qt::Key_Backspace:
            if (SelLength())
                deleteSelection();
            else
                replaceRange(wordLeft(m_caret), m_caret, QString());
            ensureCursorVisible();
            return;
        case Qt::Key_Delete:
            if (SelLength())
                deleteSelection();
            else
                replaceRange(m_caret, wordRight(m_caret), QString());
            ensureCursorVisible();
            return;
        default:
            break;
        }
    }
    if (!ctrl && !alt) {
        switch (key) {
        case Qt::Key_Left:
            if (SelLength() && !shift)
                setCursorPosition(SelStart());
            else
                setCursorPosition(previousStep(m_caret), shift);
            return;
        case Qt::Key_Right:
            if (SelLength() && !shift)
                setCursorPosition(SelStart() + SelLength());
            else
                setCursorPosition(nextStep(m_caret), shift);
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            const bool up = key == Qt::Key_Up || key == Qt::Key_PageUp;
            const int count =
                key == Qt::Key_Up || key == Qt::Key_Down ? 1 : std::max(1, visibleRows() - 1);
            Row r = rowOf(m_caret);
            if (m_goalX < 0)
                m_goalX = lineOf(r).cursorToX(int(m_caret - r.seg));
            int moved = 0;
            for (; moved < count && (up ? previousRow(r) : nextRow(r)); ++moved) {
            }
            qsizetype pos = positionInRow(r, m_goalX);
            if (moved < count)
                pos = up ? (moved == 0 ? 0 : pos) : (moved == 0 ? n : pos);
            if (count > 1)
                scrollRows(up ? -moved : moved);
            moveCaret(pos, shift, true);
            ensureCursorVisible();
            if (shift)
                updateSelectionClipboard();
            return;
        }
        case Qt::Key_Home:
            setCursorPosition(rowStart(rowOf(m_caret)), shift);
            return;
        case Qt::Key_End:
            setCursorPosition(rowEnd(rowOf(m_caret)), shift);
            return;
        case Qt::Key_Backspace:
            if (SelLength())
                deleteSelection();
            else
                replaceRange(previousStep(m_caret), m_caret, QString());
            ensureCursorVisible();
            return;
        case Qt::Key_Delete:
            if (shift) {
                cut();
                return;
            }
            if (SelLength())
                deleteSelection();
            else
                replaceRange(m_caret, nextStep(m_caret), QString());
            ensureCursorVisible();
            return;
        case Qt::Key_Insert:
            if (shift)
                paste();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            replaceRange(SelStart(), SelStart() + SelLength(), QStringLiteral("\r\n"));
            ensureCursorVisible();
            return;
        case Qt::Key_Tab:
            typeText(QStringLiteral("\t"));
            return;
        default:
            break;
        }
    }
    // Text: Ctrl or Alt alone with a key types nothing; both together are
    // AltGr on some keyboards.
    const QString t = e->text();
    if (!t.isEmpty() && ctrl == alt && !(mods & Qt::MetaModifier)) {
        bool printable = true;
        for (const QChar c : t)
            printable = printable && (c == u'\t' || (c.unicode() >= 0x20 && c.unicode() != 0x7F));
        if (printable) {
            typeText(t);
            return;
        }
    }
    e->ignore();
}

void TextArea::inputMethodEvent(QInputMethodEvent* e) {
    const bool hadPreedit = !m_preedit.isEmpty();
    if (!e->commitString().isEmpty() || e->replacementLength()) {
        qsizetype from = SelStart();
        qsizetype to = from + SelLength();
        if (e->replacementLength() && from == to) {
            from = std::clamp<qsizetype>(m_caret + e->replacementStart(), 0, length());
            to = std::clamp<qsizetype>(from + e->replacementLength(), from, length());
        }
        m_preedit.clear();
        replaceRange(from, to, e->commitString(), TextStore::Kind::Typing);
    }
    m_preedit = e->preeditString();
    m_preeditCursor = int(m_preedit.size());
    for (const auto& a : e->attributes())
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = a.start;
    if (hadPreedit || !m_preedit.isEmpty()) {
        // The caret's piece is laid out again with (or without) the pre-edit.
        const Segment s = segmentAt(m_caret);
        m_laid.erase(s.start);
    }
    ensureCursorVisible();
    viewport()->update();
    e->accept();
}

QVariant TextArea::inputMethodQuery(Qt::InputMethodQuery query) const {
    const Segment s = segmentAt(m_caret);
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImFont:
        return font();
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->geometry().topLeft());
    case Qt::ImCursorPosition:
        return int(m_caret - s.start);
    case Qt::ImAnchorPosition:
        return int(std::clamp(m_anchor, s.start, s.end) - s.start);
    case Qt::ImSurroundingText:
        return m_store.mid(s.start, s.end - s.start);
    case Qt::ImCurrentSelection:
        return m_store.mid(SelStart(), std::min<qsizetype>(SelLength(), 4096));
    case Qt::ImAbsolutePosition:
        return qlonglong(m_caret);
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// ---------------------------------------------------------------- mouse

void TextArea::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (e->button() == Qt::MiddleButton) {
        QClipboard* cb = QGuiApplication::clipboard();
        if (cb->supportsSelection()) {
            const QString t = cb->text(QClipboard::Selection);
            setCursorPosition(positionAt(p));
            if (!t.isEmpty())
                replaceRange(m_caret, m_caret, t);
        }
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    const qsizetype pos = positionAt(p);
    if (m_tripleClick.isActive() &&
        (p - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // The whole line, its break included.
        m_tripleClick.stop();
        const qsizetype line = m_store.lineOf(pos);
        m_anchor = m_store.lineStart(line);
        moveCaret(line + 1 < m_store.lineCount() ? m_store.lineStart(line + 1) : m_store.length(),
                  true);
        updateSelectionClipboard();
        m_selecting = false;
        return;
    }
    m_wordSelecting = false;
    if (!(e->modifiers() & Qt::ShiftModifier) && SelLength() && pos >= SelStart() &&
        pos < SelStart() + SelLength()) {
        m_maybeDrag = true;
        m_pressPoint = p;
        return;
    }
    m_selecting = true;
    moveCaret(pos, e->modifiers() & Qt::ShiftModifier);
    ensureCursorVisible();
}

void TextArea::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    m_doubleClickPoint = e->position().toPoint();
    m_tripleClick.start(QApplication::doubleClickInterval(), this);
    selectWordAt(positionAt(m_doubleClickPoint));
    m_wordSelecting = true;
    m_selecting = true;
    updateSelectionClipboard();
}

void TextArea::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (m_maybeDrag) {
        if ((p - m_pressPoint).manhattanLength() >= QApplication::startDragDistance()) {
            m_maybeDrag = false;
            startDrag();
        }
        return;
    }
    if (!m_selecting || !(e->buttons() & Qt::LeftButton))
        return;
    m_lastMouse = p;
    if (p.y() < 0 || p.y() > viewport()->height())
        m_autoScroll.start(50, this);
    else
        m_autoScroll.stop();
    qsizetype pos = positionAt(p);
    if (m_wordSelecting) {
        if (pos < m_wordAnchorStart) {
            m_anchor = m_wordAnchorEnd;
        } else {
            m_anchor = m_wordAnchorStart;
            pos = std::max(pos, m_wordAnchorEnd);
        }
    }
    moveCaret(pos, true);
    ensureCursorVisible();
}

void TextArea::mouseReleaseEvent(QMouseEvent* e) {
    m_autoScroll.stop();
    if (m_maybeDrag) {
        m_maybeDrag = false;
        setCursorPosition(positionAt(e->position().toPoint()));
    }
    if (m_selecting)
        updateSelectionClipboard();
    m_selecting = false;
}

void TextArea::timerEvent(QTimerEvent* e) {
    if (e->timerId() == m_blink.timerId()) {
        m_caretShown = !m_caretShown;
        viewport()->update(cursorRect().adjusted(-2, -2, 2, 2));
    } else if (e->timerId() == m_autoScroll.timerId()) {
        scrollRows(m_lastMouse.y() < 0 ? -1 : 1);
        const QPoint inside(m_lastMouse.x(),
                            std::clamp(m_lastMouse.y(), 0, viewport()->height() - 1));
        moveCaret(positionAt(inside), true);
    } else if (e->timerId() == m_measure.timerId()) {
        measureSome();
    } else if (e->timerId() == m_tripleClick.timerId()) {
        m_tripleClick.stop();
    } else {
        QAbstractScrollArea::timerEvent(e);
    }
}

void TextArea::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
}

void TextArea::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    m_caretShown = false;
    viewport()->update();
}

// ---------------------------------------------------------------- drag and drop

void TextArea::startDrag() {
    const qsizetype start = SelStart();
    const qsizetype len = SelLength();
    auto* data = new QMimeData;
    data->setText(selectedText());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    m_droppedInside = false;
    const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    if (done == Qt::MoveAction && !m_droppedInside)
        replaceRange(start, start + len, QString());
    m_droppedInside = false;
}

namespace {

QString localFile(const QMimeData* data) {
    if (!data->hasUrls())
        return {};
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

} // namespace

void TextArea::dragEnterEvent(QDragEnterEvent* e) {
    if (!localFile(e->mimeData()).isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else if (e->mimeData()->hasText()) {
        e->acceptProposedAction();
    } else {
        e->ignore();
    }
}

void TextArea::dragMoveEvent(QDragMoveEvent* e) {
    if (!localFile(e->mimeData()).isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return;
    }
    if (!e->mimeData()->hasText()) {
        e->ignore();
        return;
    }
    m_dropPos = positionAt(e->position().toPoint());
    viewport()->update();
    e->acceptProposedAction();
}

void TextArea::dragLeaveEvent(QDragLeaveEvent*) {
    m_dropPos = -1;
    viewport()->update();
}

void TextArea::dropEvent(QDropEvent* e) {
    m_dropPos = -1;
    viewport()->update();
    const QString file = localFile(e->mimeData());
    if (!file.isEmpty()) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
        emit FileDropped(file);
        return;
    }
    if (!e->mimeData()->hasText()) {
        e->ignore();
        return;
    }
    const QString t = e->mimeData()->text();
    qsizetype pos = positionAt(e->position().toPoint());
    const bool inside = e->source() == this;
    const bool move = inside && e->dropAction() == Qt::MoveAction;
    if (inside && pos >= SelStart() && pos <= SelStart() + SelLength()) {
        e->setDropAction(Qt::CopyAction); // dropped onto itself: nothing moves
        e->accept();
        m_droppedInside = true;
        return;
    }
    if (move) {
        // The text is taken out first; a drop after it lands that much earlier.
        const qsizetype start = SelStart();
        const qsizetype len = SelLength();
        replaceRange(start, start + len, QString());
        if (pos > start)
            pos -= len;
        m_droppedInside = true;
    }
    replaceRange(pos, pos, t);
    m_anchor = pos;
    moveCaret(pos + t.size(), true);
    setFocus(Qt::MouseFocusReason);
    e->acceptProposedAction();
}

// ---------------------------------------------------------------- context menu

QMenu* TextArea::createContextMenu() {
    auto* menu = new QMenu(this);
    const auto add = [&](const QString& text, const QKeySequence& keys, bool enabled, auto slot) {
        // The keys are shown, not made shortcuts: the menu's actions must not
        // be taken for the window's own.
        QAction* a = menu->addAction(
            keys.isEmpty() ? text : text + u'\t' + keys.toString(QKeySequence::NativeText), this,
            slot);
        a->setEnabled(enabled);
        return a;
    };
    const bool selection = SelLength() > 0;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    add(tr("&Undo"), QKeySequence::Undo, canUndo(), [this] { undo(); });
    add(tr("&Redo"), QKeySequence::Redo, canRedo(), [this] { redo(); });
    menu->addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, selection, [this] { cut(); });
    add(tr("&Copy"), QKeySequence::Copy, selection, [this] { copy(); });
    add(tr("&Paste"), QKeySequence::Paste, data && data->hasText(), [this] { paste(); });
    add(tr("Delete"), QKeySequence(), selection, [this] { deleteSelection(); });
    menu->addSeparator();
    add(tr("Select All"), QKeySequence::SelectAll, length() > 0, [this] { selectAll(); });
    return menu;
}

void TextArea::contextMenuEvent(QContextMenuEvent* e) {
    QMenu* menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(e->globalPos());
}

} // namespace pw
