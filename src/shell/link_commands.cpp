#include "link_commands.h"

#include "built_in_emulator.h"
#include "download_window.h"
#include "editors/program_info.h"
#include "gui_operator.h"
#include "link/qt_audio_output.h"
#include "link/serial_link.h"
#include "link_action_runner.h"
#include "link_description.h"
#include "link_worker.h"
#include "manual_send_window.h"
#include "touch_tone_pad.h"
#include "upload_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kovo {

LinkCommands::LinkCommands(const ShellServices& services, std::function<QString()> databaseFile,
                           QWidget* window)
    : QObject(window), m_services(services), m_window(window) {
    m_emulator = std::make_unique<BuiltInEmulator>(m_services.programFolder);
    m_link = new LinkWorker(m_services.messages, window);
    // What the emulated controller holds survives the program.
    m_link->setAfterEachJob([emulator = m_emulator.get()] { emulator->saveIfChanged(); });
    m_actionRunner = std::make_unique<LinkActionRunner>(*m_link, m_services.db, m_services.settings,
                                                        std::move(databaseFile));
    m_download = new DownloadWindow(m_link->person(), window);
}

LinkCommands::~LinkCommands() {
    m_link->shutDown();
    // The pad plays on m_padAudio, which goes before the window's children do.
    delete m_pad;
}

void LinkCommands::addMenus(QMenuBar* bar) {
    QAction* testPad = bar->addAction(QStringLiteral("&DTMF Test Pad"));
    testPad->setObjectName(QStringLiteral("MnuTestPad"));
    connect(testPad, &QAction::triggered, this, [this] { touchTonePad()->open(); });
    QAction* manual = bar->addAction(QStringLiteral("&Manual Data Send"));
    manual->setObjectName(QStringLiteral("MnuManualData"));
    connect(manual, &QAction::triggered, this, [this] { manualSendWindow()->open(); });

    QMenu* tarsis = bar->addMenu(QStringLiteral("&Tarsis"));
    tarsis->setObjectName(QStringLiteral("mnuTarsis"));
    QAction* upload = tarsis->addAction(QStringLiteral("Upload to Tarsis"));
    upload->setObjectName(QStringLiteral("mnuTarsisUpload"));
    connect(upload, &QAction::triggered, this, &LinkCommands::openUploadWindow);
    QAction* download = tarsis->addAction(QStringLiteral("Download from Tarsis"));
    download->setObjectName(QStringLiteral("mnuTarsisDownload"));
    connect(download, &QAction::triggered, this, &LinkCommands::downloadFromTarsis);
}

ControllerActionRunner* LinkCommands::actionRunner() const {
    return m_actionRunner.get();
}

const std::shared_ptr<TarsisEmulator>& LinkCommands::builtInEmulator() const {
    return m_emulator->emulator();
}

UploadWindow* LinkCommands::uploadWindow() {
    if (!m_upload) {
        m_upload = new UploadWindow(m_services.db, m_services.settings, m_services.messages,
                                    *m_link, m_window);
        connect(m_upload, &UploadWindow::uploadStarting, this, &LinkCommands::uploadStarting);
    }
    return m_upload;
}

ManualSendWindow* LinkCommands::manualSendWindow() {
    if (m_manualSend)
        return m_manualSend;
    // Each line is one job on the link thread, over the port the upload window uses.
    ManualSendRunner runner = [this](const ManualSendRequest& request, ManualSendDone done) {
        auto result = std::make_shared<ManualSendResult>();
        LinkWorker& link = *m_link;
        const int serialDelay = m_services.settings.serialDelay();
        // Too many errors lock the controller again, with the lock code of the configuration.
        const QString lock = m_services.db.storedLock();
        const bool started = link.start(
            [&link, request, serialDelay, lock, result] {
                SerialLink* serial = nullptr;
                std::shared_ptr<AudioOutput> audio;
                if (request.serial()) {
                    serial = link.serialLink(request.comPort, serialDelay);
                    if (serial)
                        serial->setLockCode(lock);
                } else {
                    link.dropSerialLink();
                    audio = link.makeAudioOutput();
                }
                *result = sendManualLine(request, serial, audio.get(), link.person());
            },
            [done, result] { done(*result); });
        if (!started) {
            m_services.messages.message(LinkWorker::busyText(), programTitle());
            done(ManualSendResult{});
        }
    };
    m_manualSend = new ManualSendWindow(
        m_services.settings, std::move(runner), [this] { m_link->closePort(); }, m_window);
    return m_manualSend;
}

TouchTonePad* LinkCommands::touchTonePad() {
    if (m_pad)
        return m_pad;
    if (!m_padAudio)
        m_padAudio = std::make_shared<QtAudioOutput>(); // the pad tells the person itself
    m_pad = new TouchTonePad(*m_padAudio, m_services.settings, m_services.messages, m_window);
    return m_pad;
}

void LinkCommands::openUploadWindow() {
    if (m_link->busy())
        return;
    uploadWindow()->prepare();
}

void LinkCommands::downloadFromTarsis() {
    if (m_link->busy())
        return;
    const QString comPort = m_services.settings.comPort();
    if (comPort == QLatin1String("0")) {
        m_services.messages.message(DownloadText::DtmfMode, DownloadText::ErrorTitle,
                                    MessageIcon::Critical);
        return;
    }
    const DownloadSettings settings = m_link->downloadSettings(m_services.programFolder, comPort);
    const int serialDelay = m_services.settings.serialDelay();
    auto result = std::make_shared<DownloadResult>();
    LinkWorker& link = *m_link;
    Database& db = m_services.db;
    m_download->follow(linkDescription(m_services.settings));
    const bool started = link.start(
        [&link, &db, settings, serialDelay, result] {
            GuiOperator& person = link.person();
            QString problem;
            SerialLink* serial = link.serialLink(settings.comPort, serialDelay, &problem);
            if (!serial) {
                person.message(LinkWorker::unusablePortText(settings.comPort, problem),
                               DownloadText::ErrorTitle);
                result->outcome = DownloadOutcome::PortFailed;
                return;
            }
            *result = runDownload(db, serial->channel(), person, settings);
            if (result->outcome == DownloadOutcome::TimedOut && serial->isOpen() &&
                !serial->channel().healthy()) {
                person.message(QStringLiteral("The connection to %1 was lost. Check your "
                                              "connections then try again")
                                   .arg(serial->portLabel()),
                               DownloadText::ErrorTitle);
                link.dropSerialLink();
            }
        },
        [this, result] {
            m_download->finish();
            m_lastDownload = *result;
            emit downloadEnded(*result);
        });
    if (!started)
        m_download->finish();
}

void LinkCommands::shutDown() {
    if (m_manualSend)
        m_manualSend->close();
    // Closes the serial port; a transfer still running stops at its next check.
    m_link->shutDown();
}

} // namespace kovo
