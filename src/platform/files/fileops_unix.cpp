// The file operations on Unix, with the system's own calls. File names are
// handed over as their exact bytes (Qt cannot give back a name that is not
// valid UTF-8), and files are replaced here rather than by QSaveFile, which
// follows a symbolic link at the target's name by itself, always forces the
// file to the disk, and makes a temporary name longer than the target's.

#include "codepage_p.h"
#include "fileops_p.h"
#include "platform/desktop/failure.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#if defined(Q_OS_LINUX)
#include <QThreadPool>
#endif

namespace pw::detail {

QByteArray encodeFileName(const QString& path) {
    bool ok = false;
    const QByteArray bytes = encodeUtf8Escaped(path, &ok);
    return ok ? bytes : QFile::encodeName(path);
}

QString decodeFileName(const QByteArray& name) {
    return decodeUtf8Escaped(name);
}

QStringList programArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << decodeFileName(QByteArray(argv[i]));
    return args;
}

PathInfo pathInfo(const QString& path) {
    PathInfo info;
    const QByteArray native = encodeFileName(path);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return info;
    info.isSymLink = S_ISLNK(st.st_mode);
    if (info.isSymLink && ::stat(native.constData(), &st) != 0)
        return info; // a dangling link
    info.exists = true;
    info.isDir = S_ISDIR(st.st_mode);
    info.isFile = S_ISREG(st.st_mode);
    info.writeBits = st.st_mode & 0222;
    info.writable = ::access(native.constData(), W_OK) == 0;
    return info;
}

bool openForReading(QFile& file, const QString& path, QString* reason) {
    const int fd = ::open(encodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *reason = file.errorString();
        return false;
    }
    return true;
}

bool removeFile(const QString& path, QString* reason) {
    if (::unlink(encodeFileName(path).constData()) == 0)
        return true;
    *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

QStringList unlistedFileNames(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(encodeFileName(folder).constData());
    if (!dir)
        return names;
    const QByteArray prefix = encodeFileName(folder) + '/';
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        bool valid = true;
        const QString held = decodeUtf8Escaped(name, &valid);
        if (valid)
            continue; // Qt lists it
        struct stat st;
        if (::stat((prefix + name).constData(), &st) == 0 && S_ISREG(st.st_mode))
            names << held;
    }
    ::closedir(dir);
    return names;
}

namespace {

const QString WriteFailed = QStringLiteral("Could not write the file");

QString systemReason(int error) {
    if (error == ENAMETOOLONG)
        return QStringLiteral("The path is longer than the file system allows.");
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The kernel's rule for links in shared folders (fs.protected_symlinks): in
// a folder that everyone may write to and whose sticky bit is set (/tmp), a
// link is only followed when it belongs to the one following it or to the
// folder's owner; anyone else could have planted it.
bool strangersLinkInSharedFolder(const QByteArray& link, const struct stat& linkStat) {
    struct stat folder;
    if (::stat(folderOf(link).constData(), &folder) != 0)
        return false;
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return shared && linkStat.st_uid != ::geteuid() && linkStat.st_uid != folder.st_uid;
}

// The file a user's path names: a symbolic link leads to the file it points
// to (which may not exist yet), through any number of links.
QByteArray followLinks(const QString& path) {
    QByteArray target = encodeFileName(path);
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(target.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        if (hops == 40)
            throw OperationError(WriteFailed, shown(path),
                                 QStringLiteral("It is a symbolic link that leads through too "
                                                "many other links, or back to itself."));
        if (strangersLinkInSharedFolder(target, st))
            throw OperationError(
                WriteFailed, shown(path),
                QStringLiteral("It is a symbolic link that another user left in a folder shared "
                               "by all users. The system does not let programs write through "
                               "such a link, and neither does Pagewick."));
        QByteArray to(qMax<qsizetype>(st.st_size, 256) + 1, Qt::Uninitialized);
        const ssize_t n = ::readlink(target.constData(), to.data(), size_t(to.size()));
        if (n < 0)
            throw OperationError(WriteFailed, shown(path), systemReason(errno));
        to.truncate(n);
        target = to.startsWith('/') ? to : folderOf(target) + '/' + to;
    }
}

QByteArray randomName() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name = QByteArrayLiteral(".pw");
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)];
    return name + QByteArrayLiteral(".tmp");
}

} // namespace

struct ReplacingFile::Private {
    QString path;         // as given, for messages
    QByteArray target;    // the name that is replaced
    QByteArray temporary; // empty when written in place
    int fd = -1;
    bool durable = true;
    bool inPlace = false;
    bool done = false;
    QByteArray held; // in place: the bytes, until commit
    QString error;

    bool fail(const QString& reason) {
        error = reason;
        return false;
    }
    bool writeInPlace();
};

ReplacingFile::ReplacingFile(const QString& path, bool durable, Owner owner)
    : d(std::make_unique<Private>()) {
    d->path = path;
    d->durable = durable;
    // The program's own files replace a link at their name; the user's are
    // the files their links point to.
    d->target = owner == ProgramFile ? encodeFileName(path) : followLinks(path);

    const QByteArray folder = folderOf(d->target);
    const QByteArray name = d->target.mid(d->target.lastIndexOf('/') + 1);
    const long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    if (nameMax > 0 && name.size() > nameMax)
        throw OperationError(WriteFailed, shown(path),
                             QStringLiteral("Its name is %1 bytes long, and this file system "
                                            "allows at most %2 bytes in a name.")
                                 .arg(name.size())
                                 .arg(nameMax));

    struct stat old;
    const bool replacing = ::lstat(d->target.constData(), &old) == 0 && S_ISREG(old.st_mode);

    // A short name of its own beside the target, so that a target whose name
    // is as long as the file system allows is saved too.
    int error = 0;
    for (int tries = 0; tries < 100 && d->fd < 0; ++tries) {
        d->temporary = folder + '/' + randomName();
        d->fd = ::open(d->temporary.constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        error = d->fd < 0 ? errno : 0;
        if (error != EEXIST)
            break;
    }
    if (d->fd < 0) {
        d->temporary.clear();
        // No new file can be made in the folder, but the file itself may be
        // writable: it is then written in place, once complete.
        if ((error == EACCES || error == EPERM) && replacing &&
            ::access(d->target.constData(), W_OK) == 0) {
            d->inPlace = true;
            return;
        }
        if ((error == EACCES || error == EPERM) && owner == ProgramFile &&
            ::lstat(d->target.constData(), &old) == 0 && S_ISLNK(old.st_mode))
            throw OperationError(WriteFailed, shown(path),
                                 QStringLiteral("It is a symbolic link, and the folder it is in "
                                                "cannot be written to. Pagewick does not write "
                                                "its own files through a link."));
        throw OperationError(WriteFailed, shown(path), systemReason(error));
    }

    // A replaced file keeps its permissions and, where allowed, its owner.
    if (replacing) {
        if (::fchmod(d->fd, old.st_mode & 07777) != 0) {
            const int e = errno;
            cancel();
            throw OperationError(WriteFailed, shown(path), systemReason(e));
        }
        if (::fchown(d->fd, old.st_uid, old.st_gid) != 0) {
            // Another owner cannot be given away; the group is kept if it
            // can be.
            [[maybe_unused]] const int r = ::fchown(d->fd, uid_t(-1), old.st_gid);
        }
    }
}

ReplacingFile::~ReplacingFile() {
    if (!d->done)
        cancel();
}

qint64 ReplacingFile::write(const char* data, qint64 size) {
    if (d->inPlace) {
        d->held.append(data, size);
        return size;
    }
    if (d->fd < 0) {
        d->error = QStringLiteral("The file is not open.");
        return -1;
    }
    qint64 written = 0;
    while (written < size) {
        const ssize_t n = ::write(d->fd, data + written, size_t(size - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            d->error = n < 0 ? systemReason(errno) : QString();
            return written > 0 ? written : -1;
        }
        written += n;
    }
    return written;
}

bool ReplacingFile::Private::writeInPlace() {
    // Never through a link: the target was a plain file a moment ago, and a
    // link put in its place since is refused.
    fd = ::open(target.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return fail(errno == ELOOP ? QStringLiteral("It is a symbolic link, which is not "
                                                    "written through.")
                                   : systemReason(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return fail(systemReason(errno));
    if (!S_ISREG(st.st_mode))
        return fail(notRegular(true));
    const qint64 need = held.size();
    // Room first: the old bytes are only overwritten when all the new ones
    // fit. Where the file system cannot reserve the room, its free space is
    // compared instead.
    const int reserved = need > st.st_size ? ::posix_fallocate(fd, 0, off_t(need)) : 0;
    bool room = reserved == 0;
    if (reserved != 0 && reserved != ENOSPC && reserved != EDQUOT) {
        struct statvfs fs;
        room = ::fstatvfs(fd, &fs) != 0 ||
               need - st.st_size <= qint64(fs.f_bavail) * qint64(fs.f_frsize);
    }
    if (!room) {
        // A reservation that failed half-way may have lengthened the file.
        [[maybe_unused]] const int r = ::ftruncate(fd, st.st_size);
        return fail(QStringLiteral("The disk has no room for it: %1 more bytes are needed. "
                                   "The file was left as it was.")
                        .arg(need - st.st_size));
    }
    for (qint64 at = 0; at < need;) {
        const ssize_t n = ::pwrite(fd, held.constData() + at, size_t(need - at), off_t(at));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? systemReason(errno) : QStringLiteral("The disk took no more."));
        at += n;
    }
    if (::ftruncate(fd, off_t(need)) != 0)
        return fail(systemReason(errno));
    if (durable && ::fsync(fd) != 0)
        return fail(systemReason(errno));
    return true;
}

bool ReplacingFile::commit() {
    if (d->done)
        return d->fail(QStringLiteral("The file is not open."));
    if (d->inPlace) {
        const bool ok = d->writeInPlace();
        cancel();
        return ok;
    }
    // A durable file is all on the disk before it replaces the old one; the
    // program's scratch files are not forced there.
    if (d->durable && ::fsync(d->fd) != 0) {
        const int e = errno;
        cancel();
        return d->fail(systemReason(e));
    }
    const int closed = ::close(d->fd);
    const int closeError = errno;
    d->fd = -1;
    if (closed != 0) {
        cancel();
        return d->fail(systemReason(closeError));
    }
#if defined(Q_OS_LINUX)
    // A large file being replaced is let go on another thread: when its last
    // name goes, the system frees its pages and blocks there and then, which
    // takes longer than writing the new one. (Its disk stays busy for that
    // moment; a small file is let go at once.)
    constexpr off_t Large = 1 << 20;
    int replaced = ::open(d->target.constData(), O_PATH | O_CLOEXEC | O_NOFOLLOW);
    struct stat old;
    if (replaced >= 0 && (::fstat(replaced, &old) != 0 || old.st_size < Large)) {
        ::close(replaced);
        replaced = -1;
    }
    const auto release = [replaced] {
        if (replaced >= 0)
            QThreadPool::globalInstance()->start([replaced] { ::close(replaced); });
    };
#else
    const auto release = [] {};
#endif
    // The new file takes the name; a link at the name is replaced, never
    // followed.
    if (::rename(d->temporary.constData(), d->target.constData()) != 0) {
        const int e = errno;
        release();
        cancel();
        // A shared sticky folder (/tmp) keeps others from replacing a link
        // that is not theirs.
        struct stat at;
        if ((e == EPERM || e == EACCES) && ::lstat(d->target.constData(), &at) == 0 &&
            S_ISLNK(at.st_mode))
            return d->fail(QStringLiteral("It is a symbolic link that belongs to another user, "
                                          "in a folder shared by all users, and cannot be "
                                          "replaced. Pagewick does not write its own files "
                                          "through a link."));
        return d->fail(systemReason(e));
    }
    release();
    d->temporary.clear();
    d->done = true;
    return true;
}

void ReplacingFile::cancel() {
    if (d->fd >= 0)
        ::close(d->fd);
    d->fd = -1;
    if (!d->temporary.isEmpty())
        ::unlink(d->temporary.constData());
    d->temporary.clear();
    d->held = QByteArray();
    d->done = true;
}

QString ReplacingFile::errorString() const {
    return d->error;
}

qint64 systemAvailableMemory() {
#if defined(Q_OS_LINUX)
    // What the kernel counts as available: free memory and the caches it
    // can drop, without swapping.
    QFile info(QStringLiteral("/proc/meminfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
#endif
    const long pages = ::sysconf(_SC_AVPHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? qint64(pages) * size : -1;
}

} // namespace pw::detail
