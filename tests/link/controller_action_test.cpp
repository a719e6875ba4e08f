#include "cli_runner.h"
#include "database/database.h"
#include "database/profile_file.h"
#include "emulator/dtmf_command_listener.h"
#include "link/channel_factory.h"
#include "link/controller_action_job.h"
#include "link/controller_commands.h"
#include "link/link_flags.h"
#include "link/memory_image.h"
#include "link/recording_audio_output.h"
#include "link/recording_operator.h"
#include "link/serial_link.h"
#include "link/tone_synthesizer.h"
#include "link/wav_file_output.h"
#include "pty_emulator.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace kovo {
namespace {

using Kind = ControllerAction::Kind;

const QDateTime OneOhFive(QDate(2026, 1, 5), QTime(13, 5, 9));

struct Rig {
    Database db;
    RecordingOperator person;
    LinkFlags flags;
    QTemporaryDir dir;

    Rig() {
        test::ensureCoreApplication();
        // The codes a factory-fresh controller answers to.
        for (int p = 1; p <= 3; ++p)
            db.setValue(u"CurrentPortUnlock", p, QString::number(p) + u"6470"_s);
    }
    QString path(const QString& name) const { return dir.filePath(name); }

    bool runSerial(const QString& port, const ControllerAction& action, int timeoutMs = 1000) {
        SerialLink link(ChannelFactory::create(port), person, flags, {port, 0, timeoutMs});
        ControllerActionJob job(db, flags, person);
        job.setSerialLink(&link);
        WavFileOutput sound(path(u"played.wav"_s));
        job.setAudioOutput(&sound);
        job.setClock([] { return OneOhFive; });
        return job.run(action);
    }
    // Over the air into a WAV file that the emulated controller then hears.
    bool runDtmf(const ControllerAction& action, TarsisMemory& memory) {
        WavFileOutput air(path(u"air.wav"_s));
        ControllerActionJob job(db, flags, person);
        job.setAudioOutput(&air);
        job.setClock([] { return OneOhFive; });
        const bool done = job.run(action);
        DtmfCommandListener listener(memory);
        QString error;
        EXPECT_TRUE(listener.hearWavFile(path(u"air.wav"_s), &error)) << error.toStdString();
        EXPECT_TRUE(listener.problems().isEmpty()) << listener.problems().join(u'\n').toStdString();
        EXPECT_EQ(listener.unlockedPort(), 0) << "the controller was left unlocked";
        return done;
    }
    QString silentWav() {
        QFile file(path(u"message.wav"_s));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(buildSilenceWav(300));
        return file.fileName();
    }
};

Database decoded(const TarsisMemory& memory) {
    Database db;
    applyMemoryImage(memory.bytes(), db);
    return db;
}

ControllerAction action(Kind kind, const QString& code = {}, int port = 1) {
    ControllerAction a;
    a.kind = kind;
    a.newCode = code;
    a.port = port;
    a.track = 12;
    return a;
}

TEST(ControllerActionTest, ClockTextsOfBothDateFormats) {
    const std::tuple<QTime, bool, const char*, const char*, const char*, const char*> cases[] = {
        {QTime(0, 0, 0), false, "1/5/2026", "12:00:00 AM", "010526", "0000"},
        {QTime(12, 0, 0), false, "1/5/2026", "12:00:00 PM", "010526", "1200"},
        {QTime(13, 5, 9), false, "1/5/2026", "1:05:09 PM", "010526", "1305"},
        {QTime(0, 0, 0), true, "05/01/2026", "00:00:00", "010526", "000000"},
        {QTime(12, 0, 0), true, "05/01/2026", "12:00:00", "010526", "120000"},
        {QTime(13, 5, 9), true, "05/01/2026", "13:05:09", "010526", "130509"},
    };
    Database db;
    for (const auto& [time, international, dateText, timeText, date, clock] : cases) {
        const ClockTexts texts = clockTexts(QDateTime(QDate(2026, 1, 5), time), international);
        EXPECT_EQ(texts.dateText, QLatin1String(dateText));
        EXPECT_EQ(texts.timeText, QLatin1String(timeText));
        const QList<Command> commands = clockSetCommands(db, texts);
        EXPECT_EQ(commands[0].serialLines, QStringList{u"1*5101"_s + QLatin1String(date)});
        EXPECT_EQ(commands[1].serialLines, QStringList{u"1*5100"_s + QLatin1String(clock)});
    }
}

TEST(ControllerActionTest, EachActionReachesTheControllerOverBothTransports) {
    struct Case {
        const char* name;
        ControllerAction action;
        const char* message;
        std::function<void(const TarsisMemory&, const Database&)> check;
    };
    const Case cases[] = {
        {"erase", action(Kind::EraseAllMacros),
         "All Macros have been erased, both in Kovo and in the Tarsis. You should resave your "
         "dat file now to reflect these changes.",
         [](const TarsisMemory& m, const Database&) {
             EXPECT_EQ(decoded(m).value(u"Macro", 5), u"NONE STORED"_s);
             EXPECT_EQ(decoded(m).value(u"ShortMacro", 1), u"NONE STORED"_s);
         }},
        {"clock", action(Kind::SetClock), "Clock and Calendar have been successfully set",
         [](const TarsisMemory& m, const Database&) {
             EXPECT_EQ(m.keptValue(u"ClockDate"_s), u"010526"_s);
             EXPECT_EQ(m.keptValue(u"ClockTime"_s), u"1305"_s);
         }},
        {"record", action(Kind::RecordTrack), "Wav File Upload Complete.",
         [](const TarsisMemory& m, const Database&) {
             EXPECT_EQ(m.keptValue(u"DVRTrack(12)"_s), u"1"_s);
         }},
        {"unlock", action(Kind::ChangeUnlockCode, u"2580"_s, 2),
         "New Unlock Code For Port 2 Has Been Successfully Sent To The Tarsis",
         [](const TarsisMemory& m, const Database& db) {
             EXPECT_EQ(decoded(m).value(u"CurrentPortUnlock", 2), u"2580"_s);
             EXPECT_EQ(db.value(u"CurrentPortUnlock", 2), u"2580"_s);
         }},
        {"lock", action(Kind::ChangeLockCode, u"c"_s),
         "New Lock Code Has Been Successfully Sent To The Tarsis",
         [](const TarsisMemory& m, const Database& db) {
             EXPECT_EQ(decoded(m).value(u"Lock"), u"C"_s);
             EXPECT_EQ(db.storedLock(), u"C"_s);
         }},
        {"terminator", action(Kind::ChangeTerminator, u"b"_s),
         "New Terminator Digit Has Been Successfully Sent To The Tarsis",
         [](const TarsisMemory& m, const Database& db) {
             EXPECT_EQ(decoded(m).value(u"Terminator"), u"B"_s);
             EXPECT_EQ(db.storedTerminator(), u"B"_s);
         }},
    };
    for (const Case& c : cases) {
        for (const bool overTheAir : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (overTheAir ? " over the air" : " serial"));
            Rig rig;
            ControllerAction a = c.action;
            a.wavFile = rig.silentWav();
            a.databaseFile = rig.path(u"site.dat"_s);
            TarsisMemory memory;
            memory.applySerialLine(u"1*400205001002"_s);
            memory.applySerialLine(u"1*400241001"_s);
            bool done = false;
            if (overTheAir) {
                done = rig.runDtmf(a, memory);
            } else {
                test::PtyEmulator emulator;
                emulator.emulator().setMemory(memory);
                done = rig.runSerial(emulator.port(), a);
                memory = emulator.emulator().memory();
                if (a.kind == Kind::RecordTrack) {
                    EXPECT_EQ(
                        emulator.emulator().receivedLines(),
                        (QStringList{u"1*700212"_s, u"1*700112"_s, u"G"_s, u"S"_s, u"1#D"_s}));
                }
            }
            EXPECT_TRUE(done);
            ASSERT_FALSE(rig.person.messages().isEmpty());
            EXPECT_EQ(rig.person.messages().last().text, QLatin1String(c.message));
            c.check(memory, rig.db);
        }
    }
}

// A code or track the controller cannot take is refused before anything is sent or written. Over
// the air the lock code is one key, so an action that could not lock the controller again sends
// nothing either.
TEST(ControllerActionTest, RefusedBeforeAnythingIsSent) {
    const QString tryAgain = u"Try Again!"_s, error = u"Error!"_s;
    const QString notOneKey = u"The lock code \"1234\" cannot be played as DTMF tones: over the "
                              u"air the lock code is one key. Nothing was sent."_s;
    // The action, its new code, its port or track, the stored lock code; the message and title.
    const std::tuple<Kind, const char*, int, const char*, QString, QString> cases[] = {
        {Kind::EraseAllMacros, "", 1, "1234", notOneKey, error},
        {Kind::ChangeLockCode, "1234", 1, "#", notOneKey, tryAgain},
        {Kind::ChangeLockCode, "12345", 1, "#", u"The lock code has at most 4 digits."_s, tryAgain},
        {Kind::ChangeLockCode, "d", 1, "#", u"The lock code cannot be the terminator digit."_s,
         tryAgain},
        {Kind::ChangeUnlockCode, "123456789", 2, "#", u"An unlock code has at most 8 digits."_s,
         tryAgain},
        {Kind::ChangeUnlockCode, "12E", 2, "#",
         u"The new code \"12E\" holds a character that is no DTMF digit."_s, tryAgain},
        {Kind::ChangeUnlockCode, "123", 4, "#", u"A port is 1 to 3."_s, error},
        {Kind::ChangeTerminator, "12", 1, "#", u"The terminator is one digit."_s, tryAgain},
        {Kind::ChangeTerminator, "#", 1, "#", u"The terminator cannot be the lock code."_s,
         tryAgain},
        {Kind::RecordTrack, "", 21, "#", u"A DVR track is 1 to 20."_s, error},
        {Kind::RecordTrack, "", 0, "#", u"A DVR track is 1 to 20."_s, error},
    };
    for (const auto& [kind, code, number, lock, text, title] : cases) {
        SCOPED_TRACE(text.toStdString() + " " + code);
        Rig rig;
        rig.db.setValue(u"Lock", 0, QLatin1String(lock));
        rig.db.setStoredLock(QLatin1String(lock));
        rig.db.setStoredTerminator(u"D"_s);
        ControllerAction a = action(kind, QLatin1String(code), number);
        a.track = number;
        a.wavFile = rig.silentWav();
        a.databaseFile = rig.path(u"site.dat"_s);
        WavFileOutput air(rig.path(u"air.wav"_s));
        ControllerActionJob job(rig.db, rig.flags, rig.person);
        job.setAudioOutput(&air);
        EXPECT_FALSE(job.run(a));
        ASSERT_EQ(rig.person.messages().size(), 1);
        EXPECT_EQ(rig.person.messages()[0].text, text);
        EXPECT_EQ(rig.person.messages()[0].title, title);
        EXPECT_FALSE(QFile::exists(a.databaseFile));
        air.finish();
        EXPECT_LE(QFileInfo(rig.path(u"air.wav"_s)).size(), 44);
    }
}

// The lock line after a recording goes again after a refusal, and gives up after a bound.
TEST(ControllerActionTest, LockAfterRecordingIsRetriedWithinABound) {
    // Exchanges 1 and 2 ready and start the recording; the lock lines follow.
    const std::tuple<const char*, bool, int> cases[] = {{"refuse:2@3", true, 3},
                                                        {"refuse:50@3", false, 5}};
    for (const auto& [faults, done, lockLines] : cases) {
        SCOPED_TRACE(faults);
        Rig rig;
        test::PtyEmulator emulator(*EmulatorFaults::parse(QLatin1String(faults)));
        ControllerAction a = action(Kind::RecordTrack);
        a.wavFile = rig.silentWav();
        EXPECT_EQ(rig.runSerial(emulator.port(), a), done);
        EXPECT_EQ(emulator.emulator().receivedLines().count(u"1#D"_s), lockLines);
        const QStringList texts = rig.person.messageTexts();
        EXPECT_EQ(texts.count(u"There has been an error. The Tarsis returned -Refused    "_s),
                  qMin(lockLines, 2) + (done ? 0 : lockLines - 2));
        EXPECT_EQ(texts.last(),
                  done ? u"Wav File Upload Complete."_s
                       : ControllerActionJob::lockNotAcknowledgedText(emulator.port(), lockLines));
    }
}

// A code change writes the file first; a refused send leaves file and database holding the new
// code.
TEST(ControllerActionTest, FailedCodeChangeLeavesFileAndDatabaseAgreeing) {
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "refused by the controller" : "file cannot be written");
        Rig rig;
        const QString file =
            writable ? rig.path(u"site.dat"_s) : rig.path(u"missing/folder/site.dat"_s);
        if (writable) {
            QFile dat(file);
            ASSERT_TRUE(dat.open(QIODevice::WriteOnly));
            dat.write("[Unlock]\r\nLock=#\r\nTerminator=D\r\n[Timers]\r\nHangTime(1)=30\r\n");
        }
        test::PtyEmulator emulator(*EmulatorFaults::parse(u"nak:1"_s));
        ControllerAction a = action(Kind::ChangeLockCode, u"C"_s);
        a.databaseFile = file;
        EXPECT_FALSE(rig.runSerial(emulator.port(), a));
        const QString expected = writable ? u"C"_s : u"#"_s;
        EXPECT_EQ(rig.db.value(u"Lock"), expected);
        EXPECT_EQ(rig.db.storedLock(), expected);
        EXPECT_EQ(emulator.emulator().receivedLines().size(), writable ? 1 : 0);
        if (writable) {
            EXPECT_EQ(readIni(u"Unlock", u"Lock", file), u"C"_s);
            EXPECT_EQ(readIni(u"Timers", u"HangTime(1)", file), u"30"_s);
        }
        EXPECT_EQ(decoded(emulator.emulator().memory()).value(u"Lock"), u"#"_s);
    }
}

TEST(ControllerActionTest, CliVerbsSendTheActions) {
    // The arguments, where PORT, DAT and WAV stand for the test's own; the exit status, a kept
    // value the controller must hold afterwards (or null) and the lock code afterwards.
    const std::tuple<QString, int, const char*, const char*> cases[] = {
        {u"clock --port PORT"_s, 0, "ClockDate", "#"},
        {u"erase-macros --port PORT --dat DAT"_s, 0, nullptr, "#"},
        {u"set-code --lock c DAT --port PORT"_s, 0, nullptr, "C"},
        // No sound device here: the file cannot play, and the controller is locked again.
        {u"record 3 WAV --port PORT"_s, 1, nullptr, "#"},
        // A file that cannot be played records nothing over the track.
        {u"record 3 missing.wav --port PORT"_s, 1, nullptr, "#"},
    };
    for (const auto& [pattern, exitCode, keptKey, lockAfter] : cases) {
        SCOPED_TRACE(pattern.toStdString());
        Rig rig;
        test::PtyEmulator emulator;
        const QString dat = rig.path(u"site.dat"_s);
        ASSERT_TRUE(writeIni(u"Timers", u"HangTime(1)", u"30"_s, dat));
        const QString arguments = QString(pattern)
                                      .replace(u"PORT"_s, emulator.port())
                                      .replace(u"DAT"_s, dat)
                                      .replace(u"WAV"_s, rig.silentWav());
        const test::CliRun run = test::runCli(arguments.split(u' '), rig.path(QString()));
        EXPECT_EQ(run.exitCode, exitCode) << run.err.toStdString();
        const TarsisMemory memory = emulator.emulator().memory();
        if (keptKey) {
            EXPECT_FALSE(memory.keptValue(QLatin1String(keptKey)).isEmpty());
        }
        const QString lock = QLatin1String(lockAfter);
        EXPECT_EQ(decoded(memory).value(u"Lock"), lock);
        EXPECT_EQ(readIni(u"Unlock", u"Lock", dat), lock == u"C"_s ? lock : QString());
        EXPECT_EQ(readIni(u"Timers", u"HangTime(1)", dat), u"30"_s);
        if (pattern.startsWith(u"record"_s)) {
            const QStringList lines = emulator.emulator().receivedLines();
            EXPECT_EQ(lines.last(), u"1#D"_s);
            EXPECT_EQ(lines.contains(u"G"_s), !pattern.contains(u"missing"_s));
        }
    }
}

// Tones above 3500 Hz play at 3500 Hz.
TEST(ControllerActionTest, CourtesyPreviewPlaysPausesThenTonePairs) {
    ControllerAction preview = action(Kind::PreviewCourtesyTone);
    preview.courtesyValues =
        QStringList{u"100"_s, u"0"_s,   u"20"_s, u"0"_s, u"300"_s,  u"0"_s,    u"100"_s, u"50"_s,
                    u"440"_s, u"880"_s, u"0"_s,  u"0"_s, u"1000"_s, u"4000"_s, u"697"_s, u"1209"_s};
    const auto data = [](int f1, int f2, double seconds) {
        return buildTonePairWav(f1, f2, seconds).mid(WavHeaderSize);
    };
    for (const bool stopped : {false, true}) {
        Rig rig;
        rig.person.setInterrupted(stopped);
        RecordingAudioOutput sound;
        ControllerActionJob job(rig.db, rig.flags, rig.person);
        job.setAudioOutput(&sound);
        EXPECT_EQ(job.run(preview), !stopped);
        int paused = 0;
        QByteArray played;
        for (const auto& event : sound.events()) {
            paused += event.milliseconds;
            if (event.kind == RecordingAudioOutput::Event::Kind::Image)
                played += event.image.mid(WavHeaderSize);
        }
        EXPECT_EQ(paused, stopped ? 0 : 120);
        EXPECT_EQ(played,
                  stopped ? QByteArray()
                          : data(440, 880, 0.3) + data(1000, 3500, 0.1) + data(697, 1209, 0.05));
    }
}

} // namespace
} // namespace kovo
