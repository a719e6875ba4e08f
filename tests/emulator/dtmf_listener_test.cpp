// The emulated controller hearing command units over the air: unlock, body, lock, and the code
// changes that alter what it listens for.
#include "emulator/dtmf_command_listener.h"
#include "emulator/tarsis_memory.h"
#include "link/dtmf_player.h"
#include "link/wav_file_output.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

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
    const QStringList problems = listener.problems();
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems[0].startsWith(u"*1000999 -> "_s)) << problems[0].toStdString();
    EXPECT_EQ(problems[1], u"*1001 -> locked"_s);
}

// Audio in, memory out: the tones the program plays for one unit.
TEST(DtmfCommandListener, HearsTonesInAWavFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"units.wav"_s);
    {
        WavFileOutput output(path);
        DtmfPlayer player(output);
        player.setTxTemp(200);
        ASSERT_TRUE(player.keyUp());
        // The same digit twice in a row ("00", "DD") must reach the controller twice.
        ASSERT_TRUE(player.sendDigitString(u"36470D*1000200D#D"_s));
        ASSERT_TRUE(player.unkey());
        ASSERT_TRUE(output.finish());
    }
    TarsisMemory expected;
    ASSERT_TRUE(expected.applySerialLine(u"3*1000200"_s).accepted);
    TarsisMemory memory;
    DtmfCommandListener listener(memory);
    QString error;
    ASSERT_TRUE(listener.hearWavFile(path, &error)) << error.toStdString();
    EXPECT_TRUE(memory.bytes() == expected.bytes())
        << listener.problems().join(u'\n').toStdString();
    EXPECT_EQ(listener.digitsHeard(), 17);
    EXPECT_EQ(listener.unlockedPort(), 0);

    TarsisMemory untouched;
    DtmfCommandListener refused(untouched);
    EXPECT_FALSE(refused.hearWav(QByteArray("RIFF....WAVEjunk"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(refused.hearWavFile(dir.filePath(u"missing.wav"_s), &error));
    EXPECT_TRUE(error.contains(u"missing.wav"_s)) << error.toStdString();
    EXPECT_TRUE(untouched.bytes() == TarsisMemory().bytes());
}

} // namespace
} // namespace kovo
