#include "pageroot.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int FileFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// The kernel resolves the whole name below the folder itself: links that
// stay inside are followed, anything that would leave it (an absolute link,
// "..", another file system, /proc's magic links) is refused.
int openBeneath(int folder, const QByteArray& relative) {
#ifdef SYS_openat2
    open_how how{};
    how.flags = FileFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    const long fd = ::syscall(SYS_openat2, folder, relative.constData(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS)
        return int(fd);
#endif
    // An older kernel: one part at a time, no link followed at all.
    int at = folder;
    int from = 0;
    for (;;) {
        const int slash = relative.indexOf('/', from);
        const QByteArray part = relative.mid(from, slash < 0 ? -1 : slash - from);
        const int flags =
            slash < 0 ? FileFlags | O_NOFOLLOW : O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NOFOLLOW;
        const int next = ::openat(at, part.constData(), flags);
        const int error = errno;
        if (at != folder)
            ::close(at);
        if (next < 0 || slash < 0) {
            errno = error;
            return next;
        }
        at = next;
        from = slash + 1;
    }
}

} // namespace

PageRoot::PageRoot(const QString& path)
    : m_path(QDir::cleanPath(QDir::fromNativeSeparators(path))) {
    if (m_path.isEmpty())
        return;
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
    struct stat st {};
    if (fd < 0)
        return;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return;
    }
    m_handle = fd;
    m_device = st.st_dev;
}

PageRoot::~PageRoot() {
    if (m_handle != Invalid)
        ::close(m_handle);
}

PageRoot::Result PageRoot::open(const QByteArray& relative, QFile& file) const {
    if (!isValid() || !isPlainName(relative))
        return Result::Refused;
    const int fd = openBeneath(m_handle, relative);
    if (fd < 0)
        return errno == ENOENT ? Result::Missing : Result::Refused;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != m_device ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Result::Refused;
    }
    // Opened without blocking (a FIFO is refused above, never waited on);
    // reading a regular file blocks as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return Result::Opened;
}
