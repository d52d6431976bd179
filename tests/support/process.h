#pragma once
// Running the system's tools from a test.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a tool to its end, for at most timeoutMs (then it is killed), and
// returns what it wrote on its standard output; *ok tells whether it ran,
// finished in time and exited with 0.
QString runTool(const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                int timeoutMs = 20000, bool* ok = nullptr);

// Whether a tool ran and succeeded within ten seconds (mount, chattr, ...).
bool succeeds(const QString& program, const QStringList& args);
