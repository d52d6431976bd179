// The program at home on a desktop: its command line (read without a
// display), its text legible on a dark theme, and its windows on scaled
// screens. The last two run this test program again on a real X desktop
// (Xvfb and openbox, support/xdesktop.h) in the settings of the case, as a
// user's session would start the program; what it measures there, from the
// pixels on the display and the frames the window manager gave, it prints,
// and the cases here judge it.

#include "support/process.h"
#include "support/testfiles.h"
#include "support/xdesktop.h"

#include "dialogs/delfile.h"
#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "editor/viewhtml.h"
#include "platform/application.h"
#include "platform/services.h"
#include "platform/textbox.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <map>

namespace {

// ---------------------------------------------------------------- measures

// The WCAG contrast ratio, worked out here on its own.
double contrast(QRgb a, QRgb b) {
    const auto lum = [](QRgb c) {
        const auto ch = [](int v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * ch(qRed(c)) + 0.7152 * ch(qGreen(c)) + 0.0722 * ch(qBlue(c));
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The commonest colour of an image, and the one that stands out most from a
// colour among those of the image.
QRgb commonest(const QImage& image, const QRect& area) {
    std::map<QRgb, int> count;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++count[image.pixel(x, y) | 0xFF000000];
    return std::max_element(count.begin(), count.end(),
                            [](auto& a, auto& b) { return a.second < b.second; })
        ->first;
}
QRgb farthest(const QImage& image, const QRect& area, QRgb from) {
    QRgb best = from;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (contrast(image.pixel(x, y), from) > contrast(best, from))
                best = image.pixel(x, y) | 0xFF000000;
    return best;
}

QString hex(QRgb c) {
    return QColor(c).name();
}
QRgb rgb(const QString& name) {
    return QColor(name).rgb();
}

void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// ------------------------------------------------- run on the test desktop

// The text area as the display shows it.
QImage textPixels(textedit& editor) {
    QWidget* view = editor.Text1->viewport();
    QApplication::processEvents();
    const QPoint at = view->mapTo(view->window(), QPoint(0, 0));
    return view->screen()
        ->grabWindow(view->window()->winId(), at.x(), at.y(), view->width(), view->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Types large bold text in each colour of the Font menu and prints, per
// colour, the theme's base, the background and the text as drawn, then the
// selection's colours.
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
    editor.Text1->setText(QStringLiteral("HHH Legible HHH"));
    editor.Text1->setFocus();
    say("theme " + hex(QApplication::palette().color(QPalette::Base).rgb()));
    QImage shot;
    for (const char* colour : {"blk", "blu", "rdf"}) {
        menu(colour);
        const auto text = [&] {
            shot = textPixels(editor);
            const QRgb bg = commonest(shot, shot.rect());
            return contrast(farthest(shot, shot.rect(), bg), bg) > 1.5;
        };
        waitFor(text, 5000, 50);
        const QRgb bg = commonest(shot, shot.rect());
        say(QStringLiteral("colour %1 %2 %3")
                .arg(colour, hex(bg), hex(farthest(shot, shot.rect(), bg))));
    }
    const QRgb bg = commonest(shot, shot.rect());
    editor.Text1->selectAll();
    QRgb highlight = bg;
    QRect selected;
    waitFor(
        [&] {
            shot = textPixels(editor);
            // The selection: the rows whose commonest colour is not the
            // background.
            selected = QRect();
            for (int y = 0; y < shot.height(); ++y) {
                const QRgb row = commonest(shot, QRect(0, y, shot.width() / 2, 1));
                if (row != bg) {
                    highlight = row;
                    selected |= QRect(0, y, shot.width() / 2, 1);
                }
            }
            return !selected.isEmpty();
        },
        5000, 50);
    say(QStringLiteral("selection %1 %2")
            .arg(hex(highlight),
                 hex(selected.isEmpty() ? highlight : farthest(shot, selected, highlight))));
    return 0;
}

// Where a window stands once the window manager has framed it: its frame,
// its client size, its designed client size and whether it keeps it.
void reportWindow(const char* name, QWidget* w, QSize designed, bool designedKept) {
    waitFor([&] { return w->frameGeometry() != w->geometry(); }, 5000, 50);
    const QRect available = w->screen()->availableGeometry();
    waitFor([&] { return available.contains(w->frameGeometry()); }, 3000, 50);
    const QRect f = w->frameGeometry();
    say(QStringLiteral("window %1 %2 %3 %4 %5 %6 %7 %8 %9")
            .arg(QString::fromLatin1(name))
            .arg(f.x())
            .arg(f.y())
            .arg(f.width())
            .arg(f.height())
            .arg(QStringLiteral("%1x%2").arg(w->width()).arg(w->height()))
            .arg(QStringLiteral("%1x%2").arg(designed.width()).arg(designed.height()))
            .arg(int(designedKept))
            .arg(QStringLiteral("%1,%2,%3,%4")
                     .arg(available.x())
                     .arg(available.y())
                     .arg(available.width())
                     .arg(available.height())));
}

void reportForm(const char* name, pw::Form& form) {
    form.Show();
    QSize designed = form.surface()->size();
    if (QWidget* bar = form.menuWidget())
        designed.rheight() += bar->sizeHint().height();
    reportWindow(name, &form, designed, form.hasDesignedSize());
}

// Opens each kind of window in turn and reports where it stands.
int measureWindows() {
    reportForm("editor", textedit::instance());
    reportForm("preview", viewhtml::instance());
    reportForm("open", openfile::instance());
    openfile::instance().Unload();
    reportForm("save", savefile::instance());
    savefile::instance().Unload();
    reportForm("delete", delfile::instance());
    // A message of the longest kind the program shows: a failure naming a
    // deep path.
    QString path;
    for (int i = 0; i < 12; ++i)
        path += QStringLiteral("/a-rather-long-folder-name-%1").arg(i);
    QTimer::singleShot(0, [] {
        waitFor([] { return QApplication::activeModalWidget(); }, 5000, 50);
        if (QWidget* box = QApplication::activeModalWidget()) {
            reportWindow("message", box, box->size(), true);
            box->close();
        }
    });
    pw::services().msgBox(QStringLiteral("Could not open the file: %1/notes.txt. The file does "
                                         "not exist.")
                              .arg(path),
                          pw::MsgBoxCritical, QStringLiteral("Pagewick"));
    return 0;
}

// The program's start with the rest of the command line: prints the text
// the editor shows once the file named there is open, and the style.
int runAsProgram(int argc, char** argv) {
    return pw::runApplication(argc, argv, [] {
        textedit& editor = textedit::instance();
        const QStringList files = pw::commandLineFiles();
        if (!files.isEmpty())
            editor.OpenFromDesktop(files.first());
        QTimer::singleShot(0, [&editor] {
            waitFor([&] { return !editor.Text1->Text().isEmpty(); }, 5000, 50);
            say("style " + QApplication::style()->name());
            say("text " + editor.Text1->Text().trimmed());
            pw::services().end();
        });
    });
}

// ------------------------------------------------------------ the checks

QString programPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pagewick"));
}

bool haveDesktop() {
    for (const char* tool : {"Xvfb", "openbox", "xprop"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return false;
    return true;
}

// Runs this program on a fresh desktop with the given settings and returns
// what it printed, line by line.
QStringList onDesktop(const QString& size, const QStringList& args,
                      const std::map<QString, QString>& settings, const QString& folder) {
    XDesktop d;
    if (!d.startX(size) || !d.startWindowManager())
        return {QStringLiteral("no desktop")};
    QProcessEnvironment env = d.environment();
    for (const auto& [name, value] : settings)
        env.insert(name, value);
    QProcess* p = d.start(QCoreApplication::applicationFilePath(), args, folder, env);
    p->waitForFinished(60000);
    return QString::fromLocal8Bit(p->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;

private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // how the standard output begins
        QTest::addColumn<QString>("err"); // the whole error output
        const QString usage = QStringLiteral("Usage: pagewick [FILE]\n");
        const QString hint =
            QStringLiteral("Usage: pagewick [FILE] (pagewick --help tells more)\n");
        const QString version = QStringLiteral("Pagewick " PW_VERSION "\n");
        const QString noDisplay = QStringLiteral(
            "pagewick: there is no display to show the window on (neither DISPLAY nor "
            "WAYLAND_DISPLAY is set).\n");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << QString();
        QTest::newRow("-h") << QStringList{"-h", "notes.txt"} << 0 << usage << QString();
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << QString();
        QTest::newRow("-v") << QStringList{"-v"} << 0 << version << QString();
        QTest::newRow("unknown long") << QStringList{"--frobnicate", "notes.txt"} << 2 << QString()
                                      << "pagewick: unknown option --frobnicate\n" + hint;
        QTest::newRow("unknown short")
            << QStringList{"-x"} << 2 << QString() << "pagewick: unknown option -x\n" + hint;
        QTest::newRow("option after --")
            << QStringList{"--", "--help"} << 1 << QString() << noDisplay;
        QTest::newRow("a file") << QStringList{"notes.txt"} << 1 << QString() << noDisplay;
    }

    // Read before anything needs a display: the display is taken away.
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
        p.start(programPath(), args);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), err);
        const QString output = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY2(out.isEmpty() ? output.isEmpty() : output.startsWith(out), qPrintable(output));
        QCOMPARE(p.exitCode(), exitCode);
    }

    void filesOnTheCommandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("style"); // empty: any
        QTest::newRow("after --") << QStringList{"--", "-notes.txt"} << QString();
        QTest::newRow("after a Qt option")
            << QStringList{"-style", "fusion", "--", "-notes.txt"} << QStringLiteral("fusion");
    }

    // The program's own start, with a file whose name begins with '-'.
    void filesOnTheCommandLine() {
        QFETCH(QStringList, args);
        QFETCH(QString, style);
        QVERIFY(tmp.isValid());
        QVERIFY(writeAll(tmp.filePath(QStringLiteral("-notes.txt")), "dashed\r\n"));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(tmp.path());
        p.start(QCoreApplication::applicationFilePath(), QStringList{"--as-program"} + args);
        QVERIFY(p.waitForFinished(20000));
        const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
        QVERIFY2(out.contains(QLatin1String("text dashed\n")), qPrintable(out));
        if (!style.isEmpty())
            QVERIFY2(out.contains("style " + style + "\n"), qPrintable(out));
    }

    void darkTheme_data() {
        QTest::addColumn<QString>("base");        // the palette's base; empty: the theme's
        QTest::addColumn<QString>("backgrounds"); // for black, blue, red: the base or white
        QTest::newRow("GTK Adwaita:dark") << QString() << "white white white";
        QTest::newRow("dark palette") << "#2d2d2d"
                                      << "white white white";
        // A light base is kept where the text shows on it.
        QTest::newRow("light palette") << "#fff3c4"
                                       << "base base white";
    }

    // From the pixels drawn: black and blue reach 4.5:1 and red what it can
    // (on white); the selection stands out from the background and its text
    // from it.
    void darkTheme() {
        QFETCH(QString, base);
        QFETCH(QString, backgrounds);
        if (!haveDesktop())
            QSKIP("Xvfb, openbox or xprop is not installed (scripts/install-deps.sh installs "
                  "them)");
        std::map<QString, QString> settings;
        if (base.isEmpty()) {
            const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                                   QStringLiteral("/platformthemes/libqgtk3.so");
            if (!QFileInfo::exists(plugin))
                QSKIP("Qt's GTK platform theme is not installed (qt6-gtk-platformtheme); the "
                      "dark palette rows stand in for it");
            settings = {{"QT_QPA_PLATFORMTHEME", "gtk3"}, {"GTK_THEME", "Adwaita:dark"}};
        }
        const QStringList lines =
            onDesktop("1024x768", {"--measure-contrast", base}, settings, tmp.path());
        QVERIFY2(lines.size() == 5, qPrintable(lines.join(u'\n')));
        const QRgb theme = rgb(lines[0].section(u' ', 1));
        if (base.isEmpty())
            QVERIFY2(contrast(theme, qRgb(0, 0, 0)) < 4.5,
                     qPrintable("the theme is not dark: " + lines[0]));
        const QStringList expected = backgrounds.split(u' ');
        QRgb background = 0;
        for (int i = 0; i < 3; ++i) {
            const QStringList m = lines[1 + i].split(u' ');
            background = rgb(m[2]);
            const QRgb text = rgb(m[3]);
            QCOMPARE(hex(background), expected[i] == "white" ? "#ffffff" : hex(theme));
            const double least =
                i == 2 ? contrast(qRgb(255, 0, 0), qRgb(255, 255, 255)) - 0.1 : 4.5;
            QVERIFY2(contrast(text, background) >= least, qPrintable(lines[1 + i]));
        }
        const QStringList sel = lines[4].split(u' ');
        QVERIFY2(contrast(rgb(sel[1]), background) >= 3, qPrintable(lines[4]));
        QVERIFY2(contrast(rgb(sel[2]), rgb(sel[1])) >= 3, qPrintable(lines[4]));
    }

    void windowsFitTheScreen_data() {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QString>("screen");
        QTest::newRow("2 on 1280x1024") << "2"
                                        << "1280x1024";
        QTest::newRow("1.5 on 1280x1024") << "1.5"
                                          << "1280x1024";
        QTest::newRow("3 on 1280x1024") << "3"
                                        << "1280x1024";
    }

    // Every window inside the available area, frame and all; at its designed
    // size where that fits, otherwise as large as the area in the direction
    // it does not fit.
    void windowsFitTheScreen() {
        QFETCH(QString, scale);
        QFETCH(QString, screen);
        if (!haveDesktop())
            QSKIP("Xvfb, openbox or xprop is not installed (scripts/install-deps.sh installs "
                  "them)");
        const QStringList lines =
            onDesktop(screen, {"--measure-windows"}, {{"QT_SCALE_FACTOR", scale}}, tmp.path());
        QStringList seen;
        for (const QString& line : lines) {
            const QStringList m = line.split(u' ');
            QCOMPARE(m.size(), 10);
            seen << m[1];
            const QRect frame(m[2].toInt(), m[3].toInt(), m[4].toInt(), m[5].toInt());
            const QStringList a = m[9].split(u',');
            const QRect available(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
            // Logical pixels round the frame's device pixels on a scaled
            // screen: a pixel either way is the same place.
            QVERIFY2(available.adjusted(-1, -1, 1, 1).contains(frame), qPrintable(line));
            const QSize client(m[6].section(u'x', 0, 0).toInt(), m[6].section(u'x', 1).toInt());
            const QSize designed(m[7].section(u'x', 0, 0).toInt(), m[7].section(u'x', 1).toInt());
            const QSize margins = frame.size() - client;
            const QSize needed = designed + margins;
            const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
            if (needed.width() <= available.width() && needed.height() <= available.height()) {
                QVERIFY2(m[8] == "1" && near(client.width(), designed.width()) &&
                             near(client.height(), designed.height()),
                         qPrintable(line));
            } else {
                QVERIFY2(m[8] == "0", qPrintable(line));
                if (needed.width() > available.width())
                    QVERIFY2(frame.width() >= available.width() - 2, qPrintable(line));
                if (needed.height() > available.height())
                    QVERIFY2(frame.height() >= available.height() - 2, qPrintable(line));
            }
        }
        QCOMPARE(seen, (QStringList{"editor", "preview", "open", "save", "delete", "message"}));
    }
};

int main(int argc, char** argv) {
    if (const int grabbed = grabWindowOnDisplay(argc, argv); grabbed >= 0)
        return grabbed;
    if (argc > 1 && qstrcmp(argv[1], "--as-program") == 0) {
        argv[1] = argv[0];
        int rest = argc - 1;
        return runAsProgram(rest, argv + 1);
    }
    if (argc > 1 && (qstrcmp(argv[1], "--measure-contrast") == 0 ||
                     qstrcmp(argv[1], "--measure-windows") == 0)) {
        const QString what = QString::fromLatin1(argv[1]);
        const QString base = argc > 2 ? QString::fromLatin1(argv[2]) : QString();
        int one = 1;
        QApplication app(one, argv);
        pw::prepareApplication();
        return what == QLatin1String("--measure-contrast") ? measureContrast(base)
                                                           : measureWindows();
    }
    QCoreApplication app(argc, argv);
    DesktopTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
