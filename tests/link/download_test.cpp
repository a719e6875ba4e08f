#include "database/database.h"
#include "database/program_settings.h"
#include "emulator/tarsis_emulator.h"
#include "link/channel.h"
#include "link/download.h"
#include "link/emulator_channel.h"
#include "link/recording_operator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <deque>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kovo;

namespace {

// Settings without pauses. The silence tick is the real one (time-out after 5 s of silence) as a
// hang guard; the time-out tests shorten it.
// A silence tick for the tests that wait for the time-out: 5 ticks of 100 ms.
constexpr int ShortTick = 100;

DownloadSettings fastSettings(const QString& folder, int silenceTickMs = 1000) {
    DownloadSettings settings;
    settings.programFolder = folder;
    settings.comPort = u"1"_s;
    settings.silenceTickMs = silenceTickMs;
    settings.settleMs = 0;
    settings.ostrikAnswerDelayMs = 0;
    settings.chunkGapMs = 3;
    settings.drainMs = 0;
    return settings;
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
// one follows an acknowledgement. An answer is given as the pieces in which it arrives.
class ScriptedChannel : public Channel {
public:
    explicit ScriptedChannel(std::vector<QByteArrayList> answers) : m_answers(std::move(answers)) {}

    QString portName() const override { return u"COM1"_s; }
    bool isOpen() const override { return m_open; }
    bool open(QString* reason) override {
        if (m_refuseOpen && reason)
            *reason = u"busy"_s;
        m_open = !m_refuseOpen;
        return m_open;
    }
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
        return piece;
    }
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }

    QByteArrayList written() const { return m_written; }
    bool m_refuseOpen = false;

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

TEST(Download, RefusedInDtmfModeAndWhenNotConfirmed) {
    QTemporaryDir dir;
    DownloadSettings settings = fastSettings(dir.path());
    settings.comPort = u"0"_s;
    ScriptedChannel channel({});
    Database db;
    RecordingOperator person;
    EXPECT_EQ(runDownload(db, channel, person, settings).outcome, DownloadOutcome::Refused);
    ASSERT_EQ(person.messages().size(), 1);
    EXPECT_EQ(person.messages()[0].text, DownloadText::DtmfMode);
    EXPECT_EQ(person.messages()[0].title, u"Error!"_s);
    EXPECT_TRUE(person.questions().isEmpty());

    settings.comPort = u"1"_s;
    RecordingOperator declining; // answers No
    EXPECT_EQ(runDownload(db, channel, declining, settings).outcome, DownloadOutcome::Declined);
    ASSERT_EQ(declining.questions().size(), 1);
    EXPECT_EQ(declining.questions()[0].text, DownloadText::Confirm);
    EXPECT_EQ(declining.questions()[0].title, u"Confirm Download"_s);
    EXPECT_EQ(declining.questions()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(channel.written().isEmpty());
    EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s)));
}

TEST(Download, ReadsTheWholeMemoryFromTheEmulator) {
    QTemporaryDir dir;
    auto emulator = std::make_shared<TarsisEmulator>();
    TarsisMemory memory;
    ASSERT_TRUE(memory.applySerialLine(u"2*1000123"_s).accepted);
    ASSERT_TRUE(memory.applySerialLine(u"1*21150075551234"_s).accepted);
    emulator->setMemory(memory);
    EmulatorChannel channel(u"Built-in Tarsis emulator"_s, emulator);

    Database db;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes, Answer::No});
    const DownloadResult result = runDownload(db, channel, person, fastSettings(dir.path()));
    ASSERT_EQ(result.outcome, DownloadOutcome::Done) << result.error.toStdString();
    EXPECT_EQ(result.chunks, 4096);
    EXPECT_EQ(db.value("HangTime", 2), u"123"_s);
    EXPECT_EQ(db.value("AutoDial", 7), QString()); // no board asked for
    EXPECT_FALSE(result.ostrikFitted);

    const QStringList lines = fileLines(dir.filePath(u"download.mem"_s));
    EXPECT_EQ(lines, memory.memoryLines());
    EXPECT_EQ(QDir::fromNativeSeparators(ProgramSettings(dir.path()).memFile()),
              dir.filePath(u"download.mem"_s));

    const QStringList received = emulator->receivedLines();
    ASSERT_EQ(received.size(), 1 + 4096);
    EXPECT_EQ(received.first(), u"1SendEram"_s);
    EXPECT_EQ(received.count(u"OK"_s), 4096);

    ASSERT_EQ(person.questions().size(), 2);
    EXPECT_EQ(person.questions()[1].text, DownloadText::AskOstrik);
    EXPECT_EQ(person.questions()[1].title, u"Download from Ostrik"_s);
    EXPECT_EQ(person.messageTexts(), QStringList{DownloadText::SaveAdvice});
    EXPECT_EQ(person.lastMaximum(), 4700);
    EXPECT_FALSE(channel.isOpen()); // the download closes the port when it ends
}

TEST(Download, ReadsTheOstrikRecordsWhenTheBoardIsFitted) {
    QTemporaryDir dir;
    auto emulator = std::make_shared<TarsisEmulator>();
    TarsisMemory memory;
    ASSERT_TRUE(memory.applySerialLine(u"1*21150075551234"_s).accepted);
    ASSERT_TRUE(memory.applySerialLine(u"1*2062001976"_s).accepted);
    ASSERT_TRUE(memory.applySerialLine(u"1*10256"_s).accepted);
    emulator->setMemory(memory);
    EmulatorChannel channel(u"Built-in Tarsis emulator"_s, emulator);

    Database db;
    db.setValue("TollRestrict", 50, u"999"_s);
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes, Answer::Yes});
    const DownloadResult result = runDownload(db, channel, person, fastSettings(dir.path()));
    ASSERT_EQ(result.outcome, DownloadOutcome::Done);
    EXPECT_TRUE(result.ostrikComplete);
    EXPECT_EQ(result.ostrikRecords, 5);
    EXPECT_EQ(db.value("AutoDial", 7), u"5551234"_s);
    EXPECT_EQ(db.value("TollRestrict", 1), u"976"_s);
    EXPECT_EQ(db.value("TollRestrict", 50), QString()); // the list is the board's
    EXPECT_EQ(db.value("RingNumber"), u"6"_s);
    EXPECT_TRUE(db.groupChanged(Group::Autopatch));

    EXPECT_EQ(fileLines(dir.filePath(u"Tempfile.dat"_s)),
              QStringList({u"RA0075551234"_s, u"RT001976"_s, u"RS120"_s, u"RR6"_s,
                           u"RIOstrik autopatch"_s, u"Complete"_s}));
    const QStringList received = emulator->receivedLines();
    EXPECT_EQ(received.count(u"1SendAPEram"_s), 1);
    EXPECT_EQ(received.count(u"o"_s), 5);
}

TEST(Download, SilenceMidStreamTimesOutAndChangesNothing) {
    QTemporaryDir dir;
    EmulatorFaults faults;
    faults.silenceFrom = 100;
    faults.silenceCount = 10000;
    auto emulator = std::make_shared<TarsisEmulator>(faults);
    EmulatorChannel channel(u"Built-in Tarsis emulator"_s, emulator);
    Database db;
    db.setValue("HangTime", 1, u"7"_s);
    const Database before = db;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes});
    const DownloadResult result =
        runDownload(db, channel, person, fastSettings(dir.path(), ShortTick));
    EXPECT_EQ(result.outcome, DownloadOutcome::TimedOut);
    ASSERT_EQ(person.messages().size(), 1);
    EXPECT_EQ(person.messages()[0].text, DownloadText::TimedOut);
    EXPECT_EQ(person.messages()[0].title, u"Serial Timeout"_s);
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s))); // only a whole stream is kept
    EXPECT_EQ(person.questions().size(), 1);                      // no Ostrik question
}

TEST(Download, ADroppedLineTimesOut) {
    QTemporaryDir dir;
    EmulatorFaults faults;
    faults.dropAt = 2000;
    auto emulator = std::make_shared<TarsisEmulator>(faults);
    EmulatorChannel channel(u"Built-in Tarsis emulator"_s, emulator);
    Database db;
    const Database before = db;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes});
    EXPECT_EQ(runDownload(db, channel, person, fastSettings(dir.path(), ShortTick)).outcome,
              DownloadOutcome::TimedOut);
    EXPECT_EQ(person.messageTexts(), QStringList{DownloadText::TimedOut});
    EXPECT_TRUE(db.sameValues(before));
}

TEST(Download, CancelStopsWithNothingDecoded) {
    QTemporaryDir dir;
    auto emulator = std::make_shared<TarsisEmulator>();
    EmulatorChannel channel(u"Built-in Tarsis emulator"_s, emulator);
    Database db;
    db.setValue("HangTime", 1, u"7"_s);
    const Database before = db;
    CancellingOperator person(10);
    person.scriptAnswers({Answer::Yes});
    const DownloadResult result = runDownload(db, channel, person, fastSettings(dir.path()));
    EXPECT_EQ(result.outcome, DownloadOutcome::Cancelled);
    EXPECT_EQ(person.messageTexts(), QStringList{DownloadText::Cancelled});
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_GT(result.chunks, 0);
    EXPECT_LT(result.chunks, 4096);
    EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s)));
}

// How each end marker ends the memory stream, and how chunks are framed.
TEST(Download, EndMarkersAndChunkFraming) {
    struct Case {
        const char* what;
        QByteArray end;
        QByteArray lineEnd;
        DownloadOutcome outcome;
    };
    const std::vector<Case> cases = {
        {"Complete", "Complete", {}, DownloadOutcome::Done},
        {"+SendE", "+SendE", {}, DownloadOutcome::Done},
        {"any + chunk", "+", {}, DownloadOutcome::Done},
        {"a C chunk", "Cxyz", {}, DownloadOutcome::Done},
        {"-K", "-K", {}, DownloadOutcome::Done},
        {"chunks ended by CR LF", "Complete\r\n", "\r\n", DownloadOutcome::Done},
        {"a lone - is data, then silence", "-", {}, DownloadOutcome::TimedOut},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ScriptedChannel channel(imageAnswers(c.end, c.lineEnd));
        Database db;
        RecordingOperator person;
        person.scriptAnswers({Answer::Yes, Answer::No});
        const DownloadResult result = runDownload(
            db, channel, person,
            fastSettings(dir.path(), c.outcome == DownloadOutcome::TimedOut ? ShortTick : 1000));
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(channel.written().first(), QByteArray("1SendEram\r")) << c.what;
        EXPECT_EQ(channel.written().count("OK\r"), result.chunks) << c.what;
        if (c.outcome == DownloadOutcome::Done) {
            EXPECT_EQ(result.chunks, 4096) << c.what;
        }
    }
}

TEST(Download, ChunksArrivingInPiecesAreJoined) {
    QTemporaryDir dir;
    std::vector<QByteArrayList> answers;
    const QStringList lines = TarsisMemory().memoryLines();
    for (const QString& line : lines) {
        const QByteArray bytes = line.toLatin1();
        answers.push_back({bytes.left(1), bytes.mid(1, 2), bytes.mid(3)}); // "1", "6,", "50"
    }
    answers.push_back({"Comp", "lete"});
    ScriptedChannel channel(answers);
    Database db;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes, Answer::No});
    const DownloadResult result = runDownload(db, channel, person, fastSettings(dir.path()));
    ASSERT_EQ(result.outcome, DownloadOutcome::Done) << result.error.toStdString();
    EXPECT_EQ(fileLines(dir.filePath(u"download.mem"_s)), lines);
}

TEST(Download, DataGluedToCompleteIsWrittenAndTheImageIsRefused) {
    // The last chunk holds its data and the end marker together: it is data, the download
    // ends by time-out and nothing is decoded.
    QTemporaryDir dir;
    std::vector<QByteArrayList> answers = imageAnswers({});
    answers.pop_back();
    answers.back() = {answers.back().first() + "Complete"};
    ScriptedChannel channel(answers);
    Database db;
    const Database before = db;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes});
    const DownloadResult result =
        runDownload(db, channel, person, fastSettings(dir.path(), ShortTick));
    EXPECT_EQ(result.outcome, DownloadOutcome::TimedOut);
    EXPECT_EQ(result.chunks, 4096);
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"download.mem"_s)));
}

TEST(Download, AShortImageIsRefusedByTheDecoder) {
    QTemporaryDir dir;
    std::vector<QByteArrayList> answers = imageAnswers("Complete");
    answers.erase(answers.begin() + 100); // one chunk lost on the way
    ScriptedChannel channel(answers);
    Database db;
    const Database before = db;
    RecordingOperator person;
    person.scriptAnswers({Answer::Yes, Answer::No});
    const DownloadResult result = runDownload(db, channel, person, fastSettings(dir.path()));
    EXPECT_EQ(result.outcome, DownloadOutcome::Broken);
    EXPECT_TRUE(result.error.contains(u"line 4096"_s)) << result.error.toStdString();
    EXPECT_TRUE(db.sameValues(before));
    ASSERT_EQ(person.messages().size(), 1); // the decoder's message, no save advice
    EXPECT_EQ(person.messages()[0].title, u"Error!"_s);
}

TEST(Download, OstrikSilenceAndCancel) {
    // The board falls silent after one record: its time-out message, the main image is
    // decoded all the same, the records are not.
    {
        QTemporaryDir dir;
        std::vector<QByteArrayList> answers = imageAnswers("Complete");
        // The echo of the command is dropped without an answer; the record is acknowledged.
        answers.push_back({"+SendAPEram\r\n", "RA0075551234\r\n"});
        ScriptedChannel channel(answers);
        Database db;
        RecordingOperator person;
        person.scriptAnswers({Answer::Yes, Answer::Yes});
        const DownloadResult result =
            runDownload(db, channel, person, fastSettings(dir.path(), ShortTick));
        EXPECT_EQ(result.outcome, DownloadOutcome::Done);
        EXPECT_FALSE(result.ostrikComplete);
        EXPECT_EQ(db.value("AutoDial", 7), QString());
        EXPECT_EQ(db.value("HangTime", 1), u"50"_s);
        EXPECT_EQ(person.messageTexts(),
                  QStringList({DownloadText::OstrikTimedOut, DownloadText::SaveAdvice}));
        EXPECT_EQ(person.messages()[0].title, u"Serial Timeout"_s);
        EXPECT_FALSE(QFile::exists(dir.filePath(u"Tempfile.dat"_s)));
    }
    // Cancelled during the board's records: lock code, terminator and CR are sent.
    {
        QTemporaryDir dir;
        std::vector<QByteArrayList> answers = imageAnswers("Complete");
        ScriptedChannel channel(answers);
        Database db;
        db.setStoredLock(u"#"_s);
        db.setStoredTerminator(u"D"_s);
        // The memory stream reports progress 130 times; the board's first report cancels.
        const int memoryReports = 4096 / 32 + 2;
        CancellingOperator cancelling(memoryReports + 1);
        cancelling.scriptAnswers({Answer::Yes, Answer::Yes});
        const DownloadResult result =
            runDownload(db, channel, cancelling, fastSettings(dir.path()));
        EXPECT_EQ(result.outcome, DownloadOutcome::Done);
        EXPECT_EQ(channel.written().last(), QByteArray("#D\r"));
        EXPECT_EQ(cancelling.messageTexts(),
                  QStringList({DownloadText::Cancelled, DownloadText::SaveAdvice}));
    }
}

TEST(Download, OstrikRecordFilesMustBeComplete) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Tempfile.dat"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RA0075551234\r\nRT001976\r\n");
    file.close();
    Database db;
    const Database before = db;
    const OstrikDecodeResult result = decodeOstrikRecords(path, db);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(db.sameValues(before));
    EXPECT_FALSE(db.groupChanged(Group::Autopatch));

    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("RX123\r\nRA201999\r\nRS45\r\nRIboard\r\nComplete\r\n");
    file.close();
    ASSERT_TRUE(decodeOstrikRecords(path, db).ok);
    EXPECT_EQ(db.value("AutoDial", 7), u"5551234"_s);
    EXPECT_EQ(db.value("TollRestrict", 1), u"976"_s);
    EXPECT_EQ(db.value("APTimeOut"), u"45"_s);
    EXPECT_TRUE(db.groupChanged(Group::Autopatch));
}

} // namespace
