// What a previewed page may and may not do: it shows as a local file shows in
// a browser, with its own stylesheets, scripts, fonts, images and frames (also
// those beside the document the text came from), but no script of it, of a
// frame in it or of a web page it goes to reads a byte or a pixel of the
// user's files, and its dialogs and leave questions never stop the editor.

#include "dialogs/openfile.h"
#include "editor/textedit.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/files/seqfile.h"
#include "platform/webview/pagefiles.h"
#include "platform/webview/webview.h"
#include "support/lists.h"
#include "support/recorder.h"
#include "support/testfiles.h"
#include "support/webpage.h"

#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <thread>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// Stands for the web: a server on 127.0.0.1 that answers each request with
// the page it was given for the path (an empty one for any other path) and
// keeps every request that reaches it. It ends with the test.
class Web : public QTcpServer {
public:
    Web() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray head = s->readAll();
                    received += head;
                    const QByteArray target = head.split(' ').value(1);
                    const QByteArray body = pages.value(target.split('?').value(0));
                    s->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QLatin1String(path));
    }
    // What a page sent to path, decoded; empty until it arrives.
    QString sent(const char* path) const {
        const QByteArray start = QByteArray("GET ") + path + '?';
        const qsizetype at = received.indexOf(start);
        if (at < 0)
            return {};
        const qsizetype from = at + start.size();
        return QUrl::fromPercentEncoding(received.mid(from, received.indexOf(' ', from) - from));
    }
    QMap<QByteArray, QByteArray> pages;
    QByteArray received;
};

// One of the pages of tests/pages.
QByteArray page(const char* name) {
    return readAll(QStringLiteral(PW_TEST_PAGES "/") + QLatin1String(name));
}

// What the page left in its document under name, once it is there.
QString left(pw::WebView* view, const char* name) {
    const QString script =
        QStringLiteral("document.documentElement.dataset.%1 || ''").arg(QLatin1String(name));
    QString value;
    (void)QTest::qWaitFor(
        [&] {
            const auto v = evaluate(view, script);
            value = v ? v->toString() : QString();
            return !value.isEmpty();
        },
        PageLoadTimeout);
    return value;
}

} // namespace

class PageSafetyTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Recorder* rec = nullptr;

    QString at(const QString& name) const { return dir.filePath(name); }

    // Opens the page through the Open dialog and shows it in the split pane.
    [[nodiscard]] bool openAndSplit(const QString& file) {
        openfile& d = openfile::instance();
        d.Dir1->setPath(QFileInfo(file).absolutePath());
        d.Text1->setText(QFileInfo(file).fileName());
        d.Command1->click();
        return rec->boxes.empty() && pressCtrl(textedit::instance(), 'S');
    }

    bool typingReachesTheText(textedit& w) {
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        w.Text1->setFocus();
        const QString before = w.Text1->Text();
        QTest::keyClicks(w.Text1, QStringLiteral("typed"));
        return w.Text1->Text().size() == before.size() + 5;
    }

private slots:
    void initTestCase() {
        if (const QString missing = webEngineMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        QVERIFY(dir.isValid());
        for (const char* sub : {"start", "site", "site/sub", "private"})
            QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(sub)));
        QVERIFY(QDir::setCurrent(at("start")));
        QImage pic(8, 8, QImage::Format_RGB32);
        pic.fill(Qt::red);
        QVERIFY(pic.save(at("site/pic.png")) && pic.save(at("private/pic.png")));
        QVERIFY(writeAll(at("site/style.css"), "p { color: rgb(1, 2, 3); }"));
        QVERIFY(writeAll(at("site/app.js"), "document.documentElement.dataset.ran = 'app.js';"));
        QVERIFY(writeAll(at("site/settings.js"), "window.token = 'TOKEN-5678';"));
        QVERIFY(writeAll(at("private/key.txt"), "SECRET-KEY-1234"));
        QVERIFY(writeAll(at("private/outside.js"), "window.seen.push('outside');"));
        const QString font = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        QVERIFY2(QFile::copy(font, at("site/own.ttf")),
                 "the DejaVu fonts are missing (Debian package fonts-dejavu-core)");
    }
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
    }

    void aPageIsReadInTheCodePageOfTheFile() {
        QVERIFY(pw::setCodePage("ISO-8859-15"));
        auto back = qScopeGuard([] { pw::setCodePage({}); });
        textedit& w = textedit::instance();
        w.Text1->setText(QString::fromUtf8("<p>caf\u00e9 \u20ac</p>"));
        QVERIFY(pressCtrl(w, 'S'));
        QCOMPARE(readAll(at("start/view.html")), QByteArray("<p>caf\xe9 \xa4</p>\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QString::fromUtf8("caf\u00e9 \u20ac"),
                                  PageLoadTimeout);
    }

    // The folders are held open and each file opened below them in one step:
    // what lies outside, or leads outside, is never served.
    void onlyFilesBelowTheTwoFoldersAreServed_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("served");
        const QString d = dir.path();
        QTest::newRow("the page") << d + "/start/view.html" << QByteArray("<p>page</p>");
        QTest::newRow("missing beside the page: the document's")
            << d + "/start/style.css" << QByteArray("p { color: rgb(1, 2, 3); }");
        QTest::newRow("the document's folder") << d + "/site/app.js" << QByteArray("app.js");
        QTest::newRow("neither folder") << d + "/private/key.txt" << QByteArray();
        QTest::newRow("parent part") << d + "/site/../private/key.txt" << QByteArray();
        QTest::newRow("encoded twice (a name of its own)")
            << d + "/site/%2e%2e/private/key.txt" << QByteArray();
        QTest::newRow("backslashes") << d + "/site/..\\private\\key.txt" << QByteArray();
        QTest::newRow("a link out") << d + "/site/out.txt" << QByteArray();
        QTest::newRow("a folder linked out") << d + "/site/outdir/key.txt" << QByteArray();
        QTest::newRow("a link out, missing beside the page")
            << d + "/start/out.txt" << QByteArray();
        QTest::newRow("a folder") << d + "/site/sub" << QByteArray();
        QTest::newRow("a FIFO") << d + "/site/fifo" << QByteArray();
    }
    void onlyFilesBelowTheTwoFoldersAreServed() {
        QFETCH(QString, path);
        QFETCH(QByteArray, served);
        namespace fs = std::filesystem;
        std::error_code e;
        fs::create_symlink(at("private/key.txt").toStdString(), at("site/out.txt").toStdString(),
                           e);
        fs::create_directory_symlink(at("private").toStdString(), at("site/outdir").toStdString(),
                                     e);
#ifdef Q_OS_UNIX
        ::mkfifo(QFile::encodeName(at("site/fifo")).constData(), 0600);
#endif
        QVERIFY(writeAll(at("start/view.html"), "<p>page</p>"));
        PageFiles files;
        files.showPage(at("start/view.html"));
        files.setDocumentFolder(at("site"));
        QFile file;
        QByteArray type;
        const bool opened = files.open(QFile::encodeName(path), file, type);
        QCOMPARE(opened, !served.isEmpty());
        if (opened)
            QVERIFY2(file.readAll().contains(served), qPrintable(type));
    }

    void thePageShowsItsFilesButReadsNone() {
        Web web;
        QVERIFY(web.isListening());
        QVERIFY(writeAll(at("site/frame.html"), page("frame.html")));
        QString html = QString::fromUtf8(page("page.html"));
        html.replace(QStringLiteral("SECRET"),
                     QUrl::fromLocalFile(at("private/key.txt")).toString())
            .replace(QStringLiteral("FOLDER"), QUrl::fromLocalFile(at("private")).toString() + '/')
            .replace(QStringLiteral("FARPIC"),
                     QUrl::fromLocalFile(at("private/pic.png")).toString())
            .replace(QStringLiteral("WEBHOST"),
                     QStringLiteral("127.0.0.1:%1").arg(web.serverPort()))
            .replace(QStringLiteral("WEB"), web.url(""));
        QVERIFY(writeAll(at("site/page.html"), html.toUtf8()));

        QVERIFY(openAndSplit(at("site/page.html")));
        textedit& w = textedit::instance();
        // The page's ways out work: what it tried to read arrives, empty-handed.
        QTRY_VERIFY_WITH_TIMEOUT(!web.sent("/all").isEmpty(), PageLoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(web.received.contains("GET /ws?"), PageLoadTimeout);
        const QString got = web.sent("/all");
        for (const char* leak : {"SECRET", "key.txt", "color", "PNG", "pixels", "<img"})
            QVERIFY2(!got.contains(QLatin1String(leak)), qPrintable(got));
        for (const char* kept : {"tainted", "cors 0", "fonts 1", "fetch refused",
                                 "frame xhr refused", "frame tainted", "parent refused"})
            QVERIFY2(got.contains(QLatin1String(kept)), qPrintable(got));

        // It shows its own files, found beside the document; others it does not.
        QCOMPARE(left(w.WebBrowser1, "ran"), QStringLiteral("app.js"));
        const auto color = evaluate(
            w.WebBrowser1, QStringLiteral("getComputedStyle(document.getElementById('p')).color"));
        QVERIFY(color);
        QCOMPARE(color->toString(), QStringLiteral("rgb(1, 2, 3)"));
        for (const auto& [id, width] : {std::pair{"own", 8}, std::pair{"far", 0}}) {
            const auto shown =
                evaluate(w.WebBrowser1, QStringLiteral("document.getElementById('%1').naturalWidth")
                                            .arg(QLatin1String(id)));
            QVERIFY(shown);
            QCOMPARE(shown->toInt(), width);
        }

        // Another program on this machine that finds the server gets nothing.
        const auto href = evaluate(w.WebBrowser1, QStringLiteral("location.href"));
        QVERIFY(href);
        const QUrl url(href->toString());
        QTcpSocket other;
        other.connectToHost(QHostAddress::LocalHost, quint16(url.port()));
        QVERIFY(other.waitForConnected(5000));
        other.write("GET " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) +
                    " HTTP/1.1\r\nHost: " + url.authority().toLatin1() +
                    "\r\nx-pagewick-key: 00\r\nConnection: close\r\n\r\n");
        QByteArray answer;
        while (other.waitForReadyRead(5000))
            answer += other.readAll();
        QVERIFY2(answer.startsWith("HTTP/1.1 404"), answer.constData());
        QVERIFY(!answer.contains("Paragraph") && !answer.contains("<html>"));
    }

    // The preview goes to a web page (a link, or the page sending itself
    // there); that page and frames of every kind in it learn nothing of the
    // files the previewed page could show.
    void aWebPageAndItsFramesReachNoLocalFile() {
        Web web;
        QVERIFY(web.isListening());
        QVERIFY(writeAll(at("site/probe.html"),
                         "<script>parent.postMessage(location.href, '*')</script>"));
        QString nav = QString::fromUtf8(page("nav.html"));
        nav.replace(QStringLiteral("WEB"), web.url(""));
        QVERIFY(writeAll(at("site/nav.html"), nav.toUtf8()));
        web.pages["/evil.html"] = page("evil.html");

        QVERIFY(openAndSplit(at("site/nav.html")));
        QTRY_VERIFY2_WITH_TIMEOUT(!web.sent("/report").isEmpty(), web.received.constData(),
                                  PageLoadTimeout);
        const QString report = web.sent("/report");
        // The previewed page itself had its script; the web page had nothing.
        QVERIFY2(report.startsWith(QLatin1String("own yes|")), qPrintable(report));
        for (const char* leak : {"TOKEN", "pixels", "tainted", "loaded"})
            QVERIFY2(!report.contains(QLatin1String(leak)), qPrintable(report));
        QCOMPARE(report.count(QLatin1String("frame none")), 8);
        for (const char* refused : {"script0 error", "script1 error", "img0 error", "img1 error"})
            QVERIFY2(report.contains(QLatin1String(refused)), qPrintable(report));
        QVERIFY(!web.received.contains("TOKEN"));
    }

    // A file swapped again and again for a link to a file outside, while the
    // page loads it: what is run is always the file inside.
    void aFileSwappedForALinkIsNeverServedFromOutside() {
        namespace fs = std::filesystem;
        const fs::path folder = at("site").toStdString();
        std::atomic<bool> stop{false};
        std::atomic<int> swaps{0};
        std::thread swapper([&] {
            std::error_code e;
            while (!stop) {
                fs::create_symlink("../private/outside.js", folder / "race.link", e);
                fs::rename(folder / "race.link", folder / "race.js", e);
                std::FILE* f = std::fopen((folder / "race.new").c_str(), "wb");
                if (f) {
                    std::fputs("window.seen.push('inside');", f);
                    std::fclose(f);
                }
                fs::rename(folder / "race.new", folder / "race.js", e);
                ++swaps;
            }
        });
        auto join = qScopeGuard([&] {
            stop = true;
            swapper.join();
        });
        QVERIFY(writeAll(at("site/race.html"), page("race.html")));
        QVERIFY(openAndSplit(at("site/race.html")));
        const QString seen = left(textedit::instance().WebBrowser1, "seen");
        join.dismiss();
        stop = true;
        swapper.join();
        QVERIFY2(seen.endsWith(QLatin1String(" inside, 0 outside")), qPrintable(seen));
        QVERIFY2(!seen.startsWith(QLatin1String("0 ")), qPrintable(seen));
        QVERIFY(swaps > 10);
    }

    void aPageDialogsAndLoopsNeverHoldTheEditor() {
        textedit& w = textedit::instance();
        const QString pages[] = {
            QStringLiteral("<script>for (var i = 0; i < 40; ++i) alert('again ' + i);"
                           "document.title = 'after';</script><p>alerts</p>"),
            QStringLiteral("<script>window.answer = String(confirm('sure?')) + ' ' + "
                           "String(prompt('name?', 'x'));</script><p>questions</p>"),
            QStringLiteral("<script>window.onbeforeunload = function (e) { e.preventDefault();"
                           " e.returnValue = 'stay'; return 'stay'; };"
                           "addEventListener('beforeunload', function (e) { e.preventDefault(); });"
                           "</script><p>stay</p>"),
        };
        for (const QString& page : pages) {
            w.Text1->setText(page);
            QVERIFY(pressCtrl(w, 'S'));
            QTRY_VERIFY_WITH_TIMEOUT(!pageText(w.WebBrowser1).value_or(QString()).isEmpty(),
                                     PageLoadTimeout);
            // Give the page's handlers a user gesture to act on; the round
            // trip to the page after it shows the click was handled.
            QTest::mouseClick(w.WebBrowser1->focusProxy(), Qt::LeftButton);
            QVERIFY(evaluate(w.WebBrowser1, QStringLiteral("1")));
            QVERIFY(QApplication::activeModalWidget() == nullptr);
            QVERIFY(typingReachesTheText(w));
            w.Text1->setText(QStringLiteral("<p>next</p>"));
            QVERIFY(pressCtrl(w, 'R'));
            QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("next"),
                                      PageLoadTimeout);
        }

        QVERIFY(rec->boxes.empty());
    }

    void aPageWhoseScriptNeverEndsDoesNotHoldTheEditor() {
        textedit& w = textedit::instance();
        // A page whose script never ends: the editor goes on, and a refresh
        // shows the new text once the stuck renderer has been replaced.
        // The page starts its endless loop when told, once the test has seen
        // it shown (an event its own script listens for).
        w.Text1->setText(QStringLiteral("<p>busy</p><script>document.addEventListener('spin',"
                                        " function () { for (;;) {} });</script>"));
        QVERIFY(pressCtrl(w, 'S'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("busy"), PageLoadTimeout);
        w.WebBrowser1->runJavaScript(QStringLiteral("document.dispatchEvent(new Event('spin'))"));
        // Stuck: the page no longer answers.
        QTRY_VERIFY_WITH_TIMEOUT(!evaluate(w.WebBrowser1, QStringLiteral("1")), PageLoadTimeout);
        QVERIFY(typingReachesTheText(w));
        w.Text1->setText(QStringLiteral("<p>free</p>"));
        QVERIFY(pressCtrl(w, 'R'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("free"), PageLoadTimeout);
        QVERIFY(rec->boxes.empty());
    }
};

QTEST_MAIN(PageSafetyTest)
#include "tst_pagesafety.moc"
