#include "direct_action_runner.h"

#include "link/channel.h"
#include "link/controller_action_job.h"
#include "link/serial_link.h"

namespace kovo {

DirectActionRunner::DirectActionRunner(Database& db, Operator& person)
    : m_db(db), m_person(person) {}

DirectActionRunner::~DirectActionRunner() {
    if (m_serial)
        m_serial->close();
}

void DirectActionRunner::useSerial(std::unique_ptr<Channel> channel, const QString& comPort) {
    m_serial.reset();
    m_channel = std::move(channel);
    m_comPort = comPort.isEmpty() && m_channel ? m_channel->portName() : comPort;
}

void DirectActionRunner::useDtmf() {
    if (m_serial)
        m_serial->close();
    m_serial.reset();
    m_channel.reset();
}

bool DirectActionRunner::run(const ControllerAction& action, std::function<void(bool)> done) {
    if (m_busy)
        return false;
    m_busy = true;
    if (m_channel && !m_serial) {
        SerialLink::Settings settings;
        settings.comPort = m_comPort;
        settings.answerTimeoutMs = m_answerTimeoutMs;
        m_serial = std::make_unique<SerialLink>(std::move(m_channel), m_person, m_flags, settings);
    }
    ControllerActionJob job(m_db, m_flags, m_person);
    job.setSerialLink(m_serial.get());
    job.setDtmfDelay(m_dtmfDelay);
    job.setTxTemp(m_txTemp);
    job.setAudioOutput(m_output);
    if (m_clock)
        job.setClock(m_clock);
    job.setInternationalDates(m_international);
    job.setDatabaseFile(m_databaseFile);
    const bool succeeded = job.run(action);
    m_busy = false;
    if (done)
        done(succeeded);
    return true;
}

} // namespace kovo
