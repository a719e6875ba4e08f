#pragma once

#include "link/command_set.h"
#include "link/controller_action.h"
#include "link/dtmf_player.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace kovo {

class AudioOutput;
class Database;
class Operator;
class SerialLink;
struct LinkFlags;

// Sends one controller action (ControllerAction) over the configured transport and tells the
// person how it went, through the Operator.
//
// Serial (a SerialLink is given): every line is one exchange judged by the link; the lock line
// that ends a recording is repeated until the controller acknowledges it, at most MaxLockTries
// times. The port is opened when needed and closed again after an erase, a clock set and a
// recording; a code change leaves it open.
//
// Over the air (no SerialLink): the transmitter is keyed, each command goes as one unit (the
// port's unlock code, the body, the lock code, each closed by the terminator), and the
// transmitter is unkeyed again whatever happened in between.
//
// A code change writes the new code into the database file (section "Unlock") and into the
// database before anything is sent: a send that fails leaves the program holding the code the
// person chose, and the file agreeing with it. When the file cannot be written nothing is sent
// and nothing changes.
//
// Cancelling (LinkFlags::updateInterrupted or Operator::interrupted()) ends the action at its
// next step; a controller that was unlocked is locked again first.
class ControllerActionJob {
public:
    static constexpr int MaxLockTries = 5;
    // Pauses the controller needs between the commands of an action.
    static constexpr int EraseSettleMs = 50;
    static constexpr int ClockDateSettleMs = 50;
    static constexpr int ClockTimeSettleMs = 500;
    static constexpr int RecordSettleMs = 500;
    // The WAV file goes to the sound output in pieces this long, so a cancel is heard between
    // them.
    static constexpr int SoundSliceMs = 250;
    // A DVR track holds a short message; a larger file is refused before anything is sent.
    static constexpr qint64 MaxWavBytes = 64 * 1024 * 1024;

    ControllerActionJob(Database& db, LinkFlags& flags, Operator& person);
    ~ControllerActionJob();

    // The serial link for the serial transport; null means over the air.
    void setSerialLink(SerialLink* link) { m_serial = link; }
    // The sound output: the tones over the air, the WAV file of a recording, the preview.
    void setAudioOutput(AudioOutput* output);
    void setKeyer(TransmitterKeyer keyer);
    void setDtmfDelay(int milliseconds);
    void setTxTemp(int milliseconds);
    // The PC's clock, for the clock set; the system clock by default.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // United States ("False") or International ("True") date and time texts on this PC.
    void setInternationalDates(bool international) { m_international = international; }
    // The database file a code change is written into first; the action's own databaseFile wins.
    void setDatabaseFile(const QString& path) { m_databaseFile = path; }

    // Runs the action to its end; true when the controller took it (the preview: when it played
    // to its end).
    bool run(const ControllerAction& action);

    // "The Tarsis on <port> did not acknowledge the lock code after <n> tries. ..."
    static QString lockNotAcknowledgedText(const QString& port, int tries);
    // "The WAV file <path> cannot be played: <why>. The Tarsis is locked again."
    static QString wavNotPlayedText(const QString& path, const QString& why);

private:
    bool eraseAllMacros();
    bool recordTrack(int track, const QString& wavFile);
    bool setClock();
    bool changeCode(const ControllerAction& action);
    bool previewCourtesyTone(const QStringList& values);

    bool serial() const { return m_serial != nullptr; }
    bool cancelled();
    bool openPort();
    void closePort();
    // One exchange; true when the controller acknowledged it.
    bool exchange(const QString& line);
    // The lock line, repeated until acknowledged; false (with a message) after MaxLockTries.
    bool lockSerial();
    // Keys the transmitter (with its TxTemp wait); false after telling the person.
    bool keyUp();
    void unkey();
    bool playCodes(const QStringList& codes);
    bool playUnit(const Command& command);
    // A PCM WAVE image through the sound output in slices, a cancel heard between them; false
    // with *why when it cannot be played, or (without *why) when cancelled.
    bool playImage(const QByteArray& image, QString* why);
    bool pauseFor(int milliseconds);
    void soundFailure();

    Database& m_db;
    LinkFlags& m_flags;
    Operator& m_person;
    SerialLink* m_serial = nullptr;
    AudioOutput* m_output = nullptr;
    std::unique_ptr<DtmfPlayer> m_player;
    TransmitterKeyer m_keyer;
    int m_dtmfDelay = 0;
    int m_txTemp = 0;
    std::function<QDateTime()> m_clock;
    bool m_international = false;
    QString m_databaseFile;
    bool m_soundFailed = false;
};

} // namespace kovo
