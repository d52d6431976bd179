#include "seqfile.h"

#include "failure.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

namespace pw {

namespace {

constexpr qsizetype ChunkSize = 1 << 16;

QString shown(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

} // namespace

QByteArray toCodePage(const QString& text, bool* ok) {
    QStringEncoder encoder(QStringConverter::System);
    QByteArray bytes = encoder.encode(text);
    if (ok)
        *ok = !encoder.hasError() && QStringView(text).isValidUtf16();
    return bytes;
}

QString fromCodePage(QByteArrayView bytes, bool* ok) {
    QStringDecoder decoder(QStringConverter::System);
    QString text = decoder.decode(bytes);
    if (ok)
        *ok = !decoder.hasError();
    return text;
}

SequentialFile::SequentialFile(const QString& path, Mode mode) : m_path(path), m_mode(mode) {
    if (mode == Output) {
        m_out = std::make_unique<QSaveFile>(path);
        if (!m_out->open(QIODevice::WriteOnly))
            throw OperationError(QStringLiteral("Could not write the file"), shown(path),
                                 m_out->errorString());
    } else {
        m_in = std::make_unique<QFile>(path);
        if (QFileInfo(path).isDir())
            throw OperationError(QStringLiteral("Could not open the file"), shown(path),
                                 QStringLiteral("It is a folder, not a file."));
        if (!m_in->open(QIODevice::ReadOnly))
            throw OperationError(QStringLiteral("Could not open the file"), shown(path),
                                 m_in->errorString());
    }
}

SequentialFile::~SequentialFile() {
    if (m_out)
        m_out->cancelWriting();
}

void SequentialFile::Print(const QString& text) {
    bool ok = true;
    QByteArray bytes = toCodePage(text, &ok);
    if (!ok)
        throw OperationError(QStringLiteral("Could not write the file"), shown(m_path),
                             QStringLiteral("The text holds characters that the system's "
                                            "character set cannot store."));
    bytes.append("\r\n", 2);
    if (m_out->write(bytes) != bytes.size())
        throw OperationError(QStringLiteral("Could not write the file"), shown(m_path),
                             m_out->errorString());
}

bool SequentialFile::fill() {
    if (m_atEnd)
        return false;
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + ChunkSize);
    const qint64 got = m_in->read(m_buffer.data() + old, ChunkSize);
    if (got < 0) {
        m_buffer.resize(old);
        throw OperationError(QStringLiteral("Could not read the file"), shown(m_path),
                             m_in->errorString());
    }
    m_buffer.resize(old + got);
    if (got == 0)
        m_atEnd = true;
    return got > 0;
}

bool SequentialFile::Eof() {
    while (m_pos >= m_buffer.size()) {
        if (!fill())
            return true;
    }
    return false;
}

QString SequentialFile::LineInput() {
    if (Eof())
        throw OperationError(QStringLiteral("Could not read the file"), shown(m_path),
                             QStringLiteral("The end of the file was passed."));
    // Look for the CR only in what was not searched yet: a long line may
    // take many chunks.
    qsizetype searched = 0;
    qsizetype cr;
    while ((cr = m_buffer.indexOf('\r', m_pos + searched)) < 0) {
        searched = m_buffer.size() - m_pos;
        if (!fill())
            break;
    }
    const qsizetype end = cr < 0 ? m_buffer.size() : cr;
    bool ok = true;
    QString line = fromCodePage(QByteArrayView(m_buffer.constData() + m_pos, end - m_pos), &ok);
    if (!ok)
        m_undecodable = true;
    m_pos = end;
    if (cr >= 0) {
        ++m_pos; // the CR
        if (m_pos >= m_buffer.size())
            fill();
        if (m_pos < m_buffer.size() && m_buffer[m_pos] == '\n')
            ++m_pos;
    }
    return line;
}

void SequentialFile::Close() {
    if (m_out) {
        if (!m_out->commit()) {
            const QString reason = m_out->errorString();
            m_out.reset();
            throw OperationError(QStringLiteral("Could not write the file"), shown(m_path), reason);
        }
        m_out.reset();
    } else if (m_in) {
        m_in->close();
        m_in.reset();
    }
}

void Kill(const QString& path) {
    QFile file(path);
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        throw OperationError(QStringLiteral("Could not delete the file"), shown(path),
                             QStringLiteral("The file does not exist."));
    if (QFileInfo(path).isDir())
        throw OperationError(QStringLiteral("Could not delete the file"), shown(path),
                             QStringLiteral("It is a folder, not a file."));
    if (!file.remove())
        throw OperationError(QStringLiteral("Could not delete the file"), shown(path),
                             file.errorString());
}

} // namespace pw
