#pragma once
// Sequential text files: the program's only way to read and write files.
// Text is kept in the system's 8-bit code page (the locale's encoding on Unix,
// the ANSI code page on Windows), with no byte-order mark.
//
// Bytes are never altered behind the user's back: a byte that is not valid
// text in the code page is read as one of the code points U+DC80..U+DCFF (the
// byte's value plus 0xDC00, as Python's "surrogateescape" does) and written
// back as that very byte. A character the code page cannot store is never
// replaced by something else: the write is refused and names it.

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <memory>

namespace pw {

// An open file, the program's "file number 1". Output goes to a temporary
// file beside the target that replaces it only on Close, after every byte was
// written and flushed to the disk, so a write that fails half-way never
// leaves a truncated file behind. The target's permissions are kept.
class SequentialFile {
public:
    enum Mode { Input, Output };
    // Whether Close waits until an output file's bytes are on the disk:
    // Durable for the user's files; Scratch for files the program makes again
    // from the text whenever they are needed (the preview page). Either way a
    // file is only replaced once it was written completely.
    enum Durability { Durable, Scratch };

    // Opens path (a bare name lies in the process's current folder); Output
    // creates the file or replaces its contents. Only regular files are
    // opened: a folder, a device, a pipe or a socket is refused. Throws
    // OperationError.
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
    // True when no line is left to read.
    bool Eof();
    // The length of an input file in bytes, as it was when it was opened.
    qint64 LOF() const { return m_length; }
    // Finishes the file; for output, this is when the file is replaced.
    void Close();

    // Whether any line read so far held bytes that are not valid text in the
    // code page (they were read as U+DC80..U+DCFF).
    bool hadUndecodableBytes() const { return m_undecodable; }
    const QString& path() const { return m_path; }

private:
    bool fill();
    // Writes bytes of text's Print; a short write ends the file.
    void write(const QByteArray& bytes, const QString& text);
    [[noreturn]] void writeFailed(const QString& reason);

    QString m_path;
    std::unique_ptr<QFile> m_in;
    std::unique_ptr<QSaveFile> m_out;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_length = 0;
    qint64 m_printed = 0; // bytes of the current Print written so far
    bool m_atEnd = false;
    bool m_undecodable = false;
    Durability m_durability = Durable;
};

// Deletes one file at once (no recycle bin); a folder is never deleted.
// Throws OperationError.
void Kill(const QString& path);

// The code page conversions used by the files. fromCodePage sets *ok to false
// when some bytes were not valid text (they are kept as U+DC80..U+DCFF).
// toCodePage sets *ok to false, and *firstBad to the index of the first
// character that cannot be stored, when the text cannot be written as it is.
QByteArray toCodePage(QStringView text, bool* ok = nullptr, qsizetype* firstBad = nullptr);
QString fromCodePage(QByteArrayView bytes, bool* ok = nullptr);

// The name of the code page in use ("UTF-8", "ISO-8859-15", ...). A C or POSIX
// locale, whose character set is plain ASCII, reads and writes UTF-8.
QByteArray codePageName();
// Puts another code page in use (a name the system's converter knows); an
// empty name goes back to the locale's. Returns false, changing nothing, when
// the system cannot convert that code page.
bool setCodePage(const QByteArray& name);

// A character of text for messages: its code point, and the character itself
// when it can be shown ("U+0101 (ā)"); index may point at a surrogate pair.
QString describeCharacter(QStringView text, qsizetype index);

} // namespace pw
