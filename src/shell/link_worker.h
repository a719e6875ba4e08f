#pragma once

#include "link/download.h"
#include "link/link_flags.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace kovo {

class AudioOutput;
class GuiOperator;
class MessageService;
class SerialLink;

// The link thread of the desktop program. One worker thread owns the serial port and runs one
// link job at a time (an upload, a download, a manual command, opening or closing the port); the
// GUI thread starts jobs and hears about them through signals and completion callbacks, and never
// waits for the port itself.
//
// The port stays open between jobs: a job asks serialLink() for the link to the configured port,
// which keeps the open port while the settings stay the same and closes it when they change.
// closePort() closes it (the upload window's Close), shutDown() closes it at the end of the
// program.
class LinkWorker : public QObject {
    Q_OBJECT

public:
    using Job = std::function<void()>;
    using AudioFactory = std::function<std::shared_ptr<AudioOutput>()>;

    explicit LinkWorker(MessageService& messages, QObject* parent = nullptr);
    ~LinkWorker() override;

    // Runs `job` on the link thread, then `done` on the GUI thread. False, and nothing runs,
    // while another job runs or after shutDown(). The Escape flag is cleared for the new job.
    bool start(Job job, std::function<void()> done = {});
    bool busy() const { return m_busy; }
    // Why transfers are refused while a job runs, for status tips.
    static QString busyText();
    // A port name that names no port this program can open.
    static QString unusablePortText(const QString& port, const QString& problem);

    // --- inside a job, on the link thread ----------------------------------------------------
    // The serial link to `comPort` with these settings, made (not opened) when there is none or
    // the settings changed; null with *error when the port name is not usable.
    SerialLink* serialLink(const QString& comPort, int serialDelayMs, QString* error = nullptr);
    // Closes the port and forgets the link (the keying line may need the same port).
    void dropSerialLink();
    // A fresh sound output for one transfer over the air.
    std::shared_ptr<AudioOutput> makeAudioOutput();
    // The download's settings for this program folder and port, with the timing set here.
    DownloadSettings downloadSettings(const QString& programFolder, const QString& comPort) const;

    // --- any thread -----------------------------------------------------------------------
    // Closes the port after the running job (if any) has ended.
    void closePort();
    // The port as the last job left it.
    bool portOpen() const { return m_portOpen; }
    // Ends the running job at its next check without asking anybody, closes the port and ends
    // the thread. Later jobs are refused. GUI thread.
    void shutDown();
    bool isShutDown() const { return m_shutDown; }

    LinkFlags& flags() { return m_flags; }
    GuiOperator& person() { return *m_person; }

    // The answer time-out of the serial link (about three seconds; tests shorten it).
    void setAnswerTimeoutMs(int ms) { m_answerTimeoutMs = ms; }
    int answerTimeoutMs() const { return m_answerTimeoutMs; }
    // What makes the sound output of a transfer (default: the sound card). Called on the link
    // thread.
    void setAudioFactory(AudioFactory factory) { m_audioFactory = std::move(factory); }
    // Runs on the link thread after every job (the built-in emulator keeps its memory).
    void setAfterEachJob(Job hook) { m_afterEachJob = std::move(hook); }
    // Silence tick and the pause before each answer to the autopatch board, for the download.
    void setDownloadTiming(int silenceTickMs, int ostrikAnswerDelayMs);

signals:
    void busyChanged(bool busy);

private:
    void noteState();

    QThread m_thread;
    QObject* m_context = nullptr; // lives on m_thread; jobs are queued to it
    GuiOperator* m_person = nullptr;
    LinkFlags m_flags;
    std::unique_ptr<SerialLink> m_serial; // link thread only
    QString m_serialPort;
    int m_serialDelayMs = 0;
    int m_serialTimeoutMs = 0;
    AudioFactory m_audioFactory;
    Job m_afterEachJob;
    std::atomic<int> m_answerTimeoutMs{3000};
    std::atomic<int> m_silenceTickMs{1000};
    std::atomic<int> m_ostrikAnswerDelayMs{1000};
    std::atomic<bool> m_portOpen{false};
    bool m_busy = false;
    bool m_shutDown = false;
};

} // namespace kovo
