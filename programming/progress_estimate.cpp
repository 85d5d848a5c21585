#include "programming/progress_estimate.h"

#include <algorithm>
#include <cstdio>

namespace tamro {
namespace {

const char* ActionWord(ProgressAction action) {
    switch (action) {
        case ProgressAction::Write:
            return "writing";
        case ProgressAction::Verify:
            return "verifying";
        case ProgressAction::Read:
            return "reading";
        case ProgressAction::BlankCheck:
            return "checking";
    }
    return "";
}

// The pace is taken once the step has run this long.
constexpr std::chrono::milliseconds kPaceAfter{500};

}  // namespace

void ProgressEstimate::Begin(ProgressStep step, TimePoint now, int done) {
    step_ = step;
    begun_ = now;
    doneAtBegin_ = done;
}

std::string ProgressEstimate::Text(int done, int total, TimePoint now) const {
    std::string text = std::string(ActionWord(step_.action)) + " " + RegionName(step_.region);
    if (total <= 0) return text;
    const long long percent = 100LL * std::clamp(done, 0, total) / total;
    text += " " + std::to_string(percent) + " %";
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - begun_);
    const int stepDone = done - doneAtBegin_;
    if (elapsed >= kPaceAfter && stepDone > 0 && done < total) {
        const std::string left =
            TimeLeftText(std::chrono::milliseconds(elapsed.count() * (total - done) / stepDone));
        if (!left.empty()) text += ", " + left;
    }
    return text;
}

std::string TimeLeftText(std::chrono::milliseconds left) {
    const long long seconds = (left.count() + 500) / 1000;
    if (seconds < 1) return "";
    char text[40];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "%lld s left", seconds);
    } else {
        std::snprintf(text, sizeof text, "%lld min %02lld s left", seconds / 60, seconds % 60);
    }
    return text;
}

}  // namespace tamro
