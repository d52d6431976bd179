#include "heightmap.h"

#include <QtNumeric>

#include <algorithm>
#include <limits>

namespace pw {

namespace {

using Sums = HeightMap::Sums;

Sums operator+(const Sums& a, const Sums& b) {
    return {a.lines + b.lines, a.chars + b.chars, a.k + b.k, a.u0 + b.u0};
}

Sums operator-(const Sums& a, const Sums& b) {
    return {a.lines - b.lines, a.chars - b.chars, a.k - b.k, a.u0 - b.u0};
}

Sums gap(qint64 lines, qint64 chars) {
    return {lines, chars, lines, chars};
}

Sums measuredLine(qint64 chars, qint64 rows) {
    return {1, chars, rows, 0};
}

qint64 unitsOf(const Sums& s, qint64 R) {
    return s.u0 + s.k * R;
}

// a * b / c, rounded as the plain 64-bit expression would be, without the
// product overflowing for the long runs of a long text.
qint64 mulDiv(qint64 a, qint64 b, qint64 c) {
    qint64 product;
    if (!qMulOverflow(a, b, &product))
        return product / c;
#ifdef __SIZEOF_INT128__
    return qint64(static_cast<__int128>(a) * b / c);
#else
    return qint64(static_cast<long double>(a) * b / c);
#endif
}

// A node's place in the heap order of the treap: a hash of its slot, so
// that it needs no room in the node.
std::uint32_t priority(std::uint32_t slot) {
    std::uint32_t x = slot * 0x9e3779b9u;
    x ^= x >> 16;
    x *= 0x85ebca6bu;
    x ^= x >> 13;
    x *= 0xc2b2ae35u;
    x ^= x >> 16;
    return x;
}

// Up to this many lines, a text may hold a quarter of this many nodes
// whatever its length; past it, a quarter node a line.
constexpr qsizetype LinesHeldFreely = 100000;
constexpr qsizetype MinCapacity = 16;
constexpr qsizetype MaxCapacity = qsizetype(1) << 30;

} // namespace

HeightMap::HeightMap() {
    reset(1, 0);
}

void HeightMap::reset(qsizetype lineCount, qsizetype length) {
    std::vector<Node>().swap(m_pool);
    m_pool.reserve(MinCapacity);
    m_pool.push_back(Node{});
    m_free = 0;
    m_live = 0;
    m_root = alloc(gap(std::max<qsizetype>(1, lineCount), std::max<qsizetype>(0, length)), false);
}

qsizetype HeightMap::lineCount() const {
    return m_pool[m_root].sums.lines;
}

qsizetype HeightMap::length() const {
    return m_pool[m_root].sums.chars;
}

void HeightMap::setCapacity(qsizetype nodes) {
    m_capacity = std::clamp(nodes, MinCapacity, MaxCapacity);
    settle();
}

size_t HeightMap::memoryBytes() const {
    return m_pool.capacity() * sizeof(Node);
}

size_t HeightMap::nodeBytes() {
    return sizeof(Node);
}

HeightMap::Sums HeightMap::ownOf(Index n) const {
    return m_pool[n].sums - m_pool[leftOf(n)].sums - m_pool[rightOf(n)].sums;
}

void HeightMap::setLinks(Index n, const Sums& own, Index left, Index right) {
    Node& node = m_pool[n];
    node.left = left;
    node.right = right | (node.right & MeasuredBit);
    node.sums = own + m_pool[left].sums + m_pool[right].sums;
}

HeightMap::Index HeightMap::alloc(const Sums& own, bool isMeasured) {
    Index n;
    if (m_free != 0) {
        n = m_free;
        m_free = m_pool[n].left;
    } else {
        if (m_pool.size() == m_pool.capacity()) {
            // The pool grows by doubling, but not past what the map may hold
            // before it merges: that much is all it will need.
            const size_t most = size_t(limit()) + 8;
            size_t want = std::max<size_t>(MinCapacity, m_pool.capacity() * 2);
            if (want > most)
                want = std::max(most, m_pool.size() + 8);
            m_pool.reserve(want);
        }
        n = Index(m_pool.size());
        m_pool.push_back(Node{});
    }
    m_pool[n] = Node{own, 0, isMeasured ? MeasuredBit : 0};
    ++m_live;
    return n;
}

// Gives the slots of the subtree t back to the free list.
void HeightMap::release(Index t) {
    std::vector<Index> stack;
    if (t != 0)
        stack.push_back(t);
    while (!stack.empty()) {
        const Index n = stack.back();
        stack.pop_back();
        if (leftOf(n) != 0)
            stack.push_back(leftOf(n));
        if (rightOf(n) != 0)
            stack.push_back(rightOf(n));
        m_pool[n] = Node{Sums{}, m_free, 0};
        m_free = n;
        --m_live;
    }
}

// The runs that end within the first `lines` lines of t go to a, the others
// (a run cut by that line included) to b.
void HeightMap::split(Index t, qint64 lines, Index& a, Index& b) {
    if (t == 0) {
        a = b = 0;
        return;
    }
    const Sums own = ownOf(t);
    const Index l = leftOf(t);
    const Index r = rightOf(t);
    const qint64 end = m_pool[l].sums.lines + own.lines;
    if (lines < end) {
        Index x, y;
        split(l, lines, x, y);
        setLinks(t, own, y, r);
        a = x;
        b = t;
    } else {
        Index x, y;
        split(r, lines - end, x, y);
        setLinks(t, own, l, x);
        a = t;
        b = y;
    }
}

HeightMap::Index HeightMap::join(Index a, Index b) {
    if (a == 0)
        return b;
    if (b == 0)
        return a;
    if (priority(a) > priority(b)) {
        const Sums own = ownOf(a);
        setLinks(a, own, leftOf(a), join(rightOf(a), b));
        return a;
    }
    const Sums own = ownOf(b);
    setLinks(b, own, join(a, leftOf(b)), rightOf(b));
    return b;
}

HeightMap::Found HeightMap::find(qsizetype line) const {
    Sums before;
    for (Index t = m_root; t != 0;) {
        const Sums& left = m_pool[leftOf(t)].sums;
        if (line < before.lines + left.lines) {
            t = leftOf(t);
            continue;
        }
        const Sums own = ownOf(t);
        if (line < before.lines + left.lines + own.lines)
            return {t, before + left, own, measured(t)};
        before = before + left + own;
        t = rightOf(t);
    }
    return {};
}

// Every node from the root down to the line's includes the line's run.
void HeightMap::addRowsOnPath(qsizetype line, qint64 rows) {
    qint64 before = 0;
    for (Index t = m_root; t != 0;) {
        const qint64 left = m_pool[leftOf(t)].sums.lines;
        const qint64 own = ownOf(t).lines;
        m_pool[t].sums.k += rows;
        if (line < before + left) {
            t = leftOf(t);
        } else if (line < before + left + own) {
            return;
        } else {
            before += left + own;
            t = rightOf(t);
        }
    }
}

bool HeightMap::isMeasured(qsizetype line) const {
    if (line < 0 || line >= lineCount())
        return false;
    return find(line).measured;
}

bool HeightMap::setRows(qsizetype line, qsizetype lineStart, qsizetype chars, qint64 rows) {
    if (line < 0 || line >= lineCount() || chars < 0 || rows < 0)
        return false;
    // Only the text's last line may be empty: the others hold their break.
    if (chars == 0 && line + 1 < lineCount())
        return false;
    const Found f = find(line);
    if (f.measured) {
        if (f.own.lines != 1 || lineStart != f.before.chars || chars != f.own.chars)
            return false;
        if (rows != f.own.k)
            addRowsOnPath(line, rows - f.own.k);
        return true;
    }
    // The gap is cut around the line: what comes before it in the gap and
    // what comes after it must be whole lines.
    const qint64 first = f.before.lines;
    const qint64 linesBefore = line - first;
    const qint64 linesAfter = first + f.own.lines - 1 - line;
    const qint64 charsBefore = lineStart - f.before.chars;
    const qint64 charsAfter = f.before.chars + f.own.chars - lineStart - chars;
    if (linesBefore == 0 ? charsBefore != 0 : charsBefore < linesBefore)
        return false;
    if (linesAfter == 0 ? charsAfter != 0 : charsAfter < linesAfter - 1)
        return false;

    Index before, rest, after;
    split(m_root, first, before, rest);
    split(rest, f.own.lines, rest, after);
    release(rest);
    Index middle = alloc(measuredLine(chars, rows), true);
    if (linesBefore > 0)
        middle = join(alloc(gap(linesBefore, charsBefore), false), middle);
    if (linesAfter > 0)
        middle = join(middle, alloc(gap(linesAfter, charsAfter), false));
    m_root = join(join(before, middle), after);
    settle();
    return true;
}

void HeightMap::edited(qsizetype first, qsizetype last, qsizetype added, qsizetype delta) {
    const qsizetype lines = lineCount();
    first = std::clamp<qsizetype>(first, 0, lines - 1);
    last = std::clamp<qsizetype>(last, first, lines - 1);
    added = std::max(added, first - last);
    // The runs the edit touches, and the gaps beside them, become one gap.
    const Found head = find(first);
    qint64 from = head.before.lines;
    if (from > 0) {
        const Found previous = find(from - 1);
        if (!previous.measured)
            from = previous.before.lines;
    }
    const Found tail = find(last);
    qint64 to = tail.before.lines + tail.own.lines;
    if (to < lines) {
        const Found next = find(to);
        if (!next.measured)
            to = next.before.lines + next.own.lines;
    }
    Index before, touched, after;
    split(m_root, from, before, touched);
    split(touched, to - from, touched, after);
    const Sums old = m_pool[touched].sums;
    release(touched);
    const Index joined =
        alloc(gap(old.lines + added, std::max<qint64>(0, old.chars + delta)), false);
    m_root = join(join(before, joined), after);

    if (m_keep > last)
        m_keep += added;
    else if (m_keep > last + added)
        m_keep = last + added;
    settle();
}

qint64 HeightMap::unitsAt(qsizetype line, qsizetype lineStart, qsizetype offset, qint64 R) const {
    if (line < 0)
        return 0;
    if (line >= lineCount())
        return totalUnits(R);
    const Found f = find(line);
    const qint64 base = unitsOf(f.before, R);
    if (!f.measured)
        return base + (lineStart - f.before.chars) + (line - f.before.lines) * R + offset;
    return base + mulDiv(lineStart + offset - f.before.chars, unitsOf(f.own, R),
                         std::max<qint64>(1, f.own.chars));
}

qint64 HeightMap::totalUnits(qint64 R) const {
    return unitsOf(m_pool[m_root].sums, R);
}

std::vector<HeightMap::Item> HeightMap::items() const {
    std::vector<Item> out;
    out.reserve(size_t(m_live));
    std::vector<Index> stack;
    for (Index t = m_root; t != 0 || !stack.empty();) {
        while (t != 0) {
            stack.push_back(t);
            t = leftOf(t);
        }
        t = stack.back();
        stack.pop_back();
        out.push_back({ownOf(t), measured(t)});
        t = rightOf(t);
    }
    return out;
}

std::vector<HeightMap::Run> HeightMap::runs() const {
    std::vector<Run> out;
    for (const Item& item : items())
        out.push_back({item.own.lines, item.own.chars, item.measured});
    return out;
}

qsizetype HeightMap::limit() const {
    return std::min(m_capacity, std::max(LinesHeldFreely, lineCount()) / 4);
}

// Merges when the map holds too many nodes, and gives memory back when the
// text has become much shorter than the pool was made for.
void HeightMap::settle() {
    const qsizetype most = limit();
    if (m_live > most)
        rebuild(most * 3 / 4);
    else if (m_pool.capacity() > size_t(most + most / 2 + MinCapacity))
        rebuild(m_live);
}

// Rebuilds the tree with at most target nodes (where that can be had),
// merging the runs farthest from the kept line. The runs around the kept
// line form a window left as they are; outside it, adjacent measured runs
// are merged into blocks, and, if that cannot bring the count down enough,
// each side's measured runs are merged into one block with the gaps between
// them.
void HeightMap::rebuild(qsizetype target) {
    const std::vector<Item> seq = items();
    const size_t n = seq.size();
    std::vector<qint64> start(n + 1, 0);
    for (size_t i = 0; i < n; ++i)
        start[i + 1] = start[i] + seq[i].own.lines;
    const qint64 keep = std::clamp<qint64>(m_keep, 0, start[n] - 1);
    const size_t kept =
        size_t(std::upper_bound(start.begin() + 1, start.end(), keep) - (start.begin() + 1));

    // The nodes [0, i) and [i, n) become after merging, at either level.
    std::vector<qsizetype> prefix(n + 1, 0), suffix(n + 1, 0);
    int level = 1;
    auto count = [&]() {
        if (level == 1) {
            for (size_t i = 0; i < n; ++i)
                prefix[i + 1] =
                    prefix[i] + (seq[i].measured && i > 0 && seq[i - 1].measured ? 0 : 1);
            for (size_t i = n; i-- > 0;)
                suffix[i] =
                    suffix[i + 1] + (seq[i].measured && i + 1 < n && seq[i + 1].measured ? 0 : 1);
            return;
        }
        // Gaps never touch each other: around the block there is at most
        // one gap on either side.
        size_t firstRun = n, lastRun = n;
        for (size_t i = 0; i < n; ++i) {
            if (seq[i].measured) {
                if (firstRun == n)
                    firstRun = i;
                lastRun = i;
            }
            prefix[i + 1] = firstRun == n ? qsizetype(i + 1) : (firstRun > 0) + 1 + (lastRun < i);
        }
        firstRun = lastRun = n;
        for (size_t i = n; i-- > 0;) {
            if (seq[i].measured) {
                if (lastRun == n)
                    lastRun = i;
                firstRun = i;
            }
            suffix[i] = lastRun == n ? qsizetype(n - i) : (lastRun + 1 < n) + 1 + (firstRun > i);
        }
    };
    auto total = [&](size_t lo, size_t hi) {
        return prefix[lo] + qsizetype(hi - lo + 1) + suffix[hi + 1];
    };
    count();
    if (total(kept, kept) > target) {
        level = 2;
        count();
    }

    // The window grows towards the nearer side while the count allows.
    size_t lo = kept, hi = kept;
    for (;;) {
        const bool canLeft = lo > 0, canRight = hi + 1 < n;
        const qint64 far = std::numeric_limits<qint64>::max();
        const qint64 toLeft = canLeft ? keep - (start[lo] - 1) : far;
        const qint64 toRight = canRight ? start[hi + 1] - keep : far;
        const bool leftFirst = canLeft && toLeft <= toRight;
        const bool leftFits = canLeft && total(lo - 1, hi) <= target;
        const bool rightFits = canRight && total(lo, hi + 1) <= target;
        if (leftFirst ? leftFits : rightFits)
            leftFirst ? --lo : ++hi;
        else if (leftFirst ? rightFits : leftFits)
            leftFirst ? ++hi : --lo;
        else
            break;
    }

    std::vector<Item> out;
    out.reserve(size_t(total(lo, hi)));
    auto merged = [&](size_t from, size_t to) {
        if (level == 1) {
            for (size_t i = from; i < to; ++i) {
                if (seq[i].measured && i > from && seq[i - 1].measured)
                    out.back().own = out.back().own + seq[i].own;
                else
                    out.push_back(seq[i]);
            }
            return;
        }
        size_t firstRun = to, lastRun = to;
        for (size_t i = from; i < to; ++i) {
            if (seq[i].measured) {
                if (firstRun == to)
                    firstRun = i;
                lastRun = i;
            }
        }
        if (firstRun == to) {
            out.insert(out.end(), seq.begin() + from, seq.begin() + to);
            return;
        }
        out.insert(out.end(), seq.begin() + from, seq.begin() + firstRun);
        Item block{Sums{}, true};
        for (size_t i = firstRun; i <= lastRun; ++i)
            block.own = block.own + seq[i].own;
        out.push_back(block);
        out.insert(out.end(), seq.begin() + lastRun + 1, seq.begin() + to);
    };
    merged(0, lo);
    out.insert(out.end(), seq.begin() + lo, seq.begin() + hi + 1);
    merged(hi + 1, n);
    build(out);
}

// A fresh pool of the items in order, and the treap over them: the nodes
// come in the order of the text, so the tree is built in one pass with a
// stack of its right edge. A node's subtree is complete when it leaves the
// stack, and its sums are made then.
void HeightMap::build(const std::vector<Item>& items) {
    const size_t n = items.size();
    const size_t room = std::min(size_t(limit()) + 8, std::max<size_t>(MinCapacity, 2 * (n + 1)));
    std::vector<Node> pool;
    pool.reserve(std::max(n + 1, room));
    pool.push_back(Node{});
    for (const Item& item : items)
        pool.push_back(Node{item.own, 0, item.measured ? MeasuredBit : 0});
    m_pool.swap(pool);
    m_free = 0;
    m_live = qsizetype(n);

    auto close = [&](Index t) {
        Node& node = m_pool[t];
        node.sums = node.sums + m_pool[leftOf(t)].sums + m_pool[rightOf(t)].sums;
    };
    std::vector<Index> stack;
    for (Index i = 1; i <= Index(n); ++i) {
        Index last = 0;
        while (!stack.empty() && priority(stack.back()) < priority(i)) {
            last = stack.back();
            stack.pop_back();
            close(last);
        }
        m_pool[i].left = last;
        if (!stack.empty())
            m_pool[stack.back()].right = i | (m_pool[stack.back()].right & MeasuredBit);
        stack.push_back(i);
    }
    m_root = stack.empty() ? 0 : stack.front();
    while (!stack.empty()) {
        close(stack.back());
        stack.pop_back();
    }
}

} // namespace pw
