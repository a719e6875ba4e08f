#include "upload_window.h"

#include "database/database.h"
#include "database/program_settings.h"
#include "editors/message_service.h"
#include "gui_operator.h"
#include "link/audio_output.h"
#include "link/dtmf_upload_job.h"
#include "link/line_sink.h"
#include "link/serial_link.h"
#include "link/transmitter_keying.h"
#include "link_description.h"
#include "link_worker.h"
#include "window_placement.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <memory>

namespace kovo {

namespace {

const QString Section = QStringLiteral("Update");
const QString ZeroPercent = QStringLiteral("0% Complete");

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// What the link thread needs to know of the settings, read on the GUI thread.
struct UploadSettings {
    QString comPort;
    int serialDelay = 0;
    QString dtmfComPort;
    QString whichSend;
    int dtmfDelay = 0;
    int txTemp = 0;
};

} // namespace

UploadWindow::UploadWindow(Database& db, ProgramSettings& settings, MessageService& messages,
                           LinkWorker& link, QWidget* parent)
    : QDialog(parent), m_db(db), m_settings(settings), m_messages(messages), m_link(link) {
    setObjectName(QStringLiteral("Update"));
    setWindowTitle(QStringLiteral("Send To Tarsis"));
    setWindowModality(Qt::ApplicationModal);

    m_complete = makeButton("Complete", QStringLiteral("&Send Complete Config"), this);
    m_update = makeButton("Update", QStringLiteral("&Update Changes Only"), this);
    m_interrupt = makeButton("Interrupt", QStringLiteral("&Interrupt Upload"), this);
    m_close = makeButton("Close", QStringLiteral("&Close"), this);
    m_linkInUse = new QLabel(this);
    m_linkInUse->setObjectName(QStringLiteral("LinkInUse"));
    m_progressLabel = new QLabel(QStringLiteral("Upload Progress"), this);
    m_progressLabel->setObjectName(QStringLiteral("ProgressLabel"));
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, ProgressMaximum);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_percent = new QLabel(ZeroPercent, this);
    m_percent->setObjectName(QStringLiteral("PercentProgress"));
    m_percent->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_linkInUse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_complete);
    buttons->addWidget(m_update);
    layout->addLayout(buttons);
    auto* lower = new QHBoxLayout;
    lower->addWidget(m_interrupt);
    lower->addWidget(m_close);
    layout->addLayout(lower);
    layout->addWidget(m_progressLabel);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_percent);

    connect(m_complete, &QPushButton::clicked, this, &UploadWindow::uploadComplete);
    connect(m_update, &QPushButton::clicked, this, &UploadWindow::updateChangesOnly);
    connect(m_interrupt, &QPushButton::clicked, this, &UploadWindow::interruptUpload);
    connect(m_close, &QPushButton::clicked, this, &UploadWindow::closeWindow);
    connect(&m_link.person(), &GuiOperator::progressed, this, &UploadWindow::progressed);
    connect(&m_link, &LinkWorker::busyChanged, this, &UploadWindow::linkBusy);
    linkBusy(m_link.busy());
    setUploading(false);
    showProgress(false);
}

QString UploadWindow::linkText() const {
    return m_linkInUse->text();
}

void UploadWindow::prepare() {
    m_linkInUse->setText(QStringLiteral("Link: ") + linkDescription(m_settings));
    showProgress(false);
    if (!m_geometryRestored) {
        restoreGeometry();
        m_geometryRestored = true;
    }
    show();
    raise();
    activateWindow();

    const QString comPort = m_settings.comPort();
    if (comPort == QLatin1String("0"))
        return; // DTMF mode: no serial port to open
    const int serialDelay = m_settings.serialDelay();
    LinkWorker& link = m_link;
    link.start([&link, comPort, serialDelay] {
        QString problem;
        SerialLink* serial = link.serialLink(comPort, serialDelay, &problem);
        if (!serial) {
            link.person().message(LinkWorker::unusablePortText(comPort, problem),
                                  QStringLiteral("Error!"));
            return;
        }
        if (!serial->portOpenFailed())
            serial->openSerialPort();
    });
}

void UploadWindow::uploadComplete() {
    if (m_link.busy())
        return;
    if (m_messages.ask(QStringLiteral("Are you sure you want to update your complete "
                                      "configuration? It could take some time"),
                       QStringLiteral("Send Complete Configuration"),
                       Buttons::YesNo) != Answer::Yes)
        return;
    m_progressBar->setRange(0, ProgressMaximum);
    m_progressBar->setValue(0);
    m_percent->setText(ZeroPercent);
    showProgress(true);
    runUpload(true);
}

void UploadWindow::updateChangesOnly() {
    if (m_link.busy())
        return;
    runUpload(false);
}

void UploadWindow::runUpload(bool complete) {
    emit uploadStarting(complete);
    UploadSettings settings;
    settings.comPort = m_settings.comPort();
    settings.serialDelay = m_settings.serialDelay();
    settings.dtmfComPort = m_settings.dtmfComPort();
    settings.whichSend = m_settings.whichSend();
    settings.dtmfDelay = m_settings.dtmfDelay().toInt();
    settings.txTemp = m_settings.txTemp().toInt();

    auto result = std::make_shared<UploadResult>();
    // The link gave up (error limit, line lost): it has closed the port, the window hides.
    auto gaveUp = std::make_shared<bool>(false);
    LinkWorker& link = m_link;
    Database& db = m_db;
    const bool started = link.start(
        [&link, &db, settings, complete, result, gaveUp] {
            GuiOperator& person = link.person();
            if (settings.comPort != QLatin1String("0")) {
                QString problem;
                SerialLink* serial =
                    link.serialLink(settings.comPort, settings.serialDelay, &problem);
                if (!serial) {
                    person.message(LinkWorker::unusablePortText(settings.comPort, problem),
                                   QStringLiteral("Error!"));
                    return;
                }
                SerialLinkLineSink lines(*serial);
                Upload upload(db, link.flags(), person, lines);
                *result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
                *gaveUp = serial->lastOutcome() == SerialLink::Outcome::ErrorLimit ||
                          serial->lastOutcome() == SerialLink::Outcome::ChannelLost;
                return;
            }
            // Over the air: the serial port is not in use, and the keying line may be it.
            link.dropSerialLink();
            const std::shared_ptr<AudioOutput> output = link.makeAudioOutput();
            DtmfUploadJob job(db, link.flags(), person, *output);
            job.setDtmfDelay(settings.dtmfDelay);
            job.setTxTemp(settings.txTemp);
            job.setKeyer(TransmitterKeying::makeKeyer(settings.dtmfComPort, settings.whichSend));
            *result = job.run(complete);
        },
        [this, complete, result, gaveUp] { uploadEnded(complete, *result, *gaveUp); });
    setUploading(started);
}

void UploadWindow::uploadEnded(bool complete, const UploadResult& result, bool linkGaveUp) {
    setUploading(false);
    m_lastResult = result;
    switch (result.outcome) {
    case UploadOutcome::Completed:
        if (complete) {
            m_progressBar->setValue(m_progressBar->minimum());
            m_percent->setText(ZeroPercent);
            m_percent->hide();
        }
        hide();
        break;
    case UploadOutcome::Interrupted:
        // Interrupt hid the window already.
        m_progressBar->setValue(m_progressBar->minimum());
        m_percent->setText(ZeroPercent);
        hide();
        break;
    case UploadOutcome::Aborted:
        if (linkGaveUp) {
            m_progressBar->setValue(m_progressBar->minimum());
            m_percent->setText(ZeroPercent);
            hide();
        }
        break;
    case UploadOutcome::NotStarted:
        break;
    }
    emit uploadFinished();
}

void UploadWindow::interruptUpload() {
    if (m_messages.ask(QStringLiteral("Are you sure you want to interrupt the update?"),
                       QStringLiteral("Interrupt Update"), Buttons::YesNo) != Answer::Yes)
        return;
    m_messages.message(QStringLiteral("Please wait while I finish the current operation"),
                       QStringLiteral("Wait"));
    m_link.flags().updateInterrupted = true;
    // Asked once: the upload stops after the command under way.
    m_interrupt->setEnabled(false);
    hide();
    m_progressBar->setValue(m_progressBar->minimum());
    m_percent->setText(ZeroPercent);
}

void UploadWindow::closeWindow() {
    hide();
    m_link.flags().updateInterrupted = false;
    writeGeometry();
    m_link.closePort();
}

void UploadWindow::closeEvent(QCloseEvent* event) {
    closeWindow();
    event->accept();
}

void UploadWindow::reject() {
    closeWindow();
}

void UploadWindow::progressed(int value, int maximum, const QString& label) {
    if (!m_uploading)
        return;
    if (maximum > 0 && m_progressBar->maximum() != maximum)
        m_progressBar->setMaximum(maximum);
    m_progressBar->setValue(qBound(m_progressBar->minimum(), value, m_progressBar->maximum()));
    m_percent->setText(label);
}

void UploadWindow::linkBusy(bool busy) {
    const QString tip = busy ? LinkWorker::busyText() : QString();
    for (QPushButton* button : {m_complete, m_update}) {
        button->setEnabled(!busy);
        button->setStatusTip(tip);
        button->setToolTip(tip);
    }
}

void UploadWindow::setUploading(bool uploading) {
    m_uploading = uploading;
    m_interrupt->setEnabled(uploading);
}

void UploadWindow::showProgress(bool visible) {
    m_progressLabel->setVisible(visible);
    m_progressBar->setVisible(visible);
    m_percent->setVisible(visible);
}

void UploadWindow::restoreGeometry() {
    const WindowPlacement placement = m_settings.placement(Section);
    if (const auto rect = reachablePlacement(placement, QSize(200, 100))) {
        setGeometry(*rect);
        return;
    }
    adjustSize();
    resize(qMax(width(), 420), height());
    if (const QWidget* owner = parentWidget()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(owner->geometry().center());
        move(frame.topLeft());
    }
}

void UploadWindow::writeGeometry() {
    WindowPlacement placement;
    const QRect rect = geometry();
    placement.width = rect.width();
    placement.height = rect.height();
    placement.top = rect.top();
    placement.left = rect.left();
    placement.state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    placement.present = true;
    m_settings.setPlacement(Section, placement);
}

} // namespace kovo
