// The editor window: start-up state, menus, keys, the text box's text, and
// how the window ends.

#include "editor/textedit.h"
#include "platform/controls/controls.h"
#include "platform/controls/textbox.h"
#include "platform/controls/units.h"
#include "platform/desktop/failure.h"
#include "platform/files/olecontainer.h"
#include "platform/webview/webview.h"
#include "support/otherwindow.h"
#include "support/recorder.h"
#include "support/testfiles.h"
#include "support/tray_recorder.h"

#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QMimeData>
#include <QtTest>

namespace {

QStringList captions(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        out << a->text();
    return out;
}

QMenu* submenu(QMenu* menu, const QString& caption) {
    for (QAction* a : menu->actions())
        if (a->text() == caption)
            return a->menu();
    return nullptr;
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT
    Recorder* rec = nullptr;
    QTemporaryDir folder;

private slots:
    // The view commands write their preview file into the current folder.
    void initTestCase() { QVERIFY(QDir::setCurrent(folder.path())); }
    void init() { rec = new Recorder; }
    void cleanup() {
        unloadAllWindows();
        delete rec;
    }

    void startsWithTheDefaultFormatAndLayout() {
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.Caption(), QStringLiteral("Pagewick"));
        QCOMPARE(w.CurrentFontName, QStringLiteral("Ms Sans Serif"));
        QCOMPARE(w.CurrentBold, QStringLiteral("False"));
        QCOMPARE(w.CurrentFontSize, QStringLiteral("8"));
        QCOMPARE(w.CurrentForeColor, QStringLiteral("0"));

        QCOMPARE(w.Text1->Text(), QString());
        QCOMPARE(w.Text1->FontName(), QStringLiteral("Ms Sans Serif"));
        QCOMPARE(w.Text1->font().family(), QStringLiteral("Ms Sans Serif"));
        QCOMPARE(w.Text1->FontSize(), 8.0f);
        QCOMPARE(w.Text1->font().pointSizeF(), 8.0);
        QVERIFY(!w.Text1->FontBold());
        QVERIFY(!w.Text1->font().bold());
        QCOMPARE(w.Text1->ForeColor(), 0);
        QCOMPARE(w.Text1->palette().color(QPalette::Text), QColor(Qt::black));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Text1));

        QVERIFY(w.WebBrowser1->isHidden());
        QVERIFY(w.Shape1->isHidden());
        // The text area fills the window: from its top left, its whole
        // height and its width but for a pixel or two of the frame.
        QCOMPARE(w.Text1->geometry().topLeft(), QPoint(0, 0));
        QCOMPARE(w.Text1->height(), w.surface()->height());
        QVERIFY(w.Text1->width() <= w.surface()->width() &&
                w.Text1->width() >= w.surface()->width() - 3);
        // Fixed frame, no Maximise button.
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        // The packaged-file containers lie wholly under the text area.
        for (auto* ole : {w.OLE1, w.OLE2, w.OLE3, w.OLE4, w.OLE5, w.OLE6}) {
            QVERIFY(QRect(0, 0, w.Text1->width(), pw::px(2295)).contains(ole->geometry()));
            QVERIFY(w.surface()->children().indexOf(ole) <
                    w.surface()->children().indexOf(w.Text1));
        }
    }

    void menuTreeIsComplete() {
        textedit& w = textedit::instance();
        QStringList bar;
        QStringList hidden;
        for (QAction* a : w.menuBar()->actions())
            (a->isVisible() ? bar : hidden) << a->text();
        QCOMPARE(bar,
                 (QStringList{"File", "Edit", "Font", "View ", " Calculator", "Help", "Donate"}));
        QCOMPARE(hidden, QStringList{"&SysTray"});

        QCOMPARE(captions(w.fl->submenu()),
                 (QStringList{"Open", "Save As", "Delete", "Print", "Clear", "Exit"}));
        QCOMPARE(captions(w.edt->submenu()), (QStringList{"Copy", "Past"}));
        QCOMPARE(captions(w.fnts->submenu()), (QStringList{"Font", "Size", "Type", "Color"}));
        QCOMPARE(captions(submenu(w.fnts->submenu(), "Font")),
                 (QStringList{"Ms Sans Serif", "Ms Serif", "Ms Gothic", "Ms Mincho", "MVSans",
                              "NapoliSerial-Xlight"}));
        QCOMPARE(captions(submenu(w.fnts->submenu(), "Size")),
                 (QStringList{"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26",
                              "28", "36 ", "48", "72"}));
        QCOMPARE(captions(submenu(w.fnts->submenu(), "Type")), (QStringList{"Regular", "Bold"}));
        QCOMPARE(captions(submenu(w.fnts->submenu(), "Color")),
                 (QStringList{"Black", "Blue", "Red"}));
        QCOMPARE(captions(w.vwew->submenu()),
                 (QStringList{"Normal", "View As Web Page", "Split Screen"}));
        QCOMPARE(captions(w.sscreen->submenu()), (QStringList{"Split Screen", "Refresh"}));
        QCOMPARE(captions(w.hlep->submenu()), (QStringList{"About", "Readme.txt", "Contact Us"}));
        QCOMPARE(captions(w.don->submenu()), (QStringList{"$1", "$2", "$5"}));
        QCOMPARE(captions(w.mPopupSys->submenu()), (QStringList{" &Restore", "&Exit"}));

        // Exactly three shortcuts, on the three view commands.
        QMap<QString, QString> keys;
        for (QAction* a : w.findChildren<QAction*>())
            if (!a->shortcut().isEmpty())
                keys[a->objectName()] = a->shortcut().toString(QKeySequence::PortableText);
        QCOMPARE(keys, (QMap<QString, QString>{
                           {"awpn", "Ctrl+V"}, {"horisz", "Ctrl+S"}, {"refresh", "Ctrl+R"}}));
    }

    void viewShortcutsNeverReachTheTextArea() {
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QApplication::clipboard()->setText(QStringLiteral("from the clipboard"));
        int awpn = 0, horisz = 0, refresh = 0;
        connect(w.awpn, &pw::Menu::Click, this, [&] { ++awpn; });
        connect(w.horisz, &pw::Menu::Click, this, [&] { ++horisz; });
        connect(w.refresh, &pw::Menu::Click, this, [&] { ++refresh; });

        w.Text1->SetFocus();
        QTest::keyClicks(w.Text1, QStringLiteral("ab"));
        QTest::keyClick(w.Text1, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(w.Text1, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(w.Text1, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(w.Text1->Text(), QStringLiteral("ab"));
        QCOMPARE(awpn, 1);
        QCOMPARE(horisz, 1);
        QCOMPARE(refresh, 1);

        // Enter gives CR LF; other keys are typed as usual.
        QTest::keyClick(w.Text1, Qt::Key_Return);
        QTest::keyClick(w.Text1, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(w.Text1, QStringLiteral("c"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("ab\r\n\r\nc"));
    }

    void textRoundTrips_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("crlf") << QStringLiteral("one\r\ntwo\r\n");
        QTest::newRow("lone cr") << QStringLiteral("a\rb\r");
        QTest::newRow("lone lf") << QStringLiteral("a\nb\n\n");
        QTest::newRow("lf cr") << QStringLiteral("\n\r\r\n\n\r");
        QTest::newRow("nul") << QString::fromUtf16(u"a\0b\0", 4);
        QTest::newRow("non-ascii") << QString::fromUtf8("grüße € 日本 \xF0\x9F\x98\x80");
        QTest::newRow("separators") << QString::fromUtf16(u"a\u2028b\u2029c\u00A0d\uFFFCe\uFDD0");
        QTest::newRow("tab and controls") << QString::fromUtf16(u"\t\u0001\u001b\u007f\uFEFF");
    }

    void textRoundTrips() {
        QFETCH(QString, text);
        textedit& w = textedit::instance();
        w.Text1->setText(text);
        QCOMPARE(w.Text1->Text(), text);

        // The same characters survive being put in through the selection.
        w.Text1->setText(QStringLiteral("[]"));
        w.Text1->setSelection(1, 0);
        w.Text1->setSelText(text);
        QCOMPARE(w.Text1->Text(), QStringLiteral("[") + text + QStringLiteral("]"));
        w.Text1->selectAll();
        QCOMPARE(w.Text1->SelText(), QStringLiteral("[") + text + QStringLiteral("]"));
    }

    void selTextReplacesTheSelection() {
        textedit& w = textedit::instance();
        w.Text1->setText(QStringLiteral("one\r\ntwo\rthree"));
        w.Text1->setSelection(2, 9); // "e", break, "two", CR, "th"
        QCOMPARE(w.Text1->SelText(), QStringLiteral("e\r\ntwo\rth"));
        w.Text1->setSelText(QStringLiteral("\n"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("on\nree"));
        QCOMPARE(w.Text1->SelText(), QString());
        // Typed text next to a kept character is ordinary text.
        w.Text1->setText(QStringLiteral("a\rb"));
        w.Text1->setSelection(2, 0);
        QTest::keyClicks(w.Text1, QStringLiteral("x\r"));
        QCOMPARE(w.Text1->Text(), QStringLiteral("a\rx\r\nb"));
    }

    void changeFollowsRealChangesOnly() {
        textedit& w = textedit::instance();
        int changes = 0;
        connect(w.Text1, &pw::TextBox::Change, this, [&] { ++changes; });
        w.Text1->setText(QStringLiteral("x\ry"));
        QCOMPARE(changes, 1);
        w.Text1->setText(QStringLiteral("x\ry"));
        QCOMPARE(changes, 1);
        w.Text1->setSelText(QStringLiteral("z"));
        QCOMPARE(changes, 2);
        QTest::keyClicks(w.Text1, QStringLiteral("q"));
        QCOMPARE(changes, 3);
    }

    void largeTextRoundTrips() {
        textedit& w = textedit::instance();
        QString text;
        const QString line = QStringLiteral("<p>The quick brown fox jumps over the lazy dog.</p>");
        text.reserve(10 * 1024 * 1024 + 100);
        for (int i = 0; text.size() < 10 * 1024 * 1024; ++i)
            text += line + (i % 3 == 0 ? QStringLiteral("\n") : QStringLiteral("\r\n"));
        w.Text1->setText(text);
        QCOMPARE(w.Text1->Text().size(), text.size());
        QVERIFY(w.Text1->Text() == text);
    }

    // A file named on the command line or dropped from a file manager opens
    // as File > Open opens it: the same text, the same message on failure.
    void filesFromTheDesktopOpenAsOpenWould() {
        textedit& w = textedit::instance();
        const QString file = folder.filePath(QStringLiteral("from desktop.txt"));
        QVERIFY(writeAll(file, "one\rtwo\r\nthree"));
        w.OpenFromDesktop(file);
        QTRY_COMPARE(w.Text1->Text(), QStringLiteral("one\r\ntwo\r\nthree\r\n"));

        w.Text1->setText(QStringLiteral("kept"));
        w.OpenFromDesktop(folder.filePath(QStringLiteral("missing.txt")));
        QTRY_COMPARE(rec->boxes.size(), size_t(1));
        QVERIFY(rec->boxes[0].text.contains(QStringLiteral("missing.txt")));
        QCOMPARE(w.Text1->Text(), QStringLiteral("kept"));

        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(file)});
        // As the desktop delivers it: the drag enters, then is dropped.
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.Text1->viewport(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.Text1->viewport(), &drop);
        QCOMPARE(w.Text1->Text(), QStringLiteral("one\r\ntwo\r\nthree\r\n"));
        delete data;
    }

    void minimisingHidesTheWindow() {
        TrayRecorder tray; // a desktop with a notification area
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setWindowState(pw::vbMinimized);
        QTRY_VERIFY(w.isHidden());
        QVERIFY(w.isLoaded());
        w.setWindowState(pw::vbNormal);
        w.Show();
        QVERIFY(w.isVisible());
    }

    void exitEndsAtOnceWithoutUnloading() {
        textedit& w = textedit::instance();
        w.ext->action()->trigger();
        QCOMPARE(rec->events, QStringList{"end"});
        QVERIFY(w.isLoaded());
    }

    void closingTheLastWindowEndsTheProgram() {
        textedit& w = textedit::instance();
        OtherWindow& other = OtherWindow::instance();
        QVERIFY(w.close());
        QVERIFY(!w.isLoaded());
        QVERIFY(rec->events.isEmpty()); // the other window keeps the program running
        QVERIFY(other.close());
        QCOMPARE(rec->events, QStringList{"quit"});
        // A later use of the editor creates and loads a fresh window.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        textedit& again = textedit::instance();
        QVERIFY(again.isLoaded());
        QCOMPARE(again.CurrentFontSize, QStringLiteral("8"));
    }

    void aFailingHandlerShowsOneMessageAndTheProgramGoesOn() {
        textedit& w = textedit::instance();
        bool ran = false;
        pw::dispatch("test", [] {
            throw pw::OperationError("Could not write the file", "/tmp/x/view.html",
                                     "Permission denied");
        });
        QCOMPARE(rec->boxes.size(), size_t(1));
        QCOMPARE(rec->boxes[0].style, int(pw::MsgBoxCritical));
        QVERIFY(rec->boxes[0].text.contains("Could not write the file"));
        QVERIFY(rec->boxes[0].text.contains("/tmp/x/view.html"));
        QVERIFY(rec->boxes[0].text.contains("Permission denied"));
        QVERIFY(pw::dispatch("next", [&] { ran = true; }));
        QVERIFY(ran);
        QCOMPARE(rec->boxes.size(), size_t(1));
        QVERIFY(w.isLoaded());
    }
};

QTEST_MAIN(EditorTest)
#include "tst_editor.moc"
