#pragma once

#include <functional>

namespace pw {

// Starts the user interface, runs startup (which creates the first window)
// and then the event loop until the program ends. Returns the exit code.
int runApplication(int& argc, char** argv, const std::function<void()>& startup);

// Settings every QApplication of the program needs, the tests' included.
void prepareApplication();

} // namespace pw
