// Painting the text area. Before each paint the view is looked at (which
// rows are in it, laid out now where they are not kept, their rows noted for
// the scroll bar); the painting itself only draws what that found and
// changes nothing.

#include "textarea.h"

#include "platform/desktop/colours.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace pw {

namespace {

constexpr int Margin = 4;

} // namespace

void TextArea::prepareView() {
    m_layout.markUse();
    const qsizetype oldTop = m_top;
    const bool oldAtEnd = m_atEnd;
    fillView();
    if (m_top != oldTop || m_atEnd != oldAtEnd)
        syncScrollBar();
    else
        startMeasuring();
    // The pieces in view, each laid out.
    m_shown.clear();
    const qreal height = viewport()->height();
    Row r = m_layout.rowOf(m_top);
    qreal y = -m_layout.line(r).y();
    for (;;) {
        const Piece s = m_layout.pieceAt(r.piece);
        const QTextLayout& l = m_layout.layout(s);
        m_shown.push_back({s, y});
        noteRows(s);
        y += l.boundingRect().height();
        if (y >= height)
            break;
        Row next{s.start, l.lineCount() - 1};
        if (!m_layout.next(next))
            break;
        r = next;
    }
    estimateRowChars();
    const qsizetype shownFrom = m_top;
    const qsizetype shownTo = m_shown.back().piece.end;
    const qint64 units = std::max<qint64>(1, scrollUnits(shownTo) - scrollUnits(shownFrom));
    m_shownChars = std::max<qsizetype>(1, shownTo - shownFrom);
    const qint64 maximum = scrollMaximum() / m_scrollScale;
    if (units != m_shownUnits || maximum != verticalScrollBar()->maximum()) {
        m_shownUnits = units;
        syncScrollBar();
    }
    // Layouts of pieces long out of view are let go.
    m_layout.trim();
}

void TextArea::paintEvent(QPaintEvent* e) {
    prepareView();
    QPainter p(viewport());
    p.setClipRect(e->rect());
    paintText(p, e->rect());
}

void TextArea::paintText(QPainter& p, const QRect& clip) const {
    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    // The theme's background where the text shows on it, white where it
    // would not (a dark theme under black text).
    const QPalette pal = legiblePalette(palette());
    p.fillRect(clip, pal.brush(group, QPalette::Base));
    p.setPen(pal.color(group, QPalette::Text));

    const qsizetype selStart = SelStart();
    const qsizetype selEnd = selStart + SelLength();
    const bool preedit = !m_layout.preedit().isEmpty();
    // A position where a line is cut into pieces belongs to the later piece;
    // a line's end to its last one.
    const auto holds = [this](const Piece& s, qsizetype pos) {
        return pos >= s.start && (pos < s.end || s.end == m_store.lineContentEnd(s.line));
    };
    for (const Shown& shown : m_shown) {
        const Piece& s = shown.piece;
        const QTextLayout* l = m_layout.kept(s);
        if (!l)
            continue;
        QList<QTextLayout::FormatRange> selections;
        if (selEnd > selStart && selStart <= s.end && selEnd >= s.start && !preedit) {
            QTextLayout::FormatRange range;
            range.start = int(std::max(selStart, s.start) - s.start);
            range.length = int(std::min(selEnd, s.end) - s.start) - range.start;
            range.format.setBackground(pal.brush(group, QPalette::Highlight));
            range.format.setForeground(pal.brush(group, QPalette::HighlightedText));
            selections << range;
        }
        const QPointF origin(Margin, shown.y);
        l->draw(&p, origin, selections, QRectF(clip));
        // A selected line break shows as a little room after its line.
        if (selEnd > s.end && selStart <= s.end && s.end == m_store.lineContentEnd(s.line) &&
            s.end < m_store.length() && !preedit) {
            const QTextLine last = l->lineAt(l->lineCount() - 1);
            const qreal w = QFontMetrics(font()).averageCharWidth();
            const bool rtl = l->textOption().textDirection() == Qt::RightToLeft;
            const qreal x = rtl ? Margin + last.x() + last.width() - last.naturalTextWidth() - w
                                : Margin + last.naturalTextWidth();
            p.fillRect(QRectF(x, shown.y + last.y(), w, last.height()),
                       pal.brush(group, QPalette::Highlight));
        }
        if (m_caretShown && hasFocus() && holds(s, m_caret)) {
            int rel = int(m_caret - s.start);
            if (preedit)
                rel += m_preeditCursor;
            l->drawCursor(&p, origin, rel, 1);
        }
        if (m_dropPos >= 0 && holds(s, m_dropPos))
            l->drawCursor(&p, origin, int(m_dropPos - s.start), 2);
    }
}

} // namespace pw
