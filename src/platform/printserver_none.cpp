#include "printserver.h"

namespace pw {

// The system's printers report no reason of their own here.
QString printServiceProblem() {
    return {};
}

} // namespace pw
