#include "tcp_channel.h"

#include <QTcpSocket>

namespace kovo {

TcpChannel::TcpChannel(QString displayName, QString host, quint16 port)
    : m_displayName(std::move(displayName)), m_host(std::move(host)), m_port(port) {}

TcpChannel::~TcpChannel() {
    close();
}

bool TcpChannel::isOpen() const {
    return m_socket != nullptr;
}

bool TcpChannel::healthy() const {
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool TcpChannel::open(QString* reason) {
    if (isOpen())
        return true;
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(m_host, m_port);
    if (!socket->waitForConnected(ConnectTimeoutMs)) {
        if (reason) {
            switch (socket->error()) {
            case QAbstractSocket::HostNotFoundError:
                *reason = OpenFailure::HostNotFound;
                break;
            case QAbstractSocket::ConnectionRefusedError:
                *reason = OpenFailure::ConnectionRefused;
                break;
            default:
                *reason = socket->errorString();
            }
        }
        return false;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket = std::move(socket);
    return true;
}

void TcpChannel::close() {
    if (!m_socket)
        return;
    m_socket->abort();
    m_socket.reset();
}

bool TcpChannel::write(const QByteArray& bytes) {
    if (!healthy())
        return false;
    if (m_socket->write(bytes) != bytes.size())
        return false;
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(5000))
            return false;
    }
    return true;
}

QByteArray TcpChannel::read(int timeoutMs) {
    if (!m_socket)
        return {};
    if (m_socket->bytesAvailable() > 0)
        return m_socket->readAll();
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return {};
    m_socket->waitForReadyRead(qMax(0, timeoutMs));
    return m_socket->readAll();
}

} // namespace kovo
