// Whole operations against the emulated programmer with each target attached.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/number_text.h"
#include "images/hex_writer.h"
#include "programming/programmer_session.h"
#include "tests/programming/operations_support.h"

namespace tamro {
namespace {

using testing::RecordingDriver;
using testing::RecordingMessageBoxes;
using testing::RecordingView;

struct Target {
    emu::Device device;
    int option;
    const char* processor;
    const char* name;
    std::uint16_t maskedId;
    ConfigBytes config;  // within the device's implemented bits
};

const Target k452{
    emu::Device::Pic18F452,
    kOption452,
    "18f452",
    "18F452",
    0x0420,
    {0x00, 0x22, 0x0F, 0x0E, 0x00, 0x01, 0x81, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}};
const Target k4520{
    emu::Device::Pic18F4520,
    kOption4520,
    "18f4520",
    "18F4520",
    0x1080,
    {0x00, 0x08, 0x1F, 0x1E, 0x00, 0x83, 0x81, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}};

void PrintTo(const Target& target, std::ostream* os) {
    *os << target.name;
}

std::string Source(const Target& target, int variant) {
    std::ostringstream text;
    text << "        list p=" << target.processor << "\n"
         << "        org 0\n        goto start\n"
         << "        org 0x100\n"
         << "start:  movlw 0x" << std::hex << 0x12 + variant << "\n"
         << "        movwf 0x20, 0\n        bra start\n"
         << "        org 0x1000\n        db 0x01, 0x02, 0x03, 0x04, 0x05\n"
         << "        org 0x7FFC\n        db 0xA5, 0x5A, 0x00, 0x" << 0x10 + variant << "\n"
         << "        org 0x300000\n        db ";
    for (std::size_t i = 0; i < target.config.size(); ++i) {
        text << (i ? ", " : "") << "0x" << static_cast<int>(target.config[i]);
    }
    text << "\n        end\n";
    return text.str();
}

class EndToEndTest : public ::testing::TestWithParam<Target> {
  protected:
    void SetUp() override {
        driver.responder = testing::EmulatedTarget(GetParam().device);
        session.SetView(&view);
        session.ReadDeviceId();
        const DeviceIdReading id = session.deviceIdReading();
        if ((id.deviceId & 0x7FE0) != GetParam().maskedId) {
            GTEST_SKIP() << "the emulated target does not answer its device ID";
        }
        hexFile = testing::AssembleWithGpasm(Source(GetParam(), 0), GetParam().processor,
                                             std::string("e2e_") + GetParam().processor);
        if (hexFile.empty()) GTEST_SKIP() << "gpasm is not available";
        UseGroup(GetParam().option);
        ASSERT_TRUE(testing::LoadHexForTest(hexFile, images));
    }
    void UseGroup(int option) {
        const std::int16_t lastAddress = images.lastAddress;
        session.UseDeviceGroup(GroupOfOption(option));
        images.lastAddress = lastAddress;
    }
    OperationResult Write() { return session.Write(images.lastAddress); }
    // Configuration bytes 300000h to 30000Fh as the target reads them.
    std::array<std::uint8_t, 16> ReadConfiguration() { return ReadTarget(0x30); }
    // 16 bytes from the start of the 64 KB page `upper` as the target reads them.
    std::array<std::uint8_t, 16> ReadTarget(std::uint8_t upper) {
        std::array<std::uint8_t, 16> bytes{};
        link.Exchange(protocol::Command::TargetSupply, 1);
        link.Exchange(protocol::Command::VppLevel, 0);
        link.Exchange(protocol::Command::LineMode, 1);
        link.Exchange(protocol::Command::VppLevel, 2);
        link.Exchange(protocol::Command::SetTablePointer, upper, 0x00, 0x00);
        for (int half = 0; half < 2; ++half) {
            link.Exchange(protocol::Command::TableRead, 9, 8);
            std::copy_n(link.ReceiveBuffer().begin(), 8, bytes.begin() + 8 * half);
        }
        link.Exchange(protocol::Command::VppLevel, 1);
        link.Exchange(protocol::Command::LineMode, 1);
        link.Exchange(protocol::Command::TargetSupply, 0);
        return bytes;
    }

    RecordingDriver driver;
    RecordingMessageBoxes messages;
    testing::MemorySettingsStore settings;
    ProgrammerSession session{driver, messages, settings};
    Images& images = session.images();
    // Reads the target behind the session's back.
    Link link{driver, messages};
    RecordingView view;
    std::string hexFile;
};

// The device's flash as the image holds it.
std::vector<std::uint8_t> Flash(const Images& images) {
    return {images.program.begin(), images.program.begin() + images.flashBytes};
}

TEST_P(EndToEndTest, WrittenImageVerifiesReadsBackAndSavesIdentically) {
    const Images loaded = images;
    EXPECT_EQ(images.lastAddress, 0x4000);
    ASSERT_EQ(Write(), OperationResult::Completed);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(session.Verify(), OperationResult::Completed);

    images.program.fill(0);
    ASSERT_EQ(session.ReadProgram(0x3FFF), OperationResult::Completed);
    EXPECT_EQ(Flash(images), Flash(loaded));
    EXPECT_EQ(images.haveData, 0);

    const auto saved = std::filesystem::path(hexFile).replace_extension(".saved.hex");
    ASSERT_TRUE(WriteIntelHexFile(saved.string(), images, HexWriteOptions{}, nullptr));
    Images reloaded;
    ASSERT_TRUE(testing::LoadHexForTest(saved.string(), reloaded));
    EXPECT_EQ(Flash(reloaded), Flash(loaded));
}

TEST_P(EndToEndTest, ConfigurationBytesLandInTheTarget) {
    ASSERT_EQ(Write(), OperationResult::Completed);
    const auto bytes = ReadConfiguration();
    for (int i = 0; i < 14; ++i) EXPECT_EQ(bytes[i], GetParam().config[i]) << i;
}

TEST_P(EndToEndTest, MismatchIsFoundInItsGroup) {
    ASSERT_EQ(Write(), OperationResult::Completed);
    images.program[2 * 0x85 + 1] ^= 0x40;
    EXPECT_EQ(session.Verify(), OperationResult::VerifyMismatch);
    EXPECT_EQ(view.currentAddress, "84");
    ASSERT_EQ(session.Differences().size(), 1u);
    EXPECT_EQ(session.Differences()[0].address, 2u * 0x85 + 1);
    EXPECT_EQ(view.Last().text, "Verify Error");
}

TEST_P(EndToEndTest, IdLocationsAndEepromDataAreWrittenAndVerified) {
    std::string source = Source(GetParam(), 0);
    source.insert(source.rfind("        end"),
                  "        __idlocs 0x200000, 0x5\n        __idlocs 0x200006, 0xC\n"
                  "        org 0xF00000\n        de 0x11, 0x22\n"
                  "        org 0xF000FF\n        de 0xA5\n");
    const std::string file = testing::AssembleWithGpasm(
        source, GetParam().processor, std::string("e2e_id_") + GetParam().processor);
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(testing::LoadHexForTest(file, images));
    ASSERT_EQ(Write(), OperationResult::Completed);
    EXPECT_TRUE(messages.shown.empty());

    const auto id = ReadTarget(0x20);
    EXPECT_EQ(std::vector<std::uint8_t>(id.begin(), id.begin() + 8),
              (std::vector<std::uint8_t>{0x05, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0C, 0xFF}));
    const auto config = ReadConfiguration();
    for (int i = 0; i < 14; ++i) EXPECT_EQ(config[i], GetParam().config[i]) << i;
    const Images loaded = images;
    ASSERT_EQ(session.ReadEeprom(), OperationResult::Completed);
    EXPECT_EQ(images.eepromRead[0], 0x11);
    EXPECT_EQ(images.eepromRead[1], 0x22);
    EXPECT_EQ(images.eepromRead[2], 0xFF);
    EXPECT_EQ(images.eepromRead[0xFF], 0xA5);
    EXPECT_EQ(session.Verify(), OperationResult::Completed);

    // One changed byte in a region fails the verify, named in the message and
    // the difference list; the configuration is compared under the implemented
    // bits only (bit 4 of 300001h is not).
    const struct {
        const char* what;
        std::uint8_t* byte;
        std::uint8_t flip;
        std::vector<Difference> expected;  // none: the verify passes
    } changes[] = {
        {"flash", &images.program[0x1002], 0x01, {{ChipRegion::Flash, 0x1002, 0x02, 0x03}}},
        {"ID location", &images.id[6], 0x10, {{ChipRegion::IdLocations, 0x200006, 0x1C, 0x0C}}},
        {"EEPROM", &images.eeprom[0xFF], 0x10, {{ChipRegion::Eeprom, 0xF000FF, 0xB5, 0xA5}}},
        {"configuration",
         &images.config[1],
         0x01,
         {{ChipRegion::Configuration, 0x300001,
           static_cast<std::uint8_t>(GetParam().config[1] ^ 0x01), GetParam().config[1]}}},
        {"unimplemented configuration bit", &images.config[1], 0x10, {}},
    };
    for (const auto& change : changes) {
        images = loaded;
        messages.shown.clear();
        *change.byte ^= change.flip;
        EXPECT_EQ(session.Verify(), change.expected.empty() ? OperationResult::Completed
                                                            : OperationResult::VerifyMismatch)
            << change.what;
        EXPECT_EQ(session.Differences(), change.expected) << change.what;
        if (change.expected.empty()) continue;
        ASSERT_EQ(messages.shown.size(), 1u) << change.what;
        EXPECT_EQ(messages.shown[0].text, VerifyErrorText(change.expected[0]));
    }

    // Blank check: the written chip names each region's first programmed
    // byte; after ERASE it is blank.
    images = loaded;
    EXPECT_EQ(session.BlankCheck(), OperationResult::NotBlank);
    const BlankCheckReport written = session.BlankReport();
    EXPECT_EQ(written.FirstNonBlank(ChipRegion::Flash), 0u);
    EXPECT_EQ(written.FirstNonBlank(ChipRegion::IdLocations), 0x200000u);
    EXPECT_EQ(written.FirstNonBlank(ChipRegion::Configuration), 0x300001u);
    EXPECT_EQ(written.FirstNonBlank(ChipRegion::Eeprom), 0xF00000u);
    EXPECT_EQ(view.Last().text, "Not Blank");
    ASSERT_EQ(session.Erase(), OperationResult::Completed);
    EXPECT_EQ(session.BlankCheck(), OperationResult::Completed);
    EXPECT_TRUE(session.BlankReport().Blank());
    ASSERT_EQ(Write(), OperationResult::Completed);

    // A program read takes the ID locations and the configuration along.
    images = Images{};
    ASSERT_EQ(session.ReadProgram(0x3FFF), OperationResult::Completed);
    EXPECT_EQ(Flash(images), Flash(loaded));
    EXPECT_EQ(std::vector<std::uint8_t>(images.id.begin(), images.id.end()),
              std::vector<std::uint8_t>(id.begin(), id.begin() + 8));
    for (int i = 0; i < 14; ++i) EXPECT_EQ(images.config[i], GetParam().config[i]) << i;
}

TEST_P(EndToEndTest, EepromOfABlankTargetReadsErased) {
    images.eepromRead.fill(0);
    ASSERT_EQ(session.ReadEeprom(), OperationResult::Completed);
    for (int a = 0; a < 256; ++a) EXPECT_EQ(images.eepromRead[a], 0xFF) << a;
}

// With two chips: what READ_EEPROM read from the first must not reach the
// second through the next WRITE, which writes only the loaded file's bytes.
TEST_P(EndToEndTest, WriteAfterEepromReadWritesOnlyTheFilesEeprom) {
    std::string first = Source(GetParam(), 0);
    first.insert(first.rfind("        end"), "        org 0xF00000\n        de 0x11, 0x22\n");
    std::string second = Source(GetParam(), 1);
    second.insert(second.rfind("        end"), "        org 0xF00001\n        de 0x33\n");
    const std::string firstFile = testing::AssembleWithGpasm(
        first, GetParam().processor, std::string("e2e_ee1_") + GetParam().processor);
    const std::string secondFile = testing::AssembleWithGpasm(
        second, GetParam().processor, std::string("e2e_ee2_") + GetParam().processor);
    ASSERT_FALSE(firstFile.empty() || secondFile.empty());
    for (const std::string& file : {hexFile, secondFile}) {
        ASSERT_TRUE(testing::LoadHexForTest(firstFile, images));
        ASSERT_EQ(Write(), OperationResult::Completed);
        ASSERT_TRUE(testing::LoadHexForTest(file, images));
        ASSERT_EQ(session.ReadEeprom(), OperationResult::Completed);
        ASSERT_EQ(images.eepromRead[0], 0x11);
        driver.packets.clear();
        ASSERT_EQ(Write(), OperationResult::Completed);
        const bool eepromWritten =
            std::any_of(driver.packets.begin(), driver.packets.end(), [](const Packet& p) {
                return p[0] == static_cast<std::uint8_t>(protocol::Command::Icsp) &&
                       p[2] == (protocol::instruction::kBsfEecon1Wr >> 8) &&
                       p[3] == (protocol::instruction::kBsfEecon1Wr & 0xFF);
            });
        EXPECT_EQ(eepromWritten, file == secondFile) << file;
        ASSERT_EQ(session.ReadEeprom(), OperationResult::Completed);
        EXPECT_EQ(images.eepromRead[0], 0xFF) << file;
        EXPECT_EQ(images.eepromRead[1], file == secondFile ? 0x33 : 0xFF) << file;
    }
}

TEST_P(EndToEndTest, TheOtherDeviceGroupIsRefusedAndTheChipKept) {
    ASSERT_EQ(Write(), OperationResult::Completed);
    const std::string other =
        testing::AssembleWithGpasm(Source(GetParam(), 0x21), GetParam().processor,
                                   std::string("e2e_b_") + GetParam().processor);
    ASSERT_FALSE(other.empty());
    ASSERT_TRUE(testing::LoadHexForTest(other, images));
    const bool is452 = GetParam().option == kOption452;
    UseGroup(is452 ? kOption4520 : kOption452);
    messages.answer = false;  // no switch to the chip's group
    EXPECT_EQ(Write(), OperationResult::DeviceRefused);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(
        messages.shown[0].text.starts_with(is452 ? "18F4520 selected, the target reports 18F452 ("
                                                 : "18F452 selected, the target reports 18F4520 ("))
        << messages.shown[0].text;
    // The first program is still on the chip.
    UseGroup(GetParam().option);
    ASSERT_TRUE(testing::LoadHexForTest(hexFile, images));
    EXPECT_EQ(session.Verify(), OperationResult::Completed);
}

INSTANTIATE_TEST_SUITE_P(BothDevices, EndToEndTest, ::testing::Values(k452, k4520),
                         [](const auto& info) { return std::string(info.param.processor); });

}  // namespace
}  // namespace tamro
