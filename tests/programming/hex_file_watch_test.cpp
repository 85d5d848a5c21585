#include "programming/hex_file_watch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

namespace tamro {
namespace {

namespace fs = std::filesystem;

class HexFileWatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() /
            ("hex_file_watch_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        path_ = (folder_ / "blink.hex").string();
        Write(":00000001FF\n", 0);
    }
    void TearDown() override { fs::remove_all(folder_); }
    // Writes the file with a modification time `second` seconds after a fixed one.
    void Write(const std::string& text, int second) {
        std::ofstream(path_, std::ios::trunc) << text;
        fs::last_write_time(path_, base_ + std::chrono::seconds(second));
    }

    fs::path folder_;
    std::string path_;
    const fs::file_time_type base_ = fs::file_time_type::clock::now() - std::chrono::hours(1);
};

TEST_F(HexFileWatchTest, ChangedOnceTheFileIsWrittenReplacedOrRemoved) {
    HexFileWatch watch;
    EXPECT_FALSE(watch.Changed()) << "no file followed";
    watch.Loaded(path_);
    EXPECT_FALSE(watch.Changed());
    Write(":00000001FF\n", 5);
    EXPECT_TRUE(watch.Changed()) << "newer, same size";
    watch.Loaded(path_);
    EXPECT_FALSE(watch.Changed());
    Write(":0000000000\n:00000001FF\n", 5);
    EXPECT_TRUE(watch.Changed()) << "same time, other size";
    watch.Loaded(path_);
    fs::remove(path_);
    EXPECT_TRUE(watch.Changed()) << "removed";
    watch.Forget();
    EXPECT_FALSE(watch.Changed());
}

TEST_F(HexFileWatchTest, PollReportsAChangeOnceItHasSettled) {
    HexFileWatch watch;
    watch.Loaded(path_);
    EXPECT_FALSE(watch.PollSettledChange());
    Write(":0000000000\n", 5);
    EXPECT_FALSE(watch.PollSettledChange()) << "first seen: may still be written";
    Write(":0000000000\n:00000001FF\n", 6);
    EXPECT_FALSE(watch.PollSettledChange()) << "still changing";
    EXPECT_TRUE(watch.PollSettledChange()) << "the same on two polls";
    EXPECT_FALSE(watch.PollSettledChange()) << "reported once, also when not loaded";
    fs::remove(path_);
    EXPECT_FALSE(watch.PollSettledChange());
    EXPECT_FALSE(watch.PollSettledChange()) << "a missing file is nothing to load";
    Write(":00000001FF\n", 9);
    watch.PollSettledChange();
    EXPECT_TRUE(watch.PollSettledChange()) << "written again";
    watch.Loaded(path_);
    EXPECT_FALSE(watch.PollSettledChange());
    EXPECT_FALSE(watch.PollSettledChange());
}

}  // namespace
}  // namespace tamro
