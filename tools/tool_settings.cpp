#include "tools/tool_settings.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tamro {
namespace {

std::array<std::pair<const char*, std::string ToolSettings::*>, 7> Keys() {
    return {{{"F_ASM", &ToolSettings::F_ASM},
             {"CMD_ASM", &ToolSettings::CMD_ASM},
             {"F_C", &ToolSettings::F_C},
             {"CMD_C", &ToolSettings::CMD_C},
             {"CMD_Lkr", &ToolSettings::CMD_Lkr},
             {"F_EDIT", &ToolSettings::F_EDIT},
             {"CMD_EDIT", &ToolSettings::CMD_EDIT}}};
}

std::string FolderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// The wrapper as a command line's first word: its name when it is on the
// search path, otherwise its path (quoted when it holds blanks).
std::string WrapperCommand(const std::string& name, const ProgramFinder& find,
                           const std::vector<std::string>& folders) {
    if (!find(name).empty()) return name;
    for (const std::string& folder : folders) {
        const std::filesystem::path path = std::filesystem::path(folder) / name;
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) continue;
        const std::string text = path.string();
        return text.find_first_of(" \t") == std::string::npos ? text : "\"" + text + "\"";
    }
    return name;
}

}  // namespace

std::vector<std::string> DefaultWrapperFolders() {
    std::vector<std::string> folders;
#ifdef TAMRO_WRAPPER_INSTALLED_DIR
    folders.push_back(TAMRO_WRAPPER_INSTALLED_DIR);
#endif
#ifdef TAMRO_WRAPPER_SOURCE_DIR
    folders.push_back(TAMRO_WRAPPER_SOURCE_DIR);
#endif
    return folders;
}

ToolSettings InstalledToolSettings(const ProgramFinder& find,
                                   const std::vector<std::string>& wrapperFolders) {
    ToolSettings settings;
    const std::string gpasm = find("gpasm");
    settings.F_ASM = gpasm.empty() ? kUsualGpasmFolder : FolderOf(gpasm);
    settings.CMD_ASM = kGpasmCommand;
    const std::string sdcc = find("sdcc");
    if (!sdcc.empty()) {
        settings.F_C = FolderOf(sdcc);
        settings.CMD_C = WrapperCommand("tamro-sdcc-cc", find, wrapperFolders) + " " + kSdccOptions;
        settings.CMD_Lkr =
            WrapperCommand("tamro-sdcc-link", find, wrapperFolders) + " " + kSdccOptions;
    }
    return settings;
}

ToolSettings LoadToolSettings(SettingsStore& store, const ToolSettings& defaults) {
    if (store.Read(kSettingsApplication, kSettingsSection, "F_ASM").empty()) {
        StoreToolSettings(store, defaults);
        return defaults;
    }
    ToolSettings settings;
    for (const auto& [key, member] : Keys()) {
        settings.*member = store.Read(kSettingsApplication, kSettingsSection, key);
    }
    return settings;
}

void StoreToolSettings(SettingsStore& store, const ToolSettings& settings) {
    for (const auto& [key, member] : Keys()) {
        store.Write(kSettingsApplication, kSettingsSection, key, settings.*member);
    }
}

}  // namespace tamro
