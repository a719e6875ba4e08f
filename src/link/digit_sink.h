#pragma once

#include <QString>

namespace kovo {

// Where the digits of a transfer over the air go: the DTMF player in the programs, a recorder in
// tests. One call per `DigitCode` ("0"-"9", "*"/"11", "#"/"12", "A"-"D"/"13"-"16"); a code that
// is no digit plays nothing.
class DigitSink {
public:
    virtual ~DigitSink() = default;

    virtual void sendDigit(const QString& digitCode) = 0;
    // keys (true) or unkeys (false) the transmitter; keying includes the wait before the first
    // digit. False (after telling the person) when the transmitter could not be keyed.
    virtual bool key(bool on) = 0;
    // True once digits could not be played (the sound failed): the command under way did not go
    // out whole, so its item must stay to be sent.
    virtual bool failed() const { return false; }
};

} // namespace kovo
