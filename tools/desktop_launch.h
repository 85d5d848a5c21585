#pragma once
// The desktop's web browser and calculator, behind a small interface so that
// windows and tests can do without a desktop.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"

namespace tamro {

// The maker's home page, shown in the main window's Label12 and the version
// window's Label5, and opened by every home page item.
inline constexpr const char* kHomePageAddress = "https://github.com/tamro18/tamro18";
// The maker's name as the main window and the version window show it.
inline constexpr const char* kMakerName = "Tamro programmer";

class DesktopLauncher {
  public:
    virtual ~DesktopLauncher() = default;
    // Opens the address in the desktop's web browser; false when that failed.
    virtual bool OpenUrl(const std::string& url) = 0;
    // Starts the desktop's calculator without waiting for it; false when none
    // could be started.
    virtual bool StartCalculator() = 0;
};

// The calculators looked for, in this order.
const std::vector<std::string>& CalculatorPrograms();

// The first calculator of CalculatorPrograms() that `isInstalled` accepts.
std::optional<std::string> FirstInstalledCalculator(
    const std::function<bool(const std::string&)>& isInstalled);

// The home page item: opens kHomePageAddress; a failure shows a short message
// and the panel goes on.
void OpenHomePage(DesktopLauncher& launcher, MessageBoxes& messages);

// The calculator item: starts the calculator; a failure shows a short message.
void RunCalculator(DesktopLauncher& launcher, MessageBoxes& messages);

}  // namespace tamro
