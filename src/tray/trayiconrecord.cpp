#include "trayiconrecord.h"

#include <QtEndian>

QByteArray recordBytes(const TrayIconRecord& record) {
    QByteArray bytes;
    bytes.reserve(88);
    for (const std::int32_t value : {record.cbSize, record.hWnd, record.uID, record.uFlags,
                                     record.uCallbackMessage, record.hIcon}) {
        char le[4];
        qToLittleEndian<qint32>(value, le);
        bytes.append(le, 4);
    }
    // A character the code page lacks, or one that takes several bytes in it,
    // must not move the end of the record: the tip is exactly 64 bytes.
    bytes.append(record.szTip.toLocal8Bit().leftJustified(64, ' ', /*truncate=*/true));
    return bytes;
}
