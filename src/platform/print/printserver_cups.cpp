#include "printserver.h"

#include <QLibrary>

namespace pw {

namespace {

// CUPS's own records, as far as they are read here.
struct CupsOption {
    char* name;
    char* value;
};
struct CupsDest {
    char* name;
    char* instance;
    int isDefault;
    int optionCount;
    CupsOption* options;
};

// CUPS is the print service where Qt's printers are CUPS's; it is loaded the
// first time it is needed (a failure's reason or a finished document), so
// the program does not load it at start.
struct Cups {
    int (*lastError)() = nullptr;
    const char* (*lastErrorString)() = nullptr;
    const char* (*server)() = nullptr;
    int (*printFile)(const char*, const char*, const char*, int, CupsOption*) = nullptr;
    int (*cancelJob)(const char*, int) = nullptr;
    CupsDest* (*getNamedDest)(void*, const char*, const char*) = nullptr;
    void (*freeDests)(int, CupsDest*) = nullptr;

    Cups() {
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load())
            return;
        lastError = reinterpret_cast<decltype(lastError)>(library.resolve("cupsLastError"));
        lastErrorString =
            reinterpret_cast<decltype(lastErrorString)>(library.resolve("cupsLastErrorString"));
        server = reinterpret_cast<decltype(server)>(library.resolve("cupsServer"));
        printFile = reinterpret_cast<decltype(printFile)>(library.resolve("cupsPrintFile"));
        cancelJob = reinterpret_cast<decltype(cancelJob)>(library.resolve("cupsCancelJob"));
        getNamedDest =
            reinterpret_cast<decltype(getNamedDest)>(library.resolve("cupsGetNamedDest"));
        freeDests = reinterpret_cast<decltype(freeDests)>(library.resolve("cupsFreeDests"));
    }
    bool usable() const { return lastError && lastErrorString && server; }
    bool takesFiles() const { return usable() && printFile && cancelJob; }
};

const Cups& cups() {
    static const Cups loaded;
    return loaded;
}

// The last status of CUPS's "successful" range (IPP_STATUS_OK_EVENTS_COMPLETE).
constexpr int LastSuccess = 0x0007;

// A queue's name without the instance Qt may add after a slash.
QByteArray queueName(const QString& queue) {
    return queue.section(u'/', 0, 0).toLocal8Bit();
}

} // namespace

QString printServiceProblem() {
    const Cups& c = cups();
    if (!c.usable() || c.lastError() <= LastSuccess)
        return {};
    return QStringLiteral("The print server (%1) could not be reached: %2.")
        .arg(QString::fromLocal8Bit(c.server()), QString::fromLocal8Bit(c.lastErrorString()));
}

bool printServiceTakesFiles() {
    return cups().takesFiles();
}

int submitPrintFile(const QString& queue, const QString& file, const QString& title,
                    QString* reason) {
    const Cups& c = cups();
    if (!c.takesFiles()) {
        if (reason)
            *reason = QStringLiteral("The print service could not be loaded.");
        return 0;
    }
    const QByteArray name = queueName(queue);
    // The queue's own defaults (those lpoptions sets) go with the job, as
    // with any other program's.
    CupsDest* dest = c.getNamedDest && c.freeDests
                         ? c.getNamedDest(nullptr, name.constData(), nullptr)
                         : nullptr;
    const int job = c.printFile(name.constData(), file.toLocal8Bit().constData(),
                                title.toLocal8Bit().constData(), dest ? dest->optionCount : 0,
                                dest ? dest->options : nullptr);
    const QString why = QString::fromLocal8Bit(c.lastErrorString());
    if (dest)
        c.freeDests(1, dest);
    if (job <= 0 && reason)
        *reason = QStringLiteral("The print server did not take the job: %1.").arg(why);
    return job > 0 ? job : 0;
}

bool cancelPrintJob(const QString& queue, int job) {
    const Cups& c = cups();
    return c.takesFiles() && job > 0 && c.cancelJob(queueName(queue).constData(), job) == 1;
}

} // namespace pw
