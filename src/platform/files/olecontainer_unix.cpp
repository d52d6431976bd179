// Where a user's cached files go on Unix, by the XDG base-directory rules.

#include "olecontainer.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace pw {

QString OleContainer::userCacheFolder() {
#if defined(Q_OS_DARWIN)
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
#else
    // XDG_CACHE_HOME counts only when it is an absolute path; otherwise the
    // cache is ~/.cache. An empty or relative HOME is no home: the user's
    // entry in the password database says where it is.
    const QString cache = QFile::decodeName(qgetenv("XDG_CACHE_HOME"));
    if (QDir::isAbsolutePath(cache))
        return QDir::cleanPath(cache);
    QString home = QFile::decodeName(qgetenv("HOME"));
    if (!QDir::isAbsolutePath(home)) {
        home.clear();
        if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir)
            home = QFile::decodeName(entry->pw_dir);
    }
    if (!QDir::isAbsolutePath(home))
        return {};
    return QDir::cleanPath(home) + QStringLiteral("/.cache");
#endif
}

} // namespace pw
