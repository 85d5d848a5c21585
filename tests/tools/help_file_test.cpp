#include "tools/help_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tamro {
namespace {

namespace fs = std::filesystem;

class HelpFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("tamro_help_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Write(const std::string& relative, const std::string& content) {
        const fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    fs::path root_;
};

TEST(HelpFileName, FolderSettingWithBackslash) {
    EXPECT_EQ(HelpFileSetting("C:\\Program Files\\ZEK_TOOLs\\TAMRO18"),
              "C:\\Program Files\\ZEK_TOOLs\\TAMRO18\\TAMRO18.TXT");
    EXPECT_EQ(HelpFileSetting(""), "\\TAMRO18.TXT");
    EXPECT_EQ(LocalPath(HelpFileSetting("")), "/TAMRO18.TXT");
    EXPECT_EQ(LocalPath(HelpFileSetting("/opt/gputils\\bin")), "/opt/gputils/bin/TAMRO18.TXT");
}

TEST_F(HelpFileTest, FileNameFoundWhateverItsCase) {
    const std::string lower = Write("asm/tamro18.txt", "lower\n");
    EXPECT_EQ(FindFileAnyCase((root_ / "asm/TAMRO18.TXT").string()), lower);
    const std::string exact = Write("asm/TAMRO18.TXT", "exact\n");
    EXPECT_EQ(FindFileAnyCase((root_ / "asm/TAMRO18.TXT").string()), exact);
    EXPECT_EQ(FindFileAnyCase((root_ / "missing/TAMRO18.TXT").string()), std::nullopt);
    fs::create_directories(root_ / "dir/Tamro18.txt");
    EXPECT_EQ(FindFileAnyCase((root_ / "dir/TAMRO18.TXT").string()), std::nullopt);
}

TEST_F(HelpFileTest, ReadsLinesOfTheFileUnderTheFolder) {
    Write("asm/Tamro18.Txt", "first line\r\nsecond\r\n\r\nlast without end");
    const std::string folder = (root_ / "asm").string();
    const HelpReading reading = ReadHelpFile(folder, {Write("fallback.txt", "fallback\n")});
    EXPECT_TRUE(reading.ok);
    EXPECT_EQ(reading.lines,
              (std::vector<std::string>{"first line", "second", "", "last without end"}));
    EXPECT_EQ(HelpText(reading.lines), "first line\nsecond\n\nlast without end\n");
}

TEST_F(HelpFileTest, FallsBackInOrderAndFailsWhenNoneExists) {
    const std::string installed = Write("share/TAMRO18.TXT", "installed\n");
    const std::string source = Write("src/TAMRO18.TXT", "source\n");
    const std::string missingFolder = (root_ / "nowhere").string();

    HelpReading reading = ReadHelpFile(missingFolder, {installed, source});
    EXPECT_TRUE(reading.ok);
    EXPECT_EQ(reading.path, installed);
    EXPECT_EQ(reading.lines, std::vector<std::string>{"installed"});

    reading = ReadHelpFile(missingFolder, {(root_ / "share/none.txt").string(), source});
    EXPECT_EQ(reading.path, source);

    reading = ReadHelpFile(missingFolder, {(root_ / "none.txt").string(), ""});
    EXPECT_FALSE(reading.ok);
    EXPECT_TRUE(reading.lines.empty());
    EXPECT_TRUE(reading.path.empty());
}

TEST(HelpFileDefaults, InstalledCopyThenSourceCopyWhichExists) {
    const std::vector<std::string> fallbacks = DefaultHelpFallbacks();
    ASSERT_EQ(fallbacks.size(), 2u);
    EXPECT_NE(fallbacks[0].find("tamro18/TAMRO18.TXT"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(fallbacks[1]));
    const HelpReading reading = ReadHelpFile("/no/such/folder", {fallbacks[1]});
    EXPECT_TRUE(reading.ok);
    EXPECT_GT(reading.lines.size(), 20u);
}

TEST(HelpFormLayout, ResizeRuleInTwipsClamped) {
    const std::optional<HelpLayout> layout = HelpFormLayout(10200, 7500);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->textWidth, 10060);
    EXPECT_EQ(layout->textHeight, 7000);
    EXPECT_EQ(layout->exitLeft, 8700);
    EXPECT_EQ(layout->exitTop, 6400);

    EXPECT_FALSE(HelpFormLayout(10200, 500));
    EXPECT_FALSE(HelpFormLayout(0, 0));
    const std::optional<HelpLayout> tiny = HelpFormLayout(100, 501);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->textWidth, 0);
    EXPECT_EQ(tiny->textHeight, 1);
    EXPECT_EQ(tiny->exitLeft, 0);
    EXPECT_EQ(tiny->exitTop, 0);
}

}  // namespace
}  // namespace tamro
