#include "link/backends.h"

namespace tamro {

// Serial and TCP transports are not built yet: they name no backend.
std::unique_ptr<DriverLibrary> MakeSerialDriver(const std::string&) {
    return nullptr;
}
std::unique_ptr<DriverLibrary> MakeTcpDriver(const std::string&, const std::string&) {
    return nullptr;
}

}  // namespace tamro
