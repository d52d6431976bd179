#include "pageroot.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// The name the system resolved an open handle to, links and junctions
// followed, without the "\\?\" prefix; empty when it cannot say.
QString finalPath(HANDLE h) {
    wchar_t buffer[32768];
    const DWORD n = GetFinalPathNameByHandleW(h, buffer, DWORD(std::size(buffer)),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= std::size(buffer))
        return {};
    QString path = QString::fromWCharArray(buffer, int(n));
    if (path.startsWith(QLatin1String("\\\\?\\UNC\\")))
        path = QLatin1String("\\\\") + path.mid(8);
    else if (path.startsWith(QLatin1String("\\\\?\\")))
        path = path.mid(4);
    return QDir::fromNativeSeparators(path);
}

bool within(const QString& path, const QString& folder) {
    return !folder.isEmpty() && path.startsWith(folder, Qt::CaseInsensitive) &&
           (path.size() == folder.size() || folder.endsWith(QLatin1Char('/')) ||
            path.at(folder.size()) == QLatin1Char('/'));
}

} // namespace

PageRoot::PageRoot(const QString& path)
    : m_path(QDir::cleanPath(QDir::fromNativeSeparators(path))) {
    if (m_path.isEmpty())
        return;
    const HANDLE h =
        CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(m_path).utf16()),
                    FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    m_finalPath = finalPath(h);
    if (m_finalPath.isEmpty()) {
        CloseHandle(h);
        return;
    }
    // Held open, the folder cannot be renamed or replaced while pages use it.
    m_handle = h;
}

PageRoot::~PageRoot() {
    if (m_handle != Invalid)
        CloseHandle(m_handle);
}

PageRoot::Result PageRoot::open(const QByteArray& relative, QFile& file) const {
    if (!isValid() || !isPlainName(relative))
        return Result::Refused;
    const QString name = m_finalPath + QLatin1Char('/') + QString::fromUtf8(relative);
    const HANDLE h = CreateFileW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(name).utf16()), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Result::Missing
                                                                              : Result::Refused;
    }
    // What was opened is checked, not what the name said: a link or junction
    // swapped in on the way shows in the handle's own name.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !within(finalPath(h), m_finalPath)) {
        CloseHandle(h);
        return Result::Refused;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return Result::Refused;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        return Result::Refused;
    }
    return Result::Opened;
}
