// kovo-cli upload: sends a database file to the controller over the serial link, whole or only
// what differs from an older file.
#include "cli_command.h"
#include "cli_link.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/change_marker.h"
#include "link/line_sink.h"
#include "link/upload.h"
#include "stderr_operator.h"

#include <QFileInfo>
#include <QTextStream>

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "upload FILE.dat --port P [--since OLD.dat] [--timeout MS]\n"
    "      send the configuration over the serial link: everything, or with --since only the\n"
    "      items whose values differ from OLD.dat; progress on stderr; exit 0 only when the\n"
    "      upload completed. --timeout sets the answer time-out (default 3000 ms)";

int UsageError(const QString& why) {
    QTextStream err(stderr);
    if (!why.isEmpty())
        err << "kovo-cli upload: " << why << "\n";
    err << "usage: kovo-cli " << Usage << "\n";
    return ExitUsage;
}

bool Load(Database& db, const QString& path) {
    QTextStream err(stderr);
    if (!QFileInfo::exists(path)) {
        err << "kovo-cli upload: " << path << " does not exist\n";
        return false;
    }
    ErrorLog log;
    const LoadReport report = ReadDatabase(db, path, log);
    if (!report.fileReadable) {
        err << "kovo-cli upload: " << path << " could not be read\n";
        return false;
    }
    if (!report.errorLines.isEmpty())
        err << path << ": " << report.errorLines.size() << " value(s) replaced by defaults\n";
    return true;
}

const char* OutcomeText(UploadOutcome outcome) {
    switch (outcome) {
    case UploadOutcome::Completed:
        return "completed";
    case UploadOutcome::Aborted:
        return "stopped: the controller refused a command or the link failed";
    case UploadOutcome::Interrupted:
        return "interrupted";
    case UploadOutcome::NotStarted:
        return "not started";
    }
    return "";
}

int UploadFile(CliContext& context) {
    QStringList& arguments = context.arguments;
    if (TakeSwitch(arguments, QStringLiteral("--dtmf")))
        return UsageError(QStringLiteral("--dtmf is not available here; give --port"));
    bool missing = false;
    const QString since = TakeOption(arguments, QStringLiteral("--since"), &missing);
    if (missing)
        return UsageError(QStringLiteral("--since needs a database file"));
    CliLinkOptions options;
    QString error;
    if (!TakeLinkOptions(arguments, context.programFolder, &options, &error))
        return UsageError(error);
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--")))
        return UsageError({});

    Database db;
    if (!Load(db, arguments.first()))
        return ExitFailed;
    if (!since.isEmpty()) {
        Database old;
        if (!Load(old, since))
            return ExitFailed;
        MarkChangedSince(db, old);
    }

    StderrOperator person;
    StderrOperator::catchInterrupt();
    LinkFlags flags;
    auto link = MakeCliLink(options, person, flags, &error);
    if (!link) {
        QTextStream(stderr) << "kovo-cli upload: " << error << "\n";
        return ExitFailed;
    }
    SerialLinkLineSink lines(*link);
    Upload upload(db, flags, person, lines);
    const UploadResult result =
        since.isEmpty() ? upload.SendCompleteData() : upload.SendChangesOnly();
    link->close();
    QTextStream(stderr) << "Upload " << OutcomeText(result.outcome) << ": " << result.commandsSent
                        << " command(s) sent\n";
    return result.outcome == UploadOutcome::Completed ? ExitDone : ExitFailed;
}

const CliCommandRegistration registration("upload", Usage, UploadFile);

} // namespace
} // namespace kovo::cli
