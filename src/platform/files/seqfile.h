#pragma once
// Sequential text files: the program's only way to read and write text files.
// Text is kept in the system's 8-bit code page (codepage.h), with no
// byte-order mark; a character the code page cannot store is refused and
// named. A file that starts with a UTF-16 or UTF-32 byte-order mark is read,
// and replaced, in its own encoding with its mark; one whose bytes are not
// valid in that encoding is refused.

#include "codepage.h"
#include "fileops.h"

#include <QFile>
#include <QString>
#include <functional>
#include <memory>

namespace pw {

namespace detail {
class Codec;
class ReplacingFile;
} // namespace detail

// What holding a text costs the program: the bytes of memory for each of its
// characters (the text read, the text area's copy and its layout), and the
// most characters the text area takes. A file of n bytes is taken to give a
// text of n characters.
constexpr qint64 TextBytesPerCharacter = 8;
constexpr qint64 MaxTextCharacters = 0x7FFFFFFF;

// The memory the program may still use for a text, in bytes: the system's
// available memory. setAvailableMemory puts another figure in its place
// (tests); a negative one goes back to the system's.
qint64 availableMemory();
void setAvailableMemory(qint64 bytes);

// An open file, the program's "file number 1". Output goes to a temporary
// file beside the target that replaces it only on Close, after every byte was
// written, so a write that fails half-way never leaves a truncated file
// behind. The target's permissions are kept. In a folder where no new file
// can be made, a writable file is written in place on Close, once all of its
// text was converted and the disk was found to have room for it.
class SequentialFile {
public:
    enum Mode { Input, Output };
    // Durable for the user's files: Close waits until their bytes are on the
    // disk, and a symbolic link at the name leads to the file it points to.
    // Scratch for files the program makes again from the text whenever they
    // are needed (the preview page): they are not forced to the disk, and are
    // never written through a link. Either way a file is only replaced once
    // it was written completely.
    enum Durability { Durable, Scratch };

    // Opens path (a bare name lies in the process's current folder); Output
    // creates the file or replaces its contents. Only regular files are
    // opened: a folder, a device, a pipe or a socket is refused. An input
    // file larger than the text the program can hold now is refused before
    // anything of it is read. Throws OperationError.
    SequentialFile(const QString& path, Mode mode, Durability durability = Durable);
    // Closes the file; unfinished output is thrown away.
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // Print #: the text in the code page, then CR LF. Text the code page
    // cannot store is refused before anything of it is written.
    void Print(const QString& text);
    // Line Input #: one line without its break. A line ends at CR or CR LF;
    // a lone LF is part of the line.
    QString LineInput();
    // The same line added to the end of out, without a string of its own:
    // for reading a whole file into one text.
    void LineInputTo(QString& out);
    // True when no line is left to read.
    bool Eof();
    // The length of an input file in bytes, as it was when it was opened.
    qint64 LOF() const { return m_length; }
    // Finishes the file; for output, this is when the file is replaced.
    void Close();

    // Whether any line read so far held bytes that are not valid text in the
    // code page (they were read as U+DC80..U+DCFF).
    bool hadUndecodableBytes() const { return m_undecodable; }

    // Told the number of bytes read so far each time another piece of an
    // input file has been read; what it throws ends the read.
    void setReadProgress(std::function<void(qint64 bytesRead)> report) {
        m_progress = std::move(report);
    }
    const QString& path() const { return m_path; }

private:
    detail::Codec& codec() const;
    void lineBreak(QByteArray& bytes) const;
    bool fill();
    // Writes bytes of text's Print; a short write ends the file.
    void write(const QByteArray& bytes, const QString& text);
    [[noreturn]] void writeFailed(const QString& reason);

    QString m_path;
    std::unique_ptr<QFile> m_in;
    std::unique_ptr<detail::ReplacingFile> m_out;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_length = 0;
    qint64 m_printed = 0; // bytes of the current Print written so far
    bool m_atEnd = false;
    qint64 m_bytesRead = 0;
    std::function<void(qint64)> m_progress;
    bool m_undecodable = false;
    // A file with a UTF-16 or UTF-32 byte-order mark: its encoding, and when
    // read, its whole text.
    std::unique_ptr<detail::Codec> m_unicode;
    QString m_text;
    qsizetype m_textPos = 0;
};

} // namespace pw
