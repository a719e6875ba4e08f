// kovo-cli report: the configuration as a PDF or HTML document a person reads.
#include "cli_command.h"
#include "cli_database_load.h"
#include "database/database.h"
#include "report/configuration_report.h"

#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace kovo::cli {
namespace {

constexpr char Usage[] = "report FILE.dat -o OUT.pdf|OUT.html\n"
                         "                            the configuration as a printable report, "
                         "one section per editor";

int usageError(const QString& why) {
    return reportUsageError("report", Usage, why);
}

int report(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missing = false;
    const QString output = takeOption(arguments, u"-o"_s, &missing);
    if (missing || output.isEmpty())
        return usageError(u"-o needs the report file to write"_s);
    if (arguments.size() != 1)
        return usageError({});
    const QString input = arguments.first();

    if (outputIsAnInput("report", output, {input}))
        return ExitFailed;
    Database db;
    if (!loadExistingDatabase(db, input, u"report"_s))
        return ExitFailed;
    const ConfigurationReport::WriteResult written =
        ConfigurationReport(db, QFileInfo(input).fileName()).write(output);
    QTextStream err(stderr);
    if (!written.ok) {
        err << "kovo-cli report: " << written.error << "\n";
        return ExitFailed;
    }
    err << "Report of " << input << " -> " << output << "\n";
    return ExitDone;
}

const CliCommandRegistration registration("report", Usage, report);

} // namespace
} // namespace kovo::cli
