#pragma once

#include "channel.h"
#include "link_trace.h"

#include <memory>

namespace kovo {

// A channel that reports every byte written and read and every keying change to a link trace,
// and otherwise is the channel it wraps.
class TracingChannel : public Channel {
public:
    TracingChannel(std::unique_ptr<Channel> inner, std::shared_ptr<LinkTrace> trace);

    QString portName() const override { return m_inner->portName(); }
    bool isOpen() const override { return m_inner->isOpen(); }
    bool open(QString* reason = nullptr) override;
    void close() override { m_inner->close(); }
    bool write(const QByteArray& bytes) override;
    QByteArray read(int timeoutMs) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool healthy() const override { return m_inner->healthy(); }

private:
    std::unique_ptr<Channel> m_inner;
    std::shared_ptr<LinkTrace> m_trace;
};

} // namespace kovo
