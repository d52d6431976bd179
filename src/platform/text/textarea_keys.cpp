// Keys and input methods: what each key does in the text area, which keys
// it keeps from the window's shortcuts, and the input method's pre-edit,
// commit and queries.

#include "textarea.h"

#include "caretstops.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

namespace pw {

namespace {

// The text an input method is shown around the caret: this much on each
// side, within the caret's line.
constexpr qsizetype SurroundingChars = 1024;

} // namespace

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

// Left and Right, with Ctrl by words: in a right-to-left line Left goes
// on through the text and Right back, as the toolkit's own boxes do.
bool TextArea::moveByKey(int key, bool ctrl, bool shift) {
    if (key != Qt::Key_Left && key != Qt::Key_Right)
        return false;
    const bool rtl = m_layout.direction(m_store.lineOf(m_caret)) == Qt::RightToLeft;
    const bool forward = (key == Qt::Key_Right) != rtl;
    if (!ctrl && SelLength() && !shift) {
        setCursorPosition(forward ? SelStart() + SelLength() : SelStart());
        return true;
    }
    qsizetype to;
    if (ctrl)
        to = forward ? wordRightOf(m_caret) : wordLeftOf(m_caret);
    else
        to = forward ? nextStep(m_caret) : previousStep(m_caret);
    setCursorPosition(to, shift);
    return true;
}

// Up and Down by a row, Page Up and Page Down by a view, to the row's
// place nearest the column the caret went up or down from. Up on the first
// row and Down on the last leave the caret where it is (with Shift they
// select to the end); a page past either end goes to it.
void TextArea::moveVertically(int key, bool shift) {
    const bool up = key == Qt::Key_Up || key == Qt::Key_PageUp;
    const bool page = key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    const int count = page ? std::max(1, visibleRows() - 1) : 1;
    Row r = m_layout.rowOf(m_caret);
    if (m_goalX < 0)
        m_goalX = m_layout.line(r).cursorToX(int(m_caret - r.piece));
    int moved = 0;
    for (; moved < count && (up ? m_layout.previous(r) : m_layout.next(r)); ++moved) {
    }
    qsizetype pos = m_layout.positionInRow(r, m_goalX);
    if (moved == 0)
        pos = page || shift ? (up ? 0 : m_store.length()) : m_caret;
    if (page)
        scrollRows(up ? -moved : moved);
    moveCaret(pos, shift, true);
    ensureCursorVisible();
    if (shift)
        updateSelectionClipboard();
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
            setCursorPosition(m_store.length(), shift);
            return;
        case Qt::Key_Left:
        case Qt::Key_Right:
            moveByKey(key, true, shift);
            return;
        case Qt::Key_Backspace:
            deleteBack(true);
            return;
        case Qt::Key_Delete:
            deleteForward(true);
            return;
        default:
            break;
        }
    }
    if (!ctrl && !alt) {
        switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
            moveByKey(key, false, shift);
            return;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            moveVertically(key, shift);
            return;
        case Qt::Key_Home:
            setCursorPosition(m_layout.rowStart(m_layout.rowOf(m_caret)), shift);
            return;
        case Qt::Key_End:
            setCursorPosition(m_layout.rowEnd(m_layout.rowOf(m_caret)), shift);
            return;
        case Qt::Key_Backspace:
            deleteBack(false);
            return;
        case Qt::Key_Delete:
            if (shift)
                cut();
            else
                deleteForward(false);
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

namespace {

// The stretch of the caret's line an input method sees.
struct Surrounding {
    qsizetype start = 0;
    qsizetype end = 0;
};

Surrounding surroundingOf(const TextStore& store, qsizetype caret) {
    const qsizetype line = store.lineOf(caret);
    const qsizetype ls = store.lineStart(line);
    const qsizetype ce = store.lineContentEnd(line);
    qsizetype start = std::max(ls, caret - SurroundingChars);
    qsizetype end = std::min(ce, caret + SurroundingChars);
    if (start > ls)
        start = snapToStop(store, start);
    if (end < ce)
        end = snapToStop(store, end);
    return {start, std::max(end, caret)};
}

} // namespace

// A commit replaces the selection, or what the input method names around
// the caret, as typing (one undo step with the typing around it); a pre-edit
// over a selection takes the selection's place.
void TextArea::inputMethodEvent(QInputMethodEvent* e) {
    const Surrounding around = surroundingOf(m_store, m_caret);
    const bool hadPreedit = !m_layout.preedit().isEmpty();
    if (!e->commitString().isEmpty() || e->replacementLength()) {
        qsizetype from = SelStart();
        qsizetype to = from + SelLength();
        if (e->replacementLength() && from == to) {
            // What the input method names is widened to whole clusters: it
            // must not take half of a pair or of a CR LF.
            from = snap(std::clamp<qsizetype>(m_caret + e->replacementStart(), 0, length()));
            to = std::clamp<qsizetype>(m_caret + e->replacementStart() + e->replacementLength(),
                                       from, length());
            if (snap(to) != to)
                to = nextStep(to);
        }
        m_layout.setPreedit(-1, QString());
        replaceRange(from, to, e->commitString(), TextStore::Kind::Typing);
    } else if (!e->preeditString().isEmpty() && SelLength()) {
        replaceRange(SelStart(), SelStart() + SelLength(), QString(), TextStore::Kind::Typing);
    }
    for (const auto& a : e->attributes()) {
        if (a.type == QInputMethodEvent::Selection) {
            m_anchor = std::clamp<qsizetype>(around.start + a.start, 0, length());
            moveCaret(std::clamp<qsizetype>(around.start + a.start + a.length, 0, length()), true);
        }
    }
    const QString preedit = e->preeditString();
    m_preeditCursor = int(preedit.size());
    for (const auto& a : e->attributes())
        if (a.type == QInputMethodEvent::Cursor)
            m_preeditCursor = std::clamp(a.start, 0, int(preedit.size()));
    if (hadPreedit || !preedit.isEmpty())
        m_layout.setPreedit(m_caret, preedit);
    ensureCursorVisible();
    viewport()->update();
    e->accept();
}

QVariant TextArea::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImFont:
        return font();
    case Qt::ImCursorRectangle:
        return cursorRect().translated(viewport()->geometry().topLeft());
    case Qt::ImAbsolutePosition:
        return qlonglong(m_caret);
    default:
        break;
    }
    const Surrounding around = surroundingOf(m_store, m_caret);
    switch (query) {
    case Qt::ImCursorPosition:
        return int(m_caret - around.start);
    case Qt::ImAnchorPosition:
        return int(std::clamp(m_anchor, around.start, around.end) - around.start);
    case Qt::ImSurroundingText:
        return m_store.mid(around.start, around.end - around.start);
    case Qt::ImTextBeforeCursor:
        return m_store.mid(around.start, m_caret - around.start);
    case Qt::ImTextAfterCursor:
        return m_store.mid(m_caret, around.end - m_caret);
    case Qt::ImCurrentSelection:
        return selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace pw
