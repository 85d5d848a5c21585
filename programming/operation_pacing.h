#pragma once
// How often the window shows USB messages and lets events run while a
// programming operation (ERASE, WRITE, VERIFY, the reads) is under way.
//
// A full WRITE makes some 40000 exchanges and 8000 progress steps. Laying out
// the USB message box twice per exchange, or repainting the window after every
// block, would cost far more than the exchanges themselves, and nobody sees the
// box between two progress updates. So during an operation a good message
// waits for the next progress update, a failure is shown at once (and stays:
// the quiet leaving packets after it do not cover it), and events run at most
// every 10 ms. Outside an operation everything is shown as it comes.

#include <chrono>
#include <optional>
#include <string>

#include "common/platform.h"

namespace tamro {

class OperationPacing {
  public:
    static constexpr std::chrono::milliseconds kEventInterval{10};

    explicit OperationPacing(Clock& clock) : clock_(clock) {}

    void BeginOperation();
    // Ends the operation: the message still waiting, if any, to show now.
    std::optional<std::string> EndOperation();
    bool UnderWay() const { return underWay_; }

    // The link reports `text`: what to show now, or nothing when it waits.
    std::optional<std::string> Message(const std::string& text);
    // A progress update: the message waiting since the last one, if any.
    std::optional<std::string> TakePending();
    // Whether events should run at this progress update.
    bool EventsDue();

  private:
    Clock& clock_;
    bool underWay_ = false;
    bool failureShown_ = false;
    std::optional<std::string> pending_;
    std::chrono::steady_clock::time_point lastEvents_{};
};

}  // namespace tamro
