#include "programming/panel_requests.h"

#include <utility>

namespace tamro {

PanelRequests::PanelRequests(ProgrammerSession& session, MessageBoxes& messages, Clock& clock,
                             Window window)
    : session_(session), messages_(messages), pacing_(clock), window_(std::move(window)) {}

bool PanelRequests::RefuseWhileBusy() {
    if (!session_.Busy()) return false;
    messages_.Beep();
    return true;
}

void PanelRequests::Run(const std::function<void()>& request) {
    if (RefuseWhileBusy()) return;
    window_.setTargetControlsEnabled(false);
    request();
    window_.setTargetControlsEnabled(true);
    CloseIfStopped();
}

OperationResult PanelRequests::RunProgramming(const std::function<OperationResult()>& operation) {
    if (RefuseWhileBusy()) return OperationResult::Refused;
    window_.setTargetControlsEnabled(false);
    pacing_.BeginOperation();
    const OperationResult result = operation();
    if (auto message = pacing_.EndOperation()) window_.showUsbMessage(*message);
    window_.setTargetControlsEnabled(true);
    CloseIfStopped();
    return result;
}

void PanelRequests::UsbMessage(const std::string& text) {
    if (auto shown = pacing_.Message(text)) window_.showUsbMessage(*shown);
}

void PanelRequests::ProgressUpdate() {
    if (auto message = pacing_.TakePending()) window_.showUsbMessage(*message);
    if (pacing_.EventsDue()) window_.processEvents();
}

bool PanelRequests::MayClose() {
    if (!session_.Busy()) return true;
    // Closing under a running request would cut the target off mid-sequence.
    if (messages_.AskYesNo("EXIT", "An operation is running. Stop it and exit?")) {
        closeWhenStopped_ = true;
        session_.RequestStop();
    }
    return false;
}

void PanelRequests::Stop() {
    if (session_.Busy()) session_.RequestStop();
}

void PanelRequests::CloseIfStopped() {
    if (!closeWhenStopped_) return;
    closeWhenStopped_ = false;
    window_.close();
}

}  // namespace tamro
