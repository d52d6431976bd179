#pragma once
// What the text files hold, worked out on their bytes and characters as the
// tests expect them (never through the program's own conversions). Header
// only: the fuzz targets use it too.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// What Open makes of a file's bytes, in bytes: every line, the last one
// included, followed by CR LF; a line ends at CR or CR LF (a lone LF is part
// of its line).
inline QByteArray lineRule(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size() + 2);
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] != '\r')
            continue;
        out.append(bytes.data() + start, i - start).append("\r\n");
        if (i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        out.append(bytes.data() + start, n - start).append("\r\n");
    return out;
}

// The bytes of a text in UTF-8, where a kept byte (U+DC80..U+DCFF) is that
// byte again; nothing when some character cannot be stored.
inline std::optional<QByteArray> utf8WithKeptBytes(const QString& text) {
    QByteArray out;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            out += text.mid(i, 2).toUtf8();
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out += char(c - 0xDC00);
        } else if (QChar::isSurrogate(c)) {
            return std::nullopt;
        } else {
            out += QString(QChar(c)).toUtf8();
        }
    }
    return out;
}
