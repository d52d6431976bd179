// The text area's view: which rows are in it, the scroll bar's measure of
// the text, measuring rows in idle time, scrolling, and where characters are.

#include "textarea.h"

#include "caretstops.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetricsF>
#include <QScrollBar>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>

namespace pw {

namespace {

constexpr int Margin = 4;
// Measuring in idle time: each turn of the event loop with nothing else to
// do measures for at most MeasureBudget ms, and a view has at most
// MeasureAround lines around it measured; a line longer than MeasureLongest
// characters keeps its estimate.
constexpr qint64 MeasureBudget = 4;
constexpr qsizetype MeasureAround = 20000;
constexpr qsizetype MeasureLongest = 64 * 1024;

} // namespace

int TextArea::textWidth() const {
    return std::max(1, viewport()->width() - 2 * Margin);
}

int TextArea::visibleRows() const {
    const int h = QFontMetrics(font()).lineSpacing();
    return std::max(1, viewport()->height() / std::max(1, h));
}

// The font or the width changed: every layout and measured row goes.
void TextArea::layoutChanged() {
    m_layout.setFont(font());
    m_layout.setWidth(textWidth());
    forgetRows();
    viewport()->update();
    estimateRowChars();
    syncScrollBar();
}

void TextArea::forgetRows() {
    m_heights.reset(m_store.lineCount(), m_store.length());
    m_measureCenter = -1;
}

void TextArea::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    if (m_layout.width() != textWidth())
        layoutChanged();
    else
        syncScrollBar();
}

void TextArea::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        layoutChanged();
}

void TextArea::fillView() {
    // The top row is a row start; when the text ends above the bottom of
    // the view, earlier rows fill it.
    Row top = m_layout.rowOf(m_top);
    m_top = m_layout.rowStart(top);
    const qreal height = viewport()->height();
    Row r = top;
    qreal y = m_layout.height(r);
    bool more = true;
    while (y < height && (more = m_layout.next(r)))
        y += m_layout.height(r);
    m_atEnd = !more || (y <= height + 0.5 && !m_layout.next(r));
    while (y + 0.5 < height) {
        Row p = top;
        if (!m_layout.previous(p))
            break;
        const qreal h = m_layout.height(p);
        if (y + h > height + 0.5)
            break;
        y += h;
        top = p;
    }
    m_top = m_layout.rowStart(top);
}

// ---------------------------------------------------------------- scroll bar

// The characters of a line, its line break included.
qsizetype TextArea::lineChars(qsizetype line) const {
    const qsizetype end =
        line + 1 < m_store.lineCount() ? m_store.lineStart(line + 1) : m_store.length();
    return end - m_store.lineStart(line);
}

// A line laid out whole in one piece tells the scroll bar its rows (a line
// with an input method's pre-edit in it does not: that is not its text).
void TextArea::noteRows(const Piece& p) {
    if (p.start != m_store.lineStart(p.line) || p.end != m_store.lineContentEnd(p.line))
        return;
    if (m_layout.preeditAt() >= 0 && m_store.lineOf(m_layout.preeditAt()) == p.line)
        return;
    if (const QTextLayout* l = m_layout.kept(p))
        m_heights.setRows(p.line, p.start, lineChars(p.line), l->lineCount());
}

// The scroll bar's measure of the height above a position, in characters:
// a row is m_rowChars of them. A line measured counts its rows; any other
// line counts its characters and a row more (each line takes at least one
// row), which needs nothing laid out (see heightmap.h).
qint64 TextArea::scrollUnits(qsizetype pos) const {
    const qsizetype line = m_store.lineOf(pos);
    const qsizetype start = m_store.lineStart(line);
    return m_heights.unitsAt(line, start, pos - start, m_rowChars);
}

// The height of the whole text, its last line included.
qint64 TextArea::totalUnits() const {
    return m_heights.totalUnits(m_rowChars);
}

// The scroll bar's last value: the view full of the last rows.
qint64 TextArea::scrollMaximum() const {
    return std::max<qint64>(0, totalUnits() - qint64(visibleRows()) * m_rowChars);
}

// What a row holds: guessed from the font until rows have been laid out,
// then what they held. The scroll bar follows when the estimate moves.
void TextArea::estimateRowChars() {
    qint64 chars = m_layout.fullRows() > 0
                       ? m_layout.fullRowChars() / m_layout.fullRows()
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
    m_top = m_layout.rowStart(m_layout.rowOf(pos));
    fillView();
    viewport()->update();
    startMeasuring();
}

// ---------------------------------------------------------------- measuring

// Lines near the view are measured in idle time, outwards from the top
// row's line, so that the scroll bar follows their real rows. Moving far
// starts again around the new place; lines measured before are skipped.
void TextArea::startMeasuring() {
    if (!isVisible())
        return;
    const qsizetype center = m_store.lineOf(m_top);
    m_heights.setKeep(center);
    if (m_measureCenter >= 0 && std::abs(center - m_measureCenter) < 1000)
        return;
    m_measureCenter = center;
    m_measureNext = 0;
    m_measure.start(0, this);
}

// A line that surely fits one row (its characters' advances add up to less
// than the width: see TextRows::surelyOneRow) counts one row without being
// laid out. Only the others are laid out, piece by piece.
void TextArea::measureSome() {
    if (!isVisible() || m_measureCenter < 0) {
        m_measure.stop();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    const qsizetype lines = m_store.lineCount();
    bool changed = false;
    for (int n = 0;; ++n) {
        const qsizetype k = m_measureNext;
        const qsizetype line = k % 2 == 0 ? m_measureCenter + k / 2 : m_measureCenter - 1 - k / 2;
        const bool outside = m_measureCenter + k / 2 >= lines && m_measureCenter - 1 - k / 2 < 0;
        if (outside || k >= MeasureAround) {
            m_measure.stop();
            break;
        }
        if (n % 64 == 0 && clock.elapsed() >= MeasureBudget)
            break;
        ++m_measureNext;
        if (line < 0 || line >= lines || m_heights.isMeasured(line))
            continue;
        const qsizetype chars = lineChars(line);
        if (chars > MeasureLongest)
            continue;
        if (m_layout.preeditAt() >= 0 && m_store.lineOf(m_layout.preeditAt()) == line)
            continue;
        const qsizetype start = m_store.lineStart(line);
        const qsizetype end = m_store.lineContentEnd(line);
        qint64 rows = 0;
        if (end - start <= LinePieces::MaxPiece &&
            m_layout.surelyOneRow(m_store.mid(start, end - start))) {
            rows = 1;
        } else {
            for (qsizetype pos = start;;) {
                const Piece p = m_layout.pieceAt(pos);
                rows += m_layout.countRows(p);
                if (p.end >= end)
                    break;
                pos = p.end;
            }
        }
        m_heights.setRows(line, start, chars, rows);
        changed = true;
    }
    if (changed) {
        estimateRowChars();
        syncScrollBar();
    }
}

// ---------------------------------------------------------------- scrolling

void TextArea::scrollRows(int rows) {
    Row r = m_layout.rowOf(m_top);
    for (; rows > 0 && m_layout.next(r); --rows) {
    }
    for (; rows < 0 && m_layout.previous(r); ++rows) {
    }
    m_top = m_layout.rowStart(r);
    fillView();
    syncScrollBar();
    viewport()->update();
}

// Touchpads and fine wheels scroll by pixels: what is less than a row is
// kept for the next turn.
void TextArea::scrollPixels(qreal pixels) {
    const qreal row = std::max<qreal>(1, QFontMetricsF(font()).lineSpacing());
    m_wheelRest += pixels;
    const int rows = int(m_wheelRest / row);
    m_wheelRest -= rows * row;
    if (rows)
        scrollRows(rows);
}

void TextArea::ensureCursorVisible() {
    if (!isVisible() || viewport()->height() <= 0) {
        // Not shown yet: the caret's row goes to the top.
        if (m_caret < m_top || m_caret > m_top + m_shownChars)
            m_top = m_caret;
        return;
    }
    const Row caret = m_layout.rowOf(m_caret);
    const qsizetype caretStart = m_layout.rowStart(caret);
    const Row top = m_layout.rowOf(m_top);
    if (caretStart < m_layout.rowStart(top)) {
        m_top = caretStart;
    } else {
        const qreal height = viewport()->height();
        qreal y = 0;
        Row r = top;
        bool seen = false;
        for (int i = 0; i <= visibleRows() + 1; ++i) {
            y += m_layout.height(r);
            if (r == caret) {
                seen = y <= height + 0.5;
                break;
            }
            if (y > height || !m_layout.next(r))
                break;
        }
        if (!seen) {
            // The caret's row at the bottom.
            Row t = caret;
            qreal h = m_layout.height(t);
            for (;;) {
                Row p = t;
                if (!m_layout.previous(p) || h + m_layout.height(p) > height + 0.5)
                    break;
                h += m_layout.height(p);
                t = p;
            }
            m_top = m_layout.rowStart(t);
        }
    }
    fillView();
    syncScrollBar();
    viewport()->update();
}

// ---------------------------------------------------------------- geometry

// The row in view that shows pos: its line, its top in the viewport and
// pos's place in the line's layout (after the pre-edit where pos is after
// the caret).
bool TextArea::locate(qsizetype pos, QTextLine& found, qreal& top, int& rel) const {
    Row r = m_layout.rowOf(m_top);
    const qreal height = viewport()->height();
    const QString& preedit = m_layout.preedit();
    qreal y = 0;
    for (int i = 0; i <= visibleRows() + 1 && y < height; ++i) {
        const Piece s = m_layout.pieceAt(r.piece);
        const QTextLine line = m_layout.line(r);
        const qsizetype start = r.piece + line.textStart();
        const qsizetype end = start + line.textLength();
        // The end of a piece cut inside a line is the start of the next.
        const bool last = m_layout.lastRowOfLine(r);
        if (pos >= start && (pos < end || (last && pos <= end))) {
            rel = int(pos - r.piece);
            if (!preedit.isEmpty() && pos >= m_caret && m_caret >= s.start && m_caret <= s.end)
                rel += pos == m_caret ? m_preeditCursor : int(preedit.size());
            found = line;
            top = y;
            return true;
        }
        y += line.height();
        if (!m_layout.next(r))
            break;
    }
    return false;
}

QRect TextArea::characterRect(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, m_store.length());
    QTextLine line;
    qreal y = 0;
    int rel = 0;
    if (!locate(pos, line, y, rel))
        return {};
    const qreal x = line.cursorToX(rel);
    const qsizetype next = nextStep(pos);
    const bool inRow =
        pos < qsizetype(line.textStart() + line.textLength()) + m_layout.pieceAt(pos).start;
    const qreal x2 = inRow && next > pos ? line.cursorToX(rel + int(next - pos))
                                         : x + QFontMetrics(font()).averageCharWidth();
    return QRectF(Margin + std::min(x, x2), y, std::max<qreal>(1, std::abs(x2 - x)), line.height())
        .toAlignedRect();
}

// Where the caret is drawn: at its position's edge in the line's direction.
QRect TextArea::cursorRect() const {
    QTextLine line;
    qreal y = 0;
    int rel = 0;
    if (!locate(m_caret, line, y, rel))
        return {};
    return QRect(qRound(Margin + line.cursorToX(rel)), qRound(y), 1, qRound(line.height()));
}

qsizetype TextArea::positionAt(QPoint p) const {
    Row r = m_layout.rowOf(m_top);
    if (p.y() < 0) {
        Row q = r;
        if (m_layout.previous(q))
            return m_layout.positionInRow(q, p.x() - Margin);
        return m_layout.positionInRow(r, p.x() - Margin);
    }
    qreal y = 0;
    for (;;) {
        const qreal h = m_layout.height(r);
        if (p.y() < y + h)
            break;
        y += h;
        if (!m_layout.next(r))
            break;
    }
    return m_layout.positionInRow(r, p.x() - Margin);
}

} // namespace pw
