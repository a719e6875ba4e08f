#pragma once

#include "link/channel.h"
#include "link/dtmf_player.h"

#include <QString>
#include <functional>
#include <memory>

namespace kovo {

// `doComPort`: keys the transmitter for a transfer over the air through a handshake line of a
// second port, `DTMFComPort`, while the tones go out through the sound output.
//
// Keying opens the port and makes the chosen line (`WhichSend` "1": DTR, anything else: RTS)
// active and the other one inactive; the serial driver raises both lines as the port opens, so
// the chosen line is active from the moment the port is open, and it stays active until
// unkeying, which drops it and closes the port (closing drops both lines in any case). A port
// that cannot drive the line (a network port, a pseudo-terminal, an adapter without handshake
// lines) is refused with a reason that names the port and the line, and is closed again: a
// transfer that cannot key its transmitter would send its tones into a radio that is not
// transmitting.
class TransmitterKeying {
public:
    enum class Line { Dtr, Rts };

    // Makes the channel for a port name; ChannelFactory::create by default.
    using ChannelMaker =
        std::function<std::unique_ptr<Channel>(const QString& port, QString* error)>;

    TransmitterKeying(QString port, Line line, ChannelMaker maker = {});
    ~TransmitterKeying();

    // `WhichSend` "1" is DTR; any other value RTS.
    static Line lineFor(const QString& whichSend);
    static QString lineName(Line line);

    QString port() const { return m_port; }
    Line line() const { return m_line; }
    bool keyed() const { return m_keyed; }

    // `doComPort(OnOff)`. Keying: false (with *reason, which may be null) when the port cannot be
    // made or opened or cannot drive the line; the port is then closed. Unkeying always
    // succeeds: the line is dropped and the port closed.
    bool doComPort(bool onOff, QString* reason = nullptr);

    // The keyer for a transfer from the settings: none for `DTMFComPort` "0" (or empty), which
    // means the person keys the transmitter by hand (or the radio keys on its own audio);
    // otherwise doComPort on that port and line.
    static TransmitterKeyer makeKeyer(const QString& dtmfComPort, const QString& whichSend,
                                      ChannelMaker maker = {});
    // A keyer that keys nothing and always succeeds.
    static TransmitterKeyer noKeying();

    // "The transmitter cannot be keyed: <port> cannot drive <line>. ..."
    static QString cannotDriveText(const QString& port, Line line);

private:
    QString m_port;
    Line m_line;
    ChannelMaker m_maker;
    std::unique_ptr<Channel> m_channel;
    bool m_keyed = false;
};

} // namespace kovo
