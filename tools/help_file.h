#pragma once
// Finding and reading the panel's help text: the file "TAMRO18.TXT" in the
// assembler folder (F_ASM), else the copy installed with the program, else the
// copy in the source tree (for runs from the build tree).

#include <optional>
#include <string>
#include <vector>

namespace tamro {

inline constexpr const char* kHelpFileName = "TAMRO18.TXT";

// The help file as the settings name it: F_ASM + "\TAMRO18.TXT".
std::string HelpFileSetting(const std::string& F_ASM);

// A folder-and-file text with backslashes as path separators, as a local path
// ("C:\tools\TAMRO18.TXT" -> "C:/tools/TAMRO18.TXT").
std::string LocalPath(const std::string& settingPath);

// The existing regular file at `path`, its file name matched whatever its
// letter case (an exact match first); nothing when there is none.
std::optional<std::string> FindFileAnyCase(const std::string& path);

// The installed copy and the source-tree copy, in this order.
std::vector<std::string> DefaultHelpFallbacks();

// Files to try, in order: the one under F_ASM, then the fallbacks.
std::vector<std::string> HelpFileCandidates(const std::string& F_ASM,
                                            const std::vector<std::string>& fallbacks);

struct HelpReading {
    bool ok = false;                 // a file was read to its end
    std::string path;                // the file read (empty when none opened)
    std::vector<std::string> lines;  // the lines read so far, without line ends
};

// Reads the first candidate that opens, line by line (CR LF and LF alike).
HelpReading ReadHelpFile(const std::string& F_ASM, const std::vector<std::string>& fallbacks);

// The help window's text: every line followed by a line end.
std::string HelpText(const std::vector<std::string>& lines);

// Places of the help window's controls for an outer window size, all in twips.
struct HelpLayout {
    int textWidth = 0;
    int textHeight = 0;
    int exitLeft = 0;
    int exitTop = 0;
};

// The resize rule: only while the outer height is above 500 twips, Text1 fills
// the window less 140 wide and 500 high, and EXITButton sits 1500 from the right
// and 1100 from the bottom; nothing below zero. Nothing for a lower window.
std::optional<HelpLayout> HelpFormLayout(int outerWidthTwips, int outerHeightTwips);

}  // namespace tamro
