#pragma once

// A test harness: the emulated Tarsis serving a real pseudo-terminal (or a loopback TCP port)
// from a thread of the test process, or from a `kovo-cli emulate` child process.

#include "emulator/emulator_server.h"
#include "emulator/tarsis_emulator.h"

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace kovo::test {

// QProcess and the socket classes want an application object; tests share one.
inline void ensureCoreApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "kovo-tests";
    static char* argv[] = {name, nullptr};
    [[maybe_unused]] static auto* app = new QCoreApplication(argc, argv);
}

class PtyEmulator {
public:
    enum class Transport { Pty, Tcp };

    explicit PtyEmulator(const EmulatorFaults& faults = {}, Transport transport = Transport::Pty)
        : m_emulator(std::make_shared<TarsisEmulator>(faults)), m_server(m_emulator) {
        ensureCoreApplication(); // before a TCP port listens
        QString error;
        const bool ready =
            transport == Transport::Pty ? m_server.openPty(&error) : m_server.listenTcp(0, &error);
        EXPECT_TRUE(ready) << error.toStdString();
        if (ready)
            m_thread = std::thread([this] { m_end = m_server.run(); });
    }
    ~PtyEmulator() { stop(); }
    PtyEmulator(const PtyEmulator&) = delete;
    PtyEmulator& operator=(const PtyEmulator&) = delete;

    // Where the host connects: the slave path or tcp://127.0.0.1:port.
    QString port() const {
        if (!m_server.slavePath().isEmpty())
            return m_server.slavePath();
        return QStringLiteral("tcp://127.0.0.1:%1").arg(m_server.tcpPort());
    }
    TarsisEmulator& emulator() { return *m_emulator; }

    // Waits for the server thread (it ends by itself when the line is dropped).
    EmulatorServer::End stop() {
        if (m_thread.joinable()) {
            m_server.stop();
            m_thread.join();
        }
        return m_end;
    }

private:
    std::shared_ptr<TarsisEmulator> m_emulator;
    EmulatorServer m_server;
    std::thread m_thread;
    EmulatorServer::End m_end = EmulatorServer::End::Failed;
};

// `kovo-cli emulate --pty` as a child process, so that a test can kill it.
class EmulatorProcess {
public:
    explicit EmulatorProcess(const QStringList& extraArguments = {}) {
        m_process.setProgram(QStringLiteral(KOVO_CLI_PATH));
        m_process.setArguments(QStringList{QStringLiteral("emulate"), QStringLiteral("--pty"),
                                           QStringLiteral("--quiet")} +
                               extraArguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000) || !m_process.waitForReadyRead(10000)) {
            ADD_FAILURE() << "kovo-cli emulate did not start";
            return;
        }
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_port = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~EmulatorProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    QString port() const { return m_port; }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
    QString m_port;
};

} // namespace kovo::test
