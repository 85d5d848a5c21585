#include "tools/desktop_launch.h"

namespace tamro {

const std::vector<std::string>& CalculatorPrograms() {
    static const std::vector<std::string> programs = {
        "gnome-calculator", "kcalc", "galculator", "mate-calc", "qalculate-gtk", "xcalc"};
    return programs;
}

std::optional<std::string> FirstInstalledCalculator(
    const std::function<bool(const std::string&)>& isInstalled) {
    for (const std::string& program : CalculatorPrograms()) {
        if (isInstalled(program)) return program;
    }
    return std::nullopt;
}

void OpenHomePage(DesktopLauncher& launcher, MessageBoxes& messages) {
    if (!launcher.OpenUrl(kHomePageAddress)) {
        messages.Show(MessageIcon::Exclamation, "HomePage",
                      std::string("No web browser could open ") + kHomePageAddress);
    }
}

void RunCalculator(DesktopLauncher& launcher, MessageBoxes& messages) {
    if (!launcher.StartCalculator()) {
        messages.Show(MessageIcon::Exclamation, "Calculator",
                      "No calculator could be started (looked for gnome-calculator, kcalc, "
                      "galculator, mate-calc, qalculate-gtk and xcalc)");
    }
}

}  // namespace tamro
