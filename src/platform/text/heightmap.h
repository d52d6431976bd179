#pragma once
// The height of the text for the text area's scroll bar, in units: a row of
// text is R units, R being the characters a row holds (the caller's estimate,
// handed to every query, since it changes now and then).
//
// A line i of c_i characters (its line break included) counts
//   - c_i + R units while it has not been laid out; k units at offset k;
//   - r_i * R units once it was laid out in r_i rows; at offset k,
//     k * r_i * R / max(1, c_i) units (integer arithmetic, rounded down).
//
// The map is a balanced tree (a treap ordered by line) of runs of lines:
//   - a gap: any number of adjacent lines not laid out, one node;
//   - a measured line: one node, its rows and characters;
//   - a block: adjacent lines merged into one node to bound the memory held.
//     It keeps the exact units and characters of its lines and spreads the
//     units over its characters in proportion: at position p inside it,
//     (p - blockStart) * units / max(1, chars). A block's ends and the total
//     are exact; only the units inside it are estimated.
// Each node holds the sums of its subtree, so every query costs O(log n).
//
// Memory: when the nodes outgrow the map's capacity, the runs farthest from
// the line the view is at (setKeep) are merged into blocks until the map is
// under three quarters of its capacity. Adjacent measured lines are merged
// first; only where that is not enough (lines measured here and there with
// unmeasured lines between) are the gaps between them taken into blocks too.
// Every line in a block counts as measured: it is not laid out again until an
// edit touches its block. The capacity is also held to a quarter node a line
// for long texts, so that the map never takes more than 16 bytes a line of a
// text of 100,000 lines or more, whatever was measured.
//
// Positions are the caller's: the map keeps its own sums of lines and
// characters, which must agree with the text (the caller reports every edit).
// Calls that disagree with the map's sums are refused rather than trusted.

#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace pw {

class HeightMap {
public:
    // A run as the map holds it, for tests and diagnostics.
    struct Run {
        qsizetype lines = 0;
        qsizetype chars = 0;
        bool measured = false; // a measured line or a block
    };

    static constexpr qsizetype DefaultCapacity = qsizetype(1) << 16;

    HeightMap();

    // All lineCount lines (at least one) of length characters, unmeasured.
    // The capacity and the kept line stay.
    void reset(qsizetype lineCount, qsizetype length);

    qsizetype lineCount() const;
    qsizetype length() const;

    // Whether the line was measured, alone or in a block.
    bool isMeasured(qsizetype line) const;

    // The line, starting at lineStart and holding chars characters (its line
    // break included), took rows rows. A line inside a block is left as it
    // is: its rows are already counted in the block's. Refused (false) when
    // lineStart or chars disagree with the map, or the line is in a block.
    // (A gap knows only its total characters: the start is where it is cut.)
    bool setRows(qsizetype line, qsizetype lineStart, qsizetype chars, qint64 rows);

    // An edit replaced lines [first, last] (numbered as before it) by lines
    // [first, last + added] (added may be negative, down to first - last)
    // and changed the length of the text by delta characters. Those lines
    // become unmeasured, joined with the gaps beside them; a measured line or
    // a block the edit touches becomes part of that gap as a whole. Later
    // lines keep their measure under their new numbers. (The change in
    // length, not the lines' new characters, since the map cannot tell what
    // the lines held inside a gap.)
    void edited(qsizetype first, qsizetype last, qsizetype added, qsizetype delta);

    // The units before the position lineStart + offset, in the given line.
    // lineStart is where the line starts in the text; offset is within it.
    // Past the last line: the total.
    qint64 unitsAt(qsizetype line, qsizetype lineStart, qsizetype offset, qint64 R) const;
    // The units of the whole text, its last line included.
    qint64 totalUnits(qint64 R) const;

    // The line the view is at: merging starts farthest from it.
    void setKeep(qsizetype line) { m_keep = line; }
    qsizetype keep() const { return m_keep; }
    // At least 16 nodes; DefaultCapacity unless set. A text of more than
    // 100,000 lines may hold a quarter node a line at most, a shorter one
    // 25,000 nodes.
    void setCapacity(qsizetype nodes);
    qsizetype capacity() const { return m_capacity; }

    qsizetype nodeCount() const { return m_live; }
    // What the map holds: its pool of nodes as allocated.
    size_t memoryBytes() const;
    static size_t nodeBytes();
    // The runs in the order of the text.
    std::vector<Run> runs() const;

    // The sums a node keeps of its subtree. Units = u0 + k * R: k counts the
    // rows of measured lines and the unmeasured lines, u0 the characters of
    // the unmeasured lines.
    struct Sums {
        qint64 lines = 0;
        qint64 chars = 0;
        qint64 k = 0;
        qint64 u0 = 0;
    };

private:
    using Index = std::uint32_t;
    struct Node {
        Sums sums;       // of the subtree; a node's own values are its sums less its children's
        Index left = 0;  // 0: none (slot 0 is an empty node whose sums are all 0)
        Index right = 0; // the top bit tells a measured run from a gap
    };
    struct Found {
        Index node = 0;
        Sums before; // of the runs before the node
        Sums own;
        bool measured = false;
    };
    struct Item {
        Sums own;
        bool measured;
    };

    Index leftOf(Index n) const { return m_pool[n].left; }
    Index rightOf(Index n) const { return m_pool[n].right & ~MeasuredBit; }
    bool measured(Index n) const { return (m_pool[n].right & MeasuredBit) != 0; }
    Sums ownOf(Index n) const;
    void setLinks(Index n, const Sums& own, Index left, Index right);

    Index alloc(const Sums& own, bool measured);
    void release(Index t);
    void split(Index t, qint64 lines, Index& a, Index& b);
    Index join(Index a, Index b);
    Found find(qsizetype line) const;
    void addRowsOnPath(qsizetype line, qint64 rows);

    qsizetype limit() const;
    void settle();
    void rebuild(qsizetype target);
    std::vector<Item> items() const;
    void build(const std::vector<Item>& items);

    static constexpr Index MeasuredBit = Index(1) << 31;

    std::vector<Node> m_pool; // slot 0 is the empty node
    Index m_root = 0;
    Index m_free = 0; // free slots, linked through left
    qsizetype m_live = 0;
    qsizetype m_capacity = DefaultCapacity;
    qsizetype m_keep = 0;
};

} // namespace pw
