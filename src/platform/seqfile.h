#pragma once
// Sequential text files: the program's only way to read and write files.
// Text is kept in the system's 8-bit code page (the locale's encoding), with
// no byte-order mark.

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringDecoder>
#include <memory>

namespace pw {

// An open file, the program's "file number 1". Output goes to a temporary
// file beside the target that replaces it only on Close, so a write that
// fails half-way never leaves a truncated file behind.
class SequentialFile {
public:
    enum Mode { Input, Output };

    // Opens path (a bare name lies in the process's current folder); Output
    // creates the file or replaces its contents. Throws OperationError.
    SequentialFile(const QString& path, Mode mode);
    // Closes the file; unfinished output is thrown away.
    ~SequentialFile();
    SequentialFile(const SequentialFile&) = delete;
    SequentialFile& operator=(const SequentialFile&) = delete;

    // Print #: the text in the code page, then CR LF.
    void Print(const QString& text);
    // Line Input #: one line without its break. A line ends at CR or CR LF;
    // a lone LF is part of the line.
    QString LineInput();
    // True when no line is left to read.
    bool Eof();
    // Finishes the file; for output, this is when the file is replaced.
    void Close();

    // Whether any line read so far held bytes the code page does not define
    // (they were read as U+FFFD).
    bool hadUndecodableBytes() const { return m_undecodable; }
    const QString& path() const { return m_path; }

private:
    bool fill();

    QString m_path;
    Mode m_mode;
    std::unique_ptr<QFile> m_in;
    std::unique_ptr<QSaveFile> m_out;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_undecodable = false;
};

// Deletes a file at once (no recycle bin). Throws OperationError.
void Kill(const QString& path);

// The code page conversions used by the files.
QByteArray toCodePage(const QString& text, bool* ok = nullptr);
QString fromCodePage(QByteArrayView bytes, bool* ok = nullptr);

} // namespace pw
