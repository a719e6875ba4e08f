#include "serial_link.h"

#include <QLoggingCategory>
#include <chrono>
#include <cmath>
#include <thread>

namespace kovo {

namespace {
Q_LOGGING_CATEGORY(lcLink, "kovo.link", QtInfoMsg)

using Clock = std::chrono::steady_clock;

// A refusal may reach us in pieces; the rest of it is taken until the line has been quiet this
// long (a 9600-baud line carries about ten characters in 10 ms), but never for longer than
// RefusalMaxMs in all.
constexpr int RefusalQuietMs = 100;
constexpr int RefusalMaxMs = 1000;
// After a time-out the line is given at most this many time-outs to fall quiet.
constexpr int LateAnswerLimit = 4;

bool isDecimal(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

int msUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

SerialLink::SerialLink(std::unique_ptr<Channel> channel, Operator& person, LinkFlags& flags,
                       Settings settings)
    : m_channel(std::move(channel)), m_person(person), m_flags(flags),
      m_settings(std::move(settings)) {}

SerialLink::~SerialLink() = default;

QString SerialLink::portLabel() const {
    const QString port = m_settings.comPort.trimmed();
    if (isDecimal(port))
        return QStringLiteral("COM") + port;
    if (!port.isEmpty())
        return port;
    return m_channel ? m_channel->portName() : QString();
}

bool SerialLink::isOpen() const {
    return m_channel && m_channel->isOpen();
}

void SerialLink::close() {
    if (m_channel)
        m_channel->close();
}

bool SerialLink::openSerialPort() {
    if (m_settings.comPort.trimmed() == QLatin1String("0"))
        return false; // DTMF mode: there is no serial port
    if (!m_channel)
        return false;
    if (m_channel->isOpen())
        return true;
    QString reason;
    if (!m_channel->open(&reason)) {
        qCInfo(lcLink) << "opening" << portLabel() << "failed:" << reason;
        m_portOpenFailed = true;
        m_person.message(portOpenFailedMessage(portLabel(), reason));
        return false;
    }
    m_portOpenFailed = false;
    return true;
}

void SerialLink::sendStr(const QByteArray& line) {
    qCDebug(lcLink) << "sent" << line;
    if (m_channel && m_channel->isOpen() && !m_channel->write(line))
        qCInfo(lcLink) << "could not write to" << portLabel();
    if (m_settings.serialDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_settings.serialDelayMs));
}

void SerialLink::discardInput() {
    if (!m_channel || !m_channel->isOpen())
        return;
    for (;;) {
        const QByteArray stale = m_channel->read(0);
        if (stale.isEmpty())
            return;
        qCDebug(lcLink) << "discarded" << stale;
    }
}

void SerialLink::drainLateAnswer() {
    // An answer later than the time-out would be taken for the next command's: wait until the
    // line has been quiet for as long as an answer may take, but never for more than a few
    // time-outs on a line that keeps chattering.
    if (!m_channel || !m_channel->isOpen())
        return;
    const auto quiet = std::chrono::milliseconds(m_settings.answerTimeoutMs);
    const auto giveUp = Clock::now() + LateAnswerLimit * quiet;
    auto quietUntil = Clock::now() + quiet;
    for (;;) {
        const int left = msUntil(std::min(quietUntil, giveUp));
        if (left <= 0 || !m_channel->healthy())
            return;
        const QByteArray late = m_channel->read(left);
        if (!late.isEmpty()) {
            qCDebug(lcLink) << "late answer dropped" << late;
            quietUntil = Clock::now() + quiet;
        }
    }
}

void SerialLink::sendCommand(const QString& line) {
    discardInput();
    sendStr(line.toLatin1());
    checkInput();
}

void SerialLink::setProgressSource(std::function<int()> progressValue) {
    m_progressValue = std::move(progressValue);
}

void SerialLink::reportPercent() {
    if (!m_progressValue)
        return;
    const int value = m_progressValue();
    // Rounded half to even and kept in one byte, as the percentage display has always shown it.
    const int percent = static_cast<int>(std::nearbyint(value / 7.24)) & 0xFF;
    m_person.progress(value, ProgressMaximum,
                      QString::number(percent) + QStringLiteral("% Complete"));
}

void SerialLink::resetProgress() {
    if (m_progressValue)
        m_person.progress(0, ProgressMaximum, QStringLiteral("0% Complete"));
}

void SerialLink::checkInput() {
    m_lastAnswer.clear();
    m_lastOutcome = Outcome::None;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_settings.answerTimeoutMs);
    bool firstPass = true;
    for (;;) {
        QByteArray answer;
        if (m_channel && m_channel->isOpen()) {
            // The first pass only takes what has already arrived, so that the error-limit test
            // below comes before any waiting.
            answer = m_channel->read(firstPass ? 0 : msUntil(deadline));
        } else if (!firstPass) {
            std::this_thread::sleep_until(deadline); // nothing can arrive on a closed port
        }
        firstPass = false;
        if (!answer.isEmpty()) {
            qCDebug(lcLink) << "received" << answer;
            m_lastAnswer = answer; // each read replaces what the previous one brought
        }

        if (answer.startsWith('+')) {
            m_flags.commandAcknowledged = true;
            m_errorCount = 0;
            m_lastOutcome = Outcome::Acknowledged;
            break;
        }
        if (answer.startsWith('-')) {
            const auto giveUp = Clock::now() + std::chrono::milliseconds(RefusalMaxMs);
            while (m_channel->isOpen() && Clock::now() < giveUp) {
                const QByteArray more =
                    m_channel->read(qMin(RefusalQuietMs, qMax(1, msUntil(giveUp))));
                if (more.isEmpty())
                    break;
                answer += more;
            }
            m_lastAnswer = answer;
            m_lastOutcome = Outcome::Refused;
            m_person.message(QStringLiteral("There has been an error. The Tarsis returned ") +
                             QString::fromLatin1(answer) + QStringLiteral("    "));
            m_flags.updateAborted = true;
            resetProgress();
            return;
        }
        if (Clock::now() >= deadline) {
            m_person.message(QStringLiteral("Kovo is unable to communicate with the Tarsis. "
                                            "Check your connections then try again"));
            ++m_errorCount;
            m_lastOutcome = Outcome::TimedOut;
            drainLateAnswer();
            break;
        }
        if (m_errorCount > 2) {
            m_person.message(QStringLiteral("Too Many Errors. Please check your serial "
                                            "connection and try again"),
                             QStringLiteral("Error!"));
            sendStr("1" + m_lockCode.toLatin1() + "\r");
            close();
            m_errorCount = 0;
            m_flags.updateAborted = true;
            m_flags.updateInterrupted = true;
            m_lastOutcome = Outcome::ErrorLimit;
            resetProgress();
            return;
        }
        if (m_channel && m_channel->isOpen() && !m_channel->healthy()) {
            // The adapter was unplugged or the far end went away: no answer can come.
            m_person.message(QStringLiteral("The connection to %1 was lost. Check your "
                                            "connections then try again")
                                 .arg(portLabel()),
                             QStringLiteral("Error!"));
            close();
            m_errorCount = 0;
            m_flags.updateAborted = true;
            m_flags.updateInterrupted = true;
            m_lastOutcome = Outcome::ChannelLost;
            resetProgress();
            return;
        }
    }
    reportPercent();
}

} // namespace kovo
