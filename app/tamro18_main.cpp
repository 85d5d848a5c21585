// The control panel: opens the programmer named by TAMRO18_DRIVER, else the one
// chosen in the panel (the emulated programmer by default), and shows the main window.
#include <QApplication>
#include <cstring>
#include <iostream>
#include <string>

#include "app/environment.h"
#include "panel/panel_app.h"
#include "panel/programmer_dialog.h"
#include "panel/qt_platform.h"
#include "programming/programmer_choice.h"

int main(int argc, char** argv) {
    // These answer in the terminal without opening a window.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << "usage: tamro18 [FILE]\n"
                     "The PIC18 programmer's control panel. FILE (an Intel HEX file, or an\n"
                     "assembler or C source) is opened at start-up as FILE OPEN does.\n"
                     "TAMRO18_DRIVER=SETTING chooses the programmer (emulator, serial:PATH,\n"
                     "tcp:HOST:PORT, hid:VID:PID, usb:VID:PID); `tamro18-cli list` shows them.\n"
                     "HELP (F1) in the panel describes every control.\n";
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "tamro18 " << TAMRO_VERSION_TEXT << "\n";
        return 0;
    }
    QApplication application(argc, argv);
    application.setApplicationName("TAMRO18");
    const tamro::app::Lookup environment = tamro::app::ProcessEnvironment();
    tamro::app::InstallDeviceTable(environment, std::cerr);
    tamro::QtMessageBoxes messages;
    tamro::IniSettingsStore settings(tamro::app::ConfigFolder(environment), messages);
    tamro::QtEventPump events;
    // TAMRO18_DRIVER, when set, overrides the programmer chosen in the panel.
    const std::string setting =
        tamro::StartingDriverSetting(environment("TAMRO18_DRIVER"), settings);
    tamro::QtProgrammerChooser chooser;
    // `tamro18 FILE` opens FILE as File open does (a file manager's Open With).
    const QStringList arguments = application.arguments();
    const std::string startFile = arguments.size() > 1 ? arguments.at(1).toStdString() : "";
    return tamro::RunPanel(setting, tamro::app::BackendOptions(environment, std::cerr), messages,
                           settings, events, &chooser, startFile);
}
