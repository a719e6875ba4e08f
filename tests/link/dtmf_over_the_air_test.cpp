// DTMF over the air: the tones, the player and its outputs, keying the transmitter, and whole
// uploads heard by the emulated controller.

#include "cli_runner.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/field_table.h"
#include "database/program_settings.h"
#include "emulator/dtmf_command_listener.h"
#include "emulator/dtmf_decoder.h"
#include "emulator/tarsis_memory.h"
#include "file_bytes.h"
#include "link/command_set.h"
#include "link/dtmf_digits.h"
#include "link/dtmf_player.h"
#include "link/dtmf_upload_job.h"
#include "link/link_flags.h"
#include "link/qt_audio_output.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "link/tone_synthesizer.h"
#include "link/transmitter_keying.h"
#include "link/upload.h"
#include "link/wav_file_output.h"
#include "pty_emulator.h"
#include "round_trip_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <set>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

using test::fileBytes;

qint16 sample(const QByteArray& image, qint64 frame, int channel) {
    return qFromLittleEndian<qint16>(image.constData() + 44 + frame * 4 + channel * 2);
}

// In hex, the 44-byte header of an image with `dataSize` bytes of samples: PCM, 2 channels,
// 8000 frames and 32000 bytes a second, 4-byte frames of 16-bit samples.
QByteArray toneHeaderHex(quint32 dataSize) {
    QByteArray header = "RIFF" + QByteArray(4, 0) + "WAVEfmt " +
                        QByteArray::fromHex("1000000001000200401f0000007d000004001000") + "data" +
                        QByteArray(4, 0);
    qToLittleEndian<quint32>(dataSize + 36, header.data() + 4);
    qToLittleEndian<quint32>(dataSize, header.data() + 40);
    return header.toHex();
}

// Our decoder and, where it is installed, an independent one hear `digits` in a WAV file.
void expectHeard(const QString& path, const QString& digits) {
    const DtmfDecoder::WavResult ours = DtmfDecoder::decodeWav(fileBytes(path));
    EXPECT_TRUE(ours.ok) << ours.error.toStdString();
    EXPECT_EQ(ours.digits, digits);
    QString problem;
    if (test::haveMultimon()) {
        EXPECT_EQ(test::multimonDigits(path, &problem), digits) << problem.toStdString();
    }
}

// Each frame is the floor of the weighted sum of the two sines, the same on both channels; a
// frequency of 0 plays as 1 Hz.
TEST(TonePairImage, SamplesFollowTheFloorOfTheWeightedSum) {
    // The tones asked for, the length, and the frequencies really played.
    const std::tuple<int, int, double, double, double> cases[] = {
        {697, 1209, 0.06, 697, 1209},
        {1000, 0, 0.5, 1000, 1},
        {0, 440, 0.01, 1, 440},
    };
    for (const auto& [f1, f2, seconds, partner1, partner2] : cases) {
        SCOPED_TRACE(testing::Message() << f1 << "+" << f2);
        const QByteArray image = buildTonePairWav(f1, f2, seconds);
        const qint64 frames = std::llround(seconds * 8000);
        ASSERT_EQ(image.size(), 44 + frames * 4);
        EXPECT_EQ(image.left(44).toHex(), toneHeaderHex(quint32(frames * 4)));
        for (qint64 i = 0; i < frames; ++i) {
            const double s = 0.25 * std::sin(2 * std::numbers::pi * partner1 * double(i) / 8000) +
                             0.25 * std::sin(2 * std::numbers::pi * partner2 * double(i) / 8000);
            const double exact = 0.5 * s * 32767;
            const qint16 left = sample(image, i, 0);
            // Equal to the floor, except where rounding of the step puts the value on the other
            // side of a whole number.
            if (std::abs(exact - std::round(exact)) > 1e-6) {
                ASSERT_EQ(left, qint16(std::floor(exact))) << "frame " << i;
            }
            ASSERT_EQ(sample(image, i, 1), left) << "frame " << i;
        }
    }
    EXPECT_EQ(buildSilenceWav(60).toHex(), toneHeaderHex(1920) + QByteArray(1920, '\0').toHex());
}

TEST(TonePairImage, FrameCountRoundsHalvesToEven) {
    const std::tuple<double, qint64> cases[] = {
        {0.06, 480},    {0.0, 0},       {6.25e-05, 0}, // 0.5 frames
        {0.0001875, 2}, {0.0003125, 2}, {0.0601875, 482},
        {0.00007, 1},   {-0.001, -1},   {std::numeric_limits<double>::quiet_NaN(), -1},
        {1e9, -1},
    };
    for (const auto& [seconds, frames] : cases) {
        SCOPED_TRACE(seconds);
        EXPECT_EQ(toneFrameCount(seconds), frames);
        EXPECT_EQ(buildTonePairWav(697, 1209, seconds).size(), frames < 0 ? 0 : 44 + frames * 4);
    }
    EXPECT_TRUE(buildSilenceWav(std::numeric_limits<int>::max()).isEmpty());
    EXPECT_EQ(buildSilenceWav(-5).size(), 44);
}

TEST(WavImageReader, FindsTheSamplesOrRefusesTheImage) {
    const QByteArray tone = buildTonePairWav(697, 1209, 0.06);
    auto layout = parseWavImage(tone);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->sampleRate, 8000);
    EXPECT_EQ(layout->dataOffset, 44);
    EXPECT_EQ(layout->dataSize, 1920);

    // An odd-sized chunk before the data is padded; a data size beyond the end is cut.
    QByteArray extra = tone.left(36) + "LIST" + QByteArray("\x03\0\0\0abc\0", 8) + tone.mid(36);
    qToLittleEndian<quint32>(100000, extra.data() + 36 + 12 + 4);
    layout = parseWavImage(extra);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->dataOffset, 56);
    EXPECT_EQ(layout->dataSize, 1920);

    const QByteArray bad[] = {
        tone.left(20),
        QByteArray("RIFX") + tone.mid(4),
        tone.left(22) + QByteArray("\3\0", 2) + tone.mid(24),   // three channels
        tone.left(20) + QByteArray("\3\0", 2) + tone.mid(22),   // float samples
        tone.left(34) + QByteArray("\x20\0", 2) + tone.mid(36), // 32-bit
        tone.left(36),                                          // no data chunk
    };
    for (const QByteArray& image : bad)
        EXPECT_FALSE(parseWavImage(image)) << image.left(40).toHex().constData();
}

// The keypad's pairs and the numbered codes of the symbols and letters are proven by the
// decoders below; here what is no code at all.
TEST(DtmfDigits, CodesNameTheirKeys) {
    for (const char* code : {"10", "17", "", " 1", "a", "E", "01", "111", "**"})
        EXPECT_FALSE(digitCodeTones(QString::fromLatin1(code))) << '"' << code << '"';
    EXPECT_EQ(dtmfCharacterForTones(941, 1633), 'D');
    EXPECT_EQ(dtmfCharacterForTones(697, 697), '\0');
}

TEST(DtmfPlayer, AsAnUploadsDigitSinkTellsKeyingFailures) {
    // Sound device, line working; what key(true) answers, what the player tells, the keyer's calls.
    const std::tuple<const char*, bool, bool, bool, QStringList, QList<bool>> cases[] = {
        {"all well", true, true, true, {}, {true, false}},
        {"line cannot be driven", true, false, false, {u"COM2 cannot drive RTS"_s}, {true, false}},
        // The output tells of its missing device itself; the transmitter is never keyed.
        {"no sound device", false, true, false, {}, {}},
    };
    for (const auto& [name, soundDevice, lineWorks, keyed, caseReports, caseKeying] : cases) {
        SCOPED_TRACE(name);
        RecordingAudioOutput output;
        output.setFailPlay(!soundDevice);
        DtmfPlayer player(output);
        QList<bool> keying;
        QStringList reports;
        player.setKeyer([&](bool on, QString* reason) {
            keying.append(on);
            if (on && !lineWorks && reason)
                *reason = u"COM2 cannot drive RTS"_s;
            return !on || lineWorks;
        });
        player.setReporter([&](const QString& text) { reports.append(text); });
        DigitSink& sink = player;
        EXPECT_EQ(sink.key(true), keyed);
        if (keyed) {
            sink.sendDigit(u"16"_s);
            EXPECT_EQ(player.digitsPlayed(), 1);
        }
        sink.key(false);
        sink.key(false); // a second unkey does nothing
        EXPECT_EQ(reports, caseReports);
        EXPECT_EQ(keying, caseKeying);
    }
}

TEST(WavFileOutput, AppendsImagesAndPausesIntoOneFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.wav"_s);
    const QByteArray tone = buildTonePairWav(697, 1209, 0.06);
    {
        WavFileOutput output(path);
        EXPECT_TRUE(output.pause(10));
        EXPECT_TRUE(output.play(tone));
        // A mono image is refused without spoiling the file.
        QByteArray mono = tone;
        qToLittleEndian<quint16>(1, mono.data() + 22);
        EXPECT_FALSE(output.play(mono));
        EXPECT_FALSE(output.errorText().isEmpty());
        EXPECT_TRUE(output.playTonePair(941, 1633, 0.06));
        EXPECT_TRUE(output.pause(3));
        EXPECT_FALSE(QFile::exists(path)); // appears complete, at finish
        EXPECT_TRUE(output.finish());
        EXPECT_DOUBLE_EQ(output.durationMs(), 10 + 60 + 60 + 3);
    }
    const QByteArray data = QByteArray(10 * 32, '\0') + tone.mid(44) +
                            buildTonePairWav(941, 1633, 0.06).mid(44) + QByteArray(3 * 32, '\0');
    EXPECT_EQ(fileBytes(path).toHex(), toneHeaderHex(quint32(data.size())) + data.toHex());

    WavFileOutput nothing(dir.filePath(u"empty.wav"_s));
    EXPECT_TRUE(nothing.finish());
    EXPECT_EQ(fileBytes(dir.filePath(u"empty.wav"_s)).toHex(), toneHeaderHex(0));

    // A folder that does not exist: every call fails, the reason names the file.
    WavFileOutput broken(dir.filePath(u"missing/out.wav"_s));
    EXPECT_FALSE(broken.play(tone));
    EXPECT_FALSE(broken.pause(5));
    EXPECT_FALSE(broken.finish());
    EXPECT_TRUE(broken.errorText().contains(u"missing/out.wav"_s))
        << broken.errorText().toStdString();
}

TEST(QtAudioOutput, ReportsAMissingDeviceOnce) {
    test::runCli({}); // makes the application object the audio classes need
    if (QtAudioOutput::deviceAvailable())
        GTEST_SKIP() << "this machine has a sound output";
    const QString noDevice = u"No sound output device: the tones cannot be played"_s;
    QStringList reports;
    QtAudioOutput output([&](const QString& text) { reports.append(text); });
    EXPECT_FALSE(output.ready());
    EXPECT_FALSE(output.playTonePair(697, 1209, 0.06));
    EXPECT_FALSE(output.playTonePair(697, 1209, 0.06));
    EXPECT_EQ(reports, QStringList{noDevice});
    EXPECT_EQ(output.errorText(), noDevice);
    EXPECT_FALSE(output.finish());
    const test::CliRun run = test::runCli({u"dtmf"_s, u"123"_s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"kovo-cli: "_s + noDevice + u'\n')) << run.err.toStdString();
}

QStringList codes(const QString& keys) {
    return keys.split(QString(), Qt::SkipEmptyParts);
}

// Each code is its delay, then a digit's 60 ms tone and 40 ms pause; a keyed transfer begins
// with the key-up delay, ends with the tail, and lasts what its schedule says. The tones are
// heard by our decoder and by an independent one.
TEST(DtmfOverTheAir, IndependentDecoderHearsEveryDigit) {
    constexpr int Tail = 200; // the transmitter stays keyed this long after the last tone
    const QStringList unit = codes(u"1234"_s) + QStringList{u"16"_s, u"11"_s} +
                             codes(u"1000500"_s) + QStringList{u"16"_s, u"9"_s, u"16"_s};
    // The codes, the delays, the digits heard and every pause in order (empty: not listed).
    const std::tuple<QStringList, int, int, QString, QList<int>> cases[] = {
        {codes(u"123A456B789C*0#D"_s), 0, 0, u"123A456B789C*0#D"_s, {}},
        {{u"11"_s, u"12"_s, u"13"_s, u"14"_s, u"15"_s, u"16"_s}, 0, 0, u"*#ABCD"_s, {}},
        {codes(u"000**DDD"_s), 0, 0, u"000**DDD"_s, {}},
        {unit, 100, 300, u"1234D*1000500D9D"_s, {}},
        {{u"7"_s, u"10"_s, u"7"_s, u"x"_s, u"7"_s}, 0, 0, u"777"_s, {}},
        {{u"1"_s, u"x"_s, u"#"_s}, 50, 300, u"1#"_s, {300, 50, 40, 50, 50, 40, Tail}},
        {{u"11"_s, u"10"_s, u"16"_s}, 0, 0, u"*D"_s, {0, 0, 40, 0, 0, 40, Tail}},
        {{u"0"_s}, -20, -5, u"0"_s, {0, 0, 40, Tail}}, // negative settings count as 0
    };
    QTemporaryDir dir;
    int file = 0;
    for (const auto& [codes, delay, txTemp, expected, casePauses] : cases) {
        SCOPED_TRACE(expected.toStdString());
        RecordingAudioOutput recorded;
        DtmfPlayer keyed(recorded);
        QList<bool> keying;
        keyed.setKeyer([&](bool on, QString*) {
            keying.append(on);
            return true;
        });
        // Plain file names: multimon-ng hands the name to sox through a shell.
        const QString path = dir.filePath(u"case%1.wav"_s.arg(++file));
        WavFileOutput output(path);
        DtmfPlayer player(output);
        for (DtmfPlayer* p : {&keyed, &player}) {
            p->setDtmfDelay(delay);
            p->setTxTemp(txTemp);
            ASSERT_TRUE(p->keyUp());
            ASSERT_TRUE(p->sendDigitCodes(codes));
            ASSERT_TRUE(p->unkey());
        }
        EXPECT_EQ(keying, (QList<bool>{true, false}));
        QList<int> pauses;
        for (const auto& event : recorded.events()) {
            if (event.kind == RecordingAudioOutput::Event::Kind::Pause) {
                pauses << event.milliseconds;
            } else {
                EXPECT_EQ(event.image, buildTonePairWav(event.frequency1, event.frequency2, 0.06));
            }
        }
        if (!casePauses.isEmpty()) {
            EXPECT_EQ(pauses, casePauses);
        }
        EXPECT_DOUBLE_EQ(
            recorded.durationMs(),
            DtmfPlayer::transferScheduleMs(keyed.codesSent(), keyed.digitsPlayed(), delay, txTemp));
        ASSERT_TRUE(output.finish()) << output.errorText().toStdString();
        expectHeard(path, expected);
    }
    if (!test::haveMultimon())
        GTEST_SKIP() << "multimon-ng or sox is not installed";
}

// kovo-cli into a private sound server's null sink, whose monitor is recorded and decoded.
TEST(CliDtmf, PlaysThroughASoundServer) {
    if (QStandardPaths::findExecutable(u"pulseaudio"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"parec"_s).isEmpty())
        GTEST_SKIP() << "pulseaudio or parec is not installed";
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"run"_s);
    const QString socket = dir.filePath(u"sock"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, dir.path());
    environment.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(u"run"_s));
    environment.insert(u"PULSE_SERVER"_s, u"unix:"_s + socket);
    const auto start = [&](QProcess& process, const QString& program, const QStringList& args) {
        process.setProcessEnvironment(environment);
        process.start(program, args);
        return process.waitForStarted(10000);
    };

    QProcess server;
    ASSERT_TRUE(
        start(server, u"pulseaudio"_s,
              {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--disallow-exit"_s,
               u"-L"_s, u"module-null-sink sink_name=kovo rate=8000"_s, u"-L"_s,
               u"module-native-protocol-unix socket="_s + socket + u" auth-anonymous=1"_s}));
    auto stopServer = qScopeGuard([&] {
        server.terminate();
        if (!server.waitForFinished(5000))
            server.kill();
    });
    for (int i = 0; i < 200 && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    if (!QFile::exists(socket))
        GTEST_SKIP() << "the sound server did not start: "
                     << server.readAllStandardError().constData();

    const QString recording = dir.filePath(u"heard.wav"_s);
    QProcess recorder;
    ASSERT_TRUE(start(recorder, u"parec"_s,
                      {u"-d"_s, u"kovo.monitor"_s, u"--rate=8000"_s, u"--channels=1"_s,
                       u"--format=s16le"_s, u"--file-format=wav"_s, recording}));
    // Readiness, not timing: the recording has begun before the tones play, and goes on for half
    // a second of sound after them (16000 bytes a second).
    const auto recordedAtLeast = [&](qint64 bytes) {
        for (int i = 0; i < 400 && QFileInfo(recording).size() < bytes; ++i)
            QThread::msleep(50);
    };
    recordedAtLeast(44 + 1600);
    QProcess cli;
    ASSERT_TRUE(start(cli, QString::fromUtf8(KOVO_CLI_PATH),
                      {u"dtmf"_s, u"1*00#DD"_s, u"--home"_s, dir.path()}));
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    recordedAtLeast(QFileInfo(recording).size() + 8000);
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(10000));

    expectHeard(recording, u"1*00#DD"_s);
}

constexpr int UnusedSetPoints[] = {4, 17};

// A value in every item, kept to what both transports carry alike: over the air a code's "#"
// goes as "0" and its "D" as the terminator, an unlock code's "*" as "0", a Yaesu type above 2 as
// 2, and a port's message numbers run together without separators.
Database proofConfiguration() {
    roundtrip::Generator generator(5150, 2);
    Database db = generator.configuration();
    const std::set<QString> words = {u"VoiceID1"_s,     u"VoiceID2"_s, u"VoiceID3"_s,
                                     u"MessageMacro"_s, u"CWID1"_s,    u"CWID2"_s};
    for (const FieldSpec& field : fieldTable()) {
        if (words.count(QString::fromLatin1(field.name)))
            continue;
        for (int i = field.firstIndex(); i <= field.lastIndex(); ++i) {
            QString value = db.value(field, i);
            if (value == u"NONE STORED")
                continue;
            value.replace(u'#', u'9').replace(u'D', u'7');
            if (qstrcmp(field.name, "CurrentPortUnlock") == 0)
                value.replace(u'*', u'8');
            db.setValue(field, i, value);
        }
    }
    db.setValue(u"Terminator", u"D"_s);
    db.setValue(u"Lock", u"#"_s);
    db.setStoredTerminator(u"D"_s);
    db.setStoredLock(u"#"_s);
    if (db.value(u"YaesuType").toInt() > 2)
        db.setValue(u"YaesuType", u"2"_s);
    for (int p = 1; p <= 3; ++p) {
        for (const char* field : {"P1MessageNum", "P2MessageNum", "P3MessageNum"}) {
            const int number = db.value(field, p).toInt();
            if (number < 10)
                db.setValue(field, p, QString::number(number + 10));
        }
    }
    for (const int s : UnusedSetPoints) {
        db.setValue(u"DOW", s, u"10"_s);
        db.setValue(u"Monthly", s, u"0"_s);
    }
    return db;
}

TEST(DtmfUploadProof, TonesOfACompleteUploadProgramTheMemoryAsTheSerialLines) {
    QTemporaryDir dir;
    const QString config = dir.filePath(u"config.dat"_s);
    Database generated = proofConfiguration();
    const SaveResult saved = saveWholeDatabase(generated, config);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();

    Database db;
    ErrorLog log;
    const LoadReport loaded = readDatabase(db, config, log);
    ASSERT_TRUE(loaded.errorLines.isEmpty()) << loaded.errorLines.join(u'\n').toStdString();
    DtmfCommandListener::Codes codes;
    for (int p = 1; p <= 3; ++p)
        codes.unlock[size_t(p - 1)] =
            digitCodesText(unlockDigitCodes(db.value(u"CurrentPortUnlock", p)));
    codes.lock = db.storedLock();
    codes.terminator = db.storedTerminator();
    TarsisMemory serialMemory;
    {
        LinkFlags flags;
        RecordingOperator person;
        roundtrip::MemoryLineSink sink(serialMemory, flags);
        Upload upload(db, flags, person, sink);
        ASSERT_EQ(upload.sendCompleteData().outcome, UploadOutcome::Completed);
        ASSERT_TRUE(sink.refused().isEmpty()) << sink.refused().join(u'\n').toStdString();
    }

    const QString wav = dir.filePath(u"complete.wav"_s);
    constexpr int DtmfDelay = 1, TxTemp = 500;
    ProgramSettings settings(dir.path());
    settings.setDtmfDelay(QString::number(DtmfDelay));
    settings.setTxTemp(QString::number(TxTemp));
    const test::CliRun run =
        test::runCli({u"upload"_s, config, u"--dtmf"_s, u"--wav"_s, wav}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"Complete Upload Is Complete. The Tarsis will now reset."_s));

    TarsisMemory airMemory;
    DtmfCommandListener listener(airMemory, codes);
    QString error;
    ASSERT_TRUE(listener.hearWavFile(wav, &error)) << error.toStdString();
    EXPECT_TRUE(listener.problems().isEmpty()) << listener.problems().join(u'\n').toStdString();
    EXPECT_EQ(listener.unlockedPort(), 0) << "the transfer ends locked";
    EXPECT_GT(listener.bodiesAccepted(), 900);
    const test::CliRun listed = test::runCli({u"commands"_s, config, u"--dtmf"_s}, dir.path());
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const qsizetype digits = QString(listed.out).remove(u' ').remove(u'\n').size();
    EXPECT_EQ(listener.digitsHeard(), digits);
    // Every code is a digit: TxTemp + digits x (DTMFDelay + 60 + 40) + the tail, 32 bytes a ms.
    EXPECT_EQ(
        fileBytes(wav).size() - WavHeaderSize,
        qint64(32 * DtmfPlayer::transferScheduleMs(int(digits), int(digits), DtmfDelay, TxTemp)));

    // What a DTMF upload does not send, blanked in both memories, which must then agree. Over
    // the air a remote-base memory is set up with its frequency only (prefix + "1"); its tone
    // and mode lines go by serial only, so "*2086" stores the radio's tone and mode as they were.
    std::vector<std::pair<int, int>> notSent = {
        {79, 27},   // CurrentPortUnlock(1-3): "*9000" is serial only
        {180, 5},   // AlarmLowMacroNum(1-5): "*2101" is serial only
        {185, 5},   // AlarmHighMacroNum(1-5): "*2102" is serial only
        {3954, 5},  // Lock: a complete upload sends "*9010" by serial only
        {2070, 10}, // RadioMode(1-10)
        {4065, 10}, // CTCSS(1-10)
        {4075, 10}, // CTCSSMode(1-10)
    };
    // A set point whose day is 10 is skipped: its day, hours, minutes and macro.
    for (const int s : UnusedSetPoints)
        for (const int block : {650, 670, 690, 710})
            notSent.push_back({block + s - 1, 1});
    QByteArray serial = serialMemory.bytes(), air = airMemory.bytes();
    QByteArray factory = TarsisMemory().bytes();
    for (const auto& [first, count] : notSent)
        for (QByteArray* bytes : {&serial, &air, &factory})
            bytes->replace(first, count, QByteArray(count, '\0'));
    QStringList differences;
    int programmed = 0;
    for (int at = 0; at < TarsisMemory::Size; ++at) {
        programmed += serial[at] != factory[at] ? 1 : 0;
        if (serial[at] != air[at])
            differences << u"byte %1: serial %2, over the air %3"_s.arg(at)
                               .arg(quint8(serial[at]))
                               .arg(quint8(air[at]));
    }
    EXPECT_TRUE(differences.isEmpty()) << differences.join(u'\n').toStdString();
    EXPECT_GT(programmed, 1500);
    // The settings kept outside the image agree too, but for the radio's tone and mode.
    const auto keptLines = [](const TarsisMemory& memory) {
        QStringList lines;
        for (const auto& [key, value] : memory.keptValues().asKeyValueRange())
            if (!QStringList{u"RadioMode"_s, u"RadioTone"_s, u"RadioToneMode"_s}.contains(key))
                lines << key + u'=' + value;
        return lines;
    };
    EXPECT_EQ(keptLines(airMemory), keptLines(serialMemory));
}

// A port whose handshake lines are watched. Opening raises both lines, as serial drivers do.
struct FakePort {
    bool canOpen = true;
    bool canDrive = true;
    bool open = false;
    bool dtr = false;
    bool rts = false;
    int made = 0;
    QString state() const {
        return open ? QLatin1String(dtr ? "DTR " : "dtr ") + QLatin1String(rts ? "RTS" : "rts")
                    : u"closed"_s;
    }
};

class FakeChannel : public Channel {
public:
    FakeChannel(FakePort& port, QString name) : m_port(port), m_name(std::move(name)) {}
    ~FakeChannel() override { close(); }
    QString portName() const override { return m_name; }
    bool isOpen() const override { return m_port.open; }
    bool open(QString* reason) override {
        if (!m_port.canOpen) {
            if (reason)
                *reason = u"No such file or directory"_s;
            return false;
        }
        m_port.open = m_port.dtr = m_port.rts = true;
        return true;
    }
    void close() override { m_port.open = m_port.dtr = m_port.rts = false; }
    bool write(const QByteArray&) override { return false; }
    QByteArray read(int) override { return {}; }
    bool setDtr(bool on) override { return drive(m_port.dtr, on); }
    bool setRts(bool on) override { return drive(m_port.rts, on); }

private:
    bool drive(bool& line, bool on) {
        if (!m_port.open || !m_port.canDrive)
            return false;
        line = on;
        return true;
    }
    FakePort& m_port;
    QString m_name;
};

TransmitterKeying::ChannelMaker makerFor(FakePort& port) {
    return [&port](const QString& name, QString*) -> std::unique_ptr<Channel> {
        ++port.made;
        return std::make_unique<FakeChannel>(port, name);
    };
}

// Notes the keying line at every sound and silence; can have no device, or fail from a given
// tone on.
class WatchingOutput : public RecordingAudioOutput {
public:
    explicit WatchingOutput(const FakePort& port) : m_port(port) {}
    bool ready() override { return !m_noDevice; }
    bool playTonePair(int f1, int f2, double seconds) override {
        m_states.insert(m_port.state());
        if (m_failFromTone > 0 && ++m_tones >= m_failFromTone)
            return false;
        return RecordingAudioOutput::playTonePair(f1, f2, seconds);
    }
    bool pause(int milliseconds) override {
        m_states.insert(m_port.state());
        return RecordingAudioOutput::pause(milliseconds);
    }
    QString errorText() const override {
        return m_failFromTone > 0 && m_tones >= m_failFromTone ? u"The sound device went away"_s
                                                               : QString();
    }
    void failFromTone(int tone) { m_failFromTone = tone; }
    void removeDevice() { m_noDevice = true; }
    std::set<QString> states() const { return m_states; }

private:
    const FakePort& m_port;
    std::set<QString> m_states;
    int m_failFromTone = 0;
    int m_tones = 0;
    bool m_noDevice = false;
};

// An upload of two changes over the air, keyed through `whichSend` of a watched `dtmfComPort`.
struct KeyRig {
    explicit KeyRig(const QString& dtmfComPort, const QString& whichSend) {
        db = configured("HangTime(2)=30;CWSpeed(1)=25");
        setPending(db, u"HangTimePending(2);CWSpeedPending(1)"_s);
        job.setKeyer(TransmitterKeying::makeKeyer(dtmfComPort, whichSend, makerFor(port)));
    }
    FakePort port;
    Database db;
    LinkFlags flags;
    RecordingOperator person;
    WatchingOutput output{port};
    DtmfUploadJob job{db, flags, person, output};
};

// The line WhichSend chooses is active from keying to unkeying; a port that cannot key is told
// before any sound. DTMFComPort 0 or none keys by hand: no port is touched.
TEST(TransmitterKeying, TheChosenLineIsActiveFromKeyingToUnkeying) {
    const QString cannotDrive =
        u"The transmitter cannot be keyed: COM4 cannot drive DTR. Choose a serial port whose DTR "
        u"line keys the transmitter (DTMFComPort and WhichSend in kovo.ini), or set DTMFComPort "
        u"to 0 and key the transmitter by hand."_s;
    const QString cannotOpen = u"The transmitter cannot be keyed: the port COM4 cannot be opened "
                               u"(No such file or directory). Check DTMFComPort in kovo.ini."_s;
    // DTMFComPort, WhichSend, whether the port opens and drives its lines, the lines while the
    // tones play (empty: no sound) and the message.
    const std::tuple<QString, QString, bool, bool, QString, QString> cases[] = {
        {u"COM4"_s, u"1"_s, true, true, u"DTR rts"_s, u"Update Complete"_s},
        {u"COM4"_s, u"2"_s, true, true, u"dtr RTS"_s, u"Update Complete"_s},
        {u"COM4"_s, u"7"_s, true, true, u"dtr RTS"_s, u"Update Complete"_s}, // not 1: RTS
        {u"COM4"_s, u"1"_s, true, false, {}, cannotDrive},
        {u"COM4"_s, u"1"_s, false, true, {}, cannotOpen},
        {u"0"_s, u"1"_s, true, true, u"closed"_s, u"Update Complete"_s},
        {u" "_s, u"1"_s, true, true, u"closed"_s, u"Update Complete"_s},
    };
    for (const auto& [dtmfComPort, whichSend, canOpen, canDrive, keyed, message] : cases) {
        SCOPED_TRACE(message.toStdString() + " " + dtmfComPort.toStdString() + " " +
                     whichSend.toStdString());
        KeyRig r(dtmfComPort, whichSend);
        auto& [port, db, flags, person, output, job] = r;
        port.canOpen = canOpen;
        port.canDrive = canDrive;
        job.setTxTemp(300);
        const UploadResult result = job.run(false);
        EXPECT_EQ(person.messageTexts(), QStringList{message});
        EXPECT_EQ(port.state(), u"closed"_s) << "released after the transfer";
        if (keyed.isEmpty()) {
            EXPECT_EQ(result.outcome, UploadOutcome::NotStarted);
            EXPECT_TRUE(output.states().empty()) << "no sound before the transmitter is keyed";
            EXPECT_TRUE(db.pending(u"HangTimePending", 2)) << "nothing was sent";
            continue;
        }
        EXPECT_EQ(result.outcome, UploadOutcome::Completed);
        EXPECT_EQ(result.commandsSent, 2);
        // Key-up delay, tones, pauses and the tail: all while keyed, with the one line.
        EXPECT_EQ(output.states(), std::set<QString>{keyed});
        EXPECT_EQ(output.events().first().milliseconds, 300);
        EXPECT_EQ(port.made, dtmfComPort == u"COM4"_s ? 1 : 0);
    }
}

// A pseudo-terminal opens like a serial port but has no handshake lines.
TEST(TransmitterKeying, APseudoTerminalCannotKey) {
    test::PtyEmulator emulator;
    TransmitterKeying keying(emulator.port(), TransmitterKeying::Line::Rts);
    QString reason;
    EXPECT_FALSE(keying.doComPort(true, &reason));
    EXPECT_EQ(reason,
              TransmitterKeying::cannotDriveText(emulator.port(), TransmitterKeying::Line::Rts));
    EXPECT_FALSE(keying.keyed());
    EXPECT_TRUE(keying.doComPort(false));
}

TEST(DtmfUploadJob, SoundFailuresAreToldAndTheTransmitterReleased) {
    for (const bool midway : {false, true}) {
        SCOPED_TRACE(midway ? "lost midway" : "no device");
        KeyRig r(u"COM4"_s, u"2"_s);
        auto& [port, db, flags, person, output, job] = r;
        if (midway)
            output.failFromTone(40); // inside the second command
        else
            output.removeDevice();
        const UploadResult result = job.run(true);
        EXPECT_EQ(result.outcome, midway ? UploadOutcome::Interrupted : UploadOutcome::NotStarted);
        EXPECT_EQ(person.messageTexts(),
                  QStringList{midway ? u"The sound device went away. The upload stopped: the "
                                       u"command being played and those after it were not "
                                       u"sent."_s
                                     : u"No sound output device: the tones cannot be played. "
                                       u"The upload stopped before anything was sent."_s});
        EXPECT_TRUE(job.soundFailed());
        EXPECT_EQ(port.made, midway ? 1 : 0);
        EXPECT_EQ(port.state(), u"closed"_s);
        EXPECT_EQ(flags.updateInterrupted, midway);
        if (midway) {
            EXPECT_LE(result.commandsSent, 3);
            EXPECT_EQ(output.states(), std::set<QString>{u"dtr RTS"_s});
        }
    }
}

} // namespace
} // namespace kovo
