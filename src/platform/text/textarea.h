#pragma once
// The multi-line text area: the text lives in a TextStore; only the rows in
// view are laid out, with QTextLayout, wrapped at the width. A line longer
// than a few thousand characters is cut into pieces at spaces (or anywhere in
// a word that long); each piece is laid out on its own, so a keystroke lays
// out again only the piece it falls in. Characters a reader could not see or
// that would break the layout (NUL, a lone CR, control characters, the line
// and paragraph separators, halves of surrogate pairs, bytes kept from a
// file) are stored as they are and drawn as visible marks.
//
// Positions are offsets into the text, a CR LF counting two; the caret never
// stops between a CR and its LF nor inside a surrogate pair.

#include "rowindex.h"
#include "textstore.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QTextLayout>

#include <map>
#include <memory>
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
    // Replaces [from, to) as one undo step (typing steps join); the caret
    // ends after the new text.
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
    QRect cursorRect() const {
        return characterRect(m_caret).adjusted(0, 0, 1 - characterRect(m_caret).width(), 0);
    }
    qsizetype positionAt(QPoint viewportPoint) const;
    // The caret's row brought into view.
    void ensureCursorVisible();

    // How many pieces have been laid out so far, for tests of how much work
    // an edit takes.
    int layoutsBuilt() const { return m_built; }
    // Whether rows are still being measured in idle time, for tests that wait
    // until it has finished.
    bool measuring() const { return m_measure.isActive(); }

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
    struct Segment {
        qsizetype start = 0;
        qsizetype end = 0;
        qsizetype line = 0;
    };
    struct Laid {
        qsizetype len = 0;
        QTextLayout layout;
        qreal height = 0;
        quint64 used = 0;
    };
    struct Row {
        qsizetype seg = 0; // start of its piece
        int line = 0;      // row within the piece
    };

    Segment segmentAt(qsizetype pos) const;
    Laid* laidOut(const Segment& s) const;
    qreal layOut(QTextLayout& l, const Segment& s) const;
    qsizetype lineChars(qsizetype line) const;
    void noteRows(const Segment& s, const Laid* laid) const;
    Row rowOf(qsizetype pos) const;
    bool nextRow(Row& r) const;
    bool previousRow(Row& r) const;
    QTextLine lineOf(const Row& r) const;
    qsizetype rowStart(const Row& r) const;
    qsizetype rowEnd(const Row& r) const;
    qsizetype positionInRow(const Row& r, qreal x) const;
    qreal rowHeight(const Row& r) const { return lineOf(r).height(); }
    int textWidth() const;
    void invalidateLayouts();
    void edited(qsizetype pos, qsizetype removed, qsizetype added);
    void fillView();
    void syncScrollBar();
    qint64 scrollUnits(qsizetype pos) const;
    qint64 totalUnits() const;
    qint64 scrollMaximum() const;
    void forgetRows() const;
    void startMeasuring();
    void measureSome();
    qsizetype positionOfUnits(qint64 units) const;
    void estimateRowChars();
    void scrollRows(int rows);
    int visibleRows() const;

    qsizetype snap(qsizetype pos) const;
    qsizetype previousStep(qsizetype pos) const;
    qsizetype nextStep(qsizetype pos) const;
    qsizetype wordLeft(qsizetype pos) const;
    qsizetype wordRight(qsizetype pos) const;
    void selectWordAt(qsizetype pos);
    void moveCaret(qsizetype pos, bool keepAnchor, bool keepGoal = false);
    void typeText(const QString& text);
    void caretChanged();
    void restartBlink();
    void updateSelectionClipboard() const;
    void startDrag();
    QMenu* createContextMenu();

    TextStore m_store;
    qsizetype m_caret = 0;
    qsizetype m_anchor = 0;
    qreal m_goalX = -1;
    qsizetype m_top = 0; // start of the top row in view

    mutable std::vector<qsizetype> m_breaks; // starts of pieces inside long lines
    mutable std::map<qsizetype, std::unique_ptr<Laid>> m_laid;
    mutable quint64 m_paintCount = 0;
    mutable int m_built = 0;
    mutable int m_laidWidth = -1;
    mutable qint64 m_fullRows = 0;
    mutable qint64 m_fullRowChars = 0;
    qint64 m_rowChars = 80;
    qsizetype m_shownChars = 4096;
    qint64 m_shownUnits = 4096;
    qint64 m_scrollScale = 1;
    bool m_syncing = false;
    bool m_atEnd = false; // the last row is in view

    // Rows of the lines laid out so far; the others are estimated.
    mutable RowIndex m_rows;
    qsizetype m_lines = 1; // lines of the text as m_rows knows it
    // Measuring in idle time: lines around m_measureCenter, outwards.
    QBasicTimer m_measure;
    mutable qsizetype m_measureCenter = -1;
    qsizetype m_measureNext = 0;

    QString m_preedit;
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

    friend class TextAreaAccessible;
};

// The screen readers' view of a text area: its text, caret, selection,
// character extents and font, and editing through them.
QAccessibleInterface* textAreaAccessible(QObject* object);

} // namespace pw
