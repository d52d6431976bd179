// The HTML preview with a real web engine: "view.html" and its bytes, the
// preview window, the split screen and its refresh, and what happens when the
// file cannot be written or the web view module cannot be loaded.

#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/controls/units.h"
#include "platform/webview/webview.h"
#include "support/lists.h"
#include "support/recorder.h"
#include "support/webpage.h"

#include <QApplication>
#include <QClipboard>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

namespace {

constexpr int LoadTimeout = PageLoadTimeout;

std::optional<QVariant> evaluate(pw::WebView* view, const char* script) {
    return evaluate(view, QString::fromLatin1(script));
}

QRect twipsRect(const QWidget* c) {
    return QRect(pw::leftTwips(c), pw::topTwips(c), pw::widthTwips(c), pw::heightTwips(c));
}

} // namespace

class PreviewTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Recorder* rec = nullptr;

    QString previewFile() const { return dir.filePath(QStringLiteral("view.html")); }
    QByteArray previewBytes() const {
        QFile f(previewFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void initTestCase() {
        if (const QString missing = webEngineMissing(); !missing.isEmpty())
            QSKIP(qPrintable(missing));
        // A window's hidden folder list takes the current folder when the
        // window is created: every window here lives in the temporary folder.
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
        pw::WebView::setModuleFile({});
        QFile::remove(previewFile());
        QDir(previewFile()).removeRecursively();
    }

    // Once loaded, the module stays: this case runs in a process of its own,
    // where no web view has loaded it yet.
    void withoutTheModuleOnlyTheWebViewsFail() {
        if (!qEnvironmentVariableIsSet("PW_PREVIEW_ALONE")) {
            QProcess alone;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("PW_PREVIEW_ALONE"), QStringLiteral("1"));
            alone.setProcessEnvironment(env);
            alone.setProcessChannelMode(QProcess::MergedChannels);
            alone.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(QTest::currentTestFunction())});
            QVERIFY(alone.waitForFinished(4 * LoadTimeout));
            QVERIFY2(alone.exitStatus() == QProcess::NormalExit && alone.exitCode() == 0,
                     alone.readAll().constData());
            return;
        }
        pw::WebView::setModuleFile(dir.filePath(QStringLiteral("nowhere/pw_webview")));
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>kept</p>"));
        QVERIFY(pressCtrl(w, 'S'));
        QCOMPARE(rec->boxes.size(), size_t(1));
        QVERIFY2(rec->boxes[0].text.contains(QStringLiteral("web view module")) &&
                     rec->boxes[0].text.contains(QStringLiteral("nowhere")),
                 qPrintable(rec->boxes[0].text));
        QCOMPARE(previewBytes(), QByteArray("<p>kept</p>\r\n"));
        w.namand->action()->trigger();
        QCOMPARE(w.Text1->Height(), 8295);

        // Once the module is back, the view works.
        pw::WebView::setModuleFile({});
        QVERIFY(pressCtrl(w, 'S'));
        QCOMPARE(rec->boxes.size(), size_t(1));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("kept"), LoadTimeout);
    }

    void viewAsWebPageWritesTheFileAndShowsIt() {
        textedit& w = textedit::instance();
        QApplication::clipboard()->setText(QStringLiteral("from the clipboard"));
        w.Text1->setText(QStringLiteral("<h1>First</h1>"));
        QVERIFY(pressCtrl(w, 'V'));
        QCOMPARE(w.Text1->Text(), QStringLiteral("<h1>First</h1>")); // nothing pasted
        QCOMPARE(previewBytes(), QByteArray("<h1>First</h1>\r\n"));
        viewhtml* v = viewhtml::loadedInstance();
        QVERIFY(v && QTest::qWaitForWindowExposed(v));
        QCOMPARE(v->Caption(), QStringLiteral("View As HTML"));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(v->WebBrowser1), QStringLiteral("First"), LoadTimeout);

        // A second Ctrl+V rewrites the file but does not reload the open
        // window; Split Screen and Refresh reach only the editor's pane.
        QSignalSpy reloads(v->WebBrowser1, &pw::WebView::loadStarted);
        w.Text1->setText(QStringLiteral("<h1>Second</h1>"));
        QVERIFY(pressCtrl(w, 'V'));
        QCOMPARE(previewBytes(), QByteArray("<h1>Second</h1>\r\n"));
        QCOMPARE(viewhtml::loadedInstance(), v);
        QVERIFY(pressCtrl(w, 'S'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("Second"), LoadTimeout);
        w.Text1->setText(QStringLiteral("<h1>Third</h1>"));
        QVERIFY(pressCtrl(w, 'R'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("Third"), LoadTimeout);
        QCOMPARE(reloads.size(), 0);
        QCOMPARE(pageText(v->WebBrowser1), QStringLiteral("First"));

        // Closed, it opens afresh with the newest text; the layout stays.
        QVERIFY(v->close());
        QCOMPARE(w.Text1->Height(), 2295);
        QVERIFY(pressCtrl(w, 'V'));
        QVERIFY(viewhtml::loadedInstance());
        QTRY_COMPARE_WITH_TIMEOUT(pageText(viewhtml::loadedInstance()->WebBrowser1),
                                  QStringLiteral("Third"), LoadTimeout);
        QVERIFY(rec->boxes.empty());
    }

    void previewFileHoldsTheTextAsItIs_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown"); // null: the page is not looked at
        QTest::newRow("empty") << QString() << QByteArray("\r\n") << QStringLiteral("");
        QTest::newRow("plain text")
            << QStringLiteral("line one\r\nline two") << QByteArray("line one\r\nline two\r\n")
            << QStringLiteral("line one line two");
        QTest::newRow("lone breaks, nul")
            << QString::fromUtf16(u"a\rb\nc\0d", 7) << QByteArray("a\rb\nc\0d\r\n", 9) << QString();
        // The system's character set (UTF-8 here), read back in it by the view.
        QTest::newRow("non-ascii") << QString::fromUtf8("<p>café – ☕</p>")
                                   << QByteArray("<p>caf\xc3\xa9 \xe2\x80\x93 \xe2\x98\x95</p>\r\n")
                                   << QString::fromUtf8("café – ☕");
    }

    void previewFileHoldsTheTextAsItIs() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QFile old(previewFile()); // an older, longer file is replaced
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(4096, 'x')) == 4096);
        old.close();
        textedit& w = textedit::instance();
        w.Text1->setText(text);
        QVERIFY(pressCtrl(w, 'S'));
        QCOMPARE(previewBytes(), bytes);
        if (!shown.isNull())
            QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), shown, LoadTimeout);
        QVERIFY(rec->boxes.empty());
    }

    void splitScreenRefreshAndNormal() {
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>one</p>"));
        QVERIFY(pressCtrl(w, 'S'));
        // The text on top, shortened to 2295 twips; the page below it down to
        // the window's foot, and between them the bar, which the two overlap
        // at its edges; all three as wide as the text.
        const QRect text = twipsRect(w.Text1), bar = twipsRect(w.Shape1),
                    pane = twipsRect(w.WebBrowser1);
        QCOMPARE(text.topLeft(), QPoint(0, 0));
        QCOMPARE(text.height(), 2295);
        QVERIFY(text.bottom() < pane.top());
        QVERIFY(bar.top() <= text.bottom() && bar.bottom() >= pane.top());
        QCOMPARE(pane.bottom() + 1, pw::heightTwips(w.surface()));
        for (const QRect& r : {bar, pane})
            QVERIFY(r.left() == text.left() && r.width() == text.width());
        QVERIFY(w.Shape1->Visible() && w.WebBrowser1->Visible());
        // Of the bar only the strip from 2295 to 2400 shows.
        const auto at = [&w](int twipsY) { return w.surface()->childAt(100, twipsY / 15); };
        QVERIFY(w.Text1->isAncestorOf(at(text.bottom())));
        QCOMPARE(at(text.bottom() + 1), nullptr);
        QCOMPARE(at(pane.top() - 1), nullptr);
        QVERIFY(w.WebBrowser1->isAncestorOf(at(pane.top())));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("one"), LoadTimeout);
        QCOMPARE(w.focusWidget(), static_cast<QWidget*>(w.Text1)); // the page took no focus

        // Edit and refresh: new text, same layout.
        w.Text1->moveCursorToEnd();
        QTest::keyClicks(w.Text1, QStringLiteral("<p>two</p>"));
        QVERIFY(pressCtrl(w, 'R'));
        QCOMPARE(previewBytes(), QByteArray("<p>one</p><p>two</p>\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("one\n\ntwo"),
                                  LoadTimeout);
        QCOMPARE(w.Text1->Height(), 2295);

        // The menu's keys reach the menu also from inside the page.
        w.WebBrowser1->setFocus();
        QTRY_VERIFY(w.WebBrowser1->isAncestorOf(QApplication::focusWidget()));
        QSignalSpy refreshed(w.refresh, &pw::Menu::Click);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(refreshed.size(), 1);

        // Normal, twice: full text area, nothing written, the pane keeps its page.
        w.Text1->setText(QStringLiteral("<p>three</p>"));
        for (int i = 0; i < 2; ++i) {
            w.namand->action()->trigger();
            QCOMPARE(w.Text1->Height(), 8295);
            QVERIFY(!w.Shape1->Visible() && !w.WebBrowser1->Visible());
        }
        QCOMPARE(previewBytes(), QByteArray("<p>one</p><p>two</p>\r\n"));
        QCOMPARE(pageText(w.WebBrowser1), QStringLiteral("one\n\ntwo"));

        // Refresh in the normal layout reloads the hidden pane only.
        QVERIFY(pressCtrl(w, 'R'));
        QCOMPARE(previewBytes(), QByteArray("<p>three</p>\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("three"), LoadTimeout);
        QVERIFY(w.Text1->Height() == 8295 && !w.WebBrowser1->Visible());
        QVERIFY(rec->boxes.empty());
    }

    void refreshKeepsTheScrollPosition() {
        textedit& w = textedit::instance();
        QString page;
        for (int i = 0; i < 300; ++i)
            page += QStringLiteral("<p>line %1</p>\r\n").arg(i);
        w.Text1->setText(page);
        QSignalSpy loads(w.WebBrowser1, &pw::WebView::loadFinished);
        QVERIFY(pressCtrl(w, 'S'));
        QTRY_COMPARE_WITH_TIMEOUT(loads.size(), 1, LoadTimeout);
        w.WebBrowser1->runJavaScript(QStringLiteral("window.scrollTo(0, 1500)"));
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(w.WebBrowser1, "window.scrollY"), QVariant(1500), 5000);

        w.Text1->setText(page + QStringLiteral("<p>added</p>"));
        QVERIFY(pressCtrl(w, 'R'));
        QTRY_COMPARE_WITH_TIMEOUT(loads.size(), 2, LoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(
            pageText(w.WebBrowser1).value_or(QString()).endsWith(QStringLiteral("added")),
            LoadTimeout);
        // The engine puts the place back once the page has its height.
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(w.WebBrowser1, "window.scrollY"), QVariant(1500), 5000);
    }

    void anUnwritablePreviewFileStopsTheCommand() {
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>good</p>"));
        QVERIFY(pressCtrl(w, 'S'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("good"), LoadTimeout);
        w.namand->action()->trigger();
        QSignalSpy navigations(w.WebBrowser1, &pw::WebView::loadStarted);

        // Text the character set cannot store: the good file stays whole.
        w.Text1->setText(QStringLiteral("<p>bad ") + QChar(0xD800) + QStringLiteral("</p>"));
        QVERIFY(pressCtrl(w, 'R'));
        QCOMPARE(rec->boxes.size(), size_t(1));
        QCOMPARE(previewBytes(), QByteArray("<p>good</p>\r\n"));

        // "view.html" cannot be created: a folder holds the name (this works
        // for the root user too, where a read-only folder does not stop writes).
        QVERIFY(QFile::remove(previewFile()) && QDir(dir.path()).mkdir("view.html"));
        QVERIFY(pressCtrl(w, 'V'));
        QVERIFY(pressCtrl(w, 'S'));
        QVERIFY(pressCtrl(w, 'R'));
        QCOMPARE(rec->boxes.size(), size_t(4));
        for (const RecordedBox& b : rec->boxes) {
            QCOMPARE(b.style, int(pw::MsgBoxCritical));
            QVERIFY2(b.text.contains(QStringLiteral("view.html")), qPrintable(b.text));
        }
        QVERIFY(!viewhtml::loadedInstance());
        QCOMPARE(w.Text1->Height(), 8295);
        QVERIFY(!w.Shape1->Visible() && !w.WebBrowser1->Visible());
        // A round trip to the page shows the engine heard no new load.
        QVERIFY(evaluate(w.WebBrowser1, "1"));
        QCOMPARE(navigations.size(), 0);
    }

    // The start folder renamed, another made under its old name: the page
    // written (in the renamed folder, the process's own) is the page shown.
    void aRenamedStartFolderIsStillTheOneShown() {
        QTemporaryDir outer;
        const QString start = outer.filePath(QStringLiteral("start"));
        QVERIFY(QDir().mkdir(start) && QDir::setCurrent(start));
        const auto back = qScopeGuard([this] { QDir::setCurrent(dir.path()); });
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("<p>before</p>"));
        QVERIFY(pressCtrl(w, 'S'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("before"), LoadTimeout);
        QVERIFY(pressCtrl(w, 'V'));
        QVERIFY(viewhtml::loadedInstance());
        QVERIFY(viewhtml::loadedInstance()->close());

        QVERIFY(QDir().rename(start, outer.filePath(QStringLiteral("renamed"))));
        QVERIFY(QDir().mkdir(start));
        QFile other(start + QStringLiteral("/view.html"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("<p>someone else's</p>") > 0);
        other.close();
        w.Text1->setText(QStringLiteral("<p>after</p>"));
        QVERIFY(pressCtrl(w, 'R'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(w.WebBrowser1), QStringLiteral("after"), LoadTimeout);
        QVERIFY(pressCtrl(w, 'V'));
        QTRY_COMPARE_WITH_TIMEOUT(pageText(viewhtml::loadedInstance()->WebBrowser1),
                                  QStringLiteral("after"), LoadTimeout);
        QVERIFY(rec->boxes.empty());
    }

    void previewWindowAndPaths() {
        viewhtml& v = viewhtml::instance();
        // The page covers the whole window; the folder list only holds a path.
        QVERIFY(
            twipsRect(v.WebBrowser1).contains(QRect(QPoint(0, 0), twipsRect(v.surface()).size())));
        QVERIFY(v.Dir1->isHidden() && !v.WebBrowser1->isHidden() && !v.parentWidget());
        QCOMPARE(v.Dir1->Path(), QDir::toNativeSeparators(dir.path()));
        QCOMPARE(v.WebBrowser1->location(), QUrl::fromLocalFile(previewFile()));
        const Qt::WindowFlags f = v.windowFlags();
        QVERIFY(!(f & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(v.windowIcon().pixmap(32, 32).size(), QSize(32, 32));

        // In the root folder the path holds two separators in a row: still a
        // local file, not a network host.
        QCOMPARE(pw::WebView::urlFor(QStringLiteral("//view.html")),
                 QUrl(QStringLiteral("file:///view.html")));
        QCOMPARE(pw::WebView::urlFor(QStringLiteral("view.html")),
                 QUrl::fromLocalFile(previewFile()));
    }
};

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
