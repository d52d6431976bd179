#include "linepieces.h"

#include "caretstops.h"

#include <algorithm>

namespace pw {

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t';
}

// Between two characters of the first blocks (Latin, below the combining
// marks) there is always a cluster boundary, but inside a CR LF: no need to
// ask the boundary finder, which costs far more.
bool plainBoundary(QChar before, QChar after) {
    return before.unicode() < 0x300 && after.unicode() < 0x300 &&
           !(before == u'\r' && after == u'\n');
}

} // namespace

Piece LinePieces::at(qsizetype pos) {
    pos = std::clamp<qsizetype>(pos, 0, m_store.length());
    const qsizetype line = m_store.lineOf(pos);
    const qsizetype ls = m_store.lineStart(line);
    const qsizetype ce = m_store.lineContentEnd(line);
    pos = std::min(pos, ce);
    for (;;) {
        qsizetype s = ls;
        qsizetype e = ce;
        auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), pos);
        if (it != m_breaks.begin() && *(it - 1) > ls)
            s = *(it - 1);
        if (it != m_breaks.end() && *it < ce)
            e = *it;
        if (e - s <= MaxPiece)
            return {s, e, line};
        // Cut the stretch into pieces, each ending after a space where one
        // is near enough, and between two clusters.
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
            qsizetype stop = plainBoundary(m_store.at(cut - 1), m_store.at(cut))
                                 ? cut
                                 : snapToStop(m_store, cut);
            if (stop <= from)
                stop = nextStop(m_store, cut); // one cluster longer than a piece
            if (stop >= e)
                break;
            cuts.push_back(stop);
            from = stop;
        }
        if (cuts.empty()) // a single cluster: one piece however long
            return {s, e, line};
        const auto at = std::upper_bound(m_breaks.begin(), m_breaks.end(), s);
        m_breaks.insert(at, cuts.begin(), cuts.end());
    }
}

void LinePieces::edited(qsizetype pos, qsizetype removed, qsizetype added) {
    const qsizetype delta = added - removed;
    // In place: cuts inside the replaced stretch go, later ones move.
    auto first = std::upper_bound(m_breaks.begin(), m_breaks.end(), pos);
    auto last = std::lower_bound(first, m_breaks.end(), pos + removed);
    auto tail = m_breaks.erase(first, last);
    for (auto it = tail; it != m_breaks.end(); ++it)
        *it += delta;
    // The cut at or before the edit, and those after it until one that still
    // falls between two clusters, are checked again.
    auto check = tail;
    if (check != m_breaks.begin())
        --check;
    while (check != m_breaks.end()) {
        const qsizetype b = *check;
        if (b < m_store.length() && snapToStop(m_store, b) != b) {
            check = m_breaks.erase(check);
            continue;
        }
        if (b > pos + added)
            break;
        ++check;
    }
}

} // namespace pw
