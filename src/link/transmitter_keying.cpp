#include "link/transmitter_keying.h"

#include "link/channel_factory.h"

#include <QLoggingCategory>

namespace kovo {

namespace {
Q_LOGGING_CATEGORY(lcKeying, "kovo.link.keying", QtInfoMsg)

void setLine(Channel& channel, TransmitterKeying::Line line, bool on, bool* ok) {
    const bool done =
        line == TransmitterKeying::Line::Dtr ? channel.setDtr(on) : channel.setRts(on);
    if (ok)
        *ok = done;
}

TransmitterKeying::Line other(TransmitterKeying::Line line) {
    return line == TransmitterKeying::Line::Dtr ? TransmitterKeying::Line::Rts
                                                : TransmitterKeying::Line::Dtr;
}
} // namespace

TransmitterKeying::TransmitterKeying(QString port, Line line, ChannelMaker maker)
    : m_port(std::move(port)), m_line(line), m_maker(std::move(maker)) {
    if (!m_maker)
        m_maker = [](const QString& name, QString* error) {
            return ChannelFactory::create(name, error);
        };
}

TransmitterKeying::~TransmitterKeying() {
    doComPort(false);
}

TransmitterKeying::Line TransmitterKeying::lineFor(const QString& whichSend) {
    return whichSend.trimmed() == QLatin1String("1") ? Line::Dtr : Line::Rts;
}

QString TransmitterKeying::lineName(Line line) {
    return line == Line::Dtr ? QStringLiteral("DTR") : QStringLiteral("RTS");
}

QString TransmitterKeying::cannotDriveText(const QString& port, Line line) {
    return QStringLiteral("The transmitter cannot be keyed: %1 cannot drive %2. Choose a serial "
                          "port whose %2 line keys the transmitter (DTMFComPort and WhichSend in "
                          "kovo.ini), or set DTMFComPort to 0 and key the transmitter by hand.")
        .arg(port, lineName(line));
}

bool TransmitterKeying::doComPort(bool onOff, QString* reason) {
    if (!onOff) {
        if (m_channel) {
            if (m_channel->isOpen())
                setLine(*m_channel, m_line, false, nullptr);
            m_channel->close(); // both lines drop as the port closes
            m_channel.reset();
            if (m_keyed)
                qCDebug(lcKeying) << "transmitter unkeyed on" << m_port;
        }
        m_keyed = false;
        return true;
    }
    const auto fail = [&](const QString& text) {
        qCInfo(lcKeying) << text;
        if (reason)
            *reason = text;
        doComPort(false);
        return false;
    };
    if (!m_channel) {
        QString error;
        m_channel = m_maker(m_port, &error);
        if (!m_channel)
            return fail(QStringLiteral("The transmitter cannot be keyed: the port %1 cannot be "
                                       "used (%2). Check DTMFComPort in kovo.ini.")
                            .arg(m_port, error));
    }
    if (!m_channel->isOpen()) {
        QString error;
        if (!m_channel->open(&error))
            return fail(QStringLiteral("The transmitter cannot be keyed: the port %1 cannot be "
                                       "opened (%2). Check DTMFComPort in kovo.ini.")
                            .arg(m_channel->portName(), error));
    }
    // The port raised both lines as it opened; the chosen one stays up, the other goes down.
    bool driven = false;
    setLine(*m_channel, m_line, true, &driven);
    if (!driven)
        return fail(cannotDriveText(m_channel->portName(), m_line));
    setLine(*m_channel, other(m_line), false, nullptr);
    m_keyed = true;
    qCDebug(lcKeying) << "transmitter keyed on" << m_port << "by" << lineName(m_line);
    return true;
}

TransmitterKeyer TransmitterKeying::noKeying() {
    return [](bool, QString*) { return true; };
}

TransmitterKeyer TransmitterKeying::makeKeyer(const QString& dtmfComPort, const QString& whichSend,
                                              ChannelMaker maker) {
    const QString port = dtmfComPort.trimmed();
    if (port.isEmpty() || port == QLatin1String("0"))
        return noKeying();
    auto keying = std::make_shared<TransmitterKeying>(port, lineFor(whichSend), std::move(maker));
    return [keying](bool keyed, QString* reason) { return keying->doComPort(keyed, reason); };
}

} // namespace kovo
