#pragma once

#include "channel.h"
#include "link_flags.h"
#include "operator.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace kovo {

// The serial programming link: writes one command line at a time and judges the controller's
// one-character answer ("+" acknowledged, "-" refused, silence timed out), with the error limit
// after three time-outs in a row.
class SerialLink {
public:
    struct Settings {
        QString comPort;     // the ComPort setting as the person chose it, for messages
        int serialDelayMs = 0;
        int answerTimeoutMs = 3000; // about three timer ticks without a usable answer
    };

    SerialLink(std::unique_ptr<Channel> channel, Operator& person, LinkFlags& flags,
               Settings settings);

    // Opens the port unless it is open; on failure shows "COM<n> is in use by another program.
    // Close the other program and try again" and sets portOpenFailed().
    bool OpenSerialPort();
    bool portOpenFailed() const { return m_portOpenFailed; }
    bool isOpen() const;
    void close();

    // Writes `line` unchanged, then pauses SerialDelay ms.
    void SendStr(const QByteArray& line);
    // Waits for and judges the answer to the command just written; the outcome is left in the
    // link flags and the error count.
    void CheckInput();
    // The exchange every command goes through: SendStr, then CheckInput.
    void sendCommand(const QString& line);

    // Called with the progress value before each percent update; the upload sets it.
    void setProgressSource(std::function<int()> progressValue);
    // The lock code written by the error-limit path ("1" + lock + CR).
    void setLockCode(const QString& lock) { m_lockCode = lock; }

    int errorCount() const { return m_errorCount; }
    Channel& channel() { return *m_channel; }

private:
    std::unique_ptr<Channel> m_channel;
    Operator& m_person;
    LinkFlags& m_flags;
    Settings m_settings;
    std::function<int()> m_progressValue;
    QString m_lockCode;
    int m_errorCount = 0;
    bool m_portOpenFailed = false;
};

} // namespace kovo
