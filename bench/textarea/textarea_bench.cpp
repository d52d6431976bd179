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
// Files: a 1 MB and a 10 MB single line of HTML, and 100 MB of CR LF lines.
// Prints the median of each.
//
// Usage: bench_textarea [--runs N] [--dir FOLDER]

#include "dialogs/openfile.h"
#include "editor/textedit.h"
#include "platform/application.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/services.h"
#include "support/benchsupport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <ctime>
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
    QElapsedTimer timer;
    if (mode == QLatin1String("open")) {
        timer.start();
        open(w, file);
        value = timer.nsecsElapsed() / 1e9;
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
    std::printf("%.6f %lld\n", value, statusValue("VmHWM:") - start);
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
        qint64 bytes;
        bool oneLine;
        QStringList modes;
    };
    const QList<File> files = {
        {"line-1mb.html", 1 << 20, true, {"open", "type-start"}},
        {"line-10mb.html", 10 << 20, true, {"baseline", "open", "type-start", "ctrlend"}},
        {"lines-100mb.txt",
         100 << 20,
         false,
         {"baseline", "open", "type-end", "ctrlend", "text", "text-edited"}},
    };
    QTextStream out(stdout);
    out << "text area: medians over " << runs << " runs, each a fresh process\n";
    for (const File& f : files) {
        if (parser.isSet("only") && !f.name.contains(parser.value("only")))
            continue;
        const QString path = folder.filePath(f.name);
        makeFile(path, f.bytes, f.oneLine);
        for (const QString& mode : f.modes) {
            QList<double> values;
            qint64 growth = 0;
            for (int i = 0; i < runs; ++i) {
                QProcess p;
                p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                p.start(app.applicationFilePath(), {QStringLiteral("--child"), mode, path});
                if (!p.waitForFinished(600000) || p.exitCode() != 0)
                    continue;
                const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
                if (parts.size() == 2) {
                    values << parts[0].toDouble();
                    growth = qMax(growth, parts[1].toLongLong());
                }
            }
            out << QStringLiteral("%1 %2: %3 ms (%4 of %5 runs), peak memory +%6 MB\n")
                       .arg(f.name, -16)
                       .arg(mode, -10)
                       .arg(median(values) * 1000, 9, 'f', 2)
                       .arg(values.size())
                       .arg(runs)
                       .arg(growth / 1048576.0, 0, 'f', 1);
            out.flush();
        }
    }
    return 0;
}
