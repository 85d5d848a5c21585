// The control panel: opens the programmer named by TAMRO18_DRIVER (the emulated
// programmer by default) and shows the main window.
#include <QApplication>
#include <iostream>

#include "link/driver_table.h"
#include "panel/main_window.h"
#include "panel/qt_platform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("TAMRO18");

    const std::string spec = tamro::DriverSpecFromEnvironment();
    std::string error;
    auto driver = tamro::MakeDriverOrUnavailable(spec, &error);
    if (!error.empty()) std::cerr << "tamro18: " << error << "\n";

    tamro::QtMessageBoxes messages;
    tamro::IniSettingsStore settings;
    tamro::QtEventPump events;
    tamro::TAMRO18_form form(
        tamro::PanelPlatform{*driver, messages, settings, events, tamro::IsEmulatorSpec(spec)});
    messages.SetParent(&form);
    if (!form.Form_Load()) return 1;
    form.show();
    return application.exec();
}
