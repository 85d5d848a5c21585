#include "link/driver_table.h"

#include <cstdlib>
#include <functional>

#include "link/backends.h"

namespace tamro {
namespace {

struct Backend {
    std::string_view name;
    std::function<std::unique_ptr<DriverLibrary>(const std::string& argument, std::string* error)>
        make;
};

std::unique_ptr<DriverLibrary> MakeTcpFromArgument(const std::string& argument,
                                                   std::string* error) {
    const std::size_t colon = argument.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == argument.size()) {
        if (error) *error = "tcp needs HOST:PORT";
        return nullptr;
    }
    return MakeTcpDriver(argument.substr(0, colon), argument.substr(colon + 1));
}

const Backend kBackends[] = {
    {"emulator", [](const std::string&, std::string*) { return MakeEmulatorDriver(); }},
    {"serial",
     [](const std::string& argument, std::string* error) -> std::unique_ptr<DriverLibrary> {
         if (argument.empty()) {
             if (error) *error = "serial needs a device path";
             return nullptr;
         }
         return MakeSerialDriver(argument);
     }},
    {"tcp", MakeTcpFromArgument},
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeDriver(std::string_view setting, std::string* error) {
    const std::string text(setting.empty() ? std::string_view("emulator") : setting);
    const std::size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    const std::string argument = colon == std::string::npos ? "" : text.substr(colon + 1);
    for (const Backend& backend : kBackends) {
        if (backend.name == name) {
            if (backend.name == "emulator" && colon != std::string::npos) break;
            return backend.make(argument, error);
        }
    }
    if (error) *error = "no driver backend named \"" + text + "\"";
    return nullptr;
}

std::string DriverSettingFromEnvironment() {
    const char* value = std::getenv("TAMRO18_DRIVER");
    return value ? value : "";
}

bool IsEmulatorSetting(std::string_view setting) {
    return setting.empty() || setting == "emulator";
}

namespace {

class UnavailableDriver final : public DriverLibrary {
  public:
    std::int32_t Open() override { return -2; }
    void Close() override {}
    std::int32_t DataWrite(const std::uint8_t*, std::int32_t) override { return 0; }
    std::int32_t DataRead(std::uint8_t*, std::int32_t) override { return 0; }
};

}  // namespace

std::unique_ptr<DriverLibrary> MakeUnavailableDriver() {
    return std::make_unique<UnavailableDriver>();
}

std::unique_ptr<DriverLibrary> MakeDriverOrUnavailable(std::string_view setting,
                                                       std::string* error) {
    auto driver = MakeDriver(setting, error);
    return driver ? std::move(driver) : MakeUnavailableDriver();
}

}  // namespace tamro
