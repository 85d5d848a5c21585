// The control panel: opens the programmer named by TAMRO18_DRIVER (the emulated
// programmer by default) and shows the main window.
#include <QApplication>

#include "link/driver_table.h"
#include "panel/panel_app.h"
#include "panel/qt_platform.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("TAMRO18");
    tamro::QtMessageBoxes messages;
    tamro::IniSettingsStore settings;
    tamro::QtEventPump events;
    return tamro::RunPanel(tamro::DriverSettingFromEnvironment(), messages, settings, events);
}
