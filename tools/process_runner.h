#pragma once
// Starting external programs (assembler, compiler, linker, editor) with a
// program and an argument list, never through a shell, so that nothing in a
// file name is ever taken as a command.

#include <chrono>
#include <memory>
#include <string>

#include "tools/command_line.h"

namespace tamro {

// A started tool that the caller waits for.
class RunningProcess {
  public:
    virtual ~RunningProcess() = default;
    // Waits at most `wait` and tells whether the program has ended.
    virtual bool WaitFinished(std::chrono::milliseconds wait) = 0;
    // Ends the program at once (used when it exceeds its time limit).
    virtual void Kill() = 0;
};

class ProcessRunner {
  public:
    virtual ~ProcessRunner() = default;
    // Starts the program in `workingFolder` (the current folder when empty).
    // Returns nullptr when the program cannot be started.
    virtual std::unique_ptr<RunningProcess> Start(const CommandLine& command,
                                                  const std::string& workingFolder) = 0;
    // Starts a program that runs on its own (an editor); false when it cannot
    // be started.
    virtual bool StartDetached(const CommandLine& command) = 0;
};

}  // namespace tamro
