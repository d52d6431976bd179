// Opening and saving large files through the dialogs' own paths.
//
// For files of 1, 10 and 100 MB made of CR LF lines, three things are timed,
// each in a fresh process so that its peak memory is its own:
//   take  the text area taking the file's text (read beforehand, untimed),
//         until it has painted: the text area's own cost;
//   open  the Open dialog's "Open" on the file, until the text area has
//         painted: reading, converting, and the text area taking the text;
//   save  the Save As dialog's "Save " with that text in the editor, until the
//         file is written, flushed to the disk and in place;
// and, to tell the parts of a save apart:
//   read  reading and converting the file alone (the open's own part);
//   text  reading the text back from the text area (the save's first step);
//   write writing the text to a file, flushed and in place (its other steps).
// Prints the median of each and the peak memory of the open runs.
//
// Usage: bench_filedialogs [--sizes 1,10,100] [--runs N] [--dir FOLDER]

#include "dialogs/openfile.h"
#include "dialogs/savefile.h"
#include "editor/textedit.h"
#include "platform/application.h"
#include "platform/controls/combobox.h"
#include "platform/controls/controls.h"
#include "platform/controls/folderlist.h"
#include "platform/controls/textbox.h"
#include "platform/desktop/services.h"
#include "platform/files/seqfile.h"
#include "support/benchsupport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

// Waits until the text area has painted after a change.
bool waitForPaint(QWidget* viewport) {
    struct Watch : QObject {
        bool painted = false;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                painted = true;
            return false;
        }
    } watch;
    viewport->installEventFilter(&watch);
    viewport->update();
    QElapsedTimer limit;
    limit.start();
    while (!watch.painted && limit.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    viewport->removeEventFilter(&watch);
    return watch.painted;
}

QString readText(const QString& path) {
    pw::SequentialFile file(path, pw::SequentialFile::Input);
    QString text;
    text.reserve(qsizetype(file.LOF()) + 2);
    while (!file.Eof()) {
        text += file.LineInput();
        text += QLatin1String("\r\n");
    }
    file.Close();
    return text;
}

// One measurement in this process; prints "seconds peakBytes startBytes".
int child(const QString& mode, const QString& file, int argc, char** argv) {
    QApplication app(argc, argv);
    pw::prepareApplication();
    QuietServices quiet;
    pw::setServices(&quiet);

    textedit& w = textedit::instance();
    w.Show();
    waitForPaint(w.Text1->viewport());
    const QFileInfo info(file);
    QString text;
    if (mode != QLatin1String("open") && mode != QLatin1String("read"))
        text = readText(file);
    const qint64 start = statusValue("VmRSS:");

    QElapsedTimer timer;
    if (mode == QLatin1String("take")) {
        timer.start();
        w.Text1->setText(text);
        if (!waitForPaint(w.Text1->viewport()))
            return 2;
    } else if (mode == QLatin1String("open")) {
        openfile& d = openfile::instance();
        d.Dir1->setPath(info.absolutePath());
        d.Text1->setText(info.fileName());
        timer.start();
        d.Command1->click();
        if (!waitForPaint(w.Text1->viewport()) || openfile::loadedInstance())
            return 2;
    } else if (mode == QLatin1String("read")) {
        timer.start();
        text = readText(file);
    } else if (mode == QLatin1String("write")) {
        timer.start();
        pw::SequentialFile out(info.absolutePath() + QStringLiteral("/written-") + info.fileName(),
                               pw::SequentialFile::Output);
        out.Print(text);
        out.Close();
    } else if (mode == QLatin1String("text")) {
        w.Text1->setText(text);
        text.clear();
        timer.start();
        text = w.Text1->Text();
    } else {
        w.Text1->setText(text);
        text.clear();
        savefile& d = savefile::instance();
        d.Dir1->setPath(info.absolutePath());
        d.Text1->setText(QStringLiteral("saved-") + info.completeBaseName());
        d.Combo1->setText(QStringLiteral(".txt"));
        timer.start();
        d.Command1->click();
        if (savefile::loadedInstance())
            return 2;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.4f %lld %lld\n", seconds, statusValue("VmHWM:"), start);
    return 0;
}

// A file of HTML-like CR LF lines.
void makeFile(const QString& path, qint64 bytes) {
    QFile f(path);
    if (f.exists() && f.size() >= bytes)
        return;
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    const QByteArray lines[] = {
        "<p>The quick brown fox jumps over the lazy dog, again and again.</p>\r\n",
        "  <li><a href=\"page.html\">A link to another page</a></li>\r\n",
        "\r\n",
        "function add(a, b) { return a + b; } // a line of script\r\n",
    };
    QByteArray block;
    for (int i = 0; block.size() < (1 << 20); ++i)
        block += lines[i % 4];
    qint64 written = 0;
    while (written < bytes) {
        const QByteArray piece = block.left(qMin<qint64>(block.size(), bytes - written));
        f.write(piece);
        written += piece.size();
    }
}

struct Sample {
    double seconds = 0;
    qint64 peak = 0;
    qint64 start = 0;
};

bool runChild(const QString& self, const QString& mode, const QString& file, Sample* out) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(self, {QStringLiteral("--child"), mode, file});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return false;
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() != 3)
        return false;
    *out = {parts[0].toDouble(), parts[1].toLongLong(), parts[2].toLongLong()};
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && qstrcmp(argv[1], "--child") == 0) {
        const QString mode = QString::fromLocal8Bit(argv[2]);
        const QString file = QString::fromLocal8Bit(argv[3]);
        int one = 1;
        return child(mode, file, one, argv);
    }

    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"sizes", "File sizes in MB, separated by commas.", "list", "1,10,100"});
    parser.addOption({"runs", "Runs per measurement (100 MB: at most 3).", "n", "5"});
    parser.addOption({"dir", "Folder for the files (default: a temporary one).", "folder"});
    parser.process(app);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir temp;
    const QString folder = parser.isSet("dir") ? parser.value("dir") : temp.path();
    const int runs = qMax(1, parser.value("runs").toInt());
    QTextStream out(stdout);
    out << "file dialogs: medians over runs; each run is a fresh process\n";
    out << "  size  runs  take+paint  open+paint  open/take  (file read)  save+flush  (text area's "
           "Text, file write+flush)  open peak (growth, per file byte)\n";
    for (const QString& mb : parser.value("sizes").split(u',')) {
        const qint64 bytes = qint64(mb.toDouble() * 1024 * 1024);
        const QString file = QDir(folder).filePath(QStringLiteral("bench-%1mb.txt").arg(mb));
        makeFile(file, bytes);
        const int n = bytes >= 50 * 1024 * 1024 ? qMin(runs, 3) : runs;
        QList<double> take, open, read, save, text, write;
        qint64 peak = 0, growth = 0;
        for (int i = 0; i < n; ++i) {
            Sample s;
            if (runChild(app.applicationFilePath(), "take", file, &s))
                take << s.seconds;
            if (runChild(app.applicationFilePath(), "open", file, &s)) {
                open << s.seconds;
                peak = qMax(peak, s.peak);
                growth = qMax(growth, s.peak - s.start);
            }
            if (runChild(app.applicationFilePath(), "read", file, &s))
                read << s.seconds;
            if (runChild(app.applicationFilePath(), "save", file, &s))
                save << s.seconds;
            if (runChild(app.applicationFilePath(), "text", file, &s))
                text << s.seconds;
            if (runChild(app.applicationFilePath(), "write", file, &s))
                write << s.seconds;
        }
        if (take.size() != n || open.size() != n || read.size() != n || save.size() != n ||
            text.size() != n || write.size() != n)
            out << "  " << mb << " MB: some runs failed\n";
        const double t = median(take), o = median(open);
        out << QStringLiteral("%1 MB  %2  %3 s  %4 s  %5  (%6 s)  ")
                   .arg(mb, 4)
                   .arg(n, 4)
                   .arg(t, 8, 'f', 3)
                   .arg(o, 8, 'f', 3)
                   .arg(t > 0 ? o / t : 0, 9, 'f', 2)
                   .arg(median(read), 7, 'f', 3)
            << QStringLiteral("%1 s  (%2 s, %3 s)  %4 MB")
                   .arg(median(save), 8, 'f', 3)
                   .arg(median(text), 7, 'f', 3)
                   .arg(median(write), 7, 'f', 3)
                   .arg(peak / 1048576.0, 7, 'f', 1)
            << QStringLiteral(" (%1 MB, %2 B)\n")
                   .arg(growth / 1048576.0, 0, 'f', 1)
                   .arg(double(growth) / double(bytes), 0, 'f', 1);
        out.flush();
        for (const char* prefix : {"saved-bench-%1mb.txt", "written-bench-%1mb.txt"})
            QFile::remove(QDir(folder).filePath(QString::fromLatin1(prefix).arg(mb)));
    }
    return 0;
}
