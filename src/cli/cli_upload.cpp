// kovo-cli upload: sends a database file to the controller over the serial link, whole or only
// what differs from an older file.
#include "cli_backup.h"
#include "cli_command.h"
#include "cli_database_load.h"
#include "cli_link.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/field_table.h"
#include "database/program_settings.h"
#include "link/change_marker.h"
#include "link/dtmf_upload_job.h"
#include "link/line_sink.h"
#include "link/qt_audio_output.h"
#include "link/transmitter_keying.h"
#include "link/upload.h"
#include "link/wav_file_output.h"
#include "stderr_operator.h"

#include <QFileInfo>
#include <QTextStream>
#include <memory>

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "upload FILE.dat (--port P | --dtmf [--wav OUT.wav]) [--since OLD.dat] [--timeout MS]\n"
    "       [--accept-defaults]\n"
    "      send the configuration over the serial link: everything, or with --since only the\n"
    "      items whose values differ from OLD.dat; progress on stderr; exit 0 only when the\n"
    "      upload completed, 3 when it completed with commands the controller never confirmed\n"
    "      (they stay pending). --timeout sets the answer time-out (default 3000 ms).\n"
    "      A file whose load replaced more than half of its values by defaults is no\n"
    "      configuration and is refused unless --accept-defaults is given.\n"
    "      --dtmf sends it as touch tones through the sound output, keying the transmitter\n"
    "      by DTMFComPort (kovo.ini); with --wav the whole transfer, key-up delay first, goes\n"
    "      into one WAV file to be played into the radio";

// Completed, but some commands got no "+": they stay pending for the next changes-only upload.
constexpr int ExitUnconfirmed = 3;

// The kind the backup's comment line names, as the desktop names its own upload backups.
QString uploadKind(const QString& since) {
    return since.isEmpty() ? QStringLiteral("complete") : QStringLiteral("changes only");
}

int usageError(const QString& why) {
    return reportUsageError("upload", Usage, why);
}

// A random, empty or foreign file loads as a configuration of defaults: refused when more than
// half of the values that have a check were replaced.
bool mostlyDefaults(const QString& path) {
    Database scratch;
    ErrorLog log;
    const LoadReport report = readDatabase(scratch, path, log, PreAccessWriteBack::No);
    int checked = 0;
    for (const FieldSpec& field : fieldTable()) {
        if (field.check != LoadCheck::None && field.label)
            checked += field.isSingle() ? 1 : field.count;
    }
    if (2 * report.errorLines.size() <= checked)
        return false;
    QTextStream(stderr) << "kovo-cli upload: " << path
                        << " is not a configuration: " << report.errorLines.size() << " of "
                        << checked
                        << " values were replaced by defaults; nothing was sent (give "
                           "--accept-defaults to send it all the same)\n";
    return true;
}

int exitStatus(const UploadResult& result) {
    if (result.outcome != UploadOutcome::Completed)
        return ExitFailed;
    return result.unconfirmed.isEmpty() ? ExitDone : ExitUnconfirmed;
}

// ", 2 word(s) left out" when the controller's tables lacked some words (each was named before
// the first command went out).
QString skippedText(const UploadResult& result) {
    if (result.skipped.isEmpty())
        return {};
    return QStringLiteral(", %1 word(s) or CW character(s) left out").arg(result.skipped.size());
}

const char* outcomeText(UploadOutcome outcome) {
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

// --dtmf: the upload as tones, into a WAV file (--wav) or through the sound output with the
// transmitter keyed by DTMFComPort; DTMFDelay, TxTemp, DTMFComPort and WhichSend from kovo.ini.
int uploadOverTheAir(CliContext& context, const QString& since, bool acceptDefaults) {
    QStringList& arguments = context.arguments;
    bool missing = false;
    const QString wavPath = takeOption(arguments, QStringLiteral("--wav"), &missing);
    if (missing || (arguments.contains(QStringLiteral("--wav"))))
        return usageError(QStringLiteral("--wav needs a file name"));
    if (arguments.contains(QStringLiteral("--port")))
        return usageError(QStringLiteral("give either --port or --dtmf, not both"));
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--")))
        return usageError({});
    ProgramSettings settings(context.programFolder);
    if (outputIsAnInput("upload", wavPath, {arguments.first(), since, settings.path()}))
        return ExitFailed;

    if (QFileInfo::exists(arguments.first()) && !acceptDefaults &&
        mostlyDefaults(arguments.first()))
        return ExitFailed;
    Database db;
    if (!loadWithChangesSince(db, arguments.first(), since, QStringLiteral("upload")))
        return ExitFailed;
    backUpFile(context, BackupKind::Upload, arguments.first(), QStringLiteral("DTMF"),
               uploadKind(since));
    settings.load();

    StderrOperator person;
    StderrOperator::catchInterrupt();
    LinkFlags flags;
    std::unique_ptr<AudioOutput> output;
    if (wavPath.isEmpty())
        output = std::make_unique<QtAudioOutput>();
    else
        output = std::make_unique<WavFileOutput>(wavPath);
    DtmfUploadJob job(db, flags, person, *output);
    job.setDtmfDelay(settings.dtmfDelay().toInt());
    job.setTxTemp(settings.txTemp().toInt());
    // A WAV file is played later, into a transmitter keyed by whoever plays it.
    if (wavPath.isEmpty())
        job.setKeyer(TransmitterKeying::makeKeyer(settings.dtmfComPort(), settings.whichSend()));
    const UploadResult result = job.run(since.isEmpty());

    const DtmfPlayer& player = job.player();
    const double audioMs = DtmfPlayer::transferScheduleMs(player.codesSent(), player.digitsPlayed(),
                                                          player.dtmfDelay(), player.txTemp());
    QTextStream err(stderr);
    err << "Upload " << outcomeText(result.outcome) << ": " << result.commandsSent
        << " command(s), " << player.digitsPlayed() << " digit(s), "
        << QString::number(audioMs / 60000.0, 'f', 1) << " min of tones" << skippedText(result);
    if (!wavPath.isEmpty() && !job.soundFailed() && result.outcome != UploadOutcome::NotStarted)
        err << ", written to " << wavPath;
    err << "\n";
    return job.soundFailed() ? ExitFailed : exitStatus(result);
}

int uploadFile(CliContext& context) {
    QStringList& arguments = context.arguments;
    const bool dtmf = takeSwitch(arguments, QStringLiteral("--dtmf"));
    const bool acceptDefaults = takeSwitch(arguments, QStringLiteral("--accept-defaults"));
    bool missing = false;
    const QString since = takeOption(arguments, QStringLiteral("--since"), &missing);
    if (missing)
        return usageError(QStringLiteral("--since needs a database file"));
    if (dtmf)
        return uploadOverTheAir(context, since, acceptDefaults);
    CliLinkOptions options;
    QString error;
    if (!takeLinkOptions(arguments, context.programFolder, &options, &error))
        return usageError(error);
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1String("--")))
        return usageError({});

    if (QFileInfo::exists(arguments.first()) && !acceptDefaults &&
        mostlyDefaults(arguments.first()))
        return ExitFailed;
    Database db;
    if (!loadWithChangesSince(db, arguments.first(), since, QStringLiteral("upload")))
        return ExitFailed;

    backUpFile(context, BackupKind::Upload, arguments.first(), options.port, uploadKind(since));
    StderrOperator person;
    StderrOperator::catchInterrupt();
    LinkFlags flags;
    auto link = makeCliLink(options, person, flags, &error);
    if (!link) {
        QTextStream(stderr) << "kovo-cli upload: " << error << "\n";
        return ExitFailed;
    }
    SerialLinkLineSink lines(*link);
    Upload upload(db, flags, person, lines);
    const UploadResult result =
        since.isEmpty() ? upload.sendCompleteData() : upload.sendChangesOnly();
    link->close();
    QTextStream err(stderr);
    err << "Upload " << outcomeText(result.outcome) << ": " << result.commandsSent
        << " command(s) sent" << skippedText(result);
    if (!result.unconfirmed.isEmpty())
        err << ", " << result.unconfirmed.size()
            << " never confirmed: " << result.unconfirmed.join(QStringLiteral(", "));
    err << "\n";
    return exitStatus(result);
}

const CliCommandRegistration registration("upload", Usage, uploadFile);

} // namespace
} // namespace kovo::cli
