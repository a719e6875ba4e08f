#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace kovo {

struct CommandOutcome {
    bool accepted = false;
    QString reason; // why a command was refused, for the "-" answer
};

// The emulated controller's 4096-byte memory and the interpreter that applies programming
// commands to it, with its own parser: it never uses the program's command builder, so a fault
// in one shows against the other.
//
// Besides the memory the controller keeps a few settings that have no place in the image (the
// Ostrik board's autodial and toll-restrict entries, rings and patch time-out, the user DTMF
// prefix, the receiver and COS switches, the clock, the remote-base radio's current setting).
// They are "kept values", named like database keys ("AutoDial(7)", "RingNumber", "RxEnable(2)").
class TarsisMemory {
public:
    static constexpr int Size = 4096;

    TarsisMemory(); // factory-fresh contents

    // One serial command line: port digit + body, without the CR (a trailing CR/LF is ignored).
    CommandOutcome applySerialLine(QStringView line);
    // One DTMF command body for `port` (1-3), its digits as characters without the terminator.
    CommandOutcome applyDtmfBody(int port, QStringView digits);

    const QByteArray& bytes() const { return m_bytes; }
    void setBytes(const QByteArray& bytes); // must be Size bytes
    // The memory as the download streams it: "position,value" per byte.
    QStringList memoryLines() const;

    // A value kept outside the image; empty when the controller holds none under that key.
    QString keptValue(const QString& key) const { return m_kept.value(key); }
    const QMap<QString, QString>& keptValues() const { return m_kept; }

    // The Ostrik board's records as "1SendAPEram" streams them, one per "o" acknowledgement:
    // "RA" + three-digit entry + digits for every stored autodial number, "RT" likewise for the
    // toll-restrict list, "RS" + the patch time-out, "RR" + the number of rings, one "RI" line
    // naming the board, and last the end record "RIComplete".
    QStringList ostrikRecords() const;

    // The memory file holds the 4096 "position,value" lines (a valid memory image); the kept
    // values go to a companion file beside it, path + ".kept", one "key=value" per line.
    bool load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;

private:
    friend class TarsisCommands;

    QByteArray m_bytes;
    QMap<QString, QString> m_kept;
};

} // namespace kovo
