#include "processend.h"

#include <signal.h>

void endProcess(qint64 pid) {
    if (pid > 0)
        ::kill(pid_t(pid), SIGKILL);
}
