#pragma once

#include "tarsis_emulator.h"

#include <QString>
#include <memory>

namespace kovo {

// Puts a TarsisEmulator on a line another program can open: a pseudo-terminal (the host opens
// its slave side like any serial port) or a loopback TCP port (a raw serial server, one host at
// a time). run() serves until stop() or, on a pseudo-terminal, until the emulator drops the line.
class EmulatorServer {
public:
    enum class End { Stopped, Dropped, Failed };

    explicit EmulatorServer(std::shared_ptr<TarsisEmulator> emulator);
    ~EmulatorServer();
    EmulatorServer(const EmulatorServer&) = delete;
    EmulatorServer& operator=(const EmulatorServer&) = delete;

    // Creates the pseudo-terminal in raw mode (no echo, no line editing, CR and every other byte
    // passed unchanged); slavePath() is what the host opens.
    bool openPty(QString* error = nullptr);
    QString slavePath() const { return m_slavePath; }

    // Listens on 127.0.0.1; port 0 picks a free one, tcpPort() tells which.
    bool listenTcp(quint16 port, QString* error = nullptr);
    quint16 tcpPort() const { return m_tcpPort; }

    End run();
    // Ends run() from another thread or from a signal handler.
    void stop();
    // What the last run() ended with, for messages.
    QString failure() const { return m_failure; }

private:
    enum class FdEnd { Stopped, Dropped, Closed, Failed };
    FdEnd serveFd(int fd);
    bool writeAll(int fd, const QByteArray& bytes);
    void closeAll();

    std::shared_ptr<TarsisEmulator> m_emulator;
    int m_master = -1;
    int m_slave = -1; // held open so that the line stays up while no host has it open
    int m_listen = -1;
    int m_stopPipe[2] = {-1, -1};
    QString m_slavePath;
    quint16 m_tcpPort = 0;
    QString m_failure;
};

} // namespace kovo
