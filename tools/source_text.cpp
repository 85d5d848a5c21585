#include "tools/source_text.h"

#include <utility>

namespace tamro {

SourceText SplitSourceText(const std::string& bytes) {
    SourceText source;
    const std::size_t firstLineEnd = bytes.find('\n');
    source.lineEnd =
        firstLineEnd != std::string::npos && firstLineEnd > 0 && bytes[firstLineEnd - 1] == '\r'
            ? LineEnd::CrLf
            : LineEnd::Lf;
    std::string text = bytes;
    source.finalLineEnd = !text.empty() && text.back() == '\n';
    if (source.finalLineEnd) {
        text.pop_back();
        if (source.lineEnd == LineEnd::CrLf && !text.empty() && text.back() == '\r')
            text.pop_back();
    }
    if (source.lineEnd == LineEnd::CrLf) {
        std::string joined;
        joined.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
            joined += text[i];
        }
        text = std::move(joined);
    }
    source.text = std::move(text);
    return source;
}

std::string JoinSourceText(const SourceText& source) {
    const std::string lineEnd = source.lineEnd == LineEnd::CrLf ? "\r\n" : "\n";
    std::string bytes;
    bytes.reserve(source.text.size() + source.text.size() / 16 + 2);
    for (char character : source.text) {
        if (character == '\n') {
            bytes += lineEnd;
        } else {
            bytes += character;
        }
    }
    if (source.finalLineEnd) bytes += lineEnd;
    return bytes;
}

bool SaveAsksForName(const std::string& fileBox, const std::string& heldFile) {
    if (fileBox.empty() || fileBox != heldFile) return true;
    if (fileBox.size() < 4) return false;
    std::string extension = fileBox.substr(fileBox.size() - 4);
    for (char& character : extension) {
        if (character >= 'A' && character <= 'Z') character = char(character - 'A' + 'a');
    }
    return extension == ".hex";
}

}  // namespace tamro
