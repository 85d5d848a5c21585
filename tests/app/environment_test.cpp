#include "app/environment.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace tamro::app {
namespace {

Lookup From(std::map<std::string, std::string> variables) {
    return [variables](const std::string& name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        if (found == variables.end()) return std::nullopt;
        return found->second;
    };
}

TEST(EnvironmentTest, EmulatorOptionsTakeUsableValuesAndNameTheOthers) {
    std::ostringstream warnings;
    const emu::Options options = EmulatorOptions(From({{"TAMRO18_EMULATOR_DEVICE", "18F4520"},
                                                       {"TAMRO18_EMULATOR_REVISION", "3"},
                                                       {"TAMRO18_EMULATOR_STATE", "none"},
                                                       {"TAMRO18_EMULATOR_TARGET", "none"},
                                                       {"TAMRO18_EMULATOR_LATENCY_MS", "2.5"},
                                                       {"TAMRO18_EMULATOR_SIGNAL_HZ", "250"},
                                                       {"TAMRO18_EMULATOR_SIGNAL_DUTY", "2"},
                                                       {"TAMRO18_EMULATOR_VIN", "soon"},
                                                       {"TAMRO18_EMULATOR_SAB", "3.3"},
                                                       {"TAMRO18_EMULATOR_ICSP_KHZ", "0"}}),
                                                 warnings);
    EXPECT_EQ(options.device, emu::Device::Pic18F4520);
    EXPECT_EQ(options.revision, 3);
    EXPECT_EQ(options.stateFile, "");
    EXPECT_FALSE(options.targetAttached);
    EXPECT_EQ(options.latency.count(), 2500);
    EXPECT_EQ(options.signal.frequencyHz, 250.0);
    EXPECT_EQ(options.signal.duty, emu::Options{}.signal.duty);  // outside 0 to 1
    EXPECT_EQ(options.vinVolts, 9.0);
    EXPECT_EQ(options.sabVolts, 3.3);
    EXPECT_FALSE(options.timing.realTime);  // 0 kHz is no clock
    EXPECT_EQ(warnings.str(),
              "tamro18 emulator: ignoring TAMRO18_EMULATOR_VIN=soon (not a number)\n");

    // Either timing setting switches the timing model on.
    for (const char* variable : {"TAMRO18_EMULATOR_ICSP_KHZ", "TAMRO18_EMULATOR_LINK_LATENCY_MS"}) {
        const emu::Options timed = EmulatorOptions(From({{variable, "500"}}), warnings);
        EXPECT_TRUE(timed.timing.realTime) << variable;
    }
    const emu::Options unknown =
        EmulatorOptions(From({{"TAMRO18_EMULATOR_DEVICE", "16F84"}}), warnings);
    EXPECT_EQ(unknown.device, emu::Device::Pic18F452);
    EXPECT_TRUE(warnings.str().ends_with("unknown TAMRO18_EMULATOR_DEVICE=16F84, using 18F452\n"));
}

TEST(EnvironmentTest, FoldersAndTheDefaultStateFile) {
    struct Case {
        std::map<std::string, std::string> variables;
        std::string config, data, stateFile;
    };
    const Case cases[] = {
        {{{"HOME", "/home/u"}},
         "/home/u/.config",
         "/home/u/.local/share",
         "/home/u/.local/share/tamro18/emulator-18F452.state"},
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}},
         "/c",
         "/d",
         "/d/tamro18/emulator-18F452.state"},
        {{{"HOME", "/home/u"}, {"TAMRO18_EMULATOR_STATE", "/s/chip"}},
         "/home/u/.config",
         "/home/u/.local/share",
         "/s/chip"},
        {{}, "", "", ""},
    };
    for (const Case& c : cases) {
        std::ostringstream warnings;
        EXPECT_EQ(ConfigFolder(From(c.variables)), c.config);
        EXPECT_EQ(DataFolder(From(c.variables)), c.data);
        EXPECT_EQ(EmulatorOptions(From(c.variables), warnings).stateFile, c.stateFile);
    }
}

TEST(EnvironmentTest, BackendOptionsCarryFaultsAndAUsableTimeOut) {
    std::ostringstream warnings;
    DriverOptions options = BackendOptions(From({{"TAMRO18_EMULATOR_FAIL_WRITE", "2"},
                                                 {"TAMRO18_EMULATOR_FAIL_READ", "3,x5,0"},
                                                 {"TAMRO18_DRIVER_TIMEOUT_MS", "300"}}),
                                           warnings);
    EXPECT_EQ(options.failingWrites, (std::set<long>{2}));
    EXPECT_EQ(options.failingReads, (std::set<long>{3, 5}));
    EXPECT_EQ(options.timeout.count(), 300);
    for (const char* unusable : {"0", "-5", "12x", "600001", ""}) {
        options = BackendOptions(From({{"TAMRO18_DRIVER_TIMEOUT_MS", unusable}}), warnings);
        EXPECT_EQ(options.timeout.count(), 2000) << unusable;
    }
    EXPECT_EQ(DriverSetting(From({})), "");
    EXPECT_EQ(DriverSetting(From({{"TAMRO18_DRIVER", "tcp:h:1"}})), "tcp:h:1");
}

TEST(EnvironmentTest, DaemonStateFileFollowsTheDeviceUnlessTheEnvironmentNamesOne) {
    std::ostringstream warnings;
    for (const bool named : {false, true}) {
        std::map<std::string, std::string> variables{{"XDG_DATA_HOME", "/d"}};
        if (named) variables["TAMRO18_EMULATOR_STATE"] = "/s/chip";
        emu::DaemonOptions options = DaemonDefaults(From(variables), warnings);
        std::string arguments[] = {"tamro18-emulator", "--pty", "--device", "18F4520"};
        char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                        arguments[3].data()};
        std::string error;
        emu::DaemonInfo info = emu::DaemonInfo::None;
        ASSERT_TRUE(emu::ParseDaemonArguments(4, argv, options, error, info)) << error;
        EXPECT_EQ(options.emulator.stateFile,
                  named ? "/s/chip" : "/d/tamro18/emulator-18F4520.state");
    }
}

}  // namespace
}  // namespace tamro::app
