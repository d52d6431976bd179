// The text area's storage against a plain string: random edits anywhere,
// lines found from positions and back, and undo and redo through the steps.

#include "platform/textstore.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// Line starts of a plain string, lines ending at LF.
void checkLines(const pw::TextStore& s, const QString& model) {
    qsizetype line = 0;
    for (qsizetype i = 0; i <= model.size(); ++i) {
        QCOMPARE(s.lineOf(i), line);
        if (i == 0 || model[i - 1] == u'\n') {
            QCOMPARE(s.lineStart(line), i);
            if (line > 0) {
                const qsizetype feed = i - 1;
                const qsizetype end =
                    feed > s.lineStart(line - 1) && model[feed - 1] == u'\r' ? feed - 1 : feed;
                QCOMPARE(s.lineContentEnd(line - 1), end);
            }
        }
        if (i < model.size() && model[i] == u'\n')
            ++line;
    }
    QCOMPARE(s.lineCount(), line + 1);
    QCOMPARE(s.lineContentEnd(line), model.size());
}

} // namespace

class TextStoreTest : public QObject {
    Q_OBJECT

private slots:
    void editsUndoAndRedoMatchAString() {
        QRandomGenerator rng(7);
        const QString alphabet = QStringLiteral("ab \r\n\r\nxyz\t");
        for (int round = 0; round < 40; ++round) {
            pw::TextStore s;
            QString model = QStringLiteral("first\r\nsecond\nthird");
            s.reset(model);
            QStringList history{model};
            for (int step = 0; step < 30; ++step) {
                const qsizetype pos = rng.bounded(int(model.size()) + 1);
                const qsizetype len = rng.bounded(int(model.size() - pos) + 1) / 2;
                QString add;
                for (int i = rng.bounded(6); i > 0; --i)
                    add += alphabet[rng.bounded(int(alphabet.size()))];
                s.replace(pos, len, add, pw::TextStore::Kind::Other);
                if (len || !add.isEmpty()) {
                    model.replace(pos, len, add);
                    history << model;
                }
                QCOMPARE(s.text(), model);
                QCOMPARE(s.length(), model.size());
                const qsizetype from = rng.bounded(int(model.size()) + 1);
                QCOMPARE(s.mid(from, 5), model.mid(from, 5));
                if (from < model.size())
                    QCOMPARE(s.at(from), model.at(from));
            }
            checkLines(s, model);
            // Every step undone in turn, then all redone.
            for (qsizetype i = history.size() - 1; i > 0; --i) {
                QVERIFY(s.canUndo());
                s.undo();
                QCOMPARE(s.text(), history[i - 1]);
            }
            QVERIFY(!s.canUndo());
            checkLines(s, history[0]);
            while (s.canRedo())
                s.redo();
            QCOMPARE(s.text(), model);
            checkLines(s, model);
        }
    }

    void typingIsOneStepAndGrowsOnePiece() {
        pw::TextStore s;
        s.reset(QStringLiteral("hello world"));
        // A word typed over a selection, one character at a time.
        s.replace(6, 5, QStringLiteral("t"), pw::TextStore::Kind::Typing);
        for (const QChar c : QStringLiteral("here"))
            s.replace(s.length(), 0, QString(c), pw::TextStore::Kind::Typing);
        QCOMPARE(s.text(), QStringLiteral("hello there"));
        QCOMPARE(s.pieceCount(), 2);
        // Enter, then more typing: separate steps.
        s.replace(s.length(), 0, QStringLiteral("\r\n"), pw::TextStore::Kind::Other);
        s.replace(s.length(), 0, QStringLiteral("x"), pw::TextStore::Kind::Typing);
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("hello there\r\n"));
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("hello there"));
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("hello world"));
        // Typing after the caret moved starts a new step.
        s.redo();
        s.closeStep();
        s.replace(0, 0, QStringLiteral("a"), pw::TextStore::Kind::Typing);
        s.replace(1, 0, QStringLiteral("b"), pw::TextStore::Kind::Typing);
        s.closeStep();
        s.replace(2, 0, QStringLiteral("c"), pw::TextStore::Kind::Typing);
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("abhello there"));
        s.undo();
        QCOMPARE(s.text(), QStringLiteral("hello there"));
        // A new edit forgets what could be redone.
        s.replace(0, 0, QStringLiteral("!"), pw::TextStore::Kind::Other);
        QVERIFY(!s.canRedo());
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
