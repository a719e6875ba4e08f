// Rendering DTMF digits to audio: how fast, and how exactly the audio follows its schedule.
#include "bench.h"
#include "database/database.h"
#include "emulator/dtmf_decoder.h"
#include "link/audio_output.h"
#include "link/dtmf_player.h"
#include "link/link_flags.h"
#include "link/recording_operator.h"
#include "link/upload.h"
#include "link/wav_file_output.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

namespace kovo::bench {
namespace {

// Command units as a transfer plays them: unlock code and terminator, body and terminator, lock
// code and terminator.
QStringList unitStrings(int count) {
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

void tonesBench(const BenchOptions& options) {
    const int units = options.quick ? 50 : 500;
    const QStringList codes = unitStrings(units);
    constexpr int DtmfDelay = 50;
    constexpr int TxTemp = 1000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("transfer.wav"));
    double audioMs = 0;
    int codesSent = 0, digitsPlayed = 0;
    const double renderMs = bestMilliseconds(options.quick ? 2 : 5, [&] {
        WavFileOutput output(path);
        DtmfPlayer player(output);
        player.setDtmfDelay(DtmfDelay);
        player.setTxTemp(TxTemp);
        player.keyUp();
        player.sendDigitCodes(codes);
        player.unkey();
        output.finish();
        audioMs = output.durationMs();
        codesSent = player.codesSent();
        digitsPlayed = player.digitsPlayed();
    });
    report(QStringLiteral("tones.render"), audioMs / std::max(renderMs, 1e-3),
           QStringLiteral("s of audio per s"), 1000.0,
           QStringLiteral("the goal (ratio >= 1.0); ") + QString::number(units) +
               QStringLiteral(" command units into a WAV file"));

    const double schedule =
        DtmfPlayer::transferScheduleMs(codesSent, digitsPlayed, DtmfDelay, TxTemp);
    report(QStringLiteral("tones.schedule"), std::abs(audioMs - schedule), QStringLiteral("ms"),
           1.0,
           QStringLiteral("1 ms off the schedule TxTemp + codes x DTMFDelay + digits x (60 + 40)"
                          " + tail (goal ratio <= 1.0)"));

    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray wav = file.readAll();
    QString heard;
    const double decodeMs = bestMilliseconds(options.quick ? 1 : 3,
                                             [&] { heard = DtmfDecoder::decodeWav(wav).digits; });
    note(QStringLiteral("tones.decode"),
         QString::number(audioMs / std::max(decodeMs, 1e-3), 'f', 0) +
             QStringLiteral(" s of audio per s (Goertzel decoder); digits heard ") +
             (heard.size() == digitsPlayed ? QStringLiteral("all") : QStringLiteral("NOT all")));
}

// A configuration with something in every item an upload sends.
Database fullConfiguration() {
    Database db;
    for (int i = 1; i <= 40; ++i) {
        db.setValue(u"Macro", i, QStringLiteral("001 002 003 004 005 006 007 008 009 010"));
        db.setValue(u"MessageMacro", i, QStringLiteral("GOOD MORNING THIS IS THE REPEATER"));
    }
    for (int i = 1; i <= 20; ++i)
        db.setValue(u"DTMF", i, QStringLiteral("1 2 3 4 5 6 7 8 9 0 A B C"));
    for (int i = 1; i <= 10; ++i)
        db.setValue(u"FreqString", i, QStringLiteral("146940"));
    return db;
}

struct RenderedUpload {
    double renderMs = 0;
    double audioMs = 0;
    double scheduleMs = 0;
    int commands = 0;
    int digits = 0;
    int heard = 0;
};

// A complete DTMF upload rendered into a WAV file, as `kovo-cli upload --dtmf --wav` would.
RenderedUpload renderCompleteUpload(const Database& configuration, int dtmfDelay, int txTemp,
                                    const QString& path, int repetitions) {
    RenderedUpload r;
    r.renderMs = bestMilliseconds(repetitions, [&] {
        Database db = configuration;
        LinkFlags flags;
        RecordingOperator person;
        WavFileOutput output(path);
        DtmfPlayer player(output);
        player.setDtmfDelay(dtmfDelay);
        player.setTxTemp(txTemp);
        Upload upload(db, flags, person, player);
        r.commands = upload.sendCompleteData().commandsSent;
        output.finish();
        r.audioMs = output.durationMs();
        r.digits = player.digitsPlayed();
        r.scheduleMs =
            DtmfPlayer::transferScheduleMs(player.codesSent(), r.digits, dtmfDelay, txTemp);
    });
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    r.heard = int(DtmfDecoder::decodeWav(file.readAll()).digits.size());
    return r;
}

void uploadBench(const BenchOptions& options) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("upload.wav"));
    const int repetitions = options.quick ? 1 : 3;
    struct Case {
        const char* name;
        Database db;
        int dtmfDelay;
        int txTemp;
    };
    const Case cases[] = {
        {"default configuration, default settings (DTMFDelay 0, TxTemp 0)", Database(), 0, 0},
        {"full configuration, default settings", fullConfiguration(), 0, 0},
        {"full configuration, DTMFDelay 100, TxTemp 1000", fullConfiguration(), 100, 1000},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString key = QStringLiteral("tones.upload%1").arg(++n);
        const RenderedUpload r =
            renderCompleteUpload(c.db, c.dtmfDelay, c.txTemp, path, repetitions);
        note(key, QString::fromLatin1(c.name) + QStringLiteral(": %1 commands, %2 digits, %3 min of"
                                                               " audio; decoder heard %4 digits")
                                                    .arg(r.commands)
                                                    .arg(r.digits)
                                                    .arg(r.audioMs / 60000.0, 0, 'f', 2)
                                                    .arg(r.heard));
        report(key + QStringLiteral(".render"), r.audioMs / std::max(r.renderMs, 1e-3),
               QStringLiteral("s of audio per s"), 1000.0,
               QStringLiteral("the goal (ratio >= 1.0)"));
        report(key + QStringLiteral(".schedule"), std::abs(r.audioMs - r.scheduleMs),
               QStringLiteral("ms"), 1.0,
               QStringLiteral("1 ms off the schedule from the digit count (goal ratio <= 1.0)"));
    }
}

const BenchRegistration registration("tones", tonesBench);
const BenchRegistration uploadRegistration("tones-upload", uploadBench);

} // namespace
} // namespace kovo::bench
