#include "shell/manual_send_window.h"

#include "database/program_settings.h"
#include "editors/message_service.h"
#include "link/audio_output.h"
#include "link/dtmf_player.h"
#include "link/qt_audio_output.h"
#include "window_placement.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <chrono>
#include <thread>

namespace kovo {

namespace {

// The quiet between opening (or finding open) the port and writing the line.
constexpr int QuietBeforeLineMs = 100;

QString portLabel(const QString& comPort) {
    const QString port = comPort.trimmed();
    bool number = !port.isEmpty();
    for (const QChar c : port)
        number = number && c >= u'0' && c <= u'9';
    return number ? QStringLiteral("COM") + port : port;
}

ManualSendResult::Status statusOf(SerialLink::Outcome outcome) {
    using Status = ManualSendResult::Status;
    switch (outcome) {
    case SerialLink::Outcome::Acknowledged:
        return Status::Acknowledged;
    case SerialLink::Outcome::Refused:
        return Status::Refused;
    case SerialLink::Outcome::ErrorLimit:
        return Status::ErrorLimit;
    case SerialLink::Outcome::ChannelLost:
        return Status::ChannelLost;
    case SerialLink::Outcome::TimedOut:
    case SerialLink::Outcome::None:
        break;
    }
    return Status::TimedOut;
}

ManualSendResult sendSerially(const ManualSendRequest& request, SerialLink* serial,
                              Operator& person) {
    ManualSendResult result;
    if (!serial) {
        // The port cannot even be named to the system: to the person it is a port that cannot
        // be opened.
        person.message(portLabel(request.comPort) +
                       QStringLiteral(" is in use by another program. Close the other program and "
                                      "try again"));
        result.status = ManualSendResult::Status::PortNotOpen;
        return result;
    }
    if (!serial->isOpen() && !serial->openSerialPort()) {
        result.status = ManualSendResult::Status::PortNotOpen; // the link has told the person
        return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(QuietBeforeLineMs));
    // The line goes out exactly as typed: the person types the port digit and the body.
    serial->sendCommand(request.line + QLatin1Char('\r'));
    result.status = statusOf(serial->lastOutcome());
    result.answer = serial->lastAnswer();
    return result;
}

ManualSendResult sendAsTones(const ManualSendRequest& request, AudioOutput* audio, Operator& person,
                             const TransmitterKeying::ChannelMaker& keyingChannels) {
    ManualSendResult result;
    if (!audio) {
        result.status = ManualSendResult::Status::SoundFailed;
        result.error = QtAudioOutput::noDeviceText();
        person.message(result.error);
        return result;
    }
    DtmfPlayer player(*audio);
    player.setDtmfDelay(request.dtmfDelay);
    player.setTxTemp(0); // typed by hand: no key-up delay
    player.setKeyer(
        TransmitterKeying::makeKeyer(request.dtmfComPort, request.whichSend, keyingChannels));

    if (!player.keyUp()) {
        // No sound output (nothing was keyed) or the keying line could not be driven (the
        // player has dropped it again).
        const bool noSound = !audio->ready();
        result.error = player.errorText();
        if (player.keyed())
            player.unkey();
        if (result.error.isEmpty())
            result.error = noSound ? QtAudioOutput::noDeviceText()
                                   : QStringLiteral("The transmitter cannot be keyed");
        result.status = noSound || player.keyed() ? ManualSendResult::Status::SoundFailed
                                                  : ManualSendResult::Status::KeyingFailed;
        person.message(result.error);
        return result;
    }

    QString soundError;
    if (!player.sendDigitString(request.line))
        soundError = player.errorText();
    const bool unkeyed = player.unkey();
    const QString unkeyError = unkeyed ? QString() : player.errorText();
    if (!audio->finish() && soundError.isEmpty())
        soundError = audio->errorText();

    if (!soundError.isEmpty() || (!unkeyed && !unkeyError.isEmpty())) {
        result.status = ManualSendResult::Status::SoundFailed;
        result.error = !soundError.isEmpty()
                           ? soundError
                           : unkeyError; // the line could not be dropped: the person must know
        if (result.error.isEmpty())
            result.error = QStringLiteral("The sound output failed: the tones cannot be played");
        person.message(result.error);
        return result;
    }
    result.status = ManualSendResult::Status::Played;
    return result;
}

} // namespace

ManualSendResult sendManualLine(const ManualSendRequest& request, SerialLink* serial,
                                AudioOutput* audio, Operator& person,
                                const TransmitterKeying::ChannelMaker& keyingChannels) {
    if (request.serial())
        return sendSerially(request, serial, person);
    return sendAsTones(request, audio, person, keyingChannels);
}

QString transcriptLine(const ManualSendRequest& request, const ManualSendResult& result) {
    using Status = ManualSendResult::Status;
    QString outcome;
    switch (result.status) {
    case Status::Acknowledged:
    case Status::Refused:
        // The controller's own words: "+", or "-" and its reason.
        outcome = QString::fromLatin1(result.answer).trimmed();
        break;
    case Status::TimedOut:
        outcome = QStringLiteral("no answer within the time-out");
        break;
    case Status::ErrorLimit:
        outcome = QStringLiteral("no answer within the time-out; too many errors, port closed");
        break;
    case Status::ChannelLost:
        outcome = QStringLiteral("the port went away before the answer");
        break;
    case Status::PortNotOpen:
        outcome = QStringLiteral("not sent: the port cannot be opened");
        break;
    case Status::Played:
        outcome = QStringLiteral("played as DTMF tones");
        break;
    case Status::SoundFailed:
    case Status::KeyingFailed:
        outcome = QStringLiteral("not played: ") + result.error;
        break;
    case Status::NotStarted:
        outcome = QStringLiteral("not sent: the link is busy");
        break;
    }
    return request.line + QStringLiteral("   ") + outcome;
}

// --- MessageServiceOperator -------------------------------------------------------------------

void MessageServiceOperator::message(const QString& text, const QString& title, MessageIcon icon) {
    m_messages.message(text, title, icon);
}

Answer MessageServiceOperator::ask(const QString& text, const QString& title, Buttons buttons) {
    return m_messages.ask(text, title, buttons);
}

// --- ManualSendWindow ---------------------------------------------------------------------------

ManualSendWindow::ManualSendWindow(ProgramSettings& settings, ManualSendRunner runner,
                                   std::function<void()> closePort, QWidget* parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_runner(std::move(runner)),
      m_closePort(std::move(closePort)) {
    setObjectName(QStringLiteral("ManualSendData"));
    setWindowTitle(caption());

    auto* prompt = new QLabel(
        QStringLiteral("&Type the port digit and the command (for example 2*100030), then press "
                       "Enter:"),
        this);
    prompt->setObjectName(QStringLiteral("lblManualSendData"));
    prompt->setWordWrap(true);
    m_box = new QLineEdit(this);
    m_box->setObjectName(QStringLiteral("ManualSendData"));
    m_box->setMinimumWidth(260);
    m_box->installEventFilter(this);
    prompt->setBuddy(m_box);
    connect(m_box, &QLineEdit::textChanged, this, &ManualSendWindow::onTextChanged);

    m_close = new QPushButton(QStringLiteral("&Close"), this);
    m_close->setObjectName(QStringLiteral("Close"));
    m_close->setAutoDefault(false);
    connect(m_close, &QPushButton::clicked, this, &ManualSendWindow::closeWindow);

    auto* sent = new QLabel(QStringLiteral("&Lines sent and the controller's answers:"), this);
    sent->setObjectName(QStringLiteral("lblTranscript"));
    m_transcript = new QPlainTextEdit(this);
    m_transcript->setObjectName(QStringLiteral("Transcript"));
    m_transcript->setReadOnly(true);
    m_transcript->setLineWrapMode(QPlainTextEdit::NoWrap);
    sent->setBuddy(m_transcript);

    auto* layout = new QGridLayout(this);
    layout->addWidget(prompt, 0, 0, 1, 2);
    layout->addWidget(m_box, 1, 0);
    layout->addWidget(m_close, 1, 1);
    layout->addWidget(sent, 2, 0, 1, 2);
    layout->addWidget(m_transcript, 3, 0, 1, 2);
    layout->setRowStretch(3, 1);
}

ManualSendWindow::~ManualSendWindow() = default;

ManualSendRunner
ManualSendWindow::synchronousRunner(SerialLink* serial, AudioOutput* audio, Operator& person,
                                    TransmitterKeying::ChannelMaker keyingChannels) {
    return [serial, audio, &person, keyingChannels = std::move(keyingChannels)](
               const ManualSendRequest& request, ManualSendDone done) {
        const ManualSendResult result =
            sendManualLine(request, serial, audio, person, keyingChannels);
        if (done)
            done(result);
    };
}

void ManualSendWindow::open() {
    m_opened = true;
    if (!isVisible()) {
        const int state = applyPlacement();
        if (state == 2)
            showMaximized();
        else if (state == 1)
            showMinimized();
        else
            show();
    } else if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
    m_box->setFocus(Qt::OtherFocusReason);
}

int ManualSendWindow::applyPlacement() {
    const WindowPlacement placement = m_settings.placement(placementSection());
    if (const auto rect = reachablePlacement(placement, QSize(120, 30), 30)) {
        setGeometry(*rect);
        return placement.state;
    }
    resize(sizeHint().expandedTo(QSize(520, 260)));
    const QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
    QRect area;
    if (over && over->isVisible())
        area = over->geometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(area.center());
        move(frame.topLeft());
    }
    return 0;
}

void ManualSendWindow::writePlacement() {
    const QRect rect = (isMaximized() || isMinimized()) ? normalGeometry() : geometry();
    WindowPlacement placement;
    placement.width = rect.width();
    placement.height = rect.height();
    placement.top = rect.top();
    placement.left = rect.left();
    placement.state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    placement.present = true;
    m_settings.setPlacement(placementSection(), placement);
}

void ManualSendWindow::onTextChanged(const QString& text) {
    m_pending = text;
}

bool ManualSendWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            sendTypedLine();
            return true; // Enter never reaches the box
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ManualSendWindow::keyPressEvent(QKeyEvent* event) {
    // Escape closes this window as it closes every other one.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        closeWindow();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString ManualSendWindow::transcript() const {
    return m_transcript->toPlainText();
}

void ManualSendWindow::sendTypedLine() {
    // One line at a time; an empty line sends nothing.
    if (m_sending || m_pending.isEmpty() || !m_runner)
        return;
    ManualSendRequest request;
    request.line = m_pending;
    request.comPort = m_settings.comPort();
    request.dtmfComPort = m_settings.dtmfComPort();
    request.whichSend = m_settings.whichSend();
    request.dtmfDelay = m_settings.dtmfDelay().toInt();
    request.serialDelayMs = m_settings.serialDelay();

    m_sending = true;
    m_box->setReadOnly(true);
    QPointer<ManualSendWindow> self(this);
    m_runner(request, [self, request](const ManualSendResult& result) {
        if (self)
            self->exchangeEnded(request, result);
    });
}

void ManualSendWindow::exchangeEnded(const ManualSendRequest& request,
                                     const ManualSendResult& result) {
    if (!m_sending)
        return; // told twice
    m_sending = false;
    m_box->setReadOnly(false);
    // A line that was never taken stays in the box to be sent again.
    if (result.status != ManualSendResult::Status::NotStarted) {
        m_pending.clear();
        m_box->clear();
        m_transcript->appendPlainText(transcriptLine(request, result));
    }
    emit lineSent(request, result);
}

void ManualSendWindow::closeWindow() {
    if (m_closing)
        return;
    m_closing = true;
    if (m_opened)
        writePlacement();
    hide();
    if (m_closePort)
        m_closePort();
    m_closing = false;
}

void ManualSendWindow::closeEvent(QCloseEvent* event) {
    closeWindow();
    event->accept();
}

} // namespace kovo
