#pragma once
// Long lines cut into pieces for layout. A line of at most MaxPiece
// characters is one piece; a longer one is cut, where it is first looked
// at, into pieces of about PieceTarget characters, each ending after a space
// where one is near enough and always between two grapheme clusters, so
// that no character is split between two layouts. A keystroke lays out
// again only the piece it falls in.

#include "textstore.h"

#include <vector>

namespace pw {

struct Piece {
    qsizetype start = 0;
    qsizetype end = 0; // the line's content end for its last piece
    qsizetype line = 0;
    qsizetype length() const { return end - start; }
    bool operator==(const Piece&) const = default;
};

class LinePieces {
public:
    static constexpr qsizetype PieceTarget = 1024;
    static constexpr qsizetype MaxPiece = 2 * PieceTarget;

    explicit LinePieces(const TextStore& store) : m_store(store) {}

    // The piece holding pos; a line's end (and a position on its break)
    // belongs to the line's last piece.
    Piece at(qsizetype pos);
    void clear() { m_breaks.clear(); }
    // At pos, removed characters became added ones: cuts inside them go,
    // later ones move, and cuts near them that no longer fall between two
    // clusters go too (a new accent or a flag's second half may join them).
    void edited(qsizetype pos, qsizetype removed, qsizetype added);
    qsizetype cutCount() const { return qsizetype(m_breaks.size()); }

private:
    const TextStore& m_store;
    std::vector<qsizetype> m_breaks; // starts of pieces inside lines, sorted
};

} // namespace pw
