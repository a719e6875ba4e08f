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
#include "link/qt_audio_output.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "link/tone_synthesizer.h"
#include "link/transmitter_keying.h"
#include "link/upload.h"
#include "round_trip_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

using test::CliRun;
using test::runCli;

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeSettings(const QString& home, int dtmfDelay, int txTemp) {
    ProgramSettings settings(home);
    settings.setDtmfDelay(QString::number(dtmfDelay));
    settings.setTxTemp(QString::number(txTemp));
}

bool save(Database db, const QString& path) {
    const SaveResult result = saveWholeDatabase(db, path);
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    return result.ok;
}

Database load(const QString& path) {
    Database db;
    ErrorLog log;
    const LoadReport report = readDatabase(db, path, log);
    EXPECT_TRUE(report.errorLines.isEmpty()) << report.errorLines.join(u'\n').toStdString();
    return db;
}

// The first frame of a 16-bit stereo image that is not silent.
qint64 firstSoundFrame(const QByteArray& image) {
    const std::optional<WavPcmLayout> layout = parseWavImage(image);
    if (!layout)
        return -1;
    for (qsizetype at = layout->dataOffset; at + 1 < image.size(); at += 4) {
        if (image[at] != 0 || image[at + 1] != 0)
            return (at - layout->dataOffset) / 4;
    }
    return -1;
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

// Where the controller keeps what a DTMF upload does not send: memory positions, and the settings
// it keeps outside its image.
struct Exclusion {
    int first; // memory position
    int count;
    QStringList kept;
};
std::vector<Exclusion> exclusions() {
    // Over the air a remote-base memory is set up with its frequency only (prefix + "1"); its
    // tone and mode lines go by serial only, so "*2086" stores the radio's tone and mode as
    // they were.
    std::vector<Exclusion> list = {
        {79, 27, {}},                     // CurrentPortUnlock(1-3): "*9000" is serial only
        {180, 5, {}},                     // AlarmLowMacroNum(1-5): "*2101" is serial only
        {185, 5, {}},                     // AlarmHighMacroNum(1-5): "*2102" is serial only
        {3954, 5, {}},                    // Lock: a complete upload sends "*9010" by serial only
        {2070, 10, {u"RadioMode"_s}},     // RadioMode(1-10)
        {4065, 10, {u"RadioTone"_s}},     // CTCSS(1-10)
        {4075, 10, {u"RadioToneMode"_s}}, // CTCSSMode(1-10)
    };
    // A DTMF upload skips a set point whose day is 10: its day, hours, minutes and macro.
    for (const int s : UnusedSetPoints)
        for (const int block : {650, 670, 690, 710})
            list.push_back({block + s - 1, 1, {}});
    return list;
}

TEST(DtmfUploadProof, TonesOfACompleteUploadProgramTheMemoryAsTheSerialLines) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString config = dir.filePath(u"config.dat"_s);
    ASSERT_TRUE(save(proofConfiguration(), config));

    Database serialDb = load(config);
    TarsisMemory serialMemory;
    {
        LinkFlags flags;
        RecordingOperator person;
        roundtrip::MemoryLineSink sink(serialMemory, flags);
        Upload upload(serialDb, flags, person, sink);
        ASSERT_EQ(upload.sendCompleteData().outcome, UploadOutcome::Completed);
        ASSERT_TRUE(sink.refused().isEmpty()) << sink.refused().join(u'\n').toStdString();
    }

    const QString wav = dir.filePath(u"complete.wav"_s);
    constexpr int DtmfDelay = 1, TxTemp = 500;
    writeSettings(dir.path(), DtmfDelay, TxTemp);
    const CliRun run = runCli({u"upload"_s, config, u"--dtmf"_s, u"--wav"_s, wav}, dir.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"Complete Upload Is Complete. The Tarsis will now reset."_s));
    // The key-up delay, the first digit's delay, then the first tone (whose first sample, sin 0,
    // is silent too).
    const QByteArray image = readFile(wav);
    EXPECT_EQ(firstSoundFrame(image), 8 * (TxTemp + DtmfDelay) + 1);

    const Database db = load(config);
    DtmfCommandListener::Codes codes;
    for (int p = 1; p <= 3; ++p)
        codes.unlock[size_t(p - 1)] =
            digitCodesText(unlockDigitCodes(db.value(u"CurrentPortUnlock", p)));
    codes.lock = db.storedLock();
    codes.terminator = db.storedTerminator();
    TarsisMemory airMemory;
    DtmfCommandListener listener(airMemory, codes);
    QString error;
    ASSERT_TRUE(listener.hearWavFile(wav, &error)) << error.toStdString();
    EXPECT_TRUE(listener.problems().isEmpty()) << listener.problems().join(u'\n').toStdString();
    EXPECT_EQ(listener.unlockedPort(), 0) << "the transfer ends locked";
    EXPECT_GT(listener.bodiesAccepted(), 900);
    const CliRun listed = runCli({u"commands"_s, config, u"--dtmf"_s}, dir.path());
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const qsizetype digits = QString(listed.out).remove(u' ').remove(u'\n').size();
    EXPECT_EQ(listener.digitsHeard(), digits);
    // Every code is a digit: TxTemp + digits x (DTMFDelay + 60 + 40) + the tail.
    EXPECT_EQ(
        parseWavImage(image)->dataSize / 4,
        qsizetype(8 * DtmfPlayer::transferScheduleMs(int(digits), int(digits), DtmfDelay, TxTemp)));

    // The memories with the excluded bytes blanked must agree.
    QByteArray serial = serialMemory.bytes(), air = airMemory.bytes();
    QByteArray factory = TarsisMemory().bytes();
    int excludedBytes = 0;
    QStringList excludedKept;
    for (const Exclusion& e : exclusions()) {
        excludedBytes += e.count;
        excludedKept += e.kept;
        for (QByteArray* bytes : {&serial, &air, &factory})
            bytes->replace(e.first, e.count, QByteArray(e.count, '\0'));
    }
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
    EXPECT_EQ(excludedBytes, 80);
    EXPECT_GT(programmed, 1500);
    QStringList keptDifferences;
    const auto serialKept = serialMemory.keptValues();
    const auto airKept = airMemory.keptValues();
    for (auto it = serialKept.cbegin(); it != serialKept.cend(); ++it)
        if (!excludedKept.contains(it.key()) && airKept.value(it.key()) != it.value())
            keptDifferences << it.key() + u": serial "_s + it.value() + u", over the air "_s +
                                   airKept.value(it.key());
    for (auto it = airKept.cbegin(); it != airKept.cend(); ++it)
        if (!serialKept.contains(it.key()))
            keptDifferences << it.key() + u": over the air only "_s + it.value();
    EXPECT_TRUE(keptDifferences.isEmpty()) << keptDifferences.join(u'\n').toStdString();
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
        if (!open)
            return u"closed"_s;
        return QString(dtr ? u"DTR"_s : u"dtr"_s) + u' ' + (rts ? u"RTS"_s : u"rts"_s);
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

// Notes the keying line at every sound and silence; can fail from a given tone on.
class WatchingOutput : public RecordingAudioOutput {
public:
    explicit WatchingOutput(const FakePort& port) : m_port(port) {}
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
    std::set<QString> states() const { return m_states; }

private:
    const FakePort& m_port;
    std::set<QString> m_states;
    int m_failFromTone = 0;
    int m_tones = 0;
};

// An upload of two changes over the air, keyed through `whichSend` of a watched COM4.
struct KeyRig {
    explicit KeyRig(const QString& whichSend) {
        db.setValue(u"HangTime", 2, u"30"_s);
        db.setPending(u"HangTimePending", 2);
        db.setValue(u"CWSpeed", 1, u"25"_s);
        db.setPending(u"CWSpeedPending", 1);
        job.setKeyer(TransmitterKeying::makeKeyer(u"COM4"_s, whichSend, makerFor(port)));
    }
    FakePort port;
    Database db;
    LinkFlags flags;
    RecordingOperator person;
    WatchingOutput output{port};
    DtmfUploadJob job{db, flags, person, output};
};

// The line WhichSend chooses is active from keying to unkeying; a port that cannot key is told
// before any sound.
TEST(TransmitterKeying, TheChosenLineIsActiveFromKeyingToUnkeying) {
    const QString cannotDrive =
        u"The transmitter cannot be keyed: COM4 cannot drive DTR. Choose a serial port whose DTR "
        u"line keys the transmitter (DTMFComPort and WhichSend in kovo.ini), or set DTMFComPort "
        u"to 0 and key the transmitter by hand."_s;
    const QString cannotOpen = u"The transmitter cannot be keyed: the port COM4 cannot be opened "
                               u"(No such file or directory). Check DTMFComPort in kovo.ini."_s;
    // WhichSend, whether the port opens and drives its lines, the lines while the tones play
    // (empty: no sound) and the message.
    const std::tuple<QString, bool, bool, QString, QString> cases[] = {
        {u"1"_s, true, true, u"DTR rts"_s, u"Update Complete"_s},
        {u"2"_s, true, true, u"dtr RTS"_s, u"Update Complete"_s},
        {u"0"_s, true, true, u"dtr RTS"_s, u"Update Complete"_s}, // anything but 1 keys with RTS
        {u"7"_s, true, true, u"dtr RTS"_s, u"Update Complete"_s},
        {u"1"_s, true, false, {}, cannotDrive},
        {u"1"_s, false, true, {}, cannotOpen},
    };
    for (const auto& [whichSend, canOpen, canDrive, keyed, message] : cases) {
        SCOPED_TRACE(message.toStdString() + " " + whichSend.toStdString());
        KeyRig r(whichSend);
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
        EXPECT_EQ(port.made, 1);
    }
}

// A pseudo-terminal opens like a serial port but has no handshake lines.
TEST(TransmitterKeying, APseudoTerminalCannotKey) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(ptsname(master));
    TransmitterKeying keying(slave, TransmitterKeying::Line::Rts);
    QString reason;
    EXPECT_FALSE(keying.doComPort(true, &reason));
    EXPECT_EQ(reason, TransmitterKeying::cannotDriveText(slave, TransmitterKeying::Line::Rts));
    EXPECT_TRUE(reason.contains(slave + u" cannot drive RTS"_s)) << reason.toStdString();
    EXPECT_FALSE(keying.keyed());
    EXPECT_TRUE(keying.doComPort(false));
    ::close(master);
}

TEST(TransmitterKeying, PortZeroKeysNothing) {
    FakePort port;
    const TransmitterKeyer keyer = TransmitterKeying::makeKeyer(u"0"_s, u"1"_s, makerFor(port));
    EXPECT_TRUE(keyer(true, nullptr));
    EXPECT_TRUE(keyer(false, nullptr));
    EXPECT_EQ(port.made, 0);
}

class NoSoundOutput : public RecordingAudioOutput {
public:
    bool ready() override { return false; }
    QString errorText() const override { return QtAudioOutput::noDeviceText(); }
};

TEST(DtmfUploadJob, SoundFailuresAreToldAndTheTransmitterReleased) {
    for (const bool midway : {false, true}) {
        SCOPED_TRACE(midway ? "lost midway" : "no device");
        FakePort port;
        Database db;
        LinkFlags flags;
        RecordingOperator person;
        WatchingOutput watching(port);
        watching.failFromTone(40); // inside the second command
        NoSoundOutput silent;
        RecordingAudioOutput& output =
            midway ? static_cast<RecordingAudioOutput&>(watching) : silent;
        DtmfUploadJob job(db, flags, person, output);
        job.setKeyer(TransmitterKeying::makeKeyer(u"COM4"_s, u"2"_s, makerFor(port)));
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
        if (!midway) {
            EXPECT_FALSE(flags.updateInterrupted);
        } else {
            EXPECT_LE(result.commandsSent, 3);
            EXPECT_EQ(watching.states(), std::set<QString>{u"dtr RTS"_s});
        }
    }
}

} // namespace
} // namespace kovo
