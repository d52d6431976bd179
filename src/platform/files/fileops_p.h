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

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <memory>

namespace pw::detail {

// An output file that takes its target's place only once it is complete: it
// is written as a temporary file beside the target, which then replaces the
// target in one step, so a write that fails half-way never leaves a cut-off
// file. A replaced file keeps its permissions and, where allowed, its owner.
//
// Where no temporary can be made beside a file that can itself be written (a
// folder without write access), the file is written in place instead: the
// bytes are held until commit, and the file is only touched once the disk is
// known to have room for all of them.
class ReplacingFile {
public:
    // Whose file it is, which decides what a symbolic link at its name means.
    // The user's file is the file the link names, as the user chose it (but
    // not a stranger's link in a shared folder, see docs/architecture.md);
    // the program's own files (the preview page, the packaged documents) are
    // never written through a link: the link itself is replaced, or the write
    // refused.
    enum Owner { UserFile, ProgramFile };

    // Opens the temporary file. durable: commit waits until the bytes are on
    // the disk. Throws OperationError.
    ReplacingFile(const QString& path, bool durable, Owner owner);
    // Throws away what was not committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Writes all of size bytes; returns how many were written, or -1 when
    // none could be (errorString() says why).
    qint64 write(const char* data, qint64 size);
    // Puts the file in the target's place. Returns false (errorString() says
    // why) when it could not; the target is then as it was.
    bool commit();
    // Throws the unfinished file away; the target is left as it was.
    void cancel();
    QString errorString() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The memory the system can still give the program, in bytes; -1 when it
// does not say.
qint64 systemAvailableMemory();

// File names as the system stores them. On Unix a name is any bytes: one
// that is not valid UTF-8 is held with each stray byte as U+DC80..U+DCFF, as
// text files hold them, and handed back to the system as those very bytes.
QByteArray encodeFileName(const QString& path);
QString decodeFileName(const QByteArray& name);
// The program's arguments as the system gave them, its own name first: on
// Unix each decoded as a file name is, on Windows the wide command line.
QStringList programArguments(int argc, char** argv);

// What the system says of a path (links followed; isSymLink is about the
// name itself).
struct PathInfo {
    bool exists = false;
    bool isSymLink = false;
    bool isDir = false;
    bool isFile = false;
    bool writable = false;  // for this process
    bool writeBits = false; // any write permission at all (read-only when not)
};
PathInfo pathInfo(const QString& path);
// Opens file (not yet open) on path for reading. Returns false with a reason.
bool openForReading(QFile& file, const QString& path, QString* reason);
// Deletes the file, or the link, at path. Returns false with a reason.
bool removeFile(const QString& path, QString* reason);
// The names in folder that are files but that Qt cannot list (names that are
// not valid UTF-8), held as encodeFileName reads them; hidden ones left out.
QStringList unlistedFileNames(const QString& folder);

} // namespace pw::detail
