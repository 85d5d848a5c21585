#pragma once
// The programming subcommands of tamro18-cli: the same operations as the
// panel's buttons, run over the programmer the driver setting names. Each
// prints one line per region it went over ("flash 32768 B written and
// verified in 2.4 s") unless --quiet.

#include <optional>
#include <string>

#include "app/cli/cli_command.h"
#include "programming/device.h"

namespace tamro::cli {

CommandResult RunId(const Invocation& invocation);
CommandResult RunErase(const Invocation& invocation);
CommandResult RunBlankCheck(const Invocation& invocation);
CommandResult RunWrite(const Invocation& invocation);
CommandResult RunVerify(const Invocation& invocation);
CommandResult RunRead(const Invocation& invocation);
CommandResult RunReadEeprom(const Invocation& invocation);

// The device group --device names; nothing for a name no group has.
std::optional<DeviceGroup> DeviceGroupNamed(const std::string& name);
// The usage failure for such a name.
CliFailure UnknownDevice(const std::string& name);

}  // namespace tamro::cli
