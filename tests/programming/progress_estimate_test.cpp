#include "programming/progress_estimate.h"

#include <gtest/gtest.h>

namespace tamro {
namespace {

TEST(ProgressEstimateTest, SaysTheStepTheShareAndTheTimeLeftAtTheStepsPace) {
    using A = ProgressAction;
    using R = ChipRegion;
    const ProgressEstimate::TimePoint start{std::chrono::seconds(100)};
    const struct {
        ProgressStep step;
        int doneAtBegin, done, total, elapsedMs;
        const char* text;
    } cases[] = {
        // Too early for a pace.
        {{A::Write, R::Flash}, 0, 10, 512, 400, "writing flash 1 %"},
        {{A::Verify, R::Flash}, 0, 256, 1024, 4000, "verifying flash 25 %, 12 s left"},
        {{A::Read, R::Eeprom}, 0, 1, 256, 1000, "reading EEPROM 0 %, 4 min 15 s left"},
        // The pace of the step alone: 100 bytes in 1 s, 156 to go.
        {{A::BlankCheck, R::Eeprom}, 4096, 4196, 4352, 1000, "checking EEPROM 96 %, 2 s left"},
        {{A::Read, R::Flash}, 0, 512, 512, 9000, "reading flash 100 %"},
    };
    for (const auto& c : cases) {
        ProgressEstimate estimate;
        estimate.Begin(c.step, start, c.doneAtBegin);
        EXPECT_EQ(estimate.Text(c.done, c.total, start + std::chrono::milliseconds(c.elapsedMs)),
                  c.text);
    }
}

}  // namespace
}  // namespace tamro
