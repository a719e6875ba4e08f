#include "channel_factory.h"

#include "link_trace.h"
#include "serial_channel.h"
#include "tcp_channel.h"
#include "tracing_channel.h"

#include <QUrl>
#include <mutex>

namespace kovo {

namespace {

std::mutex g_providerMutex;
ChannelFactory::DeviceProvider g_provider;

bool isDecimal(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QString serialDevice(int number) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(number);
#else
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
#endif
}

} // namespace

ChannelFactory::Address ChannelFactory::resolve(const QString& portName) {
    Address address;
    const QString name = portName.trimmed();
    address.displayName = name;
    if (name.isEmpty()) {
        address.problem = QStringLiteral("no port is chosen");
        return address;
    }
    if (name.compare(builtInEmulatorName(), Qt::CaseInsensitive) == 0) {
        address.kind = Kind::BuiltIn;
        address.displayName = builtInEmulatorName();
        return address;
    }
    if (name.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive)) {
        const QUrl url(name);
        if (!url.isValid() || url.host().isEmpty() || url.port() <= 0) {
            address.problem =
                QStringLiteral("%1 is not a network port of the form tcp://host:port").arg(name);
            return address;
        }
        address.kind = Kind::Tcp;
        address.host = url.host();
        address.port = static_cast<quint16>(url.port());
        return address;
    }
    QString number;
    if (isDecimal(name))
        number = name;
    else if (name.size() > 3 && name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) &&
             isDecimal(name.mid(3)))
        number = name.mid(3);
    if (!number.isEmpty()) {
        bool ok = false;
        const int n = number.toInt(&ok);
        if (!ok || n < 1 || n > 256) {
            address.problem = QStringLiteral("%1 is not a serial port number").arg(name);
            return address;
        }
        address.kind = Kind::Serial;
        address.displayName = QStringLiteral("COM%1").arg(number);
        address.device = serialDevice(n);
        return address;
    }
    address.kind = Kind::Serial;
    address.device = name;
    return address;
}

std::unique_ptr<Channel> ChannelFactory::create(const QString& portName, QString* error) {
    std::unique_ptr<Channel> channel = createUntraced(portName, error);
    if (channel) {
        if (std::shared_ptr<LinkTrace> trace = LinkTrace::installed())
            return std::make_unique<TracingChannel>(std::move(channel), std::move(trace));
    }
    return channel;
}

std::unique_ptr<Channel> ChannelFactory::createUntraced(const QString& portName, QString* error) {
    const Address address = resolve(portName);
    switch (address.kind) {
    case Kind::Serial:
        return std::make_unique<SerialChannel>(address.displayName, address.device);
    case Kind::Tcp:
        return std::make_unique<TcpChannel>(address.displayName, address.host, address.port);
    case Kind::BuiltIn: {
        std::shared_ptr<InProcessDevice> device;
        {
            std::lock_guard lock(g_providerMutex);
            if (g_provider)
                device = g_provider();
        }
        if (!device) {
            if (error)
                *error = QStringLiteral("The built-in Tarsis emulator is not available");
            return nullptr;
        }
        return std::make_unique<EmulatorChannel>(address.displayName, std::move(device));
    }
    case Kind::Invalid:
        break;
    }
    if (error)
        *error = address.problem;
    return nullptr;
}

void ChannelFactory::setBuiltInEmulatorProvider(DeviceProvider provider) {
    std::lock_guard lock(g_providerMutex);
    g_provider = std::move(provider);
}

} // namespace kovo
