// The height map against a plain list of lines, each with its characters and
// the rows it was measured at, under random edits, measures and views.

#include "platform/text/heightmap.h"

#include <QtTest>

#include <random>

using pw::HeightMap;

namespace {

struct Line {
    qsizetype chars = 0;
    qint64 rows = -1; // not measured
    qint64 units(qint64 R) const { return rows < 0 ? chars + R : rows * R; }
    qint64 within(qsizetype k, qint64 R) const {
        return rows < 0 ? k : k * rows * R / std::max<qint64>(1, chars);
    }
};

struct Session {
    std::mt19937 rng;
    std::vector<Line> lines;
    std::vector<qsizetype> starts;
    HeightMap map;

    Session(unsigned seed, qsizetype count) : rng(seed) {
        for (qsizetype i = 0; i < count; ++i)
            lines.push_back({pick(i + 1 < count ? 1 : 0, 120)});
        index();
        map.reset(count, starts.back());
    }
    qsizetype pick(qsizetype lo, qsizetype hi) {
        return std::uniform_int_distribution<qsizetype>(lo, hi)(rng);
    }
    void index() {
        starts.assign(lines.size() + 1, 0);
        for (size_t i = 0; i < lines.size(); ++i)
            starts[i + 1] = starts[i] + lines[i].chars;
    }
    bool measure(qsizetype line) {
        const qint64 rows = pick(1, 6);
        const bool ok = map.setRows(line, starts[line], lines[line].chars, rows);
        if (ok)
            lines[line].rows = rows;
        return ok;
    }
    // Lines around a place, outwards, as the text area measures them.
    void view(qsizetype span, qsizetype center) {
        map.setKeep(center);
        for (qsizetype k = 0; k < span; ++k) {
            const qsizetype line = k % 2 == 0 ? center + k / 2 : center - 1 - k / 2;
            if (line >= 0 && line < qsizetype(lines.size()))
                measure(line);
        }
    }
    void edit() {
        const qsizetype first = pick(0, qsizetype(lines.size()) - 1);
        edit(first, std::min(qsizetype(lines.size()) - 1, first + pick(0, 4)), pick(1, 6));
    }
    // Lines [first, last] replaced by count lines.
    void edit(qsizetype first, qsizetype last, qsizetype count) {
        const qsizetype n = qsizetype(lines.size());
        // A block the edit touches is forgotten as a whole.
        qsizetype at = 0;
        for (const HeightMap::Run& run : map.runs()) {
            if (run.measured && run.lines > 1 && at <= last && at + run.lines > first) {
                for (qsizetype i = at; i < at + run.lines; ++i)
                    lines[i].rows = -1;
            }
            at += run.lines;
        }
        std::vector<Line> fresh(size_t(count), Line{});
        qsizetype delta = starts[first] - starts[last + 1];
        for (size_t i = 0; i < fresh.size(); ++i) {
            const bool textEnd = last + 1 == n && i + 1 == fresh.size();
            fresh[i].chars = pick(textEnd ? 0 : 1, 120);
            delta += fresh[i].chars;
        }
        lines.erase(lines.begin() + first, lines.begin() + last + 1);
        lines.insert(lines.begin() + first, fresh.begin(), fresh.end());
        index();
        map.edited(first, last, qsizetype(fresh.size()) - (last - first + 1), delta);
    }
    // Every line start and a few offsets in each line. exact: all of them
    // agree with the lines; otherwise only the ends of runs do, and those
    // within `around` lines of the line the view is at.
    void check(bool exact, qsizetype around = -1, qsizetype at = 0) {
        const qint64 R = pick(1, 200);
        const qsizetype n = qsizetype(lines.size());
        QCOMPARE(map.lineCount(), n);
        QCOMPARE(map.length(), starts.back());
        // The runs cover the text, and two gaps never touch.
        std::vector<bool> runStarts(size_t(n) + 1, false);
        const std::vector<HeightMap::Run> runs = map.runs();
        QCOMPARE(map.nodeCount(), qsizetype(runs.size()));
        qsizetype line = 0;
        for (size_t r = 0; r < runs.size(); ++r) {
            QVERIFY(runs[r].measured || r == 0 || runs[r - 1].measured);
            runStarts[size_t(line)] = true;
            line += runs[r].lines;
        }
        QCOMPARE(line, n);
        qint64 before = 0, previous = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const Line& l = lines[i];
            if (exact)
                QCOMPARE(map.isMeasured(i), l.rows >= 0);
            else if (l.rows >= 0)
                QVERIFY(map.isMeasured(i));
            const bool near = std::abs(i - at) <= around;
            qsizetype done = -1;
            for (qsizetype k : {qsizetype(0), l.chars / 2, l.chars - 1}) {
                if (k <= done)
                    continue;
                done = k;
                const qint64 u = map.unitsAt(i, starts[i], k, R);
                QVERIFY2(u >= previous, qPrintable(QString("line %1 offset %2").arg(i).arg(k)));
                previous = u;
                if (exact || near || (k == 0 && runStarts[size_t(i)]))
                    QCOMPARE(u, before + l.within(k, R));
            }
            before += l.units(R);
        }
        QCOMPARE(map.totalUnits(R), before);
    }
    // Random edits, measures and views, checked every ten steps. Calls that
    // disagree with the text are refused.
    void randomly(int steps, bool exact) {
        for (int step = 0; step < steps && !QTest::currentTestFailed(); ++step) {
            const qsizetype n = qsizetype(lines.size()), line = pick(0, n - 1);
            const int what = int(pick(0, 9));
            if (what < 3) {
                edit();
            } else if (what < 6) {
                QVERIFY(measure(line) || !exact);
            } else if (what < 9) {
                view(pick(1, 300), line);
            } else {
                QVERIFY(!map.setRows(n, starts.back(), 1, 1));
                QVERIFY(!map.setRows(line, starts[line], starts.back() + 1, 1));
                QVERIFY(!map.setRows(line, starts[line], lines[line].chars, -1));
            }
            QVERIFY(map.nodeCount() <= map.capacity());
            if (step % 10 == 0 || step + 1 == steps)
                check(exact);
        }
    }
};

} // namespace

class TestHeightMap : public QObject {
    Q_OBJECT
private slots:
    void followsTheLinesExactly();
    void mergesFarFromTheViewWithinItsCapacity();
    void holdsLittleForLongTexts();
};

// With room to spare nothing is merged: every unit agrees with the lines.
void TestHeightMap::followsTheLinesExactly() {
    for (unsigned seed = 1; seed <= 12 && !QTest::currentTestFailed(); ++seed) {
        Session s(seed, seed % 3 == 0 ? 1 : 1 + qsizetype(seed) * 997 % 1500);
        s.randomly(400, true);
    }
    // A line of three billion characters in a hundred million rows: the
    // units inside it are exact where a 64-bit product would overflow.
    HeightMap huge;
    huge.reset(3, 6000000002);
    QVERIFY(huge.setRows(1, 1, 3000000000, 100000000));
    QCOMPARE(huge.unitsAt(1, 1, 1500000000, 80), 81 + 4000000000);
    QCOMPARE(huge.unitsAt(1, 1, 3000000000, 80), huge.unitsAt(2, 3000000001, 0, 80));
}

// A small capacity forces merging: the nodes stay within it, the ends of
// blocks and the totals stay exact, and the lines nearest the view stay
// lines of their own, however the measured lines lie.
void TestHeightMap::mergesFarFromTheViewWithinItsCapacity() {
    for (unsigned seed = 1; seed <= 8 && !QTest::currentTestFailed(); ++seed) {
        Session s(seed, 3000);
        s.map.setCapacity(64);
        s.randomly(300, false);
    }
    // Every other line measured: no two measured lines touch.
    Session sparse(99, 4000);
    sparse.map.setCapacity(32);
    for (qsizetype line = 0; line < 4000; line += 2)
        QVERIFY(sparse.measure(line));
    QVERIFY(sparse.map.nodeCount() <= 32);
    sparse.check(false);
    // Places far apart, visited in turn: the last one stays exact.
    Session places(7, 10000);
    places.map.setCapacity(128);
    qsizetype last = 0;
    for (qsizetype center = 500; center < 10000; center += 1200)
        places.view(150, last = center);
    // Lines put in above the view move it down: the lines measured then
    // where it was are merged before those around it.
    places.edit(0, 0, 3000);
    for (qsizetype line = last - 150; line < last + 150; ++line)
        places.measure(line);
    QVERIFY(places.map.nodeCount() <= 128);
    places.check(false, 20, last + 2999);
}

// A million lines visited in 40 places, 20,000 lines measured at each, and
// then cut to a tenth: the map stays within 16 bytes a line.
void TestHeightMap::holdsLittleForLongTexts() {
    const qsizetype n = 1000000;
    Session s(5, n);
    // Evenly spread, visited in no order: the hardest lines to merge. The
    // last place visited is one that survives the cut.
    std::vector<qsizetype> centers;
    for (qsizetype place = 0; place < 40; ++place)
        centers.push_back(n / 80 + place * n / 40);
    std::shuffle(centers.begin() + 1, centers.end(), s.rng);
    std::swap(centers.front(), centers.back());
    for (const qsizetype center : centers)
        s.view(20000, center);
    qInfo("1,000,000 lines after 40 places: %lld nodes, %zu bytes, %zu bytes a node",
          qint64(s.map.nodeCount()), s.map.memoryBytes(), HeightMap::nodeBytes());
    QVERIFY(s.map.nodeCount() <= HeightMap::DefaultCapacity);
    QVERIFY(s.map.memoryBytes() <= 16 * size_t(n));
    s.check(false);

    s.edit(n / 20, n - n / 20 - 1, 1);
    qInfo("cut to %lld lines: %lld nodes, %zu bytes", qint64(s.map.lineCount()),
          qint64(s.map.nodeCount()), s.map.memoryBytes());
    QVERIFY(s.map.memoryBytes() <= 16 * size_t(s.map.lineCount()));
    s.check(false);
}

QTEST_GUILESS_MAIN(TestHeightMap)
#include "tst_heightmap.moc"
