#pragma once
// The platform a test gives the main window: everything recorded, nothing
// shown, nothing started.

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

}  // namespace tamro::testing
