#include "link_action_runner.h"

#include "database/database.h"
#include "database/program_settings.h"
#include "gui_operator.h"
#include "link/audio_output.h"
#include "link/controller_action_job.h"
#include "link/serial_link.h"
#include "link/transmitter_keying.h"
#include "link_worker.h"

#include <memory>

namespace kovo {

LinkActionRunner::LinkActionRunner(LinkWorker& link, Database& db, ProgramSettings& settings,
                                   std::function<QString()> databaseFile)
    : m_link(link), m_db(db), m_settings(settings), m_databaseFile(std::move(databaseFile)) {}

bool LinkActionRunner::run(const ControllerAction& action, std::function<void(bool)> done) {
    struct Settings {
        QString comPort;
        int serialDelay = 0;
        QString dtmfComPort;
        QString whichSend;
        int dtmfDelay = 0;
        int txTemp = 0;
        bool international = false;
        QString databaseFile;
    } settings;
    settings.comPort = m_settings.comPort();
    settings.serialDelay = m_settings.serialDelay();
    settings.dtmfComPort = m_settings.dtmfComPort();
    settings.whichSend = m_settings.whichSend();
    settings.dtmfDelay = m_settings.dtmfDelay().toInt();
    settings.txTemp = m_settings.txTemp().toInt();
    settings.international = m_db.value(u"DateFormat") == QLatin1String("True");
    if (m_databaseFile)
        settings.databaseFile = m_databaseFile();

    auto succeeded = std::make_shared<bool>(false);
    LinkWorker& link = m_link;
    Database& db = m_db;
    return link.start(
        [&link, &db, action, settings, succeeded] {
            GuiOperator& person = link.person();
            ControllerActionJob job(db, link.flags(), person);
            job.setInternationalDates(settings.international);
            job.setDatabaseFile(settings.databaseFile);
            job.setDtmfDelay(settings.dtmfDelay);
            job.setTxTemp(settings.txTemp);
            const bool preview = action.kind == ControllerAction::Kind::PreviewCourtesyTone;
            std::shared_ptr<AudioOutput> output;
            if (!preview && settings.comPort != QLatin1String("0")) {
                QString problem;
                SerialLink* serial =
                    link.serialLink(settings.comPort, settings.serialDelay, &problem);
                if (!serial) {
                    person.message(LinkWorker::unusablePortText(settings.comPort, problem),
                                   QStringLiteral("Error!"));
                    return;
                }
                job.setSerialLink(serial);
                if (action.kind == ControllerAction::Kind::RecordTrack)
                    output = link.makeAudioOutput();
            } else {
                if (!preview)
                    link.dropSerialLink(); // the keying line may be the same port
                output = link.makeAudioOutput();
                job.setKeyer(
                    TransmitterKeying::makeKeyer(settings.dtmfComPort, settings.whichSend));
            }
            job.setAudioOutput(output.get());
            *succeeded = job.run(action);
        },
        [done, succeeded] {
            if (done)
                done(*succeeded);
        });
}

void LinkActionRunner::cancel() {
    m_link.flags().updateInterrupted = true;
}

bool LinkActionRunner::busy() const {
    return m_link.busy();
}

} // namespace kovo
