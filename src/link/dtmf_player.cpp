#include "link/dtmf_player.h"

#include "link/audio_output.h"
#include "link/dtmf_digits.h"
#include "link/link_trace.h"

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

bool DtmfPlayer::sendDtmfDigit(const QString& code) {
    m_errorText.clear();
    ++m_codesSent;
    bool ok = m_output.pause(m_dtmfDelay);
    const std::optional<DtmfTonePair> tones = digitCodeTones(code);
    if (tones) {
        ++m_digitsPlayed;
        traceLink(LinkTrace::Event::Digit, QStringLiteral("audio"), code.toLatin1());
        ok = m_output.playTonePair(tones->low, tones->high, ToneSeconds) && ok;
        // The pause that keeps two equal digits apart (see the class comment).
        ok = m_output.pause(MinimumPauseMs) && ok;
    }
    if (!ok)
        m_errorText = m_output.errorText();
    return ok;
}

bool DtmfPlayer::sendDigitString(const QString& text) {
    bool ok = true;
    QString error;
    for (const QChar c : text.trimmed()) {
        if (!sendDtmfDigit(QString(c))) {
            ok = false;
            error = m_errorText;
        }
    }
    m_errorText = error;
    return ok;
}

bool DtmfPlayer::sendDigitCodes(const QStringList& codes) {
    bool ok = true;
    QString error;
    for (const QString& code : codes) {
        if (!sendDtmfDigit(code)) {
            ok = false;
            error = m_errorText;
        }
    }
    m_errorText = error;
    return ok;
}

bool DtmfPlayer::keyUp() {
    m_errorText.clear();
    m_keyerFailed = false;
    // No sound, no transfer: the transmitter is not keyed for a silent upload.
    if (!m_output.ready()) {
        m_errorText = m_output.errorText();
        return false;
    }
    if (m_keyer) {
        QString reason;
        if (!m_keyer(true, &reason)) {
            m_errorText =
                reason.isEmpty() ? QStringLiteral("The transmitter cannot be keyed") : reason;
            m_keyerFailed = true;
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
    m_keyerFailed = false;
    if (!m_keyed)
        return true;
    bool ok = m_output.pause(UnkeyTailMs);
    if (!ok)
        m_errorText = m_output.errorText();
    if (m_keyer) {
        QString reason;
        if (!m_keyer(false, &reason)) {
            ok = false;
            m_errorText =
                reason.isEmpty() ? QStringLiteral("The transmitter cannot be unkeyed") : reason;
            m_keyerFailed = true;
        }
    }
    m_keyed = false;
    return ok;
}

bool DtmfPlayer::key(bool on) {
    const bool done = on ? keyUp() : unkey();
    // The output tells of its own failures; the keying line's are told here.
    if (!done && m_keyerFailed && m_report)
        m_report(m_errorText);
    return on ? m_keyed : true;
}

double DtmfPlayer::transferScheduleMs(int codes, int digits, int dtmfDelay, int txTemp) {
    return double(std::max(txTemp, 0)) + double(codes) * std::max(dtmfDelay, 0) +
           double(digits) * (ToneMs + MinimumPauseMs) + UnkeyTailMs;
}

} // namespace kovo
