#include "cli_action.h"

#include "cli_command.h"
#include "cli_database_load.h"
#include "database/program_settings.h"
#include "link/controller_action_job.h"
#include "link/qt_audio_output.h"
#include "link/transmitter_keying.h"
#include "stderr_operator.h"

#include <QTextStream>
#include <memory>

namespace kovo::cli {

bool takeActionOptions(QStringList& arguments, const QString& programFolder,
                       CliActionOptions* options, QString* error) {
    bool missing = false;
    options->databaseFile = takeOption(arguments, QStringLiteral("--dat"), &missing);
    if (missing) {
        *error = QStringLiteral("--dat needs a database file");
        return false;
    }
    options->dtmf = takeSwitch(arguments, QStringLiteral("--dtmf"));
    if (options->dtmf) {
        if (arguments.contains(QStringLiteral("--port"))) {
            *error = QStringLiteral("give either --port or --dtmf, not both");
            return false;
        }
    } else if (!takeLinkOptions(arguments, programFolder, &options->link, error)) {
        return false;
    }
    if (options->databaseFile.isEmpty()) {
        ProgramSettings settings(programFolder);
        settings.load();
        options->databaseFile = settings.lastRCFile();
    }
    return true;
}

bool loadActionDatabase(Database& db, const CliActionOptions& options, const QString& command) {
    if (options.databaseFile.isEmpty())
        return true;
    return loadExistingDatabase(db, options.databaseFile, command);
}

int runCliAction(const QString& command, const CliContext& context, const CliActionOptions& options,
                 Database& db, const ControllerAction& action) {
    StderrOperator person;
    StderrOperator::catchInterrupt();
    LinkFlags flags;
    ControllerActionJob job(db, flags, person);
    job.setInternationalDates(db.value(u"DateFormat") == QLatin1String("True"));
    job.setDatabaseFile(options.databaseFile);
    std::unique_ptr<SerialLink> link;
    if (!options.dtmf) {
        QString error;
        link = makeCliLink(options.link, person, flags, &error);
        if (!link) {
            QTextStream(stderr) << "kovo-cli " << command << ": " << error << "\n";
            return ExitFailed;
        }
        job.setSerialLink(link.get());
    } else {
        ProgramSettings settings(context.programFolder);
        settings.load();
        job.setDtmfDelay(settings.dtmfDelay().toInt());
        job.setTxTemp(settings.txTemp().toInt());
        job.setKeyer(TransmitterKeying::makeKeyer(settings.dtmfComPort(), settings.whichSend()));
    }
    // The sound output carries the tones over the air and the WAV file of a recording.
    std::unique_ptr<QtAudioOutput> output;
    if (options.dtmf || action.kind == ControllerAction::Kind::RecordTrack) {
        output = std::make_unique<QtAudioOutput>();
        job.setAudioOutput(output.get());
    }
    const bool done = job.run(action);
    if (link)
        link->close();
    return done ? ExitDone : ExitFailed;
}

} // namespace kovo::cli
