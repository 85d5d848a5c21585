// The control panel: opens the programmer named by TAMRO18_DRIVER (the emulated
// programmer by default) and shows the main window.
#include <QApplication>
#include <iostream>

#include "app/environment.h"
#include "panel/panel_app.h"
#include "panel/qt_platform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("TAMRO18");
    const tamro::app::Lookup environment = tamro::app::ProcessEnvironment();
    tamro::QtMessageBoxes messages;
    tamro::IniSettingsStore settings(tamro::app::ConfigFolder(environment));
    tamro::QtEventPump events;
    return tamro::RunPanel(tamro::app::DriverSetting(environment),
                           tamro::app::BackendOptions(environment, std::cerr), messages, settings,
                           events);
}
