#pragma once
// Programmers reached over a byte stream: a serial device or a TCP connection.
// The protocol's fixed 8-byte packets and replies are the framing; nothing is added.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "link/driver_library.h"

namespace tamro {

// `timeout`: how long a read waits for a whole reply (and a write or connect
// for the other side) before it returns a short count. `baud` must be one of
// SerialBaudRates().
std::unique_ptr<DriverLibrary> MakeSerialDriver(const std::string& path,
                                                std::chrono::milliseconds timeout, int baud);
// The line rates a serial setting may name, slowest first.
const std::vector<int>& SerialBaudRates();
// `host` may be a name, an IPv4 address or an IPv6 address, bracketed or not.
std::unique_ptr<DriverLibrary> MakeTcpDriver(const std::string& host, const std::string& port,
                                             std::chrono::milliseconds timeout);

}  // namespace tamro
