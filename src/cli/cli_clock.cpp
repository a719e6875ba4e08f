// kovo-cli clock: sets the controller's clock and calendar from this PC's (a nightly cron job
// keeps the repeater's clock right).
#include "cli_action.h"
#include "cli_command.h"

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "clock (--port P [--timeout MS] | --dtmf) [--dat FILE.dat]\n"
    "      set the controller's clock and calendar from this PC's date and time, read in the\n"
    "      date format of the configuration (DateFormat); the codes come from --dat, else from\n"
    "      the last database file of kovo.ini";

int setClock(CliContext& context) {
    CliActionOptions options;
    QString error;
    if (!takeActionOptions(context.arguments, context.programFolder, &options, &error))
        return reportUsageError("clock", Usage, error);
    if (!context.arguments.isEmpty())
        return reportUsageError("clock", Usage, {});
    Database db;
    if (!loadActionDatabase(db, options, QStringLiteral("clock")))
        return ExitFailed;
    ControllerAction action;
    action.kind = ControllerAction::Kind::SetClock;
    return runCliAction(QStringLiteral("clock"), context, options, db, action);
}

const CliCommandRegistration registration("clock", Usage, setClock);

} // namespace
} // namespace kovo::cli
