// kovo-cli record: records a WAV file into one of the controller's DVR tracks.
#include "cli_action.h"
#include "cli_command.h"

namespace kovo::cli {
namespace {

constexpr char Usage[] =
    "record TRACK FILE.wav (--port P [--timeout MS] | --dtmf) [--dat FILE.dat]\n"
    "      record FILE.wav into DVR track TRACK (1-20): the controller is told to record, the\n"
    "      file plays through this PC's sound output into the radio, and the controller is\n"
    "      locked again";

int recordTrack(CliContext& context) {
    CliActionOptions options;
    QString error;
    if (!takeActionOptions(context.arguments, context.programFolder, &options, &error))
        return reportUsageError("record", Usage, error);
    const QStringList& arguments = context.arguments;
    if (arguments.size() != 2 || arguments[1].startsWith(QLatin1String("--")))
        return reportUsageError("record", Usage, {});
    bool ok = false;
    const int track = arguments[0].toInt(&ok);
    if (!ok || track < 1 || track > 20)
        return reportUsageError("record", Usage, QStringLiteral("TRACK is 1 to 20"));
    Database db;
    if (!loadActionDatabase(db, options, QStringLiteral("record")))
        return ExitFailed;
    ControllerAction action;
    action.kind = ControllerAction::Kind::RecordTrack;
    action.track = track;
    action.wavFile = arguments[1];
    return runCliAction(QStringLiteral("record"), context, options, db, action);
}

const CliCommandRegistration registration("record", Usage, recordTrack);

} // namespace
} // namespace kovo::cli
