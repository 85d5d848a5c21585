#include "tools/desktop_launch.h"

#include <filesystem>
#include <system_error>

#include "tools/tool_settings.h"

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

std::vector<std::string> DefaultDocumentationFiles() {
    std::vector<std::string> files;
#ifdef TAMRO_DOC_INSTALLED_FILE
    files.push_back(TAMRO_DOC_INSTALLED_FILE);
#endif
#ifdef TAMRO_DOC_SOURCE_FILE
    files.push_back(TAMRO_DOC_SOURCE_FILE);
#endif
    return files;
}

std::string HomePageAddress(SettingsStore& store, const std::vector<std::string>& documents) {
    std::string address = store.Read(kSettingsApplication, kSettingsSection, kHomePageKey);
    if (!address.empty()) return address;
    for (const std::string& document : documents) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(document, error)) continue;
        const std::filesystem::path path = std::filesystem::absolute(document, error);
        if (!error) return "file://" + path.lexically_normal().string();
    }
    return {};
}

void OpenHomePage(DesktopLauncher& launcher, MessageBoxes& messages, const std::string& address) {
    if (address.empty()) {
        messages.Show(MessageIcon::Exclamation, "HomePage",
                      "The panel's documentation is not installed, and the settings name no "
                      "other home page (key " +
                          std::string(kHomePageKey) + ")");
        return;
    }
    if (!launcher.OpenUrl(address)) {
        messages.Show(MessageIcon::Exclamation, "HomePage", "No web browser could open " + address);
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
