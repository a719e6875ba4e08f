#pragma once

#include "link/digit_sink.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace kovo {

class AudioOutput;

// keys (true) or unkeys (false) the transmitter, normally through DTR or RTS of `DTMFComPort`.
// Returns false, with a reason for the person in *reason (which may be null), when the line cannot
// be driven.
using TransmitterKeyer = std::function<bool(bool keyed, QString* reason)>;

// Plays DTMF digits on an AudioOutput: the touch-tone pad's digits and the digits of a transfer
// over the air.
//
// Timing of one digit (`sendDtmfDigit`): `DTMFDelay` ms of silence, the 60 ms tone pair, then at
// least MinimumPauseMs of silence. The pause after the tone is what lets a decoder hear two equal
// digits in a row ("000", "DDD") as separate digits: without it, `DTMFDelay` = 0 would join
// them into one long tone. It is part of the audio itself (written into the sound stream or the
// WAV file), so it holds whatever the audio path. `DTMFDelay` adds to it: the silence between
// two tones is `DTMFDelay` + 40 ms. A code that is not a digit costs its `DTMFDelay` only.
//
// A keyed transfer: keyUp() keys the transmitter and waits `TxTemp` ms (as silence, so a WAV
// file of the transfer starts with the key-up delay); the digits follow; unkey() plays
// UnkeyTailMs of silence, so the last tone has left the sound device and the radio before the
// carrier drops, and then unkeys.
//
// As the DigitSink of an upload: sendDigit is sendDtmfDigit, key(true) is keyUp and key(false)
// unkey; a keying failure is told through the reporter.
class DtmfPlayer : public DigitSink {
public:
    static constexpr double ToneSeconds = 0.06;
    static constexpr int ToneMs = 60;
    static constexpr int MinimumPauseMs = 40;
    static constexpr int UnkeyTailMs = 200;

    explicit DtmfPlayer(AudioOutput& output);

    // `DTMFDelay`, ms of silence before every digit; negative counts as 0.
    void setDtmfDelay(int milliseconds);
    int dtmfDelay() const { return m_dtmfDelay; }
    // `TxTemp`, ms between keying and the first digit; negative counts as 0.
    void setTxTemp(int milliseconds);
    int txTemp() const { return m_txTemp; }
    // No keyer: keyUp() and unkey() only play their silences (a WAV file of a transfer).
    void setKeyer(TransmitterKeyer keyer) { m_keyer = std::move(keyer); }
    // Where key() tells the person that the transmitter could not be keyed or unkeyed.
    void setReporter(std::function<void(const QString& text)> report) {
        m_report = std::move(report);
    }

    void sendDigit(const QString& digitCode) override { sendDtmfDigit(digitCode); }
    bool key(bool on) override;

    // Plays one `DigitCode` as above. A code that is not a digit plays nothing (after its delay)
    // and is not a failure; false when the output could not play the tone or the silence.
    bool sendDtmfDigit(const QString& code);
    // Trims `text` and plays each character as one `DigitCode`; other characters play nothing.
    // False when any tone failed; the rest is still played.
    bool sendDigitString(const QString& text);
    // Plays each entry as one `DigitCode`. False when any tone failed; the rest is still played.
    bool sendDigitCodes(const QStringList& codes);

    // `doComPort(True)` and the `TxTemp` wait. False (and nothing played) when the output has no
    // sound device (the transmitter then stays unkeyed) or keying failed.
    bool keyUp();
    // The silent tail and `doComPort(False)`. False when the silence or the unkeying failed; the
    // keyer is asked to unkey in any case. Nothing happens when the transmitter is not keyed.
    bool unkey();
    bool keyed() const { return m_keyed; }

    // Why the last call failed; empty when it did not.
    QString errorText() const { return m_errorText; }

    // What was sent since construction (or resetCounts): codes given to sendDtmfDigit, and those
    // that were digits and so played a tone.
    int codesSent() const { return m_codesSent; }
    int digitsPlayed() const { return m_digitsPlayed; }
    void resetCounts();

    // The audio length, in ms, of a keyed transfer of `codes` digit codes of which `digits` are
    // digits: `TxTemp` + codes x `DTMFDelay` + digits x (60 + 40) + UnkeyTailMs.
    static double transferScheduleMs(int codes, int digits, int dtmfDelay, int txTemp);

private:
    AudioOutput& m_output;
    TransmitterKeyer m_keyer;
    std::function<void(const QString&)> m_report;
    int m_dtmfDelay = 0;
    int m_txTemp = 0;
    bool m_keyed = false;
    bool m_keyerFailed = false; // the last keyUp or unkey failed at the keying line
    int m_codesSent = 0;
    int m_digitsPlayed = 0;
    QString m_errorText;
};

} // namespace kovo
