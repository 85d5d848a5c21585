#pragma once
// What a progress read-out says of a long operation: the step (what it does
// to which region), the share done and the time left, estimated from the pace
// of the step so far.

#include <chrono>
#include <string>

#include "programming/chip_regions.h"

namespace tamro {

enum class ProgressAction { Write, Verify, Read, BlankCheck };

struct ProgressStep {
    ProgressAction action;
    ChipRegion region;
    bool operator==(const ProgressStep&) const = default;
};

class ProgressEstimate {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // A step begins (its progress so far counts from `done`).
    void Begin(ProgressStep step, TimePoint now, int done = 0);
    // "writing flash 45 %, 12 s left": the time left once the step has run
    // long enough to have a pace, the step's words without one.
    std::string Text(int done, int total, TimePoint now) const;

  private:
    ProgressStep step_{ProgressAction::Write, ChipRegion::Flash};
    TimePoint begun_{};
    int doneAtBegin_ = 0;
};

// "12 s left", "2 min 05 s left"; "" below one second.
std::string TimeLeftText(std::chrono::milliseconds left);

}  // namespace tamro
