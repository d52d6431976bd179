// Sequential files: the line rule, the CR LF after each Print, and output that
// never leaves a damaged file.

#include "platform/desktop/failure.h"
#include "platform/files/seqfile.h"
#include "support/filetext.h"
#include "support/testfiles.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(gen.bounded(256));
    return bytes;
}

} // namespace

class SeqFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void linesEndAtCrOrCrLf_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("one crlf") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("no break at end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lone cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("lf is text") << QByteArray("a\nb\r\n\n") << QStringList{"a\nb", "\n"};
        QTest::newRow("cr cr lf") << QByteArray("\r\r\n") << QStringList{"", ""};
        QTest::newRow("utf-8") << QByteArray("gr\xc3\xbc\xc3\x9f\x65\r\n")
                               << QStringList{QString::fromUtf8("grüße")};
    }

    void linesEndAtCrOrCrLf() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        const QString path = dir.filePath("in.txt");
        QVERIFY(writeAll(path, bytes));
        pw::SequentialFile f(path, pw::SequentialFile::Input);
        QStringList got;
        while (!f.Eof())
            got << f.LineInput();
        f.Close();
        QCOMPARE(got, lines);
    }

    void longLinesCrossChunks() {
        const QString path = dir.filePath("long.txt");
        QByteArray line(300000, 'x');
        QVERIFY(writeAll(path, line + "\r" + "\n" + line + "\r"));
        pw::SequentialFile f(path, pw::SequentialFile::Input);
        QCOMPARE(f.LineInput().size(), 300000);
        QCOMPARE(f.LineInput().size(), 300000);
        QVERIFY(f.Eof());
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, f.LineInput());
    }

    void printWritesTextThenCrLf() {
        const QString path = dir.filePath("out.txt");
        QVERIFY(writeAll(path, "an older and much longer content"));
        pw::SequentialFile f(path, pw::SequentialFile::Output);
        f.Print(QString::fromUtf8("a\nb\r\nü"));
        f.Close();
        QCOMPARE(readAll(path), QByteArray("a\nb\r\n\xc3\xbc\r\n"));
    }

    void unfinishedOutputLeavesTheOldFile() {
        const QString path = dir.filePath("keep.txt");
        QVERIFY(writeAll(path, "good"));
        {
            pw::SequentialFile f(path, pw::SequentialFile::Output);
            f.Print(QStringLiteral("half"));
            // no Close: the handler stopped on an error
        }
        QCOMPARE(readAll(path), QByteArray("good"));
        // Unstorable text (a lone surrogate) is refused, not replaced.
        pw::SequentialFile f(path, pw::SequentialFile::Output);
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, f.Print(QString(QChar(0xD800))));
        QCOMPARE(readAll(path), QByteArray("good"));
    }

    void largeTextsAreWrittenWhole() {
        // Large texts are written a piece at a time: pairs and kept bytes
        // across the pieces' edges come out whole, and a character that
        // cannot be stored far into the text still leaves the old file and
        // is named by its line and column.
        const QString path = dir.filePath("large.txt");
        QString text;
        for (int i = 0; text.size() < 300000; ++i)
            text += QString::fromUtf16(u"line \u00E9\xD83D\xDE00 \xDC80%1\n").arg(i);
        for (qsizetype at = 65535; at < text.size(); at += 65536)
            text.insert(at, QString::fromUtf16(u"\xD834\xDD1E"));
        {
            pw::SequentialFile f(path, pw::SequentialFile::Output, pw::SequentialFile::Scratch);
            f.Print(text);
            f.Close();
        }
        const QByteArray written = readAll(path);
        const std::optional<QByteArray> bytes = utf8WithKeptBytes(text);
        QVERIFY(bytes);
        QCOMPARE(written, *bytes + "\r\n");
        QCOMPARE(pw::fromCodePage(written.chopped(2)), text);

        QString bad = text;
        bad.insert(250000, QStringLiteral("x\nab"));
        bad.insert(250004, QChar(0xDC41));
        pw::SequentialFile f(path, pw::SequentialFile::Output);
        try {
            f.Print(bad);
            QFAIL("an unstorable character was written");
        } catch (const pw::OperationError& e) {
            const auto line = QStringView(bad).left(250004).count(u'\n') + 1;
            QVERIFY2(e.reason().contains(QStringLiteral("line %1, column 3").arg(line)),
                     qPrintable(e.reason()));
        }
        QCOMPARE(readAll(path), written);
    }

    void bytesThatAreNoTextAreKept() {
        bool ok = true;
        QCOMPARE(pw::fromCodePage("a\xff\xc3\xbc\xc3", &ok),
                 QString::fromUtf16(u"a\xDCFF\u00FC\xDCC3"));
        QVERIFY(!ok);
        QCOMPARE(pw::fromCodePage("\xef\xbb\xbf\xc2\xa0", &ok),
                 QStringView(u"\uFEFF\u00A0").toString());
        QVERIFY(ok);
        // Only U+DC80..U+DCFF stand for bytes; other lone surrogates are refused.
        qsizetype bad = -1;
        QCOMPARE(pw::toCodePage(QString::fromUtf16(u"\xDC80\xDCFF"), &ok), QByteArray("\x80\xff"));
        QVERIFY(ok);
        pw::toCodePage(QString::fromUtf16(u"ab\xDC41"), &ok, &bad);
        QVERIFY(!ok);
        QCOMPARE(bad, 2);
        pw::toCodePage(QString::fromUtf16(u"\xD83D\xDE00x\xD83D"), &ok, &bad);
        QCOMPARE(bad, 3);
        // A kept byte or a character beyond U+FFFF is found wherever it lies
        // among the characters that are looked at together.
        for (int at = 0; at <= 39; ++at) {
            QString text = QStringLiteral("plain text, long enough for a few steps");
            QByteArray expected = text.toLatin1();
            text.insert(at, QChar(0xDCE9));
            expected.insert(at, '\xe9');
            QCOMPARE(pw::toCodePage(text, &ok), expected);
            text.replace(at, 1, QString::fromUtf16(u"\xD83D\xDE00"));
            expected.replace(at, 1, "\xf0\x9f\x98\x80");
            QCOMPARE(pw::toCodePage(text, &ok), expected);
        }
        const QString mixed = QString::fromUtf16(u"a\u00E9\u20AC\u4E2D\xD834\xDD1E\uFFFD\u0000z");
        QCOMPARE(pw::toCodePage(mixed, &ok), mixed.toUtf8());
    }

    void anyBytesRoundTrip_data() {
        QTest::addColumn<QByteArray>("codePage");
        // The last three compose a letter and a combining mark when reading.
        for (const char* name : {"UTF-8", "CP1252", "ISO-8859-15", "SHIFT_JIS", "GB18030", "BIG5",
                                 "BIG5-HKSCS", "CP1255", "TCVN5712-1"})
            QTest::newRow(name) << QByteArray(name);
    }

    void anyBytesRoundTrip() {
        QFETCH(QByteArray, codePage);
        if (!pw::setCodePage(codePage))
            QSKIP("The system cannot convert this code page.");
        const auto restore = qScopeGuard([] { pw::setCodePage(QByteArray()); });
        for (quint32 seed = 1; seed <= 4; ++seed) {
            const QByteArray bytes = randomBytes(4096, seed);
            const QByteArray back = pw::toCodePage(pw::fromCodePage(bytes));
            QVERIFY2(back == bytes, qPrintable(QStringLiteral("seed %1").arg(seed)));
        }
        // Plain text of the code page reads as characters, not as kept bytes.
        bool ok = false;
        QCOMPARE(pw::fromCodePage("plain ASCII", &ok), QStringLiteral("plain ASCII"));
        QVERIFY(ok);
    }

    void onlyOrdinaryFilesAreOpened() {
        const QString fifo = dir.filePath("pipe");
        QProcess p;
        p.start("mkfifo", {fifo});
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            QSKIP("mkfifo is not available.");
        // Neither blocks on the pipe nor replaces it by a file.
        QVERIFY_THROWS_EXCEPTION(pw::OperationError,
                                 pw::SequentialFile(fifo, pw::SequentialFile::Input));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError,
                                 pw::SequentialFile(fifo, pw::SequentialFile::Output));
        QVERIFY(!QFileInfo(fifo).isFile() && QFileInfo(fifo).exists());
        // A folder is never deleted, named with or without a final separator.
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::Kill(dir.filePath("folder")));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::Kill(dir.filePath("folder") + "/"));
        QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
    }

    void failuresNameTheFile() {
        try {
            pw::SequentialFile f(dir.filePath("no/such/folder/x.txt"), pw::SequentialFile::Output);
            QFAIL("opened a file in a missing folder");
        } catch (const pw::OperationError& e) {
            QVERIFY(e.subject().endsWith(QStringLiteral("x.txt")));
            QVERIFY(!e.reason().isEmpty());
        }
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::SequentialFile(dir.filePath("missing"),
                                                                        pw::SequentialFile::Input));
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, pw::Kill(dir.filePath("missing")));
        const QString gone = dir.filePath("gone.txt");
        QVERIFY(writeAll(gone, "x"));
        pw::Kill(gone);
        QVERIFY(!QFile::exists(gone));
    }
};

QTEST_GUILESS_MAIN(SeqFileTest)
#include "tst_seqfile.moc"
