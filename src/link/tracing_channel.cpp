#include "tracing_channel.h"

namespace kovo {

TracingChannel::TracingChannel(std::unique_ptr<Channel> inner, std::shared_ptr<LinkTrace> trace)
    : m_inner(std::move(inner)), m_trace(std::move(trace)) {}

bool TracingChannel::open(QString* reason) {
    QString why;
    const bool opened = m_inner->open(&why);
    m_trace->record(LinkTrace::Event::Note, portName(),
                    opened ? QByteArrayLiteral("opened") : "not opened: " + why.toUtf8());
    if (reason)
        *reason = why;
    return opened;
}

bool TracingChannel::write(const QByteArray& bytes) {
    const bool written = m_inner->write(bytes);
    m_trace->record(LinkTrace::Event::Sent, portName(),
                    written ? bytes : bytes + QByteArrayLiteral(" (not written)"));
    return written;
}

QByteArray TracingChannel::read(int timeoutMs) {
    const QByteArray bytes = m_inner->read(timeoutMs);
    if (!bytes.isEmpty())
        m_trace->record(LinkTrace::Event::Received, portName(), bytes);
    return bytes;
}

bool TracingChannel::setDtr(bool on) {
    const bool done = m_inner->setDtr(on);
    m_trace->record(LinkTrace::Event::Keying, portName(),
                    QByteArrayLiteral("DTR ") + (on ? "on" : "off") + (done ? "" : " (failed)"));
    return done;
}

bool TracingChannel::setRts(bool on) {
    const bool done = m_inner->setRts(on);
    m_trace->record(LinkTrace::Event::Keying, portName(),
                    QByteArrayLiteral("RTS ") + (on ? "on" : "off") + (done ? "" : " (failed)"));
    return done;
}

} // namespace kovo
