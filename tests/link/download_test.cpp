#include "database/database.h"
#include "database/program_settings.h"
#include "emulator/tarsis_emulator.h"
#include "link/channel.h"
#include "link/chunk_reader.h"
#include "link/download.h"
#include "link/emulator_channel.h"
#include "link/memory_image.h"
#include "link/recording_operator.h"
#include "round_trip_support.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;
namespace Text = kovo::DownloadText;
using O = kovo::DownloadOutcome;

namespace {

// The silence tick of the tests that wait for the time-out: five ticks of 80 ms.
constexpr int Tick = 80;

DownloadSettings fastSettings(const QString& folder, int silenceTickMs = 1000) {
    return {.programFolder = folder,
            .comPort = u"1"_s,
            .silenceTickMs = silenceTickMs,
            .settleMs = 0,
            .drainMs = 0,
            .ostrikAnswerDelayMs = 0,
            .chunkGapMs = 3};
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QStringList fileLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(file.readAll()).split(u"\r\n"_s);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// A controller that answers from a script: the first answer follows the command, each further
// one follows an acknowledgement. An answer is given as the pieces in which it arrives; an empty
// piece is a pause of 10 ms on the line.
class ScriptedChannel : public Channel {
public:
    explicit ScriptedChannel(std::vector<QByteArrayList> answers) : m_answers(std::move(answers)) {}

    QString portName() const override { return u"COM1"_s; }
    bool isOpen() const override { return m_open; }
    bool open(QString*) override { return m_open = true; }
    void close() override { m_open = false; }
    bool write(const QByteArray& bytes) override {
        m_written << bytes;
        if (m_next < m_answers.size()) {
            for (const QByteArray& piece : m_answers[m_next])
                m_pending.push_back(piece);
            ++m_next;
        }
        return true;
    }
    QByteArray read(int timeoutMs) override {
        if (m_pending.empty()) {
            QThread::msleep(static_cast<unsigned long>(qMin(timeoutMs, 5)));
            return {};
        }
        const QByteArray piece = m_pending.front();
        m_pending.pop_front();
        if (piece.isEmpty())
            QThread::msleep(static_cast<unsigned long>(qMin(timeoutMs, 10)));
        return piece;
    }
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }

    QByteArrayList written() const { return m_written; }

private:
    std::vector<QByteArrayList> m_answers;
    size_t m_next = 0;
    std::deque<QByteArray> m_pending;
    QByteArrayList m_written;
    bool m_open = false;
};

// The image of a factory-fresh controller, one chunk per byte, with `end` after it.
std::vector<QByteArrayList> imageAnswers(const QByteArray& end, const QByteArray& lineEnd = {}) {
    std::vector<QByteArrayList> answers;
    for (const QString& line : TarsisMemory().memoryLines())
        answers.push_back({line.toLatin1() + lineEnd});
    answers.push_back({end});
    return answers;
}

// Stops the download once it has reported progress `after` times.
class CancellingOperator : public RecordingOperator {
public:
    explicit CancellingOperator(int after) : m_after(after) {}
    void progress(int value, int maximum, const QString& label) override {
        RecordingOperator::progress(value, maximum, label);
        ++m_reports;
    }
    bool interrupted() override { return m_reports >= m_after; }

private:
    int m_after;
    int m_reports = 0;
};

// A controller with an autodial number, a toll-restrict entry and the ring count.
TarsisMemory boardMemory() {
    TarsisMemory memory;
    EXPECT_TRUE(memory.applySerialLine(u"2*1000123"_s).accepted);
    EXPECT_TRUE(memory.applySerialLine(u"1*21150075551234"_s).accepted);
    EXPECT_TRUE(memory.applySerialLine(u"1*2062001976"_s).accepted);
    EXPECT_TRUE(memory.applySerialLine(u"1*10256"_s).accepted);
    return memory;
}

TEST(Download, RefusedInDtmfModeAndWhenNotConfirmed) {
    QTemporaryDir dir;
    DownloadSettings settings = fastSettings(dir.path());
    settings.comPort = u"0"_s;
    ScriptedChannel channel({});
    Database db;
    RecordingOperator person;
    EXPECT_EQ(runDownload(db, channel, person, settings).outcome, O::Refused);
    EXPECT_EQ(person.messageTexts(), QStringList{Text::DtmfMode});
    EXPECT_EQ(person.messages().value(0).title, u"Error!"_s);
    EXPECT_TRUE(person.questions().isEmpty());

    settings.comPort = u"1"_s;
    RecordingOperator declining; // answers No
    EXPECT_EQ(runDownload(db, channel, declining, settings).outcome, O::Declined);
    ASSERT_EQ(declining.questions().size(), 1);
    EXPECT_EQ(declining.questions()[0].text, Text::Confirm);
    EXPECT_EQ(declining.questions()[0].title, u"Confirm Download"_s);
    EXPECT_TRUE(channel.written().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s)));
}

TEST(Download, EveryStreamEnds) {
    const QString lost = u"The memory image download.mem cannot be decoded: it ends after 4095 "
                         u"lines; line 4096 is missing (an image has 4096 lines). Nothing was "
                         u"changed."_s;
    const QString cutOff =
        u"The memory image download.mem cannot be decoded: line 8 holds \"\" after "
        u"its comma, not a byte from 0 to 255. Nothing was changed."_s;
    using Answers = std::vector<QByteArrayList>;
    const auto ending = [](const QByteArray& end, const QByteArray& lineEnd = {}) {
        return [=] { return imageAnswers(end, lineEnd); };
    };
    const auto endless = [] {
        Answers answers;
        for (int i = 0; i < 5000; ++i)
            answers.push_back({QByteArray::number(i) + ",7"});
        return answers;
    };
    const auto glued = [] {
        Answers answers = imageAnswers({});
        answers.pop_back();
        answers.back() = {answers.back().first() + "Complete"};
        return answers;
    };
    const auto shortImage = [] {
        Answers answers = imageAnswers("Complete");
        answers.erase(answers.begin() + 100);
        return answers;
    };
    const auto pieces = [] {
        Answers answers;
        for (const QString& line : TarsisMemory().memoryLines()) {
            const QByteArray bytes = line.toLatin1();
            answers.push_back({bytes.left(1), bytes.mid(1, 2), bytes.mid(3)}); // "1", "6,", "50"
        }
        answers.push_back({"Comp", "lete"});
        return answers;
    };
    // The adapter cuts chunks before their last digit: framed by position the late digit joins
    // its chunk; framed by the quiet gap (kovo.ini DownloadFraming=QuietGap) it is cut off.
    const auto cut = [] {
        Answers answers = imageAnswers("Complete");
        for (size_t i = 7; i < 4096; i += 512)
            answers[i] = {answers[i].first().chopped(1), {}, answers[i].first().right(1)};
        return answers;
    };
    // What the controller sends, the outcome, the chunks taken and the message.
    const std::vector<std::tuple<const char*, std::function<Answers()>, O, int, QString>> cases = {
        {"Complete", ending("Complete"), O::Done, 4096, {}},
        {"any + chunk", ending("+"), O::Done, 4096, {}},
        {"a C chunk", ending("Cxyz"), O::Done, 4096, {}},
        {"-K", ending("-K"), O::Done, 4096, {}},
        {"CR LF", ending("Complete\r\n", "\r\n"), O::Done, 4096, {}},
        {"chunks in pieces", pieces, O::Done, 4096, {}},
        {"cut chunks", cut, O::Done, 4096, {}},
        {"QuietGap: cut chunks", cut, O::Broken, 4096, cutOff},
        {"a refusal", ending("-Refused"), O::Broken, 4096, Text::Refused.arg(u"-Refused"_s)},
        {"data glued to Complete is data", glued, O::TimedOut, 4096, Text::TimedOut},
        {"more than an image", endless, O::Broken, 4112, Text::TooLong.arg(4112)},
        {"a lost chunk", shortImage, O::Broken, 4095, lost},
    };
    for (const auto& [what, answers, outcome, chunks, message] : cases) {
        SCOPED_TRACE(what);
        QTemporaryDir dir;
        if (QByteArray(what).startsWith("QuietGap")) {
            ASSERT_TRUE(
                writeFile(dir.filePath(u"kovo.ini"_s), "[Main]\r\nDownloadFraming=QuietGap\r\n"));
        }
        ScriptedChannel channel(answers());
        Database db;
        const Database before = db;
        RecordingOperator person;
        person.scriptAnswers({Answer::Yes, Answer::No});
        const DownloadResult result =
            runDownload(db, channel, person, fastSettings(dir.path(), Tick));
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(result.chunks, chunks);
        EXPECT_EQ(channel.written().first(), QByteArray("1SendEram\r"));
        // One "OK" a chunk; an endless stream had its last chunk answered before it ended.
        EXPECT_EQ(channel.written().count("OK\r"), chunks + (chunks > 4096 ? 1 : 0));
        if (outcome == O::Done) {
            EXPECT_EQ(fileLines(dir.filePath(u"download.mem"_s)), TarsisMemory().memoryLines());
            continue;
        }
        EXPECT_TRUE(db.sameValues(before));
        EXPECT_EQ(person.messageTexts().value(0), message);
        EXPECT_EQ(person.messages().value(0).title,
                  outcome == O::Broken ? u"Error!"_s : u"Serial Timeout"_s);
    }
}

// The emulator against both receive loops, well and with its faults. The silence limit is five
// ticks: an answer 4.5 ticks late is waited for, one 5.5 ticks late is not; the records a board
// sent before it fell silent or chattered are decoded all the same.
TEST(Download, ReadsTheEmulatorOrEndsWithTheFaultsMessage) {
    const QString late45 = u"late:%1@4094"_s.arg(Tick * 9 / 2);
    const QString late55 = u"late:%1@4094"_s.arg(Tick * 11 / 2);
    // The memory takes "1SendEram" and an "OK" per chunk.
    const QString boardLate = u"late:%1@%2"_s.arg(Tick * 11 / 2).arg(1 + 4096 + 3);
    // The last column is AutoDial(7) afterwards.
    const std::vector<std::tuple<QString, bool, DownloadOutcome, QStringList, QString>> cases = {
        {{}, true, O::Done, {Text::SaveAdvice}, u"5551234"_s},
        {u"silence:10000@100"_s, false, O::TimedOut, {Text::TimedOut}, {}},
        {u"drop:2000"_s, false, O::TimedOut, {Text::TimedOut}, {}},
        {u"refuse:10000@50"_s, false, O::Broken, {Text::Refused.arg(u"-Refused"_s)}, {}},
        {late45, false, O::Done, {Text::SaveAdvice}, {}},
        {late55, false, O::TimedOut, {Text::TimedOut}, {}},
        {boardLate, true, O::Done, {Text::OstrikTimedOut, Text::SaveAdvice}, u"5551234"_s},
        {u"board-garbage"_s, true, O::Done, {Text::OstrikTooLong.arg(320), Text::SaveAdvice}, {}},
    };
    for (const auto& [faults, board, outcome, messages, autoDial] : cases) {
        SCOPED_TRACE(faults.toStdString());
        QTemporaryDir dir;
        auto emulator = std::make_shared<TarsisEmulator>(*EmulatorFaults::parse(faults));
        const TarsisMemory memory = boardMemory();
        emulator->setMemory(memory);
        EmulatorChannel channel(u"Built-in Tarsis emulator"_s, emulator);
        Database db;
        db.setValue("TollRestrict", 50, u"999"_s);
        const Database before = db;
        RecordingOperator person;
        person.scriptAnswers({Answer::Yes, board ? Answer::Yes : Answer::No});
        // Without faults the silence limit is a hang guard only.
        const DownloadResult result = runDownload(
            db, channel, person, fastSettings(dir.path(), faults.isEmpty() ? 1000 : Tick));
        EXPECT_EQ(result.outcome, outcome);
        EXPECT_EQ(person.messageTexts(), messages);
        if (outcome != O::Done) {
            EXPECT_TRUE(db.sameValues(before));
            EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s)));
        }
        if (board) {
            EXPECT_EQ(result.ostrikComplete, faults.isEmpty());
            expectValues(db, u"HangTime(2)=123;AutoDial(7)="_s + autoDial);
            EXPECT_EQ(person.questions()[1].text, Text::AskOstrik);
        }
        if (!faults.isEmpty())
            continue;
        EXPECT_EQ(result.chunks, 4096);
        EXPECT_EQ(fileLines(dir.filePath(u"download.mem"_s)), memory.memoryLines());
        EXPECT_EQ(QDir::fromNativeSeparators(ProgramSettings(dir.path()).memFile()),
                  dir.filePath(u"download.mem"_s));
        EXPECT_EQ(result.ostrikRecords, 5);
        // TollRestrict(50) was not sent by the board: kept.
        expectValues(db, u"TollRestrict(1)=976;TollRestrict(50)=999;RingNumber=6"_s);
        EXPECT_TRUE(db.groupChanged(Group::Autopatch));
        EXPECT_EQ(fileLines(dir.filePath(u"Tempfile.dat"_s)).last(), u"Complete"_s);
        const QStringList received = emulator->receivedLines();
        EXPECT_EQ(received.first(), u"1SendEram"_s);
        EXPECT_EQ(received.count(u"OK"_s), 4096);
        EXPECT_EQ(received.count(u"o"_s), 5);
        EXPECT_EQ(person.lastMaximum(), 10);
        EXPECT_FALSE(channel.isOpen());
    }
}

// Escape during the board's records sends the lock code, the terminator and a CR.
TEST(Download, CancelInEitherLoop) {
    for (const bool board : {false, true}) {
        SCOPED_TRACE(board ? "board" : "memory");
        QTemporaryDir dir;
        std::vector<QByteArrayList> answers = imageAnswers("Complete");
        answers.push_back({"+SendAPEram\r\n", "RA0075551234\r\n"});
        answers.push_back({"RT001976\r\n"});
        ScriptedChannel channel(answers);
        Database db;
        db.setStoredLock(u"#"_s);
        db.setStoredTerminator(u"D"_s);
        const Database before = db;
        // The memory stream reports progress 130 times; the board's third report cancels.
        CancellingOperator person(board ? 4096 / 32 + 2 + 3 : 10);
        person.scriptAnswers({Answer::Yes, Answer::Yes});
        const DownloadResult result = runDownload(db, channel, person, fastSettings(dir.path()));
        if (!board) {
            EXPECT_EQ(result.outcome, O::Cancelled);
            EXPECT_GT(result.chunks, 0);
            EXPECT_LT(result.chunks, 4096);
            EXPECT_TRUE(db.sameValues(before));
            EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s)));
            EXPECT_EQ(person.messageTexts(), QStringList{Text::Cancelled});
            continue;
        }
        EXPECT_EQ(result.outcome, O::Done);
        EXPECT_EQ(channel.written().last(), QByteArray("#D\r"));
        expectValues(db, u"AutoDial(7)=5551234;TollRestrict(1)=976"_s);
        EXPECT_EQ(person.messageTexts(), QStringList({Text::Cancelled, Text::SaveAdvice}));
    }
}

TEST(Download, ChunkReaderCutsByPosition) {
    using F = ChunkFraming;
    // The events in order: "OK" where the reader acknowledges a chunk, "!" before a chunk that
    // was acknowledged before it ended.
    const std::vector<std::tuple<const char*, QByteArrayList, QStringList, ChunkFraming>> cases = {
        {"next position", {"0,1", "21,5"}, {u"OK"_s, u"!0,12"_s, u"OK"_s}, F::Positions},
        {"three digits", {"0,25", "51,0"}, {u"OK"_s, u"!0,255"_s, u"OK"_s}, F::Positions},
        {"then a marker", {"0,7", "Complete"}, {u"OK"_s, u"!0,7"_s, u"Complete"_s}, F::Positions},
        {"marker glued on", {"0,7Complete"}, {u"0,7Complete"_s}, F::Positions},
        {"lines", {"0,7\r\n1,8\r\n"}, {u"OK"_s, u"!0,7"_s, u"OK"_s, u"!1,8"_s}, F::Positions},
        {"not counting from 0", {"5,7"}, {}, F::QuietGap},
        {"a position skipped", {"0,7", "2,9"}, {u"OK"_s, u"!0,7"_s}, F::QuietGap},
        {"four digits", {"0,1234"}, {u"0,1234"_s}, F::QuietGap},
        {"another position", {"0,1", "23,7"}, {u"OK"_s, u"!0,1"_s}, F::QuietGap},
    };
    for (const auto& [what, bursts, events, after] : cases) {
        SCOPED_TRACE(what);
        ScriptedChannel idle({});
        ChunkReader reader(idle, 1000, ChunkFraming::Positions);
        QStringList seen;
        for (const QByteArray& burst : bursts) {
            reader.take(burst);
            while (const auto event = reader.next(0))
                seen << (event->kind == ChunkReader::Event::Kind::Acknowledge
                             ? u"OK"_s
                             : (event->acknowledged ? u"!"_s : QString()) + event->chunk);
        }
        EXPECT_EQ(seen, events);
        EXPECT_EQ(reader.framing(), after);
    }
}

TEST(Download, OstrikRecordFilesMustBeComplete) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Tempfile.dat"_s);
    const QByteArray records = "RA0075551234\r\nRT001976\r\n";
    ASSERT_TRUE(writeFile(path, records));
    Database db;
    db.setValue("TollRestrict", 2, u"555"_s);
    const Database before = db;
    EXPECT_FALSE(decodeOstrikRecords(path, db).ok);
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_FALSE(db.groupChanged(Group::Autopatch));

    ASSERT_TRUE(writeFile(path, records + "RX123\r\nRA201999\r\nRA200888\r\nRT100555\r\nRS45\r\n"
                                          "RIboard\r\nComplete\r\n"));
    ASSERT_TRUE(decodeOstrikRecords(path, db).ok);
    // AutoDial(200) and TollRestrict(100) are the last entries of either list.
    expectValues(db, u"AutoDial(7)=5551234;TollRestrict(1)=976;TollRestrict(2)=555;"
                     u"AutoDial(200)=888;TollRestrict(100)=555;APTimeOut=45"_s);
    EXPECT_TRUE(db.groupChanged(Group::Autopatch));
}

QStringList linesOf(const QByteArray& bytes) {
    TarsisMemory memory;
    memory.setBytes(bytes);
    return memory.memoryLines();
}

struct Poke {
    int at;
    std::vector<int> bytes;
};
std::vector<int> text(const char* characters) {
    return std::vector<int>(characters, characters + qstrlen(characters));
}
// `count` bytes of `value`, then `tail`.
std::vector<int> run(int count, int value, std::vector<int> tail = {}) {
    tail.insert(tail.begin(), size_t(count), value);
    return tail;
}

// The encodings at their edges (the round trip proves the ordinary values of every field): bytes
// put into an image of zeros, the field read back into a database that held the values below.
TEST(MemoryImage, EveryEncodingReadsItsBytes) {
    // The bytes put into the image, and the fields read back: "Field(index)=value;...".
    const std::vector<std::pair<std::vector<Poke>, QString>> cases = {
        // Fields the image lacks keep their values.
        {{},
         u"PreAccessPrefix=0;CWTone2(1)=0000;CWTone1(1)=0;MacroToRun(4)=01;DTMF(20)=NONE STORED;"
         u"MessageMacro(1)=NONE STORED;Macro(40)=NONE STORED;FreqString(10)=NONE STORED;"
         u"Monthly(6)=2;TollRestrict(3)=5551234"_s},
        {{{62, text("ABCDE")}}, u"MacroSubset=ABCD"_s}, // the 5th never adds
        {{{4, {'9', '8', 0, '7', '6', 0}}}, u"DTMFTestPrefix=98"_s},
        {{{0, text("1234")}}, u"PreAccessPrefix=123"_s},
        {{{15, {2}}}, u"SayHour=0"_s},
        {{{15, {1}}}, u"SayHour=1"_s},
        {{{35, {200, 55}}}, u"DTMFTime(3)=255"_s}, // the two bytes are added
        {{{42, {0x10, 0x27}}}, u"KerchunkTime(2)=10000"_s},
        {{{60, {255}}}, u"PLEncodePolarity(2)="_s},
        {{{108, {255}}}, u"SpeechIDOverride(3)=0"_s},
        {{{97, text("312ABCD#*")}}, u"CurrentPortUnlock(3)=312ABCD#"_s},
        {{{196, {62, 0}}}, u"Meter(3)=2"_s},
        {{{206, {176, 0}}}, u"Meter(8)=6"_s},
        {{{192, {63, 0}}}, u"Meter(1)=5"_s},      // an unknown meter word keeps the field
        {{{208, {12, 255}}}, u"RealLow(1)=77"_s}, // a high byte of 255 keeps the field
        {{{226, {255, 0}}}, u"MeterLow(2)=255"_s},
        {{{362, {21, 22}}}, u"CWID1(1)="_s},
        {{{124, {2}}, {362, {21, 11, 23}}}, u"CWID1(1)=A WORD_SPACE"_s},
        {{{129, {15}}, {437, run(15, 10)}}, u"CWID2(3)="_s + u"- "_s.repeated(14) + u"-"_s},
        {{{125, {99}}, {377, run(15, 0)}}, u"CWID1(2)="_s + u"0 "_s.repeated(14) + u"0"_s},
        // An unknown CW code repeats the token before it.
        {{{126, {4}}, {392, {21, 99, 22, 24}}}, u"CWID1(3)=A A B B"_s},
        {{{452, {30}}}, u"VoiceID1(1)="_s},
        {{{138, {3}}, {628, {207, 235, 255}}}, u"VoiceID3(3)=THE_TIME_IS SILENCE(PAUSE) DVR20"_s},
        {{{652, {25}}}, u"Week(3)=2;DOW(3)=5"_s},
        {{{652, {7}}}, u"Week(3)=4;DOW(3)=7"_s}, // one digit is the day alone
        {{{670, {254}}}, u"Hours(1)=0A"_s},
        {{{670, {255}}}, u"Hours(1)=0"_s},
        {{{670, {7}}}, u"Hours(1)=07"_s},
        {{{709, {255}}}, u"Minutes(20)=0"_s},
        {{{713, {255}}}, u"MacroToRun(4)=0"_s},
        {{{1708, {1, 1}}}, u"P3Dur4(10)=257"_s},
        {{{1722, {255}}}, u"DTMFDur="_s},
        {{{1724, {'1', '2', '#', 255, '5'}}}, u"DTMF(1)=1 2 #"_s},
        {{{1735, text("1234567890A")}}, u"DTMF(2)=1 2 3 4 5 6 7 8 9 0 A"_s},
        {{{1724, {255, '1'}}}, u"DTMF(1)=NONE STORED"_s},
        {{{1724, {' ', '1', 255}}}, u"DTMF(1)=NONE STORED"_s},
        {{{2099, run(10, 255)}}, u"MessageMacro(1)="_s},
        {{{2109, {124, 1, 0, 2}}}, u"MessageMacro(2)=HELLO ONE"_s}, // ends before ZERO
        {{{2119, {30, 31, 32, 33, 34, 35, 36, 37, 38, 39}}},
         u"MessageMacro(3)=A B C D E F G H I"_s},
        {{{2119, {30, 255, 31, 255, 255, 255, 255, 255, 255, 255}}}, u"MessageMacro(3)=A B"_s},
        {{{2129, {0, 1, 2, 0}}}, u"MessageMacro(4)=NONE STORED"_s},
        {{{2501, {255}}}, u"ID3Extras(1)=9"_s},
        {{{2505, {11}}}, u"ID1Extras(3)=11"_s},
        {{{2508, {255, 45, 1}}}, u"Macro(1)=300 001"_s},
        {{{2508, {255, 0}}}, u"Macro(1)=255"_s},
        {{{2524, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}},
         u"Macro(2)=001 002 003 004 005 006 007 008 009 010 011 012 013 014 015"_s},
        {{{2524, run(14, 1, {255, 235})}}, u"Macro(2)="_s + u"001 "_s.repeated(14) + u"490"_s},
        {{{2524, run(15, 1, {255})}}, u"Macro(2)="_s + u"001 "_s.repeated(14) + u"001"_s},
        {{{2524, run(15, 1, {255})}, {2540, {9}}}, u"Macro(3)=009"_s},
        {{{3348, {1, 2, 3, 4, 5}}}, u"ShortMacro(1)=001 002 003 004"_s},
        {{{3353, {255, 0, 255, 235, 7}}}, u"ShortMacro(2)=255 490"_s},
        {{{3148, {0x21, 0xCB, 0, 0x55}}}, u"MacroCode(1)=12*#"_s},
        {{{3193, {0xA1, 0xBC, 0xDE, 0xF9, 0x33}}}, u"MacroCode(10)=10#*BA9C"_s},
        {{{3843, {0xA1, 0xA9, 0x99}}}, u"ShortMacroCode(50)=109099"_s},
        {{{3948, {'A', 255, 0, '1', 'B', 'C'}}}, u"RemoteBasePrefix=A1B"_s},
        {{{3954, text("12345")}}, u"Lock=1234"_s},
        {{{3959, text("BC")}}, u"Terminator=B"_s},
        {{{3985, text("14652039")}}, u"FreqString(1)=1465203"_s},
        {{{3993, {'1', 255, '2', 0, '3'}}}, u"FreqString(2)=12"_s},
        {{{4090, text("C99999")}}, u"APPrefix=C9999"_s},
        {{{151, {0}}, {154, {0}}}, u"DisableTimeout(1)=1"_s},
        {{{152, {5}}, {155, {1}}}, u"DisableTimeout(2)=0"_s},
    };
    for (const auto& [pokes, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        QByteArray bytes(MemoryImageSize, '\0');
        for (const Poke& poke : pokes)
            for (size_t i = 0; i < poke.bytes.size(); ++i)
                bytes[poke.at + static_cast<int>(i)] = static_cast<char>(poke.bytes[i]);
        Database db = configured("Meter(1)=5;RealLow(1)=77;Week(3)=4;ID3Extras(1)=9;Monthly(6)=2;"
                                 "TollRestrict(3)=5551234");
        db.setSettingsSaved(false);
        const MemoryImageResult result = decodeMemoryImageLines(linesOf(bytes), db);
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        expectValues(db, expected);
        // A download sets both copies of lock and terminator, and no flags.
        EXPECT_EQ(db.storedLock(), db.value("Lock"));
        EXPECT_EQ(db.storedTerminator(), db.value("Terminator"));
        EXPECT_FALSE(db.anyPending());
        EXPECT_FALSE(db.settingsSaved());
    }
}

QByteArray goodFile() {
    return TarsisMemory().memoryLines().join(u"\r\n"_s).toLatin1() + "\r\n";
}

QByteArray replaceLine(int number, const QByteArray& text) {
    QList<QByteArray> lines = goodFile().split('\n');
    lines[number - 1] = text + '\r';
    return lines.join('\n');
}

// A bad image is refused whole, naming the first bad or missing line.
TEST(MemoryImage, BadImagesAreRefusedWholeAndNameTheLine) {
    QRandomGenerator random(4711);
    QByteArray noise(20000, '\0');
    for (char& c : noise)
        c = static_cast<char>(random.bounded(256));
    // The file, and the line it is refused at.
    const std::vector<std::tuple<QByteArray, int>> cases = {
        {QByteArray(), 1},
        {QByteArray("\r\n\r\n\n"), 1},
        {goodFile().split('\n').mid(0, 4095).join('\n'), 4096},
        {goodFile() + "4096,0\r\n", 4097},
        {replaceLine(100, "99 17"), 100},
        {replaceLine(4096, "4095,256"), 4096},
        {replaceLine(2, "1,abc"), 2},
        {replaceLine(3000, "2999,-1"), 3000},
        {replaceLine(17, "16,"), 17},
        {replaceLine(18, "17,1.5"), 18},
        {replaceLine(50, ""), 50},
        {"x\n" + noise, 1}, // no comma on the first line, whatever the noise holds
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(u"download.mem"_s);
    for (const auto& [bytes, line] : cases) {
        SCOPED_TRACE(line);
        ASSERT_TRUE(writeFile(path, bytes));
        Database db;
        db.setValue("HangTime", 1, u"123"_s);
        db.setPending("HangTimePending", 1);
        const Database before = db;
        const MemoryImageResult result = decodeMemoryImage(path, db);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.line, line) << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"line "_s + QString::number(line)) ||
                    (line == 1 && result.error.contains(u"empty"_s)))
            << result.error.toStdString();
        EXPECT_TRUE(result.error.contains(u"download.mem"_s)) << result.error.toStdString();
        EXPECT_TRUE(db.sameValues(before));
        EXPECT_EQ(db.pendingNames(), before.pendingNames());
        EXPECT_EQ(db.storedLock(), before.storedLock());
    }
    Database db;
    EXPECT_FALSE(decodeMemoryImage(dir.filePath(u"missing.mem"_s), db).ok);

    // LF line ends, no line break after the last line; the text before the comma is not read.
    QByteArray bytes(MemoryImageSize, '\0');
    bytes[16] = 42;
    QStringList lines = linesOf(bytes);
    lines[16] = u"anything,  42 "_s;
    ASSERT_TRUE(writeFile(path, lines.join(u'\n').toLatin1()));
    const MemoryImageResult result = decodeMemoryImage(path, db);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(db.value("HangTime", 1), u"42"_s);
}

// Where the image holds a number rather than its text, or cannot hold an empty value.
TEST(MemoryImage, FactoryFreshMemoryDecodesToTheDefaults) {
    Database db;
    ASSERT_TRUE(decodeMemoryImageLines(TarsisMemory().memoryLines(), db).ok);
    QStringList expected;
    for (int p = 1; p <= 3; ++p) {
        expected << u"InActivityMacro(%1): \"1\" != \"01\""_s.arg(p)
                 << u"CWTone1(%1): \"500\" != \"0500\""_s.arg(p);
    }
    for (int i = 1; i <= 10; ++i) {
        expected << u"FreqString(%1): \"NONE STORED\" != \"\""_s.arg(i)
                 << u"CTCSS(%1): \"0\" != \"\""_s.arg(i)
                 << u"CTCSSMode(%1): \"0\" != \"\""_s.arg(i);
    }
    QStringList differences = db.differences(Database());
    differences.sort();
    expected.sort();
    EXPECT_EQ(differences, expected);
}

} // namespace
