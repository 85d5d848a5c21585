#include "common/arguments.h"

#include <charconv>

namespace tamro {

std::optional<std::string> ParseArguments(std::span<const std::string> words,
                                          const ArgumentRules& rules) {
    try {
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::string& word = words[i];
            const ArgumentOption* option = nullptr;
            for (const ArgumentOption& candidate : rules.options) {
                if (candidate.name == word) {
                    option = &candidate;
                    break;
                }
            }
            if (!option) {
                if (!rules.otherWord) throw ArgumentError{"unknown argument " + word};
                rules.otherWord(word);
            } else if (option->value) {
                if (i + 1 >= words.size()) throw ArgumentError{word + " needs a value"};
                option->value(words[++i]);
            } else {
                option->flag();
            }
        }
    } catch (const ArgumentError& error) {
        return error.reason;
    }
    return std::nullopt;
}

std::optional<long> WholeNumberArgument(const std::string& text, long minimum, long maximum) {
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || value < minimum || value > maximum) {
        return std::nullopt;
    }
    return value;
}

}  // namespace tamro
