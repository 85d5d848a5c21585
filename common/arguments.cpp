#include "common/arguments.h"

#include <charconv>

namespace tamro {

std::optional<std::string> ParseArguments(std::span<const std::string> words,
                                          const ArgumentRules& rules) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const ArgumentOption* option = nullptr;
        for (const ArgumentOption& candidate : rules.options) {
            if (candidate.name == word) {
                option = &candidate;
                break;
            }
        }
        ArgumentRefusal refused;
        if (!option) {
            refused = rules.otherWord ? rules.otherWord(word) : "unknown argument " + word;
        } else if (option->value) {
            if (i + 1 >= words.size()) return word + " needs a value";
            refused = option->value(words[++i]);
        } else {
            option->flag();
        }
        if (refused) return refused;
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
