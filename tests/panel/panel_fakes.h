#pragma once
// The platform a test gives the main window: everything recorded, nothing
// shown, nothing started. Controls are found by their names, as the panel's
// documentation names them.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "panel/clickable_label.h"
#include "panel/main_window.h"
#include "tests/testing/fakes.h"
#include "tests/tools/desktop_fake_launcher.h"
#include "tests/tools/toolrun_fakes.h"

namespace tamro::testing {

struct PanelFakes {
    RecordingMessageBoxes messages;
    MemorySettingsStore store;
    CountingEventPump pump;
    FakeDesktopLauncher launcher;
    FakeFileDialogs dialogs;
    RecordingRunner processes;

    PanelPlatform Platform(DriverLibrary& driver) {
        return PanelPlatform{driver, messages, store, pump, launcher, dialogs, processes, true};
    }
};

// The control of `window` named `name`; the test ends when there is none.
template <typename T>
T* Control(const QObject& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found) qFatal("no control named %s", qPrintable(name));
    return found;
}

inline Rgb ColourOf(const QWidget& widget, QPalette::ColorRole role) {
    const QColor colour = widget.palette().color(role);
    return Rgb{colour.red(), colour.green(), colour.blue()};
}

// The colour of NotesLabel's text.
inline Rgb NotesColour(const QObject& window) {
    return ColourOf(*Control<QLabel>(window, "NotesLabel"), QPalette::WindowText);
}

inline Rgb ResetLampColour(const QObject& window) {
    return ColourOf(*Control<QWidget>(window, "RESET_LAMP"), QPalette::Window);
}

}  // namespace tamro::testing
