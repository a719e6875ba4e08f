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
        QString comPort; // the ComPort setting as the person chose it, for messages
        int serialDelayMs = 0;
        int answerTimeoutMs = 3000; // about three timer ticks without a usable answer
    };

    // How the last checkInput ended.
    enum class Outcome { None, Acknowledged, Refused, TimedOut, ErrorLimit, ChannelLost };

    // The maximum of the complete upload's progress bar; checkInput turns the progress value
    // into a percentage of it.
    static constexpr int ProgressMaximum = 724;

    SerialLink(std::unique_ptr<Channel> channel, Operator& person, LinkFlags& flags,
               Settings settings);
    ~SerialLink();

    // Opens the port unless it is open; on failure shows "COM<n> is in use by another program.
    // Close the other program and try again" (the port's own name where ComPort is not a
    // number) and sets portOpenFailed(). Does nothing in DTMF mode (ComPort "0").
    bool openSerialPort();
    bool portOpenFailed() const { return m_portOpenFailed; }
    bool isOpen() const;
    void close();

    // Writes `line` unchanged, then pauses SerialDelay ms.
    void sendStr(const QByteArray& line);
    // Waits for and judges the answer to the command just written; the outcome is left in the
    // link flags, the error count and lastOutcome(). After a time-out it waits for the line to
    // fall quiet, so that a late answer is not taken for the next command's.
    void checkInput();
    // The exchange every command goes through: drops what is left of earlier answers, then
    // sendStr(line) and checkInput. `line` is the whole framed line, its CR included.
    void sendCommand(const QString& line);
    // Throws away bytes that arrived after an earlier answer was judged (a late answer, the rest
    // of an answer), so that they are not taken as the answer to the next command.
    void discardInput();

    // Called with the progress value before each percent update; the upload sets it.
    void setProgressSource(std::function<int()> progressValue);
    // The lock code written by the error-limit path ("1" + lock + CR).
    void setLockCode(const QString& lock) { m_lockCode = lock; }

    int errorCount() const { return m_errorCount; }
    Outcome lastOutcome() const { return m_lastOutcome; }
    // The answer as the last checkInput judged it (for a refusal, the whole answer).
    QByteArray lastAnswer() const { return m_lastAnswer; }
    // The port as messages name it: "COM" + ComPort for a port number, else the port's name.
    QString portLabel() const;
    const Settings& settings() const { return m_settings; }
    Channel& channel() { return *m_channel; }

private:
    void drainLateAnswer();
    void reportPercent();
    void resetProgress();

    std::unique_ptr<Channel> m_channel;
    Operator& m_person;
    LinkFlags& m_flags;
    Settings m_settings;
    std::function<int()> m_progressValue;
    QString m_lockCode;
    QByteArray m_lastAnswer;
    Outcome m_lastOutcome = Outcome::None;
    int m_errorCount = 0;
    bool m_portOpenFailed = false;
};

} // namespace kovo
