// kovo-cli set-code: changes an unlock code, the lock code or the terminator in the controller,
// writing the new code into the database file first, as the desktop program does.
#include "cli_action.h"
#include "cli_command.h"

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "set-code (--unlock PORT | --lock | --terminator) NEW FILE.dat (--port P [--timeout MS] |\n"
    "         --dtmf)\n"
    "      write the new unlock code of PORT (1-3), lock code or terminator into FILE.dat,\n"
    "      then send it to the controller; the file keeps the new code even when the\n"
    "      controller does not take it";

int setCode(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missing = false;
    const QString unlockPort = takeOption(arguments, QStringLiteral("--unlock"), &missing);
    if (missing)
        return reportUsageError("set-code", Usage, QStringLiteral("--unlock needs a port"));
    const bool lock = takeSwitch(arguments, QStringLiteral("--lock"));
    const bool terminator = takeSwitch(arguments, QStringLiteral("--terminator"));
    if (int(!unlockPort.isEmpty()) + int(lock) + int(terminator) != 1)
        return reportUsageError("set-code", Usage,
                                QStringLiteral("give one of --unlock PORT, --lock, --terminator"));
    CliActionOptions options;
    QString error;
    if (arguments.contains(QStringLiteral("--dat")))
        return reportUsageError("set-code", Usage, QStringLiteral("FILE.dat is given as such"));
    if (!takeActionOptions(arguments, context.programFolder, &options, &error))
        return reportUsageError("set-code", Usage, error);
    if (arguments.size() != 2 || arguments[0].startsWith(QLatin1String("--")) ||
        arguments[1].startsWith(QLatin1String("--")))
        return reportUsageError("set-code", Usage, {});
    ControllerAction action;
    if (!unlockPort.isEmpty()) {
        bool ok = false;
        action.port = unlockPort.toInt(&ok);
        if (!ok || action.port < 1 || action.port > 3)
            return reportUsageError("set-code", Usage, QStringLiteral("PORT is 1, 2 or 3"));
        action.kind = ControllerAction::Kind::ChangeUnlockCode;
    } else {
        action.kind = lock ? ControllerAction::Kind::ChangeLockCode
                           : ControllerAction::Kind::ChangeTerminator;
    }
    action.newCode = arguments[0];
    options.databaseFile = arguments[1];
    action.databaseFile = arguments[1];
    Database db;
    if (!loadActionDatabase(db, options, QStringLiteral("set-code")))
        return ExitFailed;
    return runCliAction(QStringLiteral("set-code"), context, options, db, action);
}

const CliCommandRegistration registration("set-code", Usage, setCode);

} // namespace
} // namespace kovo::cli
