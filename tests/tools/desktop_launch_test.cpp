#include "tools/desktop_launch.h"

#include <gtest/gtest.h>

#include "tests/testing/fakes.h"
#include "tests/tools/desktop_fake_launcher.h"
#include "tests/tools/toolrun_fakes.h"

namespace tamro {
namespace {

TEST(DesktopLaunch, HomePageIsTheInstalledDocumentationUnlessTheSettingsNameAnother) {
    testing::ScratchFolder folder;
    testing::WriteBytes(folder / "README.md", "# Panel\n");
    const std::vector<std::string> documents = {folder / "missing/README.md", folder / "README.md"};
    testing::MemorySettingsStore store;
    EXPECT_EQ(HomePageAddress(store, documents), "file://" + folder / "README.md");
    EXPECT_EQ(HomePageAddress(store, {folder / "missing/README.md"}), "");

    store.Write("TAMRO18", "DATA", "HOMEPAGE", "https://example.org/panel");
    EXPECT_EQ(HomePageAddress(store, documents), "https://example.org/panel");
    EXPECT_TRUE(store.writes.size() == 1u);  // reading it never writes a default

    testing::FakeDesktopLauncher launcher;
    testing::RecordingMessageBoxes messages;
    OpenHomePage(launcher, messages, HomePageAddress(store, documents));
    EXPECT_EQ(launcher.openedUrls, std::vector<std::string>{"https://example.org/panel"});
    EXPECT_TRUE(messages.shown.empty());
}

TEST(DesktopLaunch, FailuresShowOneShortMessageEach) {
    testing::FakeDesktopLauncher launcher;
    launcher.urlResult = false;
    launcher.calculatorResult = false;
    testing::RecordingMessageBoxes messages;
    OpenHomePage(launcher, messages, "file:///usr/share/doc/tamro18/README.md");
    RunCalculator(launcher, messages);
    // No documentation and no address: nothing to open, and the panel says so.
    OpenHomePage(launcher, messages, "");
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].title, "HomePage");
    EXPECT_NE(messages.shown[0].text.find("/usr/share/doc/tamro18/README.md"), std::string::npos);
    EXPECT_EQ(messages.shown[1].title, "Calculator");
    EXPECT_EQ(messages.shown[2].title, "HomePage");
    EXPECT_EQ(launcher.calculatorStarts, 1);
    EXPECT_EQ(launcher.openedUrls.size(), 1u);
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
