#pragma once
// How a subcommand of tamro18-cli ends: done, or one failure of a kind, which
// the tool words in English and turns into the exit status.

#include <optional>
#include <string>

namespace tamro::cli {

// The exit statuses of tamro18-cli (the README's table).
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitLink = 1;   // the programmer could not be opened or an exchange failed
inline constexpr int kExitUsage = 2;  // a bad command line
inline constexpr int kExitDeviceRefused = 3;     // no target, another group's device, an unknown
                                                 // device without --force, or protection
                                                 // without --allow-protect
inline constexpr int kExitFile = 4;              // a file that cannot be read, loaded or written
inline constexpr int kExitVerifyDifference = 5;  // the chip differs from the file
inline constexpr int kExitNotBlank = 6;          // blank-check found a programmed byte

enum class FailureKind { Link, Usage, Refused, File, VerifyDifference, NotBlank };

// Why a subcommand failed. `text` is the tool's own English wording; the
// driver's own texts go to `driverText`, shown with --verbose only.
struct CliFailure {
    FailureKind kind = FailureKind::Link;
    std::string text;
    std::string driverText;
};
using CommandResult = std::optional<CliFailure>;

// The exit status of a failure of `kind`.
int ExitStatus(FailureKind kind);
// The lines the tool prints for it: the kind's word, then the text ("file
// error: cannot write out.hex: Permission denied"); with `verbose`, the
// driver's own text on a line of its own.
std::string FailureLines(const CliFailure& failure, bool verbose);

// The one wording of a file that could not be used: "cannot read PATH: REASON",
// "cannot write PATH: REASON" or "cannot load PATH: REASON".
enum class FileUse { Read, Write, Load };
CliFailure FileFailure(FileUse use, const std::string& path, const std::string& reason);
// The reason the last failed system call gives (errno), or "failed".
std::string SystemReason();

}  // namespace tamro::cli
