#include "chunk_reader.h"

#include "channel.h"

#include <QThread>

namespace kovo {

namespace {

// Longer than any chunk or marker: a run of bytes this long without an end is line noise and is
// handed on as one chunk rather than kept.
constexpr qsizetype LongestChunk = 64;
// A value is one byte written in decimal.
constexpr qsizetype ValueDigits = 3;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A chunk that cannot go on: an end marker, or "position,value" whose value has three digits or
// is too large to take another one.
bool looksComplete(const QByteArray& partial) {
    if (partial == "Complete" || partial == "+SendE" || partial == "RIComplete")
        return true;
    const qsizetype comma = partial.indexOf(',');
    if (comma <= 0 || comma + 1 >= partial.size())
        return false;
    for (qsizetype i = 0; i < partial.size(); ++i)
        if (i != comma && !isDigit(partial[i]))
            return false;
    // A number is written without leading zeros, so "0" is complete as well.
    const QByteArray value = partial.mid(comma + 1);
    return value.size() >= ValueDigits || value == "0" || value.toInt() >= 26;
}

} // namespace

ChunkReader::ChunkReader(Channel& channel, int gapMs, ChunkFraming framing)
    : m_channel(channel), m_gapMs(gapMs), m_framing(framing) {}

std::optional<ChunkReader::Event> ChunkReader::next(int waitMs) {
    QElapsedTimer waited;
    waited.start();
    while (m_ready.empty()) {
        const qint64 left = waitMs - waited.elapsed();
        if (left <= 0 && !quietPartial())
            return std::nullopt;
        int timeout = static_cast<int>(qMax<qint64>(left, 0));
        if (endsByQuietGap())
            timeout = qMin(timeout, qMax(1, m_gapMs - static_cast<int>(m_sinceByte.elapsed())));
        const QByteArray bytes = m_channel.isOpen() ? m_channel.read(timeout) : QByteArray();
        if (!bytes.isEmpty()) {
            take(bytes);
        } else if (quietPartial()) {
            finishPartial(m_partial.size());
        } else if (!m_channel.isOpen() || !m_channel.healthy()) {
            // A closed or dropped line answers at once; wait as a read would have.
            QThread::msleep(static_cast<unsigned long>(qMax(timeout, 1)));
        }
    }
    const Event event = m_ready.front();
    m_ready.pop_front();
    return event;
}

// Whether the partial chunk is ended by the quiet gap. Framed by position, a chunk that began
// with its position is ended by what follows it instead.
bool ChunkReader::quietPartial() const {
    return endsByQuietGap() && m_sinceByte.isValid() && m_sinceByte.elapsed() >= m_gapMs;
}

bool ChunkReader::endsByQuietGap() const {
    return !m_partial.isEmpty() &&
           (m_framing == ChunkFraming::QuietGap || !isDigit(m_partial.front()));
}

void ChunkReader::take(const QByteArray& bytes) {
    m_sinceByte.start();
    for (const char c : bytes) {
        if (c != '\r' && c != '\n') {
            m_partial.append(c);
            continue;
        }
        frame();
        if (m_partial.isEmpty())
            continue;
        if (m_framing == ChunkFraming::Positions && isDigit(m_partial.front())) {
            // A whole line: it must be the position expected, with a value.
            const QByteArray prefix = QByteArray::number(m_position) + ',';
            if (m_partial.startsWith(prefix) && m_partial.size() > prefix.size())
                ++m_position;
            else
                fallBack();
        }
        if (!m_partial.isEmpty())
            finishPartial(m_partial.size());
    }
    frame();
}

void ChunkReader::frame() {
    while (!m_partial.isEmpty()) {
        if (m_framing == ChunkFraming::Positions && isDigit(m_partial.front())) {
            if (frameByPosition())
                continue;
            if (m_framing == ChunkFraming::Positions)
                return; // the chunk goes on
        }
        if (looksComplete(m_partial) || m_partial.size() >= LongestChunk) {
            finishPartial(m_partial.size());
            continue;
        }
        return;
    }
}

// Cuts the partial chunk, which begins with a digit, by its position. True when a chunk was
// finished; false when it goes on, or (framing changed) when the stream does not count up.
bool ChunkReader::frameByPosition() {
    const QByteArray prefix = QByteArray::number(m_position) + ',';
    if (m_partial.size() < prefix.size()) {
        if (!prefix.startsWith(m_partial))
            fallBack();
        return false;
    }
    if (!m_partial.startsWith(prefix)) {
        fallBack();
        return false;
    }
    const qsizetype value = prefix.size();
    qsizetype digits = 0;
    while (value + digits < m_partial.size() && isDigit(m_partial[value + digits]))
        ++digits;
    if (digits == 0) {
        if (value < m_partial.size())
            fallBack(); // no value after the comma
        return false;
    }
    // The next chunk may already have begun right after the value.
    const QByteArray nextPrefix = QByteArray::number(m_position + 1) + ',';
    for (qsizetype k = 1; k <= qMin(digits, ValueDigits); ++k) {
        if (m_partial.mid(value + k).startsWith(nextPrefix)) {
            finishPartial(value + k);
            ++m_position;
            return true;
        }
    }
    if (value + digits < m_partial.size()) {
        if (digits > ValueDigits || m_partial[value + digits] == ',') {
            fallBack(); // a position other than the next one
            return false;
        }
        // Something else follows the value. Once the chunk was answered it is the answer to
        // that "OK" (an end marker); before, it came glued to the value in one burst, and the
        // whole burst is one chunk, as the controller sent it.
        finishPartial(m_partialAcknowledged ? value + digits : m_partial.size());
        ++m_position;
        return true;
    }
    // Only digits so far: the value, perhaps with the beginning of the next position.
    bool possible = false;
    for (qsizetype k = 1; k <= qMin(digits, ValueDigits); ++k)
        possible = possible || nextPrefix.startsWith(m_partial.mid(value + k));
    if (!possible) {
        fallBack();
        return false;
    }
    if (!m_partialAcknowledged) {
        m_partialAcknowledged = true;
        m_acknowledgedLength = m_partial.size();
        Event acknowledge;
        acknowledge.kind = Event::Kind::Acknowledge;
        m_ready.push_back(acknowledge);
    }
    return false;
}

// The stream does not count up: the quiet gap frames the rest of it. What came after an early
// "OK" is the answer to it, not part of the chunk answered.
void ChunkReader::fallBack() {
    m_framing = ChunkFraming::QuietGap;
    if (m_partialAcknowledged && m_acknowledgedLength < m_partial.size())
        finishPartial(m_acknowledgedLength);
}

void ChunkReader::finishPartial(qsizetype length) {
    emitChunk(m_partial.left(length));
    m_partial.remove(0, length);
    m_partialAcknowledged = false;
}

void ChunkReader::emitChunk(const QByteArray& text) {
    const QString chunk = QString::fromLatin1(text).trimmed();
    if (chunk.isEmpty())
        return;
    Event event;
    event.chunk = chunk;
    event.acknowledged = m_partialAcknowledged;
    m_ready.push_back(event);
}

} // namespace kovo
