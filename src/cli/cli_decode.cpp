// kovo-cli decode: a stored memory image (download.mem) decoded into a database file.
#include "cli_command.h"
#include "cli_database_load.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/memory_image.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace kovo::cli {
namespace {

constexpr char Usage[] = "decode IMAGE.mem [--into BASE.dat] -o OUT.dat\n"
                         "                            decode a memory image into OUT (fields the "
                         "image lacks from BASE)";

int usageError(const QString& why) {
    return reportUsageError("decode", Usage, why);
}

int decode(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missing = false;
    const QString output = takeOption(arguments, u"-o"_s, &missing);
    if (missing || output.isEmpty())
        return usageError(u"-o needs the database file to write"_s);
    const QString base = takeOption(arguments, u"--into"_s, &missing);
    if (missing)
        return usageError(u"--into needs a database file"_s);
    if (arguments.size() != 1)
        return usageError({});
    const QString image = arguments.first();
    if (outputIsAnInput("decode", output, {image, base}))
        return ExitFailed;

    QTextStream err(stderr);
    Database db;
    if (!base.isEmpty() && !loadExistingDatabase(db, base, u"decode"_s))
        return ExitFailed;

    QElapsedTimer timer;
    timer.start();
    const MemoryImageResult result = decodeMemoryImage(image, db);
    if (!result.ok) {
        err << "kovo-cli decode: " << result.error << "\n";
        return ExitFailed;
    }
    const double decodeMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const SaveResult saved = saveWholeDatabase(db, output);
    if (!saved.ok) {
        err << "kovo-cli decode: " << saved.error << "\n";
        return ExitFailed;
    }
    err << "Decoded " << image << " -> " << output << " in " << QString::number(decodeMs, 'f', 2)
        << " ms\n";
    return ExitDone;
}

const CliCommandRegistration registration("decode", Usage, decode);

} // namespace
} // namespace kovo::cli
