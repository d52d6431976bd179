#pragma once
// A real X desktop for a test: Xvfb on a display of its own, a D-Bus session
// bus of its own, and the programs started on it (a window manager, a panel,
// the program under test), each in a process group of its own and ended with
// the desktop. Every wait is bounded.
//
// The private bus keeps programs from starting a bus of their own (with
// dbus-x11 installed, libdbus would launch one for the display and note it
// under ~/.dbus), and it has no notification host, so Qt's tray icons dock in
// the X notification area.

#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class XDesktop {
public:
    ~XDesktop();

    // Xvfb of the given size ("1280x800") on a display it picks itself, and
    // the session bus where dbus-daemon is installed; false when X would not
    // start.
    bool startX(const QString& size);
    // openbox on the display, once it has announced itself; false when it
    // did not within thirty seconds.
    bool startWindowManager();
    // A program on the display, started in folder (empty: this process's),
    // in the desktop's environment or the one given.
    QProcess* start(const QString& program, const QStringList& args,
                    const QString& folder = QString());
    QProcess* start(const QString& program, const QStringList& args, const QString& folder,
                    const QProcessEnvironment& env);
    // Ends a program and everything in its process group.
    static void stop(QProcess* p);
    // A tool run on the display to its end, for at most ten seconds: its
    // output.
    QString run(const QString& program, const QStringList& args) const;

    // The program's window named "Pagewick" docked in trayer's panel (its
    // notification icon) or not (the editor window), hexadecimal; empty when
    // there is none.
    QString programWindow(bool docked) const;
    bool viewable(const QString& id) const;
    // A picture of a window (decimal or hexadecimal id) as the display shows
    // it, saved to file, taken by running this test program again with
    // "--grab" (see grabWindowOnDisplay); a null image when it failed.
    QImage picture(const QString& id, const QString& file) const;

    // What the programs on the desktop are started with: the display, the
    // desktop's bus (none when there is no dbus-daemon), X11 for Qt.
    QProcessEnvironment environment() const;

    QString display;
    QString bus; // the session bus's address; empty without one

private:
    std::vector<std::unique_ptr<QProcess>> m_procs;
};

// For a test program's main: "--grab ID FILE" saves a picture of window ID to
// FILE and gives the exit code; -1 for any other command line.
int grabWindowOnDisplay(int argc, char** argv);
