// kovo-cli erase-macros: erases every macro in the controller.
#include "cli_action.h"
#include "cli_command.h"

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "erase-macros (--port P [--timeout MS] | --dtmf) [--dat FILE.dat]\n"
    "      erase all 90 macros in the controller at once; the database file is not changed";

int eraseMacros(CliContext& context) {
    CliActionOptions options;
    QString error;
    if (!takeActionOptions(context.arguments, context.programFolder, &options, &error))
        return reportUsageError("erase-macros", Usage, error);
    if (!context.arguments.isEmpty())
        return reportUsageError("erase-macros", Usage, {});
    Database db;
    if (!loadActionDatabase(db, options, QStringLiteral("erase-macros")))
        return ExitFailed;
    ControllerAction action;
    action.kind = ControllerAction::Kind::EraseAllMacros;
    return runCliAction(QStringLiteral("erase-macros"), context, options, db, action);
}

const CliCommandRegistration registration("erase-macros", Usage, eraseMacros);

} // namespace
} // namespace kovo::cli
