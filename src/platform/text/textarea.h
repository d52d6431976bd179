#pragma once
// The multi-line text area. Its parts, each in a file of its own:
//   textstore    the text and its undo history (a piece tree);
//   caretstops   where the caret stops: grapheme clusters, words, a line's
//                direction;
//   linepieces   long lines cut into pieces for layout;
//   textrows     the laid-out rows of the pieces, a bounded cache of them;
//   heightmap    the height of the text for the scroll bar: measured lines
//                and estimated gaps, bounded in memory;
//   textarea*    this widget: edits and the caret (textarea.cpp), the view
//                and the scroll bar (_view), painting (_paint), keys and
//                input methods (_keys), the mouse and drops (_mouse), what
//                screen readers are told (_access).
//
// Characters a reader could not see are stored as they are and drawn as
// marks (marks.h). Positions are offsets into the text, a CR LF counting
// two; the caret stops only between grapheme clusters.

#include "heightmap.h"
#include "textrows.h"
#include "textstore.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include <vector>

class QAccessibleInterface;
class QMenu;

namespace pw {

class TextArea : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TextArea(QWidget* parent);
    ~TextArea() override;

    QString text() const { return m_store.text(); }
    qsizetype length() const { return m_store.length(); }
    QString textRange(qsizetype from, qsizetype to) const { return m_store.mid(from, to - from); }
    // A new text with a fresh undo history, the caret at its start.
    void resetText(const QString& text);
    // Replaces [from, to) as one undo step (typing, and runs of Backspace
    // or Delete, join); the caret ends after the new text.
    void replaceRange(qsizetype from, qsizetype to, const QString& text,
                      TextStore::Kind kind = TextStore::Kind::Other);

    qsizetype cursorPosition() const { return m_caret; }
    qsizetype anchorPosition() const { return m_anchor; }
    qsizetype SelStart() const { return std::min(m_caret, m_anchor); }
    qsizetype SelLength() const { return std::abs(m_caret - m_anchor); }
    // Selects length characters from start (a negative length selects
    // backwards); the caret ends at start + length.
    void setSelection(qsizetype start, qsizetype length);
    void setCursorPosition(qsizetype pos, bool keepAnchor = false);
    QString selectedText() const;
    void selectAll();
    void moveCursorToStart() { setCursorPosition(0); }
    void moveCursorToEnd() { setCursorPosition(length()); }

    bool canUndo() const { return m_store.canUndo(); }
    bool canRedo() const { return m_store.canRedo(); }
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void deleteSelection();

    // The text as it is shown, marks in place of the characters drawn as
    // marks; one character for each character of the text.
    QString shownText(qsizetype from, qsizetype to) const;
    // Rectangles in viewport coordinates; an invalid one for a character not
    // in view.
    QRect characterRect(qsizetype pos) const;
    QRect cursorRect() const;
    qsizetype positionAt(QPoint viewportPoint) const;
    // The caret's row brought into view.
    void ensureCursorVisible();

    // How many pieces have been laid out so far, for tests of how much work
    // an edit takes.
    int layoutsBuilt() const { return m_layout.layoutsBuilt(); }
    // Whether rows are still being measured in idle time, for tests that wait
    // until it has finished.
    bool measuring() const { return m_measure.isActive(); }
    // What the height map holds, in bytes, for benchmarks.
    size_t heightMapBytes() const { return m_heights.memoryBytes(); }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // Every change of the text: at pos, removed characters became added ones.
    void textChanged(qsizetype pos, qsizetype removed, qsizetype added);
    void cursorMoved();
    // File URLs dropped from a file manager: the text is left alone.
    void FileDropped(const QString& path);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    bool focusNextPrevChild(bool next) override;

    // Keys the window's menu takes before the text area sees them.
    virtual bool declinesKey(const QKeyEvent*) const { return false; }

private:
    class EditObserver;
    // A piece of the text in view, as the last look at the view found it.
    struct Shown {
        Piece piece;
        qreal y = 0; // of the piece's first row, in the viewport
    };

    // ---- edits and the caret (textarea.cpp)
    void edited(const TextStore::Change& c);
    void afterEdits();
    void replay(bool undoing);
    void typeText(const QString& text);
    void deleteBack(bool word);
    void deleteForward(bool word);
    qsizetype snap(qsizetype pos) const;
    qsizetype previousStep(qsizetype pos) const;
    qsizetype nextStep(qsizetype pos) const;
    qsizetype wordLeftOf(qsizetype pos) const;
    qsizetype wordRightOf(qsizetype pos) const;
    void selectWordAt(qsizetype pos);
    void moveCaret(qsizetype pos, bool keepAnchor, bool keepGoal = false);
    void caretChanged();
    void restartBlink();
    void updateSelectionClipboard() const;

    // ---- the view and the scroll bar (textarea_view.cpp)
    int textWidth() const;
    int visibleRows() const;
    void layoutChanged();
    void fillView();
    void syncScrollBar();
    qint64 scrollUnits(qsizetype pos) const;
    qint64 totalUnits() const;
    qint64 scrollMaximum() const;
    qsizetype positionOfUnits(qint64 units) const;
    qsizetype lineChars(qsizetype line) const;
    bool locate(qsizetype pos, QTextLine& line, qreal& top, int& rel) const;
    void noteRows(const Piece& p);
    void forgetRows();
    void estimateRowChars();
    void startMeasuring();
    void measureSome();
    void scrollRows(int rows);
    void scrollPixels(qreal pixels);

    // ---- painting (textarea_paint.cpp)
    void prepareView();
    void paintText(QPainter& p, const QRect& clip) const;

    // ---- keys and input methods (textarea_keys.cpp)
    bool moveByKey(int key, bool ctrl, bool shift);
    void moveVertically(int key, bool shift);

    // ---- mouse and drops (textarea_mouse.cpp)
    void startDrag();
    QMenu* createContextMenu();

    // ---- screen readers (textarea_access.cpp)
    void tellReadersRemoving(qsizetype pos, qsizetype len);
    void tellReadersEdited(qsizetype pos, qsizetype removed, qsizetype added);
    void tellReadersReset();
    void tellReadersCaret();

    TextStore m_store;
    // The laid-out rows: a cache that any look at the text may fill.
    mutable TextRows m_layout{m_store};
    qsizetype m_caret = 0;
    qsizetype m_anchor = 0;
    qreal m_goalX = -1;
    qsizetype m_top = 0; // start of the top row in view
    std::vector<Shown> m_shown;

    // The scroll bar's measure: a row counts m_rowChars units.
    qint64 m_rowChars = 80;
    qsizetype m_shownChars = 4096;
    qint64 m_shownUnits = 4096;
    qint64 m_scrollScale = 1;
    bool m_syncing = false;
    bool m_atEnd = false;  // the last row is in view
    qreal m_wheelRest = 0; // wheel turns too small to scroll a row yet

    // Rows of the lines laid out so far; the others are estimated.
    HeightMap m_heights;
    qsizetype m_lines = 1; // lines of the text as m_heights knows it
    // Measuring in idle time: lines around m_measureCenter, outwards.
    QBasicTimer m_measure;
    qsizetype m_measureCenter = -1;
    qsizetype m_measureNext = 0;

    int m_preeditCursor = 0;

    QBasicTimer m_blink;
    bool m_caretShown = false;
    QBasicTimer m_autoScroll;
    QPoint m_lastMouse;
    bool m_selecting = false;
    bool m_maybeDrag = false;
    QPoint m_pressPoint;
    QBasicTimer m_tripleClick;
    QPoint m_doubleClickPoint;
    bool m_droppedInside = false;
    qsizetype m_dropPos = -1;
    bool m_wordSelecting = false;
    qsizetype m_wordAnchorStart = 0;
    qsizetype m_wordAnchorEnd = 0;
    // What an edit takes out, kept for screen readers until it is told.
    QString m_removedText;
    // The selection screen readers were last told of.
    qsizetype m_toldSelStart = -1;
    qsizetype m_toldSelEnd = -1;

    friend class TextAreaAccessible;
};

// The screen readers' view of a text area: its text, caret, selection,
// character extents and font, and editing through them.
QAccessibleInterface* textAreaAccessible(QObject* object);

} // namespace pw
