#pragma once

#include "emulator/dtmf_decoder.h"
#include "emulator/tarsis_memory.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <span>

namespace kovo {

// The controller's ear for programming over the air: takes the digits its receiver hears and
// applies the command units in them to the memory.
//
// The digits fall into units, each closed by the terminator digit:
//  - a port's unlock code: that port is unlocked (selected); it is heard locked or not, so a
//    transfer may go from one port to the next without locking in between;
//  - while a port is unlocked, the lock code: the controller locks again;
//  - while a port is unlocked, anything else: a command body for that port, applied as
//    TarsisMemory::applyDtmfBody does (a refused body leaves the port unlocked);
//  - while locked, anything else is not a command and is ignored.
// A terminator with nothing before it closes nothing.
//
// The terminator command "*9020" takes exactly one digit, so the digit after "*9020" is its value
// even when it is the terminator itself ("*9020DD" keeps D). Once the controller accepts a code
// command, the new code is the one it listens for: "*9020" the terminator, "*9010" the lock code,
// "*9000" the unlock code of the port it came in on.
class DtmfCommandListener {
public:
    // The codes the controller answers to. The defaults are those of a factory-fresh memory.
    struct Codes {
        std::array<QString, 3> unlock = {QStringLiteral("16470"), QStringLiteral("26470"),
                                         QStringLiteral("36470")};
        QString lock = QStringLiteral("#");
        QString terminator = QStringLiteral("D");
    };

    enum class UnitKind { Unlock, Lock, Body, Ignored };
    struct Unit {
        UnitKind kind = UnitKind::Ignored;
        int port = 0;           // the port unlocked (Unlock) or the body's port (Body)
        QString digits;         // without the terminator
        CommandOutcome outcome; // Body: what the memory made of it
    };

    // Longer runs of digits without a terminator are noise, not a command: they are dropped.
    static constexpr int MaxUnitDigits = 256;

    // Listens with the codes of a factory-fresh memory, or with the given ones.
    explicit DtmfCommandListener(TarsisMemory& memory);
    DtmfCommandListener(TarsisMemory& memory, Codes codes);

    // One heard digit ("0"-"9", "*", "#", "A"-"D"; lower-case "a"-"d" too). Anything else is
    // ignored.
    void hearDigit(QChar digit);
    void hear(QStringView digits);

    // Audio: mono 16-bit samples at the decoder's rate (8000 Hz), any number at a time.
    void feed(std::span<const std::int16_t> samples);
    // A whole PCM WAVE image or file (the left channel of a stereo one). False (with *error)
    // when it cannot be read; nothing is heard then.
    bool hearWav(const QByteArray& image, QString* error = nullptr);
    bool hearWavFile(const QString& path, QString* error = nullptr);

    const Codes& codes() const { return m_codes; }
    void setCodes(const Codes& codes) { m_codes = codes; }
    // The unlocked port, 0 when locked.
    int unlockedPort() const { return m_port; }
    // Digits heard since the last terminator.
    QString pendingDigits() const { return m_unit; }

    // Every unit heard, in order, and counts of them.
    const QList<Unit>& units() const { return m_units; }
    int digitsHeard() const { return m_digitsHeard; }
    int bodiesAccepted() const { return m_accepted; }
    // The bodies the memory refused and the units ignored while locked, as
    // "<digits> -> <reason>", in order.
    QStringList problems() const;

private:
    void endUnit();
    void followCodeChange(int port, QStringView body);

    TarsisMemory& m_memory;
    Codes m_codes;
    DtmfDecoder m_decoder;
    int m_port = 0;
    QString m_unit;
    bool m_overflow = false;
    QList<Unit> m_units;
    int m_digitsHeard = 0;
    int m_accepted = 0;
};

} // namespace kovo
