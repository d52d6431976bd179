#pragma once
// File operations other than reading and writing text: deleting a file, and
// writing one of the program's own files whole.

#include <QByteArray>
#include <QString>

namespace pw {

// Deletes one file at once (no recycle bin); a folder and a read-only file
// (one with no write permission for anyone) are never deleted. Throws
// OperationError.
void Kill(const QString& path);

// Writes bytes as the whole of one of the program's own files (a packaged
// document handed to the desktop). The file is replaced only once it is
// complete, and never written through a symbolic link: a link at its name is
// replaced by the file. Throws OperationError.
void writeProgramFile(const QString& path, const QByteArray& bytes);

// A file name as the user is shown it. A name that is not valid text in the
// system's encoding is held with its stray bytes kept (see seqfile.h), which
// are shown as the replacement mark U+FFFD.
QString displayFileName(const QString& name);

} // namespace pw
