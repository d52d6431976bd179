// The program's command line (read without a display), its text legible on
// a dark theme, its windows on scaled screens. The last two run this program
// again on a real X desktop (Xvfb, openbox) in the case's settings, where it
// prints what the display shows and the window manager gave.

#include "support/testfiles.h"
#include "support/xdesktop.h"

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/application.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/services.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <map>

namespace {

// The WCAG contrast ratio, worked out here on its own.
double contrast(QRgb a, QRgb b) {
    const auto lum = [](QRgb c) {
        const auto ch = [](int v) {
            return v <= 10 ? v / 255.0 / 12.92 : std::pow((v / 255.0 + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * ch(qRed(c)) + 0.7152 * ch(qGreen(c)) + 0.0722 * ch(qBlue(c));
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// An area's commonest colour, and the one of its colours farthest from it.
std::pair<QRgb, QRgb> colours(const QImage& image, const QRect& area) {
    std::map<QRgb, int> count;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++count[image.pixel(x, y) | 0xFF000000];
    const QRgb common = std::max_element(count.begin(), count.end(), [](auto& a, auto& b) {
                            return a.second < b.second;
                        })->first;
    QRgb far = common;
    for (const auto& [c, n] : count)
        far = contrast(c, common) > contrast(far, common) ? c : far;
    return {common, far};
}

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// On the desktop: large bold text in each colour of the Font menu, then
// selected; prints the theme's base and the colours drawn.
int measureContrast(const QString& base) {
    if (!base.isEmpty()) {
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Base, QColor(base));
        p.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
        QApplication::setPalette(p);
    }
    textedit& editor = textedit::instance();
    const auto menu = [&](const char* name) {
        editor.findChild<QAction*>(QString::fromLatin1(name))->trigger();
    };
    menu("twentyfour");
    menu("bold");
    editor.Text1->setText(QStringLiteral("HHHHHHHHHHHHHHHHHHHH"));
    editor.Text1->setFocus();
    QWidget* view = editor.Text1->viewport();
    const auto shown = [&](const QRect& area) {
        const QPoint at = view->mapTo(&editor, area.topLeft());
        return colours(view->screen()
                           ->grabWindow(editor.winId(), at.x(), at.y(), area.width(), area.height())
                           .toImage(),
                       QRect(QPoint(), area.size()));
    };
    QString line = QColor(QApplication::palette().color(QPalette::Base)).name();
    std::pair<QRgb, QRgb> c;
    for (const char* colour : {"blk", "blu", "rdf", "selection"}) {
        if (qstrcmp(colour, "selection") == 0)
            editor.Text1->selectAll();
        else
            menu(colour);
        // The first row of text, the selection's colour its commonest.
        const QRect row(0, 0, view->width() / 2, editor.Text1->fontMetrics().height());
        const auto before = c;
        waitFor([&] { return (c = shown(row)) != before && contrast(c.second, c.first) > 1.5; },
                5000, 50);
        line += u' ' + QColor(c.first).name() + u' ' + QColor(c.second).name();
    }
    say(line);
    return 0;
}

// On the desktop: each kind of window in turn, framed by the window manager;
// prints its frame, client size, designed size, whether it has that, and
// the screen's available area.
int measureWindows() {
    const auto report = [](const char* name, QWidget* w, QSize designed, bool kept) {
        waitFor([&] { return w->frameGeometry() != w->geometry(); }, 5000, 50);
        const QRect a = w->screen()->availableGeometry();
        waitFor([&] { return a.contains(w->frameGeometry()); }, 3000, 50);
        const QRect f = w->frameGeometry();
        QStringList m{QString::fromLatin1(name)};
        for (int v :
             {f.x(), f.y(), f.width(), f.height(), w->width(), w->height(), designed.width(),
              designed.height(), int(kept), a.x(), a.y(), a.width(), a.height()})
            m << QString::number(v);
        say(m.join(u' '));
    };
    const auto form = [&](const char* name, pw::Form& f) {
        f.Show();
        const QSize menu(0, f.menuWidget() ? f.menuWidget()->sizeHint().height() : 0);
        report(name, &f, f.surface()->size() + menu, f.hasDesignedSize());
    };
    form("editor", textedit::instance());
    form("preview", viewhtml::instance());
    form("open", openfile::instance());
    form("save", savefile::instance());
    form("delete", delfile::instance());
    QTimer::singleShot(0, [&] {
        waitFor([] { return QApplication::activeModalWidget(); }, 5000, 50);
        QWidget* box = QApplication::activeModalWidget();
        report("message", box, box->size(), true);
        box->close();
    });
    // A failure naming a deep path, the longest message the program shows.
    pw::services().msgBox("Could not open the file: " + QString("/a-long-folder-name").repeated(20),
                          pw::MsgBoxCritical, QStringLiteral("Pagewick"));
    return 0;
}

// This program on a fresh desktop with the given settings: what it printed.
QStringList onDesktop(const QString& size, const QStringList& args,
                      const std::map<QString, QString>& settings) {
    for (const char* tool : {"Xvfb", "openbox", "xprop"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return {QStringLiteral("missing ") + tool};
    XDesktop d;
    if (!d.startX(size) || !d.startWindowManager())
        return {QStringLiteral("no desktop")};
    QProcessEnvironment env = d.environment();
    for (const auto& [name, value] : settings)
        env.insert(name, value);
    QProcess* p = d.start(QCoreApplication::applicationFilePath(), args, QDir::tempPath(), env);
    p->waitForFinished(60000);
    return QString::fromLocal8Bit(p->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // how the standard output begins
        QTest::addColumn<QString>("err");
        const QString usage = "Usage: pagewick [FILE]\n";
        const QString hint = "\nUsage: pagewick [FILE] (pagewick --help tells more)\n";
        const QString version = "Pagewick " PW_VERSION "\n";
        const QString noDisplay = "pagewick: there is no display to show the window on (neither "
                                  "DISPLAY nor WAYLAND_DISPLAY is set).\n";
        QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << "";
        QTest::newRow("-h") << QStringList{"-h", "notes.txt"} << 0 << usage << "";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "";
        QTest::newRow("-v") << QStringList{"-v"} << 0 << version << "";
        QTest::newRow("unknown") << QStringList{"--frob", "a"} << 2 << ""
                                 << "pagewick: unknown option --frob" + hint;
        QTest::newRow("unknown short") << QStringList{"-x"} << 2 << ""
                                       << "pagewick: unknown option -x" + hint;
        // "--" ends the options: "--help" is a file's name, to be opened.
        QTest::newRow("after --") << QStringList{"--", "--help"} << 1 << "" << noDisplay;
        QTest::newRow("a file") << QStringList{"notes.txt"} << 1 << "" << noDisplay;
    }

    // Without a display.
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(var));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationDirPath() + "/pagewick", args);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), err);
        const QString output = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY2(out.isEmpty() ? output.isEmpty() : output.startsWith(out), qPrintable(output));
        QCOMPARE(p.exitCode(), exitCode);
    }

    void darkTheme_data() {
        QTest::addColumn<QString>("base");        // the palette's base; empty: the GTK theme's
        QTest::addColumn<QString>("backgrounds"); // under black, blue, red: white or the base
        QTest::newRow("GTK Adwaita:dark") << ""
                                          << "white white white";
        QTest::newRow("dark palette") << "#2d2d2d"
                                      << "white white white";
        QTest::newRow("light palette") << "#fff3c4"
                                       << "base base white"; // kept where it shows
    }

    // From the pixels: black and blue reach 4.5:1 and red what it can (on
    // white); the selection stands out from the background by 3:1 and its
    // text from it.
    void darkTheme() {
        QFETCH(QString, base);
        QFETCH(QString, backgrounds);
        std::map<QString, QString> settings;
        if (base.isEmpty()) {
            if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                                   "/platformthemes/libqgtk3.so"))
                QSKIP("Qt's GTK theme is not installed (qt6-gtk-platformtheme)");
            settings = {{"QT_QPA_PLATFORMTHEME", "gtk3"}, {"GTK_THEME", "Adwaita:dark"}};
        }
        const QStringList lines = onDesktop("1024x768", {"--measure-contrast", base}, settings);
        if (lines.value(0).startsWith("missing"))
            QSKIP(qPrintable(lines[0] + " (scripts/install-deps.sh installs it)"));
        const QStringList m = lines.value(0).split(u' ');
        QVERIFY2(m.size() == 9, qPrintable(lines.join(u'\n')));
        const QRgb theme = QColor(m[0]).rgb();
        QVERIFY2(!base.isEmpty() || contrast(theme, qRgb(0, 0, 0)) < 4.5, "the theme is not dark");
        const QStringList expected = backgrounds.split(u' ');
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(m[1 + 2 * i], expected[i] == "white" ? "#ffffff" : base);
            const double least = i < 2 ? 4.5 : contrast(qRgb(255, 0, 0), qRgb(255, 255, 255)) - .1;
            QVERIFY2(contrast(QColor(m[2 + 2 * i]).rgb(), QColor(m[1 + 2 * i]).rgb()) >= least,
                     qPrintable(lines[0]));
        }
        QVERIFY2(contrast(QColor(m[7]).rgb(), QColor(m[5]).rgb()) >= 3, qPrintable(lines[0]));
        QVERIFY2(contrast(QColor(m[8]).rgb(), QColor(m[7]).rgb()) >= 3, qPrintable(lines[0]));
    }

    void windowsFitTheScreen_data() {
        QTest::addColumn<QString>("scale");
        QTest::newRow("2") << "2";
        QTest::newRow("1.5") << "1.5";
        QTest::newRow("3") << "3";
    }

    // On a 1280 x 1024 screen every window is inside the available area,
    // frame and all, at its designed size where that fits, otherwise as
    // large as the area the way it does not fit. (Logical pixels round the
    // frame's device pixels on a scaled screen: a pixel either way is the
    // same.)
    void windowsFitTheScreen() {
        QFETCH(QString, scale);
        const QStringList lines =
            onDesktop("1280x1024", {"--measure-windows"}, {{"QT_SCALE_FACTOR", scale}});
        if (lines.value(0).startsWith("missing"))
            QSKIP(qPrintable(lines[0] + " (scripts/install-deps.sh installs it)"));
        QStringList seen;
        for (const QString& line : lines) {
            QList<int> v;
            for (const QString& n : line.split(u' ').mid(1))
                v << n.toInt();
            QCOMPARE(v.size(), 13);
            seen << line.section(u' ', 0, 0);
            const QRect frame(v[0], v[1], v[2], v[3]), available(v[9], v[10], v[11], v[12]);
            const QSize client(v[4], v[5]), designed(v[6], v[7]);
            QVERIFY2(available.adjusted(-1, -1, 1, 1).contains(frame), qPrintable(line));
            const QSize needed = designed + frame.size() - client;
            const bool fits =
                needed.width() <= available.width() && needed.height() <= available.height();
            QVERIFY2(v[8] == int(fits), qPrintable(line));
            const QSize expected = fits ? designed + frame.size() - client : available.size();
            if (fits || needed.width() > available.width())
                QVERIFY2(std::abs(frame.width() - expected.width()) <= 2, qPrintable(line));
            if (fits || needed.height() > available.height())
                QVERIFY2(std::abs(frame.height() - expected.height()) <= 2, qPrintable(line));
        }
        QCOMPARE(seen, (QStringList{"editor", "preview", "open", "save", "delete", "message"}));
    }
};

int main(int argc, char** argv) {
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (mode == "--measure-contrast" || mode == "--measure-windows") {
        int one = 1;
        QApplication app(one, argv);
        pw::prepareApplication();
        return mode == "--measure-windows" ? measureWindows()
                                           : measureContrast(QString::fromLatin1(argv[2]));
    }
    QCoreApplication app(argc, argv);
    DesktopTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
