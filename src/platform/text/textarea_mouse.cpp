// The mouse in the text area: clicks, double and triple clicks, selecting
// by dragging, the wheel and the touchpad, dragging text and dropping text
// or files, the context menu; and the timers that go with them.

#include "textarea.h"

#include "caretstops.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFontMetricsF>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace pw {

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
        // After a double click the selection grows by whole words.
        const WordSpan w = wordAt(m_store, pos);
        if (pos < m_wordAnchorStart) {
            m_anchor = m_wordAnchorEnd;
            pos = w.start;
        } else {
            m_anchor = m_wordAnchorStart;
            pos = std::max(pos > w.start ? w.end : pos, m_wordAnchorEnd);
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

// A notch of a wheel scrolls the desktop's number of rows; finer wheels and
// touchpads send less at a time, and what does not make a row yet is kept.
void TextArea::wheelEvent(QWheelEvent* e) {
    if (!e->pixelDelta().isNull()) {
        scrollPixels(-e->pixelDelta().y());
    } else if (e->angleDelta().y() != 0) {
        const qreal rows = e->angleDelta().y() / 120.0 * QApplication::wheelScrollLines();
        scrollPixels(-rows * QFontMetricsF(font()).lineSpacing());
    }
    e->accept();
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
        // The text is taken out first (a drop after it lands that much
        // earlier), and put in as part of the same undo step.
        const qsizetype start = SelStart();
        const qsizetype len = SelLength();
        replaceRange(start, start + len, QString());
        if (pos > start)
            pos -= len;
        m_store.joinNext();
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
