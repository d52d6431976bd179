// Writing files safely among hostile or unusual surroundings: symbolic links
// at the name, folders where no new file can be made, names as long as the
// file system allows.

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "editor/textedit.h"
#include "platform/controls/controls.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/files/olecontainer.h"
#include "platform/files/seqfile.h"
#include "support/mount.h"
#include "support/process.h"
#include "support/recorder.h"
#include "support/testfiles.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes text as path's whole file; the failure's reason, or empty.
QString save(const QString& path, const QString& text,
             pw::SequentialFile::Durability kind = pw::SequentialFile::Durable) {
    try {
        pw::SequentialFile f(path, pw::SequentialFile::Output, kind);
        f.Print(text);
        f.Close();
        return {};
    } catch (const pw::OperationError& e) {
        return e.message();
    }
}

bool isLink(const QString& path) {
    return QFileInfo(path).isSymLink();
}

// A folder in which no new file can be made, even by root, for the life of
// the object: it is made immutable. Files already in it stay writable.
struct SealedFolder {
    QString path;
    bool sealed;
    explicit SealedFolder(const QString& folder)
        : path(folder), sealed(succeeds("chattr", {"+i", folder})) {}
    ~SealedFolder() {
        if (sealed)
            succeeds("chattr", {"-i", path});
    }
};

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

class FileSafetyTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        pw::setCodePage("UTF-8");
    }
    void cleanup() {
        succeeds("chattr", {"-R", "-i", dir.path()});
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void programFilesReplaceLinksInsteadOfFollowingThem() {
        // A preview file planted as a link to a file elsewhere, and one
        // dangling: the link is replaced, what it points to is untouched.
        QVERIFY(QDir().mkpath(path("elsewhere")));
        QVERIFY(writeAll(path("elsewhere/precious"), "keep me\n"));
        QVERIFY(QFile::link(path("elsewhere/precious"), path("view.html")));
        QVERIFY(QFile::link(path("elsewhere/new"), path("dangling.html")));
        QCOMPARE(save(path("view.html"), "<p>page</p>", pw::SequentialFile::Scratch), QString());
        QCOMPARE(save(path("dangling.html"), "<p>x</p>", pw::SequentialFile::Scratch), QString());
        QCOMPARE(readAll(path("elsewhere/precious")), QByteArray("keep me\n"));
        QVERIFY(!QFileInfo::exists(path("elsewhere/new")));
        QVERIFY(!isLink(path("view.html")) && !isLink(path("dangling.html")));
        QCOMPARE(readAll(path("view.html")), QByteArray("<p>page</p>\r\n"));

        // A packaged document's cached copy planted as a link to a start-up
        // script of the user's.
        Recorder rec;
        const QString cache = path("cache");
        QVERIFY(QDir().mkpath(cache));
        QVERIFY(writeAll(path("bashrc"), "alias ls='ls -F'\n"));
        QVERIFY(QFile::link(path("bashrc"), cache + "/Readme.txt"));
        pw::OleContainer::setPackageFolder(cache);
        pw::OleContainer ole(nullptr);
        ole.setPackage(QStringLiteral("Readme.txt"), "Readme.txt\r\n");
        ole.DoVerb();
        pw::OleContainer::setPackageFolder({});
        QCOMPARE(readAll(path("bashrc")), QByteArray("alias ls='ls -F'\n"));
        QVERIFY(!isLink(cache + "/Readme.txt"));
        QCOMPARE(readAll(cache + "/Readme.txt"), QByteArray("Readme.txt\r\n"));
        QCOMPARE(rec.events, QStringList{"open " + cache + "/Readme.txt"});

        // Where the link cannot be replaced, nothing is written through it.
        QVERIFY(QDir().mkpath(path("sealed")));
        QVERIFY(QFile::link(path("elsewhere/precious"), path("sealed/view.html")));
        const SealedFolder sealed(path("sealed"));
        if (!sealed.sealed)
            QSKIP("chattr +i is not available here");
        const QString refused =
            save(path("sealed/view.html"), "<p>x</p>", pw::SequentialFile::Scratch);
        QVERIFY2(refused.contains("symbolic link"), qPrintable(refused));
        QCOMPARE(readAll(path("elsewhere/precious")), QByteArray("keep me\n"));
    }

    void userFilesFollowLinksExceptStrangersInSharedFolders() {
        // A link the user chose: the file it points to is written, the link
        // stays.
        QVERIFY(writeAll(path("notes.txt"), "old\r\n"));
        QVERIFY(QFile::link(path("notes.txt"), path("shortcut.txt")));
        QCOMPARE(save(path("shortcut.txt"), "new"), QString());
        QVERIFY(isLink(path("shortcut.txt")));
        QCOMPARE(readAll(path("notes.txt")), QByteArray("new\r\n"));

        // Someone else's link in a sticky folder that everyone may write to
        // is refused, as the system refuses it.
        const QString shared = path("shared");
        QVERIFY(QDir().mkpath(shared));
        QVERIFY(::chmod(QFile::encodeName(shared).constData(), 01777) == 0);
        QVERIFY(QFile::link(path("notes.txt"), shared + "/trap.txt"));
        const uid_t stranger = ::geteuid() + 4242;
        QVERIFY(::lchown(QFile::encodeName(shared + "/trap.txt").constData(), stranger,
                         gid_t(-1)) == 0 ||
                ::geteuid() != 0);
        if (::geteuid() != 0)
            QSKIP("giving a link to another user needs root");
        const QString refused = save(shared + "/trap.txt", "owned");
        QVERIFY2(refused.contains("another user"), qPrintable(refused));
        QCOMPARE(readAll(path("notes.txt")), QByteArray("new\r\n"));
    }

    void inPlaceWhenNoFileCanBeMadeBeside() {
        const QString shelf = path("shelf");
        QVERIFY(QDir().mkpath(shelf));
        QVERIFY(writeAll(shelf + "/book.txt", "the first text, a long one\r\n"));
        const SealedFolder sealed(shelf);
        if (!sealed.sealed)
            QSKIP("chattr +i is not available here");
        QVERIFY(!writeAll(shelf + "/probe", "x")); // really no new file

        // A character that cannot be stored refuses before the file is touched.
        QVERIFY(!save(shelf + "/book.txt", QString("a") + QChar(0xD800)).isEmpty());
        QCOMPARE(readAll(shelf + "/book.txt"), QByteArray("the first text, a long one\r\n"));

        QCOMPARE(save(shelf + "/book.txt", "shorter"), QString());
        QCOMPARE(readAll(shelf + "/book.txt"), QByteArray("shorter\r\n"));
        QCOMPARE(save(shelf + "/book.txt", "now longer than before"), QString());
        QCOMPARE(readAll(shelf + "/book.txt"), QByteArray("now longer than before\r\n"));
        QCOMPARE(entries(shelf), QStringList{"book.txt"});
    }

    void inPlaceNeedsRoomOnTheDisk() {
        const QString disk = path("disk");
        QVERIFY(QDir().mkpath(disk));
        const auto mount = Mount::tmpfs(disk, QStringLiteral("size=64k"));
        if (!mount->mounted())
            QSKIP("mounting a small tmpfs is not allowed here (needs root)");
        QVERIFY(writeAll(disk + "/page.html", "<p>small</p>\r\n"));
        const SealedFolder sealed(disk);
        if (!sealed.sealed)
            QSKIP("chattr +i is not available on tmpfs here");
        const QString refused = save(disk + "/page.html", QString(200 * 1024, 'x'));
        QVERIFY2(refused.contains("no room"), qPrintable(refused));
        QCOMPARE(readAll(disk + "/page.html"), QByteArray("<p>small</p>\r\n"));
    }

    void byteOrderMarkFilesKeepTheirEncoding_data() {
        QTest::addColumn<int>("encoding");
        QTest::newRow("UTF-16LE") << int(QStringConverter::Utf16LE);
        QTest::newRow("UTF-16BE") << int(QStringConverter::Utf16BE);
        QTest::newRow("UTF-32LE") << int(QStringConverter::Utf32LE);
        QTest::newRow("UTF-32BE") << int(QStringConverter::Utf32BE);
    }
    void byteOrderMarkFilesKeepTheirEncoding() {
        QFETCH(int, encoding);
        QStringEncoder encoder(QStringConverter::Encoding(encoding),
                               QStringConverter::Flag::WriteBom);
        const QString text = QString::fromUtf8("h\xc3\xa9llo \xf0\x9f\x98\x80\r\n\u010d\r\n");
        const QByteArray original = encoder.encode(text);
        const QString file = path("unicode.txt");
        QVERIFY(writeAll(file, original));

        // Read as the Open dialog reads it: lines, each followed by CR LF.
        pw::SequentialFile in(file, pw::SequentialFile::Input);
        QStringList lines;
        while (!in.Eof())
            lines << in.LineInput();
        in.Close();
        QCOMPARE(lines, QStringList({QString::fromUtf8("h\xc3\xa9llo \xf0\x9f\x98\x80"),
                                     QString::fromUtf8("\u010d")}));

        // Saved again, it stays in its encoding: only the line break after
        // the text is added, as for any file.
        QCOMPARE(save(file, text), QString());
        QStringEncoder plain{QStringConverter::Encoding(encoding)};
        QCOMPARE(readAll(file), original + plain.encode(u"\r\n"));

        // A byte kept from a code page file has no place in it: refused.
        QVERIFY(!save(file, QString(QChar(0xDC80))).isEmpty());
        QCOMPARE(readAll(file), original + plain.encode(u"\r\n"));

        // Bytes that are not valid in the encoding are refused, not read.
        // (UTF-16: a lone half of a pair; UTF-32: a length that is no
        // whole number of characters.)
        const QByteArray invalid = encoding == QStringConverter::Utf16LE ? QByteArray("\x00\xD8", 2)
                                   : encoding == QStringConverter::Utf16BE
                                       ? QByteArray("\xD8\x00", 2)
                                       : QByteArray("\x01", 1);
        QVERIFY(writeAll(file, original + invalid));
        try {
            pw::SequentialFile bad(file, pw::SequentialFile::Input);
            QFAIL("an invalid file was opened");
        } catch (const pw::OperationError& e) {
            QVERIFY2(e.reason().contains("byte-order mark"), qPrintable(e.message()));
        }
    }

    void filesTooLargeToHoldAreRefusedBeforeReading() {
        // A sparse file far larger than the memory.
        const QString huge = path("huge.log");
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (!f.resize(200LL << 30))
                QSKIP("this file system cannot hold a sparse file of 200 GB");
        }
        const auto refusal = [](const QString& file) {
            try {
                pw::SequentialFile f(file, pw::SequentialFile::Input);
                return QString();
            } catch (const pw::OperationError& e) {
                return e.reason();
            }
        };
        // With memory to spare, the most one text can hold is the limit named;
        // with little, what the memory available holds now.
        pw::setAvailableMemory(qint64(1) << 42);
        QString why = refusal(huge);
        QVERIFY2(
            why.contains("200.0 GB") &&
                why.contains(QLocale::system().toString(pw::MaxTextCharacters) + " characters") &&
                !why.contains(QLatin1String("memory available")),
            qPrintable(why));
        pw::setAvailableMemory(-1);

        // Little memory left: an ordinary file is refused, then read again
        // once there is room.
        QVERIFY(writeAll(path("two.txt"), QByteArray(2 << 20, 'x')));
        pw::setAvailableMemory(8 << 20);
        const auto restore = qScopeGuard([] { pw::setAvailableMemory(-1); });
        why = refusal(path("two.txt"));
        QVERIFY2(
            why.contains("2.0 MB") &&
                why.contains(QLatin1String("memory available now (8.0 MB) holds at most 1.0 MB")),
            qPrintable(why));
        pw::setAvailableMemory(-1);
        QCOMPARE(refusal(path("two.txt")), QString());

        // A file of the system that says it is empty but has content.
        pw::SequentialFile status(QStringLiteral("/proc/self/status"), pw::SequentialFile::Input);
        QCOMPARE(status.LOF(), 0);
        QStringList lines;
        while (!status.Eof())
            lines += status.LineInput().split(u'\n');
        QVERIFY2(lines.first().startsWith("Name:") && lines.size() > 10, qPrintable(lines.first()));
    }

    void readOnlyFilesAreKeptEvenForRoot() {
        QVERIFY(writeAll(path("locked.txt"), "x"));
        QVERIFY(QFile::setPermissions(path("locked.txt"), QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(QFile::link(path("locked.txt"), path("link.txt")));
        try {
            pw::Kill(path("locked.txt"));
            QFAIL("a read-only file was deleted");
        } catch (const pw::OperationError& e) {
            QVERIFY2(e.reason().contains("read-only"), qPrintable(e.message()));
        }
        QVERIFY(QFileInfo::exists(path("locked.txt")));
        QVERIFY(save(path("locked.txt"), "over").contains("read-only"));
        QCOMPARE(readAll(path("locked.txt")), QByteArray("x"));
        pw::Kill(path("link.txt"));
        QVERIFY(!isLink(path("link.txt")) && QFileInfo::exists(path("locked.txt")));
    }

    void namesThatAreNotValidUtf8AreListedAndActedOnByTheirBytes() {
        const QString odd = path("odd");
        QVERIFY(QDir().mkpath(odd));
        const QByteArray raw = QFile::encodeName(odd) + "/caf\xe9.txt"; // Latin-1 é
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "latin\r\n", 7) == 7 && ::close(fd) == 0);
        QVERIFY(writeAll(odd + "/plain.txt", "plain\r\n"));
        const QString shown = QStringLiteral("caf\uFFFD.txt");

        Recorder rec;
        const auto rowShowing = [&](pw::FileList* list) {
            for (int i = 0; i < list->ListCount(); ++i)
                if (list->model()->index(i, 0).data().toString() == shown)
                    return i;
            return -1;
        };
        textedit::instance().opd->action()->trigger();
        openfile& open = openfile::instance();
        open.Dir1->setPath(odd);
        QCOMPARE(open.File1->ListCount(), 2);
        open.File1->setListIndex(rowShowing(open.File1));
        open.Command1->click();
        QVERIFY(rec.boxes.empty());
        QCOMPARE(textedit::instance().Text1->Text(), QStringLiteral("latin\r\n"));

        // Saved under the name it was read by, the same bytes are written.
        const QString held = odd + "/caf" + QChar(0xDCE9) + ".txt";
        QCOMPARE(save(held, "again"), QString());
        QCOMPARE(entries(odd), QStringList{"plain.txt"}); // Qt lists the other name not
        QFile same;
        const int in = ::open(raw.constData(), O_RDONLY);
        QVERIFY(in >= 0 && same.open(in, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QCOMPARE(same.readAll(), QByteArray("again\r\n"));

        textedit::instance().ddel->action()->trigger();
        delfile& del = delfile::instance();
        del.Dir1->setPath(odd);
        del.File1->setListIndex(rowShowing(del.File1));
        del.Command1->click();
        QCOMPARE(rec.boxes.size(), size_t(1));
        QCOMPARE(rec.boxes[0].text, QStringLiteral("File Deleted!"));
        QVERIFY(::access(raw.constData(), F_OK) != 0);
        QCOMPARE(entries(odd), QStringList{"plain.txt"});
        unloadAllWindows();
    }

    void namesAsLongAsTheFileSystemAllows() {
        const QString longest = path(QString(250, 'n'));
        QCOMPARE(save(longest, "one"), QString());
        QCOMPARE(save(longest, "two"), QString());
        QCOMPARE(readAll(longest), QByteArray("two\r\n"));
        const QString refused = save(path(QString(300, 'n')), "x");
        QVERIFY2(refused.contains("300 bytes long") && refused.contains("at most 255"),
                 qPrintable(refused));
    }
};

QTEST_MAIN(FileSafetyTest)
#include "tst_filesafety.moc"
