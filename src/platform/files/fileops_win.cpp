// Replacing files on Windows, through QSaveFile: a temporary file beside the
// target that takes its place on commit. Links are rare there and need
// rights to make; the target is written as named.

#include "fileops_p.h"
#include "platform/desktop/failure.h"

#include <QFileInfo>
#include <QSaveFile>

#include <shellapi.h>
#include <windows.h>

namespace pw::detail {

QByteArray encodeFileName(const QString& path) {
    return QFile::encodeName(path);
}

QString decodeFileName(const QByteArray& name) {
    return QFile::decodeName(name);
}

QStringList programArguments(int, char**) {
    // argv is in the ANSI code page there; the wide command line is not.
    QStringList args;
    int count = 0;
    if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            args << QString::fromWCharArray(wide[i]);
        ::LocalFree(wide);
    }
    return args;
}

PathInfo pathInfo(const QString& path) {
    const QFileInfo file(path);
    PathInfo info;
    info.exists = file.exists();
    info.isSymLink = file.isSymLink();
    info.isDir = file.isDir();
    info.isFile = file.isFile();
    info.writable = file.isWritable();
    info.writeBits =
        file.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther);
    return info;
}

bool openForReading(QFile& file, const QString& path, QString* reason) {
    file.setFileName(path);
    if (file.open(QIODevice::ReadOnly))
        return true;
    *reason = file.errorString();
    return false;
}

bool removeFile(const QString& path, QString* reason) {
    QFile file(path);
    if (file.remove())
        return true;
    *reason = file.errorString();
    return false;
}

// Windows keeps names as UTF-16, which Qt lists all of.
QStringList unlistedFileNames(const QString&) {
    return {};
}

struct ReplacingFile::Private {
    std::unique_ptr<QSaveFile> file;
    bool done = false;
    QString error;
};

ReplacingFile::ReplacingFile(const QString& path, bool /*durable*/, Owner /*owner*/)
    : d(std::make_unique<Private>()) {
    d->file = std::make_unique<QSaveFile>(path);
    // Unbuffered: every write reaches the system at once and its length is
    // checked there, not in a flush whose failure could go unseen.
    if (!d->file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw OperationError(QStringLiteral("Could not write the file"), shown(path),
                             d->file->errorString());
}

ReplacingFile::~ReplacingFile() {
    if (!d->done)
        cancel();
}

qint64 ReplacingFile::write(const char* data, qint64 size) {
    const qint64 written = d->file->write(data, size);
    if (written != size)
        d->error = d->file->errorString();
    return written;
}

bool ReplacingFile::commit() {
    d->done = true;
    if (d->file->commit())
        return true;
    d->error = d->file->errorString();
    return false;
}

void ReplacingFile::cancel() {
    d->file->cancelWriting();
    d->done = true;
}

QString ReplacingFile::errorString() const {
    return d->error;
}

qint64 systemAvailableMemory() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullAvailPhys) : -1;
}

} // namespace pw::detail
