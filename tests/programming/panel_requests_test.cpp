#include "programming/panel_requests.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/programming/operations_support.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

struct PanelRequestsTest : ::testing::Test {
    PanelRequestsTest() {
        driver.responder = testing::EmulatedTarget(emu::Device::Pic18F452);
        session.SetView(&view);
        session.UseDeviceGroup(DeviceGroup::Pic18F452);
        session.SetUsbMessageSink([this](const std::string& text) { requests.UsbMessage(text); });
        view.onPump = [this] { requests.ProgressUpdate(); };
    }

    testing::RecordingDriver driver;
    testing::RecordingMessageBoxes messages;
    testing::MemorySettingsStore settings;
    testing::ManualClock clock;
    ProgrammerSession session{driver, messages, settings};
    testing::RecordingView view;
    std::vector<std::string> log;  // what the window was told, in order
    std::function<void()> onEvents;
    PanelRequests requests{
        session, messages, clock,
        PanelRequests::Window{
            [this](bool enabled) { log.push_back(enabled ? "enable" : "disable"); },
            [this](const std::string& text) { log.push_back("usb " + text); },
            [this] {
                if (onEvents) onEvents();
            },
            [this] { log.push_back("close"); }}};
};

TEST_F(PanelRequestsTest, OneRequestAtATimeWithTheTargetControlsDisabled) {
    int inner = 0;
    onEvents = [&] {
        // Input queued while the request lets events run.
        requests.Run([&] { ++inner; });
        requests.RunProgramming([&] { return session.ReadEeprom(); });
        EXPECT_TRUE(requests.RefuseWhileBusy());
        EXPECT_FALSE(requests.MayClose());
        onEvents = nullptr;
    };
    messages.answer = false;
    requests.RunProgramming([&] { return session.ReadEeprom(); });
    EXPECT_EQ(inner, 0);
    EXPECT_EQ(messages.beeps, 3);
    EXPECT_EQ(messages.asked.size(), 1u);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front(), "disable");
    // The last good USB message waits for the end of the programming operation.
    EXPECT_EQ(log[log.size() - 2], "usb Read OK!:");
    EXPECT_EQ(log.back(), "enable");
    EXPECT_FALSE(requests.RefuseWhileBusy());
    EXPECT_TRUE(requests.MayClose());
}

TEST_F(PanelRequestsTest, ClosingDuringARequestStopsItAndClosesAfterIt) {
    for (bool stop : {false, true}) {
        log.clear();
        messages.answer = stop;
        onEvents = [&] {
            EXPECT_FALSE(requests.MayClose());
            onEvents = nullptr;
        };
        OperationResult result{};
        requests.RunProgramming([&] { return result = session.ReadEeprom(); });
        EXPECT_EQ(result, stop ? OperationResult::Stopped : OperationResult::Completed);
        EXPECT_EQ(log.back(), stop ? "close" : "enable");
    }
    // The stop request is spent: the next request runs to its end.
    log.clear();
    requests.Run([] {});
    EXPECT_EQ(log, (std::vector<std::string>{"disable", "enable"}));
}

}  // namespace
}  // namespace tamro
