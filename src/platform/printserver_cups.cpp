#include "printserver.h"

#include <QLibrary>

namespace pw {

namespace {

// CUPS is the print service where Qt's printers are CUPS's; it is asked only
// after a failure, so the program does not load it at start.
struct Cups {
    int (*lastError)() = nullptr;
    const char* (*lastErrorString)() = nullptr;
    const char* (*server)() = nullptr;

    Cups() {
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load())
            return;
        lastError = reinterpret_cast<int (*)()>(library.resolve("cupsLastError"));
        lastErrorString =
            reinterpret_cast<const char* (*)()>(library.resolve("cupsLastErrorString"));
        server = reinterpret_cast<const char* (*)()>(library.resolve("cupsServer"));
    }
    bool usable() const { return lastError && lastErrorString && server; }
};

// The last status of CUPS's "successful" range (IPP_STATUS_OK_EVENTS_COMPLETE).
constexpr int LastSuccess = 0x0007;

} // namespace

QString printServiceProblem() {
    static const Cups cups;
    if (!cups.usable() || cups.lastError() <= LastSuccess)
        return {};
    return QStringLiteral("The print server (%1) could not be reached: %2.")
        .arg(QString::fromLocal8Bit(cups.server()), QString::fromLocal8Bit(cups.lastErrorString()));
}

} // namespace pw
