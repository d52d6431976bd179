// The text area with large files, through the real window.
//
// Each measurement runs in a fresh process (its peak memory is its own):
//   open     the Open dialog's "Open" on the file until the window has painted
//            and no event is left to handle; peak memory above the empty
//            window's
//   baseline a plain read of the file and an index of its line starts
//   type     the program's CPU time per typed character (key handled and the
//            text area painted), at the start or the end of the text
//   ctrlend  Ctrl+End and the paint after it
//   text     reading the whole text back (Text), as opened and after a
//            character typed in the middle
//   open-idle the Open dialog's "Open" until the rows around the view have
//            been measured in idle time too: wall time and CPU time
//   floor    what opening can never beat: the program's own reading of the
//            file into one string (as Open reads it), counting its lines
//   keys     in a text of a million lines: the CPU per typed character
//            (handled, painted, and any idle work it caused) at the start of
//            the row on top of the view in the middle of the text, freshly
//            opened or after 40 jumps of the scroll bar to random places
//            (idle measuring let finish at each); the memory of the rows'
//            height map per line (as the text area tells it) and the growth
//            of the process's resident memory over the jumps per line; how
//            long the jumps took and at how many the measuring had not
//            finished within its limit
// Files: a 1 MB and a 10 MB single line of HTML, 100 MB of CR LF lines and a
// million lines of words. Prints the median of each, and how each compares
// with its goal.
//
// Usage: bench_textarea [--runs N] [--dir FOLDER] [--only TEXT]

#include "dialogs/openfile.h"
#include "editor/textedit.h"
#include "platform/application.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/services.h"
#include "platform/files/seqfile.h"
#include "support/benchsupport.h"
#include "support/wordlines.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <type_traits>
#include <vector>

namespace {

double cpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Handles events until none is left, the text area painted once more.
void settle(textedit& w) {
    w.Text1->viewport()->repaint();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Handles events until the text area has no rows left to measure in idle
// time (or the limit has passed), then until none is left. Returns whether
// the measuring finished.
bool settleIdle(textedit& w, qint64 limitMs = 60000) {
    QElapsedTimer limit;
    limit.start();
    settle(w);
    // Waits for the measuring timer rather than polling, so that the CPU the
    // process uses meanwhile is the text area's.
    while (w.Text1->measuring() && limit.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const bool finished = !w.Text1->measuring();
    settle(w);
    return finished;
}

// The bytes the text area's height map of rows takes.
qint64 heightMapBytes(const pw::TextArea& area) {
    return qint64(area.heightMapBytes());
}

// The scroll bar's thumb put at a fraction of its way; whether the idle
// measuring there finished within the limit.
bool jump(textedit& w, double fraction, qint64 limitMs = 60000) {
    QScrollBar* bar = w.Text1->verticalScrollBar();
    bar->setValue(bar->minimum() + qRound(fraction * (bar->maximum() - bar->minimum())));
    return settleIdle(w, limitMs);
}

void key(QWidget* to, int k, Qt::KeyboardModifiers mods = Qt::NoModifier,
         const QString& text = {}) {
    QKeyEvent down(QEvent::KeyPress, k, mods, text);
    QCoreApplication::sendEvent(to, &down);
    QKeyEvent up(QEvent::KeyRelease, k, mods, text);
    QCoreApplication::sendEvent(to, &up);
}

void open(textedit& w, const QString& file) {
    const QFileInfo info(file);
    openfile& d = openfile::instance();
    d.Dir1->setPath(info.absolutePath());
    d.Text1->setText(info.fileName());
    d.Command1->click();
    settle(w);
}

int child(const QString& mode, const QString& file, int argc, char** argv) {
    QApplication app(argc, argv);
    pw::prepareApplication();
    QuietServices quiet;
    pw::setServices(&quiet);
    textedit& w = textedit::instance();
    w.Show();
    settle(w);
    const qint64 start = statusValue("VmRSS:");
    double value = 0;
    QList<double> extra; // figures some modes give besides
    QElapsedTimer timer;
    if (mode == QLatin1String("open")) {
        timer.start();
        open(w, file);
        value = timer.nsecsElapsed() / 1e9;
    } else if (mode == QLatin1String("open-idle")) {
        const double cpu = cpuSeconds();
        timer.start();
        open(w, file);
        settleIdle(w);
        value = timer.nsecsElapsed() / 1e9;
        extra << cpuSeconds() - cpu;
    } else if (mode == QLatin1String("floor")) {
        timer.start();
        pw::SequentialFile f(file, pw::SequentialFile::Input);
        QString text;
        text.reserve(qsizetype(f.LOF()) + 2);
        qsizetype lines = 0;
        while (!f.Eof()) {
            text += f.LineInput();
            text += QLatin1String("\r\n");
            ++lines;
        }
        value = timer.nsecsElapsed() / 1e9;
        if (lines == 0 || text.isEmpty())
            return 2;
    } else if (mode.startsWith(QLatin1String("keys"))) {
        open(w, file);
        settleIdle(w);
        const qint64 before = statusValue("VmRSS:");
        // The jumps: a text area that measures slowly must not keep the
        // benchmark for ever, so each waits at most 15 s and all of them at
        // most 5 minutes; those whose measuring had not finished are told.
        int unfinished = 0;
        QElapsedTimer jumping;
        jumping.start();
        if (mode == QLatin1String("keys-jumped")) {
            QRandomGenerator random(7);
            for (int i = 0; i < 40; ++i)
                if (!jump(w, random.generateDouble(),
                          std::clamp<qint64>(300000 - jumping.elapsed(), 0, 15000)))
                    ++unfinished;
        }
        if (!jump(w, 0.5))
            ++unfinished;
        const double jumpSeconds = jumping.nsecsElapsed() / 1e9;
        const qint64 growth = statusValue("VmRSS:") - before;
        w.Text1->SetFocus();
        w.Text1->setSelection(w.Text1->positionAt(QPoint(1, 1)), 0);
        settleIdle(w);
        const int count = 200;
        const double cpu = cpuSeconds();
        for (int i = 0; i < count; ++i) {
            key(w.Text1, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            settle(w);
        }
        settleIdle(w);
        value = (cpuSeconds() - cpu) / count;
        const qint64 lines = w.Text1->Text().count(QLatin1Char('\n'));
        if (lines == 0)
            return 2;
        const qint64 map = heightMapBytes(*w.Text1);
        extra << (map < 0 ? -1.0 : double(map) / lines) << double(growth) / lines << unfinished
              << jumpSeconds;
    } else if (mode == QLatin1String("baseline")) {
        timer.start();
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return 2;
        const QByteArray bytes = f.readAll();
        std::vector<qsizetype> lines{0};
        for (qsizetype i = bytes.indexOf('\n'); i >= 0; i = bytes.indexOf('\n', i + 1))
            lines.push_back(i + 1);
        value = timer.nsecsElapsed() / 1e9;
        if (lines.empty())
            return 2;
    } else if (mode.startsWith(QLatin1String("type"))) {
        open(w, file);
        w.Text1->SetFocus();
        key(w.Text1, Qt::Key_Home, Qt::ControlModifier);
        if (mode.endsWith(QLatin1String("end")))
            key(w.Text1, Qt::Key_End, Qt::ControlModifier);
        settle(w);
        const int count = 20;
        const double before = cpuSeconds();
        for (int i = 0; i < count; ++i) {
            key(w.Text1, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
            settle(w);
        }
        value = (cpuSeconds() - before) / count;
    } else if (mode == QLatin1String("ctrlend")) {
        open(w, file);
        w.Text1->SetFocus();
        timer.start();
        key(w.Text1, Qt::Key_End, Qt::ControlModifier);
        settle(w);
        value = timer.nsecsElapsed() / 1e9;
    } else if (mode.startsWith(QLatin1String("text"))) {
        open(w, file);
        if (mode == QLatin1String("text-edited")) {
            // A character typed in the middle: the text is pieces now.
            w.Text1->setSelection(w.Text1->length() / 2, 0);
            key(w.Text1, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        }
        timer.start();
        const QString t = w.Text1->Text();
        value = timer.nsecsElapsed() / 1e9;
        if (t.isEmpty())
            return 2;
    }
    std::printf("%.6f %lld", value, statusValue("VmHWM:") - start);
    for (const double e : extra)
        std::printf(" %.6f", e);
    std::printf("\n");
    return 0;
}

void makeFile(const QString& path, qint64 bytes, bool oneLine) {
    QFile f(path);
    if (f.exists() && f.size() >= bytes)
        return;
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray block;
    const QByteArray lines[] = {
        "<p>The quick brown fox jumps over the lazy dog, again and again.</p>\r\n",
        "  <li><a href=\"page.html\">A link to another page</a></li>\r\n",
        "\r\n",
        "function add(a, b) { return a + b; } // a line of script\r\n",
    };
    for (int i = 0; block.size() < (1 << 20); ++i)
        block +=
            oneLine ? QByteArray("<div class=\"x\"><b>one</b> long line, </div>") : lines[i % 4];
    for (qint64 written = 0; written < bytes;) {
        const QByteArray piece = block.left(qMin<qint64>(block.size(), bytes - written));
        f.write(piece);
        written += piece.size();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0) {
        int one = 1;
        return child(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), one, argv);
    }
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"runs", "Runs per measurement.", "n", "5"});
    parser.addOption({"dir", "Folder for the files (default: a temporary one).", "folder"});
    parser.addOption({"only", "Only the files whose name contains this.", "text"});
    parser.process(app);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir temp;
    const QDir folder(parser.isSet("dir") ? parser.value("dir") : temp.path());
    const int runs = qMax(1, parser.value("runs").toInt());

    struct File {
        QString name;
        qint64 bytes; // lines of words for a negative figure: that many
        bool oneLine;
        QStringList modes;
    };
    const QList<File> files = {
        {"line-1mb.html", 1 << 20, true, {"open", "type-start"}},
        {"line-10mb.html", 10 << 20, true, {"baseline", "open", "type-start", "ctrlend"}},
        {"lines-100mb.txt",
         100 << 20,
         false,
         {"baseline", "floor", "open", "open-idle", "type-end", "ctrlend", "text", "text-edited"}},
        {"words-1m-lines.txt", -1000000, false, {"keys-fresh", "keys-jumped"}},
    };
    QTextStream out(stdout);
    out << "text area: medians over " << runs << " runs, each a fresh process\n";
    for (const File& f : files) {
        if (parser.isSet("only") && !f.name.contains(parser.value("only")))
            continue;
        const QString path = folder.filePath(f.name);
        if (f.bytes < 0) {
            if (!writeWordLines(path, f.bytes))
                qFatal("cannot write %s", qPrintable(path));
        } else {
            makeFile(path, f.bytes, f.oneLine);
        }
        QHash<QString, QList<double>> medians; // of each mode: value, extras
        for (const QString& mode : f.modes) {
            QList<QList<double>> values;
            qint64 growth = 0;
            for (int i = 0; i < runs; ++i) {
                QProcess p;
                p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                p.start(app.applicationFilePath(), {QStringLiteral("--child"), mode, path});
                if (!p.waitForFinished(600000) || p.exitCode() != 0)
                    continue;
                const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
                if (parts.size() < 2)
                    continue;
                growth = qMax(growth, parts[1].toLongLong());
                for (qsizetype k = 0; k < parts.size(); ++k) {
                    if (k == 1)
                        continue;
                    const qsizetype column = k == 0 ? 0 : k - 1;
                    if (values.size() <= column)
                        values.resize(column + 1);
                    values[column] << parts[k].toDouble();
                }
            }
            QList<double>& m = medians[mode];
            for (const QList<double>& column : std::as_const(values))
                m << median(column);
            if (m.isEmpty())
                m << -1;
            const qsizetype done = values.isEmpty() ? 0 : values[0].size();
            out << QStringLiteral("%1 %2: %3 ms (%4 of %5 runs), peak memory +%6 MB")
                       .arg(f.name, -18)
                       .arg(mode, -11)
                       .arg(m[0] * 1000, 9, 'f', 2)
                       .arg(done)
                       .arg(runs)
                       .arg(growth / 1048576.0, 0, 'f', 1);
            if (mode == QLatin1String("open-idle") && m.size() > 1)
                out << QStringLiteral(", CPU %1 ms").arg(m[1] * 1000, 0, 'f', 1);
            if (mode.startsWith(QLatin1String("keys")) && m.size() > 4)
                out << QStringLiteral(" per key; height map %1 bytes per line, resident memory "
                                      "%2 bytes per line over the jumps; jumps %3 s, %4 of them "
                                      "left measuring")
                           .arg(m[1] < 0 ? QStringLiteral("n/a") : QString::number(m[1], 'f', 1))
                           .arg(m[2], 0, 'f', 1)
                           .arg(m[4], 0, 'f', 1)
                           .arg(m[3]);
            out << '\n';
            out.flush();
        }
        // Against the goals.
        const auto first = [&](const char* mode, int column = 0) {
            const QList<double> m = medians.value(QString::fromLatin1(mode));
            return column < m.size() ? m[column] : -1.0;
        };
        if (first("floor") > 0 && first("open-idle") > 0)
            out << QStringLiteral("  open until idle / floor: %1 wall, %2 CPU (goal at most 8)\n")
                       .arg(first("open-idle") / first("floor"), 0, 'f', 2)
                       .arg(first("open-idle", 1) / first("floor"), 0, 'f', 2);
        if (first("keys-fresh") > 0 && first("keys-jumped") > 0)
            out << QStringLiteral("  CPU per key after the jumps / fresh: %1 (goal at most 1.25), "
                                  "%2 ms (goal at most 3); height map %3 bytes per line (goal "
                                  "at most 16)\n")
                       .arg(first("keys-jumped") / first("keys-fresh"), 0, 'f', 2)
                       .arg(first("keys-jumped") * 1000, 0, 'f', 3)
                       .arg(first("keys-jumped", 1) < 0
                                ? QStringLiteral("n/a")
                                : QString::number(first("keys-jumped", 1), 'f', 1));
        out.flush();
    }
    return 0;
}
