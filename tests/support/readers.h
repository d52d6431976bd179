#pragma once
// Screen readers on a test's X desktop: the accessibility bus and its
// registry started on the desktop's own session bus, a listener that hears
// the text events a screen reader hears, and Orca's log read as it is
// written. Everything runs with a throw-away home, so no setting of the
// user's is read or touched, and every wait is bounded.

#include "xdesktop.h"

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QSocketNotifier>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class ReaderDesktop : public XDesktop {
public:
    ~ReaderDesktop();
    // The bus launcher and the registry on the desktop's session bus, once
    // the bus answers with its address; empty then, otherwise why not.
    QString startAccessibility();
    // Tells the programs on the desktop that a screen reader runs, as a
    // desktop does when the user turns one on.
    bool setScreenReaderEnabled(bool on) const;

    // The desktop's environment with the throw-away home, no speech
    // server, and the accessibility bus's address.
    QProcessEnvironment readerEnvironment() const;
    QString home() const { return m_home.path(); }
    // The home and what was written there (Orca's log) outlive the test,
    // for a case that failed.
    void keepHome() { m_home.setAutoRemove(false); }

    QString a11yBus;

private:
    QTemporaryDir m_home;
};

// The text events of one program's text areas, one JSON object each
// (support/atspi_listen.py): type, d1, d2, text, selections.
class TextEvents {
public:
    // The listener (script) for the program of that name on the desktop;
    // empty when it runs and registered, otherwise why not.
    QString start(ReaderDesktop& d, const QString& script, const QString& program);
    // Reads what has arrived.
    const std::vector<QJsonObject>& events();
    // What the focused text area answers now (see atspi_listen.py), or an
    // object with "error".
    QJsonObject state();

private:
    QProcess* m_listener = nullptr;
    QByteArray m_pending;
    std::vector<QJsonObject> m_events;
    std::vector<QJsonObject> m_states;
};

// Orca's debug log, written to a terminal so that it comes line by line,
// kept in a file as well.
class OrcaLog {
public:
    ~OrcaLog();
    // The terminal's name for --debug-file; empty when none could be made.
    QString open(const QString& copyFile);
    // Everything written so far.
    const QByteArray& text() const { return m_text; }
    // The values of "KIND: '...'" lines (SPEECH OUTPUT, BRAILLE LINE) from
    // byte offset from on.
    QStringList lines(const char* kind, qsizetype from = 0) const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QByteArray m_text;
    QString m_copy;
};
