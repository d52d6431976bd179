#include "xdesktop.h"

#include "process.h"
#include "testfiles.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif

namespace {
constexpr int Timeout = 10000;
}

XDesktop::~XDesktop() {
    for (auto it = m_procs.rbegin(); it != m_procs.rend(); ++it)
        stop(it->get());
}

bool XDesktop::startX(const QString& size) {
    QProcess* x =
        start("Xvfb", {"-displayfd", "1", "-screen", "0", size + "x24", "-nolisten", "tcp"});
    if (!waitFor([&] { return x->canReadLine() || x->state() != QProcess::Running; }, 3 * Timeout))
        return false;
    display = QStringLiteral(":") + QString::fromLatin1(x->readLine().trimmed());
    if (display.size() < 2 || x->state() != QProcess::Running)
        return false;
    if (!QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
        QProcess* d = start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (waitFor([&] { return d->canReadLine() || d->state() != QProcess::Running; }, Timeout))
            bus = QString::fromLatin1(d->readLine().trimmed());
    }
    return true;
}

bool XDesktop::startWindowManager() {
    start("openbox", {"--sm-disable"});
    // A window mapped while the window manager is still starting may be left
    // unmapped; the manager announces itself on the root window.
    return waitFor(
        [&] {
            return run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"})
                .contains(QLatin1String("window id"));
        },
        3 * Timeout);
}

QProcess* XDesktop::start(const QString& program, const QStringList& args, const QString& folder) {
    return start(program, args, folder, environment());
}

QProcess* XDesktop::start(const QString& program, const QStringList& args, const QString& folder,
                          const QProcessEnvironment& env) {
    auto* p = m_procs.emplace_back(std::make_unique<QProcess>()).get();
    p->setProcessEnvironment(env);
    p->setStandardErrorFile(QProcess::nullDevice());
    if (!folder.isEmpty())
        p->setWorkingDirectory(folder);
#if defined(Q_OS_UNIX)
    p->setChildProcessModifier([] {
        ::setpgid(0, 0);
#if defined(Q_OS_LINUX)
        // Ended with this test even when it is killed (a timeout).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    });
#endif
    p->start(program, args);
    p->waitForStarted(5000);
    return p;
}

void XDesktop::stop(QProcess* p) {
    if (p->state() == QProcess::NotRunning)
        return;
#if defined(Q_OS_UNIX)
    const qint64 group = p->processId();
    ::kill(-pid_t(group), SIGTERM);
    if (!p->waitForFinished(3000))
        ::kill(-pid_t(group), SIGKILL);
#else
    p->kill();
#endif
    p->waitForFinished(3000);
}

QString XDesktop::run(const QString& program, const QStringList& args) const {
    return runTool(program, args, environment(), Timeout);
}

QString XDesktop::programWindow(bool docked) const {
    static const QRegularExpression line(QStringLiteral(R"(^(\s*)(0x[0-9a-f]+) (.*)$)"));
    static const QRegularExpression ours(
        QStringLiteral(R"re(^"Pagewick": \("[^"]*" "Pagewick"\))re"));
    qsizetype trayIndent = -1;
    for (const QString& l : run("xwininfo", {"-root", "-tree"}).split(u'\n')) {
        const auto m = line.match(l);
        if (!m.hasMatch())
            continue;
        if (trayIndent >= 0 && m.capturedLength(1) <= trayIndent)
            trayIndent = -1;
        if (m.captured(3).contains(QLatin1String(R"(("panel" "trayer"))")))
            trayIndent = m.capturedLength(1);
        else if (ours.match(m.captured(3)).hasMatch() && (trayIndent >= 0) == docked)
            return m.captured(2);
    }
    return {};
}

bool XDesktop::viewable(const QString& id) const {
    return run("xwininfo", {"-id", id}).contains(QLatin1String("IsViewable"));
}

QImage XDesktop::picture(const QString& id, const QString& file) const {
    run(QCoreApplication::applicationFilePath(), {"--grab", id, file});
    return QImage(file);
}

int grabWindowOnDisplay(int argc, char** argv) {
    if (argc != 4 || qstrcmp(argv[1], "--grab") != 0)
        return -1;
    QGuiApplication app(argc, argv);
    bool ok = false;
    const WId id = WId(QString::fromLatin1(argv[2]).toULongLong(&ok, 0));
    const QPixmap pixmap = QGuiApplication::primaryScreen()->grabWindow(id);
    return ok && pixmap.save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}

QProcessEnvironment XDesktop::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1"); // CI runs as root
    env.remove("WAYLAND_DISPLAY");
    if (bus.isEmpty())
        env.remove("DBUS_SESSION_BUS_ADDRESS");
    else
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
    return env;
}
