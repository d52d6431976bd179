#pragma once
// A real X desktop for a test: Xvfb on a display of its own, and the programs
// started on it (a window manager, a panel, the program under test), each in
// a process group of its own and ended with the desktop. Every wait is
// bounded.

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class XDesktop {
public:
    ~XDesktop();

    // Xvfb of the given size ("1280x800") on a display it picks itself;
    // false when it would not start.
    bool startX(const QString& size);
    // A program on the display, started in folder (empty: this process's).
    QProcess* start(const QString& program, const QStringList& args,
                    const QString& folder = QString());
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

    QString display;

private:
    QProcessEnvironment environment() const;

    std::vector<std::unique_ptr<QProcess>> m_procs;
};
