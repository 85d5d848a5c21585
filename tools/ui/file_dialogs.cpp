#include "tools/ui/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <vector>

namespace tamro {
namespace {

void AddPattern(std::string& patterns, const std::string& pattern) {
    if (!patterns.empty()) patterns += ' ';
    patterns += pattern;
}

}  // namespace

std::string QtFilterFor(std::string_view filter) {
    std::string result;
    for (const FilterEntry& entry : ParseFilter(filter)) {
        std::string patterns;
        for (const std::string& pattern : entry.patterns) {
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
        result += entry.caption + " (" + patterns + ")";
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
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(lastFolder_));
    const QStringList entries =
        QString::fromStdString(QtFilterFor(filter)).split(QStringLiteral(";;"));
    dialog.setNameFilters(entries);
    auto extensionFor = [&](const QString& entry) {
        const qsizetype index = entries.indexOf(entry);
        return SaveExtensionFor(filter, index < 0 ? 0 : static_cast<std::size_t>(index));
    };
    // The dialog adds the extension itself, so that it asks before replacing
    // the file of the completed name.
    dialog.setDefaultSuffix(QString::fromStdString(extensionFor(entries.value(0))));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& entry) {
        dialog.setDefaultSuffix(QString::fromStdString(extensionFor(entry)));
    });
    if (dialog.exec() != QDialog::Accepted) return {};
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty()) return {};
    lastFolder_ = QFileInfo(chosen).absolutePath().toStdString();
    // A desktop's own dialog may leave the extension out.
    return WithExtension(chosen.toStdString(), extensionFor(dialog.selectedNameFilter()));
}

}  // namespace tamro
