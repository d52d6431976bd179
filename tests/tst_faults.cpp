// Faults from outside the program: a disk that fills up, files and folders
// that cannot be written, files and folders that change or go away while a
// dialog shows them, and files that are empty, huge, one long line or not
// text at all. Each gives the right result or one clear message, the program
// goes on, and no file on the disk is left damaged.
//
// Disks are small tmpfs mounts and read-only folders read-only bind mounts,
// made by the test itself; that needs root (as in CI), and the cases that
// need it are skipped elsewhere. Every mount is undone when its case ends,
// whether its checks passed or not.

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/controls/combobox.h"
#include "platform/controls/controls.h"
#include "platform/controls/drivelist.h"
#include "platform/controls/filelist.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/files/seqfile.h"
#include "platform/webview/webview.h"
#include "support/filetext.h"
#include "support/lists.h"
#include "support/mount.h"
#include "support/process.h"
#include "support/recorder.h"
#include "support/testfiles.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define PW_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define PW_SANITIZED 1
#endif
#endif

namespace {

constexpr int LoadTimeout = 30000;

bool isRoot() {
#if defined(Q_OS_UNIX)
    return ::geteuid() == 0;
#else
    return false;
#endif
}

// Everything under a folder: each file's bytes, each folder as "<folder>".
QMap<QString, QByteArray> snapshot(const QString& folder) {
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = QDir(folder).relativeFilePath(info.filePath());
        out.insert(name, info.isDir() ? QByteArray("<folder>") : readAll(info.filePath()));
    }
    return out;
}

// A file that cannot be written for the life of the object. As root, whom
// permission bits do not stop, it is made immutable, or else bound read-only
// onto itself; other users get it read-only.
class ReadOnlyFile {
public:
    enum Kind { None, Immutable, BoundReadOnly, Permissions };

    explicit ReadOnlyFile(const QString& path) : m_path(path) {
        if (isRoot()) {
            if (succeeds("chattr", {"+i", path})) {
                m_kind = Immutable;
            } else if (succeeds("mount", {"--bind", path, path})) {
                m_kind = BoundReadOnly;
                if (!succeeds("mount", {"-o", "remount,bind,ro", path})) {
                    succeeds("umount", {path});
                    m_kind = None;
                }
            }
        } else {
            m_old = QFile::permissions(path);
            if (QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther))
                m_kind = Permissions;
        }
    }
    ~ReadOnlyFile() {
        switch (m_kind) {
        case Immutable:
            succeeds("chattr", {"-i", m_path});
            break;
        case BoundReadOnly:
            if (!succeeds("umount", {m_path}))
                succeeds("umount", {"-l", m_path});
            break;
        case Permissions:
            QFile::setPermissions(m_path, m_old);
            break;
        case None:
            break;
        }
    }
    Kind kind() const { return m_kind; }
    // Whether the file cannot be deleted either (a permission bit does not
    // stop a deletion on Unix; the folder decides).
    bool undeletable() const { return m_kind == Immutable || m_kind == BoundReadOnly; }

private:
    QString m_path;
    Kind m_kind = None;
    QFile::Permissions m_old;
};

// The process's current folder for the life of the object.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& folder) : m_old(QDir::currentPath()) {
        m_ok = QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(m_old); }
    bool ok() const { return m_ok; }

private:
    QString m_old;
    bool m_ok;
};

// Free memory in bytes as the system reports it, -1 when it does not.
qint64 availableMemory() {
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

} // namespace

// Exactly one message, a critical one, naming each of the texts given, and
// no beep (a beep goes with success only). The record is emptied for the
// next step.
#define EXPECT_ONE_FAILURE(...)                                                                    \
    do {                                                                                           \
        const QString why_ = oneFailure({__VA_ARGS__});                                            \
        QVERIFY2(why_.isEmpty(), qPrintable(why_));                                                \
    } while (0)

// No message at all so far.
#define EXPECT_NO_MESSAGE()                                                                        \
    QVERIFY2(rec->boxes.empty(),                                                                   \
             qPrintable(QStringLiteral("unexpected message: ") +                                   \
                        (rec->boxes.empty() ? QString() : rec->boxes[0].text)))

class FaultsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Recorder* rec = nullptr;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString native(const QString& name) const { return QDir::toNativeSeparators(path(name)); }

    QString oneFailure(const QStringList& mentions) {
        QString why;
        if (rec->boxes.size() != 1)
            why = QStringLiteral("%1 messages instead of one").arg(rec->boxes.size());
        else if (rec->boxes[0].style != pw::MsgBoxCritical)
            why = QStringLiteral("not a critical message");
        else if (rec->events.contains(QStringLiteral("beep")))
            why = QStringLiteral("a beep, as for a success");
        for (const QString& m : mentions)
            if (why.isEmpty() && !rec->boxes[0].text.contains(m))
                why = QStringLiteral("the message does not mention \"%1\"").arg(m);
        if (why.isEmpty())
            qInfo("shown: %s", qPrintable(rec->boxes[0].text.simplified()));
        else
            for (const RecordedBox& b : rec->boxes)
                why += QStringLiteral("\n  [%1] %2").arg(b.style).arg(b.text);
        rec->boxes.clear();
        rec->events.clear();
        return why;
    }

    // The three dialogs as a user drives them: folder, name (and type), button.
    // The dialogs are shown by their menu commands, as the user shows them.
    static openfile& openDialog() {
        textedit::instance().opd->action()->trigger();
        return openfile::instance();
    }
    static savefile& saveDialog() {
        textedit::instance().sav->action()->trigger();
        return savefile::instance();
    }
    static delfile& deleteDialog() {
        textedit::instance().ddel->action()->trigger();
        return delfile::instance();
    }
    void openThroughDialog(const QString& folder, const QString& name) {
        openfile& d = openDialog();
        d.Dir1->setPath(folder);
        d.Text1->setText(name);
        d.Command1->click();
    }
    void saveThroughDialog(const QString& folder, const QString& name, const QString& type) {
        savefile& d = saveDialog();
        d.Dir1->setPath(folder);
        d.Text1->setText(name);
        d.Combo1->setText(type);
        d.Command1->click();
    }
    // False when the file is not listed (and the dialog is left open).
    [[nodiscard]] bool deleteThroughDialog(const QString& folder, const QString& name) {
        delfile& d = deleteDialog();
        d.Dir1->setPath(folder);
        const int row = rowOf(d.File1, name);
        if (row < 0)
            return false;
        d.File1->setListIndex(row);
        d.Command1->click();
        return true;
    }
    // A success: the beep, then the one message of the dialog.
    void expectSaved() {
        QCOMPARE(rec->events, QStringList({"beep", "msgbox"}));
        QCOMPARE(rec->boxes[0].text, QStringLiteral("File saved successfully!"));
        rec->boxes.clear();
        rec->events.clear();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        // Files are read and written as UTF-8, whatever the locale.
        pw::setCodePage("UTF-8");
        // The web engine's helper processes start here, in the test's own
        // folder, so that none holds a case's mount busy, in any order.
        Recorder quiet;
        textedit& w = textedit::instance();
        QSignalSpy loaded(w.WebBrowser1, &pw::WebView::loadFinished);
        QVERIFY(pressCtrl(w, 'R'));
        QVERIFY2(loaded.wait(LoadTimeout) || !loaded.isEmpty(), "the web engine showed no page");
        unloadAllWindows();
    }
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
        // A mount that its case could not undo is detached now, so that
        // nothing of it outlives the test.
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        if (mounts.open(QIODevice::ReadOnly))
            for (const QByteArray& line : mounts.readAll().split('\n')) {
                const QString where = QString::fromLocal8Bit(line.split(' ').value(1));
                if (where.startsWith(dir.path() + u'/'))
                    succeeds("umount", {"-l", where});
            }
        // Each case starts in an empty folder, which is the current one.
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        QDir::setCurrent(dir.path());
    }
    void cleanupTestCase() {
        // A mount or lock that a failing case could not undo would keep the
        // temporary folder; try once more.
        if (isRoot())
            succeeds("chattr", {"-R", "-i", dir.path()});
    }

    void binaryFile() {
        QByteArray bytes(256 * 1024, Qt::Uninitialized);
        QRandomGenerator random(7);
        for (char& b : bytes)
            b = char(random.bounded(256));
        QVERIFY(writeAll(path("blob.bin"), bytes));
        textedit& w = textedit::instance();
        openThroughDialog(dir.path(), QStringLiteral("blob.bin"));
        EXPECT_NO_MESSAGE();
        QVERIFY(!openfile::loadedInstance());
        // Every byte comes back, by the line rule, through Save As and
        // through the preview file.
        saveThroughDialog(dir.path(), QStringLiteral("copy"), QStringLiteral(".bin"));
        expectSaved();
        QVERIFY(readAll(path("copy.bin")) == lineRule(bytes) + "\r\n");
        QSignalSpy loaded(w.WebBrowser1, &pw::WebView::loadFinished);
        QVERIFY(pressCtrl(w, 'R'));
        EXPECT_NO_MESSAGE();
        QVERIFY(readAll(path("view.html")) == lineRule(bytes) + "\r\n");
        QVERIFY2(loaded.wait(LoadTimeout) || !loaded.isEmpty(), "the page never finished");
        // The program goes on: typing works.
        w.Text1->moveCursorToStart();
        QTest::keyClicks(w.Text1, QStringLiteral("ok"));
        QVERIFY(w.Text1->Text().startsWith(QStringLiteral("ok")));
        QCOMPARE(readAll(path("blob.bin")), bytes);
    }

    void emptyFile() {
        QVERIFY(writeAll(path("empty.txt"), QByteArray()));
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("replaced"));
        openThroughDialog(dir.path(), QStringLiteral("empty.txt"));
        EXPECT_NO_MESSAGE();
        QCOMPARE(w.Text1->Text(), QString());
        saveThroughDialog(dir.path(), QStringLiteral("empty"), QStringLiteral(".txt"));
        expectSaved();
        QCOMPARE(readAll(path("empty.txt")), QByteArray("\r\n"));
    }

    void oneTenMegabyteLine() {
        QByteArray line;
        line.reserve(10 * 1024 * 1024);
        while (line.size() < 10 * 1024 * 1024)
            line += "<b>one</b> long line without a break, ";
        line.truncate(10 * 1024 * 1024);
        QVERIFY(writeAll(path("line.html"), line));
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QElapsedTimer t;
        t.start();
        openThroughDialog(dir.path(), QStringLiteral("line.html"));
        EXPECT_NO_MESSAGE();
        QCOMPARE(w.Text1->Text().size(), line.size() + 2);
        // Laid out and shown, the end reached, a character typed there.
        w.Text1->moveCursorToEnd();
        QCoreApplication::processEvents();
        w.repaint();
        QTest::keyClicks(w.Text1, QStringLiteral("!"));
        qInfo("opened, shown and edited in %lld ms", t.elapsed());
        saveThroughDialog(dir.path(), QStringLiteral("line"), QStringLiteral(".html"));
        expectSaved();
        QVERIFY(readAll(path("line.html")) == line + "\r\n!\r\n");
    }

    void twoHundredMegabyteFile() {
#if defined(PW_SANITIZED)
        const qint64 size = 20 * 1024 * 1024; // the sanitizers multiply time and memory
#else
        const qint64 size = 200 * 1024 * 1024;
#endif
        const qint64 memory = availableMemory();
        if (memory >= 0 && memory < 15 * size)
            QSKIP(qPrintable(QStringLiteral("needs %1 MB of free memory, the system has %2 MB")
                                 .arg(15 * size >> 20)
                                 .arg(memory >> 20)));
        // Whole lines, each ending in CR LF, so that Open adds nothing.
        const QByteArray line("<p>A line of a large file, with a number: 0123456789.</p>\r\n");
        const QByteArray block = line.repeated(16 * 1024);
        const qint64 total = size / line.size() * line.size();
        QCryptographicHash expected(QCryptographicHash::Sha256);
        {
            QFile f(path("huge.txt"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            for (qint64 done = 0; done < total; done += block.size()) {
                const QByteArray piece = block.left(qMin<qint64>(block.size(), total - done));
                QCOMPARE(f.write(piece), piece.size());
                expected.addData(piece);
            }
        }
        expected.addData(QByteArrayView("\r\n")); // the line break Save As adds
        textedit& w = textedit::instance();
        QElapsedTimer t;
        t.start();
        openThroughDialog(dir.path(), QStringLiteral("huge.txt"));
        EXPECT_NO_MESSAGE();
        const qint64 opened = t.restart();
        QCOMPARE(qint64(w.Text1->Text().size()), total);
        saveThroughDialog(dir.path(), QStringLiteral("huge-copy"), QStringLiteral(".txt"));
        expectSaved();
        qInfo("%lld MB opened in %lld ms, saved in %lld ms", size >> 20, opened, t.elapsed());
        QFile copy(path("huge-copy.txt"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCryptographicHash got(QCryptographicHash::Sha256);
        QVERIFY(got.addData(&copy));
        QCOMPARE(copy.size(), total + 2);
        QCOMPARE(got.result(), expected.result());
        w.Text1->setText(QString());
    }

    void fullDiskDuringSaveAs() {
        const QString where = path("disk");
        const auto disk = Mount::tmpfs(where, QStringLiteral("size=256k"));
        if (!disk->mounted())
            QSKIP("mounting a small tmpfs is not allowed here (needs root)");
        QVERIFY(writeAll(where + "/keep.txt", QByteArray(100 * 1024, 'k')));
        const auto before = snapshot(where);
        textedit& w = textedit::instance();
        const QString big(300 * 1024, QLatin1Char('n'));
        w.Text1->setText(big);

        // A new file that does not fit: nothing of it is left behind.
        saveThroughDialog(where, QStringLiteral("new"), QStringLiteral(".txt"));
        EXPECT_ONE_FAILURE(QDir::toNativeSeparators(where + "/new.txt"));
        QCOMPARE(snapshot(where), before);
        QVERIFY(savefile::loadedInstance());
        QVERIFY(w.Text1->Text() == big);

        // Not one byte free: a short text cannot go either.
        {
            QFile filler(where + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, 'f');
            while (filler.write(block) == block.size()) {
            }
        }
        const auto full = snapshot(where);
        w.Text1->setText(QStringLiteral("short"));
        savefile::instance().Command1->click();
        EXPECT_ONE_FAILURE(QStringLiteral("new.txt"));
        QCOMPARE(snapshot(where), full);

        // Room again: the dialog that stayed open saves.
        QVERIFY(QFile::remove(where + "/filler"));
        savefile::instance().Command1->click();
        expectSaved();
        QCOMPARE(readAll(where + "/new.txt"), QByteArray("short\r\n"));
        QCOMPARE(readAll(where + "/keep.txt"), QByteArray(100 * 1024, 'k'));

        // A file replaced by a text that does not fit beside it stays whole;
        // one that fits replaces it, and the file keeps its permissions.
        const QFile::Permissions mode =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(where + "/keep.txt", mode));
        const auto kept = snapshot(where);
        w.Text1->setText(big);
        saveThroughDialog(where, QStringLiteral("keep"), QStringLiteral(".txt"));
        EXPECT_ONE_FAILURE(QStringLiteral("keep.txt"));
        QCOMPARE(snapshot(where), kept);
        w.Text1->setText(QString(50 * 1024, QLatin1Char('n')));
        savefile::instance().Command1->click();
        expectSaved();
        QCOMPARE(readAll(where + "/keep.txt"), QByteArray(50 * 1024, 'n') + "\r\n");
        QCOMPARE(QFileInfo(where + "/keep.txt").permissions() & QFile::Permissions(0x7077), mode);
    }

    void noFreeFileEntries() {
        // Room for bytes but for no new file: a file is replaced through a
        // new one, so even a shorter text cannot replace it; the old one stays.
        const QString where = path("inodes");
        const auto disk = Mount::tmpfs(where, QStringLiteral("size=1m,nr_inodes=2"));
        if (!disk->mounted())
            QSKIP("mounting a small tmpfs is not allowed here (needs root)");
        QVERIFY(writeAll(where + "/doc.txt", "the original, longer text\r\n"));
        QVERIFY(!writeAll(where + "/probe", "x")); // really no entry left
        const auto before = snapshot(where);
        textedit::instance().Text1->setText(QStringLiteral("short"));
        saveThroughDialog(where, QStringLiteral("doc"), QStringLiteral(".txt"));
        EXPECT_ONE_FAILURE(QStringLiteral("doc.txt"));
        QCOMPARE(snapshot(where), before);
    }

    void fullDiskDuringPreview() {
        const QString where = path("disk");
        const auto disk = Mount::tmpfs(where, QStringLiteral("size=128k"));
        if (!disk->mounted())
            QSKIP("mounting a small tmpfs is not allowed here (needs root)");
        QVERIFY(writeAll(where + "/view.html", "<p>old</p>\r\n"));
        const auto before = snapshot(where);
        const CurrentFolder here(where); // the preview file goes to the disk
        QVERIFY(here.ok());
        textedit& w = textedit::instance();
        w.Text1->setText(QString(200 * 1024, QLatin1Char('x')));
        QVERIFY(pressCtrl(w, 'V'));
        QVERIFY(pressCtrl(w, 'S'));
        QVERIFY(pressCtrl(w, 'R'));
        QCOMPARE(rec->boxes.size(), size_t(3));
        for (const RecordedBox& b : rec->boxes) {
            QCOMPARE(b.style, int(pw::MsgBoxCritical));
            QVERIFY2(b.text.contains(QStringLiteral("view.html")), qPrintable(b.text));
        }
        rec->boxes.clear();
        // Each command stopped where the file failed: the old file is whole,
        // nothing was shown or navigated.
        QCOMPARE(snapshot(where), before);
        QVERIFY(!viewhtml::loadedInstance());
        QCOMPARE(w.Text1->Height(), 8295);
        QVERIFY(!w.WebBrowser1->Visible() && !w.Shape1->Visible());

        // A text that fits is written and shown.
        w.Text1->setText(QStringLiteral("<p>new</p>"));
        QSignalSpy loaded(w.WebBrowser1, &pw::WebView::loadFinished);
        QVERIFY(pressCtrl(w, 'S'));
        EXPECT_NO_MESSAGE();
        QCOMPARE(readAll(where + "/view.html"), QByteArray("<p>new</p>\r\n"));
        QCOMPARE(w.Text1->Height(), 2295);
        QVERIFY(loaded.wait(LoadTimeout) || !loaded.isEmpty());
        unloadAllWindows();
    }

    void readOnlyFile() {
        QVERIFY(writeAll(path("locked.txt"), "line one\r\nline two"));
        const ReadOnlyFile lock(path("locked.txt"));
        if (lock.kind() == ReadOnlyFile::None)
            QSKIP("the file could not be made read-only here");
        const auto before = snapshot(dir.path());
        textedit& w = textedit::instance();

        // Reading is not writing.
        openThroughDialog(dir.path(), QStringLiteral("locked.txt"));
        EXPECT_NO_MESSAGE();
        QCOMPARE(w.Text1->Text(), QStringLiteral("line one\r\nline two\r\n"));

        // Saving onto it is refused and says why.
        w.Text1->setText(QStringLiteral("replacement"));
        saveThroughDialog(dir.path(), QStringLiteral("locked"), QStringLiteral(".txt"));
        EXPECT_ONE_FAILURE(native("locked.txt"), QStringLiteral("read-only"));
        savefile::instance().Command2->click();
        QCOMPARE(snapshot(dir.path()), before);

        // Deleting it is refused where the system refuses it.
        if (lock.undeletable()) {
            QVERIFY(deleteThroughDialog(dir.path(), QStringLiteral("locked.txt")));
            EXPECT_ONE_FAILURE(native("locked.txt"));
            QCOMPARE(snapshot(dir.path()), before);
        }

        // A read-only preview file stops the preview; the file stays.
        QVERIFY(writeAll(path("view.html"), "<p>old</p>\r\n"));
        const ReadOnlyFile viewLock(path("view.html"));
        const auto withView = snapshot(dir.path());
        QVERIFY(pressCtrl(w, 'S'));
        EXPECT_ONE_FAILURE(native("view.html"));
        QCOMPARE(snapshot(dir.path()), withView);
        QVERIFY(!w.WebBrowser1->Visible());
        QCOMPARE(w.Text1->Text(), QStringLiteral("replacement"));
    }

    void readOnlyFolder() {
        const QString shelf = path("shelf");
        QVERIFY(QDir().mkpath(shelf));
        QVERIFY(writeAll(shelf + "/book.txt", "kept\r\n"));
        const auto ro = Mount::readOnly(shelf);
        if (!ro->mounted())
            QSKIP("a read-only bind mount is not allowed here (needs root)");
        const auto before = snapshot(shelf);
        const QString book = QDir::toNativeSeparators(shelf + "/book.txt");
        {
            textedit& w = textedit::instance();
            openThroughDialog(shelf, QStringLiteral("book.txt"));
            EXPECT_NO_MESSAGE();
            QCOMPARE(w.Text1->Text(), QStringLiteral("kept\r\n"));

            w.Text1->setText(QStringLiteral("changed"));
            saveThroughDialog(shelf, QStringLiteral("new"), QStringLiteral(".txt"));
            EXPECT_ONE_FAILURE(QDir::toNativeSeparators(shelf + "/new.txt"));
            saveThroughDialog(shelf, QStringLiteral("book"), QStringLiteral(".txt"));
            EXPECT_ONE_FAILURE(book, QStringLiteral("read-only"));
            QVERIFY(deleteThroughDialog(shelf, QStringLiteral("book.txt")));
            EXPECT_ONE_FAILURE(book);
            QCOMPARE(snapshot(shelf), before);
            unloadAllWindows();
        }
        // Started in the read-only folder, the preview cannot be written.
        const CurrentFolder here(shelf);
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>x</p>"));
        QVERIFY(pressCtrl(w, 'V'));
        EXPECT_ONE_FAILURE(QStringLiteral("view.html"));
        QVERIFY(!viewhtml::loadedInstance());
        QCOMPARE(snapshot(shelf), before);
        unloadAllWindows();
    }

    void filesThatChangeAfterListing() {
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
            QVERIFY(writeAll(path(name), name));
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("precious"));
        openfile& o = openDialog();
        o.Dir1->setPath(dir.path());

        // Deleted after it was listed and clicked.
        o.File1->setListIndex(rowOf(o.File1, "a.txt"));
        QCOMPARE(o.Text1->Text(), QStringLiteral("a.txt"));
        QVERIFY(QFile::remove(path("a.txt")));
        o.Command1->click();
        EXPECT_ONE_FAILURE(native("a.txt"), QStringLiteral("does not exist"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("precious"));
        QVERIFY(openfile::loadedInstance());

        // Replaced by a folder, or by a pipe, which would never end.
        o.File1->setListIndex(rowOf(o.File1, "b.txt"));
        QVERIFY(QFile::remove(path("b.txt")) && QDir().mkdir(path("b.txt")));
        o.Command1->click();
        EXPECT_ONE_FAILURE(native("b.txt"), QStringLiteral("folder"));
        o.File1->setListIndex(rowOf(o.File1, "c.txt"));
        QVERIFY(QFile::remove(path("c.txt")));
        QVERIFY2(succeeds("mkfifo", {path("c.txt")}), "mkfifo (coreutils) could not make a pipe");
        o.Command1->click();
        EXPECT_ONE_FAILURE(native("c.txt"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("precious"));
        o.Command2->click();
        QVERIFY(!openfile::loadedInstance());

        // The Delete dialog: the file selected went away, or became a folder,
        // which is never deleted.
        delfile& d = deleteDialog();
        d.Dir1->setPath(dir.path());
        d.File1->setListIndex(rowOf(d.File1, "d.txt"));
        QVERIFY(QFile::remove(path("d.txt")));
        d.Command1->click();
        EXPECT_ONE_FAILURE(native("d.txt"), QStringLiteral("does not exist"));
        QVERIFY(writeAll(path("b.txt/inside"), "inside"));
        d.File1->setListIndex(rowOf(d.File1, "e.txt"));
        QVERIFY(QFile::remove(path("e.txt")) && QDir().rename(path("b.txt"), path("e.txt")));
        d.Command1->click();
        EXPECT_ONE_FAILURE(native("e.txt"), QStringLiteral("folder"));
        QCOMPARE(readAll(path("e.txt/inside")), QByteArray("inside"));
        QVERIFY(delfile::loadedInstance());
        QCOMPARE(w.Text1->Text(), QStringLiteral("precious"));
    }

    void foldersThatGoAway() {
        const QString sub = path("sub");
        QVERIFY(QDir().mkpath(sub + "/inner"));
        QVERIFY(writeAll(sub + "/x.txt", "x"));
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("precious"));

        // The folder the Open dialog shows is removed.
        openfile& o = openDialog();
        o.Dir1->setPath(sub);
        o.File1->setListIndex(rowOf(o.File1, "x.txt"));
        QVERIFY(QDir(sub).removeRecursively());
        o.Command1->click();
        EXPECT_ONE_FAILURE(QDir::toNativeSeparators(sub + "/x.txt"));
        // Its subfolder, still listed, cannot be opened; the folder above can.
        o.Dir1->setCurrentRow(rowOf(o.Dir1, sub + "/inner"));
        QTest::keyClick(o.Dir1, Qt::Key_Return);
        EXPECT_ONE_FAILURE(QDir::toNativeSeparators(sub + "/inner"));
        o.Dir1->setCurrentRow(rowOf(o.Dir1, dir.path()));
        QTest::keyClick(o.Dir1, Qt::Key_Return);
        EXPECT_NO_MESSAGE();
        QCOMPARE(o.Dir1->Path(), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(o.File1->Path(), o.Dir1->Path());
        o.Command2->click();

        // The folder the Save As dialog shows is removed: nothing is made
        // in its place.
        QVERIFY(QDir().mkpath(sub));
        savefile& s = saveDialog();
        s.Dir1->setPath(sub);
        QVERIFY(QDir(sub).removeRecursively());
        s.Text1->setText(QStringLiteral("n"));
        s.Combo1->setText(QStringLiteral(".txt"));
        s.Command1->click();
        EXPECT_ONE_FAILURE(QDir::toNativeSeparators(sub + "/n.txt"),
                           QStringLiteral("folder it goes in does not exist"));
        QVERIFY(!QFileInfo::exists(sub));
        QCOMPARE(w.Text1->Text(), QStringLiteral("precious"));
    }

    void aDriveUnpluggedWhileTheDialogsShowIt() {
        const QString stick = path("stick");
        const auto mount = Mount::tmpfs(stick, QStringLiteral("size=64k"));
        if (!mount->mounted())
            QSKIP("mounting a tmpfs is not allowed here (needs root)");
        QVERIFY(QDir().mkpath(stick + "/docs"));
        QVERIFY(writeAll(stick + "/docs/s.txt", "on the stick"));
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("precious"));

        openfile& o = openDialog();
        o.Drive1->Refresh();
        o.Drive1->setDrive(stick);
        EXPECT_NO_MESSAGE();
        QCOMPARE(o.Dir1->Path(), QDir::toNativeSeparators(stick)); // its root: cwd is elsewhere
        o.Dir1->setPath(stick + "/docs");
        o.File1->setListIndex(rowOf(o.File1, "s.txt"));
        delfile& d = deleteDialog();
        d.Dir1->setPath(stick + "/docs");
        d.File1->setListIndex(rowOf(d.File1, "s.txt"));
        savefile& s = saveDialog();
        s.Dir1->setPath(stick + "/docs");
        s.Text1->setText(QStringLiteral("saved"));

        mount->unmount();
        if (mount->mounted())
            QSKIP("the tmpfs could not be unmounted");
        const QString gone = QDir::toNativeSeparators(stick + "/docs/");
        o.Command1->click();
        EXPECT_ONE_FAILURE(gone + "s.txt");
        d.Command1->click();
        EXPECT_ONE_FAILURE(gone + "s.txt");
        s.Command1->click();
        EXPECT_ONE_FAILURE(gone + "saved");
        // Choosing the drive again says it is not ready; the other drives
        // still work.
        pw::dispatch("Drive1_Change", [&] { o.Drive1_Change(); });
        EXPECT_ONE_FAILURE(QStringLiteral("not ready"));
        o.Drive1->setDrive(pw::DriveList::driveOf(dir.path()).root());
        EXPECT_NO_MESSAGE();
        QCOMPARE(o.Dir1->Path(), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(w.Text1->Text(), QStringLiteral("precious"));
        QCOMPARE(QDir(stick).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    void theStartFolderGoesAway() {
        const QString start = path("start");
        QVERIFY(QDir().mkpath(start));
        const CurrentFolder here(start);
        QVERIFY(here.ok());
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>x</p>"));
        QVERIFY(QDir(start).removeRecursively());

        QVERIFY(pressCtrl(w, 'S'));
        EXPECT_ONE_FAILURE(QStringLiteral("view.html"),
                           QStringLiteral("current folder no longer exists"));
        QCOMPARE(w.Text1->Height(), 8295);
        // The dialogs still open on a folder that exists, and save there.
        w.sav->action()->trigger();
        EXPECT_NO_MESSAGE();
        savefile& s = savefile::instance();
        QVERIFY(QFileInfo(s.Dir1->Path()).isDir());
        saveThroughDialog(dir.path(), QStringLiteral("rescued"), QStringLiteral(".html"));
        expectSaved();
        QCOMPARE(readAll(path("rescued.html")), QByteArray("<p>x</p>\r\n"));
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
