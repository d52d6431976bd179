// Sequential files: the line rule, the CR LF after each Print, and output that
// never leaves a damaged file.

#include "platform/failure.h"
#include "platform/seqfile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
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
        writeAll(path, bytes);
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
        writeAll(path, line + "\r" + "\n" + line + "\r");
        pw::SequentialFile f(path, pw::SequentialFile::Input);
        QCOMPARE(f.LineInput().size(), 300000);
        QCOMPARE(f.LineInput().size(), 300000);
        QVERIFY(f.Eof());
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, f.LineInput());
    }

    void printWritesTextThenCrLf() {
        const QString path = dir.filePath("out.txt");
        writeAll(path, "an older and much longer content");
        pw::SequentialFile f(path, pw::SequentialFile::Output);
        f.Print(QString::fromUtf8("a\nb\r\nü"));
        f.Close();
        QCOMPARE(readAll(path), QByteArray("a\nb\r\n\xc3\xbc\r\n"));
    }

    void unfinishedOutputLeavesTheOldFile() {
        const QString path = dir.filePath("keep.txt");
        writeAll(path, "good");
        {
            pw::SequentialFile f(path, pw::SequentialFile::Output);
            f.Print(QStringLiteral("half"));
            // no Close: the handler stopped on an error
        }
        QCOMPARE(readAll(path), QByteArray("good"));
        // Unstorable text (a lone surrogate) is refused, not replaced.
        pw::SequentialFile f(path, pw::SequentialFile::Output);
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, f.Print(QString(QChar(0xD800))));
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
        writeAll(gone, "x");
        pw::Kill(gone);
        QVERIFY(!QFile::exists(gone));
    }
};

QTEST_GUILESS_MAIN(SeqFileTest)
#include "tst_seqfile.moc"
