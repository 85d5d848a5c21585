#pragma once
// Starting the external tools through QProcess.

#include "tools/process_runner.h"

namespace tamro {

// QProcess: output of the tools is discarded (they leave their results in
// files), standard input is closed.
class QtProcessRunner final : public ProcessRunner {
  public:
    std::unique_ptr<RunningProcess> Start(const CommandLine& command,
                                          const std::string& workingFolder) override;
    bool StartDetached(const CommandLine& command) override;
};

}  // namespace tamro
