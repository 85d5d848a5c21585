#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/stream_driver.h"
#include "link/stream_drivers.h"

namespace tamro {
namespace {

// A programmer that cannot serve another client (the emulator while it serves
// one) resets the connection as soon as it sees it; this long without a reset
// means the connection is taken.
constexpr std::chrono::milliseconds kRefusalWindow{100};

// True when the peer closed or reset the new connection within the window.
bool RefusedAtOnce(int fd) {
    pollfd wait{fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&wait, 1, static_cast<int>(kRefusalWindow.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) return false;
    char byte = 0;
    const ssize_t peeked = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// Connects within the time limit; -1 with `cause` set when no address answers.
int ConnectTo(const std::string& host, const std::string& port, std::chrono::milliseconds limit,
              OpenFailureCause& cause) {
    const std::string where = host + " port " + port;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int resolved = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
        resolved != 0) {
        cause = {OpenProblem::Unreachable, where + ": " + gai_strerror(resolved)};
        return -1;
    }
    int connected = -1;
    int lastError = ECONNREFUSED;
    for (addrinfo* entry = found; entry && connected < 0; entry = entry->ai_next) {
        const int fd =
            socket(entry->ai_family, entry->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) continue;
        int result = connect(fd, entry->ai_addr, entry->ai_addrlen);
        if (result != 0 && errno == EINPROGRESS) {
            pollfd wait{fd, POLLOUT, 0};
            int error = ETIMEDOUT;
            if (poll(&wait, 1, static_cast<int>(limit.count())) == 1) {
                socklen_t length = sizeof error;
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            }
            result = error == 0 ? 0 : -1;
            errno = error;
        }
        if (result == 0 && RefusedAtOnce(fd)) {
            result = -1;
            errno = ECONNREFUSED;
        }
        if (result == 0) {
            const int on = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            connected = fd;
        } else {
            lastError = errno;
            close(fd);
        }
    }
    freeaddrinfo(found);
    if (connected < 0) {
        cause = {OpenProblem::Unreachable,
                 where + ": " +
                     (lastError == ECONNREFUSED
                          ? std::string("connection refused (nothing listening, or busy with "
                                        "another client)")
                          : std::strerror(lastError))};
    }
    return connected;
}

// A programmer reached over TCP, for instance behind a serial-to-network bridge.
class TcpDriver final : public StreamDriver {
  public:
    TcpDriver(std::string host, std::string port, std::chrono::milliseconds timeout)
        : StreamDriver(timeout), host_(std::move(host)), port_(std::move(port)) {
        if (host_.size() >= 2 && host_.front() == '[' && host_.back() == ']') {
            host_ = host_.substr(1, host_.size() - 2);
        }
    }

  protected:
    int Connect(OpenFailureCause& cause) override {
        return ConnectTo(host_, port_, Timeout(), cause);
    }
    ssize_t WriteSome(int fd, const std::uint8_t* buffer, std::size_t count) override {
        // A peer that has gone must not raise SIGPIPE in the panel.
        return send(fd, buffer, count, MSG_NOSIGNAL);
    }

  private:
    std::string host_;
    std::string port_;
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeTcpDriver(const std::string& host, const std::string& port,
                                             std::chrono::milliseconds timeout) {
    return std::make_unique<TcpDriver>(host, port, timeout);
}

}  // namespace tamro
