#pragma once
// One exchange with the target at a time.
//
// The long operations (write, verify, reads, the device selection) let the
// window process pending events between blocks so that it repaints and the
// timers tick. A click queued meanwhile would otherwise start a second
// operation in the middle of the first, interleaving two packet sequences on
// the one link and leaving the target in an undefined programming state. Every
// request that talks to the target takes this guard and is refused while it is
// held.
//
// The guard also carries a stop request: the running operation sees it before
// its next exchange and ends there.

namespace tamro {

class OperationGuard {
  public:
    bool Busy() const { return busy_; }

    // Asks the running operation to end at its next exchange; nothing when
    // none runs.
    void RequestStop() {
        if (busy_) stopRequested_ = true;
    }
    bool StopRequested() const { return stopRequested_; }
    void ClearStop() { stopRequested_ = false; }

    // Holds the guard for the lifetime of the scope when it was free.
    class Scope {
      public:
        explicit Scope(OperationGuard& guard) : guard_(guard), entered_(!guard.busy_) {
            if (entered_) {
                guard_.busy_ = true;
                guard_.stopRequested_ = false;
            }
        }
        ~Scope() {
            if (entered_) guard_.busy_ = false;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        // False when another operation was running: the caller must not go on.
        explicit operator bool() const { return entered_; }

      private:
        OperationGuard& guard_;
        bool entered_;
    };

  private:
    bool busy_ = false;
    bool stopRequested_ = false;
};

}  // namespace tamro
