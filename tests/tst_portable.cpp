// The portable folder: installed into a temporary folder and moved, the
// program starts from its new place on a display of its own, opens a packaged
// document from the Help menu (through the keyboard) and the preview, and
// writes nothing but the preview file and the opened package.
//
// It is driven from outside: Xvfb, openbox and xdotool (the desktop of
// support/xdesktop.h, with its own session bus), with a stand-in xdg-open
// first on the search path that records what it was asked to open.

#include "support/process.h"
#include "support/testfiles.h"
#include "support/xdesktop.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr int Timeout = 30000;

// Every file under a folder, relative to it, sorted.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class PortableTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString folder; // the moved program folder

private slots:
    void initTestCase() {
        QVERIFY(tmp.isValid());
        const QString installed = tmp.filePath(QStringLiteral("install/Pagewick"));
        QStringList args{"--install", PW_BUILD_DIR, "--prefix", installed};
        if (!QStringLiteral(PW_BUILD_CONFIG).isEmpty())
            args << "--config" << PW_BUILD_CONFIG;
        bool ok = false;
        runTool(QStringLiteral(PW_CMAKE_COMMAND), args, QProcessEnvironment::systemEnvironment(),
                20000, &ok);
        QVERIFY2(ok, "cmake --install failed");
        // Moved whole to a place the build never knew.
        QVERIFY(QDir().mkpath(tmp.filePath(QStringLiteral("elsewhere"))));
        folder = tmp.filePath(QStringLiteral("elsewhere/Pagewick"));
        QVERIFY(QDir().rename(installed, folder));
        QVERIFY(QDir(tmp.filePath(QStringLiteral("install"))).removeRecursively());
    }

    void theFolderHoldsTheProgramAndItsModuleOnly() {
#if defined(Q_OS_WIN)
        const QStringList expected{"pagewick.exe", "pw_webview.dll"};
#elif defined(Q_OS_MACOS)
        const QStringList expected{"pagewick", "pw_webview.dylib"};
#else
        const QStringList expected{"pagewick", "pw_webview.so"};
#endif
        QCOMPARE(filesUnder(folder), expected);
        // Neither looks for libraries in the build tree.
        const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
        if (readelf.isEmpty())
            QSKIP("readelf (binutils) is not installed, so the libraries the files look for "
                  "cannot be read; scripts/install-deps.sh installs it.");
        for (const QString& file : expected) {
            const QString dynamic = runTool(readelf, {"-d", QDir(folder).filePath(file)});
            QVERIFY2(dynamic.contains(QStringLiteral("NEEDED")), qPrintable(dynamic));
            QVERIFY2(!dynamic.contains(QStringLiteral(PW_BUILD_DIR)), qPrintable(dynamic));
        }
    }

    void startsFromTheMovedFolder() {
#if !defined(Q_OS_LINUX)
        QSKIP("Driven through Xvfb, openbox and xdotool, which only Linux desktops have.");
#else
        QStringList tools;
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop"})
            tools << QStandardPaths::findExecutable(QString::fromLatin1(tool));
        if (tools.contains(QString()))
            QSKIP("Xvfb, openbox, xdotool or xprop is not installed (scripts/install-deps.sh "
                  "installs them); the moved folder cannot be started on a display.");
        const QString xdotool = tools[2];

        QDir base(tmp.path());
        for (const char* sub : {"home", "work", "stub", "runtime"})
            QVERIFY(base.mkpath(QString::fromLatin1(sub)));
        QFile::setPermissions(base.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString opened = base.filePath(QStringLiteral("opened.log"));
        {
            QFile stub(base.filePath(QStringLiteral("stub/xdg-open")));
            QVERIFY(stub.open(QIODevice::WriteOnly));
            stub.write("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + opened.toLocal8Bit() + "'\n");
            stub.close();
            QVERIFY(stub.setPermissions(stub.permissions() | QFile::ExeOwner));
        }

        XDesktop desktop;
        QVERIFY2(desktop.startX(QStringLiteral("1280x1024")), "Xvfb would not start");
        QVERIFY2(desktop.startWindowManager(), "openbox did not start");
        const QProcessEnvironment env = desktop.environment();

        // The program's user has an empty home folder; nothing points Qt or
        // the desktop anywhere else.
        QProcessEnvironment pwEnv = env;
        for (const char* var :
             {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
              "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "QT_QTESTLIB_RUNNING"})
            pwEnv.remove(QString::fromLatin1(var));
        pwEnv.insert(QStringLiteral("HOME"), base.filePath(QStringLiteral("home")));
        pwEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), base.filePath(QStringLiteral("runtime")));
        pwEnv.insert(QStringLiteral("PATH"), base.filePath(QStringLiteral("stub")) + u':' +
                                                 env.value(QStringLiteral("PATH")));
        if (::geteuid() != 0) // the web engine's sandbox refuses to run as root only
            pwEnv.remove(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"));

        const QStringList before = filesUnder(folder);
        const QString work = base.filePath(QStringLiteral("work"));
        QProcess* pagewick =
            desktop.start(QDir(folder).filePath(QStringLiteral("pagewick")), {}, work, pwEnv);
        QVERIFY2(pagewick->state() == QProcess::Running, qPrintable(pagewick->errorString()));
        const QString maps = QStringLiteral("/proc/%1/maps").arg(pagewick->processId());

        QString window;
        QVERIFY2(waitFor(
                     [&] {
                         window = runTool(xdotool,
                                          {"search", "--onlyvisible", "--name", "^Pagewick$"}, env)
                                      .section(u'\n', 0, 0);
                         return !window.isEmpty() || pagewick->state() != QProcess::Running;
                     },
                     Timeout),
                 "the editor window did not appear");
        QVERIFY2(!window.isEmpty(), "the program ended at start-up");
        runTool(xdotool, {"windowactivate", "--sync", window}, env);

        // Help > Readme.txt through the keyboard: F10 enters the menu bar at
        // File, Help is five to the right, Down opens it at About.
        runTool(xdotool,
                {"key", "--delay", "50", "F10", "Right", "Right", "Right", "Right", "Right", "Down",
                 "Down", "Return"},
                env);
        const QString readme =
            base.filePath(QStringLiteral("home/.cache/Pagewick/packages/Readme.txt"));
        QVERIFY2(waitFor([&] { return readAll(opened).contains("Readme.txt"); }, Timeout),
                 "the packaged readme was not handed to xdg-open");
        QCOMPARE(QString::fromLocal8Bit(readAll(opened)).trimmed(),
                 QUrl::fromLocalFile(readme).toString());
        QCOMPARE(readAll(readme),
                 readAll(QStringLiteral(PW_BUILD_DIR "/src/embedded/packages/Readme.txt")));

        // The preview: the text goes to view.html in the working folder and
        // the web view module is loaded from the moved folder.
        runTool(xdotool, {"type", "--delay", "20", "<p>moved</p>"}, env);
        runTool(xdotool, {"key", "ctrl+v"}, env);
        const QString viewFile = QDir(work).filePath(QStringLiteral("view.html"));
        QVERIFY2(waitFor([&] { return readAll(viewFile) == "<p>moved</p>\r\n"; }, Timeout),
                 readAll(viewFile).constData());
        // The window made anew for the web engine may take the first one's
        // place: it is looked up again for each look.
        const auto preview = [&] {
            return runTool(xdotool, {"search", "--onlyvisible", "--name", "^View As HTML$"}, env)
                .section(u'\n', 0, 0)
                .trimmed();
        };
        QVERIFY2(waitFor([&] { return !preview().isEmpty(); }, Timeout),
                 "the preview window did not appear");
        const QByteArray module =
            QDir(folder).filePath(QStringLiteral("pw_webview.so")).toLocal8Bit();
        QVERIFY2(waitFor([&] { return readAll(maps).contains(module); }, Timeout),
                 "the web view module was not loaded from the moved folder");
        QVERIFY(!readAll(maps).contains(PW_BUILD_DIR));
        // The page drawn, its dark text on its white, so that whatever the
        // engine would store is stored.
        const auto drawn = [&] {
            const QImage shot =
                desktop.picture(preview(), tmp.filePath(QStringLiteral("page.png")));
            qint64 white = 0, dark = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const int grey = qGray(shot.pixel(x, y));
                    white += grey > 240;
                    dark += grey < 60;
                }
            return dark > 20 && white > qint64(shot.width()) * shot.height() / 2;
        };
        QVERIFY2(waitFor(drawn, Timeout), "the preview shows no page");
        QCOMPARE(pagewick->state(), QProcess::Running);

        // Nothing else written: not into the program's folder, not into the
        // working folder, and into the home folder only the opened package.
        // (Caches of the system's own font and graphics libraries are theirs.)
        QCOMPARE(filesUnder(folder), before);
        QCOMPARE(filesUnder(work), QStringList{"view.html"});
        QStringList home = filesUnder(base.filePath(QStringLiteral("home")));
        home.removeIf([](const QString& f) {
            return f.startsWith(QLatin1String(".cache/fontconfig/")) ||
                   f.startsWith(QLatin1String(".cache/mesa_shader_cache/"));
        });
        QCOMPARE(home, QStringList{".cache/Pagewick/packages/Readme.txt"});
#endif
    }
};

int main(int argc, char** argv) {
    // Pictures of the windows are taken by this program, run again on the
    // test's display.
    if (const int grabbed = grabWindowOnDisplay(argc, argv); grabbed >= 0)
        return grabbed;
    QCoreApplication app(argc, argv);
    PortableTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_portable.moc"
