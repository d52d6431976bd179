// The real program's text area as screen readers hear it, on a real X
// desktop (Xvfb, openbox, a session bus of its own) with the accessibility
// bus and registry of at-spi2-core. The program is driven by xdotool's key
// presses only. Once through a listener that hears what a screen reader
// hears (every text-changed, text-caret-moved and text-selection-changed
// event), kept as a copy of the text that must stay the program's text; once
// through Orca itself, whose log says what it brailles and speaks. Skipped,
// with the reason, where a client is missing. Every wait is bounded.

#include "support/readers.h"
#include "support/testfiles.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

namespace {

constexpr int StartTimeout = 30000;
constexpr int ActTimeout = 10000;

QString program() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("pagewick"));
}

// What a screen reader knows of the text area: the text built from the
// events alone, the caret and the selection they last told, and what was
// wrong with them.
struct Heard {
    QString text;
    int caret = -1;
    QJsonArray selection; // [[start, end]...] as last told
    int caretMoves = 0;
    int selectionEvents = 0;
    QJsonObject lastInsert;
    QStringList faults;
    size_t seen = 0;

    void follow(const std::vector<QJsonObject>& events) {
        for (; seen < events.size(); ++seen) {
            const QJsonObject& e = events[seen];
            const QString type = e.value("type").toString();
            const int at = e.value("d1").toInt();
            const int len = e.value("d2").toInt();
            const QString t = e.value("text").toString();
            if (type.startsWith(QLatin1String("object:text-changed:insert"))) {
                if (at < 0 || at > text.size() || len != t.size())
                    faults << QStringLiteral("insert of %1 at %2 with %3 characters of text")
                                  .arg(len)
                                  .arg(at)
                                  .arg(t.size());
                else
                    text.insert(at, t);
                lastInsert = e;
            } else if (type.startsWith(QLatin1String("object:text-changed:delete"))) {
                if (at < 0 || at + len > text.size() || text.mid(at, len) != t)
                    faults << QStringLiteral("delete of %1 at %2 said \"%3\" went, where the "
                                             "text held \"%4\"")
                                  .arg(len)
                                  .arg(at)
                                  .arg(t.left(20), text.mid(at, len).left(20));
                else
                    text.remove(at, len);
            } else if (type.startsWith(QLatin1String("object:text-caret-moved"))) {
                caret = at;
                ++caretMoves;
            } else if (type.startsWith(QLatin1String("object:text-selection-changed"))) {
                selection = e.value("selections").toArray();
                ++selectionEvents;
            }
        }
    }

    QString describe() const {
        return QStringLiteral("heard \"%1\" (%2 characters), caret %3, selection %4%5")
            .arg(text.left(40))
            .arg(text.size())
            .arg(caret)
            .arg(QString::fromUtf8(QJsonDocument(selection).toJson(QJsonDocument::Compact)),
                 faults.isEmpty() ? QString() : "; " + faults.join("; "));
    }
};

QJsonArray span(int start, int end) {
    return start == end ? QJsonArray() : QJsonArray{QJsonArray{start, end}};
}

// The start of a case on the desktop: X, the window manager, the
// accessibility bus; why not, when it could not be had.
QString startDesktop(ReaderDesktop& d) {
    for (const char* tool : {"Xvfb", "openbox", "xdotool", "dbus-daemon"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)")
                .arg(tool);
    if (!QFileInfo(program()).isExecutable())
        return QStringLiteral("the pagewick program is not built beside the tests");
    if (!d.startX(QStringLiteral("1280x800")))
        return QStringLiteral("Xvfb would not start here");
    if (!d.startWindowManager())
        return QStringLiteral("the window manager did not start");
    const QString why = d.startAccessibility();
    return why.isEmpty() ? why : why + " (scripts/install-deps.sh installs at-spi2-core)";
}

// The program's editor window, active; empty when it did not come.
QString startProgram(ReaderDesktop& d, QProcessEnvironment env, const QString& folder) {
    d.start(program(), {}, folder, env);
    QString window;
    const auto active = [&] { return d.run("xdotool", {"getactivewindow"}).trimmed() == window; };
    if (!waitFor(
            [&] {
                window = d.run("xdotool", {"search", "--onlyvisible", "--name", "^Pagewick$"})
                             .section(u'\n', 0, 0)
                             .trimmed();
                return !window.isEmpty();
            },
            StartTimeout))
        return {};
    d.run("xdotool", {"windowactivate", "--sync", window});
    return waitFor(active, ActTimeout) ? window : QString();
}

} // namespace

class ScreenReaderTest : public QObject {
    Q_OBJECT
    QTemporaryDir folder;

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    // Typing, Backspace, Delete, Shift+Right, cut, typing over a selection,
    // a paste of 10,013 characters, its undo and redo: after each, the text
    // built from the events alone is the program's text, the caret and the
    // selection are where they are told to be, and the text area answers
    // with the same.
    void eventsTellEveryEditAndMove() {
        ReaderDesktop d;
        if (const QString why = startDesktop(d); !why.isEmpty())
            QSKIP(qPrintable(why));
        TextEvents events;
        if (const QString why = events.start(d, QStringLiteral(PW_ATSPI_LISTENER), "pagewick");
            !why.isEmpty())
            QSKIP(qPrintable(why + " (scripts/install-deps.sh installs it)"));

        // Lines of 50 characters with their CR LF, and a tail: 10,013.
        QString big;
        for (int i = 0; big.size() < 10000; ++i)
            big += QStringLiteral("line %1 ").arg(i, 5, 10, QChar(u'0')).leftJustified(48, u'.') +
                   "\r\n";
        big = big.left(10000) + QStringLiteral("the last part");
        QCOMPARE(big.size(), 10013);
        const QString clip = folder.filePath("clipboard.txt");
        QFile f(clip);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(big.toUtf8());
        f.close();
        QProcess* owner =
            d.start(QCoreApplication::applicationFilePath(), {"--own-clipboard", clip});
        QVERIFY2(waitFor([&] { return owner->canReadLine(); }, StartTimeout),
                 "the clipboard owner did not start");

        QProcessEnvironment env = d.readerEnvironment();
        env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        const QString window = startProgram(d, env, folder.path());
        QVERIFY2(!window.isEmpty(), "the editor window did not appear and become active");

        Heard heard;
        const auto step = [&](const char* what, const QStringList& keys, const QString& text,
                              int caret, const QJsonArray& selection) {
            const int moves = heard.caretMoves;
            d.run("xdotool", keys);
            const bool ok = waitFor(
                [&] {
                    heard.follow(events.events());
                    return heard.text == text && heard.caret == caret &&
                           heard.selection == selection && heard.caretMoves > moves;
                },
                ActTimeout, 50);
            return ok && heard.faults.isEmpty()
                       ? QString()
                       : QStringLiteral("%1: %2; it should be \"%3\", caret %4")
                             .arg(what, heard.describe(), text.left(40))
                             .arg(caret);
        };
#define STEP(what, keys, text, caret, selection)                                                   \
    do {                                                                                           \
        const QString fault = step(what, keys, text, caret, selection);                            \
        QVERIFY2(fault.isEmpty(), qPrintable(fault));                                              \
    } while (false)

        STEP("typing", QStringList({"type", "--delay", "30", "hi there"}), "hi there", 8, {});
        STEP("Backspace", QStringList({"key", "BackSpace"}), "hi ther", 7, {});
        STEP("Backspace", QStringList({"key", "BackSpace"}), "hi the", 6, {});
        STEP("Home", QStringList({"key", "Home"}), "hi the", 0, {});
        STEP("Delete", QStringList({"key", "Delete"}), "i the", 0, {});

        // The whole of a long paste, in one insert, as undo and redo take
        // it out and put it in again.
        STEP("End", QStringList({"key", "End"}), "i the", 5, {});
        STEP("Shift+Insert", QStringList({"key", "shift+Insert"}), "i the" + big, 10018, {});
        QCOMPARE(heard.lastInsert.value("d2").toInt(), 10013);
        STEP("Ctrl+Z", QStringList({"key", "ctrl+z"}), "i the", 5, {});
        STEP("Ctrl+Y", QStringList({"key", "ctrl+y"}), "i the" + big, 10018, {});
        // What the text area answers when asked is what the events built;
        // the caret's line is the one a braille display shows.
        QJsonObject state = events.state();
        QVERIFY2(!state.contains("error"), qPrintable(state.value("error").toString()));
        QCOMPARE(state.value("count").toInt(), heard.text.size());
        QCOMPARE(state.value("text").toString(), heard.text);
        QCOMPARE(state.value("caret").toInt(), 10018);
        const QJsonArray line = state.value("line").toArray();
        QCOMPARE(line.at(0).toString(), QStringLiteral("the last part"));
        QCOMPARE(line.at(1).toInt(), 10005);
        QCOMPARE(line.at(2).toInt(), 10018);

        // Each move of a selection's end moves the caret too.
        STEP("Ctrl+Home", QStringList({"key", "ctrl+Home"}), "i the" + big, 0, {});
        STEP("Shift+Right", QStringList({"key", "shift+Right"}), "i the" + big, 1, span(0, 1));
        STEP("Shift+Right", QStringList({"key", "shift+Right"}), "i the" + big, 2, span(0, 2));
        // The selection going away is told as well.
        STEP("Ctrl+X", QStringList({"key", "ctrl+x"}), "the" + big, 0, {});
        for (int i = 1; i <= 3; ++i)
            STEP("Shift+Right", QStringList({"key", "shift+Right"}), "the" + big, i, span(0, i));
        STEP("typing over the selection", QStringList({"type", "T"}), "T" + big, 1, {});

        state = events.state();
        QCOMPARE(state.value("count").toInt(), heard.text.size());
        QCOMPARE(state.value("text").toString(), heard.text);
        QCOMPARE(state.value("caret").toInt(), 1);
        QCOMPARE(state.value("selections").toArray(), QJsonArray());
        const QJsonArray first = state.value("line").toArray();
        QCOMPARE(first.at(0).toString(), "T" + big.left(50));
        QCOMPARE(first.at(1).toInt(), 0);
        QCOMPARE(first.at(2).toInt(), 51);

        // File > Clear: all of the text goes, in one delete.
        const auto menus = [&] {
            return d.run("xdotool", {"search", "--onlyvisible", "--class", "^Pagewick$"})
                .split(u'\n', Qt::SkipEmptyParts)
                .size();
        };
        const qsizetype before = menus();
        d.run("xdotool", {"mousemove", "--window", window, "15", "10", "click", "1"});
        QVERIFY2(waitFor([&] { return menus() > before; }, ActTimeout),
                 "the File menu did not open");
        STEP("File > Clear", QStringList({"key", "Down", "Down", "Down", "Down", "Down", "Return"}),
             QString(), 0, {});
#undef STEP
        QCOMPARE(events.state().value("count").toInt(), 0);
    }

    // Orca: after "hi there" and two Backspaces the braille line shows
    // "hi the", and each deleted letter is spoken; Delete speaks the letter
    // that comes under the caret.
    void orcaBraillesAndSpeaksDeletions() {
        if (QStandardPaths::findExecutable("orca").isEmpty())
            QSKIP("orca is not installed (scripts/install-deps.sh installs it)");
        ReaderDesktop d;
        if (const QString why = startDesktop(d); !why.isEmpty())
            QSKIP(qPrintable(why));
        OrcaLog log;
        const QString logFile = QDir(d.home()).filePath("orca.log");
        const QString terminal = log.open(logFile);
        QVERIFY2(!terminal.isEmpty(), "no terminal for Orca's log");
        // As a desktop does when the user turns the screen reader on.
        QVERIFY(d.setScreenReaderEnabled(true));
        const QString prefs = QDir(d.home()).filePath("orca-settings");
        QDir().mkpath(prefs);
        d.start("orca", {"--user-prefs", prefs, "--debug-file=" + terminal}, d.home(),
                d.readerEnvironment());
        const auto said = [&](qsizetype from, const QString& what) {
            return log.lines("SPEECH OUTPUT", from).contains(what);
        };
        const bool started = waitFor([&] { return said(0, "Screen reader on."); }, StartTimeout);
        if (!started)
            d.keepHome();
        QVERIFY2(started, qPrintable("Orca did not start; its log is " + logFile));

        QVERIFY2(!startProgram(d, d.readerEnvironment(), folder.path()).isEmpty(),
                 "the editor window did not appear and become active");
        const auto brailled = [&] {
            const QStringList lines = log.lines("BRAILLE LINE");
            return lines.isEmpty() ? QString() : lines.back();
        };
        QVERIFY2(waitFor([&] { return brailled().contains(QLatin1String("Text")); }, StartTimeout),
                 qPrintable("Orca did not find the text area; it brailles " + brailled()));

        const auto step = [&](const QStringList& keys, const QString& line, const QString& spoken) {
            const qsizetype from = log.text().size();
            d.run("xdotool", keys);
            const bool ok = waitFor(
                [&] {
                    return brailled().endsWith(" " + line + " $l") &&
                           (spoken.isEmpty() || said(from, spoken));
                },
                ActTimeout, 50);
            if (!ok)
                d.keepHome();
            return ok ? QString()
                      : QStringLiteral("%1: Orca brailles \"%2\" and said \"%3\", not \"%4\" and "
                                       "\"%5\" (its log is %6)")
                            .arg(keys.join(' '), brailled(),
                                 log.lines("SPEECH OUTPUT", from).join("\", \""), line, spoken,
                                 logFile);
        };
        QString fault = step({"type", "--delay", "50", "hi there"}, "hi there", {});
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        fault = step({"key", "BackSpace"}, "hi ther", "e");
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        fault = step({"key", "BackSpace"}, "hi the", "r");
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        fault = step({"key", "Home", "Delete"}, "i the", "i");
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

int main(int argc, char** argv) {
    // On the test's display: a program that owns the clipboard with a file's
    // text.
    if (argc == 3 && qstrcmp(argv[1], "--own-clipboard") == 0) {
        QGuiApplication app(argc, argv);
        QFile f(QString::fromLocal8Bit(argv[2]));
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        QGuiApplication::clipboard()->setText(QString::fromUtf8(f.readAll()));
        std::printf("owned\n");
        std::fflush(stdout);
        return app.exec();
    }
    QCoreApplication app(argc, argv);
    ScreenReaderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenreader.moc"
