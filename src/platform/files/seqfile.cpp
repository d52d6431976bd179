#include "seqfile.h"

#include "codepage.h"
#include "codepage_p.h"
#include "fileops_p.h"
#include "platform/desktop/failure.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace pw {

using detail::ChunkSize;
using detail::folderReason;
using detail::notRegular;
using detail::shown;

namespace {

qint64 g_availableMemory = -1;

QString size(qint64 bytes) {
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

// Line and column (from 1) of a character in a text, for messages; every
// kind of line break counts.
std::pair<qsizetype, qsizetype> lineAndColumn(QStringView text, qsizetype index) {
    qsizetype line = 1, lineStart = 0;
    for (qsizetype i = 0; i < index; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n')
            continue;
        if (c == u'\r' && i + 1 < index && text[i + 1] == u'\n')
            ++i;
        ++line;
        lineStart = i + 1;
    }
    return {line, index - lineStart + 1};
}

} // namespace

qint64 availableMemory() {
    return g_availableMemory >= 0 ? g_availableMemory : detail::systemAvailableMemory();
}

void setAvailableMemory(qint64 bytes) {
    g_availableMemory = bytes;
}

SequentialFile::SequentialFile(const QString& path, Mode mode, Durability durability)
    : m_path(path) {
    const detail::PathInfo info = detail::pathInfo(path);
    if (mode == Output) {
        const QString what = QStringLiteral("Could not write the file");
        // The program's own files replace a link at their name, whatever it
        // points to; the checks below are for the file a user names.
        const bool ownLink = durability == Scratch && info.isSymLink;
        if (!ownLink && info.isDir)
            throw OperationError(what, shown(path), folderReason(path));
        if (!ownLink && info.exists && !info.isFile)
            throw OperationError(what, shown(path), notRegular(mode == Output));
        // No write permission for anyone makes a file read-only, also for
        // root, whom the system would let write it (as Kill keeps it).
        if (!ownLink && info.exists && (!info.writable || !info.writeBits))
            throw OperationError(what, shown(path), QStringLiteral("The file is read-only."));
        // A missing folder is said as such. The current folder, where a bare
        // name goes, may have been removed since the program started; the
        // system's own reason for that is "Operation not permitted".
        if (QFileInfo(path).isRelative() && QDir::currentPath().isEmpty())
            throw OperationError(what, path,
                                 QStringLiteral("The current folder no longer exists: it was "
                                                "removed, or its drive was disconnected."));
        if (!detail::pathInfo(QFileInfo(path).absolutePath()).exists)
            throw OperationError(what, shown(path),
                                 QStringLiteral("The folder it goes in does not exist."));
        // A user's file that starts with a UTF-16 or UTF-32 byte-order mark
        // keeps its encoding when it is replaced; any other file is written
        // in the code page.
        if (durability == Durable && info.isFile) {
            QFile old;
            QString ignored;
            if (detail::openForReading(old, path, &ignored))
                m_unicode = detail::byteOrderMarkCodec(old.read(4));
        }
        m_out = std::make_unique<detail::ReplacingFile>(path, durability == Durable,
                                                        durability == Durable
                                                            ? detail::ReplacingFile::UserFile
                                                            : detail::ReplacingFile::ProgramFile);
        if (m_unicode)
            write(m_unicode->byteOrderMark(), QString());
    } else {
        const QString what = QStringLiteral("Could not open the file");
        if (info.isDir)
            throw OperationError(what, shown(path), folderReason(path));
        if (!info.exists)
            throw OperationError(what, shown(path), QStringLiteral("The file does not exist."));
        if (!info.isFile)
            throw OperationError(what, shown(path), notRegular(mode == Output));
        m_in = std::make_unique<QFile>();
        QString reason;
        if (!detail::openForReading(*m_in, path, &reason))
            throw OperationError(what, shown(path), reason);
        m_length = m_in->size();
        // A file that cannot be held is refused at once, before reading
        // fills the memory. (Files of the system's own that say they are
        // empty but have content are read as far as they go.)
        const qint64 memory = availableMemory();
        const qint64 byMemory = memory < 0 ? MaxTextCharacters : memory / TextBytesPerCharacter;
        if (m_length > qMin(MaxTextCharacters, byMemory)) {
            // The limit named is the one that applies: the most one text can
            // hold, or what the memory available holds now.
            // (A file of n bytes is taken to give n characters.)
            const QString limit =
                byMemory < MaxTextCharacters
                    ? QStringLiteral("the memory available now (%1) holds at most %2 of text, "
                                     "at %3 bytes for each character.")
                          .arg(size(memory), size(byMemory))
                          .arg(TextBytesPerCharacter)
                    : QStringLiteral("a text can hold at most %1 characters (%2), whatever "
                                     "the memory.")
                          .arg(QLocale::system().toString(MaxTextCharacters),
                               size(MaxTextCharacters));
            throw OperationError(what, shown(path),
                                 QStringLiteral("The file is %1 (%2 bytes), and %3 Nothing "
                                                "was read.")
                                     .arg(size(m_length))
                                     .arg(m_length)
                                     .arg(limit));
        }
        // A file with a UTF-16 or UTF-32 byte-order mark is read whole in its
        // own encoding; one whose bytes are not valid in it is refused rather
        // than read as something a save would change.
        if ((m_unicode = detail::byteOrderMarkCodec(m_in->peek(4)))) {
            const QByteArray bytes = m_in->readAll();
            if (m_in->error() != QFileDevice::NoError)
                throw OperationError(QStringLiteral("Could not read the file"), shown(path),
                                     m_in->errorString());
            const qsizetype mark = m_unicode->byteOrderMark().size();
            if (!m_unicode->decode(QByteArrayView(bytes).sliced(mark), m_text))
                throw OperationError(
                    what, shown(path),
                    QStringLiteral("It starts with the byte-order mark of %1 text, but the rest "
                                   "of it is not valid %1. It was not opened, so that saving "
                                   "it cannot change it.")
                        .arg(QString::fromLatin1(m_unicode->name())));
            m_in->close();
            m_in.reset();
            m_atEnd = true;
        }
    }
}

detail::Codec& SequentialFile::codec() const {
    return m_unicode ? *m_unicode : detail::codec();
}

SequentialFile::~SequentialFile() {
    if (m_out)
        m_out->cancel();
}

void SequentialFile::writeFailed(const QString& reason) {
    // The temporary file goes; the target was never touched.
    m_out->cancel();
    m_out.reset();
    throw OperationError(QStringLiteral("Could not write the file"), shown(m_path), reason);
}

void SequentialFile::Print(const QString& text) {
    if (!m_out)
        throw OperationError(QStringLiteral("Could not write the file"), shown(m_path),
                             QStringLiteral("The file is not open for output."));
    m_printed = 0;
    // Where the code page allows it, the text is converted and written a
    // piece at a time through one small buffer, each piece while it is still
    // in the processor's cache; a large text needs no second copy of itself.
    // A character found unstorable on the way throws the whole temporary
    // file away, so the target is untouched all the same.
    const QStringView all(text);
    const qsizetype piece = codec().piecewise() ? ChunkSize : all.size();
    QByteArray bytes;
    for (qsizetype at = 0; at < all.size();) {
        qsizetype n = qMin(piece, all.size() - at);
        if (at + n < all.size() && QChar::isHighSurrogate(all[at + n - 1].unicode()))
            ++n; // a pair stays whole
        bytes.resize(0);
        const qsizetype bad = codec().encode(all.sliced(at, n), bytes);
        if (bad >= 0) {
            const auto [line, column] = lineAndColumn(text, at + bad);
            writeFailed(QStringLiteral("The character %1 in line %2, column %3 cannot be stored in "
                                       "%4 (%5). Nothing was written.")
                            .arg(describeCharacter(text, at + bad))
                            .arg(line)
                            .arg(column)
                            .arg(m_unicode ? QStringLiteral("this file's encoding")
                                           : QStringLiteral("the system's character set"),
                                 QString::fromLatin1(codec().name())));
        }
        at += n;
        if (at == all.size())
            lineBreak(bytes);
        write(bytes, text);
    }
    if (all.isEmpty()) {
        lineBreak(bytes);
        write(bytes, text);
    }
}

void SequentialFile::lineBreak(QByteArray& bytes) const {
    if (m_unicode)
        m_unicode->encode(u"\r\n", bytes);
    else
        bytes.append("\r\n", 2);
}

void SequentialFile::write(const QByteArray& bytes, const QString& text) {
    const qint64 written = m_out->write(bytes.constData(), bytes.size());
    if (written == bytes.size()) {
        m_printed += written;
        return;
    }
    QString reason = m_out->errorString();
    if (written >= 0 || reason.isEmpty()) {
        // How much of this Print's text reached the file, of how much.
        const qint64 done = m_printed + qMax<qint64>(written, 0);
        QByteArray whole;
        if (codec().encode(text, whole) < 0)
            reason = QStringLiteral("Only %1 of %2 bytes could be written; the disk may be full.")
                         .arg(done)
                         .arg(whole.size() + 2);
        else
            reason =
                QStringLiteral("Only %1 bytes could be written; the disk may be full.").arg(done);
    }
    writeFailed(reason);
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
    m_bytesRead += got;
    if (m_progress && got > 0)
        m_progress(m_bytesRead);
    return got > 0;
}

bool SequentialFile::Eof() {
    if (m_unicode && !m_out)
        return m_textPos >= m_text.size();
    if (!m_in)
        return true;
    while (m_pos >= m_buffer.size()) {
        if (!fill())
            return true;
    }
    return false;
}

void SequentialFile::LineInputTo(QString& out) {
    if (Eof())
        throw OperationError(QStringLiteral("Could not read the file"), shown(m_path),
                             QStringLiteral("The end of the file was passed."));
    if (m_unicode) {
        const qsizetype cr = m_text.indexOf(u'\r', m_textPos);
        const qsizetype end = cr < 0 ? m_text.size() : cr;
        out += QStringView(m_text).sliced(m_textPos, end - m_textPos);
        m_textPos = end;
        if (cr >= 0 && ++m_textPos < m_text.size() && m_text[m_textPos] == u'\n')
            ++m_textPos;
        return;
    }
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
    if (!codec().decode(QByteArrayView(m_buffer.constData() + m_pos, end - m_pos), out))
        m_undecodable = true;
    m_pos = end;
    if (cr >= 0) {
        ++m_pos; // the CR
        if (m_pos >= m_buffer.size())
            fill();
        if (m_pos < m_buffer.size() && m_buffer[m_pos] == '\n')
            ++m_pos;
    }
}

QString SequentialFile::LineInput() {
    QString line;
    LineInputTo(line);
    return line;
}

void SequentialFile::Close() {
    if (m_out) {
        const bool replaced = m_out->commit();
        const QString reason = m_out->errorString();
        m_out.reset();
        if (!replaced)
            throw OperationError(QStringLiteral("Could not write the file"), shown(m_path), reason);
    } else if (m_in) {
        m_in->close();
        m_in.reset();
    }
}

} // namespace pw
