#pragma once
// tamro18-emulator: the emulated programmer behind a pseudo-terminal or a TCP
// port, for the serial and TCP backends and for other programs.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "emulator/programmer.h"

namespace tamro::emu {

struct DaemonOptions {
    bool pty = false;
    std::string tcpHost = "127.0.0.1";
    std::string tcpPort;
    Options emulator;
    // Where the per-device state file goes when none is named ("" for none),
    // and whether the environment named one.
    std::string dataFolder;
    bool stateFileNamed = false;
    // For tests of late replies: the replies to these packets (1-based, counted
    // over the daemon's life) leave `replyDelay` late.
    std::set<std::uint64_t> delayedReplies;
    std::chrono::milliseconds replyDelay{1000};
    // A TCP client that sends nothing (and waits for no reply), or takes no
    // reply, for this long is dropped so that the next one can be served: a
    // few seconds beyond the host's own time limit of 2 s.
    std::chrono::milliseconds idleLimit{5000};
};

// What the command line asks for instead of serving.
enum class DaemonInfo { None, Help, Version };

// Parses the command line over `options`, the defaults from the environment.
// False with `error` set (or `info` naming what to print) when the daemon
// should not start.
bool ParseDaemonArguments(int argc, char** argv, DaemonOptions& options, std::string& error,
                          DaemonInfo& info);
std::string DaemonUsage();

// Serves until SIGTERM, SIGINT or SIGHUP; prints the pty path or
// "listening on HOST:PORT" as the first line of `out`. Returns the exit status.
// Non-zero also when the state file is refused at start or a save of it
// failed. One client at a time: while a TCP client is served, another
// client's connection is reset at once (a client that has gone makes way).
int RunDaemon(const DaemonOptions& options, std::FILE* out);

}  // namespace tamro::emu
