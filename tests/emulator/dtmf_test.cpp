// The emulated controller's ear: the decoder hearing DTMF digits in samples and WAV images, and
// the listener applying the command units they make up (unlock, body, lock, and the code changes
// that alter what it listens for).
#include "emulator/dtmf_command_listener.h"
#include "emulator/dtmf_decoder.h"
#include "emulator/tarsis_memory.h"
#include "link/tone_synthesizer.h"

#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

// Readable failures for QString comparisons.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kovo {
namespace {

// A mono test signal built piece by piece, phase-continuous within each piece.
class Signal {
public:
    explicit Signal(int rate = 8000) : m_rate(rate) {}

    Signal& tone(double f1, double a1, double f2, double a2, int ms) {
        const int n = m_rate * ms / 1000;
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / m_rate;
            m_samples.push_back(
                std::int16_t(std::lround(a1 * std::sin(2 * std::numbers::pi * f1 * t) +
                                         a2 * std::sin(2 * std::numbers::pi * f2 * t))));
        }
        return *this;
    }
    Signal& digit(char c, int ms, double amplitude = 4000) {
        static const char keypad[] = "123A456B789C*0#D";
        static const double low[] = {697, 770, 852, 941}, high[] = {1209, 1336, 1477, 1633};
        const int at = int(std::strchr(keypad, c) - keypad);
        return tone(low[at / 4], amplitude, high[at % 4], amplitude, ms);
    }
    // Keys of 60 ms, each followed by 40 ms of silence.
    Signal& digits(std::string_view keys) {
        for (const char c : keys)
            digit(c, 60).silence(40);
        return *this;
    }
    Signal& silence(int ms) {
        m_samples.insert(m_samples.end(), std::size_t(m_rate * ms / 1000), 0);
        return *this;
    }
    Signal& noise(double rms, unsigned seed = 1) {
        std::mt19937 random(seed);
        std::normal_distribution<double> gauss(0, rms);
        for (std::int16_t& s : m_samples)
            s = std::int16_t(std::clamp(s + gauss(random), -32768.0, 32767.0));
        return *this;
    }
    const std::vector<std::int16_t>& samples() const { return m_samples; }

private:
    int m_rate;
    std::vector<std::int16_t> m_samples;
};

TEST(DtmfDecoder, HearsDigitsAndTheirPauses) {
    struct Case {
        const char* name;
        Signal signal;
        QString digits;
    };
    const Case cases[] = {
        {"one long tone is one digit", Signal().digit('5', 400), u"5"_s},
        {"equal digits 40 ms apart", Signal().digits("555"), u"555"_s},
        {"all sixteen", Signal().digits("123A456B789C*0#D"), u"123A456B789C*0#D"_s},
        {"a change of digit without pause", Signal().digit('1', 80).digit('2', 80), u"12"_s},
        {"too short to count", Signal().silence(50).digit('7', 20).silence(50), u""_s},
        {"just long enough", Signal().silence(50).digit('7', 26).silence(50), u"7"_s},
        {"one frequency only", Signal().tone(697, 4000, 0, 0, 200), u""_s},
        {"two low frequencies", Signal().tone(697, 4000, 852, 4000, 200), u""_s},
        {"twist of 20 dB", Signal().tone(697, 4000, 1209, 400, 200), u""_s},
        {"twist of 6 dB", Signal().tone(697, 4000, 1209, 2000, 200), u"1"_s},
        {"1.5 % off frequency", Signal().tone(697 * 1.015, 4000, 1209 * 1.015, 4000, 200), u"1"_s},
        {"too quiet", Signal().digit('9', 200, 20), u""_s},
        {"quiet but clear", Signal().digit('9', 200, 300), u"9"_s},
        {"noise alone", Signal().silence(500).noise(3000), u""_s},
        {"digits in noise, 14 dB", Signal().digit('3', 60).silence(40).digit('3', 60).noise(800),
         u"33"_s},
        {"speech-like low hum", Signal().tone(300, 8000, 450, 8000, 300), u""_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DtmfDecoder::decodeSamples(c.signal.samples(), 8000), c.digits);
    }
}

TEST(DtmfDecoder, FeedingInPiecesChangesNothing) {
    const Signal signal = Signal().digits("0#0#DD*");
    const auto& samples = signal.samples();
    for (const std::size_t piece : {1, 7, 205, 4000}) {
        SCOPED_TRACE(piece);
        DtmfDecoder decoder;
        QString taken;
        for (std::size_t at = 0; at < samples.size(); at += piece) {
            decoder.feed(std::span(samples).subspan(at, std::min(piece, samples.size() - at)));
            taken += decoder.takeDigits();
        }
        EXPECT_EQ(taken, u"0#0#DD*"_s);
        EXPECT_EQ(decoder.digits(), u""_s);
    }
    // Cut off in the middle of a "#": after a reset the next "#" is a new digit.
    DtmfDecoder decoder;
    decoder.feed(std::span(samples).first(samples.size() / 2));
    decoder.reset();
    decoder.feed(Signal().digit('#', 60).samples());
    EXPECT_EQ(decoder.digits(), u"#"_s);
}

QByteArray wav(const std::vector<std::int16_t>& left, int rate, int channels, int bits,
               const std::vector<std::int16_t>* right = nullptr) {
    QByteArray data;
    for (std::size_t i = 0; i < left.size(); ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            const std::int16_t v = ch == 0 || !right ? left[i] : (*right)[i];
            if (bits == 16) {
                char b[2];
                qToLittleEndian<qint16>(v, b);
                data.append(b, 2);
            } else {
                data.append(char(std::uint8_t((v >> 8) + 128)));
            }
        }
    }
    return buildWavHeader(std::uint32_t(data.size()), rate, bits, channels == 1 ? 0 : 1) + data;
}

// The program's own 8000 Hz 16-bit stereo tones are heard in the link's tests.
TEST(DtmfDecoder, ReadsWavImagesOfOtherLayouts) {
    const Signal s11 = Signal(11025).digits("1DD#"), left = Signal().digits("1DD#");
    const Signal right = Signal().digit('9', 400);
    const struct {
        const char* name;
        QByteArray image;
    } cases[] = {
        {"11025 Hz 8-bit mono", wav(s11.samples(), 11025, 1, 8)},
        {"stereo, the right channel ignored", wav(left.samples(), 8000, 2, 16, &right.samples())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DtmfDecoder::WavResult result = DtmfDecoder::decodeWav(c.image);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_EQ(result.digits, u"1DD#"_s);
    }
}

TEST(DtmfDecoder, DamagedImagesNeverCrash) {
    const QByteArray tone = buildTonePairWav(697, 1209, 0.06);
    const QByteArray refused[] = {
        QByteArray(),
        QByteArray("RIFF"),
        tone.left(30),
        tone.left(36),                                        // no data chunk
        tone.left(20) + QByteArray("\3\0", 2) + tone.mid(22), // float
        tone.left(24) + QByteArray(4, '\0') + tone.mid(28),   // 0 Hz
        tone.left(12) + tone.mid(36),                         // data without format
    };
    for (const QByteArray& image : refused) {
        const DtmfDecoder::WavResult result = DtmfDecoder::decodeWav(image);
        EXPECT_FALSE(result.ok) << image.toHex().left(100).constData();
        EXPECT_FALSE(result.error.isEmpty());
    }
    // A data size beyond the end: what is there is heard.
    QByteArray cut = tone + buildSilenceWav(40).mid(44);
    qToLittleEndian<quint32>(0xFFFFFFFF, cut.data() + 40);
    cut.chop(3); // and a broken last frame
    const DtmfDecoder::WavResult result = DtmfDecoder::decodeWav(cut);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.digits, u"1"_s);

    // Random damage to a valid image.
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray image = tone;
        for (int k = 0; k < 4; ++k)
            image[random() % 60] = char(random());
        image.truncate(qsizetype(random() % (image.size() + 1)));
        (void)DtmfDecoder::decodeWav(image);
    }
}

using Kind = DtmfCommandListener::UnitKind;

// The units heard, one letter each: U unlock, B body accepted, R body refused, L lock, I ignored.
QString unitLetters(const DtmfCommandListener& listener) {
    QString letters;
    for (const DtmfCommandListener::Unit& unit : listener.units()) {
        letters += unit.kind == Kind::Unlock    ? u'U'
                   : unit.kind == Kind::Lock    ? u'L'
                   : unit.kind == Kind::Ignored ? u'I'
                   : unit.outcome.accepted      ? u'B'
                                                : u'R';
    }
    return letters;
}

TEST(DtmfCommandListener, AppliesUnitsAsTheControllerHearsThem) {
    struct Case {
        QString digits;
        QStringList serial; // the lines that leave the memory as the digits should
        // At the end: the unitLetters, the port unlocked, and what it listens for (terminator,
        // lock, port 2's unlock code).
        const char* state;
    };
    const std::vector<Case> cases = {
        // unlock, body, lock
        {u"26470D*1000123D#D"_s, {u"2*1000123"_s}, "UBL 0 D # 26470"},
        // a body while locked is not a command, nor after the lock
        {u"#D*1000123D"_s, {}, "II 0 D # 26470"},
        {u"16470D#D*1000123D"_s, {}, "ULI 0 D # 26470"},
        // wrong unlock code
        {u"16471D*1000123D"_s, {}, "II 0 D # 26470"},
        // unlocked ports follow each other without a lock
        {u"16470D36470D*1000123D"_s, {u"3*1000123"_s}, "UUB 3 D # 26470"},
        // lone terminators close nothing
        {u"DD16470DDD*1000123DD"_s, {u"1*1000123"_s}, "UB 1 D # 26470"},
        // a refused body keeps the port unlocked
        {u"16470D*1000999D*1000123D"_s, {u"1*1000123"_s}, "URB 1 D # 26470"},
        // lower case digits
        {u"16470d*1000123d#d"_s, {u"1*1000123"_s}, "UBL 0 D # 26470"},
        // the upload's first command: the same terminator again, its value digit the terminator
        {u"16470D*9020DD16470D"_s, {u"1*9020D"_s}, "UBU 1 D # 26470"},
        // a new terminator A: later units end with A, and the old one is a digit of the next body
        {u"16470D*9020AD*1000123A#A"_s, {u"1*9020A"_s, u"1*1000123"_s}, "UBBL 0 A # 26470"},
        {u"16470D*9020CD*10001D3C"_s, {u"1*9020C"_s}, "UBR 1 C # 26470"},
        // a refused change keeps the code
        {u"16470D*9020ABD*1000123D"_s, {u"1*1000123"_s}, "URB 1 D # 26470"},
        // a new lock code; a new unlock code of the port it came in on
        {u"16470D*90107D7D*1000123D"_s, {u"1*90107"_s}, "UBLI 0 D 7 26470"},
        {u"26470D*9000555D#D26470D555D*1000123D"_s,
         {u"2*9000555"_s, u"2*1000123"_s},
         "UBLIUB 2 D # 555"},
        // noise between digits is not heard
        {u"16470xD*10 00-123D"_s, {u"1*1000123"_s}, "UB 1 D # 26470"},
        // a run of more than 256 digits without a terminator is dropped; one of 256 is a body
        {u"16470D"_s + QString(257, u'1') + u"D*1000123D"_s, {u"1*1000123"_s}, "UIB 1 D # 26470"},
        {u"16470D"_s + QString(256, u'1') + u"D*1000123D"_s, {u"1*1000123"_s}, "URB 1 D # 26470"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits.toStdString());
        TarsisMemory expected;
        for (const QString& line : c.serial)
            ASSERT_TRUE(expected.applySerialLine(line).accepted) << line.toStdString();
        TarsisMemory memory;
        DtmfCommandListener listener(memory);
        listener.hear(c.digits);
        EXPECT_TRUE(memory.bytes() == expected.bytes());
        const DtmfCommandListener::Codes& codes = listener.codes();
        EXPECT_EQ(unitLetters(listener) + u' ' + QString::number(listener.unlockedPort()) + u' ' +
                      codes.terminator + u' ' + codes.lock + u' ' + codes.unlock[1],
                  QLatin1String(c.state))
            << listener.problems().join(u'\n').toStdString();
    }

    // Refused bodies are listed with their reasons.
    TarsisMemory memory;
    DtmfCommandListener listener(memory);
    listener.hear(u"16470D*1000999D*1000123D#D*1001D"_s);
    EXPECT_EQ(listener.bodiesAccepted(), 1);
    EXPECT_EQ(listener.problems(),
              (QStringList{u"*1000999 -> value above 255"_s, u"*1001 -> locked"_s}));
}

// What the listener cannot hear leaves the memory untouched. (It hears the program's own tones in
// the link's tests: the DTMF upload proof and the controller actions over the air.)
TEST(DtmfCommandListener, RefusesWhatItCannotHear) {
    QTemporaryDir dir;
    TarsisMemory memory;
    DtmfCommandListener listener(memory);
    QString error;
    EXPECT_FALSE(listener.hearWav(QByteArray("RIFF....WAVEjunk"), &error));
    EXPECT_EQ(error, u"no data chunk"_s);
    const QString missing = dir.filePath(u"missing.wav"_s);
    EXPECT_FALSE(listener.hearWavFile(missing, &error));
    EXPECT_EQ(error, u"cannot read "_s + missing + u": No such file or directory"_s);
    EXPECT_TRUE(memory.bytes() == TarsisMemory().bytes());
}

} // namespace
} // namespace kovo
