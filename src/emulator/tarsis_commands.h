#pragma once

#include "emulator/tarsis_memory.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

namespace kovo {

// Applies one command body to the memory. The port is the serial line's port digit or the
// port unlocked for a DTMF command.
class TarsisCommands {
public:
    enum class Transport { Serial, Dtmf };

    TarsisCommands(TarsisMemory& memory, int port, Transport transport)
        : m_memory(memory), m_port(port), m_transport(transport) {}

    CommandOutcome run(QStringView body);

    // Memory writers, also used for the factory contents.
    void setByte(int at, int value) { m_memory.m_bytes[at] = static_cast<char>(value & 0xFF); }
    void setWord(int at, int value) {
        setByte(at, value & 0xFF);
        setByte(at + 1, (value >> 8) & 0xFF);
    }
    // Text in `size` bytes: its characters, then `fill` up to the end.
    void setText(int at, int size, QStringView text, int fill = 0) {
        for (int i = 0; i < size; ++i)
            setByte(at + i, i < text.size() ? text[i].unicode() : fill);
    }
    int byte(int at) const { return static_cast<unsigned char>(m_memory.m_bytes[at]); }
    QString text(int at, int size) const {
        QString result;
        for (int i = 0; i < size - 1; ++i) {
            const int b = byte(at + i);
            if (b == 0)
                break;
            if (b != 255)
                result += QChar(b);
        }
        return result;
    }
    void keep(const QString& key, const QString& value) { m_memory.m_kept.insert(key, value); }

    void storeCodes(int at, int size, const QByteArray& codes, int fill) {
        for (int i = 0; i < size; ++i)
            setByte(at + i, i < codes.size() ? static_cast<unsigned char>(codes[i]) : fill);
    }
    std::optional<QByteArray> packMacro(QStringView digits, int size, QString* reason) const;
    void storeAccessCode(int at, QStringView code);

private:
    CommandOutcome star(QStringView body);
    CommandOutcome digitLed(QStringView body);
    CommandOutcome remoteBase(QStringView rest);
    CommandOutcome lockLine(QStringView body) const;

    // One byte or word of this port's element of a per-port block.
    CommandOutcome portByte(int at, QStringView args, int max = 255);
    CommandOutcome portWord(int at, QStringView args, int max = 65535);
    CommandOutcome globalByte(int at, QStringView args, int max = 255);
    CommandOutcome globalWord(int at, QStringView args, int max = 65535);
    CommandOutcome globalText(int at, int size, QStringView args, const char* what);
    CommandOutcome keepText(const QString& key, QStringView args);

    CommandOutcome dtmfTime(QStringView args);
    CommandOutcome auxTime(QChar which, QStringView args);
    CommandOutcome generalTimer(QStringView args, bool macro);
    CommandOutcome courtesy(QStringView rest);
    CommandOutcome speechId(int at, int lengthAt, QStringView args);
    CommandOutcome cwId(int at, int lengthAt, QStringView args);
    CommandOutcome cwTones(QStringView args);
    CommandOutcome idExtras(QStringView args);
    CommandOutcome setPoint(QStringView args);
    CommandOutcome clockCorrection(QStringView args);
    CommandOutcome clockSet(QStringView args, bool date);
    CommandOutcome meter(QStringView args);
    CommandOutcome meterAlarm(QStringView args);
    CommandOutcome storeRemoteMemory(QStringView args);
    CommandOutcome macroStore(QStringView args);
    CommandOutcome macroErase(QStringView args);
    CommandOutcome eraseAllMacros(QStringView args);
    CommandOutcome macroCode(QStringView args);
    CommandOutcome portToAllow(QStringView args);
    CommandOutcome alarmMacro(int at, QStringView args);
    CommandOutcome messageMacro(QStringView args);
    CommandOutcome dtmfMemory(QStringView args);
    CommandOutcome autopatchEntry(const char* name, int count, QStringView args);
    CommandOutcome messageNumbers(QStringView args);
    CommandOutcome portSwitch(int port, QStringView code, QStringView value);
    CommandOutcome alarmSwitch(int alarm, QStringView value);
    // "*7002" + track readies a DVR track, "*7001" + track records into it; the recording is
    // kept as "DVRTrack(n)" = "1".
    CommandOutcome recordTrack(QStringView args, bool record);

    int portIndex() const { return m_port - 1; }
    bool serial() const { return m_transport == Transport::Serial; }

    TarsisMemory& m_memory;
    int m_port;
    Transport m_transport;
};

} // namespace kovo
