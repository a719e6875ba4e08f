#include "cli_runner.h"
#include "database/database.h"
#include "emulator/dtmf_decoder.h"
#include "link/digit_sink.h"
#include "link/dtmf_digits.h"
#include "link/dtmf_player.h"
#include "link/link_flags.h"
#include "link/qt_audio_output.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "link/tone_synthesizer.h"
#include "link/upload.h"
#include "link/wav_file_output.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

using Kind = RecordingAudioOutput::Event::Kind;
using test::CliRun;
using test::haveMultimon;
using test::multimonDigits;
using test::runCli;

quint32 u32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint16 u16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
qint16 sample(const QByteArray& image, qint64 frame, int channel) {
    return qFromLittleEndian<qint16>(image.constData() + 44 + frame * 4 + channel * 2);
}

void expectToneHeader(const QByteArray& image, quint32 dataSize) {
    ASSERT_EQ(image.size(), qsizetype(44 + dataSize));
    EXPECT_EQ(image.left(4), "RIFF");
    EXPECT_EQ(u32(image, 4), dataSize + 36);
    EXPECT_EQ(image.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(u32(image, 16), 16u);
    EXPECT_EQ(u16(image, 20), 1u);     // PCM
    EXPECT_EQ(u16(image, 22), 2u);     // stereo
    EXPECT_EQ(u32(image, 24), 8000u);  // sample rate
    EXPECT_EQ(u32(image, 28), 32000u); // byte rate
    EXPECT_EQ(u16(image, 32), 4u);     // block align
    EXPECT_EQ(u16(image, 34), 16u);    // bits
    EXPECT_EQ(image.mid(36, 4), "data");
    EXPECT_EQ(u32(image, 40), dataSize);
}

TEST(TonePairImage, HeaderIsTheStandardTwoChunkLayout) {
    const QByteArray image = buildTonePairWav(697, 1209, 0.06);
    // 480 frames of 4 bytes: a 1964-byte image; the header as raw bytes.
    const unsigned char header[44] = {'R', 'I', 'F',  'F',  0xA4, 0x07, 0,    0,    'W',  'A', 'V',
                                      'E', 'f', 'm',  't',  ' ',  16,   0,    0,    0,    1,   0,
                                      2,   0,   0x40, 0x1F, 0,    0,    0x00, 0x7D, 0,    0,   4,
                                      0,   16,  0,    'd',  'a',  't',  'a',  0x80, 0x07, 0,   0};
    ASSERT_EQ(image.size(), 1964);
    EXPECT_EQ(image.left(44), QByteArray(reinterpret_cast<const char*>(header), 44));
    expectToneHeader(buildSilenceWav(60), 1920);
    EXPECT_EQ(buildSilenceWav(60).mid(44), QByteArray(1920, '\0'));
}

TEST(TonePairImage, SamplesFollowTheFloorOfTheWeightedSum) {
    struct Case {
        int f1, f2;
        double seconds;
        double partner1, partner2; // the frequencies really played
    };
    const Case cases[] = {
        {697, 1209, 0.06, 697, 1209},
        {941, 1633, 0.06, 941, 1633},
        {1000, 0, 0.5, 1000, 1},
        {0, 440, 0.01, 1, 440},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.f1 << "+" << c.f2);
        const QByteArray image = buildTonePairWav(c.f1, c.f2, c.seconds);
        const qint64 frames = std::llround(c.seconds * 8000);
        expectToneHeader(image, quint32(frames * 4));
        int peak = 0;
        for (qint64 i = 0; i < frames; ++i) {
            const double s = 0.25 * std::sin(2 * std::numbers::pi * c.partner1 * double(i) / 8000) +
                             0.25 * std::sin(2 * std::numbers::pi * c.partner2 * double(i) / 8000);
            const double exact = 0.5 * s * 32767;
            const qint16 left = sample(image, i, 0);
            // Equal to the floor, except where rounding of the step puts the value on the other
            // side of a whole number.
            if (std::abs(exact - std::round(exact)) > 1e-6) {
                ASSERT_EQ(left, qint16(std::floor(exact))) << "frame " << i;
            }
            ASSERT_EQ(sample(image, i, 1), left) << "frame " << i;
            peak = std::max(peak, std::abs(int(left)));
        }
        if (c.f1 != 0 && c.f2 != 0) {
            EXPECT_GT(peak, 7900); // two tones peak near a quarter of full scale
        }
        EXPECT_LE(peak, 8192);
    }
}

TEST(TonePairImage, ZeroFrequencyBecomesAOneHertzPartner) {
    EXPECT_EQ(buildTonePairWav(1000, 0, 0.5), buildTonePairWav(1000, 1, 0.5));
    EXPECT_EQ(buildTonePairWav(0, 1000, 0.5), buildTonePairWav(1, 1000, 0.5));
    EXPECT_EQ(buildTonePairWav(0, 0, 0.1), buildTonePairWav(1, 1, 0.1));
    const QByteArray image = buildTonePairWav(1000, 0, 0.5);
    EXPECT_EQ(u32(image, 40), 4000u * 4);
    EXPECT_EQ(u32(image, 4), 4000u * 4 + 36);
}

TEST(TonePairImage, FrameCountRoundsHalvesToEven) {
    struct Case {
        double seconds;
        qint64 frames;
    };
    const Case cases[] = {
        {0.06, 480},
        {0.5, 4000},
        {0.0, 0},
        {6.25e-05, 0}, // 0.5 frames
        {0.0001875, 2},
        {0.0003125, 2},
        {0.0004375, 4},
        {0.0005625, 4},
        {0.0600625, 480},
        {0.0601875, 482},
        {0.00007, 1},
        {0.00005, 0},
        {-0.001, -1},
        {std::numeric_limits<double>::quiet_NaN(), -1},
        {std::numeric_limits<double>::infinity(), -1},
        {1e9, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(toneFrameCount(c.seconds), c.frames);
        const QByteArray image = buildTonePairWav(697, 1209, c.seconds);
        if (c.frames < 0) {
            EXPECT_TRUE(image.isEmpty());
        } else {
            EXPECT_EQ(image.size(), 44 + c.frames * 4);
            EXPECT_EQ(u32(image, 40), quint32(c.frames * 4));
        }
    }
    EXPECT_TRUE(buildSilenceWav(std::numeric_limits<int>::max()).isEmpty());
    EXPECT_EQ(buildSilenceWav(-5).size(), 44);
}

TEST(WavImageReader, FindsTheSamplesOrRefusesTheImage) {
    const QByteArray tone = buildTonePairWav(697, 1209, 0.06);
    auto layout = parseWavImage(tone);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->sampleRate, 8000);
    EXPECT_EQ(layout->channels, 2);
    EXPECT_EQ(layout->bitsPerSample, 16);
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
        QByteArray(),
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

TEST(DtmfDigits, CodesMapToTheKeypadPairs) {
    struct Case {
        const char* code;
        int low, high;
    };
    const Case cases[] = {
        {"1", 697, 1209},  {"2", 697, 1336},  {"3", 697, 1477},  {"A", 697, 1633},
        {"4", 770, 1209},  {"5", 770, 1336},  {"6", 770, 1477},  {"B", 770, 1633},
        {"7", 852, 1209},  {"8", 852, 1336},  {"9", 852, 1477},  {"C", 852, 1633},
        {"*", 941, 1209},  {"0", 941, 1336},  {"#", 941, 1477},  {"D", 941, 1633},
        {"11", 941, 1209}, {"12", 941, 1477}, {"13", 697, 1633}, {"14", 770, 1633},
        {"15", 852, 1633}, {"16", 941, 1633},
    };
    for (const Case& c : cases) {
        const auto tones = digitCodeTones(QString::fromLatin1(c.code));
        ASSERT_TRUE(tones) << c.code;
        EXPECT_EQ(*tones, (DtmfTonePair{c.low, c.high})) << c.code;
        EXPECT_EQ(dtmfCharacterForTones(c.low, c.high),
                  digitCodeCharacter(QString::fromLatin1(c.code)));
    }
    for (const char* code : {"10", "17", "", " 1", "1 ", "a", "d", "E", "01", "111", "**", "e"})
        EXPECT_FALSE(digitCodeTones(QString::fromLatin1(code))) << '"' << code << '"';
    EXPECT_FALSE(digitCodeTones(u"\u00e9"_s));
    EXPECT_EQ(dtmfCharacterForTones(697, 697), '\0');
}

TEST(DtmfPlayer, EachDigitIsDelayToneAndPause) {
    RecordingAudioOutput output;
    DtmfPlayer player(output);
    player.setDtmfDelay(50);
    EXPECT_TRUE(player.sendDigitString(u"  1 x#  "_s));
    // "1", " ", "x", "#": the blank and the x keep their delay and play nothing.
    const QList<RecordingAudioOutput::Event>& events = output.events();
    struct Expected {
        Kind kind;
        int a, b; // frequencies, or the pause in ms
    };
    const Expected expected[] = {
        {Kind::Pause, 50, 0},        {Kind::TonePair, 697, 1209}, {Kind::Pause, 40, 0},
        {Kind::Pause, 50, 0},        {Kind::Pause, 50, 0},        {Kind::Pause, 50, 0},
        {Kind::TonePair, 941, 1477}, {Kind::Pause, 40, 0},
    };
    ASSERT_EQ(events.size(), qsizetype(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].kind, expected[i].kind);
        if (expected[i].kind == Kind::Pause) {
            EXPECT_EQ(events[i].milliseconds, expected[i].a);
        } else {
            EXPECT_EQ(events[i].frequency1, expected[i].a);
            EXPECT_EQ(events[i].frequency2, expected[i].b);
            EXPECT_EQ(events[i].seconds, 0.06);
            EXPECT_EQ(events[i].image, buildTonePairWav(expected[i].a, expected[i].b, 0.06));
        }
    }
    EXPECT_EQ(player.codesSent(), 4);
    EXPECT_EQ(player.digitsPlayed(), 2);
    EXPECT_DOUBLE_EQ(output.durationMs(), 4 * 50 + 2 * 100);
}

TEST(DtmfPlayer, KeyedTransferMatchesItsSchedule) {
    struct Case {
        int delay, txTemp;
        QStringList codes;
    };
    const Case cases[] = {
        {0, 0, {u"1"_s, u"1"_s, u"1"_s}},
        {50, 300, {u"11"_s, u"10"_s, u"16"_s, u"D"_s}},
        {100, 1000, {u"5"_s, u""_s, u"0"_s}},
        {-20, -5, {u"0"_s}}, // negative settings count as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codes.join(u',').toStdString());
        RecordingAudioOutput output;
        DtmfPlayer player(output);
        QList<bool> keying;
        player.setKeyer([&](bool on, QString*) {
            keying.append(on);
            return true;
        });
        player.setDtmfDelay(c.delay);
        player.setTxTemp(c.txTemp);
        ASSERT_TRUE(player.keyUp());
        EXPECT_TRUE(player.keyed());
        EXPECT_TRUE(player.sendDigitCodes(c.codes));
        EXPECT_TRUE(player.unkey());
        EXPECT_FALSE(player.keyed());
        EXPECT_EQ(keying, (QList<bool>{true, false}));
        EXPECT_EQ(output.events().first().kind, Kind::Pause);
        EXPECT_EQ(output.events().first().milliseconds, std::max(c.txTemp, 0));
        EXPECT_EQ(output.events().last().milliseconds, DtmfPlayer::UnkeyTailMs);
        EXPECT_DOUBLE_EQ(output.durationMs(),
                         DtmfPlayer::transferScheduleMs(player.codesSent(), player.digitsPlayed(),
                                                        c.delay, c.txTemp));
    }
}

TEST(DtmfPlayer, AsAnUploadsDigitSinkTellsKeyingFailures) {
    struct Case {
        const char* name;
        bool soundDevice;
        bool lineWorks;
        bool keyed;          // what key(true) answers
        QStringList reports; // what the person is told by the player
        QList<bool> keying;  // the keyer's calls
    };
    const Case cases[] = {
        {"all well", true, true, true, {}, {true, false}},
        {"line cannot be driven", true, false, false, {u"COM2 cannot drive RTS"_s}, {true, false}},
        // The output tells of its missing device itself; the transmitter is never keyed.
        {"no sound device", false, true, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAudioOutput output;
        output.setFailPlay(!c.soundDevice);
        DtmfPlayer player(output);
        QList<bool> keying;
        QStringList reports;
        player.setKeyer([&](bool on, QString* reason) {
            keying.append(on);
            if (on && !c.lineWorks && reason)
                *reason = u"COM2 cannot drive RTS"_s;
            return !on || c.lineWorks;
        });
        player.setReporter([&](const QString& text) { reports.append(text); });
        DigitSink& sink = player;
        EXPECT_EQ(sink.key(true), c.keyed);
        if (c.keyed) {
            sink.sendDigit(u"16"_s);
            EXPECT_EQ(player.digitsPlayed(), 1);
        }
        sink.key(false);
        sink.key(false); // a second unkey does nothing
        EXPECT_EQ(reports, c.reports);
        EXPECT_EQ(keying, c.keying);
    }
}

TEST(WavFileOutput, AppendsImagesAndPausesIntoOneFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
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
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    const QByteArray data = QByteArray(10 * 32, '\0') + tone.mid(44) +
                            buildTonePairWav(941, 1633, 0.06).mid(44) + QByteArray(3 * 32, '\0');
    expectToneHeader(written, quint32(data.size()));
    EXPECT_EQ(written.mid(44), data);

    // A transfer that played nothing leaves a valid empty file.
    const QString empty = dir.filePath(u"empty.wav"_s);
    WavFileOutput nothing(empty);
    EXPECT_TRUE(nothing.finish());
    QFile emptyFile(empty);
    ASSERT_TRUE(emptyFile.open(QIODevice::ReadOnly));
    expectToneHeader(emptyFile.readAll(), 0);

    // A folder that does not exist: every call fails, the reason names the file.
    WavFileOutput broken(dir.filePath(u"missing/out.wav"_s));
    EXPECT_FALSE(broken.play(tone));
    EXPECT_FALSE(broken.pause(5));
    EXPECT_FALSE(broken.finish());
    EXPECT_TRUE(broken.errorText().contains(u"missing/out.wav"_s))
        << broken.errorText().toStdString();
}

void ensureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "link_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

TEST(QtAudioOutput, ReportsAMissingDeviceOnce) {
    ensureApplication();
    if (QtAudioOutput::deviceAvailable())
        GTEST_SKIP() << "this machine has a sound output";
    QStringList reports;
    QtAudioOutput output([&](const QString& text) { reports.append(text); });
    EXPECT_FALSE(output.ready());
    EXPECT_FALSE(output.playTonePair(697, 1209, 0.06));
    EXPECT_FALSE(output.playTonePair(697, 1209, 0.06));
    EXPECT_EQ(reports, QStringList{u"No sound output device: the tones cannot be played"_s});
    EXPECT_EQ(output.errorText(), u"No sound output device: the tones cannot be played"_s);
    EXPECT_FALSE(output.finish());
}

// --- An independent decoder: multimon-ng ------------------------------------------------------

// The shortest run of silent frames between two tones of an image (tones may pass through 0
// for a frame or two).
qint64 shortestGapFrames(const QByteArray& image) {
    const qint64 frames = (image.size() - 44) / 4;
    qint64 shortest = std::numeric_limits<qint64>::max();
    qint64 run = 0;
    bool inTone = false;
    for (qint64 i = 0; i < frames; ++i) {
        if (sample(image, i, 0) == 0) {
            ++run;
            continue;
        }
        if (inTone && run > 8)
            shortest = std::min(shortest, run);
        inTone = true;
        run = 0;
    }
    return shortest;
}

struct DecodeCase {
    const char* name;
    QStringList codes;
    int delay;
    int txTemp;
    bool keyed;
    QString expected;
};

QStringList Codes(const char* text) {
    QStringList codes;
    for (const char* c = text; *c; ++c)
        codes.append(QString(QLatin1Char(*c)));
    return codes;
}

// An unlock, a command body and a lock, as digit codes: port unlock "1234" and terminator D,
// "*1000" with value 500 and D, lock 9 and D.
QStringList commandUnit() {
    return {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"16"_s, u"11"_s, u"1"_s, u"0"_s,
            u"0"_s, u"0"_s, u"5"_s, u"0"_s, u"0"_s,  u"16"_s, u"9"_s, u"16"_s};
}

TEST(DtmfOverTheAir, IndependentDecoderHearsEveryDigit) {
    const QString unit = u"1234D*1000500D9D"_s;
    const DecodeCase cases[] = {
        {"all sixteen", Codes("123A456B789C*0#D"), 0, 0, false, u"123A456B789C*0#D"_s},
        {"sixteen as codes",
         {u"11"_s, u"12"_s, u"13"_s, u"14"_s, u"15"_s, u"16"_s},
         0,
         0,
         false,
         u"*#ABCD"_s},
        {"000", Codes("000"), 0, 0, false, u"000"_s},
        {"**", Codes("**"), 0, 0, false, u"**"_s},
        {"DDD", Codes("DDD"), 0, 0, false, u"DDD"_s},
        {"unit, delay 0", commandUnit(), 0, 0, true, unit},
        {"unit, delay 50", commandUnit(), 50, 0, true, unit},
        {"unit, delay 100", commandUnit(), 100, 300, true, unit},
        {"not digits between", {u"7"_s, u"10"_s, u"7"_s, u"x"_s, u"7"_s}, 0, 0, false, u"777"_s},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList files;
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Plain file names: multimon-ng hands the name to sox through a shell.
        const QString path = dir.filePath(u"case%1.wav"_s.arg(files.size()));
        WavFileOutput output(path);
        DtmfPlayer player(output);
        player.setDtmfDelay(c.delay);
        player.setTxTemp(c.txTemp);
        if (c.keyed) {
            ASSERT_TRUE(player.keyUp());
        }
        ASSERT_TRUE(player.sendDigitCodes(c.codes));
        if (c.keyed) {
            ASSERT_TRUE(player.unkey());
        }
        ASSERT_TRUE(output.finish()) << output.errorText().toStdString();
        files.append(path);

        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray wav = file.readAll();
        const DtmfDecoder::WavResult ours = DtmfDecoder::decodeWav(wav);
        ASSERT_TRUE(ours.ok) << ours.error.toStdString();
        EXPECT_EQ(ours.digits, c.expected);
        // Between two tones lie at least 40 ms of true silence plus the delay, whatever a
        // decoder makes of the tones' edges.
        EXPECT_GE(shortestGapFrames(wav), 320 + 8 * c.delay);
    }
    if (!haveMultimon())
        GTEST_SKIP() << "multimon-ng or sox is not installed";
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        QString problem;
        const QString digits = multimonDigits(files[qsizetype(i)], &problem);
        EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
        EXPECT_EQ(digits, cases[i].expected);
    }
}

// --- kovo-cli dtmf -------------------------------------------------------------------------------

TEST(CliDtmf, WritesTheDigitsIntoAWavFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(u"pad.wav"_s);
    CliRun run = runCli({u"dtmf"_s, u"0#D*"_s, u"--wav"_s, wav}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const DtmfDecoder::WavResult ours = DtmfDecoder::decodeWav(file.readAll());
    EXPECT_EQ(ours.digits, u"0#D*"_s);

    struct Case {
        QStringList arguments;
        int exitCode;
    };
    const Case cases[] = {
        {{u"dtmf"_s}, 2},
        {{u"dtmf"_s, u"12"_s, u"--wav"_s}, 2},
        {{u"dtmf"_s, u"12"_s, u"34"_s}, 2},
        {{u"dtmf"_s, u"12E"_s, u"--wav"_s, wav}, 2},
        {{u"dtmf"_s, u"--bogus"_s, u"--wav"_s, wav}, 2},
        {{u"dtmf"_s, u"12"_s, u"--wav"_s, dir.filePath(u"no/such/folder.wav"_s)}, 1},
    };
    for (const Case& c : cases) {
        run = runCli(c.arguments, dir.path());
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty()) << c.arguments.join(u' ').toStdString();
    }

    ensureApplication();
    if (!QtAudioOutput::deviceAvailable()) {
        run = runCli({u"dtmf"_s, u"123"_s}, dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(u"No sound output device: the tones cannot be played"_s))
            << run.err.toStdString();
    }
}

// The sound card path, end to end: kovo-cli plays through Qt Multimedia into a private sound
// server's null sink, whose monitor is recorded and decoded. Needs pulseaudio and parec.
TEST(CliDtmf, PlaysThroughASoundServer) {
    if (QStandardPaths::findExecutable(u"pulseaudio"_s).isEmpty() ||
        QStandardPaths::findExecutable(u"parec"_s).isEmpty())
        GTEST_SKIP() << "pulseaudio or parec is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(u"run"_s);
    const QString socket = dir.filePath(u"sock"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, dir.path());
    environment.insert(u"XDG_RUNTIME_DIR"_s, dir.filePath(u"run"_s));
    environment.insert(u"PULSE_SERVER"_s, u"unix:"_s + socket);

    QProcess server;
    server.setProcessEnvironment(environment);
    server.start(u"pulseaudio"_s,
                 {u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--disallow-exit"_s,
                  u"-L"_s, u"module-null-sink sink_name=kovo rate=8000"_s, u"-L"_s,
                  u"module-native-protocol-unix socket="_s + socket + u" auth-anonymous=1"_s});
    auto stopServer = qScopeGuard([&] {
        server.terminate();
        if (!server.waitForFinished(5000))
            server.kill();
    });
    ASSERT_TRUE(server.waitForStarted(10000));
    for (int i = 0; i < 200 && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    if (!QFile::exists(socket))
        GTEST_SKIP() << "the sound server did not start: "
                     << server.readAllStandardError().constData();

    const QString recording = dir.filePath(u"heard.wav"_s);
    QProcess recorder;
    recorder.setProcessEnvironment(environment);
    recorder.start(u"parec"_s, {u"-d"_s, u"kovo.monitor"_s, u"--rate=8000"_s, u"--channels=1"_s,
                                u"--format=s16le"_s, u"--file-format=wav"_s, recording});
    ASSERT_TRUE(recorder.waitForStarted(10000));
    QThread::msleep(300);

    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QString::fromUtf8(KOVO_CLI_PATH), {u"dtmf"_s, u"1*00#DD"_s, u"--home"_s, dir.path()});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();
    QThread::msleep(300);
    recorder.terminate();
    ASSERT_TRUE(recorder.waitForFinished(10000));

    QFile file(recording);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const DtmfDecoder::WavResult ours = DtmfDecoder::decodeWav(file.readAll());
    ASSERT_TRUE(ours.ok) << ours.error.toStdString();
    EXPECT_EQ(ours.digits, u"1*00#DD"_s);
    if (haveMultimon()) {
        QString problem;
        EXPECT_EQ(multimonDigits(recording, &problem), u"1*00#DD"_s) << problem.toStdString();
    }
}

} // namespace
} // namespace kovo
