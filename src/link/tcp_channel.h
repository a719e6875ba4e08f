#pragma once

#include "channel.h"

#include <QString>
#include <memory>

class QTcpSocket;

namespace kovo {

// A serial port reached through a raw serial-over-network server ("tcp://host:port"): the bytes
// go through the connection unchanged. The socket is created by open(), so it belongs to the
// thread that opens the channel.
class TcpChannel : public Channel {
public:
    TcpChannel(QString displayName, QString host, quint16 port);
    ~TcpChannel() override;

    QString portName() const override { return m_displayName; }
    bool isOpen() const override;
    bool open(QString* reason = nullptr) override;
    void close() override;
    bool write(const QByteArray& bytes) override;
    QByteArray read(int timeoutMs) override;
    // A raw server carries no modem lines.
    bool setDtr(bool) override { return false; }
    bool setRts(bool) override { return false; }
    bool healthy() const override;

    static constexpr int ConnectTimeoutMs = 5000;

private:
    QString m_displayName;
    QString m_host;
    quint16 m_port;
    std::unique_ptr<QTcpSocket> m_socket;
};

} // namespace kovo
