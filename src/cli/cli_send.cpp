// kovo-cli send: one command line typed by hand, written to the controller, and its answer.
#include "cli_command.h"
#include "cli_link.h"
#include "stderr_operator.h"

#include <QTextStream>

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "send --port P LINE [--timeout MS]\n"
    "      write one command line (port digit + body; the CR is added) and print the\n"
    "      controller's answer; exit 0 when it answered \"+\"";

int usageError(const QString& why) {
    return reportUsageError("send", Usage, why);
}

int send(CliContext& context) {
    QStringList& arguments = context.arguments;
    CliLinkOptions options;
    QString error;
    if (!takeLinkOptions(arguments, context.programFolder, &options, &error))
        return usageError(error);
    if (arguments.size() != 1 || arguments.first().isEmpty())
        return usageError({});

    StderrOperator person;
    LinkFlags flags;
    auto link = makeCliLink(options, person, flags, &error);
    if (!link) {
        QTextStream(stderr) << "kovo-cli send: " << error << "\n";
        return ExitFailed;
    }
    if (!link->openSerialPort())
        return ExitFailed;
    link->sendCommand(arguments.first() + QLatin1Char('\r'));
    const QByteArray answer = link->lastAnswer();
    QTextStream out(stdout);
    out << QString::fromLatin1(answer) << "\n";
    out.flush();
    link->close();
    return link->lastOutcome() == SerialLink::Outcome::Acknowledged ? ExitDone : ExitFailed;
}

const CliCommandRegistration registration("send", Usage, send);

} // namespace
} // namespace kovo::cli
