// The programs answer --help and --version on standard output and end: the
// panel opens no window (its platform plugin is one that does not exist, so
// starting it would fail) and the daemon serves nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/testing/daemon_process.h"

namespace tamro {
namespace {

TEST(ProgramAnswersTest, HelpAndVersionAnswerAndEnd) {
    const struct {
        const char* program;
        const char* argument;
        const char* answer;  // how the answer starts
    } cases[] = {
        {"tamro18", "--help", "usage: tamro18 [FILE]\n"},
        {"tamro18", "--version", "tamro18 "},
        {"tamro18-emulator", "--help", "usage: tamro18-emulator "},
        {"tamro18-emulator", "--version", "tamro18-emulator "},
        {"tamro18-cli", "--version", "tamro18-cli "},
    };
    for (const auto& c : cases) {
        const std::string command = "env QT_QPA_PLATFORM=nonesuch '" +
                                    testing::AppProgramPath(c.program) + "' " + c.argument +
                                    " 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, got);
        }
        const int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.program << c.argument;
        EXPECT_TRUE(out.starts_with(c.answer)) << c.program << " " << c.argument << ": " << out;
    }
}

}  // namespace
}  // namespace tamro
