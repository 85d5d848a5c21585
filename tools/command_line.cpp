#include "tools/command_line.h"

namespace tamro {

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char character : text) {
        if (quote != 0) {
            if (character == quote) {
                quote = 0;
            } else {
                word += character;
            }
        } else if (character == '"' || character == '\'') {
            quote = character;
            inWord = true;
        } else if (character == ' ' || character == '\t') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += character;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

CommandLine SplitCommandLine(std::string_view text) {
    CommandLine command;
    std::vector<std::string> words = SplitWords(text);
    if (words.empty()) return command;
    command.program = words.front();
    command.arguments.assign(words.begin() + 1, words.end());
    return command;
}

CommandLine CommandInFolder(const std::string& folder, std::string_view command) {
    CommandLine result = SplitCommandLine(command);
    if (folder.empty() || result.program.empty()) return result;
    std::string joinedFolder = folder;
    while (joinedFolder.size() > 1 && (joinedFolder.back() == '/' || joinedFolder.back() == '\\')) {
        joinedFolder.pop_back();
    }
    if (joinedFolder == "/" || joinedFolder == "\\") joinedFolder.clear();
    result.program = joinedFolder + "/" + result.program;
    return result;
}

}  // namespace tamro
