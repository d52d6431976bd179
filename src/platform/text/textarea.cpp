// The text area's edits, undo and redo, the clipboard, and the caret and the
// selection.

#include "textarea.h"

#include "caretstops.h"
#include "marks.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QScrollBar>

#include <algorithm>

namespace pw {

namespace {

// The selection clipboard of X11 is not given selections larger than this.
constexpr qsizetype MaxSelectionClipboard = 8 * 1024 * 1024;

} // namespace

// Undo and redo tell the text area of each change they make, before it is
// made (screen readers are told what goes) and after.
class TextArea::EditObserver final : public TextStore::Observer {
public:
    explicit EditObserver(TextArea* area) : m_area(area) {}
    void aboutToChange(const TextStore::Change& c) override {
        m_area->tellReadersRemoving(c.pos, c.removed);
    }
    void changed(const TextStore::Change& c) override {
        m_area->m_caret = m_area->m_anchor = c.pos + c.added;
        m_area->edited(c);
    }

private:
    TextArea* m_area;
};

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
    m_layout.setFont(font());
}

TextArea::~TextArea() = default;

// ---------------------------------------------------------------- edits

// After the store changed: layouts, measured rows and the view follow.
void TextArea::edited(const TextStore::Change& c) {
    m_layout.edited(c.pos, c.removed, c.added);
    // Rows known for the lines the edit touched are forgotten; later lines
    // keep theirs under their new numbers.
    const qsizetype lines = m_store.lineCount();
    const qsizetype first = m_store.lineOf(c.pos);
    const qsizetype last = m_store.lineOf(c.pos + c.added) - (lines - m_lines);
    m_heights.edited(first, std::max(first, last), lines - m_lines, c.added - c.removed);
    m_lines = lines;
    if (m_top > c.pos)
        m_top = m_top >= c.pos + c.removed ? m_top + c.added - c.removed : c.pos;
    m_top = std::clamp<qsizetype>(m_top, 0, m_store.length());
    tellReadersEdited(c.pos, c.removed, c.added);
    viewport()->update();
    emit textChanged(c.pos, c.removed, c.added);
}

void TextArea::afterEdits() {
    m_goalX = -1;
    syncScrollBar();
    caretChanged();
}

void TextArea::resetText(const QString& text) {
    const qsizetype old = m_store.length();
    tellReadersRemoving(0, old);
    m_store.reset(text);
    m_layout.setPreedit(-1, QString());
    m_layout.reset();
    m_lines = m_store.lineCount();
    m_heights.reset(m_lines, m_store.length());
    m_measureCenter = -1;
    m_caret = m_anchor = 0;
    m_top = 0;
    m_atEnd = false;
    m_goalX = -1;
    m_wheelRest = 0;
    syncScrollBar();
    viewport()->update();
    tellReadersReset();
    emit textChanged(0, old, text.size());
    caretChanged();
}

void TextArea::replaceRange(qsizetype from, qsizetype to, const QString& text,
                            TextStore::Kind kind) {
    from = std::clamp<qsizetype>(from, 0, m_store.length());
    to = std::clamp<qsizetype>(to, from, m_store.length());
    if (from == to && text.isEmpty())
        return;
    tellReadersRemoving(from, to - from);
    m_store.replace(from, to - from, text, kind);
    m_caret = m_anchor = from + text.size();
    edited({from, to - from, text.size()});
    afterEdits();
}

void TextArea::typeText(const QString& text) {
    replaceRange(SelStart(), SelStart() + SelLength(), text, TextStore::Kind::Typing);
    ensureCursorVisible();
}

// Backspace takes one code point (an accent off its letter, as the
// toolkit's own text boxes do); Ctrl+Backspace the word before the caret.
void TextArea::deleteBack(bool word) {
    if (SelLength()) {
        deleteSelection();
        return;
    }
    const qsizetype from = word ? wordLeftOf(m_caret) : previousCodePoint(m_store, m_caret);
    replaceRange(from, m_caret, QString(), TextStore::Kind::DeleteBack);
    ensureCursorVisible();
}

// Delete takes the whole cluster after the caret; Ctrl+Delete the word.
void TextArea::deleteForward(bool word) {
    if (SelLength()) {
        deleteSelection();
        return;
    }
    const qsizetype to = word ? wordRightOf(m_caret) : nextStep(m_caret);
    replaceRange(m_caret, to, QString(), TextStore::Kind::DeleteForward);
    ensureCursorVisible();
}

void TextArea::undo() {
    replay(true);
}

void TextArea::redo() {
    replay(false);
}

void TextArea::replay(bool undoing) {
    if (undoing ? !m_store.canUndo() : !m_store.canRedo())
        return;
    EditObserver observer(this);
    undoing ? m_store.undo(&observer) : m_store.redo(&observer);
    afterEdits();
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
    return snapToStop(m_store, pos);
}

qsizetype TextArea::previousStep(qsizetype pos) const {
    return previousStop(m_store, pos);
}

qsizetype TextArea::nextStep(qsizetype pos) const {
    return nextStop(m_store, pos);
}

qsizetype TextArea::wordLeftOf(qsizetype pos) const {
    return wordLeft(m_store, pos);
}

qsizetype TextArea::wordRightOf(qsizetype pos) const {
    return wordRight(m_store, pos);
}

void TextArea::selectWordAt(qsizetype pos) {
    const WordSpan w = wordAt(m_store, pos);
    m_wordAnchorStart = w.start;
    m_wordAnchorEnd = w.end;
    m_anchor = w.start;
    moveCaret(w.end, true);
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
    tellReadersCaret();
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

} // namespace pw
