#include "readers.h"

#include "process.h"
#include "testfiles.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int Timeout = 10000;

// Debian keeps the accessibility daemons out of the path.
QString daemon(const char* name) {
    QString found = QStandardPaths::findExecutable(
        QString::fromLatin1(name),
        {"/usr/libexec", "/usr/lib/at-spi2-core", "/usr/libexec/at-spi2", "/usr/lib/at-spi2"});
    return found.isEmpty() ? QStandardPaths::findExecutable(QString::fromLatin1(name)) : found;
}

const QString SessionName = QStringLiteral("pw-readers-session");
const QString A11yName = QStringLiteral("pw-readers-a11y");

} // namespace

ReaderDesktop::~ReaderDesktop() {
    QDBusConnection::disconnectFromBus(SessionName);
    QDBusConnection::disconnectFromBus(A11yName);
}

QString ReaderDesktop::startAccessibility() {
    if (bus.isEmpty())
        return QStringLiteral("the desktop has no session bus (dbus-daemon)");
    const QString launcher = daemon("at-spi-bus-launcher");
    const QString registry = daemon("at-spi2-registryd");
    if (launcher.isEmpty() || registry.isEmpty())
        return QStringLiteral("at-spi2-core is not installed");
    if (!m_home.isValid())
        return QStringLiteral("no folder for the throw-away home");
    const QProcessEnvironment env = readerEnvironment();
    start(launcher, {"--launch-immediately"}, home(), env);
    QDBusConnection session = QDBusConnection::connectToBus(bus, SessionName);
    if (!waitFor(
            [&] {
                QDBusMessage m = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                                "org.a11y.Bus", "GetAddress");
                const QDBusReply<QString> r = session.call(m, QDBus::Block, 2000);
                if (r.isValid())
                    a11yBus = r.value();
                return !a11yBus.isEmpty();
            },
            3 * Timeout))
        return QStringLiteral("the accessibility bus did not start");
    // Started here rather than by the bus, so that it ends with the desktop.
    start(registry, {}, home(), readerEnvironment());
    QDBusConnection a11y = QDBusConnection::connectToBus(a11yBus, A11yName);
    if (!waitFor(
            [&] {
                return a11y.isConnected() &&
                       a11y.interface()->isServiceRegistered("org.a11y.atspi.Registry").value();
            },
            3 * Timeout))
        return QStringLiteral("the accessibility registry did not start");
    return {};
}

bool ReaderDesktop::setScreenReaderEnabled(bool on) const {
    QDBusMessage m = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                    "org.freedesktop.DBus.Properties", "Set");
    m << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled")
      << QVariant::fromValue(QDBusVariant(on));
    return QDBusConnection(SessionName).call(m, QDBus::Block, 2000).type() ==
           QDBusMessage::ReplyMessage;
}

QProcessEnvironment ReaderDesktop::readerEnvironment() const {
    QProcessEnvironment env = environment();
    const QDir h(home());
    for (const char* sub : {"config", "data", "cache", "run"})
        h.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(h.filePath("run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert("HOME", home());
    env.insert("XDG_CONFIG_HOME", h.filePath("config"));
    env.insert("XDG_DATA_HOME", h.filePath("data"));
    env.insert("XDG_CACHE_HOME", h.filePath("cache"));
    env.insert("XDG_RUNTIME_DIR", h.filePath("run"));
    env.insert("GSETTINGS_BACKEND", "memory");
    env.remove("AT_SPI_BUS_ADDRESS");
    env.remove("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    // No speech server: one address where none listens, and none started.
    env.insert("SPEECHD_ADDRESS", "unix_socket:" + h.filePath("no-speech"));
    const QString no = QStandardPaths::findExecutable("false");
    env.insert("SPEECHD_CMD", no.isEmpty() ? QStringLiteral("/bin/false") : no);
    return env;
}

// ---------------------------------------------------------------- listener

QString TextEvents::start(ReaderDesktop& d, const QString& script, const QString& program) {
    QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    if (python.isEmpty())
        python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        return QStringLiteral("python3 is not installed");
    bool ok = false;
    runTool(python, {"-c", "import pyatspi"}, d.readerEnvironment(), Timeout, &ok);
    if (!ok)
        return QStringLiteral("python3-pyatspi is not installed");
    m_listener = d.start(python, {script, program}, d.home(), d.readerEnvironment());
    if (!waitFor(
            [&] {
                events();
                return !m_states.empty() || m_listener->state() != QProcess::Running;
            },
            3 * Timeout) ||
        m_states.front().value("type") != QLatin1String("ready"))
        return QStringLiteral("the listener did not register");
    m_states.clear();
    return {};
}

const std::vector<QJsonObject>& TextEvents::events() {
    m_pending += m_listener->readAllStandardOutput();
    qsizetype nl;
    while ((nl = m_pending.indexOf('\n')) >= 0) {
        const QJsonObject o = QJsonDocument::fromJson(m_pending.left(nl)).object();
        m_pending.remove(0, nl + 1);
        const QString type = o.value("type").toString();
        (type.startsWith(QLatin1String("object:")) ? m_events : m_states).push_back(o);
    }
    return m_events;
}

QJsonObject TextEvents::state() {
    m_states.clear();
    m_listener->write("state\n");
    if (!waitFor(
            [&] {
                events();
                return !m_states.empty();
            },
            Timeout, 50))
        return {{"error", "the listener did not answer"}};
    return m_states.back();
}

// ---------------------------------------------------------------- Orca's log

OrcaLog::~OrcaLog() {
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

QString OrcaLog::open(const QString& copyFile) {
    m_copy = copyFile;
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return {};
    const QString name = QString::fromLocal8Bit(::ptsname(m_master));
    // Held open here so that the terminal stays when Orca closes it; raw, so
    // lines end as they were written.
    m_slave = ::open(name.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios t{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &t) != 0)
        return {};
    ::cfmakeraw(&t);
    ::tcsetattr(m_slave, TCSANOW, &t);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char buf[65536];
        ssize_t n;
        QFile copy(m_copy);
        const bool keep = copy.open(QIODevice::Append);
        while ((n = ::read(m_master, buf, sizeof buf)) > 0) {
            m_text.append(buf, n);
            if (keep)
                copy.write(buf, n);
        }
    });
    return name;
}

QStringList OrcaLog::lines(const char* kind, qsizetype from) const {
    const QRegularExpression re(QStringLiteral("%1:\\s+'(.*)'(?: ?\\{.*)?$")
                                    .arg(QRegularExpression::escape(QLatin1String(kind))),
                                QRegularExpression::MultilineOption);
    QStringList found;
    auto it = re.globalMatch(QString::fromUtf8(m_text.mid(from)));
    while (it.hasNext())
        found << it.next().captured(1);
    return found;
}
