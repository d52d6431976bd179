// Where a user's cached files go on Windows: the local application data.

#include "olecontainer.h"

#include <QStandardPaths>

namespace pw {

QString OleContainer::userCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}

} // namespace pw
