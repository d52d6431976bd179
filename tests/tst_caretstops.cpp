// Where the caret stops: the Unicode grapheme break test data read at run
// time, random text against one finder over the whole of it, the clusters
// users meet, Backspace, words of any length and a line's direction.

#include "platform/text/caretstops.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBoundaryFinder>

using Stops = QList<qsizetype>;

namespace {

// The stops of text stepping forwards from 0, checked against stepping
// backwards from the end and against snapping every position; empty (with
// a failure logged) where they disagree.
Stops stepped(const QString& text) {
    pw::TextStore store;
    store.reset(text);
    Stops forward{0}, backward{text.size()};
    while (forward.back() < text.size())
        forward.push_back(pw::nextStop(store, forward.back()));
    while (backward.front() > 0)
        backward.push_front(pw::previousStop(store, backward.front()));
    qsizetype k = 0;
    for (qsizetype p = 0; p <= text.size(); ++p) {
        while (k + 1 < forward.size() && forward[k + 1] <= p)
            ++k;
        if (pw::snapToStop(store, p) != forward[k]) {
            qWarning() << "snap" << p << pw::snapToStop(store, p) << "expected" << forward[k];
            return {};
        }
    }
    if (forward != backward)
        qWarning() << "forward" << forward << "backward" << backward;
    return forward == backward ? forward : Stops{};
}

// One finder over the whole text, shown what the text area draws as a mark
// of its own (lone surrogates, U+FFFC, U+FDD0, U+FDD1) as a control.
Stops wholeFinder(QString s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        else if (s[i].isSurrogate() || s[i] == u'\uFFFC' || s[i] == u'\uFDD0' || s[i] == u'\uFDD1')
            s[i] = u'\x01';
    }
    QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, s);
    Stops out;
    for (qsizetype b = 0; b >= 0; b = f.toNextBoundary()) {
        // The finder cuts pairs among Indic letters in two; the caret never.
        if (b == 0 || b == s.size() || !s[b - 1].isHighSurrogate() || !s[b].isLowSurrogate())
            out.push_back(b);
    }
    return out;
}

} // namespace

class CaretStopsTest : public QObject {
    Q_OBJECT
private slots:
    void unicodeBreakTest() {
        QFile file(QStringLiteral("/usr/share/unicode/auxiliary/GraphemeBreakTest.txt"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            QSKIP("GraphemeBreakTest.txt is not installed (Debian's unicode-data)");
        int checked = 0, skipped = 0, tailored = 0, lineNo = 0;
        while (!file.atEnd()) {
            ++lineNo;
            const QString line = QString::fromUtf8(file.readLine()).section(u'#', 0, 0).trimmed();
            if (line.isEmpty())
                continue;
            QString text;
            Stops expected;
            bool known = true;
            for (const QString& f : line.split(u' ', Qt::SkipEmptyParts)) {
                if (f == u"÷")
                    expected.push_back(text.size());
                else if (f != u"×") {
                    const char32_t c = f.toUInt(nullptr, 16);
                    const auto v = QChar::unicodeVersion(c);
                    known = known && v != QChar::Unicode_Unassigned &&
                            v <= QChar::currentUnicodeVersion();
                    text += QString::fromUcs4(&c, 1);
                }
            }
            if (!known) {
                ++skipped;
                continue;
            }
            // The finder cuts a few scripts by syllables of its own; there the
            // caret follows the finder, and the line is counted apart.
            const Stops toolkit = wholeFinder(text);
            tailored += toolkit != expected;
            QVERIFY2(stepped(text) == toolkit, qPrintable(QString::number(lineNo) + u' ' + line));
            // Inside other text, where the case's own stops move by one.
            const QString wrapped = u'a' + text + u'b';
            const Stops whole = wholeFinder(wrapped);
            Stops inner;
            for (const qsizetype b : whole)
                if (b > 1 && b <= text.size())
                    inner.push_back(b - 1);
            QVERIFY2(stepped(wrapped) == whole &&
                         (toolkit != expected || inner == expected.mid(1, expected.size() - 2)),
                     qPrintable(QString::number(lineNo) + QStringLiteral(" inside a…b: ") + line));
            ++checked;
        }
        qInfo("GraphemeBreakTest: %d lines checked (%d of them cut by the toolkit's own "
              "syllables), %d skipped (characters the toolkit's tables do not know)",
              checked, tailored, skipped);
        QVERIFY(checked > 500);
    }

    // Long runs of what makes the finder look back (regional indicators,
    // marks after emoji, joiners) and what it keeps apart, across windows.
    // (Scripts the finder cuts by syllables of its own depend on where their
    // run starts, which a window may not reach; they have hand cases.)
    void randomTextAgainstWholeFinder() {
        const QStringList pool =
            QString::fromUtf16(u"a|\u0301|\u200D|\U0001F1E9|\U0001F44D|\U0001F3FD|\u1100|\u1161|"
                               u"\uAC00|\u11A8|\u0600|\u1B04|\r|\n| |\uFFFC|\xD800|\xDC00")
                .split(u'|');
        QRandomGenerator rng(20261208);
        for (int round = 0; round < 40; ++round) {
            QString text;
            while (text.size() < 3000) {
                const QString& piece = pool[rng.bounded(int(pool.size()))];
                text += piece.repeated(rng.bounded(10) < 8 ? 1 : 1 + rng.bounded(300));
            }
            QCOMPARE(stepped(text), wholeFinder(text));
        }
    }

    void clusters_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Stops>("stops");
        QTest::newRow("accent") << u"e\u0301x"_qs << Stops{0, 2, 3};
        QTest::newRow("flag") << u"\U0001F1E9\U0001F1EA"_qs << Stops{0, 4};
        QTest::newRow("flags and a half") << u"\U0001F1E9\U0001F1EA\U0001F1EB"_qs << Stops{0, 4, 6};
        QTest::newRow("skin tone") << u"\U0001F44D\U0001F3FD"_qs << Stops{0, 4};
        QTest::newRow("family") << u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_qs << Stops{0, 8};
        QTest::newRow("jamo") << u"\u1100\u1161\u11A8\u1100"_qs << Stops{0, 3, 4};
        QTest::newRow("CR LF") << u"a\r\nb\r"_qs << Stops{0, 1, 3, 4, 5};
        QTest::newRow("lone high") << QString::fromUtf16(u"a\xD800\u0301b") << Stops{0, 1, 2, 3, 4};
        QTest::newRow("lone low") << QString::fromUtf16(u"\u0600\xDC00\u0301") << Stops{0, 1, 2, 3};
        QTest::newRow("object mark") << u"\u0600\uFFFC\u0301"_qs << Stops{0, 1, 2, 3};
        // A conjunct is one syllable to the finder, which would cut the emoji.
        QTest::newRow("conjunct, emoji") << u"\u0915\u094D\u0915\U0001F44D"_qs << Stops{0, 3, 5};
        QTest::newRow("5,000 marks")
            << u'a' + u"e"_qs + QString(5000, QChar(0x301)) + u'b' << Stops{0, 1, 5002, 5003};
    }
    void clusters() {
        QFETCH(QString, text);
        QFETCH(Stops, stops);
        QCOMPARE(stepped(text), stops);
        // Far into a text, where no window starts at its beginning.
        Stops later;
        for (const qsizetype s : stops)
            later.push_back(s + 300);
        QCOMPARE(stepped(QString(300, u'x') + text).mid(300), later);
    }

    void backspace_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("from");
        QTest::newRow("accent alone") << u"e\u0301"_qs << qsizetype(1);
        QTest::newRow("pair whole") << u"\U0001F44D\U0001F3FD"_qs << qsizetype(2);
        QTest::newRow("CR LF whole") << u"a\r\n"_qs << qsizetype(1);
        QTest::newRow("lone high") << QString::fromUtf16(u"\U0001F44D\xD800") << qsizetype(2);
        QTest::newRow("lone low") << QString::fromUtf16(u"a\xDC00") << qsizetype(1);
    }
    void backspace() {
        QFETCH(QString, text);
        QFETCH(qsizetype, from);
        pw::TextStore store;
        store.reset(text);
        QCOMPARE(pw::previousCodePoint(store, text.size()), from);
    }

    // At pos: where Ctrl+Right and Ctrl+Left go, and what a double click
    // selects.
    void words_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("pos");
        QTest::addColumn<Stops>("expected"); // right, left, start, end
        const QString longWord(10000, u'w');
        QTest::newRow("10,000 letters")
            << u"go "_qs + longWord + u" end"_qs << qsizetype(5000) << Stops{10004, 3, 3, 10003};
        QTest::newRow("start of a long word")
            << u"go "_qs + longWord + u"  end"_qs << qsizetype(3) << Stops{10005, 0, 3, 10003};
        const QString accented = u"e\u0301"_qs.repeated(6000);
        QTest::newRow("12,000 with accents")
            << u". "_qs + accented + u'.' << qsizetype(6001) << Stops{12002, 2, 2, 12002};
        QTest::newRow("family in a word")
            << u"x\U0001F468\u200D\U0001F469y z"_qs << qsizetype(1) << Stops{8, 0, 0, 7};
        QTest::newRow("others one at a time") << u"a...b"_qs << qsizetype(2) << Stops{4, 1, 2, 3};
        QTest::newRow("blanks") << u"a   b"_qs << qsizetype(2) << Stops{4, 0, 1, 4};
        QTest::newRow("line break") << u"ab\r\ncd"_qs << qsizetype(2) << Stops{4, 0, 0, 2};
        QTest::newRow("after a break") << u"ab\r\n  cd"_qs << qsizetype(4) << Stops{6, 2, 4, 6};
        QTest::newRow("empty line") << u"a\n\nb"_qs << qsizetype(2) << Stops{3, 1, 2, 2};
    }
    void words() {
        QFETCH(QString, text);
        QFETCH(qsizetype, pos);
        QFETCH(Stops, expected);
        pw::TextStore store;
        store.reset(text);
        const pw::WordSpan w = pw::wordAt(store, pos);
        QCOMPARE((Stops{pw::wordRight(store, pos), pw::wordLeft(store, pos), w.start, w.end}),
                 expected);
    }

    void direction_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("rightToLeft");
        QTest::newRow("Arabic first") << u"مرحبا world"_qs << true;
        QTest::newRow("digits are weak") << u"123 مرحبا"_qs << true;
        QTest::newRow("Latin first") << u"world مرحبا"_qs << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("isolate skipped") << u"\u2067\u05D0\u2069abc"_qs << false;
        QTest::newRow("lone surrogate") << QString::fromUtf16(u"\xD800 \u05D0") << true;
        QTest::newRow("far in") << QString(5000, u'1') + u"\u05D0"_qs << true;
        QTest::newRow("pair split by a piece") << QString(4095, u' ') + u"\U0001E900"_qs << true;
    }
    void direction() {
        QFETCH(QString, line);
        QFETCH(bool, rightToLeft);
        QCOMPARE(line.isRightToLeft(), rightToLeft); // the layout's own rule agrees
        pw::TextStore store;
        store.reset(u"first\n"_qs + line + u"\r\nlast"_qs);
        QCOMPARE(pw::lineDirection(store, 1), rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    }
};

QTEST_GUILESS_MAIN(CaretStopsTest)
#include "tst_caretstops.moc"
