#pragma once
// Commands whose work has not been built yet say so plainly. Each file that
// includes this is replaced when its commands are built.

#include "platform/failure.h"

[[noreturn]] inline void commandPending(const char* command) {
    throw pw::OperationError(QStringLiteral("This command is not available yet"),
                             QString::fromLatin1(command));
}
