// The packaged files of the Calculator command and the Help and Donate menus,
// and what opening them leaves behind.

#include "editor/textedit.h"
#include "embedded/packages.h"
#include "pagewick_website.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/failure.h"
#include "platform/files/olecontainer.h"
#include "support/recorder.h"

#include <QRegularExpression>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes, bool program = false) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
           (!program || file.setPermissions(file.permissions() | QFile::ExeOwner));
}

// Puts back the search path and the current folder, also after a failure.
struct ProcessState {
    QByteArray path = qgetenv("PATH");
    QString current = QDir::currentPath();
    ~ProcessState() {
        qputenv("PATH", path);
        QDir::setCurrent(current);
    }
};

} // namespace

class EmbeddedTest : public QObject {
    Q_OBJECT
    Recorder* rec = nullptr;
    QTemporaryDir* packages = nullptr;

private slots:
    void init() {
        rec = new Recorder;
        packages = new QTemporaryDir;
        pw::OleContainer::setPackageFolder(packages->path());
    }
    void cleanup() {
        unloadAllWindows();
        pw::OleContainer::setPackageFolder({});
        delete packages;
        delete rec;
    }

    void packagesHoldTheirBytes() {
        textedit& w = textedit::instance();
        const QByteArray site = PAGEWICK_WEB_SITE;
        QVERIFY(site.startsWith("http") && !site.endsWith('/'));
        for (const auto& [ole, page] : {std::pair{w.OLE2, "donate1"},
                                        {w.OLE3, "donate2"},
                                        {w.OLE4, "donate5"},
                                        {w.OLE5, "contact"}}) {
            // A page that sends the browser on at once to the same page of
            // the web site.
            QCOMPARE(ole->label(), QString::fromLatin1(page) + QStringLiteral(".html"));
            const QString html = QString::fromLatin1(ole->bytes());
            QVERIFY2(html.startsWith("<html>\r\n") && html.endsWith("</html>") &&
                         html.count('\n') == html.count("\r\n"),
                     qPrintable(html));
            const auto refresh =
                QRegularExpression(
                    QStringLiteral(
                        "<head>\\s*<meta HTTP-EQUIV=\"REFRESH\" content=\"0; url=([^\"]+)\">"))
                    .match(html);
            QVERIFY2(refresh.hasMatch(), qPrintable(html));
            QCOMPARE(refresh.captured(1), QString::fromLatin1(site + '/' + page + ".html"));
        }

        QCOMPARE(w.OLE6->label(), QStringLiteral("Readme.txt"));
        const QByteArray readme = w.OLE6->bytes();
        QVERIFY(readme.startsWith("Readme.txt\r\n\r\n") && readme.endsWith("\r\n"));
        QVERIFY(!readme.contains("\n\n") && readme.count('\n') == readme.count("\r\n"));
        for (const QByteArray& line : readme.split('\n'))
            QVERIFY2(line.size() <= 78 && line.indexOf('\r') >= line.size() - 1, line.data());
        qsizetype at = 0;
        for (const char* point :
             {"Pagewick Portable v1.0", "no installation", "USB flash drive", "shortcut",
              "Functions & Shortcuts", "Ctrl+V", "Ctrl+S", "Ctrl+R", "Calculator", "Contact Us"}) {
            QVERIFY2(readme.indexOf(point, at) > at, point);
            at = readme.indexOf(point, at);
        }
    }

    void commandsOpenTheirPackagesAgainAndAgain() {
        textedit& w = textedit::instance();
        for (const auto& [menu, ole] : {std::pair{w.contactus, w.OLE5},
                                        {w.dola, w.OLE2},
                                        {w.twodol, w.OLE3},
                                        {w.fivedol, w.OLE4},
                                        {w.redme, w.OLE6}}) {
            rec->events.clear();
            menu->action()->trigger();
            const QString path = packages->filePath(ole->label());
            QCOMPARE(rec->events, QStringList{QStringLiteral("open ") + path});
            QCOMPARE(readAll(path), ole->bytes());
        }
        // An unchanged copy is left alone (a viewer may hold it open); a
        // changed one is put back as packaged.
        const QString readme = packages->filePath(QStringLiteral("Readme.txt"));
        const QDateTime old = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
        {
            QFile copy(readme);
            QVERIFY(copy.open(QIODevice::ReadWrite) &&
                    copy.setFileTime(old, QFileDevice::FileModificationTime));
        }
        w.redme->action()->trigger();
        QCOMPARE(QFileInfo(readme).lastModified().toUTC(), old);
        QVERIFY(writeAll(readme, "changed"));
        w.redme->action()->trigger();
        QCOMPARE(readAll(readme), w.OLE6->bytes());
        QCOMPARE(rec->events.count(QStringLiteral("open ") + readme), 3);
        QVERIFY(rec->boxes.empty());
    }

    void failuresSayWhatFailedOnce() {
        textedit& w = textedit::instance();
        rec->openSucceeds = false;
        w.contactus->action()->trigger();
        QCOMPARE(rec->boxes.size(), size_t(1));
        QVERIFY(rec->boxes[0].text.contains(QLatin1String("contact.html")));
        QVERIFY(rec->boxes[0].text.contains(QLatin1String("no program for this type")));

        // The folder for opened packages cannot be made: a file is in its way.
        rec->openSucceeds = true;
        rec->events.clear();
        const QString blocker = packages->filePath(QStringLiteral("blocker"));
        QVERIFY(writeAll(blocker, "x"));
        pw::OleContainer::setPackageFolder(blocker + QStringLiteral("/packages"));
        w.dola->action()->trigger();
        QCOMPARE(rec->events, QStringList{QStringLiteral("msgbox")});
        QVERIFY(rec->boxes[1].text.contains(QLatin1String("donate1.html")));
        QVERIFY(rec->boxes[1].text.contains(QDir::toNativeSeparators(blocker)));
    }

#ifndef Q_OS_WIN
    void calculatorStartsTheFirstInstalledOne() {
        ProcessState restore;
        QTemporaryDir bin;
        qputenv("PATH", QFile::encodeName(bin.path()));
        textedit& w = textedit::instance();
        QCOMPARE(w.OLE1->label(), QStringLiteral("Calc.exe"));
        w.wcw->action()->trigger();
        QCOMPARE(rec->events, QStringList{QStringLiteral("msgbox")});
        for (const QString& program : calculatorPrograms())
            QVERIFY2(rec->boxes[0].text.contains(program), qPrintable(rec->boxes[0].text));

        const QStringList all = calculatorPrograms();
        QVERIFY(writeAll(bin.filePath(all.last()), "#!/bin/sh\n", true));
        QVERIFY(writeAll(bin.filePath(all[1]), "#!/bin/sh\n", true));
        rec->events.clear();
        w.wcw->action()->trigger();
        w.wcw->action()->trigger();
        const QString start = QStringLiteral("start ") + bin.filePath(all[1]) + u' ';
        QCOMPARE(rec->events, (QStringList{start, start}));
    }
#endif

#ifndef Q_OS_WIN
    void packagesGoWhereTheXdgRulesSay() {
        const QByteArray home = qgetenv("HOME"), cache = qgetenv("XDG_CACHE_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", home);
            qputenv("XDG_CACHE_HOME", cache);
        });
        pw::OleContainer::setPackageFolder({});
        const QString app = QCoreApplication::applicationName();
        qputenv("HOME", "/home/someone");
        qputenv("XDG_CACHE_HOME", "/var/cache/someone");
        QCOMPARE(pw::OleContainer::packageFolder(), "/var/cache/someone/" + app + "/packages");
        qputenv("XDG_CACHE_HOME", "relative/cache"); // ignored, as the rules say
        QCOMPARE(pw::OleContainer::packageFolder(), "/home/someone/.cache/" + app + "/packages");
        // No home in the environment: the user's own entry says where it is.
        qputenv("HOME", "");
        qunsetenv("XDG_CACHE_HOME");
        const passwd* user = ::getpwuid(::getuid());
        QVERIFY(user && user->pw_dir);
        const QString entry = QFile::decodeName(user->pw_dir);
        if (!entry.startsWith('/') || entry == "/")
            QSKIP("the user's entry in the password database names no home folder of its own");
        QCOMPARE(pw::OleContainer::packageFolder(), entry + "/.cache/" + app + "/packages");
    }

    void theDesktopSaysWhenItCannotTakeADocument() {
        ProcessState restore;
        pw::setServices(nullptr); // the real desktop, through xdg-open
        QTemporaryDir bin;
        qputenv("PATH", QFile::encodeName(bin.path()));
        const QString doc = packages->filePath(QStringLiteral("doc.txt"));
        QVERIFY(writeAll(doc, "x"));
        QString reason;
        QVERIFY(!pw::services().openDocument(doc, &reason));
        QVERIFY2(reason.contains("xdg-open") && reason.contains("not installed"),
                 qPrintable(reason));

        const QString opener = bin.filePath(QStringLiteral("xdg-open"));
        QVERIFY(writeAll(opener, "#!/bin/sh\necho 'no method available' >&2\nexit 4\n", true));
        reason.clear();
        QVERIFY(!pw::services().openDocument(doc, &reason));
        QVERIFY2(reason.contains("exit code 4") && reason.contains("no method available"),
                 qPrintable(reason));

        // Through the container, the failure is the command's one message.
        pw::OleContainer ole(nullptr);
        ole.setPackage(QStringLiteral("Readme.txt"), "Readme.txt\r\n");
        QVERIFY_THROWS_EXCEPTION(pw::OperationError, ole.DoVerb());

        QVERIFY(writeAll(opener,
                         "#!/bin/sh\n[ \"$1\" = 'file://" +
                             QUrl::fromLocalFile(doc).path().toUtf8() + "' ] && exit 0\nexit 2\n",
                         true));
        QVERIFY(pw::services().openDocument(doc, &reason));
        pw::setServices(rec);
    }
#endif

    void aboutAndTheOthersLeaveTheEditorAsItWas() {
        ProcessState restore;
        QTemporaryDir current;
        QVERIFY(QDir::setCurrent(current.path()));
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>kept</p>\r\nas it is"));
        const auto format = [&w] {
            return QStringList{w.CurrentFontName, w.CurrentBold, w.CurrentFontSize,
                               w.CurrentForeColor, w.Text1->font().toString()};
        };
        const QStringList before = format();
        const QRect geometry = w.geometry();
        rec->events.clear();

        w.about->action()->trigger();
        QCOMPARE(rec->events, (QStringList{"beep", "msgbox"}));
        QCOMPARE(rec->boxes[0].text, QString());
        QCOMPARE(rec->boxes[0].style, pw::MsgBoxInformation);
        QCOMPARE(rec->boxes[0].title, QStringLiteral("About"));

        for (pw::Menu* menu : {w.wcw, w.redme, w.contactus, w.dola, w.twodol, w.fivedol})
            menu->action()->trigger();
        QCOMPARE(w.Text1->Text(), QStringLiteral("<p>kept</p>\r\nas it is"));
        QCOMPARE(format(), before);
        QCOMPARE(w.Text1->Height(), 8295);
        QCOMPARE(w.geometry(), geometry);
        QCOMPARE(w.WindowState(), int(pw::vbNormal));
        // Nothing was written beside the user's files.
        QVERIFY(QDir(current.path()).isEmpty());
    }
};

QTEST_MAIN(EmbeddedTest)
#include "tst_embedded.moc"
