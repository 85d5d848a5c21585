#include "tools/tool_settings.h"

#include <array>
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

}  // namespace

ToolSettings DefaultToolSettings() {
    ToolSettings settings;
    settings.F_ASM = "C:\\Program Files\\ZEK_TOOLs\\TAMRO18";
    settings.CMD_ASM = "mpasmwin.exe /q /w2 /rdec /aINHX32";
    settings.F_C = "c:\\mcc18";
    settings.CMD_C = "c:\\mcc18\\bin\\mcc18.exe -p=18f452 -I=c:\\mcc18\\h";
    settings.CMD_Lkr = "C:\\mcc18\\bin\\mplink.exe /l C:\\mcc18\\lib /k C:\\mcc18\\lkr 18f452.lkr";
    return settings;
}

ToolSettings LoadToolSettings(SettingsStore& store) {
    if (store.Read(kSettingsApplication, kSettingsSection, "F_ASM").empty()) {
        const ToolSettings defaults = DefaultToolSettings();
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
