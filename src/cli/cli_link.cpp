#include "cli_link.h"

#include "cli_command.h"
#include "database/program_settings.h"
#include "emulator/tarsis_emulator.h"
#include "link/channel_factory.h"

namespace kovo::cli {

bool takeLinkOptions(QStringList& arguments, const QString& programFolder, CliLinkOptions* options,
                     QString* error) {
    bool missing = false;
    options->port = takeOption(arguments, QStringLiteral("--port"), &missing);
    if (missing || options->port.isEmpty()) {
        *error = QStringLiteral("--port needs a port name");
        return false;
    }
    const QString timeout = takeOption(arguments, QStringLiteral("--timeout"), &missing);
    if (missing) {
        *error = QStringLiteral("--timeout needs a number of milliseconds");
        return false;
    }
    if (!timeout.isEmpty()) {
        bool ok = false;
        options->answerTimeoutMs = timeout.toInt(&ok);
        if (!ok || options->answerTimeoutMs < 1) {
            *error = QStringLiteral("--timeout needs a number of milliseconds");
            return false;
        }
    }
    ProgramSettings settings(programFolder);
    settings.load();
    options->serialDelayMs = qMax(0, settings.serialDelay());
    return true;
}

std::unique_ptr<SerialLink> makeCliLink(const CliLinkOptions& options, Operator& person,
                                        LinkFlags& flags, QString* error) {
    // The built-in emulator lives as long as this run of kovo-cli.
    static const auto builtIn = std::make_shared<TarsisEmulator>();
    ChannelFactory::setBuiltInEmulatorProvider([] { return builtIn; });
    auto channel = ChannelFactory::create(options.port, error);
    if (!channel)
        return nullptr;
    SerialLink::Settings settings;
    settings.comPort = options.port;
    settings.serialDelayMs = options.serialDelayMs;
    settings.answerTimeoutMs = options.answerTimeoutMs;
    return std::make_unique<SerialLink>(std::move(channel), person, flags, settings);
}

} // namespace kovo::cli
