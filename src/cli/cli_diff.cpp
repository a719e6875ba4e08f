// kovo-cli diff: the fields in which two configurations differ, grouped by editor.
#include "cli_command.h"
#include "cli_database_load.h"
#include "database/configuration_diff.h"
#include "database/database.h"

#include <QTextStream>

namespace kovo::cli {
namespace {

const char Usage[] = "diff A.dat B.dat          the fields that differ, by editor; exit 0 when "
                     "equal, 1 when different";

// Exit status of a comparison that could not be made (an input could not be read): neither
// "equal" nor "different".
constexpr int ExitCannotCompare = 2;

int diff(CliContext& context) {
    if (context.arguments.size() != 2)
        return reportUsageError("diff", Usage, QStringLiteral("give two database files"));
    const QString first = context.arguments.at(0);
    const QString second = context.arguments.at(1);
    Database a;
    Database b;
    if (!loadExistingDatabase(a, first, QStringLiteral("diff")) ||
        !loadExistingDatabase(b, second, QStringLiteral("diff")))
        return ExitCannotCompare;

    const QList<FieldDifference> differences = compareConfigurations(a, b);
    QTextStream out(stdout);
    QString editor;
    for (const FieldDifference& difference : differences) {
        if (difference.editor != editor) {
            editor = difference.editor;
            out << editor << "\n";
        }
        out << "  [" << difference.section << "] " << difference.key << ": \"" << difference.ours
            << "\" -> \"" << difference.theirs << "\"\n";
    }
    out.flush();
    QTextStream(stderr) << differences.size() << " field(s) differ between " << first << " and "
                        << second << "\n";
    return differences.isEmpty() ? ExitDone : ExitFailed;
}

const CliCommandRegistration registration("diff", Usage, diff);

} // namespace
} // namespace kovo::cli
