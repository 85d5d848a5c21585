#include "tools/desktop_launch.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"
#include "tests/tools/desktop_fake_launcher.h"

namespace tamro {
namespace {

TEST(DesktopLaunch, HomePageOpensTheOneAddress) {
    testing::FakeDesktopLauncher launcher;
    testing::RecordingMessageBoxes messages;
    OpenHomePage(launcher, messages);
    EXPECT_EQ(launcher.openedUrls, std::vector<std::string>{kHomePageAddress});
    EXPECT_TRUE(messages.shown.empty());
}

TEST(DesktopLaunch, FailuresShowOneShortMessageEach) {
    testing::FakeDesktopLauncher launcher;
    launcher.urlResult = false;
    launcher.calculatorResult = false;
    testing::RecordingMessageBoxes messages;
    OpenHomePage(launcher, messages);
    RunCalculator(launcher, messages);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "HomePage");
    EXPECT_NE(messages.shown[0].text.find(kHomePageAddress), std::string::npos);
    EXPECT_EQ(messages.shown[1].title, "Calculator");
    EXPECT_EQ(launcher.calculatorStarts, 1);
}

TEST(DesktopLaunch, CalculatorSuccessIsSilent) {
    testing::FakeDesktopLauncher launcher;
    testing::RecordingMessageBoxes messages;
    RunCalculator(launcher, messages);
    EXPECT_EQ(launcher.calculatorStarts, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(DesktopLaunch, FirstInstalledCalculatorInOrder) {
    EXPECT_EQ(FirstInstalledCalculator([](const std::string&) { return false; }), std::nullopt);
    EXPECT_EQ(FirstInstalledCalculator([](const std::string&) { return true; }),
              "gnome-calculator");
    EXPECT_EQ(FirstInstalledCalculator(
                  [](const std::string& name) { return name == "xcalc" || name == "galculator"; }),
              "galculator");
}

}  // namespace
}  // namespace tamro
