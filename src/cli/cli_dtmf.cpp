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

int UsageError(const QString& why) {
    return ReportUsageError("dtmf", Usage, why);
}

int Dtmf(CliContext& context) {
    QStringList& arguments = context.arguments;
    bool missingValue = false;
    const QString wavPath = TakeOption(arguments, QStringLiteral("--wav"), &missingValue);
    if (missingValue)
        return UsageError(QStringLiteral("--wav needs a file name"));
    if (arguments.size() != 1)
        return UsageError({});
    if (arguments.first().startsWith(QLatin1String("--")))
        return UsageError(QStringLiteral("unknown option %1").arg(arguments.first()));

    // Blanks are allowed between digits; anything else outside the keypad is refused rather
    // than skipped, so a typing error never plays a shorter sequence.
    const QString digits = arguments.first().toUpper();
    QString keyed;
    for (const QChar c : digits) {
        if (c.isSpace())
            continue;
        if (!QStringLiteral("0123456789*#ABCD").contains(c))
            return UsageError(QStringLiteral("'%1' is not a DTMF digit").arg(c));
        keyed.append(c);
    }
    if (keyed.isEmpty())
        return UsageError(QStringLiteral("no digits given"));

    ProgramSettings settings(context.programFolder);
    settings.load();
    const int dtmfDelay = settings.dtmfDelay().toInt();

    QTextStream err(stderr);
    if (!wavPath.isEmpty()) {
        WavFileOutput output(wavPath);
        DtmfPlayer player(output);
        player.setDtmfDelay(dtmfDelay);
        const bool played = player.SendDigitString(keyed);
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
    bool ok = player.SendDigitString(keyed);
    ok = output.finish() && ok;
    if (!ok) {
        if (!reported)
            err << "kovo-cli: " << output.errorText() << "\n";
        return ExitFailed;
    }
    return ExitDone;
}

const CliCommandRegistration dtmfCommand("dtmf", Usage, Dtmf);

} // namespace
} // namespace kovo::cli
