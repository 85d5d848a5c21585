#include "panel/panel_app.h"

#include <QApplication>
#include <iostream>
#include <optional>

#include "link/device_listing.h"
#include "link/driver_table.h"
#include "link/switchable_driver.h"
#include "panel/main_window.h"
#include "panel/programmer_dialog.h"
#include "panel/qt_platform.h"
#include "tools/ui/desktop_launch.h"
#include "tools/ui/file_dialogs.h"
#include "tools/ui/process_runner.h"

namespace tamro {

int RunPanel(const std::string& driverSetting, const DriverOptions& driverOptions,
             MessageBoxes& messages, SettingsStore& settings, EventPump& events,
             ProgrammerChooser* chooser, const std::string& startFile) {
    const auto makeDriver = [&driverOptions](const std::string& setting) {
        std::string error;
        auto driver = MakeDriverOrUnavailable(setting, driverOptions, &error);
        if (!error.empty()) std::cerr << "tamro18: " << error << "\n";
        return driver;
    };
    SwitchableDriver driver(makeDriver(driverSetting));
    std::optional<ProgrammerSwitch> programmerSwitch;
    if (chooser) {
        programmerSwitch.emplace(driver, settings, *chooser, makeDriver, ListProgrammers,
                                 driverSetting);
    }

    QtDesktopLauncher launcher;
    QtFileDialogs dialogs;
    QtProcessRunner processes;
    PanelPlatform platform{driver,   messages, settings,  events,
                           launcher, dialogs,  processes, IsEmulatorSetting(driverSetting)};
    platform.programmerSwitch = programmerSwitch ? &*programmerSwitch : nullptr;
    platform.driverSetting = driverSetting;
    TAMRO18_form form(platform);
    if (auto* qtChooser = dynamic_cast<QtProgrammerChooser*>(chooser)) {
        qtChooser->SetParent(&form);
        qtChooser->SetLister([] { return ProgrammerChoices(ListProgrammers()); });
    }
    dialogs.SetParent(&form);
    if (auto* qtMessages = dynamic_cast<QtMessageBoxes*>(&messages)) qtMessages->SetParent(&form);
    if (!form.Form_Load()) return 1;
    form.show();
    if (!startFile.empty()) form.OpenFile(startFile);
    return QApplication::exec();
}

}  // namespace tamro
