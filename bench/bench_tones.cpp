// Rendering DTMF digits to audio: how fast, and how exactly the audio follows its schedule.
#include "bench.h"
#include "emulator/dtmf_decoder.h"
#include "link/audio_output.h"
#include "link/dtmf_player.h"
#include "link/wav_file_output.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

namespace kovo::bench {
namespace {

// Command units as a transfer plays them: unlock code and terminator, body and terminator, lock
// code and terminator.
QStringList Units(int count) {
    const QStringList unit = {
        QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("3"), QStringLiteral("4"),
        QStringLiteral("16"), QStringLiteral("11"), QStringLiteral("1"), QStringLiteral("0"),
        QStringLiteral("0"),  QStringLiteral("0"),  QStringLiteral("5"), QStringLiteral("0"),
        QStringLiteral("0"),  QStringLiteral("16"), QStringLiteral("9"), QStringLiteral("16")};
    QStringList codes;
    for (int i = 0; i < count; ++i)
        codes += unit;
    return codes;
}

void TonesBench(const BenchOptions& options) {
    const int units = options.quick ? 50 : 500;
    const QStringList codes = Units(units);
    constexpr int DtmfDelay = 50;
    constexpr int TxTemp = 1000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("transfer.wav"));
    double audioMs = 0;
    int codesSent = 0, digitsPlayed = 0;
    const double renderMs = BestMilliseconds(options.quick ? 2 : 5, [&] {
        WavFileOutput output(path);
        DtmfPlayer player(output);
        player.setDtmfDelay(DtmfDelay);
        player.setTxTemp(TxTemp);
        player.keyUp();
        player.SendDigitCodes(codes);
        player.unkey();
        output.finish();
        audioMs = output.durationMs();
        codesSent = player.codesSent();
        digitsPlayed = player.digitsPlayed();
    });
    Report(QStringLiteral("tones.render"), audioMs / std::max(renderMs, 1e-3),
           QStringLiteral("s of audio per s"), 1000.0,
           QStringLiteral("the goal (ratio >= 1.0); ") + QString::number(units) +
               QStringLiteral(" command units into a WAV file"));

    const double schedule =
        DtmfPlayer::TransferScheduleMs(codesSent, digitsPlayed, DtmfDelay, TxTemp);
    Report(QStringLiteral("tones.schedule"), std::abs(audioMs - schedule), QStringLiteral("ms"),
           1.0,
           QStringLiteral("1 ms off the schedule TxTemp + codes x DTMFDelay + digits x (60 + 40)"
                          " + tail (goal ratio <= 1.0)"));

    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray wav = file.readAll();
    QString heard;
    const double decodeMs = BestMilliseconds(options.quick ? 1 : 3,
                                             [&] { heard = DtmfDecoder::DecodeWav(wav).digits; });
    Note(QStringLiteral("tones.decode"),
         QString::number(audioMs / std::max(decodeMs, 1e-3), 'f', 0) +
             QStringLiteral(" s of audio per s (Goertzel decoder); digits heard ") +
             (heard.size() == digitsPlayed ? QStringLiteral("all") : QStringLiteral("NOT all")));
}

const BenchRegistration registration("tones", TonesBench);

} // namespace
} // namespace kovo::bench
