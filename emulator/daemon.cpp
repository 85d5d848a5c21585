#include "emulator/daemon.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

#include "common/arguments.h"
#include "emulator/device_facts.h"
#include "emulator/packet_framing.h"
#include "emulator/state_file.h"
#include "emulator/timing.h"

namespace tamro::emu {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A packet left incomplete this long belongs to a client that has gone; it is dropped
// so that the next client's packets are not read out of step.
constexpr std::chrono::milliseconds kStalePacket{1000};
// A reply nobody takes from the pseudo-terminal is dropped after this long.
constexpr std::chrono::milliseconds kPtyReplyWrite{2000};
// Keepalive probes find a host that vanished while it waited for a held reply.
constexpr int kKeepaliveIdleSeconds = 10;
constexpr int kKeepaliveIntervalSeconds = 5;
constexpr int kKeepaliveProbes = 3;

enum class Served { ConnectionEnded, Stop };
enum class Sent { All, Blocked, Failed };

// Sends what the descriptor takes of the reply from `offset` on, without waiting.
Sent SendSome(int fd, const Block& reply, std::size_t& offset, bool socket) {
    while (offset < reply.size()) {
        const ssize_t n = socket ? send(fd, reply.data() + offset, reply.size() - offset,
                                        MSG_NOSIGNAL | MSG_DONTWAIT)
                                 : write(fd, reply.data() + offset, reply.size() - offset);
        if (n > 0) {
            offset += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Sent::Blocked;
        return Sent::Failed;
    }
    return Sent::All;
}

// Closes a connection with a reset, so that its client learns at once.
void Refuse(int fd) {
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(fd);
}

bool IsLoopback(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        return (ntohl(v4.sin_addr.s_addr) >> 24) == 127;
    }
    if (address.ss_family == AF_INET6) {
        const in6_addr& v6 = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    }
    return false;
}

class Daemon {
  public:
    Daemon(const DaemonOptions& options, int signalFd, std::FILE* out)
        : options_(options), programmer_(options.emulator), signalFd_(signalFd), out_(out) {}

    int RunPty();
    int RunTcp();
    // Saves the chip's memory; false when a save failed during the daemon's life.
    bool Finish();
    void ReportStateProblems();

  private:
    // Reads packets from `fd` and answers each until the peer goes, is
    // dropped as idle, makes way for the next client, or a signal comes.
    Served Serve(int fd, bool socket);
    bool SignalPending();
    void Report(const std::optional<OperationTiming>& operation);
    // A connection waiting on the listener while `current` is served: it is
    // served next when `current` has already gone (true), else reset.
    bool TakeNewcomer(int current);
    // A listening socket on `address`, or -1.
    static int Listen(const sockaddr* address, socklen_t length);

    const DaemonOptions& options_;
    Programmer programmer_;
    int signalFd_;
    std::FILE* out_;
    std::uint64_t packetsServed_ = 0;
    int listener_ = -1;
    int next_ = -1;
};

void Daemon::Report(const std::optional<OperationTiming>& operation) {
    if (!operation) return;
    std::fprintf(out_, "%s\n", OperationTimingText(*operation).c_str());
    std::fflush(out_);
}

void Daemon::ReportStateProblems() {
    for (const std::string& problem : programmer_.TakeStateProblems()) {
        std::fprintf(stderr, "tamro18-emulator: %s\n", problem.c_str());
    }
}

bool Daemon::Finish() {
    programmer_.SaveState();
    ReportStateProblems();
    return !programmer_.StateSaveFailed();
}

int Daemon::Listen(const sockaddr* address, socklen_t length) {
    const int fd = socket(address->sa_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (bind(fd, address, length) != 0 || listen(fd, 4) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool Daemon::SignalPending() {
    signalfd_siginfo info{};
    return read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info);
}

bool Daemon::TakeNewcomer(int current) {
    const int newcomer = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (newcomer < 0) return false;
    // A client that has closed its end with nothing left unread has gone:
    // the next one need not wait until its end is noticed.
    char byte = 0;
    const ssize_t peeked = recv(current, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        next_ = newcomer;
        return true;
    }
    Refuse(newcomer);
    return false;
}

// Packets are read as they arrive, also while earlier replies wait for their
// time, and each reply leaves when the timeline says. A client that takes no
// replies is read no further until it does.
Served Daemon::Serve(int fd, bool socket) {
    struct PendingReply {
        Block reply;
        SteadyClock::time_point due;
        std::size_t sent = 0;
    };
    Timeline timeline(options_.emulator.timing, options_.emulator.device);
    std::deque<PendingReply> outgoing;
    const auto end = [&](Served served) {
        Report(timeline.Finish());
        return served;
    };
    PacketFramer framer(kStalePacket);
    // The last byte in from the client or out to it.
    auto lastProgress = SteadyClock::now();
    for (;;) {
        auto now = SteadyClock::now();
        bool blocked = false;
        while (!outgoing.empty() && outgoing.front().due <= now) {
            PendingReply& front = outgoing.front();
            const std::size_t before = front.sent;
            const Sent sent = SendSome(fd, front.reply, front.sent, socket);
            if (front.sent != before) lastProgress = now;
            if (sent == Sent::Blocked) {
                blocked = true;
                break;
            }
            if (sent == Sent::Failed && socket) return end(Served::ConnectionEnded);
            outgoing.pop_front();
        }
        Report(timeline.TakeFinished());
        if (outgoing.empty()) Report(timeline.FinishIfIdle(now));
        framer.DropStale(now);

        // A TCP client is idle while it neither sends nor takes a reply that is
        // due; a reply nobody takes from the pseudo-terminal is dropped.
        const bool idle = socket ? outgoing.empty() || blocked : blocked;
        const auto idleEnd =
            lastProgress +
            (socket ? options_.idleLimit
                    : std::chrono::duration_cast<std::chrono::milliseconds>(kPtyReplyWrite));
        if (idle && now >= idleEnd) {
            if (socket) return end(Served::ConnectionEnded);
            outgoing.pop_front();
            lastProgress = now;
            continue;
        }

        SteadyClock::duration wait = SteadyClock::duration::max();
        if (!outgoing.empty() && !blocked) wait = outgoing.front().due - now;
        if (framer.Held()) wait = std::min<SteadyClock::duration>(wait, kStalePacket / 4);
        if (outgoing.empty() && timeline.OperationUnderWay()) {
            wait = std::min<SteadyClock::duration>(wait, kOperationGap / 4);
        }
        if (idle) wait = std::min<SteadyClock::duration>(wait, idleEnd - now);
        timespec timeout{};
        if (wait != SteadyClock::duration::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        pollfd entries[3] = {{fd, static_cast<short>(blocked ? POLLOUT : POLLIN), 0},
                             {signalFd_, POLLIN, 0},
                             {socket ? listener_ : -1, POLLIN, 0}};
        const int ready =
            ppoll(entries, 3, wait == SteadyClock::duration::max() ? nullptr : &timeout, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return end(Served::ConnectionEnded);
        if ((entries[1].revents & POLLIN) && SignalPending()) return end(Served::Stop);
        if ((entries[2].revents & POLLIN) && TakeNewcomer(fd)) return end(Served::ConnectionEnded);
        if (blocked || !(entries[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        // At most the rest of one packet is read at a time, so that a client
        // that takes no replies is read no further.
        std::uint8_t bytes[sizeof(Block)];
        const ssize_t n = read(fd, bytes, framer.Missing());
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return end(Served::ConnectionEnded);
        const auto arrival = SteadyClock::now();
        lastProgress = arrival;
        for (const Block& packet : framer.Take({bytes, static_cast<std::size_t>(n)}, arrival)) {
            const Block reply = programmer_.Exchange(packet);
            ReportStateProblems();
            SteadyClock::time_point due = timeline.Accept(packet, arrival);
            if (options_.delayedReplies.count(++packetsServed_)) {
                due = std::max(due, arrival + options_.replyDelay);
            }
            // Replies leave in order, also behind a held one.
            if (!outgoing.empty()) due = std::max(due, outgoing.back().due);
            outgoing.push_back({reply, due});
        }
    }
}

int Daemon::RunPty() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "tamro18-emulator: cannot create a pseudo-terminal: %s\n",
                     std::strerror(errno));
        return 1;
    }
    const char* name = ptsname(master);
    const std::string path = name ? name : "";
    // Holding the terminal side open keeps the pty alive between clients, and
    // raw mode keeps the bytes as they are.
    const int terminal = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (terminal < 0 || tcgetattr(terminal, &settings) != 0) {
        std::fprintf(stderr, "tamro18-emulator: cannot open %s\n", path.c_str());
        return 1;
    }
    cfmakeraw(&settings);
    tcsetattr(terminal, TCSANOW, &settings);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    std::fprintf(out_, "%s\n", path.c_str());
    std::fflush(out_);
    Serve(master, false);
    close(terminal);
    close(master);
    return 0;
}

int Daemon::RunTcp() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const int resolved =
        getaddrinfo(options_.tcpHost.c_str(), options_.tcpPort.c_str(), &hints, &found);
    if (resolved != 0) {
        std::fprintf(stderr, "tamro18-emulator: %s:%s: %s\n", options_.tcpHost.c_str(),
                     options_.tcpPort.c_str(), gai_strerror(resolved));
        return 1;
    }
    for (addrinfo* entry = found; entry && listener_ < 0; entry = entry->ai_next) {
        listener_ = Listen(entry->ai_addr, entry->ai_addrlen);
    }
    freeaddrinfo(found);
    if (listener_ < 0) {
        std::fprintf(stderr, "tamro18-emulator: cannot listen on %s:%s: %s\n",
                     options_.tcpHost.c_str(), options_.tcpPort.c_str(), std::strerror(errno));
        return 1;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length);
    char host[NI_MAXHOST] = "";
    char port[NI_MAXSERV] = "";
    getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, host, sizeof host, port, sizeof port,
                NI_NUMERICHOST | NI_NUMERICSERV);
    // An IPv6 address is bracketed so that the port stays recognisable.
    const bool ipv6 = std::strchr(host, ':') != nullptr;
    const std::string where = std::string(ipv6 ? "[" : "") + host + (ipv6 ? "]" : "") + ":" + port;
    if (!IsLoopback(bound)) {
        std::fprintf(stderr,
                     "tamro18-emulator: warning: %s is reachable from other hosts, and anyone "
                     "who reaches the port drives the programmer\n",
                     where.c_str());
    }
    std::fprintf(out_, "listening on %s\n", where.c_str());
    std::fflush(out_);

    for (;;) {
        int client = std::exchange(next_, -1);
        if (client < 0) {
            pollfd entries[2] = {{listener_, POLLIN, 0}, {signalFd_, POLLIN, 0}};
            const int ready = poll(entries, 2, -1);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) break;
            if ((entries[1].revents & POLLIN) && SignalPending()) break;
            if (!(entries[0].revents & POLLIN)) continue;
            client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (client < 0) continue;
        }
        // Replies leave one by one as they fall due, not gathered by Nagle's algorithm.
        const int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        // Replies a client does not take are held only this far, so that one
        // that never reads is found within a few thousand packets.
        const int sendBuffer = 64 * 1024;
        setsockopt(client, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        setsockopt(client, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
        setsockopt(client, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepaliveIdleSeconds,
                   sizeof kKeepaliveIdleSeconds);
        setsockopt(client, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepaliveIntervalSeconds,
                   sizeof kKeepaliveIntervalSeconds);
        setsockopt(client, IPPROTO_TCP, TCP_KEEPCNT, &kKeepaliveProbes, sizeof kKeepaliveProbes);
        const Served served = Serve(client, true);
        close(client);
        if (served == Served::Stop) break;
    }
    if (next_ >= 0) close(next_);
    close(listener_);
    return 0;
}

// The silicon revision sits in the device ID's low five bits.
constexpr long kMaxRevision = 31;

// "3" or "3,7,12" into `numbers`; false on anything else.
bool ParsePacketNumbers(const std::string& text, std::set<std::uint64_t>& numbers) {
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        char* end = nullptr;
        const unsigned long long number = std::strtoull(item.c_str(), &end, 10);
        if (item.empty() || *end || item[0] == '-' || number == 0) return false;
        numbers.insert(number);
        start = comma + 1;
    }
    return true;
}

}  // namespace

std::string DaemonUsage() {
    return "usage: tamro18-emulator (--pty | --tcp [HOST:]PORT) [--device 18F452|18F4520]\n"
           "       [--revision N] [--state PATH|none] [--no-target] [--latency-ms MS]\n"
           "       [--signal-hz HZ] [--icsp-khz KHZ] [--link-latency-ms MS]\n"
           "       [--delay-replies N[,N...]] [--delay-ms MS] [--idle-ms MS]\n"
           "       tamro18-emulator --help | --version\n"
           "The TAMRO18_EMULATOR_* environment variables give the defaults.\n";
}

bool ParseDaemonArguments(int argc, char** argv, DaemonOptions& options, std::string& error,
                          DaemonInfo& info) {
    info = DaemonInfo::None;
    bool stateGiven = false;
    bool modeGiven = false;
    // A number from `minimum` to `maximum`, or nothing.
    auto number = [](const std::string& text, double minimum,
                     double maximum) -> std::optional<double> {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end || !(value >= minimum) || value > maximum) {
            return std::nullopt;
        }
        return value;
    };
    const auto showHelp = [&] { info = DaemonInfo::Help; };
    const ArgumentRules rules{
        {{"--help", showHelp, {}},
         {"-h", showHelp, {}},
         {"--version", [&] { info = DaemonInfo::Version; }, {}},
         {"--pty",
          [&] {
              options.pty = true;
              modeGiven = true;
          },
          {}},
         {"--tcp",
          {},
          [&](std::string value) -> ArgumentRefusal {
              const std::size_t colon = value.rfind(':');
              if (colon != std::string::npos) {
                  options.tcpHost = value.substr(0, colon);
                  if (options.tcpHost.size() >= 2 && options.tcpHost.front() == '[') {
                      options.tcpHost = options.tcpHost.substr(1, options.tcpHost.size() - 2);
                  }
                  value = value.substr(colon + 1);
              }
              options.tcpPort = value;
              if (options.tcpPort.empty() || options.tcpHost.empty()) {
                  return "--tcp needs [HOST:]PORT";
              }
              options.pty = false;
              modeGiven = true;
              return {};
          }},
         {"--device",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const auto device = DeviceFromName(value);
              if (!device) return "unknown device " + value + " (18F452 or 18F4520)";
              options.emulator.device = *device;
              return {};
          }},
         {"--revision",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<long> revision = WholeNumberArgument(value, 0, kMaxRevision);
              if (!revision) return "--revision needs 0 to 31";
              options.emulator.revision = static_cast<int>(*revision);
              return {};
          }},
         {"--state",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              options.emulator.stateFile = value == "none" ? "" : value;
              stateGiven = true;
              return {};
          }},
         {"--delay-replies",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              if (!ParsePacketNumbers(value, options.delayedReplies)) {
                  return "--delay-replies needs packet numbers from 1 on, such as 3 or 3,7";
              }
              return {};
          }},
         {"--delay-ms",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<long> ms = WholeNumberArgument(value, 0, 600000);
              if (!ms) return "--delay-ms needs 0 to 600000";
              options.replyDelay = std::chrono::milliseconds(*ms);
              return {};
          }},
         {"--idle-ms",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<long> ms = WholeNumberArgument(value, 100, 3600000);
              if (!ms) return "--idle-ms needs 100 to 3600000";
              options.idleLimit = std::chrono::milliseconds(*ms);
              return {};
          }},
         {"--no-target", [&] { options.emulator.targetAttached = false; }, {}},
         {"--icsp-khz",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<long> khz = WholeNumberArgument(value, 1, 100000);
              if (!khz) return "--icsp-khz needs 1 to 100000";
              options.emulator.timing.icspKhz = static_cast<int>(*khz);
              options.emulator.timing.realTime = true;
              return {};
          }},
         {"--link-latency-ms",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<double> ms = number(value, 0, 60000);
              if (!ms) return "--link-latency-ms needs 0 to 60000";
              options.emulator.timing.linkLatency =
                  std::chrono::microseconds(static_cast<long long>(*ms * 1000));
              options.emulator.timing.realTime = true;
              return {};
          }},
         {"--latency-ms",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<double> ms = number(value, 0, 1e7);
              if (!ms) return "--latency-ms needs a number";
              options.emulator.latency =
                  std::chrono::microseconds(static_cast<long long>(*ms * 1000));
              return {};
          }},
         {"--signal-hz",
          {},
          [&](const std::string& value) -> ArgumentRefusal {
              const std::optional<double> hz = number(value, 0, 1e7);
              if (!hz) return "--signal-hz needs a number";
              options.emulator.signal.frequencyHz = *hz;
              return {};
          }}},
        {}};
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    const ArgumentRefusal refused = ParseArguments(words, rules);
    // --help and --version answer whatever else the line holds.
    if (info != DaemonInfo::None) return false;
    if (refused) {
        error = *refused;
        return false;
    }
    if (!modeGiven) {
        error = "give --pty or --tcp [HOST:]PORT";
        return false;
    }
    // The default state file is per device.
    if (!stateGiven && !options.stateFileNamed) {
        options.emulator.stateFile = DefaultStateFile(options.dataFolder, options.emulator.device);
    }
    return true;
}

int RunDaemon(const DaemonOptions& options, std::FILE* out) {
    // Only a regular file (or none yet, in a folder that can be written) may
    // take the chip's memory; anything else is refused before it is touched.
    if (!options.emulator.stateFile.empty()) {
        if (const FileResult usable = CheckStateFile(options.emulator.stateFile); !usable.ok()) {
            std::fprintf(stderr, "tamro18-emulator: %s\n", usable.error.c_str());
            return 1;
        }
    }
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0) {
        std::fprintf(stderr, "tamro18-emulator: signalfd: %s\n", std::strerror(errno));
        return 1;
    }
    int status = 0;
    {
        Daemon daemon(options, signalFd, out);
        daemon.ReportStateProblems();
        status = options.pty ? daemon.RunPty() : daemon.RunTcp();
        // The chip's memory is saved after the last exchange; a change that
        // could not be saved makes the end a failure.
        if (!daemon.Finish() && status == 0) status = 1;
    }
    close(signalFd);
    return status;
}

}  // namespace tamro::emu
