#include "programming/programmer_choice.h"

#include <utility>

#include "link/driver_table.h"

namespace tamro {
namespace {

constexpr const char* kApplication = "TAMRO18";
constexpr const char* kSection = "DATA";
constexpr const char* kDriverKey = "DRIVER";

}  // namespace

std::vector<ProgrammerChoice> ProgrammerChoices(const std::vector<ProgrammerCandidate>& detected) {
    std::vector<ProgrammerChoice> choices = {
        {"emulator", "emulator  the emulated programmer (no hardware)"}};
    for (const ProgrammerCandidate& candidate : detected) {
        // The same line as `tamro18-cli list`, without its trailing newline.
        std::string line = ProgrammerListText({candidate});
        if (!line.empty() && line.back() == '\n') line.pop_back();
        choices.push_back({candidate.setting, line});
    }
    return choices;
}

std::optional<std::string> DriverSettingProblem(const std::string& setting) {
    std::string error;
    if (MakeDriver(setting, &error)) return std::nullopt;
    return error.empty() ? "the setting names no programmer" : error;
}

std::string UnitNotFoundText(const std::string& setting, const DriverLibrary& driver) {
    return "Unit not Found\n" + OpenFailureText(DescribeOpenFailure(setting, driver));
}

std::string StoredDriverSetting(SettingsStore& settings) {
    return settings.Read(kApplication, kSection, kDriverKey);
}

void StoreDriverSetting(SettingsStore& settings, const std::string& setting) {
    settings.Write(kApplication, kSection, kDriverKey, setting);
}

std::string StartingDriverSetting(const std::optional<std::string>& environment,
                                  SettingsStore& settings) {
    return environment ? *environment : StoredDriverSetting(settings);
}

ProgrammerSwitch::ProgrammerSwitch(SwitchableDriver& driver, SettingsStore& settings,
                                   ProgrammerChooser& chooser, DriverMaker makeDriver,
                                   DeviceLister listDevices, std::string current)
    : driver_(driver),
      settings_(settings),
      chooser_(chooser),
      makeDriver_(std::move(makeDriver)),
      listDevices_(std::move(listDevices)),
      current_(std::move(current)) {}

bool ProgrammerSwitch::Emulated() const {
    return IsEmulatorSetting(current_);
}

ProgrammerSwitch::Outcome ProgrammerSwitch::Choose(ProgrammerSession& session, bool startUp) {
    if (session.Busy()) return Outcome::Refused;
    const auto chosen = chooser_.Choose(ProgrammerChoices(listDevices_()), current_);
    if (!chosen) return Outcome::Cancelled;
    StoreDriverSetting(settings_, *chosen);
    current_ = *chosen;
    session.Shutdown();
    auto backend = makeDriver_(*chosen);
    driver_.Replace(backend ? std::move(backend) : MakeUnavailableDriver());
    const bool started = startUp ? session.Start() : session.Reconnect();
    return started ? Outcome::Connected : Outcome::NotFound;
}

}  // namespace tamro
