// The text area's storage against a plain string: random edits of every kind
// anywhere, lines found from positions and back, and the history (typed runs,
// closed steps, cleared history, undo and redo in any order) against the
// snapshots of the text, including the Change each undo and redo reports.

#include "platform/text/textstore.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Where the lines of the store differ from those of a plain string (lines
// end at LF, a CR before it belongs to the break); empty when they agree.
QString linesDiffer(const pw::TextStore& s, const QString& model) {
    qsizetype line = 0;
    const auto differ = [&](const char* what, qsizetype got, qsizetype expected) {
        return QStringLiteral("%1 at %2: %3, expected %4")
            .arg(what)
            .arg(line)
            .arg(got)
            .arg(expected);
    };
    for (qsizetype i = 0; i <= model.size(); ++i) {
        if (s.lineOf(i) != line)
            return differ("lineOf", s.lineOf(i), line) + QStringLiteral(" (position %1)").arg(i);
        if (i == 0 || model[i - 1] == u'\n') {
            if (s.lineStart(line) != i)
                return differ("lineStart", s.lineStart(line), i);
            if (line > 0) {
                const qsizetype feed = i - 1;
                const qsizetype end =
                    feed > s.lineStart(line - 1) && model[feed - 1] == u'\r' ? feed - 1 : feed;
                if (s.lineContentEnd(line - 1) != end)
                    return differ("lineContentEnd", s.lineContentEnd(line - 1), end);
            }
        }
        if (i < model.size() && model[i] == u'\n')
            ++line;
    }
    if (s.lineCount() != line + 1)
        return differ("lineCount", s.lineCount(), line + 1);
    if (s.lineContentEnd(line) != model.size())
        return differ("lineContentEnd", s.lineContentEnd(line), model.size());
    return {};
}

// The history as the store promises it, kept over whole snapshots: a step
// is the text before and after it and where it replaced what.
struct History {
    struct Step {
        QString before, after;
        qsizetype pos, removed, added;
        bool typing;
    };
    QString text;
    std::vector<Step> undo, redo;
    bool open = false; // the last step is typing that more typing joins

    void edit(qsizetype pos, qsizetype len, const QString& add, bool typing) {
        if (len == 0 && add.isEmpty())
            return;
        const QString after = QString(text).replace(pos, len, add);
        redo.clear();
        Step* last = undo.empty() ? nullptr : &undo.back();
        if (typing && open && last && last->typing && len == 0 && last->pos + last->added == pos) {
            last->after = after;
            last->added += add.size();
        } else {
            undo.push_back({text, after, pos, len, add.size(), typing});
        }
        text = after;
        open = typing;
    }
    // What undoing (or redoing) the newest step must report.
    pw::TextStore::Change replay(bool undoing) {
        std::vector<Step>& from = undoing ? undo : redo;
        const Step s = from.back();
        from.pop_back();
        (undoing ? redo : undo).push_back(s);
        text = undoing ? s.before : s.after;
        open = false;
        return undoing ? pw::TextStore::Change{s.pos, s.added, s.removed}
                       : pw::TextStore::Change{s.pos, s.removed, s.added};
    }
};

QString describe(const pw::TextStore::Change& c) {
    return QStringLiteral("{pos %1, removed %2, added %3}").arg(c.pos).arg(c.removed).arg(c.added);
}

} // namespace

class TextStoreTest : public QObject {
    Q_OBJECT

private slots:
    void historyMatchesSnapshots() {
        QRandomGenerator rng(7);
        const QString alphabet = QStringLiteral("ab \r\n\r\nxyz\t");
        const auto some = [&](int most) {
            QString add;
            for (int i = rng.bounded(most + 1); i > 0; --i)
                add += alphabet[rng.bounded(int(alphabet.size()))];
            return add;
        };
        for (int round = 0; round < 60; ++round) {
            pw::TextStore s;
            History h;
            h.text = QStringLiteral("first\r\nsecond\nthird");
            s.reset(h.text);
            QStringList done; // what happened in this round, for a failure's report
            for (int action = 0; action < 60; ++action) {
                const qsizetype n = h.text.size();
                const int what = rng.bounded(100);
                if (what < 25) { // typing goes on where the last typing ended
                    const qsizetype at = !h.undo.empty() && h.open && rng.bounded(4)
                                             ? std::min(n, h.undo.back().pos + h.undo.back().added)
                                             : rng.bounded(int(n) + 1);
                    const QString c(alphabet[rng.bounded(int(alphabet.size()))]);
                    done << QStringLiteral("type %1 at %2").arg(c.toHtmlEscaped()).arg(at);
                    s.replace(at, 0, c, pw::TextStore::Kind::Typing);
                    h.edit(at, 0, c, true);
                } else if (what < 50) { // an edit of another kind, or typing over a selection
                    const qsizetype pos = rng.bounded(int(n) + 1);
                    const qsizetype len = rng.bounded(int(n - pos) + 1) / 2;
                    const QString add = some(5);
                    const bool typing = !add.isEmpty() && rng.bounded(4) == 0;
                    done << QStringLiteral("replace %1+%2 by %3 chars%4")
                                .arg(pos)
                                .arg(len)
                                .arg(add.size())
                                .arg(typing ? " typed" : "");
                    s.replace(pos, len, add,
                              typing ? pw::TextStore::Kind::Typing : pw::TextStore::Kind::Other);
                    h.edit(pos, len, add, typing);
                } else if (what < 70) {
                    done << QStringLiteral("undo");
                    QCOMPARE(s.canUndo(), !h.undo.empty());
                    if (h.undo.empty())
                        continue;
                    const pw::TextStore::Change got = s.undo().at(0), expected = h.replay(true);
                    QVERIFY2(got.pos == expected.pos && got.removed == expected.removed &&
                                 got.added == expected.added,
                             qPrintable(describe(got) + " for " + describe(expected) + "\n" +
                                        done.join("\n")));
                } else if (what < 88) {
                    done << QStringLiteral("redo");
                    QCOMPARE(s.canRedo(), !h.redo.empty());
                    if (h.redo.empty())
                        continue;
                    const pw::TextStore::Change got = s.redo().at(0), expected = h.replay(false);
                    QVERIFY2(got.pos == expected.pos && got.removed == expected.removed &&
                                 got.added == expected.added,
                             qPrintable(describe(got) + " for " + describe(expected) + "\n" +
                                        done.join("\n")));
                } else if (what < 97) {
                    done << QStringLiteral("close step");
                    s.closeStep();
                    h.open = false;
                } else {
                    done << QStringLiteral("clear history");
                    s.clearHistory();
                    h.undo.clear();
                    h.redo.clear();
                    h.open = false;
                }
                QVERIFY2(s.text() == h.text, qPrintable(done.join("\n")));
                QCOMPARE(s.length(), h.text.size());
                QCOMPARE(s.canUndo(), !h.undo.empty());
                QCOMPARE(s.canRedo(), !h.redo.empty());
                const qsizetype from = rng.bounded(int(h.text.size()) + 1);
                QCOMPARE(s.mid(from, 5), h.text.mid(from, 5));
                if (from < h.text.size())
                    QCOMPARE(s.at(from), h.text.at(from));
                if (action % 10 == 9) {
                    const QString lines = linesDiffer(s, h.text);
                    QVERIFY2(lines.isEmpty(), qPrintable(lines + "\n" + done.join("\n")));
                }
            }
            // Every step undone in turn, then all redone.
            while (!h.undo.empty()) {
                s.undo();
                h.replay(true);
                QCOMPARE(s.text(), h.text);
            }
            QVERIFY(!s.canUndo());
            QCOMPARE(linesDiffer(s, h.text), QString());
            while (!h.redo.empty()) {
                s.redo();
                h.replay(false);
            }
            QCOMPARE(s.text(), h.text);
            QVERIFY(!s.canRedo());
            QCOMPARE(linesDiffer(s, h.text), QString());
        }
    }

    void typingGrowsOnePiece() {
        // A word typed over a selection, one character at a time: the piece
        // typed last grows (how steps join: historyMatchesSnapshots).
        pw::TextStore s;
        s.reset(QStringLiteral("hello world"));
        s.replace(6, 5, QStringLiteral("t"), pw::TextStore::Kind::Typing);
        for (const QChar c : QStringLiteral("here"))
            s.replace(s.length(), 0, QString(c), pw::TextStore::Kind::Typing);
        QCOMPARE(s.text(), QStringLiteral("hello there"));
        QCOMPARE(s.pieceCount(), 2);
    }

    void runsOfDeletionsAndJoinedStepsUndoWhole() {
        using K = pw::TextStore::Kind;
        pw::TextStore s;
        s.reset(QStringLiteral("abcdef ghij"));
        // Three Backspaces from the end of "abcdef", then two Deletes at
        // "ghij": two steps; a Backspace elsewhere starts a third.
        for (qsizetype at = 6; at > 3; --at)
            s.replace(at - 1, 1, QString(), K::DeleteBack);
        s.closeStep();
        s.replace(4, 1, QString(), K::DeleteForward);
        s.replace(4, 1, QString(), K::DeleteForward);
        QCOMPARE(s.text(), QStringLiteral("abc ij"));
        s.replace(2, 1, QString(), K::DeleteBack); // not where the last run ended
        QCOMPARE(s.text(), QStringLiteral("ab ij"));
        QCOMPARE(s.undo().size(), size_t(1));
        QCOMPARE(s.text(), QStringLiteral("abc ij"));
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("abc ghij"));
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("abcdef ghij"));
        QVERIFY(!s.canUndo());
        // A text moved: taken out, then put in as part of the same step; the
        // observer sees each change before and after it is made.
        s.replace(0, 3, QString(), K::Other);
        s.joinNext();
        s.replace(5, 0, QStringLiteral("abc"), K::Other);
        QCOMPARE(s.text(), QStringLiteral("def gabchij"));
        struct Seen final : pw::TextStore::Observer {
            pw::TextStore* store;
            QStringList log;
            void aboutToChange(const pw::TextStore::Change& c) override {
                log << store->mid(c.pos, c.removed);
            }
            void changed(const pw::TextStore::Change& c) override {
                log << store->mid(c.pos, c.added);
            }
        } seen;
        seen.store = &s;
        QCOMPARE(s.undo(&seen).size(), size_t(2));
        QCOMPARE(s.text(), QStringLiteral("abcdef ghij"));
        QCOMPARE(seen.log, QStringList({"abc", "", "", "abc"}));
        QCOMPARE(s.redo().size(), size_t(2));
        QCOMPARE(s.text(), QStringLiteral("def gabchij"));
        QCOMPARE(s.undo().size(), size_t(2));
        QVERIFY(!s.canUndo());
    }

    void largeTextIsSharedAndIndexed() {
        QString big;
        for (int i = 0; i < 100000; ++i)
            big += QStringLiteral("line %1\r\n").arg(i);
        pw::TextStore s;
        s.reset(big);
        QVERIFY(s.text().constData() == big.constData()); // no copy
        QCOMPARE(s.lineCount(), 100001);
        const qsizetype at = s.lineStart(54321);
        QCOMPARE(s.mid(at, 10), QStringLiteral("line 54321"));
        QCOMPARE(s.lineOf(at + 3), 54321);
        QCOMPARE(s.lineContentEnd(54321), at + 10);
    }
};

QTEST_GUILESS_MAIN(TextStoreTest)
#include "tst_textstore.moc"
