#pragma once

#include "channel.h"

#include <QString>
#include <memory>

class QSerialPort;

namespace kovo {

// An RS-232 port (or anything the system drives as one: USB adapters, pseudo-terminals) at
// 9600 baud, no parity, 8 data bits, 1 stop bit, no handshake, with a 1024-byte read buffer.
// The port object is created by open(), so it belongs to the thread that opens the channel.
class SerialChannel : public Channel {
public:
    // `displayName` is how the person named the port ("COM3", "3"); `devicePath` what the
    // system opens ("/dev/ttyS2", "COM3", "/dev/pts/4").
    SerialChannel(QString displayName, QString devicePath);
    ~SerialChannel() override;

    QString portName() const override { return m_displayName; }
    QString devicePath() const { return m_devicePath; }
    bool isOpen() const override;
    bool open(QString* reason = nullptr) override;
    void close() override;
    bool write(const QByteArray& bytes) override;
    QByteArray read(int timeoutMs) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool healthy() const override { return isOpen() && !m_gone; }

private:
    void noteError(int error);

    QString m_displayName;
    QString m_devicePath;
    std::unique_ptr<QSerialPort> m_port;
    bool m_gone = false;
};

} // namespace kovo
