#include "emulator_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace kovo {

namespace {

using Clock = InProcessDevice::Clock;

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

bool setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

timespec until(Clock::time_point due) {
    const auto left = due - Clock::now();
    if (left <= Clock::duration::zero())
        return timespec{0, 0};
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    return timespec{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

} // namespace

EmulatorServer::EmulatorServer(std::shared_ptr<TarsisEmulator> emulator)
    : m_emulator(std::move(emulator)) {
    if (pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        m_stopPipe[0] = m_stopPipe[1] = -1;
}

EmulatorServer::~EmulatorServer() {
    closeAll();
    for (int& fd : m_stopPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void EmulatorServer::closeAll() {
    for (int* fd : {&m_master, &m_slave, &m_listen}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void EmulatorServer::stop() {
    if (m_stopPipe[1] >= 0) {
        const char byte = 's';
        [[maybe_unused]] const auto written = ::write(m_stopPipe[1], &byte, 1);
    }
}

bool EmulatorServer::openPty(QString* error) {
    const auto fail = [&](const char* what) {
        if (error)
            *error = systemError(what);
        closeAll();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (grantpt(m_master) != 0)
        return fail("grantpt");
    if (unlockpt(m_master) != 0)
        return fail("unlockpt");
    char name[256];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0)
        return fail("tcgetattr");
    // Raw: no echo back to the host, no line editing, no CR/NL translation either way.
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    if (!setNonBlocking(m_master))
        return fail("fcntl");
    return true;
}

bool EmulatorServer::listenTcp(quint16 port, QString* error) {
    const auto fail = [&](const char* what) {
        if (error)
            *error = systemError(what);
        closeAll();
        return false;
    };
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        return fail("socket");
    const int on = 1;
    setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return fail("bind");
    if (::listen(m_listen, 1) != 0)
        return fail("listen");
    socklen_t length = sizeof address;
    if (getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return fail("getsockname");
    m_tcpPort = ntohs(address.sin_port);
    return true;
}

EmulatorServer::End EmulatorServer::run() {
    // A host that goes away while we write must not end the process.
    signal(SIGPIPE, SIG_IGN);
    // Answers leave at computed instants; the default 50 us of timer slack would add up over the
    // thousands of exchanges of an upload or a download.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    m_failure.clear();
    if (m_master >= 0) {
        m_emulator->hostConnected();
        const FdEnd end = serveFd(m_master);
        if (end == FdEnd::Dropped) {
            closeAll(); // the host sees the line go away
            return End::Dropped;
        }
        return end == FdEnd::Failed ? End::Failed : End::Stopped;
    }
    if (m_listen < 0) {
        m_failure = QStringLiteral("nothing to serve on");
        return End::Failed;
    }
    for (;;) {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            m_failure = systemError("poll");
            return End::Failed;
        }
        if (fds[1].revents)
            return End::Stopped;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        const int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        setNonBlocking(client);
        m_emulator->hostConnected();
        const FdEnd end = serveFd(client);
        ::close(client);
        if (end == FdEnd::Stopped)
            return End::Stopped;
        if (end == FdEnd::Failed)
            return End::Failed;
        // Dropped or closed by the host: wait for the next connection.
    }
}

bool EmulatorServer::writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{fd, POLLOUT, 0}, {m_stopPipe[0], POLLIN, 0}};
            if (::poll(fds, 2, 1000) > 0 && fds[1].revents)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

EmulatorServer::FdEnd EmulatorServer::serveFd(int fd) {
    std::deque<InProcessDevice::Delivery> pending;
    char buffer[4096];
    for (;;) {
        timespec timeout{};
        timespec* wait = nullptr;
        if (!pending.empty()) {
            timeout = until(pending.front().due);
            wait = &timeout;
        }
        pollfd fds[2] = {{fd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, wait, nullptr);
        if (ready < 0 && errno != EINTR) {
            m_failure = systemError("poll");
            return FdEnd::Failed;
        }
        if (ready > 0 && fds[1].revents)
            return FdEnd::Stopped;
        if (ready > 0 && fds[0].revents) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                auto replies = m_emulator->hostWrote(QByteArray(buffer, n), Clock::now());
                for (auto& reply : replies)
                    pending.push_back(std::move(reply));
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                if (fd != m_master)
                    return FdEnd::Closed; // the host closed the connection
                // A pseudo-terminal whose slave nobody holds reports a hang-up; ours is held,
                // so this is a passing state: do not spin on it.
                ::poll(nullptr, 0, 10);
            }
        }
        const auto now = Clock::now();
        while (!pending.empty() && pending.front().due <= now) {
            const auto delivery = std::move(pending.front());
            pending.pop_front();
            if (!delivery.bytes.isEmpty() && !writeAll(fd, delivery.bytes)) {
                if (fd != m_master)
                    return FdEnd::Closed;
            }
            if (delivery.hangUp)
                return FdEnd::Dropped;
        }
    }
}

} // namespace kovo
