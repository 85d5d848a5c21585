#pragma once
// Starting external programs (assembler, compiler, linker, editor) with a
// program and an argument list, never through a shell, so that nothing in a
// file name is ever taken as a command.

#include <chrono>
#include <memory>
#include <string>

#include "tools/command_line.h"

namespace tamro {

// A started tool that the caller waits for. It runs in a process group of
// its own, so that ending it ends whatever it started too.
class RunningProcess {
  public:
    virtual ~RunningProcess() = default;
    // Waits at most `wait` and tells whether the program has ended.
    virtual bool WaitFinished(std::chrono::milliseconds wait) = 0;
    // Ends the program and its whole process group at once (used when it
    // exceeds its time limit).
    virtual void Kill() = 0;
    // After the end: whether the program exited normally with status 0.
    virtual bool Succeeded() = 0;
    // What it printed on its standard output and error so far, merged (the
    // beginning of it when that is very long).
    virtual std::string Output() = 0;
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
