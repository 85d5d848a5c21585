// Any words as tamro18-emulator's command line (the input split at NUL
// bytes): the parser never crashes, and a command line it accepts names a
// way to serve.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "emulator/daemon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words{"tamro18-emulator"};
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    words.push_back(word);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    tamro::emu::DaemonOptions options;
    std::string error;
    tamro::emu::DaemonInfo info{};
    const bool accepted = tamro::emu::ParseDaemonArguments(static_cast<int>(words.size()),
                                                           argv.data(), options, error, info);
    if (accepted && !options.pty && options.tcpPort.empty()) std::abort();
    if (!accepted && info == tamro::emu::DaemonInfo::None && error.empty()) std::abort();
    return 0;
}
