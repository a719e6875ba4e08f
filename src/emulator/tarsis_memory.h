#pragma once

#include <QByteArray>
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
class TarsisMemory {
public:
    static constexpr int Size = 4096;

    TarsisMemory(); // factory-fresh contents

    // One serial command line: port digit + body, without the CR.
    CommandOutcome applySerialLine(QStringView line);
    // One DTMF command body for `port` (1-3), its digits as characters without the terminator.
    CommandOutcome applyDtmfBody(int port, QStringView digits);

    const QByteArray& bytes() const { return m_bytes; }
    void setBytes(const QByteArray& bytes); // must be Size bytes
    // The memory as the download streams it: "position,value" per byte.
    QStringList memoryLines() const;

    bool load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;

private:
    QByteArray m_bytes;
};

} // namespace kovo
