// kovo-cli dtmf: the touch-tone pad's job, played through the sound output or written to a WAV
// file.
#include "cli_command.h"
#include "database/program_settings.h"
#include "link/dtmf_player.h"
#include "link/qt_audio_output.h"
#include "link/wav_file_output.h"

#include <QTextStream>

namespace kovo::cli {
namespace {

constexpr char Usage[] = "dtmf DIGITS [--wav OUT.wav]  play touch-tone digits (0-9 * # A-D)";

int usageError(const QString& why) {
    return reportUsageError("dtmf", Usage, why);
}

int dtmf(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missingValue = false;
    const QString wavPath = takeOption(arguments, QStringLiteral("--wav"), &missingValue);
    if (missingValue)
        return usageError(QStringLiteral("--wav needs a file name"));
    if (arguments.size() != 1)
        return usageError({});
    if (arguments.first().startsWith(QLatin1String("--")))
        return usageError(QStringLiteral("unknown option %1").arg(arguments.first()));

    // Blanks are allowed between digits; anything else outside the keypad is refused rather
    // than skipped, so a typing error never plays a shorter sequence.
    const QString digits = arguments.first().toUpper();
    QString keyed;
    for (const QChar c : digits) {
        if (c.isSpace())
            continue;
        if (!QStringLiteral("0123456789*#ABCD").contains(c))
            return usageError(QStringLiteral("'%1' is not a DTMF digit").arg(c));
        keyed.append(c);
    }
    if (keyed.isEmpty())
        return usageError(QStringLiteral("no digits given"));

    ProgramSettings settings(context.programFolder);
    if (outputIsAnInput("dtmf", wavPath, {settings.path()}))
        return ExitFailed;
    settings.load();
    const int dtmfDelay = settings.dtmfDelay().toInt();

    QTextStream err(stderr);
    if (!wavPath.isEmpty()) {
        WavFileOutput output(wavPath);
        DtmfPlayer player(output);
        player.setDtmfDelay(dtmfDelay);
        const bool played = player.sendDigitString(keyed);
        if (!output.finish() || !played) {
            err << "kovo-cli: " << output.errorText() << "\n";
            return ExitFailed;
        }
        err << "Wrote " << keyed.size() << " digit(s), "
            << QString::number(output.durationMs() / 1000.0, 'f', 3) << " s, to " << wavPath
            << "\n";
        return ExitDone;
    }

    bool reported = false;
    QtAudioOutput output([&](const QString& text) {
        reported = true;
        err << "kovo-cli: " << text << "\n";
        err.flush();
    });
    DtmfPlayer player(output);
    player.setDtmfDelay(dtmfDelay);
    bool ok = player.sendDigitString(keyed);
    ok = output.finish() && ok;
    if (!ok) {
        if (!reported)
            err << "kovo-cli: " << output.errorText() << "\n";
        return ExitFailed;
    }
    return ExitDone;
}

const CliCommandRegistration dtmfCommand("dtmf", Usage, dtmf);

} // namespace
} // namespace kovo::cli
