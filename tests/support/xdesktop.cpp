#include "xdesktop.h"

#include "process.h"
#include "testfiles.h"

#include <QRegularExpression>

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
    return display.size() > 1 && x->state() == QProcess::Running;
}

QProcess* XDesktop::start(const QString& program, const QStringList& args, const QString& folder) {
    auto* p = m_procs.emplace_back(std::make_unique<QProcess>()).get();
    p->setProcessEnvironment(environment());
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

QProcessEnvironment XDesktop::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1"); // CI runs as root
    env.remove("WAYLAND_DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS"); // the X tray, not a desktop bus
    return env;
}
