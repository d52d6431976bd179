#pragma once
// The editor window's notification-icon record, as the shell takes it.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct TrayIconRecord {
    std::int32_t cbSize = 0;
    std::int32_t hWnd = 0;
    std::int32_t uID = 0;
    std::int32_t uFlags = 0;
    std::int32_t uCallbackMessage = 0;
    std::int32_t hIcon = 0;
    // A fixed-length text of 64 characters (NULs until assigned); see
    // fixedLength().
    QString szTip = QString(64, QChar(u'\0'));

    // The text left-aligned in a field of the given length: cut, or filled
    // with spaces, as an assignment to a fixed-length text does.
    static QString fixedLength(const QString& text, int length) {
        return text.leftJustified(length, QLatin1Char(' '), /*truncate=*/true);
    }
};

// The record as the shell reads it: the six fields as little-endian 32-bit
// integers in the order above, then the tip as 64 bytes in the system code
// page, cut or filled with spaces to that length. 88 bytes in all.
QByteArray recordBytes(const TrayIconRecord& record);
