// kovo-cli emulate: the emulated Tarsis on a pseudo-terminal or a loopback TCP port, for the
// desktop program, kovo-cli and the tests to talk to.
#include "cli_command.h"
#include "emulator/emulator_server.h"
#include "emulator/tarsis_emulator.h"

#include <QFileInfo>
#include <QTextStream>
#include <csignal>

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "emulate (--pty | --tcp PORT) [--memory FILE] [--fault FAULTS] [--quiet]\n"
    "      serve the emulated Tarsis; prints the pseudo-terminal's path or tcp://127.0.0.1:PORT\n"
    "      (--tcp 0 picks a free port), then one line per exchange on stderr unless --quiet.\n"
    "      --memory FILE is loaded at the start when it exists and saved at the end.\n"
    "      FAULTS is a comma-separated list; exchanges are the lines the host sends, from 1:\n"
    "        silence:N[@K]    exchanges K (default 1) to K+N-1 get no answer\n"
    "        nak:K            exchange K is answered \"-\" and not applied\n"
    "        garbage[:N][@K]  N answers (all if N is left out) from exchange K are line noise\n"
    "        drop:K           the line drops when exchange K arrives (a pty emulator then ends)\n"
    "        pace             true 9600-baud pacing, 10/9600 s per byte each way\n"
    "        delay:MS         each answer leaves MS ms after its command arrived\n"
    "        split:MS         each answer arrives in two pieces, its last byte MS ms later\n"
    "        echo             an acknowledgement is \"+\" followed by the command line\n"
    "        late:MS[@K]      answers from exchange K on leave MS ms after their command\n"
    "        board-garbage    the Ostrik board sends line noise and never ends its records\n"
    "      Example: kovo-cli emulate --pty --fault pace,delay:5,nak:40";

EmulatorServer* g_server = nullptr;

extern "C" void onStopSignal(int) {
    if (g_server)
        g_server->stop();
}

int usageError(const QString& why) {
    return reportUsageError("emulate", Usage, why);
}

QString printable(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 32 && u < 127)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return text;
}

int emulate(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missing = false;
    const bool pty = takeSwitch(arguments, QStringLiteral("--pty"));
    const QString tcp = takeOption(arguments, QStringLiteral("--tcp"), &missing);
    if (missing)
        return usageError(QStringLiteral("--tcp needs a port number"));
    const QString memoryPath = takeOption(arguments, QStringLiteral("--memory"), &missing);
    if (missing)
        return usageError(QStringLiteral("--memory needs a file name"));
    const QString faultList = takeOption(arguments, QStringLiteral("--fault"), &missing);
    if (missing)
        return usageError(QStringLiteral("--fault needs a list of faults"));
    const bool quiet = takeSwitch(arguments, QStringLiteral("--quiet"));
    if (!arguments.isEmpty())
        return usageError(QStringLiteral("unexpected %1").arg(arguments.first()));
    if (pty == !tcp.isEmpty())
        return usageError(QStringLiteral("give either --pty or --tcp PORT"));
    quint16 tcpPort = 0;
    if (!tcp.isEmpty()) {
        bool ok = false;
        const uint port = tcp.toUInt(&ok);
        if (!ok || port > 65535)
            return usageError(QStringLiteral("bad port %1").arg(tcp));
        tcpPort = static_cast<quint16>(port);
    }
    QString error;
    const auto faults = EmulatorFaults::parse(faultList, &error);
    if (!faults)
        return usageError(error);

    QTextStream err(stderr);
    auto emulator = std::make_shared<TarsisEmulator>(*faults);
    if (!memoryPath.isEmpty() && QFileInfo::exists(memoryPath) &&
        !emulator->loadMemory(memoryPath, &error)) {
        err << "kovo-cli emulate: " << memoryPath << ": " << error << "\n";
        return ExitFailed;
    }
    if (!quiet) {
        emulator->setTrace([](const QString& line, const QByteArray& answer) {
            QTextStream trace(stderr);
            trace << printable(line.toLatin1()) << " -> "
                  << (answer.isEmpty() ? QStringLiteral("(no answer)") : printable(answer)) << "\n";
        });
    }

    EmulatorServer server(emulator);
    const bool ready = pty ? server.openPty(&error) : server.listenTcp(tcpPort, &error);
    if (!ready) {
        err << "kovo-cli emulate: " << error << "\n";
        return ExitFailed;
    }
    {
        QTextStream out(stdout);
        if (pty)
            out << server.slavePath() << "\n";
        else
            out << "tcp://127.0.0.1:" << server.tcpPort() << "\n";
    }
    fflush(stdout);

    g_server = &server;
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    const EmulatorServer::End end = server.run();
    g_server = nullptr;

    int status = ExitDone;
    if (end == EmulatorServer::End::Dropped)
        err << "kovo-cli emulate: the line was dropped as the fault asked\n";
    if (end == EmulatorServer::End::Failed) {
        err << "kovo-cli emulate: " << server.failure() << "\n";
        status = ExitFailed;
    }
    if (!memoryPath.isEmpty() && !emulator->saveMemory(memoryPath, &error)) {
        err << "kovo-cli emulate: " << memoryPath << ": " << error << "\n";
        status = ExitFailed;
    }
    return status;
}

const CliCommandRegistration registration("emulate", Usage, emulate);

} // namespace
} // namespace kovo::cli
