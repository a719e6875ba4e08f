#include "channel.h"

namespace kovo {

QString portOpenFailedMessage(const QString& port, const QString& reason) {
    if (reason == OpenFailure::InUse)
        return port + QStringLiteral(" is in use by another program. Close the other program and "
                                     "try again");
    const QString why = reason.isEmpty() ? QStringLiteral("the system gave no reason") : reason;
    return port + QStringLiteral(" cannot be opened: ") + why +
           QStringLiteral(". Check the port and your connections, then try again");
}

} // namespace kovo
