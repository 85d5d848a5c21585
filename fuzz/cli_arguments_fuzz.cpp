// Any words as tamro18-cli's command line (the input split at NUL bytes),
// through the tool's parser and, for an instrument, the instrument's own: no
// crash, a refusal always says why, and an accepted line keeps its
// subcommand's words in their order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "instruments/instrument_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back() += static_cast<char>(data[i]);
        }
    }
    tamro::cli::CommandLine line;
    const tamro::cli::CommandResult refused = tamro::cli::ParseCommandLine(words, line);
    if (refused) {
        if (refused->text.empty()) std::abort();
        return 0;
    }
    if (line.help || line.version || !line.command) return 0;
    if (line.global.quiet && line.global.verbose) std::abort();
    // The subcommand's words are a subsequence of the command line.
    auto from = words.begin();
    for (const std::string& word : line.words) {
        from = std::find(from, words.end(), word);
        if (from == words.end()) std::abort();
        ++from;
    }
    if (!tamro::IsInstrumentCommand(std::string(line.command->name))) return 0;
    std::vector<std::string> instrument{std::string(line.command->name)};
    instrument.insert(instrument.end(), line.words.begin(), line.words.end());
    const tamro::ParsedInstrumentCommand parsed = tamro::ParseInstrumentCommand(instrument);
    if (!parsed.command && parsed.error.empty()) std::abort();
    return 0;
}
