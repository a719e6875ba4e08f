#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace kovo {

// A byte pipe to the controller with blocking calls, owned by one thread at a time.
class Channel {
public:
    virtual ~Channel() = default;

    // The port as the person named it ("COM3", "/dev/ttyUSB0", "tcp://host:4001"), for messages.
    virtual QString portName() const = 0;
    virtual bool isOpen() const = 0;
    // Opens with 9600 baud, 8N1, no handshake where the transport has such settings. On failure
    // returns false and sets *reason, one of the OpenFailure texts where the cause is known.
    virtual bool open(QString* reason = nullptr) = 0;
    virtual void close() = 0;
    // False when the bytes could not be handed to the transport (port gone, connection lost).
    virtual bool write(const QByteArray& bytes) = 0;
    // Waits at most `timeoutMs` and returns as soon as at least one byte has arrived, with every
    // byte waiting then; empty on time-out or when the channel is closed.
    virtual QByteArray read(int timeoutMs) = 0;
    // Transmitter keying lines; false when the transport cannot drive the line.
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    // False once the transport reported the far end gone (unplugged adapter, closed socket).
    virtual bool healthy() const { return isOpen(); }
};

// Why a port could not be opened, as the messages say it.
namespace OpenFailure {
inline const QString InUse = QStringLiteral("in use by another program");
inline const QString NoSuchPort = QStringLiteral("there is no such port");
inline const QString PermissionDenied = QStringLiteral("permission denied");
inline const QString HostNotFound = QStringLiteral("host not found");
inline const QString ConnectionRefused = QStringLiteral("connection refused");
} // namespace OpenFailure

// The message for a port that could not be opened: "COM3 is in use by another program. Close
// the other program and try again" when another program holds it, otherwise the port and the
// system's reason.
QString portOpenFailedMessage(const QString& port, const QString& reason);

} // namespace kovo
