#include "tools/ui/desktop_launch.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>
#include <utility>

namespace tamro {

std::vector<std::string> InstalledDocumentationFiles() {
    std::vector<std::string> files = {
        (QCoreApplication::applicationDirPath() + "/../share/doc/tamro18/README.md").toStdString()};
    for (std::string& file : DefaultDocumentationFiles()) files.push_back(std::move(file));
    return files;
}

bool QtDesktopLauncher::OpenUrl(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool QtDesktopLauncher::StartCalculator() {
    const std::optional<std::string> program =
        FirstInstalledCalculator([](const std::string& name) {
            return !QStandardPaths::findExecutable(QString::fromStdString(name)).isEmpty();
        });
    if (!program) return false;
    return QProcess::startDetached(QStandardPaths::findExecutable(QString::fromStdString(*program)),
                                   {});
}

}  // namespace tamro
