#include "processend.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

void endProcess(qint64 pid) {
    if (pid <= 0)
        return;
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}
