#include "pageroot.h"

#include <QList>

bool PageRoot::isPlainName(const QByteArray& relative) {
    if (relative.isEmpty() || relative.contains('\0') || relative.contains('\\'))
        return false;
#ifdef Q_OS_WIN
    if (relative.contains(':')) // a drive or a stream
        return false;
#endif
    for (const QByteArray& part : relative.split('/'))
        if (part.isEmpty() || part == "." || part == "..")
            return false;
    return true;
}
