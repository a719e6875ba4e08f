// kovo-cli check and convert: load a database file the way the desktop program does.
#include "cli_command.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace kovo::cli {
namespace {

// Loads `path` into `db` with error.log in the program folder, as a desktop start-up would.
LoadReport loadForCli(Database& db, const QString& path, const QString& programFolder) {
    ErrorLog log;
    log.create(QDir(programFolder).filePath(QStringLiteral("error.log")));
    QTextStream err(stderr);
    if (!QFileInfo::exists(path))
        err << "kovo-cli: " << path << " does not exist; every field takes its default\n";
    LoadReport report = readDatabase(db, path, log);
    if (!report.fileReadable)
        err << "kovo-cli: " << path << " could not be read; every field takes its default\n";
    if (report.clash)
        err << LockTerminatorClashMessage << "\n";
    return report;
}

int check(CliContext& context) {
    if (context.arguments.size() != 1)
        return ExitUsage;
    const QString path = context.arguments.first();
    Database db;
    const LoadReport report = loadForCli(db, path, context.programFolder);
    QTextStream out(stdout);
    for (const QString& line : report.errorLines)
        out << line << "\n";
    out.flush();
    QTextStream(stderr) << "Loaded " << path << ": " << report.errorLines.size()
                        << " value(s) replaced by defaults\n";
    return report.errorLines.isEmpty() ? ExitDone : ExitFailed;
}

int convert(CliContext& context) {
    if (context.arguments.size() != 2)
        return ExitUsage;
    const QString input = context.arguments.at(0);
    const QString output = context.arguments.at(1);
    Database db;
    const LoadReport report = loadForCli(db, input, context.programFolder);
    QTextStream err(stderr);
    for (const QString& line : report.errorLines)
        err << "default used: " << line << "\n";
    const SaveResult saved = saveWholeDatabase(db, output);
    if (!saved.ok) {
        err << "kovo-cli: " << saved.error << "\n";
        return ExitFailed;
    }
    err << "Converted " << input << " -> " << output << " (" << report.errorLines.size()
        << " value(s) replaced by defaults)\n";
    return ExitDone;
}

const CliCommandRegistration
    checkCommand("check",
                 "check FILE.dat            load; print the error-log lines; exit 1 if any", check);
const CliCommandRegistration
    convertCommand("convert", "convert IN.dat OUT.dat    load IN, write OUT as Save As does",
                   convert);

} // namespace
} // namespace kovo::cli
