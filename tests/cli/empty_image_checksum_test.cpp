// With nothing loaded, the panel's checksum and the command-line tool's
// checksum of an empty HEX file are the erased chip's.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli/cli.h"
#include "images/checksum.h"
#include "programming/device.h"
#include "programming/programmer_session.h"
#include "tests/testing/fakes.h"
#include "tests/testing/operations_fakes.h"

namespace tamro {
namespace {

TEST(EmptyImageChecksumTest, PanelAndToolAgreeOnTheErasedChip) {
    const auto empty = std::filesystem::temp_directory_path() / "tamro_empty_checksum.hex";
    std::ofstream(empty) << ":00000001FF\n";
    const struct {
        emu::Device device;
        int option;
        const char* name;
    } cases[] = {{emu::Device::Pic18F452, kOption452, "18F452"},
                 {emu::Device::Pic18F4520, kOption4520, "18F4520"}};
    for (const auto& c : cases) {
        testing::RecordingDriver driver;
        driver.responder = testing::EmulatedTarget(c.device);
        testing::RecordingMessageBoxes messages;
        testing::MemorySettingsStore settings;
        settings.Write("TAMRO18", "DATA", "DEVICE", StoredDeviceText(c.option));
        ProgrammerSession session{driver, messages, settings};
        ASSERT_TRUE(session.Start()) << c.name;
        const std::string panel =
            ChecksumText(ImageChecksum(session.images(), session.groupValues().configMask));

        std::ostringstream out, err;
        ASSERT_EQ(cli::RunCli({"hex", empty.string(), "--device", c.name}, {}, out, err), 0)
            << err.str();
        EXPECT_NE(out.str().find("checksum " + panel + "\n"), std::string::npos)
            << c.name << ": panel " << panel << ", tool " << out.str();
        // The erased program bytes alone give 8000h.
        EXPECT_EQ(panel[0], '8') << c.name;
    }
}

}  // namespace
}  // namespace tamro
