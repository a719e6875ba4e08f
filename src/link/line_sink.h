#pragma once

#include <QString>

namespace kovo {

class SerialLink;

// Where the lines of a transfer over the serial link go: the SerialLink in the programs, a
// scripted fake in tests. Lines are given complete, with their closing CR.
class LineSink {
public:
    virtual ~LineSink() = default;

    // Opens the port unless it is open; false (after telling the person) when it cannot.
    virtual bool open() = 0;
    virtual void close() = 0;
    // One exchange: writes the line and waits for the controller's answer. The outcome is left in
    // the link flags (refused or error limit: updateAborted; error limit also updateInterrupted).
    virtual void sendCommand(const QString& line) = 0;
    // Whether the controller acknowledged ("+") the line of the last sendCommand; a time-out or
    // a garbled answer leaves it unconfirmed.
    virtual bool lastConfirmed() const { return true; }
    // Writes the line without waiting for an answer (the reset at the end of an upload).
    virtual void writeLine(const QString& line) = 0;
    // The lock code the link writes when it gives up after too many errors.
    virtual void setLockCode(const QString& lock) = 0;
};

// The LineSink over the serial link.
class SerialLinkLineSink : public LineSink {
public:
    explicit SerialLinkLineSink(SerialLink& link) : m_link(link) {}

    bool open() override;
    void close() override;
    void sendCommand(const QString& line) override;
    bool lastConfirmed() const override;
    void writeLine(const QString& line) override;
    void setLockCode(const QString& lock) override;

private:
    SerialLink& m_link;
};

} // namespace kovo
