// The editor against other editors, each started with a file on its command
// line: the time from process start until its window is shown and the
// process (with its threads and child processes) has been quiet for half a
// second. A window counts as shown once an X window of the program's process
// is mapped; the CPU is read from /proc every 20 ms.
//
// Everything runs on an X server of its own (Xvfb, no window manager) with a
// private session bus, each start with fresh settings folders (HOME,
// XDG_CONFIG_HOME, XDG_DATA_HOME) so that no earlier session, first-start
// question or single-instance hand-over plays a part. Caches
// (XDG_CACHE_HOME) are shared and warmed by one untimed start of each
// program. The programs take turns, in an order that rotates from run to
// run, so that all see the same machine.
//
// Files: 1, 10 and 100 MB of ordinary lines of words (CR LF). Prints the
// median time to quiet and to the window for each, the ratios peer / editor,
// and what the editor still had to do once its window was up.
//
// Usage: bench_peers [--runs N] [--dir FOLDER] [--only TEXT] [--programs a,b]
//                    [--pagewick PATH] [--display :N]
// The peers (featherpad, kwrite, geany): scripts/install-bench-deps.sh.

#include "support/median.h"
#include "support/wordlines.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

constexpr int PollMs = 20;
constexpr int QuietMs = 500;
constexpr int RunTimeoutMs = 300000;

// The CPU ticks of a process from /proc/PID/stat (utime + stime, its
// threads included, living and ended; not its children's, which are counted
// on their own) and its parent's id; nothing for a process that is gone.
struct ProcStat {
    qint64 ppid = 0;
    qint64 ticks = 0;
};

std::optional<ProcStat> procStat(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = f.readAll();
    // The name in parentheses may hold spaces and parentheses itself.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // fields[0] is the state (stat's third field), so stat's field n is
    // fields[n - 3]: ppid 4, utime 14, stime 15.
    if (fields.size() < 13)
        return std::nullopt;
    return ProcStat{fields[1].toLongLong(), fields[11].toLongLong() + fields[12].toLongLong()};
}

// The process and all its descendants; nothing for no process (0, or 1 and
// the kernel's, whose descendants are every process there is).
QList<qint64> family(qint64 root) {
    if (root <= 2)
        return {};
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& e : entries) {
        bool number = false;
        const qint64 pid = e.toLongLong(&number);
        if (!number)
            continue;
        if (const auto s = procStat(pid))
            children[s->ppid] << pid;
    }
    QList<qint64> all{root};
    for (qsizetype i = 0; i < all.size(); ++i)
        all += children.value(all[i]);
    return all;
}

// Whether a process was started by this one, directly or not.
bool oursToEnd(qint64 pid) {
    const qint64 self = QCoreApplication::applicationPid();
    for (int depth = 0; pid > 2 && depth < 64; ++depth) {
        const auto s = procStat(pid);
        if (!s)
            return false;
        if (s->ppid == self)
            return true;
        pid = s->ppid;
    }
    return false;
}

// Counts the CPU a process and its descendants use, as the sum of each one's
// increases: one that ends and is reaped neither takes time back nor counts
// twice.
class CpuWatch {
public:
    explicit CpuWatch(qint64 pid) : m_root(pid) {}
    // Reads again; returns whether any CPU was used since the last read.
    bool poll(bool lookForChildren) {
        if (lookForChildren || m_pids.isEmpty())
            m_pids = family(m_root);
        bool used = false;
        for (const qint64 pid : std::as_const(m_pids)) {
            const auto s = procStat(pid);
            if (!s)
                continue;
            const qint64 last = m_last.value(pid, 0);
            if (s->ticks > last) {
                m_total += s->ticks - last;
                used = true;
            }
            m_last[pid] = s->ticks;
        }
        return used;
    }
    qint64 ticks() const { return m_total; }
    const QList<qint64>& pids() const { return m_pids; }

private:
    qint64 m_root;
    QList<qint64> m_pids;
    QHash<qint64, qint64> m_last;
    qint64 m_total = 0;
};

int ignoreXErrors(Display*, XErrorEvent*) {
    return 0; // a window that went away between two requests
}

// The X server's top-level windows of some processes.
class Windows {
public:
    explicit Windows(const QByteArray& display) {
        XSetErrorHandler(ignoreXErrors);
        m_display = XOpenDisplay(display.constData());
        if (m_display)
            m_pidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
    }
    ~Windows() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool ok() const { return m_display != nullptr; }

    // Whether a window of one of pids, larger than a helper window, is mapped.
    bool shown(const QList<qint64>& pids) const {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(m_display, DefaultRootWindow(m_display), &root, &parent, &children, &count))
            return false;
        bool found = false;
        for (unsigned i = 0; i < count && !found; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(m_display, children[i], &a) || a.map_state != IsViewable ||
                a.width < 100 || a.height < 100)
                continue;
            found = pids.contains(pidOf(children[i]));
        }
        if (children)
            XFree(children);
        return found;
    }

private:
    qint64 pidOf(Window w) const {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char* data = nullptr;
        qint64 pid = -1;
        if (XGetWindowProperty(m_display, w, m_pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &left, &data) == Success &&
            data && items == 1 && format == 32)
            pid = qint64(*reinterpret_cast<unsigned long*>(data));
        if (data)
            XFree(data);
        return pid;
    }

    Display* m_display = nullptr;
    Atom m_pidAtom = 0;
};

struct Program {
    QString name;
    QString path;
    QStringList args; // before the file
};

struct Result {
    double shownMs = -1; // the window mapped
    double quietMs = -1; // the last CPU used before half a second of none
};

// Starts a program on a file with fresh settings and watches it until its
// window is shown and it has been quiet for QuietMs; then ends it and
// whatever it started.
Result runOnce(const Program& p, const QString& file, const QProcessEnvironment& base,
               const Windows& windows, bool trace) {
    QTemporaryDir home;
    QProcessEnvironment env = base;
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.setStandardOutputFile(QProcess::nullDevice());
    proc.setStandardErrorFile(QProcess::nullDevice());
    proc.setWorkingDirectory(home.path());
    QElapsedTimer clock;
    clock.start();
    proc.start(p.path, p.args + QStringList{file});
    if (!proc.waitForStarted(10000))
        return {};
    // Taken now: once the process has ended, QProcess tells 0.
    const qint64 pid = proc.processId();
    if (pid <= 2)
        return {};
    CpuWatch cpu(pid);
    Result r;
    double lastUse = 0;
    for (int poll = 0;; ++poll) {
        const double now = clock.nsecsElapsed() / 1e6;
        // (waitForFinished(0) takes note of a process that ended: there is
        // no event loop here to do it.)
        if (proc.waitForFinished(0) || proc.state() == QProcess::NotRunning || now > RunTimeoutMs) {
            r = {};
            break;
        }
        if (cpu.poll(poll % 10 == 0)) {
            lastUse = now;
            if (trace)
                std::fprintf(stderr, "  %s %.0f ms: %lld ticks%s\n", qPrintable(p.name), now,
                             cpu.ticks(), r.shownMs >= 0 ? " (shown)" : "");
        }
        if (r.shownMs < 0 && windows.shown(cpu.pids()))
            r.shownMs = now;
        if (r.shownMs >= 0 && now - lastUse >= QuietMs) {
            r.quietMs = std::max(lastUse, r.shownMs);
            break;
        }
        const double next = (poll + 1) * double(PollMs);
        const double wait = next - clock.nsecsElapsed() / 1e6;
        if (wait > 0)
            QThread::usleep(qRound64(wait * 1000));
    }
    // What it started goes with it: its descendants, as long as it has not
    // been reaped (until then its number cannot have gone to another
    // process). One whose parent has ended is no longer known as its own.
    if (proc.state() != QProcess::NotRunning) {
        const QList<qint64> started = family(pid);
        for (const qint64 child : started)
            if (child != pid && oursToEnd(child))
                ::kill(pid_t(child), SIGKILL);
        proc.kill();
    }
    proc.waitForFinished(10000);
    return r;
}

// An X server of its own; its display name, or nothing.
QByteArray startXvfb(QProcess& x) {
    x.setProcessChannelMode(QProcess::SeparateChannels);
    x.setStandardErrorFile(QProcess::nullDevice());
    x.start(QStringLiteral("Xvfb"),
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
             QStringLiteral("0"), QStringLiteral("1600x1200x24"), QStringLiteral("-nolisten"),
             QStringLiteral("tcp")});
    QByteArray out;
    while (!out.contains('\n') && x.waitForReadyRead(20000))
        out += x.readAllStandardOutput();
    return out.trimmed().isEmpty() ? QByteArray() : ':' + out.trimmed();
}

// A session bus of its own, as a desktop has one; its address, or nothing.
QByteArray startBus(QProcess& bus) {
    bus.start(QStringLiteral("dbus-daemon"),
              {QStringLiteral("--session"), QStringLiteral("--nofork"),
               QStringLiteral("--print-address=1")});
    QByteArray out;
    while (!out.contains('\n') && bus.waitForReadyRead(10000))
        out += bus.readAllStandardOutput();
    return out.trimmed();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"runs", "Runs of each program on each file.", "n", "5"});
    parser.addOption({"dir", "Folder for the files (default: a temporary one).", "folder"});
    parser.addOption({"only", "Only the files whose name contains this.", "text"});
    parser.addOption({"programs", "Only these programs (comma-separated).", "names"});
    parser.addOption({"pagewick", "The editor to time (default: the one beside this).", "path"});
    parser.addOption({"display", "An X server to use instead of a new Xvfb.", "name"});
    parser.addOption({"trace", "Print when each program used CPU."});
    parser.process(app);
    const bool trace = parser.isSet("trace");
    const int runs = qMax(1, parser.value("runs").toInt());

    QList<Program> programs = {
        {"pagewick",
         parser.isSet("pagewick") ? parser.value("pagewick")
                                  : QCoreApplication::applicationDirPath() + "/pagewick",
         {}},
        {"featherpad", QStandardPaths::findExecutable("featherpad"), {}},
        {"kwrite", QStandardPaths::findExecutable("kwrite"), {}},
        {"geany", QStandardPaths::findExecutable("geany"), {"--new-instance"}},
    };
    const QStringList wanted = parser.value("programs").split(',', Qt::SkipEmptyParts);
    for (qsizetype i = programs.size() - 1; i >= 0; --i) {
        const Program& p = programs[i];
        if (!wanted.isEmpty() && !wanted.contains(p.name)) {
            programs.removeAt(i);
        } else if (p.path.isEmpty() || !QFileInfo(p.path).isExecutable()) {
            std::fprintf(stderr, "%s not found: left out (scripts/install-bench-deps.sh)\n",
                         qPrintable(p.name));
            programs.removeAt(i);
        }
    }
    if (programs.isEmpty() || programs.first().name != QLatin1String("pagewick")) {
        std::fprintf(stderr, "the editor itself is needed to compare with\n");
        return 1;
    }

    QProcess xvfb, bus;
    const QByteArray display =
        parser.isSet("display") ? parser.value("display").toLocal8Bit() : startXvfb(xvfb);
    auto windowsOwner = std::make_unique<Windows>(display);
    const Windows& windows = *windowsOwner;
    if (display.isEmpty() || !windows.ok()) {
        std::fprintf(stderr, "no X server (is Xvfb installed?)\n");
        return 1;
    }
    QTemporaryDir temp, cache;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "SESSION_MANAGER",
                             "DBUS_SESSION_BUS_ADDRESS", "XDG_SESSION_TYPE"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("DISPLAY"), QString::fromLocal8Bit(display));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), cache.path());
    if (const QByteArray address = startBus(bus); !address.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromLocal8Bit(address));
    if (!env.contains(QStringLiteral("LANG")))
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));

    const QDir folder(parser.isSet("dir") ? parser.value("dir") : temp.path());
    struct File {
        QString name;
        qint64 bytes;
    };
    QList<File> files = {
        {"lines-1mb.txt", 1000000}, {"lines-10mb.txt", 10000000}, {"lines-100mb.txt", 100000000}};
    if (parser.isSet("only"))
        files.removeIf([&](const File& f) { return !f.name.contains(parser.value("only")); });

    QTextStream out(stdout);
    out << "peers: process start with the file on the command line until the window is shown\n"
           "and the CPU has been quiet for "
        << QuietMs << " ms; medians of " << runs << " runs, ms (window shown in brackets)\n\n";
    out << QStringLiteral("%1").arg("file", -16);
    for (const Program& p : programs)
        out << QStringLiteral("%1").arg(p.name, 20);
    out << QStringLiteral("%1\n").arg("pagewick after window", 24);
    out.flush();

    struct Row {
        QString file;
        QList<double> quiet, shown;
        double after = -1;
    };
    QList<Row> rows;
    for (const File& f : files) {
        const QString path = folder.filePath(f.name);
        if (!writeWordLines(path, f.bytes))
            qFatal("cannot write %s", qPrintable(path));
        // One untimed start of each: the file and the programs in the cache.
        for (const Program& p : programs)
            runOnce(p, path, env, windows, false);
        QList<QList<double>> quiet(programs.size()), shown(programs.size()), after(1);
        for (int run = 0; run < runs; ++run) {
            for (qsizetype k = 0; k < programs.size(); ++k) {
                const qsizetype i = (k + run) % programs.size();
                const Result r = runOnce(programs[i], path, env, windows, trace);
                if (r.quietMs < 0) {
                    std::fprintf(stderr, "%s on %s: no window, or it ended\n",
                                 qPrintable(programs[i].name), qPrintable(f.name));
                    continue;
                }
                quiet[i] << r.quietMs;
                shown[i] << r.shownMs;
                if (i == 0)
                    after[0] << r.quietMs - r.shownMs;
            }
        }
        Row row{f.name, {}, {}, median(after[0])};
        out << QStringLiteral("%1").arg(f.name, -16);
        for (qsizetype i = 0; i < programs.size(); ++i) {
            row.quiet << median(quiet[i]);
            row.shown << median(shown[i]);
            out << QStringLiteral("%1 (%2)")
                       .arg(row.quiet[i], 10, 'f', 0)
                       .arg(row.shown[i], 6, 'f', 0)
                       .rightJustified(20);
        }
        out << QStringLiteral("%1\n").arg(row.after, 24, 'f', 0);
        out.flush();
        rows << row;
    }

    out << "\nratio peer / pagewick (time to quiet; goal at least 1.50 each)\n";
    out << QStringLiteral("%1").arg("file", -16);
    for (qsizetype i = 1; i < programs.size(); ++i)
        out << QStringLiteral("%1").arg(programs[i].name, 12);
    out << '\n';
    for (const Row& row : std::as_const(rows)) {
        out << QStringLiteral("%1").arg(row.file, -16);
        for (qsizetype i = 1; i < programs.size(); ++i) {
            const bool both = row.quiet[0] > 0 && row.quiet[i] > 0;
            out << QStringLiteral("%1").arg(
                both ? QString::number(row.quiet[i] / row.quiet[0], 'f', 2) : QStringLiteral("-"),
                12);
        }
        out << '\n';
    }
    out << "\npagewick after window: goal at most 50 ms for the 1 and 10 MB files\n";
    out.flush();
    windowsOwner.reset(); // before its server goes
    if (bus.state() != QProcess::NotRunning) {
        bus.kill();
        bus.waitForFinished();
    }
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished();
    }
    return 0;
}
