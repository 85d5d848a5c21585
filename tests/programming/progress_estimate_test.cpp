#include "programming/progress_estimate.h"

#include <gtest/gtest.h>

namespace tamro {
namespace {

using std::chrono::milliseconds;

TEST(ProgressEstimateTest, SaysTheStepTheShareAndTheTimeLeftAtTheStepsPace) {
    const ProgressEstimate::TimePoint start{std::chrono::seconds(100)};
    const struct {
        ProgressStep step;
        int doneAtBegin;
        int done, total;
        milliseconds elapsed;
        const char* text;
    } cases[] = {
        {{ProgressAction::Write, ChipRegion::Flash},
         0,
         0,
         512,
         milliseconds(0),
         "writing flash 0 %"},
        // Too early for a pace.
        {{ProgressAction::Write, ChipRegion::Flash},
         0,
         10,
         512,
         milliseconds(400),
         "writing flash 1 %"},
        {{ProgressAction::Verify, ChipRegion::Flash},
         0,
         256,
         1024,
         milliseconds(4000),
         "verifying flash 25 %, 12 s left"},
        {{ProgressAction::Read, ChipRegion::Eeprom},
         0,
         1,
         256,
         milliseconds(1000),
         "reading EEPROM 0 %, 4 min 15 s left"},
        // The pace of the step alone: 100 bytes in 1 s, 156 to go.
        {{ProgressAction::BlankCheck, ChipRegion::Eeprom},
         4096,
         4196,
         4352,
         milliseconds(1000),
         "checking EEPROM 96 %, 2 s left"},
        {{ProgressAction::Read, ChipRegion::Flash},
         0,
         512,
         512,
         milliseconds(9000),
         "reading flash 100 %"},
    };
    for (const auto& c : cases) {
        ProgressEstimate estimate;
        estimate.Begin(c.step, start, c.doneAtBegin);
        EXPECT_EQ(estimate.Text(c.done, c.total, start + c.elapsed), c.text);
    }
}

}  // namespace
}  // namespace tamro
