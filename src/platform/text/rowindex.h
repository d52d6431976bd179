#pragma once
// The rows of the lines that have been laid out, for the text area's scroll
// bar. Lines not in it are estimated from their length; a line in it counts
// the rows it really took at the current width and font. Only lines that were
// laid out are kept (those painted and those measured in idle time around the
// view), so the index stays small however long the text is.

#include <QtGlobal>

#include <vector>

namespace pw {

class RowIndex {
public:
    struct Sums {
        qint64 count = 0; // measured lines
        qint64 rows = 0;  // their rows
        qint64 chars = 0; // their characters, line breaks included
    };
    struct Entry {
        qsizetype line = 0;
        qint64 rows = 0;
        qint64 chars = 0;
    };

    void clear();
    // The line took rows rows for its chars characters.
    void set(qsizetype line, qint64 rows, qint64 chars);
    const Entry* find(qsizetype line) const;
    bool contains(qsizetype line) const { return find(line) != nullptr; }
    // Sums over the measured lines before line.
    Sums before(qsizetype line) const;
    // An edit replaced lines [first, last] by lines [first, last + added]
    // (added may be negative): those lines are forgotten, later ones move.
    void edited(qsizetype first, qsizetype last, qsizetype added);
    qsizetype size() const { return qsizetype(m_entries.size()); }

private:
    void settle() const;

    std::vector<Entry> m_entries; // by line
    // Sums over m_entries[0, i) at i; valid up to m_valid.
    mutable std::vector<Sums> m_sums{Sums{}};
    mutable size_t m_valid = 0;
};

} // namespace pw
