// kovo-cli check, convert and defaults: database files loaded and written the way the desktop
// program does, without ever writing over what they read.
#include "cli_command.h"
#include "cli_database_load.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"

#include <QDir>
#include <QTextStream>

namespace kovo::cli {
namespace {

constexpr char CheckUsage[] = "check FILE.dat            load; print the error-log lines; exit 1 "
                              "if any (the file is never written)";
constexpr char ConvertUsage[] =
    "convert IN.dat OUT.dat    load IN, write OUT as Save As does; an IN that cannot be read is "
    "refused";
constexpr char DefaultsUsage[] = "defaults OUT.dat          write the complete default "
                                 "configuration to OUT";

// The reason a command's arguments are refused: an option it does not know, or the count.
QString badArguments(const QStringList& arguments, const QString& expected) {
    for (const QString& argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1)
            return QStringLiteral("unknown option %1").arg(argument);
    }
    return expected;
}

int check(CliContext& context) {
    const QStringList& arguments = context.arguments;
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-')))
        return reportUsageError("check", CheckUsage,
                                badArguments(arguments, QStringLiteral("give one database file")));
    const QString path = arguments.first();
    ErrorLog log;
    log.create(QDir(context.programFolder).filePath(QStringLiteral("error.log")));
    Database db;
    LoadReport report;
    if (!loadExistingDatabase(db, path, QStringLiteral("check"), &log, &report))
        return ExitFailed;
    QTextStream out(stdout);
    for (const QString& line : report.errorLines)
        out << line << "\n";
    out.flush();
    QTextStream err(stderr);
    if (report.clash)
        err << LockTerminatorClashMessage << "\n";
    err << "Loaded " << path << ": " << report.errorLines.size()
        << " value(s) replaced by defaults\n";
    return report.errorLines.isEmpty() ? ExitDone : ExitFailed;
}

int convert(CliContext& context) {
    const QStringList& arguments = context.arguments;
    if (arguments.size() != 2 || arguments.first().startsWith(QLatin1Char('-')) ||
        arguments.last().startsWith(QLatin1Char('-')))
        return reportUsageError(
            "convert", ConvertUsage,
            badArguments(arguments, QStringLiteral("give the file to read and the file to write")));
    const QString input = arguments.at(0);
    const QString output = arguments.at(1);
    if (outputIsAnInput("convert", output, {input}))
        return ExitFailed;
    ErrorLog log;
    log.create(QDir(context.programFolder).filePath(QStringLiteral("error.log")));
    Database db;
    LoadReport report;
    if (!loadExistingDatabase(db, input, QStringLiteral("convert"), &log, &report))
        return ExitFailed;
    QTextStream err(stderr);
    if (report.clash)
        err << LockTerminatorClashMessage << "\n";
    for (const QString& line : report.errorLines)
        err << "default used: " << line << "\n";
    const SaveResult saved = saveWholeDatabase(db, output);
    if (!saved.ok) {
        err << "kovo-cli convert: " << saved.error << "\n";
        return ExitFailed;
    }
    err << "Converted " << input << " -> " << output << " (" << report.errorLines.size()
        << " value(s) replaced by defaults)\n";
    return ExitDone;
}

int writeDefaults(CliContext& context) {
    const QStringList& arguments = context.arguments;
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-')))
        return reportUsageError(
            "defaults", DefaultsUsage,
            badArguments(arguments, QStringLiteral("give the database file to write")));
    Database db;
    const SaveResult saved = saveWholeDatabase(db, arguments.first());
    QTextStream err(stderr);
    if (!saved.ok) {
        err << "kovo-cli defaults: " << saved.error << "\n";
        return ExitFailed;
    }
    err << "Wrote the default configuration to " << arguments.first() << "\n";
    return ExitDone;
}

const CliCommandRegistration checkCommand("check", CheckUsage, check);
const CliCommandRegistration convertCommand("convert", ConvertUsage, convert);
const CliCommandRegistration defaultsCommand("defaults", DefaultsUsage, writeDefaults);

} // namespace
} // namespace kovo::cli
