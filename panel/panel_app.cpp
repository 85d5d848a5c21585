#include "panel/panel_app.h"

#include <QApplication>
#include <iostream>

#include "link/driver_table.h"
#include "panel/main_window.h"
#include "panel/qt_platform.h"
#include "tools/ui/desktop_launch.h"
#include "tools/ui/file_dialogs.h"
#include "tools/ui/process_runner.h"

namespace tamro {

int RunPanel(const std::string& driverSetting, const DriverOptions& driverOptions,
             MessageBoxes& messages, SettingsStore& settings, EventPump& events) {
    std::string error;
    auto driver = MakeDriverOrUnavailable(driverSetting, driverOptions, &error);
    if (!error.empty()) std::cerr << "tamro18: " << error << "\n";

    QtDesktopLauncher launcher;
    QtFileDialogs dialogs;
    QtProcessRunner processes;
    TAMRO18_form form(PanelPlatform{*driver, messages, settings, events, launcher, dialogs,
                                    processes, IsEmulatorSetting(driverSetting)});
    dialogs.SetParent(&form);
    if (auto* qtMessages = dynamic_cast<QtMessageBoxes*>(&messages)) qtMessages->SetParent(&form);
    if (!form.Form_Load()) return 1;
    form.show();
    return QApplication::exec();
}

}  // namespace tamro
