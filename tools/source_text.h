#pragma once
// A source file's bytes as the editor shows them, and back; where the editor
// saves them.

#include <string>

namespace tamro {

enum class LineEnd { Lf, CrLf };

// A file's text as the editor shows it (lines joined by "\n", without the
// final line end) and what is needed to write it back byte for byte.
struct SourceText {
    std::string text;
    LineEnd lineEnd = LineEnd::Lf;  // a new file gets the platform's line end
    bool finalLineEnd = true;
    friend bool operator==(const SourceText&, const SourceText&) = default;
};

// The line end is that of the first line (CR LF or LF).
SourceText SplitSourceText(const std::string& bytes);
std::string JoinSourceText(const SourceText& source);

// Whether SAVE must ask for a name: the file box (FilenameTextbox) is empty,
// names a HEX file, or names another file than the one the editor holds.
bool SaveAsksForName(const std::string& fileBox, const std::string& heldFile);

}  // namespace tamro
