// tamro18-cli's instrument subcommands against the in-process emulated
// programmer, its inputs set through the emulator's environment variables.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/testing/daemon_process.h"

namespace tamro {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
};

CliRun RunCli(const std::string& environment, const std::string& arguments) {
    const char* binaryDir = std::getenv("TAMRO_BINARY_DIR");
    const fs::path cli = fs::path(binaryDir ? binaryDir : "../..") / "app" / "tamro18-cli";
    CliRun run;
    const std::string command = "env TAMRO18_DRIVER=emulator TAMRO18_EMULATOR_STATE=none " +
                                environment + " '" + cli.string() + "' " + arguments +
                                " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(InstrumentCli, ReadingsMatchTheEmulatorsInputs) {
    struct Case {
        const char* environment;
        const char* arguments;
        int status;
        std::string out;
    };
    std::string capture;
    while (capture.size() < 480) capture += "1110000000";  // 1 kHz, a quarter high, 0.1 ms
    const Case cases[] = {
        {"TAMRO18_EMULATOR_VIN=12", "volts --repeat 2 --interval 0", 0, "12.0 V\n12.0 V\n"},
        {"TAMRO18_EMULATOR_SAB=3.3", "volts --channel sab", 0, "3.3 V\n"},
        {"TAMRO18_EMULATOR_VIN=40", "volts", 0, "OL\n"},
        {"TAMRO18_EMULATOR_SIGNAL_HZ=2500", "freq --gate 1s", 0, "2500 Hz\n"},
        {"TAMRO18_EMULATOR_SIGNAL_HZ=500000", "freq --gate 1s", 0, "OVER\n"},
        {"TAMRO18_EMULATOR_SIGNAL_HZ=500000", "freq --gate auto", 0, "500.000 KHz\n"},
        {"", "count read", 0, "0\n"},
        {"TAMRO18_EMULATOR_SIGNAL_DUTY=0.25", "capture --sample-time 1", 0, capture + "\n"},
        {"", "volts --channel vxx", 2, ""},
        {"", "count", 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const CliRun run = RunCli(c.environment, c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
    }
}

TEST(InstrumentCli, CaptureFilesAndALinkThatFails) {
    const fs::path folder =
        fs::temp_directory_path() / ("tamro-cli-capture-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const CliRun run = RunCli("", "capture --edge neg --vcd '" + (folder / "c.vcd").string() +
                                      "' --csv '" + (folder / "c.csv").string() + "'");
    EXPECT_EQ(run.status, 0);
    std::ifstream vcd(folder / "c.vcd");
    std::string header;
    std::getline(vcd, header);
    std::getline(vcd, header);
    EXPECT_NE(header.find("falling edge"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder / "c.csv"));
    fs::remove_all(folder);

    const CliRun failed = RunCli("TAMRO18_EMULATOR_FAIL_READ=2", "count read --repeat 3");
    EXPECT_EQ(failed.status, 1);
}

// Each run is a process of its own, so the count lives in a daemon between them:
// it counts the emulated signal's rising edges from START to STOP.
TEST(InstrumentCli, EventCountFollowsTheSignalBetweenStartAndStop) {
    using Clock = std::chrono::steady_clock;
    testing::DaemonProcess daemon({"--tcp", "127.0.0.1:0", "--signal-hz", "1000"});
    const std::string driver = "TAMRO18_DRIVER=" + daemon.DriverSetting();
    ASSERT_EQ(RunCli(driver, "count reset").status, 0);
    const Clock::time_point before = Clock::now();
    ASSERT_EQ(RunCli(driver, "count start").status, 0);
    const Clock::time_point started = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point stopping = Clock::now();
    ASSERT_EQ(RunCli(driver, "count stop").status, 0);
    const Clock::time_point after = Clock::now();
    const auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    };

    const CliRun first = RunCli(driver, "count read");
    const CliRun second = RunCli(driver, "count read");
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(second.out, first.out);  // stopped: the count holds
    const long count = std::stol(first.out);
    EXPECT_GE(count, ms(stopping - started) - 2);
    EXPECT_LE(count, ms(after - before) + 2);
}

}  // namespace
}  // namespace tamro
