// The control panel: opens the programmer named by TAMRO18_DRIVER, else the one
// chosen in the panel (the emulated programmer by default), and shows the main window.
#include <QApplication>
#include <cstdlib>
#include <optional>
#include <string>

#include "panel/panel_app.h"
#include "panel/programmer_dialog.h"
#include "panel/qt_platform.h"
#include "programming/programmer_choice.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setApplicationName("TAMRO18");
    tamro::QtMessageBoxes messages;
    tamro::IniSettingsStore settings;
    tamro::QtEventPump events;
    // TAMRO18_DRIVER, when set, overrides the programmer chosen in the panel.
    const char* driver = std::getenv("TAMRO18_DRIVER");
    const std::string setting = tamro::StartingDriverSetting(
        driver ? std::optional<std::string>(driver) : std::nullopt, settings);
    tamro::QtProgrammerChooser chooser;
    // `tamro18 FILE` opens FILE as File open does (a file manager's Open With).
    const QStringList arguments = application.arguments();
    const std::string startFile = arguments.size() > 1 ? arguments.at(1).toStdString() : "";
    return tamro::RunPanel(setting, messages, settings, events, &chooser, startFile);
}
