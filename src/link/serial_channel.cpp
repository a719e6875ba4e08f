#include "serial_channel.h"

#include <QLoggingCategory>
#include <QSerialPort>

namespace kovo {

namespace {
Q_LOGGING_CATEGORY(lcSerial, "kovo.link.serial", QtInfoMsg)

constexpr qint64 ReadBufferSize = 1024;

// How long handing bytes to the driver may take: their time on the wire at 9600 baud plus a
// second of slack for a busy system.
int writeTimeoutMs(qsizetype bytes) {
    return 1000 + static_cast<int>(bytes * 10 * 1000 / 9600);
}
} // namespace

SerialChannel::SerialChannel(QString displayName, QString devicePath)
    : m_displayName(std::move(displayName)), m_devicePath(std::move(devicePath)) {}

SerialChannel::~SerialChannel() {
    close();
}

bool SerialChannel::isOpen() const {
    return m_port && m_port->isOpen();
}

namespace {

// The system's reason in the words the messages use. The serial port reports a port held by
// another program (its lock file taken, or the device busy) as a permission error too.
QString openFailure(QSerialPort::SerialPortError error, const QString& text) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return OpenFailure::NoSuchPort;
    case QSerialPort::OpenError:
        return OpenFailure::InUse;
    case QSerialPort::PermissionError:
        if (text.contains(QLatin1String("lock"), Qt::CaseInsensitive) ||
            text.contains(QLatin1String("busy"), Qt::CaseInsensitive))
            return OpenFailure::InUse;
        return OpenFailure::PermissionDenied;
    default:
        return text;
    }
}

} // namespace

bool SerialChannel::open(QString* reason) {
    if (isOpen())
        return true;
    m_gone = false;
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(m_devicePath);
    QObject::connect(m_port.get(), &QSerialPort::errorOccurred, m_port.get(),
                     [this](QSerialPort::SerialPortError error) { noteError(error); });
    if (!m_port->open(QIODevice::ReadWrite)) {
        if (reason)
            *reason = openFailure(m_port->error(), m_port->errorString());
        qCInfo(lcSerial) << "cannot open" << m_devicePath << m_port->errorString();
        m_port.reset();
        return false;
    }
    const bool configured =
        m_port->setBaudRate(QSerialPort::Baud9600) && m_port->setParity(QSerialPort::NoParity) &&
        m_port->setDataBits(QSerialPort::Data8) && m_port->setStopBits(QSerialPort::OneStop) &&
        m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        if (reason)
            *reason = m_port->errorString();
        qCInfo(lcSerial) << "cannot set up" << m_devicePath << m_port->errorString();
        m_port->close();
        m_port.reset();
        return false;
    }
    m_port->setReadBufferSize(ReadBufferSize);
    // bytes that reached the port before it was opened answer nothing this program asked.
    m_port->clear(QSerialPort::Input);
    m_gone = false;
    return true;
}

void SerialChannel::close() {
    if (!m_port)
        return;
    if (m_port->isOpen())
        m_port->close();
    m_port.reset();
}

void SerialChannel::noteError(int error) {
    if (!m_port || !m_port->isOpen())
        return; // failures while opening are reported by open()
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
        return;
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
    case QSerialPort::PermissionError:
    case QSerialPort::DeviceNotFoundError:
        // The adapter was unplugged or the other end of a pseudo-terminal went away.
        qCInfo(lcSerial) << m_devicePath
                         << "is gone:" << (m_port ? m_port->errorString() : QString());
        m_gone = true;
        return;
    default:
        qCInfo(lcSerial) << m_devicePath << "error" << error;
        return;
    }
}

bool SerialChannel::write(const QByteArray& bytes) {
    if (!isOpen() || m_gone)
        return false;
    if (m_port->write(bytes) != bytes.size())
        return false;
    // Without an event loop the bytes stay in the port object until handed over here.
    while (m_port->bytesToWrite() > 0) {
        if (!m_port->waitForBytesWritten(writeTimeoutMs(m_port->bytesToWrite())))
            return false;
    }
    return !m_gone;
}

QByteArray SerialChannel::read(int timeoutMs) {
    if (!isOpen())
        return {};
    if (m_port->bytesAvailable() > 0)
        return m_port->readAll();
    if (m_gone)
        return {};
    // Returns as soon as the driver has bytes, or at the deadline, or when the port fails.
    if (!m_port->waitForReadyRead(qMax(0, timeoutMs))) {
        const auto error = m_port->error();
        if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError)
            noteError(error);
        if (error == QSerialPort::TimeoutError)
            m_port->clearError();
    }
    return m_port->readAll();
}

bool SerialChannel::setDtr(bool on) {
    return isOpen() && m_port->setDataTerminalReady(on);
}

bool SerialChannel::setRts(bool on) {
    return isOpen() && m_port->setRequestToSend(on);
}

} // namespace kovo
