// The notification icon: its record, the decoding of its clicks, restoring,
// the pop-up menu, and minimising with and without a notification area; and
// once on a real X desktop with a tray, clicked with xdotool.

#include "editor/textedit.h"
#include "platform/application.h"
#include "platform/controls/controls.h"
#include "platform/controls/shell.h"
#include "platform/controls/textbox.h"
#include "support/otherwindow.h"
#include "support/popup.h"
#include "support/process.h"
#include "support/recorder.h"
#include "support/testfiles.h"
#include "support/tray_recorder.h"
#include "support/xdesktop.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QtTest>
#include <cstdio>

namespace {

// The editor window minimised into the notification area; false when it
// stays shown. What the window system reports of it is handled too, as it
// is before a user can click the icon.
[[nodiscard]] bool hideInTray(textedit& w) {
    w.setWindowState(pw::vbMinimized);
    return QTest::qWaitFor([&] { return w.isHidden(); }, 2000) && postedEventsHandled() &&
           w.isHidden();
}

} // namespace

class TrayTest : public QObject {
    Q_OBJECT
    Recorder* rec = nullptr;
    TrayRecorder* tray = nullptr;

private slots:
    void init() {
        rec = new Recorder;
        tray = new TrayRecorder;
    }
    void cleanup() {
        unloadAllWindows();
        delete tray;
        delete rec;
    }

    void recordDescribesTheIcon() {
        textedit& w = textedit::instance();
        const TrayIconRecord& r = w.Tray.record();
        // The shell's first form of the record: six 32-bit fields and the tip.
        QCOMPARE(r.cbSize, qint32(6 * sizeof(qint32)) + TrayIconRecord::TipLength);
        QCOMPARE(r.hWnd, qint32(w.winId()));
        QCOMPARE(r.uID, 1);
        QCOMPARE(r.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
        QCOMPARE(r.uCallbackMessage, pw::WM_MOUSEMOVE);
        QVERIFY(r.hIcon != 0);
        const QString tip = QStringLiteral("Your ToolTip") + QChar(u'\0');
        QCOMPARE(r.szTip.size(), TrayIconRecord::TipLength);
        QCOMPARE(r.szTip.left(tip.size()), tip);
        QCOMPARE(r.szTip.mid(tip.size()), QString(r.szTip.size() - tip.size(), u' '));

        // Added with the window's icon and the tip up to the NUL.
        QCOMPARE(tray->events, QStringList{"add Your ToolTip"});
        QCOMPARE(tray->icons.first().icon.cacheKey(), w.windowIcon().cacheKey());

        // Whatever the tip is given, it keeps its fixed length.
        TrayIconRecord longer = r;
        longer.setTip(QString(70, QChar(u'é')));
        QCOMPARE(longer.szTip.size(), 64);
    }

    void anIconIsAddedAndRemovedOnce() {
        textedit& w = textedit::instance();
        QVERIFY(!pw::addNotifyIcon(w, 1, w.Icon(), QStringLiteral("again"), {}));
        QVERIFY(w.Tray.shown());
        QVERIFY(pw::removeNotifyIcon(w, 1));
        QVERIFY(!pw::removeNotifyIcon(w, 1));
        QVERIFY(!w.Tray.shown());
        QVERIFY(tray->icons.isEmpty());
    }

    void decodesTheIconsMessages_data() {
        QTest::addColumn<int>("scaleMode");
        QTest::addColumn<double>("code");
        QTest::addColumn<QString>("action");
        for (int mode : {int(pw::vbTwips), int(pw::vbPixels)}) {
            const char* m = mode == pw::vbPixels ? "pixels" : "twips";
            const auto row = [&](double code, const char* action) {
                QTest::addRow("%s %g", m, code) << mode << code << QString(action);
            };
            row(514, "restore");
            row(515, "restore");
            row(517, "menu");
            for (double code : {512, 513, 516, 518, 519, 520, 521})
                row(code, "none");
            // To the nearest whole code, halves to the even one.
            row(514.5, "restore");
            row(513.5, "restore");
            row(515.5, "none");
            row(516.5, "none");
            row(516.8, "menu");
            row(517.5, "none");
        }
    }

    void decodesTheIconsMessages() {
        QFETCH(int, scaleMode);
        QFETCH(double, code);
        QFETCH(QString, action);
        textedit& w = textedit::instance();
        QVERIFY(hideInTray(w));
        w.setScaleMode(scaleMode);
        tray->events.clear();

        const auto popup = popupDuring([&] { w.raiseIconMessage(code); });
        QCOMPARE(popup.has_value(), action == "menu");
        QCOMPARE(w.isVisible(), action == "restore");
        if (action == "restore") {
            QCOMPARE(w.WindowState(), int(pw::vbNormal));
            // Normal first, then to the front, then shown.
            QCOMPARE(tray->events, QStringList{"front textedit hidden state 0"});
        } else if (action == "menu") {
            QCOMPARE(tray->events, QStringList{"front textedit hidden state 1"});
        } else {
            QVERIFY(tray->events.isEmpty());
        }
    }

    void restoresFromHiddenAndFromShown() {
        textedit& w = textedit::instance();
        QVERIFY(hideInTray(w));
        w.Shape1->setVisible(true);
        w.Text1->setHeight(2295);

        // A double-click: button-up, double-click, button-up.
        for (int code : {pw::WM_LBUTTONUP, pw::WM_LBUTTONDBLCLK, pw::WM_LBUTTONUP})
            QVERIFY(tray->click(code));
        QVERIFY(w.isVisible());
        QCOMPARE(w.WindowState(), int(pw::vbNormal));
        QCOMPARE(tray->events.mid(1),
                 (QStringList{"front textedit hidden state 0", "front textedit state 0",
                              "front textedit state 0"}));
        QCOMPARE(w.Text1->Height(), 2295);
        QVERIFY(w.Shape1->Visible());

        // The pop-up's Restore does the same.
        QVERIFY(hideInTray(w));
        QCursor::setPos(300, 200);
        const auto popup = popupDuring([&] { tray->click(pw::WM_RBUTTONUP); }, 'r');
        QVERIFY(popup);
        QCOMPARE(popup->items, (QStringList{" &Restore", "&Exit"}));
        QCOMPARE(popup->pos, QPoint(300, 200));
        QVERIFY(popup->editorHidden);
        QVERIFY(w.isVisible());
        QCOMPARE(w.WindowState(), int(pw::vbNormal));

        // Dismissed, the menu leaves a hidden window hidden.
        QVERIFY(hideInTray(w));
        QVERIFY(popupDuring([&] { tray->click(pw::WM_RBUTTONUP); }));
        QVERIFY(w.isHidden());
    }

    void exitFromThePopupUnloadsOnlyTheEditor() {
        OtherWindow& other = OtherWindow::instance();
        QPointer<textedit> w = &textedit::instance();
        QVERIFY(hideInTray(*w));
        QVERIFY(popupDuring([&] { tray->click(pw::WM_RBUTTONUP); }, 'e'));
        // Unloaded, and perhaps already deleted once the events ran.
        QVERIFY(!w || !w->isLoaded());
        QCOMPARE(tray->events.last(), QStringLiteral("remove"));
        QVERIFY(tray->icons.isEmpty());
        QVERIFY(other.isLoaded());
        QVERIFY(rec->events.isEmpty()); // the program goes on
        QVERIFY(other.close());
        QCOMPARE(rec->events, QStringList{"quit"});
    }

    // Mouse movements over the window itself are no icon messages, even at
    // the X of one: here over the bar of the split screen.
    void mouseOverTheSplitBarDoesNothing() {
        textedit& w = textedit::instance();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.Shape1->setVisible(true);
        w.Text1->setHeight(2295);
        int moves = 0;
        struct Counter : QObject {
            int* n;
            explicit Counter(int* n) : n(n) {}
            bool eventFilter(QObject*, QEvent* e) override {
                *n += e->type() == QEvent::MouseMove;
                return false;
            }
        } counter(&moves);
        w.surface()->installEventFilter(&counter);
        tray->events.clear();
        for (int mode : {int(pw::vbTwips), int(pw::vbPixels)}) {
            w.setScaleMode(mode);
            for (int x : {514, 515, 517, 516, 514})
                QVERIFY(!popupDuring([&] { QTest::mouseMove(w.surface(), QPoint(x, 156)); }));
        }
        QVERIFY(moves >= 8);
        QVERIFY(tray->events.isEmpty());
    }

    void withoutANotificationAreaMinimisingKeepsTheWindow() {
        tray->present = false;
        textedit& w = textedit::instance();
        QVERIFY(tray->icons.isEmpty());
        w.setWindowState(pw::vbMinimized);
        QVERIFY(postedEventsHandled());
        QVERIFY(w.isVisible());
        QCOMPARE(w.WindowState(), int(pw::vbMinimized));

        // The same when the area goes away after the icon was added.
        unloadAllWindows();
        tray->present = true;
        textedit& again = textedit::instance();
        tray->present = false;
        again.setWindowState(pw::vbMinimized);
        QVERIFY(postedEventsHandled());
        QVERIFY(again.isVisible());
        tray->present = true;
        again.setWindowState(pw::vbNormal);
        again.setWindowState(pw::vbMinimized);
        QTRY_VERIFY(again.isHidden());
    }

    // The panel ends while the window is hidden in the icon: the window comes
    // back minimised in the task bar; when a panel starts again, so does the
    // icon, and minimising hides the window into it again.
    void theWindowOutlivesTheNotificationArea() {
        textedit& w = textedit::instance();
        QVERIFY(hideInTray(w));
        tray->events.clear();
        tray->setPresent(false);
        QVERIFY(w.isVisible());
        QCOMPARE(w.WindowState(), int(pw::vbMinimized));
        QVERIFY(tray->icons.isEmpty());
        QVERIFY(!w.Tray.shown());

        tray->setPresent(true);
        QCOMPARE(tray->events, (QStringList{"remove", "add Your ToolTip"}));
        QVERIFY(w.Tray.shown());
        QVERIFY(w.isVisible()); // nothing else moves
        w.setWindowState(pw::vbNormal);
        w.setWindowState(pw::vbMinimized);
        QTRY_VERIFY(w.isHidden());
        QVERIFY(tray->click(pw::WM_LBUTTONUP));
        QVERIFY(w.isVisible());

        // Removed with the window, it does not come back.
        unloadAllWindows();
        tray->setPresent(false);
        tray->setPresent(true);
        QVERIFY(tray->icons.isEmpty());
    }

    void onARealDesktop();
};

// ---- A real X desktop: Xvfb, a window manager and a tray host. ----

void TrayTest::onARealDesktop() {
    for (const char* tool : {"Xvfb", "openbox", "trayer", "xdotool", "xwininfo"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(tool)));
    XDesktop d;
    if (!d.startX(QStringLiteral("1024x768")))
        QSKIP("Xvfb would not start");
    d.start("openbox", {"--sm-disable"});
    const QStringList trayerArgs{"--edge",  "top",      "--align", "right",         "--widthtype",
                                 "request", "--height", "32",      "--SetDockType", "true"};
    QProcess* trayer = d.start("trayer", trayerArgs);
    const auto trayUp = [&] {
        return d.run(QCoreApplication::applicationFilePath(), {"--tray-available"}) == "yes";
    };
    if (!waitFor(trayUp, 10000))
        QSKIP("the tray host would not start");

    QProcess* program = d.start(QCoreApplication::applicationFilePath(), {"--run-editor"});
    QString icon, editor;
    QVERIFY2(waitFor(
                 [&] {
                     icon = d.programWindow(true);
                     editor = d.programWindow(false);
                     return !icon.isEmpty() && !editor.isEmpty() && d.viewable(editor);
                 },
                 15000),
             "the editor window and its icon in the tray did not appear");

    d.run("xdotool", {"windowminimize", editor});
    QVERIFY2(waitFor([&] { return !d.viewable(editor); }, 5000),
             "minimising did not hide the window");

    d.run("xdotool", {"mousemove", "--window", icon, "8", "8", "click", "1"});
    QVERIFY2(waitFor(
                 [&] {
                     return d.viewable(editor) &&
                            d.run("xdotool", {"getactivewindow"}).trimmed().toULongLong() ==
                                editor.toULongLong(nullptr, 16);
                 },
                 5000),
             "a click on the icon did not bring the window back in front");

    // The panel ends while the window is hidden in it: the window comes back
    // iconified in the task bar; a new panel gets the icon again.
    d.run("xdotool", {"windowminimize", editor});
    QVERIFY2(waitFor([&] { return !d.viewable(editor); }, 5000),
             "minimising did not hide the window");
    trayer->kill();
    const auto iconified = [&] {
        return d.run("xprop", {"-id", editor, "WM_STATE"}).contains("Iconic");
    };
    QVERIFY2(waitFor(iconified, 10000), "the window did not come back when the panel ended");
    d.start("trayer", trayerArgs);
    QVERIFY2(waitFor([&] { return !(icon = d.programWindow(true)).isEmpty(); }, 10000),
             "the icon did not come back with a new panel");
    d.run("xdotool", {"windowactivate", editor});
    QVERIFY2(waitFor([&] { return d.viewable(editor); }, 5000), "the window did not restore");

    const auto shown = [&] {
        return d.run("xdotool", {"search", "--onlyvisible", "--class", "^Pagewick$"})
            .split('\n', Qt::SkipEmptyParts)
            .size();
    };
    const qsizetype before = shown();
    d.run("xdotool", {"mousemove", "--window", icon, "8", "8", "click", "3"});
    QVERIFY2(waitFor([&] { return shown() > before; }, 5000),
             "a right click on the icon opened no menu");
    d.run("xdotool", {"key", "e"});
    QVERIFY2(
        waitFor([&] { return d.programWindow(true).isEmpty() && d.programWindow(false).isEmpty(); },
                5000),
        "Exit in the menu left the editor window or its icon");
    QCOMPARE(program->state(), QProcess::Running); // the other window is still open
}

int main(int argc, char** argv) {
    // The program as it runs on a desktop, with a second window open.
    // The program's own command line is empty there: "--run-editor" is this
    // test's, not an option of the program.
    if (argc > 1 && qstrcmp(argv[1], "--run-editor") == 0) {
        int programArgc = 1;
        return pw::runApplication(programArgc, argv, [] {
            OtherWindow::instance();
            textedit::instance();
        });
    }
    if (argc > 1 && qstrcmp(argv[1], "--tray-available") == 0) {
        QApplication app(argc, argv);
        std::fputs(QSystemTrayIcon::isSystemTrayAvailable() ? "yes" : "no", stdout);
        return 0;
    }
    QApplication app(argc, argv);
    pw::prepareApplication();
    TrayTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tray.moc"
