#pragma once
// What the system's print service says of its last failure, for messages: a
// server that cannot be reached is not a machine without printers.

#include <QString>

namespace pw {

// The print service's reason for the failure of the last request made on the
// calling thread; empty when it reported none (or cannot say).
QString printServiceProblem();

} // namespace pw
