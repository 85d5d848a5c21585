#include "common/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamro {
namespace {

// What a parse saw, in order: "flag", "value=V", "word=W".
struct Seen {
    std::vector<std::string> events;
    std::optional<std::string> refused;
};

Seen Parse(const std::vector<std::string>& words) {
    Seen seen;
    const ArgumentRules rules{{{"--flag", [&] { seen.events.push_back("flag"); }, {}},
                               {"--value",
                                {},
                                [&](const std::string& value) -> ArgumentRefusal {
                                    seen.events.push_back("value=" + value);
                                    return {};
                                }},
                               {"--checked",
                                {},
                                [&](const std::string& value) -> ArgumentRefusal {
                                    if (value != "good") return "--checked takes good";
                                    return {};
                                }}},
                              [&](const std::string& word) -> ArgumentRefusal {
                                  if (word == "refused") return "no " + word;
                                  seen.events.push_back("word=" + word);
                                  return {};
                              }};
    seen.refused = ParseArguments(words, rules);
    return seen;
}

TEST(ArgumentsTest, OptionsAndWordsInTheOrderGiven) {
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> events;
        std::optional<std::string> refused;
    };
    const Case cases[] = {
        {{}, {}, std::nullopt},
        {{"a", "--flag", "--value", "x", "b"}, {"word=a", "flag", "value=x", "word=b"}, {}},
        // A value is the next word, whatever it looks like.
        {{"--value", "--flag"}, {"value=--flag"}, {}},
        {{"--value", ""}, {"value="}, {}},
        // Only the whole word names an option.
        {{"--flagx", "--val"}, {"word=--flagx", "word=--val"}, {}},
        {{"--flag", "--value"}, {"flag"}, "--value needs a value"},
        // The first refusal ends the parse.
        {{"a", "refused", "b"}, {"word=a"}, "no refused"},
        {{"--checked", "bad", "--flag"}, {}, "--checked takes good"},
        {{"--checked", "good", "--flag"}, {"flag"}, {}},
    };
    for (const Case& c : cases) {
        const Seen seen = Parse(c.words);
        EXPECT_EQ(seen.events, c.events) << ::testing::PrintToString(c.words);
        EXPECT_EQ(seen.refused, c.refused) << ::testing::PrintToString(c.words);
    }
    // Without a rule for other words, every such word is refused.
    EXPECT_EQ(ParseArguments(std::vector<std::string>{"x"}, ArgumentRules{}), "unknown argument x");
}

TEST(ArgumentsTest, WholeNumbersOnlyWithinTheirRange) {
    struct Case {
        const char* text;
        std::optional<long> value;
    };
    const Case cases[] = {{"0", 0},
                          {"31", 31},
                          {"32", std::nullopt},
                          {"-1", std::nullopt},
                          {"", std::nullopt},
                          {"1.5", std::nullopt},
                          {"7x", std::nullopt},
                          {" 7", std::nullopt},
                          {"99999999999999999999", std::nullopt}};
    for (const Case& c : cases) EXPECT_EQ(WholeNumberArgument(c.text, 0, 31), c.value) << c.text;
}

}  // namespace
}  // namespace tamro
