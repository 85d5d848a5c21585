#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "emulator/daemon.h"

namespace tamro::emu {
namespace {

struct Parsed {
    bool ok = false;
    DaemonInfo info = DaemonInfo::None;
    std::string error;
    DaemonOptions options;
};

Parsed Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "tamro18-emulator");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    Parsed parsed;
    parsed.ok = ParseDaemonArguments(static_cast<int>(argv.size()), argv.data(), parsed.options,
                                     parsed.error, parsed.info);
    return parsed;
}

TEST(DaemonArgumentsTest, ModesDevicesAndOptions) {
    Parsed pty = Parse({"--pty", "--device", "18F4520", "--state", "none", "--no-target"});
    ASSERT_TRUE(pty.ok) << pty.error;
    EXPECT_TRUE(pty.options.pty);
    EXPECT_EQ(pty.options.emulator.device, Device::Pic18F4520);
    EXPECT_TRUE(pty.options.emulator.stateFile.empty());
    EXPECT_FALSE(pty.options.emulator.targetAttached);

    Parsed tcp = Parse({"--tcp", "5000", "--latency-ms", "2.5", "--signal-hz", "250"});
    ASSERT_TRUE(tcp.ok) << tcp.error;
    EXPECT_EQ(tcp.options.tcpHost, "127.0.0.1");
    EXPECT_EQ(tcp.options.tcpPort, "5000");
    EXPECT_EQ(tcp.options.emulator.latency.count(), 2500);
    EXPECT_EQ(tcp.options.emulator.signal.frequencyHz, 250.0);

    // Either timing option switches the timing model on.
    EXPECT_FALSE(tcp.options.emulator.timing.realTime);
    Parsed timed = Parse({"--tcp", "0", "--icsp-khz", "10000", "--link-latency-ms", "1.5"});
    ASSERT_TRUE(timed.ok) << timed.error;
    EXPECT_EQ(timed.options.emulator.timing.icspKhz, 10000);
    EXPECT_EQ(timed.options.emulator.timing.linkLatency.count(), 1500);
    EXPECT_TRUE(timed.options.emulator.timing.realTime);
    Parsed clocked = Parse({"--pty", "--icsp-khz", "500"});
    ASSERT_TRUE(clocked.ok);
    EXPECT_TRUE(clocked.options.emulator.timing.realTime);
    EXPECT_EQ(clocked.options.emulator.timing.linkLatency.count(), 0);

    Parsed late = Parse({"--pty", "--delay-replies", "3,17", "--delay-ms", "450"});
    ASSERT_TRUE(late.ok) << late.error;
    EXPECT_EQ(late.options.delayedReplies, (std::set<std::uint64_t>{3, 17}));
    EXPECT_EQ(late.options.replyDelay.count(), 450);
    EXPECT_TRUE(pty.options.delayedReplies.empty());

    Parsed host = Parse({"--tcp", "[::1]:6000"});
    ASSERT_TRUE(host.ok);
    EXPECT_EQ(host.options.tcpHost, "::1");
    EXPECT_EQ(host.options.tcpPort, "6000");
}

TEST(DaemonArgumentsTest, RefusesWhatItCannotUse) {
    EXPECT_FALSE(Parse({}).ok);
    EXPECT_FALSE(Parse({"--pty", "--device", "16F84"}).ok);
    EXPECT_FALSE(Parse({"--tcp"}).ok);
    EXPECT_FALSE(Parse({"--tcp", "host:"}).ok);
    EXPECT_FALSE(Parse({"--pty", "--latency-ms", "soon"}).ok);
    EXPECT_FALSE(Parse({"--pty", "--bogus"}).ok);
    EXPECT_FALSE(Parse({"--pty", "--icsp-khz", "0"}).ok);
    EXPECT_FALSE(Parse({"--pty", "--icsp-khz", "1.5"}).ok);
    EXPECT_FALSE(Parse({"--pty", "--link-latency-ms", "-1"}).ok);
    for (const char* numbers : {"0", "3,", ",3", "-1", "x", ""}) {
        EXPECT_FALSE(Parse({"--pty", "--delay-replies", numbers}).ok) << numbers;
    }
    EXPECT_FALSE(Parse({"--pty", "--delay-ms", "-5"}).ok);
    // --help and --version answer instead of serving, whatever else is given.
    for (const auto& [words, info] :
         {std::pair{std::vector<std::string>{"--help"}, DaemonInfo::Help},
          std::pair{std::vector<std::string>{"--pty", "--version", "--bogus"},
                    DaemonInfo::Version}}) {
        const Parsed asked = Parse(words);
        EXPECT_FALSE(asked.ok);
        EXPECT_EQ(asked.info, info);
    }
}

}  // namespace
}  // namespace tamro::emu
