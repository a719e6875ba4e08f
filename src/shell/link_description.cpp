#include "link_description.h"

#include "database/program_settings.h"
#include "link/channel_factory.h"

namespace kovo {

QString linkDescription(const ProgramSettings& settings) {
    if (settings.serialLink()) {
        const ChannelFactory::Address address = ChannelFactory::resolve(settings.comPort());
        if (address.kind == ChannelFactory::Kind::BuiltIn)
            return QStringLiteral("%1 (no radio)").arg(ChannelFactory::builtInEmulatorName());
        return QStringLiteral("Serial %1 (9600 8N1)").arg(address.displayName);
    }
    const QString line = settings.whichSend() == QLatin1String("1")   ? QStringLiteral("DTR")
                         : settings.whichSend() == QLatin1String("2") ? QStringLiteral("RTS")
                                                                      : QString();
    const QString port = settings.dtmfComPort();
    if (line.isEmpty() || port.isEmpty() || port == QLatin1String("0"))
        return QStringLiteral("DTMF tones, no transmitter keying chosen");
    return QStringLiteral("DTMF tones, transmitter keyed by %1 on %2")
        .arg(line, ChannelFactory::resolve(port).displayName);
}

} // namespace kovo
