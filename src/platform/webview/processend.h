#pragma once
// Ends another process of this program at once (a page's renderer that no
// longer answers).

#include <QtGlobal>

void endProcess(qint64 pid);
