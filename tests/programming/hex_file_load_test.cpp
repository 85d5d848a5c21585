#include "programming/hex_file_load.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/programming/operations_support.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using Kind = HexFileLoadResult::Kind;

struct HexFileLoadTest : ::testing::Test {
    HexFileLoadTest() {
        driver.responder = testing::EmulatedTarget(emu::Device::Pic18F452);
        session.SetView(&view);
        session.UseDeviceGroup(DeviceGroup::Pic18F452);
    }
    ~HexFileLoadTest() override { std::filesystem::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& content) {
        std::filesystem::create_directories(folder);
        const auto path = folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    HexFileLoadResult Load(const std::string& file, const std::string& fileBox) {
        name = file;
        return load.Load(name, fileBox, session.images());
    }

    testing::RecordingDriver driver;
    testing::RecordingMessageBoxes messages;
    testing::MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    testing::RecordingView view;
    HexFileLoad load{session};
    std::string name;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("hex_file_load_" + std::to_string(::getpid()));
    // Words 0 and 1, then configuration byte 300008h.
    const std::string good = Write("good.hex",
                                   ":0400000012EF00F00B\n:020000040030CA\n"
                                   ":020008000FC027\n:00000001FF\n");
    const std::string bad = Write("bad.hex", ":0400000012EF00F0FF\n:00000001FF\n");
};

TEST_F(HexFileLoadTest, GoodFileFillsTheImagesAndUnconfiguredBytesTakeTheGroupDefaults) {
    session.images().config.fill(0x11);
    const HexFileLoadResult result = Load(good, good);
    ASSERT_EQ(result.kind, Kind::Loaded);
    EXPECT_EQ(result.outcome.startAddressText, "0");
    EXPECT_EQ(result.outcome.lastAddressText, "2");
    EXPECT_EQ(name, good);
    const Images& images = session.images();
    EXPECT_EQ(images.program[0], 0x12);
    EXPECT_EQ(images.config[8], 0x0F);
    EXPECT_EQ(images.config[9], 0xC0);
    for (int i : {0, 1, 2, 13}) {
        EXPECT_EQ(images.config[i], session.groupValues().defaultConfig[i]) << i;
    }
}

TEST_F(HexFileLoadTest, FailedLoadKeepsThePreviousFileUnderItsName) {
    ASSERT_EQ(Load(good, good).kind, Kind::Loaded);
    const Images loaded = session.images();
    load.FileBoxRenamed("good one");
    // The file box shows another name: it stays.
    EXPECT_EQ(Load(bad, "other").fileBoxText, std::nullopt);
    const HexFileLoadResult result = Load(bad, bad);
    EXPECT_EQ(result.kind, Kind::Failed);
    EXPECT_EQ(result.file, bad);
    EXPECT_EQ(result.outcome.error, HexLoadError::Checksum);
    EXPECT_EQ(result.fileBoxText, "good one");
    EXPECT_EQ(name, good);
    EXPECT_TRUE(session.images() == loaded);
}

TEST_F(HexFileLoadTest, NothingLoadsWhileARequestRuns) {
    const Images before = session.images();
    std::optional<HexFileLoadResult> during;
    view.onPump = [&] {
        if (!during) during = Load(good, good);
    };
    session.ReadDeviceId();
    ASSERT_TRUE(during.has_value());
    EXPECT_EQ(during->kind, Kind::Refused);
    EXPECT_TRUE(session.images().program == before.program);
    EXPECT_EQ(Load(good, good).kind, Kind::Loaded);
}

}  // namespace
}  // namespace tamro
