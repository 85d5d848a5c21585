#pragma once
// The desktop's web browser and calculator, behind a small interface so that
// windows and tests can do without a desktop.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"

namespace tamro {

// The settings key (application "TAMRO18", section "DATA") of an address
// that replaces the installed documentation as the home page.
inline constexpr const char* kHomePageKey = "HOMEPAGE";
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

// The documentation installed with the panel, then the source tree's copy.
std::vector<std::string> DefaultDocumentationFiles();

// The home page, shown in the main window's Label12 and the version window's
// Label5 and opened by every home page item: the address the settings name
// under kHomePageKey, else the first existing file of `documents` as a file
// address; "" when there is neither.
std::string HomePageAddress(
    SettingsStore& store, const std::vector<std::string>& documents = DefaultDocumentationFiles());

// The home page item: opens `address`; a failure (or no address) shows a
// short message and the panel goes on.
void OpenHomePage(DesktopLauncher& launcher, MessageBoxes& messages, const std::string& address);

// The calculator item: starts the calculator; a failure shows a short message.
void RunCalculator(DesktopLauncher& launcher, MessageBoxes& messages);

}  // namespace tamro
