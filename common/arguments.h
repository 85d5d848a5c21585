#pragma once
// The one command-line parser of the programs: options with and without a
// value, each matched by its whole word and applied in the order given. Every
// other word goes to the caller, which takes it as a positional word or
// refuses it.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tamro {

// What a rule answers for a word: the one-line reason it refuses the command
// line, or nothing when it takes the word.
using ArgumentRefusal = std::optional<std::string>;

struct ArgumentOption {
    std::string name;  // the whole word, such as "--device"
    // An option without a value sets `flag`; one with a value sets `value`,
    // which gets the word after it.
    std::function<void()> flag;
    std::function<ArgumentRefusal(const std::string& value)> value;
};

struct ArgumentRules {
    std::vector<ArgumentOption> options;
    // Every word that names no option.
    std::function<ArgumentRefusal(const std::string& word)> otherWord;
};

// Applies `rules` to `words` in order. Returns the reason of the first
// refusal ("--device needs a value" when an option's value is missing), or
// nothing when every word was taken.
std::optional<std::string> ParseArguments(std::span<const std::string> words,
                                          const ArgumentRules& rules);

// A whole decimal number from `minimum` to `maximum`, the whole text; nothing
// otherwise.
std::optional<long> WholeNumberArgument(const std::string& text, long minimum, long maximum);

}  // namespace tamro
