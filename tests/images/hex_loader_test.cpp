#include "images/hex_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "hex_files.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::DataRecord;
using testing::kEndRecord;
using testing::Lines;
using testing::Record;
using testing::TempFolder;
using testing::UpperAddressRecord;

std::vector<std::uint8_t> Sequence(int count, int first = 0) {
    std::vector<std::uint8_t> bytes(count);
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

class HexLoaderTest : public ::testing::Test {
  protected:
    HexLoadOutcome Load(const std::string& content) {
        return HEX_LOAD(folder.Write("file.hex", content), images);
    }

    // Images as a previous session left them: nothing FF, config all 11h.
    void SetUp() override {
        images.program.fill(0x00);
        images.config.fill(0x11);
        images.haveData = 0;
        images.lastAddress = 0x3FFF;
    }

    bool ProgramAllFfFrom(int first) const {
        return std::all_of(images.program.begin() + first, images.program.end(),
                           [](std::uint8_t b) { return b == 0xFF; });
    }

    TempFolder folder;
    Images images;
};

TEST_F(HexLoaderTest, TypicalAssemblerOutputFillsProgramAndConfiguration) {
    const auto config = Sequence(14, 0xA0);
    const HexLoadOutcome outcome = Load(Lines(
        {UpperAddressRecord(0), DataRecord(0, Sequence(16)), DataRecord(0x10, Sequence(4, 0x40)),
         UpperAddressRecord(0x30), DataRecord(0, config), kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.configSeen);
    EXPECT_EQ(outcome.startAddressText, "0");
    EXPECT_EQ(outcome.lastAddressText, "A");  // last byte 13h: 9.5 rounds to 10
    EXPECT_EQ(images.lastAddress, 0xA);
    EXPECT_EQ(images.haveData, 1);
    EXPECT_EQ(images.program[0], 0x00);
    EXPECT_EQ(images.program[0x13], 0x43);
    EXPECT_TRUE(ProgramAllFfFrom(0x14));
    for (int i = 0; i < 14; ++i) EXPECT_EQ(images.config[i], config[i]) << i;
    EXPECT_EQ(images.config[14], 0x11);
    // Text2 shows the last line before the configuration section, Text_ADMON
    // the last program byte.
    EXPECT_EQ(outcome.text2, ":020000040030CA");
    EXPECT_EQ(outcome.textAdmon, "19  67");
}

TEST_F(HexLoaderTest, AddressRoundingAndStartAddress) {
    auto outcome = Load(Lines({DataRecord(0x100, {0x12}), DataRecord(0x106, {1, 2})}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.startAddressText, "80");
    EXPECT_EQ(outcome.lastAddressText, "84");  // last byte 107h
    EXPECT_EQ(images.program[0x100], 0x12);
    EXPECT_EQ(outcome.textAdmon, "263  2");

    outcome = Load(Lines({DataRecord(0x104, {1, 2}), kEndRecord}));
    EXPECT_EQ(outcome.lastAddressText, "82");  // last byte 105h: 130.5 gives 130
    EXPECT_EQ(outcome.startAddressText, "82");

    // LastAddress follows the highest word reached, not the last record.
    outcome = Load(Lines({DataRecord(0x200, {1, 2}), DataRecord(0x10, {1, 2}), kEndRecord}));
    EXPECT_EQ(outcome.lastAddressText, "100");
}

TEST_F(HexLoaderTest, RecordsWithoutDataStoreNothing) {
    const HexLoadOutcome outcome =
        Load(Lines({DataRecord(0x20, {}), Record(2, 0, {0x10, 0x00}), Record(3, 0, {0, 0, 1, 0}),
                    Record(5, 0, {0, 0, 1, 0}), kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(ProgramAllFfFrom(0));
    EXPECT_EQ(outcome.startAddressText, "10");
    EXPECT_EQ(outcome.lastAddressText, "0");
    EXPECT_FALSE(outcome.textAdmon.has_value());
}

TEST_F(HexLoaderTest, FullImageEndsAtWord4000AndAnythingAboveFails) {
    auto outcome = Load(Lines({DataRecord(0x7FF0, Sequence(16)), kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.lastAddressText, "4000");
    EXPECT_EQ(images.program[0x7FFF], 15);

    images.haveData = 0;
    outcome = Load(
        Lines({DataRecord(0, {1, 2, 3, 4}), DataRecord(0x7FFC, Sequence(8, 0x50)), kEndRecord}));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(images.haveData, 0);
    EXPECT_EQ(images.program[0x7FFF], 0x53);  // stored before the failing byte
    EXPECT_EQ(images.lastAddress, 2);         // from the lines before the failing one
    EXPECT_EQ(outcome.text2, DataRecord(0x7FFC, Sequence(8, 0x50)));
    EXPECT_TRUE(outcome.startAddressText.empty());

    outcome = Load(Lines({DataRecord(0x8000, {1})}));
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(ProgramAllFfFrom(0));
}

TEST_F(HexLoaderTest, MissingFileOrFolderFailsWithProgramImageReset) {
    HexLoadOutcome outcome = HEX_LOAD(folder.Path() / "absent.hex", images);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(ProgramAllFfFrom(0));
    EXPECT_EQ(images.config[0], 0x11);
    EXPECT_EQ(images.haveData, 0);
    EXPECT_EQ(images.lastAddress, 0);
    EXPECT_FALSE(outcome.text2.has_value());

    outcome = HEX_LOAD(folder.Path(), images);
    EXPECT_FALSE(outcome.ok);
}

TEST_F(HexLoaderTest, EmptyFileAndFileWithoutEndRecordLoad) {
    HexLoadOutcome outcome = Load("");
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.startAddressText, "0");
    EXPECT_EQ(outcome.lastAddressText, "0");
    EXPECT_EQ(images.haveData, 1);
    EXPECT_FALSE(outcome.configSeen);
    EXPECT_EQ(images.config[0], 0x11);

    outcome = Load(DataRecord(4, {9}));  // no end record, no final line end
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(images.program[4], 9);
}

TEST_F(HexLoaderTest, LineNotBeginningWithColonEndsTheLoadCleanly) {
    for (const std::string stop : {"", "   ", "; comment", "X:0100000001FE"}) {
        const HexLoadOutcome outcome =
            Load(Lines({DataRecord(0, {7}), stop, DataRecord(1, {8}), kEndRecord}));
        ASSERT_TRUE(outcome.ok) << stop;
        EXPECT_EQ(images.program[0], 7);
        EXPECT_EQ(images.program[1], 0xFF) << stop;
    }
}

TEST_F(HexLoaderTest, LineEndsAndBlanks) {
    const std::vector<std::string> lines{UpperAddressRecord(0), DataRecord(0, {1, 2}),
                                         DataRecord(2, {3}), kEndRecord};
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        std::string content;
        for (const auto& line : lines) content += "  " + line + " \t" + end;
        const HexLoadOutcome outcome = Load(content);
        ASSERT_TRUE(outcome.ok);
        EXPECT_EQ(images.program[2], 3);
        EXPECT_EQ(outcome.lastAddressText, "1");
        EXPECT_EQ(outcome.text2, kEndRecord);
    }
}

TEST_F(HexLoaderTest, UpperAddressRecordSelectsTheRegionByValue) {
    const HexLoadOutcome outcome = Load(Lines({
        ":020000040000fa",            // program flash, lower-case digits
        DataRecord(0, {1, 2}),        //
        UpperAddressRecord(0x20),     // ID locations: skipped
        DataRecord(0, {0xAA, 0xBB}),  //
        ":020000040030ca",            // configuration, lower-case marker
        DataRecord(0, {0x22, 0x33}),  //
        UpperAddressRecord(0xF0),     // data EEPROM: skipped
        DataRecord(0, {0xCC}),        //
        DataRecord(20, {0xDD}),       //
        UpperAddressRecord(0),        // program flash again
        DataRecord(4, {5}),           //
        UpperAddressRecord(0x30),     //
        DataRecord(2, {0x44}),        //
        kEndRecord,
    }));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.configSeen);
    EXPECT_EQ(images.program[0], 1);
    EXPECT_EQ(images.program[1], 2);
    EXPECT_EQ(images.program[4], 5);
    EXPECT_EQ(std::count(images.program.begin(), images.program.end(), 0xFF), kProgramBytes - 3);
    EXPECT_EQ(images.config[0], 0x22);
    EXPECT_EQ(images.config[1], 0x33);
    EXPECT_EQ(images.config[2], 0x44);
    EXPECT_EQ(images.config[20], 0x11);
    EXPECT_EQ(outcome.lastAddressText, "2");
    EXPECT_EQ(outcome.startAddressText, "0");
    EXPECT_EQ(outcome.textAdmon, "4  5");
}

TEST_F(HexLoaderTest, ConfigurationIndexAboveTwentyFails) {
    HexLoadOutcome outcome =
        Load(Lines({UpperAddressRecord(0x30), DataRecord(0, Sequence(21, 0x60)), kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(images.config[20], 0x74);

    images.config.fill(0x11);
    images.haveData = 0;
    outcome = Load(Lines({DataRecord(0, {9}), UpperAddressRecord(0x30), DataRecord(0, {0x55}),
                          DataRecord(19, {1, 2, 3}), kEndRecord}));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(images.config[0], 0x55);  // bytes stored before the failure stay
    EXPECT_EQ(images.config[20], 2);
    EXPECT_EQ(images.program[0], 9);
    EXPECT_EQ(images.haveData, 0);
}

TEST_F(HexLoaderTest, CorruptRecordsFailTheLoad) {
    const std::string good = DataRecord(0x10, {1, 2, 3, 4});  // :04001000010203 04 DC
    const std::vector<std::string> corrupt{
        ":04001000010203040D",                    // wrong checksum
        good.substr(0, good.size() - 2),          // checksum missing
        good.substr(0, 9),                        // truncated in the data
        ":",                                      // nothing but the colon
        ":0",                                     // odd digit count
        ":FF0000000102DC",                        // byte count far beyond the line
        ":0400100001G2030400",                    // bad digit
        good + "00",                              // longer than its byte count
        ":02000004003",                           // truncated marker
        Record(4, 0, {0x30}),                     // extended address of one byte
        ":" + std::string(5000, '0'),             // overlong line
        good.substr(0, 5) + "," + good.substr(5)  // comma splits the record
    };
    for (const std::string& line : corrupt) {
        images.haveData = 0;
        const HexLoadOutcome outcome = Load(Lines({DataRecord(0, {7}), line, DataRecord(1, {8})}));
        EXPECT_FALSE(outcome.ok) << line;
        EXPECT_EQ(images.program[0], 7) << line;
        EXPECT_EQ(images.program[1], 0xFF) << line;
        EXPECT_EQ(images.haveData, 0) << line;
    }
}

TEST_F(HexLoaderTest, CorruptEndRecordFailsAndGoodOneStopsReading) {
    EXPECT_FALSE(Load(Lines({DataRecord(0, {7}), ":00000001FE"})).ok);
    const HexLoadOutcome outcome = Load(Lines({DataRecord(0, {7}), kEndRecord, "garbage"}));
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.text2, kEndRecord);
}

TEST_F(HexLoaderTest, BinaryAndRandomFilesNeverCrash) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 3000);
    const char kAlphabet[] = ":0123456789ABCDEFabcdef\r\n, \t\0x";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 300; ++round) {
        std::string content(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : content) {
            c = round % 2 ? static_cast<char>(byte(random)) : alphabet[pick(random)];
        }
        if (round % 3 == 0) content.insert(0, ":");
        const HexLoadOutcome outcome = Load(content);
        if (outcome.ok) {
            EXPECT_EQ(images.haveData, 1);
        }
    }
    // A binary file with NUL bytes after a valid start.
    std::string binary = Lines({DataRecord(0, {1})});
    binary += std::string("\0\x01\xFF:\x80", 5);
    EXPECT_TRUE(Load(binary).ok);
    EXPECT_EQ(images.program[0], 1);
}

TEST(HexFileErrorTest, ShowsCriticalFileError) {
    testing::RecordingMessageBoxes boxes;
    ShowHexFileError(boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Critical);
    EXPECT_EQ(boxes.shown[0].title, "FILE ERROR");
    EXPECT_EQ(boxes.shown[0].text, "Can't Open or Read the FILE");
}

}  // namespace
}  // namespace tamro
