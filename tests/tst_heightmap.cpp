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
};

qint64 unitsOf(const Line& l, qint64 R) {
    return l.rows < 0 ? l.chars + R : l.rows * R;
}

qint64 unitsWithin(const Line& l, qsizetype k, qint64 R) {
    return l.rows < 0 ? k : k * l.rows * R / std::max<qint64>(1, l.chars);
}

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
    void view(qsizetype span) {
        const qsizetype center = pick(0, qsizetype(lines.size()) - 1);
        map.setKeep(center);
        for (qsizetype k = 0; k < span; ++k) {
            const qsizetype line = k % 2 == 0 ? center + k / 2 : center - 1 - k / 2;
            if (line >= 0 && line < qsizetype(lines.size()))
                measure(line);
        }
    }
    void edit() {
        const qsizetype n = qsizetype(lines.size());
        const qsizetype first = pick(0, n - 1);
        const qsizetype last = std::min(n - 1, first + pick(0, 4));
        // A block the edit touches is forgotten as a whole.
        qsizetype at = 0;
        for (const HeightMap::Run& run : map.runs()) {
            if (run.measured && run.lines > 1 && at <= last && at + run.lines > first) {
                for (qsizetype i = at; i < at + run.lines; ++i)
                    lines[i].rows = -1;
            }
            at += run.lines;
        }
        std::vector<Line> fresh(size_t(pick(1, 6)));
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
    // within `around` lines of the kept line.
    void check(bool exact, qsizetype around = -1) {
        const qint64 R = pick(1, 200);
        const qsizetype n = qsizetype(lines.size());
        QCOMPARE(map.lineCount(), n);
        QCOMPARE(map.length(), starts.back());
        std::vector<bool> runStarts(size_t(n) + 1, false);
        qsizetype at = 0;
        for (const HeightMap::Run& run : map.runs()) {
            runStarts[size_t(at)] = true;
            at += run.lines;
        }
        QCOMPARE(at, n);
        qint64 before = 0, previous = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const Line& l = lines[i];
            if (exact)
                QCOMPARE(map.isMeasured(i), l.rows >= 0);
            else if (l.rows >= 0)
                QVERIFY(map.isMeasured(i));
            const bool near = std::abs(i - map.keep()) <= around;
            qsizetype done = -1;
            for (qsizetype k : {qsizetype(0), l.chars / 2, l.chars - 1}) {
                if (k <= done)
                    continue;
                done = k;
                const qint64 u = map.unitsAt(i, starts[i], k, R);
                QVERIFY2(u >= previous, qPrintable(QString("line %1 offset %2").arg(i).arg(k)));
                previous = u;
                if (exact || near || (k == 0 && runStarts[size_t(i)]))
                    QCOMPARE(u, before + unitsWithin(l, k, R));
            }
            before += unitsOf(l, R);
        }
        QCOMPARE(map.totalUnits(R), before);
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

// With room to spare nothing is merged: every unit agrees with the lines,
// and calls that disagree with the text are refused without harm.
void TestHeightMap::followsTheLinesExactly() {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        Session s(seed, seed % 3 == 0 ? 1 : 1 + qsizetype(seed) * 997 % 1500);
        for (int op = 0; op < 400; ++op) {
            const qsizetype n = qsizetype(s.lines.size());
            const int what = int(s.pick(0, 9));
            if (what < 4) {
                s.edit();
            } else if (what < 8) {
                QVERIFY(s.measure(s.pick(0, n - 1)));
            } else if (what == 8) {
                s.view(s.pick(1, 200));
            } else {
                const qsizetype line = s.pick(0, n - 1);
                QVERIFY(!s.map.setRows(n, s.starts.back(), 1, 1));
                QVERIFY(!s.map.setRows(line, s.starts[line], s.starts.back() + 1, 1));
                QVERIFY(!s.map.setRows(line, s.starts[line], s.lines[line].chars, -1));
            }
            if (op % 20 == 0 || op == 399) {
                s.check(true);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }
}

// A small capacity forces merging: the nodes stay within it, the ends of
// blocks and the totals stay exact, and the lines nearest the view stay
// lines of their own, however the measured lines lie.
void TestHeightMap::mergesFarFromTheViewWithinItsCapacity() {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        Session s(seed, 3000);
        s.map.setCapacity(64);
        for (int op = 0; op < 300; ++op) {
            const int what = int(s.pick(0, 9));
            if (what < 2)
                s.edit();
            else if (what < 6)
                s.view(s.pick(20, 300));
            else
                s.measure(s.pick(0, qsizetype(s.lines.size()) - 1));
            QVERIFY(s.map.nodeCount() <= 64);
            if (op % 10 == 0) {
                s.check(false);
                if (QTest::currentTestFailed())
                    return;
            }
        }
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
    for (qsizetype center = 500; center < 10000; center += 1200) {
        places.map.setKeep(center);
        for (qsizetype k = 0; k < 150; ++k)
            QVERIFY(places.measure(k % 2 == 0 ? center + k / 2 : center - 1 - k / 2));
    }
    QVERIFY(places.map.nodeCount() <= 128);
    places.check(false, 20);
}

// A million lines visited in 40 places, 20,000 lines measured at each, and
// then cut to a tenth: the map stays within 16 bytes a line.
void TestHeightMap::holdsLittleForLongTexts() {
    const qsizetype n = 1000000;
    std::vector<qsizetype> starts(n + 1, 0);
    for (qsizetype i = 0; i < n; ++i)
        starts[i + 1] = starts[i] + 20 + (i * 7919) % 100;
    HeightMap map;
    map.reset(n, starts[n]);
    qint64 rows = 0, measuredLines = 0, measuredChars = 0;
    // Evenly spread, visited in no order: the hardest lines to merge.
    std::vector<qsizetype> centers;
    for (qsizetype place = 0; place < 40; ++place)
        centers.push_back(n / 80 + place * n / 40);
    std::shuffle(centers.begin() + 1, centers.end(), std::mt19937(5));
    std::swap(centers.front(), centers.back()); // the last place survives the cut
    for (const qsizetype center : centers) {
        map.setKeep(center);
        for (qsizetype k = 0; k < 20000; ++k) {
            const qsizetype line = k % 2 == 0 ? center + k / 2 : center - 1 - k / 2;
            if (line < 0 || line >= n || map.isMeasured(line))
                continue;
            const qsizetype chars = starts[line + 1] - starts[line];
            QVERIFY(map.setRows(line, starts[line], chars, 1 + chars / 50));
            rows += 1 + chars / 50;
            ++measuredLines;
            measuredChars += chars;
        }
    }
    qInfo("1,000,000 lines after 40 places: %lld nodes, %zu bytes, %zu bytes a node",
          qint64(map.nodeCount()), map.memoryBytes(), HeightMap::nodeBytes());
    QVERIFY(map.nodeCount() <= HeightMap::DefaultCapacity);
    QVERIFY(map.memoryBytes() <= 16 * size_t(n));
    for (qint64 R : {1, 80, 333})
        QCOMPARE(map.totalUnits(R), starts[n] - measuredChars + (n - measuredLines + rows) * R);

    const qsizetype from = n / 20, to = n - n / 20 - 1;
    map.edited(from, to, from - to, starts[from + 1] - starts[to + 1]);
    QCOMPARE(map.lineCount(), n - (to - from));
    QCOMPARE(map.length(), starts[n] - (starts[to + 1] - starts[from + 1]));
    qInfo("cut to %lld lines: %lld nodes, %zu bytes", qint64(map.lineCount()),
          qint64(map.nodeCount()), map.memoryBytes());
    QVERIFY(map.memoryBytes() <= 16 * size_t(map.lineCount()));
}

QTEST_GUILESS_MAIN(TestHeightMap)
#include "tst_heightmap.moc"
