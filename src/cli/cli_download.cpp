// kovo-cli download: the controller's memory (and the Ostrik board's records) read over the
// serial link and decoded into a database file.
#include "cli_backup.h"
#include "cli_command.h"
#include "cli_database_load.h"
#include "cli_link.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "link/download.h"
#include "stderr_operator.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "download --port P -o OUT.dat [--into BASE.dat] [--ostrik] [--timeout MS]\n"
    "                            read the controller's memory into OUT (fields the image lacks "
    "from BASE); --ostrik also reads the autopatch board";

int usageError(const QString& why) {
    return reportUsageError("download", Usage, why);
}

// The download's person at the keyboard: the command line has confirmed the download; the board
// question is answered by --ostrik; progress goes to stderr in steps of a tenth.
class DownloadOperator : public StderrOperator {
public:
    explicit DownloadOperator(bool ostrik) : StderrOperator(true), m_ostrik(ostrik) {}

    Answer ask(const QString& text, const QString& title, Buttons buttons) override {
        if (text == DownloadText::AskOstrik) {
            QTextStream(stderr) << title << ": " << text << " -> " << (m_ostrik ? "Yes" : "No")
                                << "\n";
            return m_ostrik ? Answer::Yes : Answer::No;
        }
        return StderrOperator::ask(text, title, buttons);
    }
    void progress(int value, int maximum, const QString& label) override {
        const int tenth = maximum > 0 ? qBound(0, value * 10 / maximum, 10) : 0;
        if (label == m_label && tenth == m_tenth)
            return;
        m_label = label;
        m_tenth = tenth;
        QTextStream(stderr) << label << ": " << tenth * 10 << "%\n";
    }

private:
    bool m_ostrik;
    QString m_label;
    int m_tenth = -1;
};

int download(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missing = false;
    const QString output = takeOption(arguments, u"-o"_s, &missing);
    if (missing || output.isEmpty())
        return usageError(u"-o needs the database file to write"_s);
    const QString base = takeOption(arguments, u"--into"_s, &missing);
    if (missing)
        return usageError(u"--into needs a database file"_s);
    const bool ostrik = takeSwitch(arguments, u"--ostrik"_s);
    CliLinkOptions options;
    QString error;
    if (!takeLinkOptions(arguments, context.programFolder, &options, &error))
        return usageError(error);
    if (!arguments.isEmpty())
        return usageError(u"unexpected "_s + arguments.join(u' '));
    const QDir home(context.programFolder);
    if (outputIsAnInput("download", output,
                        {base, home.filePath(u"download.mem"_s), home.filePath(u"Tempfile.dat"_s),
                         home.filePath(u"kovo.ini"_s)}))
        return ExitFailed;

    QTextStream err(stderr);
    Database db;
    if (!base.isEmpty() && !loadExistingDatabase(db, base, u"download"_s))
        return ExitFailed;

    DownloadOperator person(ostrik);
    LinkFlags flags;
    auto link = makeCliLink(options, person, flags, &error);
    if (!link) {
        err << "kovo-cli download: " << error << "\n";
        return ExitFailed;
    }
    StderrOperator::catchInterrupt();
    DownloadSettings settings;
    settings.programFolder = context.programFolder;
    settings.comPort = options.port;
    const DownloadResult result = runDownload(db, link->channel(), person, settings);
    link->close();
    if (result.outcome != DownloadOutcome::Done)
        return ExitFailed;
    const SaveResult saved = saveWholeDatabase(db, output);
    if (!saved.ok) {
        err << "kovo-cli download: " << saved.error << "\n";
        return ExitFailed;
    }
    backUpFile(context, BackupKind::DownloadImage, home.filePath(u"download.mem"_s), options.port);
    backUpFile(context, BackupKind::DownloadConfiguration, output, options.port);
    err << "Downloaded " << result.chunks << " bytes";
    if (result.ostrikComplete)
        err << " and " << result.ostrikRecords << " autopatch records";
    err << " -> " << output << "\n";
    return ExitDone;
}

const CliCommandRegistration registration("download", Usage, download);

} // namespace
} // namespace kovo::cli
