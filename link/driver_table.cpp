#include "link/driver_table.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <functional>

#include "link/backends.h"
#include "link/hid_driver.h"
#include "link/packet_driver.h"
#include "link/stream_drivers.h"
#include "link/usb_driver.h"

namespace tamro {
namespace {

constexpr int kLargestWindow = 4096;

void SetError(std::string* error, std::string text) {
    if (error) *error = std::move(text);
}

struct Backend {
    std::string_view name;
    std::function<std::unique_ptr<DriverLibrary>(const ParsedDriverSetting& setting,
                                                 const DriverOptions& options, std::string* error)>
        make;
};

std::unique_ptr<DriverLibrary> MakeEmulator(const ParsedDriverSetting& setting,
                                            const DriverOptions& options, std::string* error) {
    if (setting.hasArgument) {
        SetError(error, "the emulator takes no argument");
        return nullptr;
    }
    return MakeEmulatorDriver(options);
}

std::unique_ptr<DriverLibrary> MakeSerial(const ParsedDriverSetting& setting,
                                          const DriverOptions& options, std::string* error) {
    if (setting.argument.empty()) {
        SetError(error, "serial needs a device path");
        return nullptr;
    }
    return MakeSerialDriver(setting.argument, options.timeout,
                            setting.baud != 0 ? setting.baud : kDefaultSerialBaud);
}

std::unique_ptr<DriverLibrary> MakeTcp(const ParsedDriverSetting& setting,
                                       const DriverOptions& options, std::string* error) {
    const std::string& argument = setting.argument;
    const std::size_t colon = argument.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == argument.size()) {
        SetError(error, "tcp needs HOST:PORT");
        return nullptr;
    }
    return MakeTcpDriver(argument.substr(0, colon), argument.substr(colon + 1), options.timeout);
}

std::unique_ptr<DriverLibrary> MakeHid(const ParsedDriverSetting& setting,
                                       const DriverOptions& options, std::string* error) {
    const auto hid = ParseHidSetting(setting.argument, error);
    if (!hid) return nullptr;
    return std::make_unique<PacketDriver>(MakeHidPort(MakeHidApi(), *hid), options.timeout);
}

std::unique_ptr<DriverLibrary> MakeUsb(const ParsedDriverSetting& setting,
                                       const DriverOptions& options, std::string* error) {
    const auto usb = ParseUsbSetting(setting.argument, error);
    if (!usb) return nullptr;
    return std::make_unique<PacketDriver>(MakeUsbPort(MakeUsbApi(), *usb), options.timeout);
}

// A backend with the window its setting asked for.
class WindowedDriver final : public DriverLibrary {
  public:
    WindowedDriver(std::unique_ptr<DriverLibrary> inner, int window)
        : inner_(std::move(inner)), window_(window) {}
    std::int32_t Open() override { return inner_->Open(); }
    void Close() override { inner_->Close(); }
    std::int32_t DataWrite(const std::uint8_t* buffer, std::int32_t count) override {
        return inner_->DataWrite(buffer, count);
    }
    std::int32_t DataRead(std::uint8_t* buffer, std::int32_t count) override {
        return inner_->DataRead(buffer, count);
    }
    int Window() const override { return window_; }
    void DiscardReplies() override { inner_->DiscardReplies(); }
    OpenFailureCause LastOpenFailure() const override { return inner_->LastOpenFailure(); }

  private:
    std::unique_ptr<DriverLibrary> inner_;
    int window_;
};

const Backend kBackends[] = {
    {"emulator", MakeEmulator}, {"serial", MakeSerial}, {"tcp", MakeTcp},
    {"hid", MakeHid},           {"usb", MakeUsb},
};

// Reads "window=N" and "baud=N" separated by '&'.
bool ParseOptions(std::string_view text, ParsedDriverSetting& parsed, std::string* error) {
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view option = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        const std::size_t equals = option.find('=');
        const std::string_view key = option.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : option.substr(equals + 1);
        if (key == "baud") {
            int baud = 0;
            const auto [end, status] =
                std::from_chars(value.data(), value.data() + value.size(), baud);
            const auto& rates = SerialBaudRates();
            if (value.empty() || status != std::errc() || end != value.data() + value.size() ||
                std::find(rates.begin(), rates.end(), baud) == rates.end()) {
                std::string names;
                for (const int rate : rates)
                    names += (names.empty() ? "" : ", ") + std::to_string(rate);
                SetError(error, "baud needs one of " + names);
                return false;
            }
            parsed.baud = baud;
            continue;
        }
        if (key != "window") {
            SetError(error, "unknown driver option \"" + std::string(option) + "\"");
            return false;
        }
        int window = 0;
        const auto [end, status] =
            std::from_chars(value.data(), value.data() + value.size(), window);
        if (value.empty() || status != std::errc() || end != value.data() + value.size() ||
            window < 1 || window > kLargestWindow) {
            SetError(error,
                     "window needs a whole number from 1 to " + std::to_string(kLargestWindow));
            return false;
        }
        parsed.window = window;
    }
    return true;
}

}  // namespace

std::optional<ParsedDriverSetting> ParseDriverSetting(std::string_view setting,
                                                      std::string* error) {
    ParsedDriverSetting parsed;
    const std::size_t question = setting.find('?');
    if (question != std::string_view::npos &&
        !ParseOptions(setting.substr(question + 1), parsed, error)) {
        return std::nullopt;
    }
    const std::string_view head = setting.substr(0, question);
    const std::size_t colon = head.find(':');
    parsed.backend = std::string(head.substr(0, colon));
    if (parsed.backend.empty() && colon == std::string_view::npos) parsed.backend = "emulator";
    if (colon != std::string_view::npos) {
        parsed.hasArgument = true;
        parsed.argument = std::string(head.substr(colon + 1));
    }
    if (parsed.baud != 0 && parsed.backend != "serial") {
        SetError(error, "baud applies to serial settings only");
        return std::nullopt;
    }
    return parsed;
}

std::optional<DriverOptions> DriverOptionsFromSetting(std::string_view setting, DriverOptions base,
                                                      std::string* error) {
    const auto parsed = ParseDriverSetting(setting, error);
    if (!parsed) return std::nullopt;
    base.window = parsed->window;
    return base;
}

std::unique_ptr<DriverLibrary> MakeDriver(std::string_view setting, const DriverOptions& options,
                                          std::string* error) {
    const auto parsed = ParseDriverSetting(setting, error);
    if (!parsed) return nullptr;
    for (const Backend& backend : kBackends) {
        if (backend.name != parsed->backend) continue;
        auto driver = backend.make(*parsed, options, error);
        const int window = parsed->window != 1 ? parsed->window : options.window;
        if (!driver || window == 1) return driver;
        return std::make_unique<WindowedDriver>(std::move(driver), window);
    }
    SetError(error, "no driver backend named \"" + parsed->backend + "\"");
    return nullptr;
}

std::unique_ptr<DriverLibrary> MakeDriver(std::string_view setting, std::string* error) {
    return MakeDriver(setting, DriverOptions{}, error);
}

bool IsEmulatorSetting(std::string_view setting) {
    const auto parsed = ParseDriverSetting(setting);
    return parsed && parsed->backend == "emulator" && !parsed->hasArgument;
}

namespace {

class UnavailableDriver final : public DriverLibrary {
  public:
    explicit UnavailableDriver(OpenFailureCause cause) : cause_(std::move(cause)) {}
    std::int32_t Open() override { return -2; }
    void Close() override {}
    std::int32_t DataWrite(const std::uint8_t*, std::int32_t) override { return 0; }
    std::int32_t DataRead(std::uint8_t*, std::int32_t) override { return 0; }
    OpenFailureCause LastOpenFailure() const override { return cause_; }

  private:
    OpenFailureCause cause_;
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeUnavailableDriver(OpenFailureCause cause) {
    return std::make_unique<UnavailableDriver>(std::move(cause));
}

std::unique_ptr<DriverLibrary> MakeDriverOrUnavailable(std::string_view setting,
                                                       const DriverOptions& options,
                                                       std::string* error) {
    std::string reason;
    auto driver = MakeDriver(setting, options, &reason);
    if (driver) return driver;
    if (error) *error = reason;
    const auto parsed = ParseDriverSetting(setting);
    // A setting whose options are malformed, or whose backend exists, is a bad setting.
    const bool known = !parsed || std::any_of(std::begin(kBackends), std::end(kBackends),
                                              [&](const Backend& backend) {
                                                  return backend.name == parsed->backend;
                                              });
    return MakeUnavailableDriver(
        {known ? OpenProblem::BadSetting : OpenProblem::UnknownBackend, reason});
}

OpenFailure DescribeOpenFailure(std::string_view setting, const DriverLibrary& driver) {
    const OpenFailureCause cause = driver.LastOpenFailure();
    OpenFailure failure{std::string(setting), cause.problem, cause.detail};
    if (failure.problem == OpenProblem::None) failure.problem = OpenProblem::Failed;
    return failure;
}

std::string OpenFailureText(const OpenFailure& failure) {
    const std::string& detail = failure.detail;
    std::string reason;
    switch (failure.problem) {
        case OpenProblem::None:
        case OpenProblem::Failed:
            reason = detail.empty() ? "the programmer did not open" : detail;
            break;
        case OpenProblem::UnknownBackend:
        case OpenProblem::BadSetting:
            reason = detail;
            break;
        case OpenProblem::DeviceMissing:
            reason = detail + " does not exist";
            break;
        case OpenProblem::PermissionDenied:
            reason = detail + " exists, but permission to read and write it was denied";
            break;
        case OpenProblem::DeviceBusy:
            reason = detail + " exists, but another program has it open";
            break;
        case OpenProblem::Unreachable:
            reason = detail;
            break;
    }
    const std::string setting = failure.setting.empty() ? "emulator" : failure.setting;
    return "driver setting \"" + setting + "\": " + reason;
}

}  // namespace tamro
