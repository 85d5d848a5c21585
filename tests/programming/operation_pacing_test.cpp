#include "programming/operation_pacing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using Shown = std::optional<std::string>;

TEST(OperationPacingTest, UsbMessagesDuringAnOperationWaitForProgressButFailuresShowAtOnce) {
    testing::ManualClock clock;
    OperationPacing pacing(clock);
    // Outside an operation every message shows as it comes.
    EXPECT_EQ(pacing.Message("Write OK!:"), Shown("Write OK!:"));
    EXPECT_EQ(pacing.Message("Read NG!:"), Shown("Read NG!:"));

    pacing.BeginOperation();
    EXPECT_EQ(pacing.Message("Write OK!:"), std::nullopt);
    EXPECT_EQ(pacing.Message("Read OK!:"), std::nullopt);
    EXPECT_EQ(pacing.TakePending(), Shown("Read OK!:"));
    EXPECT_EQ(pacing.TakePending(), std::nullopt);
    EXPECT_EQ(pacing.Message("Write OK!:"), std::nullopt);
    EXPECT_EQ(pacing.EndOperation(), Shown("Write OK!:"));

    // A failure stays: the good exchanges of the quiet leaving packets after
    // it never cover it.
    pacing.BeginOperation();
    EXPECT_EQ(pacing.Message("Write OK!:"), std::nullopt);
    EXPECT_EQ(pacing.Message("Read NG!:"), Shown("Read NG!:"));
    EXPECT_EQ(pacing.Message("Write OK!:"), std::nullopt);
    EXPECT_EQ(pacing.TakePending(), std::nullopt);
    EXPECT_EQ(pacing.EndOperation(), std::nullopt);

    // The next operation starts afresh.
    pacing.BeginOperation();
    EXPECT_EQ(pacing.Message("Write OK!:"), std::nullopt);
    EXPECT_EQ(pacing.EndOperation(), Shown("Write OK!:"));
    EXPECT_FALSE(pacing.UnderWay());
}

TEST(OperationPacingTest, EventsRunAtMostEveryTenMillisecondsDuringAnOperation) {
    testing::ManualClock clock;
    OperationPacing pacing(clock);
    EXPECT_TRUE(pacing.EventsDue());
    EXPECT_TRUE(pacing.EventsDue());

    pacing.BeginOperation();
    EXPECT_TRUE(pacing.EventsDue());
    clock.SleepFor(std::chrono::milliseconds(9));
    EXPECT_FALSE(pacing.EventsDue());
    clock.SleepFor(std::chrono::milliseconds(1));
    EXPECT_TRUE(pacing.EventsDue());
    EXPECT_FALSE(pacing.EventsDue());
    // A new operation lets events run at its first progress update.
    pacing.EndOperation();
    pacing.BeginOperation();
    EXPECT_TRUE(pacing.EventsDue());
    pacing.EndOperation();
    EXPECT_TRUE(pacing.EventsDue());
}

}  // namespace
}  // namespace tamro
