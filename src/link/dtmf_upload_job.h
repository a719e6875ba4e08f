#pragma once

#include "link/digit_sink.h"
#include "link/dtmf_player.h"
#include "link/upload.h"

#include <QString>

namespace kovo {

class AudioOutput;
class Database;
class Operator;
struct LinkFlags;

// An upload over the air: the DTMF player on an audio output (the sound card, or a WAV file to be
// played into the radio later), the transmitter keyed around the whole transfer (`doComPort`),
// `TxTemp` of silence after keying and `DTMFDelay` before every digit.
//
// What the person is told, through the Operator, once per upload: an output that cannot play at
// all ("No sound output device: the tones cannot be played. The upload stopped before anything
// was sent.") before anything is keyed, after which the upload does not start; a keying line
// that cannot be driven (the transmitter is then left unkeyed and the upload does not start);
// and an output that fails in the middle of the transfer, which stops the upload at once ("… The
// upload stopped: the command being played and those after it were not sent."; the rest would
// go out as silence while the transmitter is keyed). The command whose tones failed
// was not heard whole, so its item keeps its pending flags, like every item after it.
class DtmfUploadJob : public DigitSink {
public:
    DtmfUploadJob(Database& db, LinkFlags& flags, Operator& person, AudioOutput& output);

    void setDtmfDelay(int milliseconds) { m_player.setDtmfDelay(milliseconds); }
    void setTxTemp(int milliseconds) { m_player.setTxTemp(milliseconds); }
    // No keyer: nothing is keyed (a WAV file, or a transmitter keyed by hand).
    void setKeyer(TransmitterKeyer keyer) { m_player.setKeyer(std::move(keyer)); }
    // Called with every command just before it goes out.
    void setCommandObserver(std::function<void(const Command&)> observer) {
        m_observer = std::move(observer);
    }

    // sendCompleteData (complete) or sendChangesOnly, then the output is finished (a WAV file
    // is put in place).
    UploadResult run(bool complete);

    // True when the output failed to play (or to write) some of the transfer; soundError() says
    // why. An upload whose sound failed did not reach the controller whole, whatever its outcome.
    bool soundFailed() const { return m_soundFailed; }
    QString soundError() const { return m_soundError; }
    const DtmfPlayer& player() const { return m_player; }

    // DigitSink: the upload's digits and keying go to the player.
    void sendDigit(const QString& digitCode) override;
    bool key(bool on) override;
    bool failed() const override { return m_soundFailed; }

private:
    // Tells the person (once) that the sound failed and the upload stopped, and stops it.
    void soundFailure(const QString& text, bool beforeSending);

    Database& m_db;
    LinkFlags& m_flags;
    Operator& m_person;
    AudioOutput& m_output;
    DtmfPlayer m_player;
    std::function<void(const Command&)> m_observer;
    bool m_soundFailed = false;
    QString m_soundError;
};

} // namespace kovo
