#include "app/cli/cli_failure.h"

#include <cerrno>
#include <cstring>

namespace tamro::cli {

int ExitStatus(FailureKind kind) {
    switch (kind) {
        case FailureKind::Link:
            return kExitLink;
        case FailureKind::Usage:
            return kExitUsage;
        case FailureKind::Refused:
            return kExitDeviceRefused;
        case FailureKind::File:
            return kExitFile;
        case FailureKind::VerifyDifference:
            return kExitVerifyDifference;
        case FailureKind::NotBlank:
            return kExitNotBlank;
    }
    return kExitLink;
}

std::string FailureLines(const CliFailure& failure, bool verbose) {
    const char* word = "";
    switch (failure.kind) {
        case FailureKind::Link:
            word = "link failure";
            break;
        case FailureKind::Usage:
            word = "usage error";
            break;
        case FailureKind::Refused:
            word = "refused";
            break;
        case FailureKind::File:
            word = "file error";
            break;
        case FailureKind::VerifyDifference:
            word = "verify";
            break;
        case FailureKind::NotBlank:
            word = "not blank";
            break;
    }
    std::string lines =
        std::string(word) + (failure.text.empty() ? "" : ": " + failure.text) + "\n";
    if (verbose && !failure.driverText.empty()) lines += "  driver: " + failure.driverText + "\n";
    return lines;
}

CliFailure FileFailure(FileUse use, const std::string& path, const std::string& reason) {
    const char* verb = use == FileUse::Read ? "read" : use == FileUse::Write ? "write" : "load";
    return {FailureKind::File, std::string("cannot ") + verb + " " + path + ": " + reason, {}};
}

std::string SystemReason() {
    return errno != 0 ? std::strerror(errno) : "failed";
}

}  // namespace tamro::cli
