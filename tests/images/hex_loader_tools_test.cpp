// The loader on real assembler output: gputils' gpasm makes the HEX files and
// srecord's srec_cat gives the reference images.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "hex_files.h"
#include "images/hex_loader.h"

namespace tamro {
namespace {

using testing::HaveProgram;
using testing::ReadBytes;
using testing::TempFolder;

class AssembledHexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveProgram("gpasm") || !HaveProgram("srec_cat")) {
            GTEST_SKIP() << "gputils or srecord not installed";
        }
    }

    std::filesystem::path Assemble(const std::string& name, const std::string& source) {
        folder.Write(name + ".asm", source);
        const std::string command = "cd '" + folder.Path().string() + "' && gpasm -q -a inhx32 " +
                                    name + ".asm >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << source;
        return folder.Path() / (name + ".hex");
    }

    // srec_cat's view of one address range, gaps filled with `fill`.
    std::vector<std::uint8_t> Reference(const std::filesystem::path& hex, unsigned first,
                                        unsigned end, int fill) {
        const std::filesystem::path out = folder.Path() / "reference.bin";
        char range[96];
        std::snprintf(range, sizeof range, "-crop 0x%X 0x%X -fill 0x%02X 0x%X 0x%X -offset -0x%X",
                      first, end, fill, first, end, first);
        const std::string command = "srec_cat '" + hex.string() + "' -intel " + range + " -o '" +
                                    out.string() + "' -binary";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return ReadBytes(out);
    }

    void ExpectProgramMatches(const std::filesystem::path& hex) {
        const std::vector<std::uint8_t> reference = Reference(hex, 0, 0x8000, 0xFF);
        ASSERT_EQ(reference.size(), static_cast<std::size_t>(kProgramBytes));
        for (int i = 0; i < kProgramBytes; ++i) {
            ASSERT_EQ(images.program[i], reference[i]) << "byte " << i;
        }
    }

    TempFolder folder;
    Images images;
};

TEST_F(AssembledHexTest, SmallProgram) {
    const auto hex = Assemble("small",
                              "    list p=18f452\n"
                              "    org 0\n"
                              "    goto start\n"
                              "    org 0x100\n"
                              "start:\n"
                              "    movlw 0x12\n"
                              "    movwf 0x20, 0\n"
                              "    bra start\n"
                              "    end\n");
    images.config.fill(0x11);
    const HexLoadOutcome outcome = HEX_LOAD(hex, images);
    ASSERT_TRUE(outcome.ok);
    ExpectProgramMatches(hex);
    EXPECT_EQ(outcome.startAddressText, "0");
    EXPECT_EQ(outcome.lastAddressText, "82");  // last byte 105h
    EXPECT_FALSE(outcome.configSeen);
    EXPECT_EQ(images.config[0], 0x11);
}

TEST_F(AssembledHexTest, IdLocationsEepromDataAndConfiguration) {
    const auto hex = Assemble("full",
                              "    list p=18f452\n"
                              "    __CONFIG 0x300001, 0x22\n"
                              "    __CONFIG 0x300002, 0x0F\n"
                              "    __CONFIG 0x300003, 0x0E\n"
                              "    __CONFIG 0x300006, 0x81\n"
                              "    __CONFIG 0x30000D, 0x40\n"
                              "    __IDLOCS 0x200000, 0x1\n"
                              "    __IDLOCS 0x200007, 0xA\n"
                              "    org 0\n"
                              "    goto start\n"
                              "    org 0x2A0\n"
                              "start:\n"
                              "    movlw 0x12\n"
                              "    bra start\n"
                              "    org 0xF00000\n"
                              "    de 1, 2, 3, 0x55\n"
                              "    end\n");
    images.config.fill(0x11);
    const HexLoadOutcome outcome = HEX_LOAD(hex, images);
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.configSeen);
    ExpectProgramMatches(hex);
    EXPECT_EQ(outcome.lastAddressText, "152");  // last byte 2A3h: 339.5 gives 340

    const std::vector<std::uint8_t> config = Reference(hex, 0x300000, 0x300015, 0x11);
    ASSERT_EQ(config.size(), static_cast<std::size_t>(kConfigEntries));
    for (int i = 0; i < kConfigEntries; ++i) EXPECT_EQ(images.config[i], config[i]) << i;
    EXPECT_EQ(images.config[1], 0x22);
    EXPECT_EQ(images.config[13], 0x40);

    // ID locations and EEPROM data land in their images; a byte is marked
    // present exactly where srec_cat finds one (a 00h and a 01h fill tell
    // present bytes from gaps).
    const auto idZero = Reference(hex, kIdBase, kIdBase + kIdBytes, 0x00);
    const auto idOne = Reference(hex, kIdBase, kIdBase + kIdBytes, 0x01);
    for (int i = 0; i < kIdBytes; ++i) {
        EXPECT_EQ(images.idPresent[i], idZero[i] == idOne[i]) << i;
        if (images.idPresent[i]) {
            EXPECT_EQ(images.id[i], idZero[i]) << i;
        }
    }
    EXPECT_EQ(images.id[7], 0x0A);
    const auto eepromZero = Reference(hex, kEepromBase, kEepromBase + kEepromBytes, 0x00);
    const auto eepromOne = Reference(hex, kEepromBase, kEepromBase + kEepromBytes, 0x01);
    for (int i = 0; i < kEepromBytes; ++i) {
        EXPECT_EQ(images.eepromPresent[i], eepromZero[i] == eepromOne[i]) << i;
        if (images.eepromPresent[i]) {
            EXPECT_EQ(images.eeprom[i], eepromZero[i]) << i;
        }
    }
    EXPECT_EQ(images.eeprom[3], 0x55);
}

// Extended segment address records (02) place data where srec_cat puts it.
TEST_F(AssembledHexTest, SegmentAddressesPlaceDataAsSrecCatDoes) {
    using testing::DataRecord;
    using testing::kEndRecord;
    using testing::Lines;
    using testing::Record;
    using testing::UpperAddressRecord;
    const std::vector<std::vector<std::string>> files{
        {Record(2, 0, {0x00, 0x10}), DataRecord(0, {1, 2, 3}), kEndRecord},
        {Record(2, 0, {0x01, 0x00}), DataRecord(0x0FF0, {4, 5}), UpperAddressRecord(0),
         DataRecord(0x20, {6}), kEndRecord},
        {UpperAddressRecord(0), DataRecord(0x10, {7}), Record(2, 0, {0x07, 0xF0}),
         DataRecord(0xF0, {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}),
         Record(2, 0, {0x00, 0x00}), DataRecord(0x30, {24}), kEndRecord},
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto hex = folder.Write("segment" + std::to_string(i) + ".hex", Lines(files[i]));
        const HexLoadOutcome outcome = HEX_LOAD(hex, images);
        ASSERT_TRUE(outcome.ok) << i << ": " << outcome.errorText;
        ExpectProgramMatches(hex);
    }
    EXPECT_EQ(images.program[0x7FFF], 23);
}

TEST_F(AssembledHexTest, NearlyFullProgramMemory) {
    const auto hex = Assemble("large",
                              "    list p=18f452\n"
                              "    org 0\n"
                              "j = 0\n"
                              "    while j < 0x3F\n"
                              "i = 0\n"
                              "    while i < 0x100\n"
                              "    dw (j << 8 | i) ^ 0x5A5A\n"
                              "i += 1\n"
                              "    endw\n"
                              "j += 1\n"
                              "    endw\n"
                              "    org 0x7FFE\n"
                              "    dw 0x1234\n"
                              "    end\n");
    const HexLoadOutcome outcome = HEX_LOAD(hex, images);
    ASSERT_TRUE(outcome.ok);
    ExpectProgramMatches(hex);
    EXPECT_EQ(outcome.lastAddressText, "4000");
    EXPECT_EQ(images.program[0x7FFF], 0x12);
}

TEST_F(AssembledHexTest, CommandLineToolPrintsTheLoad) {
    // The build folder from the environment, or from the test's working
    // folder (build/tests/images).
    const char* binaryDir = std::getenv("TAMRO_BINARY_DIR");
    const std::filesystem::path cli =
        (binaryDir ? std::filesystem::path(binaryDir) : std::filesystem::path("../..")) / "app" /
        "tamro18-cli";
    if (!std::filesystem::exists(cli)) GTEST_SKIP() << "tamro18-cli not built";

    const auto hex = Assemble("cli",
                              "    list p=18f452\n"
                              "    __CONFIG 0x300001, 0x22\n"
                              "    org 0x200\n"
                              "    dw 0xABCD\n"
                              "    end\n");
    const std::filesystem::path out = folder.Path() / "out.txt";
    const std::filesystem::path bin = folder.Path() / "image.bin";
    const std::string command = "'" + cli.string() + "' hex '" + hex.string() + "' --bin '" +
                                bin.string() + "' > '" + out.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream printed(out);
    std::string start, last, config;
    std::getline(printed, start);
    std::getline(printed, last);
    std::getline(printed, config);
    EXPECT_EQ(start, "start 0");
    EXPECT_EQ(last, "last 100");
    EXPECT_EQ(config.substr(0, 12), "config FF 22");
    EXPECT_EQ(config.size(), std::string("config").size() + 14 * 3);
    EXPECT_EQ(ReadBytes(bin), Reference(hex, 0, 0x8000, 0xFF));

    const std::string failing = "'" + cli.string() + "' hex '" + folder.Path().string() +
                                "/absent.hex' 2> '" + out.string() + "'";
    EXPECT_EQ(WEXITSTATUS(std::system(failing.c_str())), 4);  // the file status
    std::ifstream error(out);
    std::string message;
    std::getline(error, message);
    EXPECT_EQ(message, "file error: cannot load " + folder.Path().string() +
                           "/absent.hex: cannot open the file");
}

}  // namespace
}  // namespace tamro
