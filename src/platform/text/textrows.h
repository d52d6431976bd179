#pragma once
// The rows of the text as laid out at the current font and width: each piece
// of a line (see linepieces.h) is laid out with QTextLayout, wrapped at the
// width, in the direction of its line. Layouts are kept, a bounded number of
// them, the least recently used let go first; an edit keeps the layouts of
// the pieces it did not touch. Only pieces that are asked for are laid out.
//
// A row is a line of a piece's layout. Positions are offsets into the text;
// a row never ends between two parts of a grapheme cluster.

#include "linepieces.h"

#include <QFont>
#include <QTextLayout>

#include <map>
#include <memory>
#include <vector>

namespace pw {

struct Row {
    qsizetype piece = 0; // start of its piece
    int line = 0;        // row within the piece
    bool operator==(const Row&) const = default;
};

class TextRows {
public:
    explicit TextRows(const TextStore& store);

    const TextStore& store() const { return m_store; }
    // Layouts are let go when the font or the width changes.
    void setFont(const QFont& font);
    void setWidth(int width);
    const QFont& font() const { return m_font; }
    int width() const { return m_width; }
    // An input method's pre-edit, shown at pos (empty: none); the piece it
    // is in is laid out again.
    void setPreedit(qsizetype pos, const QString& text);
    const QString& preedit() const { return m_preedit; }
    qsizetype preeditAt() const { return m_preeditAt; }

    Piece pieceAt(qsizetype pos) { return m_pieces.at(pos); }
    // The direction the line is laid out in.
    Qt::LayoutDirection direction(qsizetype line) { return directionOf(line); }
    // The piece's layout, laid out now if it is not kept.
    const QTextLayout& layout(const Piece& p);
    // The piece's layout if it is kept, without laying anything out.
    const QTextLayout* kept(const Piece& p) const;
    // Lays out a piece without keeping it, for measuring: its rows.
    int countRows(const Piece& p);
    // Whether a line's text surely takes one row, told without laying it
    // out: it holds only characters the font draws itself (no marks, no
    // accents, no other scripts) whose advances, tabs at their stops, add up
    // to less than the width with room to spare. False means "lay it out".
    bool surelyOneRow(QStringView text);

    Row rowOf(qsizetype pos);
    bool next(Row& r);
    bool previous(Row& r);
    QTextLine line(const Row& r) { return layout(pieceAt(r.piece)).lineAt(r.line); }
    qreal height(const Row& r) { return line(r).height(); }
    qsizetype rowStart(const Row& r) { return r.piece + line(r).textStart(); }
    // Where End puts the caret: before the break of a wrapped row.
    qsizetype rowEnd(const Row& r);
    bool lastRowOfLine(const Row& r);
    qsizetype positionInRow(const Row& r, qreal x);

    void edited(qsizetype pos, qsizetype removed, qsizetype added);
    // Layouts go (the font or the width changed); the cuts of long lines
    // stay, as they do not depend on either.
    void clear();
    // A new text: layouts and cuts go.
    void reset();
    // Layouts not used since the given use count are let go once more than
    // a few hundred are kept.
    void markUse() { ++m_use; }
    void trim();

    // What laying out has taught: characters per full row, for estimates.
    qint64 fullRows() const { return m_fullRows; }
    qint64 fullRowChars() const { return m_fullRowChars; }
    int layoutsBuilt() const { return m_built; }
    qsizetype keptCount() const { return qsizetype(m_laid.size()); }

private:
    struct Laid {
        qsizetype len = 0;
        QTextLayout layout;
        quint64 used = 0;
    };
    void layOut(QTextLayout& l, const Piece& p);
    Qt::LayoutDirection directionOf(qsizetype line);

    const TextStore& m_store;
    LinePieces m_pieces;
    std::map<qsizetype, std::unique_ptr<Laid>> m_laid;
    QFont m_font;
    int m_width = 1;
    QString m_preedit;
    qsizetype m_preeditAt = -1;
    quint64 m_use = 0;
    // The font's advance of each character below U+0300, found when first
    // needed; and the width of a narrow letter, under which no line of that
    // many characters can fit.
    std::vector<qreal> m_advances;
    qreal m_narrowest = 0;
    int m_built = 0;
    qint64 m_fullRows = 0;
    qint64 m_fullRowChars = 0;
    // The direction of the line looked at last (lines are long and the
    // direction is looked up for each of their pieces).
    qsizetype m_directionLine = -1;
    Qt::LayoutDirection m_direction = Qt::LeftToRight;
};

} // namespace pw
