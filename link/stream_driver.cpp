#include "link/stream_driver.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "link/backends.h"
#include "link/stream_drivers.h"

namespace tamro {
namespace {

using SteadyClock = std::chrono::steady_clock;

// How long the line must stay quiet, once the owed reply bytes are in, before a
// resynchronised exchange goes on: longer than a USB-serial adapter holds bytes back.
constexpr std::chrono::milliseconds kQuietInterval{50};

int MillisecondsLeft(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() <= 0 ? 0 : static_cast<int>(left.count());
}

// Waits for `events` on `fd` until the deadline. False on timeout or hang-up
// without the event.
bool WaitFor(int fd, short events, SteadyClock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        // A hang-up still lets the read see the end of the stream.
        return (entry.revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

}  // namespace

StreamDriver::~StreamDriver() {
    CloseDescriptor();
}

void StreamDriver::CloseDescriptor() {
    if (fd_ < 0) return;
    Release(fd_);
    close(fd_);
    fd_ = -1;
}

std::int32_t StreamDriver::Open() {
    if (opened_) return -1;
    openFailure_ = {};
    fd_ = Connect(openFailure_);
    if (fd_ < 0) return -2;
    opened_ = true;
    owed_ = 0;
    outOfStep_ = false;
    return 0;
}

void StreamDriver::Close() {
    Lose();
    opened_ = false;
}

void StreamDriver::Lose() {
    CloseDescriptor();
    owed_ = 0;
    outOfStep_ = false;
}

bool StreamDriver::Reconnect() {
    OpenFailureCause ignored;
    fd_ = Connect(ignored);
    return fd_ >= 0;
}

void StreamDriver::DiscardStrayInput() {
    std::uint8_t scratch[256];
    for (;;) {
        const ssize_t n = read(fd_, scratch, sizeof scratch);
        if (n > 0) continue;
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) Lose();
        return;
    }
}

void StreamDriver::Resynchronise() {
    // A packet still queued unsent would be answered after the next one.
    FlushQueue(fd_, TCOFLUSH);
    const auto start = SteadyClock::now();
    const auto deadline = start + timeout_;
    const auto quiet = std::min<std::chrono::milliseconds>(kQuietInterval, timeout_);
    auto lastByte = start;
    std::size_t dropped = 0;
    std::uint8_t scratch[256];
    for (;;) {
        // Until the owed bytes are in, wait for them up to the time limit; after
        // that only until the line has been quiet for a moment.
        const auto until = dropped < owed_ ? deadline : std::min(deadline, lastByte + quiet);
        if (!WaitFor(fd_, POLLIN, until)) break;
        const ssize_t n = read(fd_, scratch, sizeof scratch);
        if (n > 0) {
            dropped += static_cast<std::size_t>(n);
            lastByte = SteadyClock::now();
            continue;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        Lose();
        return;
    }
    FlushQueue(fd_, TCIFLUSH);
    owed_ = 0;
    outOfStep_ = false;
}

std::int32_t StreamDriver::DataWrite(const std::uint8_t* buffer, std::int32_t count) {
    if (!opened_ || !buffer || count <= 0) return 0;
    // After a lost connection, each write tries once to reach the programmer again.
    if (fd_ < 0 && !Reconnect()) return 0;
    if (outOfStep_) {
        Resynchronise();
    } else if (owed_ == 0) {
        // Nothing is owed, so anything waiting is noise that would shift the next reply.
        DiscardStrayInput();
        // A programmer that dropped the connection while it sat idle is reached again.
        if (fd_ < 0 && !Reconnect()) return 0;
    }
    if (fd_ < 0) return 0;
    const auto deadline = SteadyClock::now() + timeout_;
    std::size_t written = 0;
    const std::size_t wanted = static_cast<std::size_t>(count);
    while (written < wanted) {
        const ssize_t n = WriteSome(fd_, buffer + written, wanted - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd_, POLLOUT, deadline)) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) Lose();
        break;
    }
    if (fd_ >= 0) {
        if (written == wanted) {
            owed_ += wanted;
        } else {
            outOfStep_ = true;  // the programmer holds part of a packet
        }
    }
    return static_cast<std::int32_t>(written);
}

std::int32_t StreamDriver::DataRead(std::uint8_t* buffer, std::int32_t count) {
    if (!opened_ || fd_ < 0 || !buffer || count <= 0) return 0;
    const auto deadline = SteadyClock::now() + timeout_;
    std::size_t got = 0;
    const std::size_t wanted = static_cast<std::size_t>(count);
    while (got < wanted) {
        const ssize_t n = read(fd_, buffer + got, wanted - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(fd_, POLLIN, deadline)) continue;
            break;  // time limit: the short count tells the link the reply is missing
        }
        Lose();  // end of stream or an error: the programmer has gone
        return static_cast<std::int32_t>(got);
    }
    owed_ -= std::min(owed_, got);
    if (got < wanted) outOfStep_ = true;
    return static_cast<std::int32_t>(got);
}

}  // namespace tamro
