#include "printserver.h"

#include <cups/cups.h>

namespace pw {

QString printServiceProblem() {
    if (cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE)
        return {};
    const QString server = QString::fromLocal8Bit(cupsServer());
    return QStringLiteral("The print server (%1) could not be reached: %2.")
        .arg(server, QString::fromLocal8Bit(cupsLastErrorString()));
}

} // namespace pw
