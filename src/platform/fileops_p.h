#pragma once
// What the file units share: how much of a file is read or written in one
// step, and the reasons they give for a path that is not an ordinary file.

#include <QString>

namespace pw::detail {

// Files are read, and text is converted and written, this many bytes or
// characters at a time.
constexpr qsizetype ChunkSize = 1 << 16;

// A path as the user is shown it: absolute, with the system's separators.
QString shown(const QString& path);
// Why a folder was named where a file was expected.
QString folderReason(const QString& path);
// Why a device, a pipe or a socket is not read or replaced.
QString notRegular(bool output);

} // namespace pw::detail
