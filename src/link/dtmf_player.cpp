#include "link/dtmf_player.h"

#include "link/audio_output.h"
#include "link/dtmf_digits.h"

#include <algorithm>

namespace kovo {

DtmfPlayer::DtmfPlayer(AudioOutput& output) : m_output(output) {}

void DtmfPlayer::setDtmfDelay(int milliseconds) {
    m_dtmfDelay = std::max(milliseconds, 0);
}

void DtmfPlayer::setTxTemp(int milliseconds) {
    m_txTemp = std::max(milliseconds, 0);
}

void DtmfPlayer::resetCounts() {
    m_codesSent = 0;
    m_digitsPlayed = 0;
}

bool DtmfPlayer::SendDTMFDigit(const QString& code) {
    m_errorText.clear();
    ++m_codesSent;
    bool ok = m_output.pause(m_dtmfDelay);
    const std::optional<DtmfTonePair> tones = DigitCodeTones(code);
    if (tones) {
        ++m_digitsPlayed;
        ok = m_output.playTonePair(tones->low, tones->high, ToneSeconds) && ok;
        // The pause that keeps two equal digits apart (see the class comment).
        ok = m_output.pause(MinimumPauseMs) && ok;
    }
    if (!ok)
        m_errorText = m_output.errorText();
    return ok;
}

bool DtmfPlayer::SendDigitString(const QString& text) {
    bool ok = true;
    QString error;
    for (const QChar c : text.trimmed()) {
        if (!SendDTMFDigit(QString(c))) {
            ok = false;
            error = m_errorText;
        }
    }
    m_errorText = error;
    return ok;
}

bool DtmfPlayer::SendDigitCodes(const QStringList& codes) {
    bool ok = true;
    QString error;
    for (const QString& code : codes) {
        if (!SendDTMFDigit(code)) {
            ok = false;
            error = m_errorText;
        }
    }
    m_errorText = error;
    return ok;
}

bool DtmfPlayer::keyUp() {
    m_errorText.clear();
    if (m_keyer) {
        QString reason;
        if (!m_keyer(true, &reason)) {
            m_errorText =
                reason.isEmpty() ? QStringLiteral("The transmitter cannot be keyed") : reason;
            // Whatever the line did, leave it unkeyed.
            m_keyer(false, nullptr);
            return false;
        }
    }
    m_keyed = true;
    if (!m_output.pause(m_txTemp)) {
        m_errorText = m_output.errorText();
        return false;
    }
    return true;
}

bool DtmfPlayer::unkey() {
    m_errorText.clear();
    bool ok = m_output.pause(UnkeyTailMs);
    if (!ok)
        m_errorText = m_output.errorText();
    if (m_keyer) {
        QString reason;
        if (!m_keyer(false, &reason)) {
            ok = false;
            m_errorText =
                reason.isEmpty() ? QStringLiteral("The transmitter cannot be unkeyed") : reason;
        }
    }
    m_keyed = false;
    return ok;
}

double DtmfPlayer::TransferScheduleMs(int codes, int digits, int dtmfDelay, int txTemp) {
    return double(std::max(txTemp, 0)) + double(codes) * std::max(dtmfDelay, 0) +
           double(digits) * (ToneMs + MinimumPauseMs) + UnkeyTailMs;
}

} // namespace kovo
