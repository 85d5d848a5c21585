#pragma once
// Starting the external tools through QProcess.

#include "tools/process_runner.h"

namespace tamro {

// QProcess: standard output and error are kept for the error view,
// standard input is closed.
class QtProcessRunner final : public ProcessRunner {
  public:
    // The full path of a program on the search path, or "" when none.
    static std::string FindProgram(const std::string& name);
    std::unique_ptr<RunningProcess> Start(const CommandLine& command,
                                          const std::string& workingFolder) override;
    bool StartDetached(const CommandLine& command) override;
};

}  // namespace tamro
