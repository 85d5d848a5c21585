#include "tools/ui/desktop_launch.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

namespace tamro {

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
