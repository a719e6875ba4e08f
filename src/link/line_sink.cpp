#include "line_sink.h"

#include "serial_link.h"

namespace kovo {

bool SerialLinkLineSink::open() {
    return m_link.isOpen() || m_link.openSerialPort();
}

void SerialLinkLineSink::close() {
    m_link.close();
}

void SerialLinkLineSink::sendCommand(const QString& line) {
    m_link.sendCommand(line);
}

bool SerialLinkLineSink::lastConfirmed() const {
    return m_link.lastOutcome() == SerialLink::Outcome::Acknowledged;
}

void SerialLinkLineSink::writeLine(const QString& line) {
    m_link.sendStr(line.toLatin1());
}

void SerialLinkLineSink::setLockCode(const QString& lock) {
    m_link.setLockCode(lock);
}

} // namespace kovo
