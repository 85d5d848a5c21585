#include "panel/panel_app.h"

#include <QApplication>
#include <iostream>

#include "link/driver_table.h"
#include "panel/main_window.h"
#include "panel/qt_platform.h"
#include "tools/desktop_launch.h"

namespace tamro {

int RunPanel(const std::string& driverSpec, MessageBoxes& messages, SettingsStore& settings,
             EventPump& events) {
    std::string error;
    auto driver = MakeDriverOrUnavailable(driverSpec, &error);
    if (!error.empty()) std::cerr << "tamro18: " << error << "\n";

    QtDesktopLauncher launcher;
    TAMRO18_form form(
        PanelPlatform{*driver, messages, settings, events, launcher, IsEmulatorSpec(driverSpec)});
    if (auto* qtMessages = dynamic_cast<QtMessageBoxes*>(&messages)) qtMessages->SetParent(&form);
    if (!form.Form_Load()) return 1;
    form.show();
    return QApplication::exec();
}

}  // namespace tamro
