#include "emulator_channel.h"

namespace kovo {

using Clock = InProcessDevice::Clock;

EmulatorChannel::EmulatorChannel(QString displayName, std::shared_ptr<InProcessDevice> device)
    : m_displayName(std::move(displayName)), m_device(std::move(device)) {}

bool EmulatorChannel::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_open;
}

bool EmulatorChannel::healthy() const {
    std::lock_guard lock(m_mutex);
    return m_open && !m_gone;
}

bool EmulatorChannel::open(QString* reason) {
    {
        std::lock_guard lock(m_mutex);
        if (m_open)
            return true;
        if (!m_device) {
            if (reason)
                *reason = QStringLiteral("no emulated controller is attached");
            return false;
        }
        m_open = true;
        m_gone = false;
        m_inbox.clear();
    }
    m_device->hostConnected();
    return true;
}

void EmulatorChannel::close() {
    std::lock_guard lock(m_mutex);
    m_open = false;
    m_inbox.clear();
    m_arrived.notify_all();
}

bool EmulatorChannel::write(const QByteArray& bytes) {
    std::unique_lock lock(m_mutex);
    if (!m_open || m_gone)
        return false;
    // A hang-up that is already due ends the line before these bytes reach the device.
    const auto now = Clock::now();
    for (const auto& delivery : m_inbox) {
        if (delivery.due > now)
            break;
        if (delivery.hangUp) {
            m_gone = true;
            return false;
        }
    }
    auto replies = m_device->hostWrote(bytes, now);
    for (auto& reply : replies)
        m_inbox.push_back(std::move(reply));
    m_arrived.notify_all();
    return true;
}

void EmulatorChannel::takeDue(Clock::time_point now, QByteArray& out) {
    while (!m_inbox.empty() && m_inbox.front().due <= now) {
        const bool hangUp = m_inbox.front().hangUp;
        out += m_inbox.front().bytes;
        m_inbox.pop_front();
        if (hangUp) {
            m_gone = true;
            m_inbox.clear();
            return;
        }
    }
}

QByteArray EmulatorChannel::read(int timeoutMs) {
    std::unique_lock lock(m_mutex);
    const auto deadline = Clock::now() + std::chrono::milliseconds(qMax(0, timeoutMs));
    QByteArray out;
    for (;;) {
        if (!m_open)
            return {};
        const auto now = Clock::now();
        takeDue(now, out);
        if (!out.isEmpty() || m_gone || now >= deadline)
            return out;
        auto wakeAt = deadline;
        if (!m_inbox.empty() && m_inbox.front().due < wakeAt)
            wakeAt = m_inbox.front().due;
        m_arrived.wait_until(lock, wakeAt);
    }
}

bool EmulatorChannel::setDtr(bool on) {
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return false;
    m_dtr = on;
    return true;
}

bool EmulatorChannel::setRts(bool on) {
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return false;
    m_rts = on;
    return true;
}

bool EmulatorChannel::dtr() const {
    std::lock_guard lock(m_mutex);
    return m_dtr;
}

bool EmulatorChannel::rts() const {
    std::lock_guard lock(m_mutex);
    return m_rts;
}

} // namespace kovo
