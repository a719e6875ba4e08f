#pragma once

#include "controller_action_runner.h"
#include "link/link_flags.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

namespace kovo {

class AudioOutput;
class Channel;
class Database;
class Operator;
class SerialLink;

// Runs a controller action on the calling thread and returns when it has ended, `done` called
// before run() returns. For editor tests against the emulated Tarsis (an EmulatorChannel to a
// TarsisEmulator, or a pseudo-terminal) and for programs without a link thread.
//
// Serial when a channel is given, over the air into the audio output otherwise; the preview and
// the WAV file of a recording play on the audio output in either case.
class DirectActionRunner : public ControllerActionRunner {
public:
    DirectActionRunner(Database& db, Operator& person);
    ~DirectActionRunner() override;

    // The serial transport over `channel` (not yet open); `comPort` names it in messages.
    void useSerial(std::unique_ptr<Channel> channel, const QString& comPort = {});
    // Over the air: no serial link.
    void useDtmf();
    void setAudioOutput(AudioOutput* output) { m_output = output; }
    void setAnswerTimeoutMs(int ms) { m_answerTimeoutMs = ms; }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void setInternationalDates(bool international) { m_international = international; }
    void setDatabaseFile(const QString& path) { m_databaseFile = path; }
    void setDtmfDelay(int ms) { m_dtmfDelay = ms; }
    void setTxTemp(int ms) { m_txTemp = ms; }

    bool run(const ControllerAction& action, std::function<void(bool)> done = {}) override;
    void cancel() override { m_flags.updateInterrupted = true; }
    bool busy() const override { return m_busy; }

    SerialLink* serialLink() const { return m_serial.get(); }
    LinkFlags& flags() { return m_flags; }

private:
    Database& m_db;
    Operator& m_person;
    LinkFlags m_flags;
    std::unique_ptr<Channel> m_channel;
    std::unique_ptr<SerialLink> m_serial;
    QString m_comPort;
    AudioOutput* m_output = nullptr;
    int m_answerTimeoutMs = 3000;
    int m_dtmfDelay = 0;
    int m_txTemp = 0;
    std::function<QDateTime()> m_clock;
    bool m_international = false;
    QString m_databaseFile;
    bool m_busy = false;
};

} // namespace kovo
