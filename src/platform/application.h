#pragma once

#include <QStringList>

#include <functional>

namespace pw {

// Starts the user interface, runs startup (which creates the first window)
// and then the event loop until the program ends. Returns the exit code.
int runApplication(int& argc, char** argv, const std::function<void()>& startup);

// The files named on the command line, in order, with Qt's own options taken
// out. On Unix a name is kept by its exact bytes, valid text or not.
QStringList commandLineFiles();

// Settings every QApplication of the program needs, the tests' included.
void prepareApplication();

} // namespace pw
