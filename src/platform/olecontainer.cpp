#include "olecontainer.h"

#include "failure.h"

namespace pw {

OleContainer::OleContainer(QWidget* parent) : QWidget(parent) {}

void OleContainer::DoVerb() {
    throw OperationError(QStringLiteral("Could not open the packaged file"), objectName(),
                         QStringLiteral("Packaged files are not part of this build yet."));
}

} // namespace pw
