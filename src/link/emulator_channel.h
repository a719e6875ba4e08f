#pragma once

#include "channel.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace kovo {

// Something that behaves like a controller inside this process (the emulated Tarsis). It is
// driven by the bytes the host writes and says what it sends back and when, so that answer
// delays and line pacing work without a thread of its own. Implementations must be safe to call
// from any thread.
class InProcessDevice {
public:
    using Clock = std::chrono::steady_clock;

    struct Delivery {
        QByteArray bytes;
        Clock::time_point due; // when the last of these bytes has arrived at the host
        bool hangUp = false;   // the device drops the line at `due`
    };

    virtual ~InProcessDevice() = default;
    // A host opened the line.
    virtual void hostConnected() {}
    // bytes the host wrote at `now`; returns what the device sends back, in time order.
    virtual std::vector<Delivery> hostWrote(const QByteArray& bytes, Clock::time_point now) = 0;
};

// An in-process line to an InProcessDevice. Thread-safe: one thread may read while another
// writes, and the device may be shared with other users.
class EmulatorChannel : public Channel {
public:
    EmulatorChannel(QString displayName, std::shared_ptr<InProcessDevice> device);

    QString portName() const override { return m_displayName; }
    bool isOpen() const override;
    bool open(QString* reason = nullptr) override;
    void close() override;
    bool write(const QByteArray& bytes) override;
    QByteArray read(int timeoutMs) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool healthy() const override;

    // The keying lines as last set, for tests.
    bool dtr() const;
    bool rts() const;

private:
    // Moves every delivery that is due into `out`; notes a hang-up. Caller holds m_mutex.
    void takeDue(InProcessDevice::Clock::time_point now, QByteArray& out);

    QString m_displayName;
    std::shared_ptr<InProcessDevice> m_device;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<InProcessDevice::Delivery> m_inbox;
    bool m_open = false;
    bool m_gone = false;
    bool m_dtr = false;
    bool m_rts = false;
};

} // namespace kovo
