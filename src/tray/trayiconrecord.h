#pragma once
// The editor window's notification-icon record: what its icon is, filled
// once when the window loads and not changed afterwards. Its fields are those
// of the Windows shell's NOTIFYICONDATA in its first, 88-byte form; the icon
// is added from them through the toolkit's notification area (see
// docs/architecture.md for why no shell call takes the record itself).

#include <QString>

#include <cstdint>

// Which fields of the record are in use.
constexpr std::int32_t NIF_MESSAGE = 1;
constexpr std::int32_t NIF_ICON = 2;
constexpr std::int32_t NIF_TIP = 4;

struct TrayIconRecord {
    // The size of the record in the shell's form: six 32-bit fields and a
    // tip of 64 bytes.
    static constexpr std::int32_t Size = 88;
    static constexpr int TipLength = 64;

    std::int32_t cbSize = 0;
    std::int32_t hWnd = 0;
    std::int32_t uID = 0;
    std::int32_t uFlags = 0;
    std::int32_t uCallbackMessage = 0;
    std::int32_t hIcon = 0;
    // A fixed-length text (NULs until assigned); the tooltip is the text up
    // to its first NUL.
    QString szTip = QString(TipLength, QChar(u'\0'));

    // The text left-aligned in the tip's fixed length: cut, or filled with
    // spaces, as an assignment to a fixed-length text does.
    void setTip(const QString& text) {
        szTip = text.leftJustified(TipLength, QLatin1Char(' '), /*truncate=*/true);
    }
    QString tooltip() const { return szTip.left(szTip.indexOf(QChar(u'\0'))); }
};
