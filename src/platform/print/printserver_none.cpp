#include "printserver.h"

namespace pw {

// The system's printers report no reason of their own here, and the system's
// printer driver sends the documents.
QString printServiceProblem() {
    return {};
}

bool printServiceTakesFiles() {
    return false;
}

int submitPrintFile(const QString&, const QString&, const QString&, QString* reason) {
    if (reason)
        *reason = QStringLiteral("The print service takes no files here.");
    return 0;
}

bool cancelPrintJob(const QString&, int) {
    return false;
}

} // namespace pw
