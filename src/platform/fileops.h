#pragma once
// File operations other than reading and writing text: deleting a file.

#include <QString>

namespace pw {

// Deletes one file at once (no recycle bin); a folder is never deleted.
// Throws OperationError.
void Kill(const QString& path);

} // namespace pw
