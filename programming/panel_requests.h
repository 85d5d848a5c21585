#pragma once
// How the panel runs the session's requests: one at a time, with the controls
// that talk to the target or change what a request works on disabled
// meanwhile. A request started from the events a running one lets run is
// refused with a beep. During the long programming operations the USB
// messages and the event processing follow their progress (see
// OperationPacing). Closing the panel while a request runs asks whether to
// stop it; the panel then closes once the request has ended.

#include <functional>
#include <string>

#include "common/platform.h"
#include "programming/operation_pacing.h"
#include "programming/programmer_session.h"

namespace tamro {

class PanelRequests {
  public:
    // What the window does for the requests.
    struct Window {
        std::function<void(bool enabled)> setTargetControlsEnabled;
        std::function<void(const std::string& text)> showUsbMessage;
        std::function<void()> processEvents;
        std::function<void()> close;
    };

    PanelRequests(ProgrammerSession& session, MessageBoxes& messages, Clock& clock, Window window);

    // False (with a beep) while a request runs: nothing may change what it works on.
    bool RefuseWhileBusy();
    void Run(const std::function<void()>& request);
    // The operation's result; Refused when another request runs.
    OperationResult RunProgramming(const std::function<OperationResult()>& operation);

    // The session's USB messages and progress updates.
    void UsbMessage(const std::string& text);
    void ProgressUpdate();

    // True when the panel may close now. While a request runs, asks whether
    // to stop it; on yes the request stops at its next exchange and the panel
    // closes after it.
    bool MayClose();
    // Stops the running request at its next exchange, leaving the target safe.
    void Stop();

  private:
    void CloseIfStopped();

    ProgrammerSession& session_;
    MessageBoxes& messages_;
    OperationPacing pacing_;
    Window window_;
    bool closeWhenStopped_ = false;
};

}  // namespace tamro
