#pragma once
// External tools are started with a program and a list of arguments, never
// through a shell. The tool settings hold whole command lines as text; these
// functions split them the way a user typing them would expect.

#include <string>
#include <string_view>
#include <vector>

namespace tamro {

struct CommandLine {
    std::string program;
    std::vector<std::string> arguments;
    friend bool operator==(const CommandLine&, const CommandLine&) = default;
};

// Splits at blanks and tabs. Double or single quotes group a part with blanks
// into one word (the quotes themselves are dropped; an unclosed quote runs to
// the end). A backslash is an ordinary character: it separates folders in the
// command lines the settings hold.
std::vector<std::string> SplitWords(std::string_view text);

// The first word is the program, the rest its arguments. An empty or blank
// text gives an empty program.
CommandLine SplitCommandLine(std::string_view text);

// The command of a folder setting and a command setting that the panel joins
// as folder + "\" + command. The backslash is the path separator between the
// folder and the command's program, so a folder with blanks stays whole. An
// empty folder leaves the program to be found on the search path.
CommandLine CommandInFolder(const std::string& folder, std::string_view command);

}  // namespace tamro
