#include "cli_runner.h"
#include "database/database.h"
#include "database/database_file.h"
#include "database/error_log.h"
#include "database/field_table.h"
#include "database/program_settings.h"
#include "emulator/dtmf_command_listener.h"
#include "emulator/tarsis_memory.h"
#include "link/command_set.h"
#include "link/dtmf_player.h"
#include "link/dtmf_upload_job.h"
#include "link/link_flags.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "link/tone_synthesizer.h"
#include "link/transmitter_keying.h"
#include "link/upload.h"
#include "pty_emulator.h"
#include "round_trip_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

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
    ASSERT_TRUE(dir.isValid());
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
    QFile image(wav);
    EXPECT_EQ(
        image.size() - WavHeaderSize,
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
        db.setValue(u"HangTime", 2, u"30"_s);
        db.setPending(u"HangTimePending", 2);
        db.setValue(u"CWSpeed", 1, u"25"_s);
        db.setPending(u"CWSpeedPending", 1);
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
