#include "link_worker.h"

#include "gui_operator.h"
#include "link/channel_factory.h"
#include "link/link_trace.h"
#include "link/qt_audio_output.h"
#include "link/serial_link.h"

#include <QCoreApplication>
#include <QDateTime>

namespace kovo {

LinkWorker::LinkWorker(MessageService& messages, QObject* parent)
    : QObject(parent), m_person(new GuiOperator(messages, this)) {
    m_thread.setObjectName(QStringLiteral("KovoLink"));
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
}

LinkWorker::~LinkWorker() {
    shutDown();
}

QString LinkWorker::busyText() {
    return QStringLiteral("A transfer with the Tarsis is running. Wait until it has finished.");
}

QString LinkWorker::unusablePortText(const QString& port, const QString& problem) {
    return QStringLiteral("The port %1 cannot be used (%2). Choose another port in the "
                          "Configure Kovo menu and try again")
        .arg(port, problem);
}

bool LinkWorker::start(Job job, std::function<void()> done) {
    if (m_busy || m_shutDown)
        return false;
    m_busy = true;
    m_person->setCancelled(false);
    emit busyChanged(true);
    QMetaObject::invokeMethod(
        m_context,
        [this, job = std::move(job), done = std::move(done)] {
            // Support sees the last job that talked to the controller.
            if (const std::shared_ptr<LinkTrace> trace = LinkTrace::installed())
                trace->armJob(QStringLiteral("Kovo link job of %1")
                                  .arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
            job();
            noteState();
            if (m_afterEachJob)
                m_afterEachJob();
            // The worker outlives its thread's queue: shutDown() waits for this thread.
            QMetaObject::invokeMethod(
                this,
                [this, done] {
                    m_busy = false;
                    if (m_shutDown)
                        return;
                    if (done)
                        done();
                    emit busyChanged(false);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

void LinkWorker::noteState() {
    m_portOpen = m_serial && m_serial->isOpen();
}

SerialLink* LinkWorker::serialLink(const QString& comPort, int serialDelayMs, QString* error) {
    const int timeout = m_answerTimeoutMs;
    // A port whose far end went away (an adapter pulled out) is opened afresh.
    if (m_serial &&
        (m_serialPort != comPort || m_serialDelayMs != serialDelayMs ||
         m_serialTimeoutMs != timeout || (m_serial->isOpen() && !m_serial->channel().healthy())))
        dropSerialLink();
    if (!m_serial) {
        QString problem;
        std::unique_ptr<Channel> channel = ChannelFactory::create(comPort, &problem);
        if (!channel) {
            if (error)
                *error = problem;
            return nullptr;
        }
        SerialLink::Settings settings;
        settings.comPort = comPort;
        settings.serialDelayMs = qMax(0, serialDelayMs);
        settings.answerTimeoutMs = timeout;
        m_serial = std::make_unique<SerialLink>(std::move(channel), *m_person, m_flags, settings);
        m_serialPort = comPort;
        m_serialDelayMs = serialDelayMs;
        m_serialTimeoutMs = timeout;
    }
    return m_serial.get();
}

void LinkWorker::dropSerialLink() {
    if (m_serial)
        m_serial->close();
    m_serial.reset();
    m_portOpen = false;
}

std::shared_ptr<AudioOutput> LinkWorker::makeAudioOutput() {
    if (m_audioFactory)
        return m_audioFactory();
    return std::make_shared<QtAudioOutput>();
}

void LinkWorker::setDownloadTiming(int silenceTickMs, int ostrikAnswerDelayMs) {
    m_silenceTickMs = silenceTickMs;
    m_ostrikAnswerDelayMs = ostrikAnswerDelayMs;
}

DownloadSettings LinkWorker::downloadSettings(const QString& programFolder,
                                              const QString& comPort) const {
    DownloadSettings settings;
    settings.programFolder = programFolder;
    settings.comPort = comPort;
    settings.silenceTickMs = m_silenceTickMs;
    settings.ostrikAnswerDelayMs = m_ostrikAnswerDelayMs;
    return settings;
}

void LinkWorker::closePort() {
    if (m_shutDown)
        return;
    auto close = [this] {
        if (m_serial)
            m_serial->close();
    };
    // As a job of its own when the thread is free, so that busy() covers it; else after the
    // running job.
    if (start(close))
        return;
    QMetaObject::invokeMethod(
        m_context,
        [this, close] {
            close();
            noteState();
        },
        Qt::QueuedConnection);
}

void LinkWorker::shutDown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_flags.updateInterrupted = true;
    m_person->abandon();
    // Queued behind the running job: the port is closed on the thread that owns it.
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            dropSerialLink();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_thread.wait();
    m_busy = false;
}

} // namespace kovo
