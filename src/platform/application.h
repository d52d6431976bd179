#pragma once

#include <QStringList>

#include <functional>

namespace pw {

// Reads the command line first: --help and --version print and end (exit
// code 0), an unknown option is reported on the error output (exit code 2),
// all before anything needs a display. Otherwise starts the user interface
// with Qt's own options, runs startup (which creates the first window) and
// then the event loop until the program ends. Returns the exit code.
int runApplication(int& argc, char** argv, const std::function<void()>& startup);

// The files named on the command line, in order, with the options taken out
// ("--" ends them). On Unix a name is kept by its exact bytes, valid text or
// not.
QStringList commandLineFiles();

// Settings every QApplication of the program needs, the tests' included.
void prepareApplication();

} // namespace pw
