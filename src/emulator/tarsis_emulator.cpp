#include "tarsis_emulator.h"

#include <QLoggingCategory>
#include <chrono>

namespace kovo {

namespace {
Q_LOGGING_CATEGORY(lcEmulator, "kovo.emulator", QtInfoMsg)

using Clock = InProcessDevice::Clock;

const QByteArray Garbage = QByteArrayLiteral(" +~#?");

Clock::duration wireTime(qsizetype bytes) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(bytes) * TarsisEmulator::ByteSeconds));
}

bool parseCount(const QString& text, int* value) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 0)
        return false;
    *value = n;
    return true;
}

} // namespace

std::optional<EmulatorFaults> EmulatorFaults::parse(const QString& faultList, QString* error) {
    EmulatorFaults faults;
    const auto fail = [&](const QString& item) -> std::optional<EmulatorFaults> {
        if (error)
            *error = QStringLiteral("bad fault \"%1\"").arg(item);
        return std::nullopt;
    };
    for (const QString& raw : faultList.split(u',', Qt::SkipEmptyParts)) {
        const QString item = raw.trimmed().toLower();
        QString name = item;
        QString argument;
        QString from;
        const qsizetype colon = item.indexOf(u':');
        if (colon >= 0) {
            name = item.left(colon);
            argument = item.mid(colon + 1);
        }
        const qsizetype at = (colon >= 0 ? argument : name).indexOf(u'@');
        if (at >= 0) {
            if (colon >= 0) {
                from = argument.mid(at + 1);
                argument = argument.left(at);
            } else {
                from = name.mid(at + 1);
                name = name.left(at);
            }
        }
        int value = 0;
        int start = 1;
        if (!from.isEmpty() && (!parseCount(from, &start) || start < 1))
            return fail(item);
        if (name == QLatin1String("silence")) {
            if (!parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.silenceCount = value;
            faults.silenceFrom = start;
        } else if (name == QLatin1String("nak")) {
            if (!from.isEmpty() || !parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.nakAt = value;
        } else if (name == QLatin1String("refuse")) {
            if (!parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.refuseCount = value;
            faults.refuseFrom = start;
        } else if (name == QLatin1String("garbage")) {
            if (argument.isEmpty())
                value = -1;
            else if (!parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.garbageCount = value;
            faults.garbageFrom = start;
        } else if (name == QLatin1String("drop")) {
            if (!from.isEmpty() || !parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.dropAt = value;
        } else if (name == QLatin1String("pace")) {
            if (!argument.isEmpty() || !from.isEmpty())
                return fail(item);
            faults.paced = true;
        } else if (name == QLatin1String("delay")) {
            if (!from.isEmpty() || !parseCount(argument, &value))
                return fail(item);
            faults.answerDelayMs = value;
        } else if (name == QLatin1String("split")) {
            if (!from.isEmpty() || !parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.splitGapMs = value;
        } else if (name == QLatin1String("echo")) {
            if (!argument.isEmpty() || !from.isEmpty())
                return fail(item);
            faults.echo = true;
        } else if (name == QLatin1String("late")) {
            if (!parseCount(argument, &value) || value < 1)
                return fail(item);
            faults.lateMs = value;
            faults.lateFrom = start;
        } else if (name == QLatin1String("board-garbage")) {
            if (!argument.isEmpty() || !from.isEmpty())
                return fail(item);
            faults.boardGarbage = true;
        } else {
            return fail(item);
        }
    }
    return faults;
}

TarsisEmulator::TarsisEmulator() = default;

TarsisEmulator::TarsisEmulator(const EmulatorFaults& faults) : m_faults(faults) {}

void TarsisEmulator::setFaults(const EmulatorFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_faults = faults;
}

EmulatorFaults TarsisEmulator::faults() const {
    std::lock_guard lock(m_mutex);
    return m_faults;
}

void TarsisEmulator::hostConnected() {
    std::lock_guard lock(m_mutex);
    m_line.clear();
    m_lineOverflow = false;
    m_stream = Stream::None;
    m_streamItems.clear();
    m_hungUp = false;
    m_rxFree = {};
    m_txFree = {};
}

bool TarsisEmulator::inRange(int from, int count) const {
    if (count == 0)
        return false;
    if (m_exchanges < from)
        return false;
    return count < 0 || m_exchanges < from + count;
}

std::vector<InProcessDevice::Delivery> TarsisEmulator::hostWrote(const QByteArray& bytes,
                                                                 Clock::time_point now) {
    std::lock_guard lock(m_mutex);
    std::vector<Delivery> out;
    const auto byteTime = wireTime(1);
    for (const char byte : bytes) {
        if (m_hungUp)
            break;
        Clock::time_point arrived = now;
        if (m_faults.paced) {
            m_rxFree = std::max(m_rxFree, now) + byteTime;
            arrived = m_rxFree;
        }
        if (byte == '\n')
            continue; // a line feed after the CR carries nothing
        if (m_line.isEmpty() && !m_lineOverflow && (byte == 'G' || byte == 'S')) {
            // The message recorder's start and stop marks: single characters, no answer.
            m_received.append(QString(QLatin1Char(byte)));
            continue;
        }
        if (byte != '\r') {
            if (m_line.size() < MaxLineLength)
                m_line.append(byte);
            else
                m_lineOverflow = true;
            continue;
        }
        QString line = QString::fromLatin1(m_line);
        const bool overflow = m_lineOverflow;
        m_line.clear();
        m_lineOverflow = false;
        if (line.isEmpty() && !overflow)
            continue; // a bare CR is no command
        bool hangUp = false;
        std::optional<QByteArray> answer;
        int lateMs = 0;
        if (overflow) {
            ++m_exchanges;
            m_received.append(line);
            answer = QByteArrayLiteral("-Line too long");
        } else {
            answer = exchange(line, &hangUp, &lateMs);
        }
        if (m_trace)
            m_trace(line,
                    hangUp ? QByteArrayLiteral("(line dropped)") : answer.value_or(QByteArray()));
        if (hangUp) {
            m_hungUp = true;
            Delivery drop;
            drop.due = std::max(arrived, m_txFree);
            drop.hangUp = true;
            out.push_back(drop);
            break;
        }
        if (answer)
            schedule(out, *answer, arrived, lateMs);
    }
    return out;
}

void TarsisEmulator::schedule(std::vector<Delivery>& out, const QByteArray& answer,
                              Clock::time_point arrived, int extraDelayMs) {
    if (answer.isEmpty())
        return;
    auto start = arrived + std::chrono::milliseconds(m_faults.answerDelayMs + extraDelayMs);
    start = std::max(start, m_txFree);
    const auto byteTime = m_faults.paced ? wireTime(1) : Clock::duration::zero();
    if (m_faults.splitGapMs > 0 && answer.size() > 1) {
        // All but the last byte, then the last byte after the gap.
        const qsizetype head = answer.size() - 1;
        const auto first = start + byteTime * head;
        out.push_back(Delivery{answer.left(head), first, false});
        m_txFree = first + std::chrono::milliseconds(m_faults.splitGapMs) + byteTime;
        out.push_back(Delivery{answer.right(1), m_txFree, false});
        return;
    }
    // A paced answer is handed over whole once its last byte has crossed the line, so that one
    // chunk of a download is one read at the host, as on a real line at this speed.
    const auto due = start + byteTime * answer.size();
    out.push_back(Delivery{answer, due, false});
    m_txFree = due;
}

std::optional<QByteArray> TarsisEmulator::exchange(const QString& line, bool* hangUp, int* lateMs) {
    ++m_exchanges;
    m_received.append(line);
    if (m_faults.dropAt > 0 && m_exchanges == m_faults.dropAt) {
        *hangUp = true;
        return std::nullopt;
    }
    if (inRange(m_faults.silenceFrom, m_faults.silenceCount))
        return std::nullopt; // not heard
    if (inRange(m_faults.lateFrom, m_faults.lateMs > 0 ? -1 : 0))
        *lateMs = m_faults.lateMs;
    if ((m_faults.nakAt > 0 && m_exchanges == m_faults.nakAt) ||
        inRange(m_faults.refuseFrom, m_faults.refuseCount))
        return QByteArrayLiteral("-Refused");
    if (m_faults.boardGarbage && (line == QLatin1String("1SendAPEram") ||
                                  (m_stream == Stream::Ostrik && line == QLatin1String("o")))) {
        m_stream = Stream::Ostrik;
        return Garbage;
    }
    std::optional<QByteArray> answer = naturalAnswer(line);
    if (answer && inRange(m_faults.garbageFrom, m_faults.garbageCount))
        return Garbage;
    return answer;
}

std::optional<QByteArray> TarsisEmulator::naturalAnswer(const QString& line) {
    // A download in progress: each acknowledgement brings the next chunk.
    if (m_stream == Stream::Memory && line == QLatin1String("OK")) {
        if (m_streamNext < m_streamItems.size())
            return m_streamItems.at(m_streamNext++).toLatin1();
        m_stream = Stream::None;
        return QByteArrayLiteral("Complete");
    }
    if (m_stream == Stream::Ostrik && line == QLatin1String("o")) {
        const QByteArray record = m_streamItems.value(m_streamNext++).toLatin1();
        if (m_streamNext >= m_streamItems.size())
            m_stream = Stream::None;
        return record;
    }
    m_stream = Stream::None;

    if (line == QLatin1String("1SendEram")) {
        m_streamItems = m_memory.memoryLines();
        m_streamNext = 0;
        if (m_streamItems.isEmpty())
            return QByteArrayLiteral("Complete");
        m_stream = Stream::Memory;
        return m_streamItems.at(m_streamNext++).toLatin1();
    }
    if (line == QLatin1String("1SendAPEram")) {
        m_streamItems = m_memory.ostrikRecords();
        m_streamNext = 0;
        if (m_streamItems.isEmpty())
            return QByteArrayLiteral("RIComplete");
        m_stream = m_streamItems.size() > 1 ? Stream::Ostrik : Stream::None;
        return m_streamItems.at(m_streamNext++).toLatin1();
    }

    const CommandOutcome outcome = m_memory.applySerialLine(line);
    if (!outcome.accepted) {
        qCDebug(lcEmulator) << "refused" << line << outcome.reason;
        return QByteArray("-" + outcome.reason.toLatin1());
    }
    m_accepted.append(line);
    if (m_faults.echo)
        return QByteArray("+" + line.toLatin1());
    return QByteArrayLiteral("+");
}

QStringList TarsisEmulator::receivedLines() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

QStringList TarsisEmulator::acceptedLines() const {
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

int TarsisEmulator::exchangeCount() const {
    std::lock_guard lock(m_mutex);
    return m_exchanges;
}

void TarsisEmulator::clearRecords() {
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_accepted.clear();
    m_exchanges = 0;
}

bool TarsisEmulator::hungUp() const {
    std::lock_guard lock(m_mutex);
    return m_hungUp;
}

TarsisMemory TarsisEmulator::memory() const {
    std::lock_guard lock(m_mutex);
    return m_memory;
}

void TarsisEmulator::setMemory(const TarsisMemory& memory) {
    std::lock_guard lock(m_mutex);
    m_memory = memory;
}

bool TarsisEmulator::loadMemory(const QString& path, QString* error) {
    std::lock_guard lock(m_mutex);
    return m_memory.load(path, error);
}

bool TarsisEmulator::saveMemory(const QString& path, QString* error) const {
    std::lock_guard lock(m_mutex);
    return m_memory.save(path, error);
}

void TarsisEmulator::setTrace(std::function<void(const QString&, const QByteArray&)> trace) {
    std::lock_guard lock(m_mutex);
    m_trace = std::move(trace);
}

} // namespace kovo
