#include "images/hex_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <sstream>

#include "hex_files.h"
#include "images/checksum.h"
#include "images/hex_loader.h"
#include "tests/testing/known_devices.h"

namespace tamro {
namespace {

using testing::HaveProgram;
using testing::ReadBytes;
using testing::TempFolder;

Images Erased(int flashBytes = kProgramBytes, int eepromBytes = kEepromBytes) {
    Images images;
    images.flashBytes = flashBytes;
    images.eepromBytes = eepromBytes;
    images.program.fill(0xFF);
    images.programHeld = true;
    images.id.fill(0xFF);
    images.eeprom.fill(0xFF);
    return images;
}

Images LoadText(const std::string& text, int flashBytes = kProgramBytes,
                int eepromBytes = kEepromBytes) {
    std::istringstream stream(text);
    Images images = Erased(flashBytes, eepromBytes);
    const HexLoadOutcome outcome = HEX_LOAD(stream, images);
    EXPECT_TRUE(outcome.ok) << outcome.errorText;
    return images;
}

HexWriteOptions WholeChip(const ConfigBytes& mask = kConfigMask18F452) {
    return {HexRegions::WholeChip, kMaxProgramBytes / 2 - 1, mask};
}

TEST(HexWriterTest, FlashOnlyWritesProgramRecordsUpToTheLastWord) {
    Images images = Erased();
    images.program[0] = 0x80;
    images.program[1] = 0xEF;
    images.program[0x20] = 0x12;
    // Regions other than flash are left out in this mode.
    images.idPresent.fill(true);
    images.eepromPresent.fill(true);
    const HexWriteOptions flash{};
    EXPECT_EQ(IntelHexText(images, flash),
              ":020000040000FA\n"
              ":1000000080EFFFFFFFFFFFFFFFFFFFFFFFFFFFFF8F\n"
              ":1000200012FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFCD\n"
              ":00000001FF\n");
    // The last record is cut at the last word asked for; nothing past 3FFFh.
    EXPECT_EQ(IntelHexText(images, {HexRegions::FlashOnly, 0x10, {}}),
              ":020000040000FA\n"
              ":1000000080EFFFFFFFFFFFFFFFFFFFFFFFFFFFFF8F\n"
              ":0200200012FFCD\n"
              ":00000001FF\n");
    EXPECT_EQ(IntelHexText(images, {HexRegions::FlashOnly, 0x7FFF, {}}),
              IntelHexText(images, flash));
    EXPECT_EQ(IntelHexText(images, {HexRegions::FlashOnly, -1, {}}),
              ":020000040000FA\n:00000001FF\n");
}

TEST(HexWriterTest, WholeChipWritesEveryRegionInAscendingRecords) {
    Images images = Erased();
    images.program[0x7FFF] = 0x12;
    images.id[1] = 0xAB;
    images.idPresent[1] = true;
    images.config = {0xFF, 0xFF, 0x0F, 0x0E, 0xFF, 0x01, 0x81, 0x00,
                     0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40, 0x77};
    // EEPROM bytes 0Eh to 11h cross a 16-byte boundary; FEh and FFh end the region.
    for (int i : {0x0E, 0x0F, 0x10, 0x11, 0xFE, 0xFF}) {
        images.eeprom[i] = static_cast<std::uint8_t>(i);
        images.eepromPresent[i] = true;
    }
    EXPECT_EQ(IntelHexText(images, WholeChip()),
              ":020000040000FA\n"
              ":107FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFF127E\n"
              ":020000040020DA\n"
              ":01000100AB53\n"
              ":020000040030CA\n"  // under the 18F452 masks
              ":0E00000000270F0E000181000FC00FE00F401F\n"
              ":0200000400F00A\n"
              ":02000E000E0FD3\n"
              ":020010001011CD\n"
              ":0200FE00FEFF03\n"
              ":00000001FF\n");
}

// A whole-chip file loads back into the same images: every region, every
// present mark, the configuration under the masks; a flash-only file the
// same program image.
TEST(HexWriterTest, WholeChipFileLoadsBackIdentically) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    // The two group devices, and a 64 KB device with 1 KB of EEPROM.
    const struct {
        ConfigBytes mask;
        int flash, eeprom;
    } devices[] = {{kConfigMask18F452, kProgramBytes, kEepromBytes},
                   {kConfigMask18F4520, kProgramBytes, kEepromBytes},
                   {kConfigMask18F4520, kMaxProgramBytes, kMaxEepromBytes}};
    for (const auto& [mask, flash, eeprom] : devices) {
        Images original = Erased(flash, eeprom);
        std::generate_n(original.program.begin(), flash,
                        [&] { return static_cast<std::uint8_t>(byte(random)); });
        std::fill(original.program.begin() + 0x2000, original.program.begin() + 0x2100, 0xFF);
        for (int i = 0; i < kIdBytes; ++i) {
            original.id[i] = static_cast<std::uint8_t>(byte(random));
            original.idPresent[i] = i % 3 != 0;
        }
        for (int i = 0; i < eeprom; ++i) {
            original.eeprom[i] = static_cast<std::uint8_t>(byte(random));
            original.eepromPresent[i] = byte(random) % 4 != 0;
        }
        for (int i = 0; i < kConfigSize; ++i) {
            original.config[i] = static_cast<std::uint8_t>(byte(random) & mask[i]);
        }
        original.configPresent.fill(true);

        Images reloaded = LoadText(IntelHexText(original, WholeChip(mask)), flash, eeprom);
        EXPECT_EQ(reloaded.program, original.program);
        EXPECT_EQ(reloaded.config, original.config);
        EXPECT_EQ(reloaded.configPresent, original.configPresent);
        EXPECT_EQ(reloaded.idPresent, original.idPresent);
        EXPECT_EQ(reloaded.eepromPresent, original.eepromPresent);
        for (int i = 0; i < kIdBytes; ++i) {
            if (original.idPresent[i]) {
                EXPECT_EQ(reloaded.id[i], original.id[i]) << i;
            }
        }
        for (int i = 0; i < eeprom; ++i) {
            if (original.eepromPresent[i]) {
                EXPECT_EQ(reloaded.eeprom[i], original.eeprom[i]) << i;
            }
        }
        EXPECT_EQ(ImageChecksum(reloaded, mask), ImageChecksum(original, mask));
        EXPECT_EQ(LoadText(IntelHexText(original, {}), flash, eeprom).program, original.program);
    }
}

TEST(HexWriterTest, UnwritableFileFails) {
    std::string error;
    EXPECT_FALSE(WriteIntelHexFile("/nonexistent-folder/x.hex", Erased(), {}, &error));
    EXPECT_EQ(error, "cannot write /nonexistent-folder/x.hex: No such file or directory");
}

// gpasm's own file for a program using every region comes back byte for byte.
TEST(HexWriterTest, WritesGpasmOutputAsGpasmDoes) {
    if (!HaveProgram("gpasm")) GTEST_SKIP() << "gputils not installed";
    TempFolder folder;
    std::string source = "    list p=18f452, r=dec\n";
    const int config[kConfigSize] = {0x00, 0x22, 0x0F, 0x0E, 0x00, 0x01, 0x81,
                                     0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    for (int i = 0; i < kConfigSize; ++i) {
        source += "    __CONFIG " + std::to_string(0x300000 + i) + ", " +
                  std::to_string(config[i]) + "\n";
    }
    source +=
        "    __IDLOCS 0x200000, 1\n"
        "    __IDLOCS 0x200001, 2\n"
        "    org 0\n"
        "    dw 0x1234, 0x5678, 0x9ABC, 0xDEF0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12\n"
        "    org 0x100\n"
        "    dw 0xEF80, 0xF000, 0, 0, 0, 0, 0, 0\n"
        "    org 0xF00000\n"
        "    de 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18\n"
        "    end\n";
    folder.Write("all.asm", source);
    const std::string command =
        "cd '" + folder.Path().string() + "' && gpasm -a inhx32 all.asm >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::vector<std::uint8_t> bytes = ReadBytes(folder.Path() / "all.hex");
    const std::string gpasmText(bytes.begin(), bytes.end());
    EXPECT_EQ(IntelHexText(LoadText(gpasmText), WholeChip()), gpasmText);
}

TEST(ImageChecksumTest, SumsProgramAndImplementedConfigurationBits) {
    Images images = Erased();
    std::copy(kConfigMask18F452.begin(), kConfigMask18F452.end(), images.config.begin());
    // An erased 18F452: 8000h bytes of FFh (7F8000h) plus its configuration defaults.
    EXPECT_EQ(ImageChecksum(images, kConfigMask18F452), 0x82D8);
    const std::uint16_t erased = ImageChecksum(images, kConfigMask18F452);

    struct Change {
        const char* name;
        void (*apply)(Images&);
        int difference;
    };
    const Change changes[] = {
        {"program byte 0", [](Images& i) { i.program[0] = 0xFE; }, -1},
        {"last program byte", [](Images& i) { i.program[0x7FFF] = 0x00; }, -0xFF},
        {"implemented configuration bit", [](Images& i) { i.config[1] = 0x07; }, -0x20},
        {"unimplemented configuration bit", [](Images& i) { i.config[1] = 0xE7; }, 0},
        {"unimplemented configuration byte", [](Images& i) { i.config[0] = 0xFF; }, 0},
        {"configuration entry past 30000Dh", [](Images& i) { i.config[14] = 0x12; }, 0},
        {"ID location", [](Images& i) { i.id[0] = 0; }, 0},
        {"EEPROM", [](Images& i) { i.eeprom[0] = 0; }, 0},
    };
    for (const Change& change : changes) {
        Images changed = images;
        change.apply(changed);
        EXPECT_EQ(ImageChecksum(changed, kConfigMask18F452),
                  static_cast<std::uint16_t>(erased + change.difference))
            << change.name;
    }
    // The 18F4520 implements more bits of CONFIG1H: an FFh there counts CFh, not 27h.
    images.config[1] = 0xFF;
    EXPECT_EQ(ImageChecksum(images, kConfigMask18F4520) - ImageChecksum(images, kConfigMask18F452),
              0xCF - 0x27);
}

}  // namespace
}  // namespace tamro
