#pragma once

#include "link/link_flags.h"
#include "link/operator.h"
#include "link/serial_link.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace kovo::cli {

// What the link commands (send, upload) share: the port, the program's serial settings and a
// shortened answer time-out for tests.
struct CliLinkOptions {
    QString port;
    int answerTimeoutMs = 3000;
    int serialDelayMs = 0;
};

// Takes "--port P" and "--timeout MS" out of `arguments` and reads SerialDelay from kovo.ini in
// `programFolder`. False (with *error) on a missing or bad value.
bool takeLinkOptions(QStringList& arguments, const QString& programFolder, CliLinkOptions* options,
                     QString* error);

// A serial link to the named port (the built-in emulator included), not yet opened. Null (with
// *error) when the name is not usable.
std::unique_ptr<SerialLink> makeCliLink(const CliLinkOptions& options, Operator& person,
                                        LinkFlags& flags, QString* error);

} // namespace kovo::cli
