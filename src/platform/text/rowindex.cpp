#include "rowindex.h"

#include <algorithm>

namespace pw {

namespace {

bool lineBefore(const RowIndex::Entry& e, qsizetype line) {
    return e.line < line;
}

} // namespace

void RowIndex::clear() {
    m_entries.clear();
    m_sums.assign(1, Sums{});
    m_valid = 0;
}

void RowIndex::set(qsizetype line, qint64 rows, qint64 chars) {
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), line, lineBefore);
    const size_t at = size_t(it - m_entries.begin());
    if (it != m_entries.end() && it->line == line) {
        if (it->rows == rows && it->chars == chars)
            return;
        *it = {line, rows, chars};
    } else {
        m_entries.insert(it, {line, rows, chars});
    }
    m_valid = std::min(m_valid, at);
}

const RowIndex::Entry* RowIndex::find(qsizetype line) const {
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), line, lineBefore);
    return it != m_entries.end() && it->line == line ? &*it : nullptr;
}

// The running sums are brought up to date lazily, from the first entry that
// changed: lines measured one after another in the order of the text cost
// little.
void RowIndex::settle() const {
    if (m_valid == m_entries.size() && m_sums.size() == m_entries.size() + 1)
        return;
    m_sums.resize(m_entries.size() + 1);
    for (size_t i = m_valid; i < m_entries.size(); ++i) {
        const Sums& s = m_sums[i];
        m_sums[i + 1] = {s.count + 1, s.rows + m_entries[i].rows, s.chars + m_entries[i].chars};
    }
    m_valid = m_entries.size();
}

RowIndex::Sums RowIndex::before(qsizetype line) const {
    settle();
    auto it = std::lower_bound(m_entries.begin(), m_entries.end(), line, lineBefore);
    return m_sums[size_t(it - m_entries.begin())];
}

void RowIndex::edited(qsizetype first, qsizetype last, qsizetype added) {
    auto from = std::lower_bound(m_entries.begin(), m_entries.end(), first, lineBefore);
    auto to = std::lower_bound(from, m_entries.end(), last + 1, lineBefore);
    m_valid = std::min(m_valid, size_t(from - m_entries.begin()));
    from = m_entries.erase(from, to);
    if (added != 0) {
        for (auto it = from; it != m_entries.end(); ++it)
            it->line += added;
    }
}

} // namespace pw
