// The real program on a real X desktop: Xvfb with the openbox window manager
// and, where it is installed, trayer as the notification area. The program is
// driven only from outside, by the key presses and clicks of xdotool, and
// checked only from outside: window titles, the bytes of "view.html",
// pictures of the windows (taken by this test program itself on the display)
// and the end of the process. Skipped, with the reason, where Xvfb, openbox
// or xdotool is missing. Every wait is bounded, and every process started
// here is ended with its whole process group.
//
// PAGEWICK_E2E_PICTURES names a folder that keeps the pictures taken.

#include "support/process.h"
#include "support/testfiles.h"
#include "support/xdesktop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <functional>

namespace {

constexpr int StartTimeout = 30000;
constexpr int PageTimeout = 30000;
constexpr int ActTimeout = 10000;

// The desktop, with what this test asks of it.
class Desktop : public XDesktop {
public:
    // The visible window with this title (decimal id), empty when none.
    QString window(const QString& title) const {
        return run("xdotool", {"search", "--onlyvisible", "--name", u'^' + title + u'$'})
            .section(u'\n', 0, 0)
            .trimmed();
    }
    QString activeWindow() const { return run("xdotool", {"getactivewindow"}).trimmed(); }
    bool activate(const QString& id) const {
        run("xdotool", {"windowactivate", "--sync", id});
        return waitFor([&] { return activeWindow() == id; }, ActTimeout);
    }

    // The program's icon docked in trayer's panel (hexadecimal id), empty
    // when there is none.
    QString trayIcon() const { return programWindow(true); }
};

// The share of the pixels in a rectangle that are close to a colour.
double share(const QImage& image, const QRect& area, const QColor& colour) {
    const QRect r = area & image.rect();
    if (r.isEmpty())
        return 0;
    qint64 near = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            near += std::abs(c.red() - colour.red()) < 60 &&
                    std::abs(c.green() - colour.green()) < 60 &&
                    std::abs(c.blue() - colour.blue()) < 60;
        }
    return double(near) / (qint64(r.width()) * r.height());
}

const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);
const QColor White(255, 255, 255);

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder;
    QString pictures;
    int pictureCount = 0;

    QString pictureFile(const char* what) {
        return QDir(pictures.isEmpty() ? folder.path() : pictures)
            .filePath(
                QStringLiteral("%1-%2.png").arg(++pictureCount, 2, 10, QChar(u'0')).arg(what));
    }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        pictures = qEnvironmentVariable("PAGEWICK_E2E_PICTURES");
        if (!pictures.isEmpty())
            QDir().mkpath(pictures);
    }

    void typeViewSplitRefreshMinimiseRestoreExit() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xwininfo", "xprop"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh "
                                                "installs it)")
                                     .arg(tool)));
        const QString program =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pagewick"));
        if (!QFileInfo(program).isExecutable())
            QSKIP("the pagewick program is not built beside the tests");

        Desktop d;
        if (!d.startX(QStringLiteral("1280x800")))
            QSKIP("Xvfb would not start here");
        QVERIFY2(d.startWindowManager(), "the window manager did not start");
        const bool tray = !QStandardPaths::findExecutable("trayer").isEmpty();
        if (tray)
            d.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "request",
                               "--height", "32", "--SetDockType", "true"});
        // Another program owns the clipboard: Ctrl+V must not paste it.
        QProcess* owner =
            d.start(QCoreApplication::applicationFilePath(), {"--own-clipboard", "PASTED"});
        QVERIFY2(waitFor([&] { return owner->canReadLine(); }, StartTimeout),
                 "the clipboard owner did not start");

        // Start: the editor window, active, its text area taking keys.
        QProcess* pagewick = d.start(program, {}, folder.path());
        QString editor;
        QVERIFY2(waitFor(
                     [&] {
                         editor = d.window(QStringLiteral("Pagewick"));
                         return !editor.isEmpty() && d.viewable(editor);
                     },
                     StartTimeout),
                 "the editor window did not appear");
        QVERIFY2(d.activate(editor), "the editor window did not become active");
        const QByteArray page = "<body style=\"background:#ff0000\"><h1>Hello</h1>";
        d.run("xdotool", {"type", "--delay", "20", QString::fromLatin1(page)});

        // Ctrl+V: "view.html" holds exactly what was typed (nothing pasted),
        // and "View As HTML" shows the red page.
        d.run("xdotool", {"key", "ctrl+v"});
        QString preview;
        QVERIFY2(waitFor(
                     [&] {
                         preview = d.window(QStringLiteral("View As HTML"));
                         return !preview.isEmpty();
                     },
                     StartTimeout),
                 "Ctrl+V showed no \"View As HTML\" window");
        const QString viewFile = folder.filePath(QStringLiteral("view.html"));
        QCOMPARE(readAll(viewFile), page + "\r\n");
        QImage shot;
        QVERIFY2(waitFor(
                     [&] {
                         shot = d.picture(preview, pictureFile("preview"));
                         return share(shot, shot.rect().adjusted(20, 80, -20, -20), Red) > 0.9;
                     },
                     PageTimeout),
                 "the preview window does not show the page");

        // Ctrl+S in the editor: the text shrinks to a strip, the page shows
        // below it.
        QVERIFY2(d.activate(editor), "the editor window did not come back to the front");
        // Where the user put it, the editor stays: the window made anew for
        // the web view takes the old one's place, and the focus.
        d.run("xdotool", {"windowmove", "--sync", editor, "201", "255"});
        const auto place = [&] {
            const QString g = d.run("xdotool", {"getwindowgeometry", editor});
            return g.mid(g.indexOf(QLatin1String("Position:"))).section(QLatin1Char(' '), 1, 1);
        };
        const QString placed = place();
        d.run("xdotool", {"key", "ctrl+s"});
        // The web view may give the window a new native window.
        QVERIFY(waitFor([&] { return !(editor = d.window(QStringLiteral("Pagewick"))).isEmpty(); },
                        ActTimeout));
        // The client area is 553 pixels high, under the menu bar; the pane
        // starts 160 pixels down.
        const auto pane = [](const QImage& i) { return QRect(20, i.height() - 350, 700, 320); };
        const auto strip = [](const QImage& i) { return QRect(20, i.height() - 540, 700, 120); };
        QVERIFY2(waitFor(
                     [&] {
                         shot = d.picture(editor, pictureFile("split"));
                         return share(shot, pane(shot), Red) > 0.9;
                     },
                     PageTimeout),
                 "Split Screen does not show the page under the text");
        QVERIFY2(share(shot, strip(shot), White) > 0.5, "the text area is not above the page");
        QCOMPARE(place(), placed);
        QCOMPARE(d.run("xdotool", {"getactivewindow", "getwindowname"}).trimmed(),
                 QStringLiteral("Pagewick"));
        QCOMPARE(readAll(viewFile), page + "\r\n");

        // More text, then Ctrl+R: the file and the pane follow; the open
        // preview window keeps its page.
        const QByteArray more = "<style>body{background:#0000ff!important}</style>";
        d.run("xdotool", {"type", "--delay", "20", QString::fromLatin1(more)});
        d.run("xdotool", {"key", "ctrl+r"});
        QVERIFY2(waitFor([&] { return readAll(viewFile) == page + more + "\r\n"; }, ActTimeout),
                 qPrintable("view.html holds " + readAll(viewFile)));
        QVERIFY2(waitFor(
                     [&] {
                         shot = d.picture(editor, pictureFile("refreshed"));
                         return share(shot, pane(shot), Blue) > 0.9;
                     },
                     PageTimeout),
                 "Refresh did not show the new page");
        QVERIFY(d.activate(preview));
        shot = d.picture(preview, pictureFile("preview-kept"));
        QVERIFY2(share(shot, shot.rect().adjusted(20, 80, -20, -20), Red) > 0.9,
                 "the preview window was reloaded");

        // Minimise, then restore: by a click on the icon in the notification
        // area where there is one, otherwise through the window manager.
        QVERIFY(d.activate(editor));
        d.run("xdotool", {"windowminimize", editor});
        QVERIFY2(waitFor([&] { return !d.viewable(editor); }, ActTimeout),
                 "minimising left the window on the screen");
        QString icon;
        if (tray && waitFor([&] { return !(icon = d.trayIcon()).isEmpty(); }, StartTimeout)) {
            d.run("xdotool", {"mousemove", "--window", icon, "8", "8", "click", "1"});
        } else {
            qInfo("no notification area: restored through the window manager");
            d.run("xdotool", {"windowactivate", editor});
        }
        QVERIFY2(
            waitFor([&] { return d.viewable(editor) && d.activeWindow() == editor; }, ActTimeout),
            "the window did not come back");
        QVERIFY2(waitFor(
                     [&] {
                         shot = d.picture(editor, pictureFile("restored"));
                         return share(shot, pane(shot), Blue) > 0.9;
                     },
                     PageTimeout),
                 "the restored window lost its split layout");

        // File > Exit: a click on "File", then the sixth item.
        const auto shown = [&] {
            return d.run("xdotool", {"search", "--onlyvisible", "--class", "^Pagewick$"})
                .split(u'\n', Qt::SkipEmptyParts)
                .size();
        };
        const qsizetype before = shown();
        d.run("xdotool", {"mousemove", "--window", editor, "15", "10", "click", "1"});
        QVERIFY2(waitFor([&] { return shown() > before; }, ActTimeout),
                 "the File menu did not open");
        d.run("xdotool", {"key", "Down", "Down", "Down", "Down", "Down", "Down", "Return"});
        QVERIFY2(pagewick->waitForFinished(ActTimeout), "File > Exit did not end the program");
        QCOMPARE(pagewick->exitStatus(), QProcess::NormalExit);
        QCOMPARE(pagewick->exitCode(), 0);
        QVERIFY(
            waitFor([&] { return d.window(QStringLiteral("Pagewick")).isEmpty(); }, ActTimeout));
        QVERIFY(d.window(QStringLiteral("View As HTML")).isEmpty());
    }
};

int main(int argc, char** argv) {
    // Helpers run on the test's display: a picture of one window, and a
    // program that owns the clipboard.
    if (const int grabbed = grabWindowOnDisplay(argc, argv); grabbed >= 0)
        return grabbed;
    if (argc == 3 && qstrcmp(argv[1], "--own-clipboard") == 0) {
        QGuiApplication app(argc, argv);
        QGuiApplication::clipboard()->setText(QString::fromLocal8Bit(argv[2]));
        std::puts("ready");
        std::fflush(stdout);
        return app.exec();
    }
    QGuiApplication app(argc, argv);
    EndToEndTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_endtoend.moc"
