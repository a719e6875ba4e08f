#pragma once

#include "channel.h"
#include "emulator_channel.h"

#include <QString>
#include <functional>
#include <memory>

namespace kovo {

// Turns the port a person chose into a channel. port names:
//  - "COMn" or "n": the n-th serial port ("COMn" on Windows, /dev/ttyS(n-1) elsewhere);
//  - a device path ("/dev/ttyUSB0", "/dev/pts/3", "\\.\COM12");
//  - "tcp://host:port": a raw serial-over-network server;
//  - "Built-in Tarsis emulator": the emulated controller inside this process.
class ChannelFactory {
public:
    enum class Kind { Serial, Tcp, BuiltIn, Invalid };

    struct Address {
        Kind kind = Kind::Invalid;
        QString displayName; // the port as named in messages ("COM3", "/dev/ttyUSB0")
        QString device;      // serial: what the system opens
        QString host;        // tcp
        quint16 port = 0;    // tcp
        QString problem;     // why the name is not usable (Invalid)
    };

    static QString builtInEmulatorName() { return QStringLiteral("Built-in Tarsis emulator"); }

    static Address resolve(const QString& portName);
    // Null (with *error set) when the name is not usable. The channel is not opened. When a link
    // trace is installed the channel reports to it.
    static std::unique_ptr<Channel> create(const QString& portName, QString* error = nullptr);
    static std::unique_ptr<Channel> createUntraced(const QString& portName,
                                                   QString* error = nullptr);

    // The application that carries an emulated controller says where it is; every channel to
    // the built-in emulator talks to the device this returns.
    using DeviceProvider = std::function<std::shared_ptr<InProcessDevice>()>;
    static void setBuiltInEmulatorProvider(DeviceProvider provider);
};

} // namespace kovo
