#include "link/dtmf_upload_job.h"

#include "link/audio_output.h"
#include "link/link_flags.h"
#include "link/operator.h"
#include "link/qt_audio_output.h"

namespace kovo {

DtmfUploadJob::DtmfUploadJob(Database& db, LinkFlags& flags, Operator& person, AudioOutput& output)
    : m_db(db), m_flags(flags), m_person(person), m_output(output), m_player(output) {}

UploadResult DtmfUploadJob::run(bool complete) {
    m_soundFailed = false;
    m_soundError.clear();
    m_player.resetCounts();
    Upload upload(m_db, m_flags, m_person, *this);
    if (m_observer)
        upload.setCommandObserver(m_observer);
    const UploadResult result = complete ? upload.sendCompleteData() : upload.sendChangesOnly();
    if (!m_output.finish() && !m_soundFailed) {
        m_soundFailed = true;
        m_soundError = m_output.errorText();
        m_person.message(m_soundError);
    }
    return result;
}

void DtmfUploadJob::soundFailure(const QString& text, bool beforeSending) {
    if (m_soundFailed)
        return;
    m_soundFailed = true;
    m_soundError = text.isEmpty()
                       ? QStringLiteral("The sound output failed: the tones cannot be played")
                       : text;
    QString told = m_soundError;
    if (!told.endsWith(u'.'))
        told += u'.';
    told += beforeSending
                ? QStringLiteral(" The upload stopped before anything was sent.")
                : QStringLiteral(" The upload stopped: the command being played and those after "
                                 "it were not sent.");
    m_person.message(told);
    // The rest would be silence on a keyed transmitter: the upload stops at once.
    m_flags.updateInterrupted = true;
}

void DtmfUploadJob::sendDigit(const QString& digitCode) {
    if (m_soundFailed)
        return;
    if (!m_player.sendDtmfDigit(digitCode))
        soundFailure(m_player.errorText(), false);
}

bool DtmfUploadJob::key(bool on) {
    if (on) {
        if (m_player.keyUp())
            return true;
        // No sound (nothing was keyed), the line could not be driven (the player has unkeyed
        // it), or the key-up silence failed with the transmitter keyed.
        const bool soundFault = !m_output.ready() || m_player.keyed();
        const QString text = m_player.errorText();
        if (m_player.keyed())
            m_player.unkey();
        if (soundFault) {
            soundFailure(!m_output.ready() && text.isEmpty() ? QtAudioOutput::noDeviceText() : text,
                         true);
            m_flags.updateInterrupted = false;
        } else {
            m_person.message(text);
        }
        return false;
    }
    if (!m_player.unkey() && m_player.errorText() != m_soundError) {
        const QString text = m_player.errorText();
        if (!text.isEmpty())
            m_person.message(text);
    }
    return true;
}

} // namespace kovo
