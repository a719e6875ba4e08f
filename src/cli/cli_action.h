#pragma once

#include "cli_command.h"
#include "cli_link.h"
#include "database/database.h"
#include "link/controller_action.h"

#include <QString>
#include <QStringList>

namespace kovo::cli {

// What the controller-action commands (clock, erase-macros, record, set-code) share: the
// transport (--port P [--timeout MS], or --dtmf with DTMFDelay, TxTemp, DTMFComPort and
// WhichSend from kovo.ini) and the configuration whose codes frame the commands.
struct CliActionOptions {
    bool dtmf = false;
    CliLinkOptions link;
    QString databaseFile; // --dat FILE.dat, else the LastRCFile of kovo.ini; may be empty
};

// Takes "--dtmf" or the link options, and "--dat FILE", out of `arguments`. False (with *error)
// on a usage error.
bool takeActionOptions(QStringList& arguments, const QString& programFolder,
                       CliActionOptions* options, QString* error);

// Loads the configuration named in the options (the factory codes when none is named); false
// after a message on stderr.
bool loadActionDatabase(Database& db, const CliActionOptions& options, const QString& command);

// Runs the action with messages on stderr and Ctrl+C as cancel; ExitDone when the controller
// took it, ExitFailed otherwise.
int runCliAction(const QString& command, const CliContext& context, const CliActionOptions& options,
                 Database& db, const ControllerAction& action);

} // namespace kovo::cli
