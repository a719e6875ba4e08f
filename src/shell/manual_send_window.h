#pragma once

#include "link/operator.h"
#include "link/serial_link.h"
#include "link/transmitter_keying.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kovo {

class AudioOutput;
class MessageService;
class ProgramSettings;

// One line typed into the manual send window, with the link settings as they were when Enter
// was pressed (so the job never reads the settings while the menus may change them).
struct ManualSendRequest {
    QString line;          // exactly as typed: port digit and command body, no CR
    QString comPort;       // `ComPort`: "0" sends the line as DTMF tones, anything else serially
    QString dtmfComPort;   // `DTMFComPort`: the port whose handshake line keys the transmitter
    QString whichSend;     // `WhichSend`: "1" keys with DTR, anything else with RTS
    int dtmfDelay = 0;     // `DTMFDelay`, ms before every digit
    int serialDelayMs = 0; // `SerialDelay`, ms after the line (for the runner making the link)

    bool serial() const { return comPort.trimmed() != QLatin1String("0"); }
};

// How one manual exchange ended. The person has already been told of every failure (through
// the Operator the exchange ran with) by the time this is handed back.
struct ManualSendResult {
    enum class Status {
        Acknowledged, // the controller answered "+"
        Refused,      // it answered "-" (the answer is in `answer`)
        TimedOut,     // no usable answer within the answer time-out
        ErrorLimit,   // the fourth silent wait in a row: lock code sent, port closed
        ChannelLost,  // the port went away during the wait
        PortNotOpen,  // the serial port could not be opened; nothing was written
        Played,       // DTMF mode: keyed, the digits played, unkeyed
        SoundFailed,  // DTMF mode: no sound output, or the tones could not be played
        KeyingFailed, // DTMF mode: the transmitter could not be keyed; nothing was played
        NotStarted,   // the runner could not take the line (another job runs): the box keeps it
    };
    Status status = Status::PortNotOpen;
    QByteArray answer; // serial mode: the answer as it was judged
    QString error;     // DTMF mode: what went wrong, as the person was told
};

// Runs one manual exchange on the thread that owns the link, synchronously:
//  - serial mode: `openSerialPort` (nothing when the port is open already), 100 ms of quiet,
//    the line and a CR written with `sendStr`, the answer judged by `checkInput` (whose
//    messages go to the link's Operator); `serial` may be null when the port named by `ComPort`
//    cannot be used at all, which is told as a port that cannot be opened;
//  - DTMF mode: `doComPort(True)` on `DTMFComPort` (through `keyingChannels`, the channel
//    factory by default), the trimmed line played one `DigitCode` per character on `audio`
//    (characters outside the keypad play nothing), `doComPort(False)`; no key-up delay and no
//    unlock or lock code are added. Failures are told through `person`.
ManualSendResult sendManualLine(const ManualSendRequest& request, SerialLink* serial,
                                AudioOutput* audio, Operator& person,
                                const TransmitterKeying::ChannelMaker& keyingChannels = {});

// Hands one request to whoever runs link jobs and returns at once; `done` must be called once,
// on the GUI thread, when the exchange has ended.
using ManualSendDone = std::function<void(const ManualSendResult&)>;
using ManualSendRunner = std::function<void(const ManualSendRequest&, ManualSendDone done)>;

// An Operator that shows its messages and questions through a MessageService on the calling
// thread. It is what a job that runs on the GUI thread (the synchronous runner) talks through.
class MessageServiceOperator : public Operator {
public:
    explicit MessageServiceOperator(MessageService& messages) : m_messages(messages) {}

    void message(const QString& text, const QString& title = {},
                 MessageIcon icon = MessageIcon::None) override;
    Answer ask(const QString& text, const QString& title, Buttons buttons) override;
    void progress(int, int, const QString&) override {}
    bool interrupted() override { return false; }

private:
    MessageService& m_messages;
};

// How one ended exchange reads in the window's transcript: the line, then the controller's answer
// or what became of the line.
QString transcriptLine(const ManualSendRequest& request, const ManualSendResult& result);

// The manual send window `ManualSendWindow`, captioned "Manual Send Data To Tarsis": one text box
// `ManualSendData` under a label saying what to type, a `Close` button, and under them the
// transcript `Transcript` of every line sent with its answer. Enter sends the typed line over the
// configured link (serial line + CR, or DTMF tones with the transmitter keyed) and clears the box
// once the exchange has ended; Enter on an empty box sends nothing. Escape closes the window. While
// a line is out the box is read only, so nothing typed then is lost when the box is cleared. Close
// (and closing the window) hides it, writes its placement to section "Manualsend" of kovo.ini and
// closes the serial port; open() reads the placement back.
//
// Wiring it into the main window (`MnuManualData` "&Manual Data Send"), with the link thread
// (LinkWorker) running the exchange:
//
//     auto runner = [this](const ManualSendRequest& request, ManualSendDone done) {
//         LinkWorker* worker = m_worker;
//         auto result = std::make_shared<ManualSendResult>();
//         const bool started = worker->start(
//             [worker, request, result] { // on the link thread
//                 SerialLink* link = nullptr;
//                 std::shared_ptr<AudioOutput> audio;
//                 if (request.serial()) {
//                     QString problem;
//                     link = worker->serialLink(request.comPort, request.serialDelayMs, &problem);
//                     if (!link) {
//                         worker->person().message(
//                             LinkWorker::unusablePortText(request.comPort, problem));
//                         result->status = ManualSendResult::Status::PortNotOpen;
//                         return;
//                     }
//                 } else {
//                     worker->dropSerialLink(); // the keying line may be that port
//                     audio = worker->makeAudioOutput();
//                 }
//                 *result = sendManualLine(request, link, audio.get(), worker->person());
//             },
//             [done, result] { done(*result); }); // on the GUI thread
//         if (!started) {
//             m_messages.message(LinkWorker::busyText());
//             done({ManualSendResult::Status::NotStarted});
//         }
//     };
//     m_manualSend = new ManualSendWindow(m_settings, runner, [this] { m_worker->closePort(); },
//                                       this);
//     connect(menuAction("MnuManualData"), &QAction::triggered, m_manualSend,
//             &ManualSendWindow::open);
//
// The job's messages (the answer, the time-out, the error limit, the port in use, the keying
// line, the sound output) go to the link thread's Operator, which shows them as modal boxes on
// the GUI thread while the job waits. At exit the main window calls close() on the window, which
// writes its placement when it has been opened (the window being unloaded).
//
// Tests (and a program without a link thread) use synchronousRunner, which runs the exchange on
// the calling thread before Enter returns.
class ManualSendWindow : public QWidget {
    Q_OBJECT

public:
    static QString caption() { return QStringLiteral("Manual Send Data To Tarsis"); }
    static QString placementSection() { return QStringLiteral("Manualsend"); }

    // `closePort` may be empty (nothing to close). The window is a top-level window over
    // `parent`. The settings give `ComPort`, `DTMFComPort`, `WhichSend` and `DTMFDelay` as they
    // are when Enter is pressed, and the placement.
    ManualSendWindow(ProgramSettings& settings, ManualSendRunner runner,
                     std::function<void()> closePort, QWidget* parent = nullptr);
    ~ManualSendWindow() override;

    // Runs sendManualLine at once, on the calling thread, over `serial` and `audio` (either may
    // be null: that transport then reports that it cannot be used), and then calls `done`.
    static ManualSendRunner synchronousRunner(SerialLink* serial, AudioOutput* audio,
                                              Operator& person,
                                              TransmitterKeying::ChannelMaker keyingChannels = {});

    // Shows the window where section "Manualsend" placed it (normal, minimised or maximised)
    // and puts the cursor into the text box.
    void open();

    // True from Enter until the exchange has ended.
    bool sending() const { return m_sending; }
    // The text typed so far, as the box's change handler copied it.
    QString pending() const { return m_pending; }
    // Every line sent since the window was made, one per exchange, as transcriptLine gives it.
    QString transcript() const;

signals:
    // An exchange has ended (after the box was cleared).
    void lineSent(const ManualSendRequest& request, const ManualSendResult& result);

public slots:
    void closeWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void onTextChanged(const QString& text);
    void sendTypedLine();
    void exchangeEnded(const ManualSendRequest& request, const ManualSendResult& result);
    // Places the window as section "Manualsend" says; returns the window state to show it in.
    int applyPlacement();
    void writePlacement();

    ProgramSettings& m_settings;
    ManualSendRunner m_runner;
    std::function<void()> m_closePort;
    QLineEdit* m_box = nullptr;
    QPushButton* m_close = nullptr;
    QPlainTextEdit* m_transcript = nullptr;
    QString m_pending;
    bool m_sending = false;
    bool m_closing = false;
    bool m_opened = false; // open() has shown it at least once
};

} // namespace kovo
