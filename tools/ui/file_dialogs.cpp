#include "tools/ui/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <vector>

namespace tamro {
namespace {

std::vector<std::string> SplitAt(std::string_view text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char character : text) {
        if (character == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += character;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

void AddPattern(std::string& patterns, const std::string& pattern) {
    if (!patterns.empty()) patterns += ' ';
    patterns += pattern;
}

}  // namespace

std::string QtFilterFor(std::string_view filter) {
    std::vector<std::string> parts = SplitAt(filter, '|');
    std::string result;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        for (const std::string& pattern : SplitAt(parts[i + 1], ';')) {
            if (pattern == "*.*") {
                AddPattern(patterns, "*");
                continue;
            }
            AddPattern(patterns, pattern);
            // File names tell letter case apart here; BLINK.ASM is a source too.
            std::string upper = pattern;
            for (char& character : upper) {
                if (character >= 'a' && character <= 'z') character = char(character - 'a' + 'A');
            }
            if (upper != pattern) AddPattern(patterns, upper);
        }
        if (!result.empty()) result += ";;";
        result += parts[i] + " (" + patterns + ")";
    }
    return result;
}

std::string QtFileDialogs::OpenFileName(const std::string& filter) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(lastFolder_),
                                     QString::fromStdString(QtFilterFor(filter)), nullptr);
    if (!chosen.isEmpty()) lastFolder_ = QFileInfo(chosen).absolutePath().toStdString();
    return chosen.toStdString();
}

std::string QtFileDialogs::SaveFileName(const std::string& filter) {
    const QString chosen =
        QFileDialog::getSaveFileName(parent_, QString(), QString::fromStdString(lastFolder_),
                                     QString::fromStdString(QtFilterFor(filter)), nullptr);
    if (!chosen.isEmpty()) lastFolder_ = QFileInfo(chosen).absolutePath().toStdString();
    return chosen.toStdString();
}

}  // namespace tamro
