#pragma once
// The desktop's browser and calculator as Qt reaches them.

#include "tools/desktop_launch.h"

namespace tamro {

// The documentation installed beside the program (whatever prefix a package
// used), then DefaultDocumentationFiles().
std::vector<std::string> InstalledDocumentationFiles();

// QDesktopServices for addresses, QProcess::startDetached for the calculator.
class QtDesktopLauncher final : public DesktopLauncher {
  public:
    bool OpenUrl(const std::string& url) override;
    bool StartCalculator() override;
};

}  // namespace tamro
