#include "fileops.h"

#include "fileops_p.h"
#include "platform/desktop/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pw {

namespace detail {

QString shown(const QString& path) {
    return displayFileName(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
}

QString folderReason(const QString& path) {
    const bool endsInSeparator = path.endsWith(u'/') || path.endsWith(QDir::separator());
    return endsInSeparator
               ? QStringLiteral("No file name was given: the path names the folder itself.")
               : QStringLiteral("It is a folder, not a file.");
}

// Devices, pipes and sockets are neither read as text (reading could block
// or never end) nor replaced by a file.
QString notRegular(bool output) {
    return output ? QStringLiteral("It is not an ordinary file but a device, a pipe or a socket, "
                                   "and is not replaced by one.")
                  : QStringLiteral("It is not an ordinary file but a device, a pipe or a socket, "
                                   "and is not read as text.");
}

} // namespace detail

using detail::folderReason;
using detail::shown;

void Kill(const QString& path) {
    const QString what = QStringLiteral("Could not delete the file");
    const detail::PathInfo info = detail::pathInfo(path);
    if (!info.exists && !info.isSymLink)
        throw OperationError(what, shown(path), QStringLiteral("The file does not exist."));
    if (info.isDir)
        throw OperationError(what, shown(path), folderReason(path));
    // A file that no one may write to is read-only: it is kept, as rm asks
    // before removing one, whoever runs the program. A link is deleted
    // whatever it points to.
    if (!info.isSymLink && !info.writeBits)
        throw OperationError(what, shown(path),
                             QStringLiteral("The file is read-only. Make it writable first if "
                                            "it is to be deleted."));
    QString reason;
    if (!detail::removeFile(path, &reason))
        throw OperationError(what, shown(path), reason);
}

void writeProgramFile(const QString& path, const QByteArray& bytes) {
    detail::ReplacingFile file(path, false, detail::ReplacingFile::ProgramFile);
    if (file.write(bytes.constData(), bytes.size()) != bytes.size() || !file.commit())
        throw OperationError(QStringLiteral("Could not write the file"), shown(path),
                             file.errorString());
}

QString displayFileName(const QString& name) {
    QString shown = name;
    for (QChar& c : shown)
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF)
            c = QChar::ReplacementCharacter;
    return shown;
}

} // namespace pw
