#include "images/hex_loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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

    // Images as a previous file left them: nothing FFh, configuration all
    // 11h, every byte of every region marked present.
    void SetUp() override {
        images.program.fill(0x00);
        images.config.fill(0x11);
        images.eeprom.fill(0x22);
        images.id.fill(0x33);
        images.idPresent.fill(true);
        images.eepromPresent.fill(true);
        images.configPresent.fill(true);
        images.haveData = 1;
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
    EXPECT_EQ(outcome.error, HexLoadError::None);
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
    // Regions the file does not hold: ID locations erased, EEPROM kept, none present.
    EXPECT_EQ(images.id,
              (std::array<std::uint8_t, kIdBytes>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(images.eeprom[0], 0x22);
    EXPECT_EQ(std::count(images.idPresent.begin(), images.idPresent.end(), true), 0);
    EXPECT_EQ(std::count(images.eepromPresent.begin(), images.eepromPresent.end(), true), 0);
    EXPECT_EQ(std::count(images.configPresent.begin(), images.configPresent.end(), true), 14);
    // Text2 shows the last line before the configuration region, Text_ADMON
    // the last program byte.
    EXPECT_EQ(outcome.text2, ":020000040030CA");
    EXPECT_EQ(outcome.textAdmon, "19  67");
}

TEST_F(HexLoaderTest, AddressRoundingAndStartAddress) {
    auto outcome = Load(Lines({DataRecord(0x100, {0x12}), DataRecord(0x106, {1, 2}), kEndRecord}));
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

    // ID, configuration and EEPROM data move neither.
    outcome = Load(Lines({UpperAddressRecord(0xF0), DataRecord(0x40, {1}), UpperAddressRecord(0),
                          DataRecord(0x20, {1, 2}), UpperAddressRecord(0x20), DataRecord(6, {1, 2}),
                          kEndRecord}));
    EXPECT_EQ(outcome.startAddressText, "0");
    EXPECT_EQ(outcome.lastAddressText, "10");
}

TEST_F(HexLoaderTest, RecordsWithoutDataStoreNothing) {
    const HexLoadOutcome outcome =
        Load(Lines({DataRecord(0x20, {}), Record(2, 0, {0x00, 0x00}), Record(3, 0, {0, 0, 1, 0}),
                    Record(5, 0, {0, 0, 1, 0}), kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(ProgramAllFfFrom(0));
    EXPECT_EQ(outcome.startAddressText, "10");
    EXPECT_EQ(outcome.lastAddressText, "0");
    EXPECT_FALSE(outcome.textAdmon.has_value());
    EXPECT_FALSE(outcome.configSeen);
}

TEST_F(HexLoaderTest, FullImageEndsAtWord4000) {
    const HexLoadOutcome outcome = Load(Lines({DataRecord(0x7FF0, Sequence(16)), kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.lastAddressText, "4000");
    EXPECT_EQ(images.program[0x7FFF], 15);
}

// Every region of the device takes its data at the address the 04 and 02
// records give, with its present marks; the 16-bit address field alone
// places nothing.
TEST_F(HexLoaderTest, DataLandsInTheRegionOfItsTargetAddress) {
    const HexLoadOutcome outcome = Load(Lines({
        ":020000040000fa",            // program flash, lower-case digits
        DataRecord(0, {1, 2}),        //
        UpperAddressRecord(0x20),     // ID locations
        DataRecord(1, {0xAA, 0xBB}),  //
        DataRecord(7, {0xCC}),        //
        ":020000040030ca",            // configuration, lower-case marker
        DataRecord(0, {0x22, 0x33}),  //
        DataRecord(0xD, {0x44}),      //
        UpperAddressRecord(0xF0),     // data EEPROM
        DataRecord(0, {0xCC}),        //
        DataRecord(0xFF, {0xDD}),     //
        UpperAddressRecord(0),        // program flash again
        DataRecord(4, {5}),           //
        Record(2, 0, {0x00, 0x10}),   // segment 0010h: program flash from 100h
        DataRecord(0x10, {6}),        //
        kEndRecord,
    }));
    ASSERT_TRUE(outcome.ok) << outcome.errorText;
    EXPECT_TRUE(outcome.configSeen);
    EXPECT_EQ(images.program[0], 1);
    EXPECT_EQ(images.program[1], 2);
    EXPECT_EQ(images.program[4], 5);
    EXPECT_EQ(images.program[0x110], 6);
    EXPECT_EQ(std::count(images.program.begin(), images.program.begin() + images.flashBytes, 0xFF),
              kProgramBytes - 4);
    EXPECT_EQ(images.id,
              (std::array<std::uint8_t, kIdBytes>{0xFF, 0xAA, 0xBB, 0xFF, 0xFF, 0xFF, 0xFF, 0xCC}));
    EXPECT_EQ(images.idPresent,
              (std::array<bool, kIdBytes>{false, true, true, false, false, false, false, true}));
    EXPECT_EQ(images.config[0], 0x22);
    EXPECT_EQ(images.config[1], 0x33);
    EXPECT_EQ(images.config[2], 0x11);  // kept, not present
    EXPECT_EQ(images.config[13], 0x44);
    EXPECT_EQ(images.configPresent,
              (std::array<bool, kConfigSize>{true, true, false, false, false, false, false, false,
                                             false, false, false, false, false, true}));
    EXPECT_EQ(images.eeprom[0], 0xCC);
    EXPECT_EQ(images.eeprom[1], 0x22);
    EXPECT_EQ(images.eeprom[0xFF], 0xDD);
    EXPECT_EQ(std::count(images.eepromPresent.begin(), images.eepromPresent.end(), true), 2);
    EXPECT_TRUE(images.eepromPresent[0xFF]);
    EXPECT_EQ(outcome.lastAddressText, "88");
    EXPECT_EQ(outcome.textAdmon, "272  6");
}

TEST_F(HexLoaderTest, BlankLinesByteOrderMarkAndLineEndsAreAccepted) {
    const std::vector<std::string> lines{UpperAddressRecord(0), DataRecord(0, {1, 2}),
                                         DataRecord(2, {3}), kEndRecord};
    struct Layout {
        const char* name;
        std::string prefix, blankLine, end;
    };
    for (const Layout& layout : std::vector<Layout>{
             {"LF", "", "", "\n"},
             {"CR LF, blank lines", "", "\r\n", "\r\n"},
             {"lone CR, blank lines", "", "\r", "\r"},
             {"byte-order mark", "\xEF\xBB\xBF", "", "\n"},
             {"byte-order mark on a blank line", "\xEF\xBB\xBF\n", " \t \n", "\n"},
             {"white-space lines", "", "   \t\n", "\n"},
         }) {
        std::string content = layout.prefix;
        for (const auto& line : lines)
            content += layout.blankLine + "  " + line + " \t" + layout.end;
        content += layout.blankLine;
        const HexLoadOutcome outcome = Load(content);
        ASSERT_TRUE(outcome.ok) << layout.name << ": " << outcome.errorText;
        EXPECT_EQ(images.program[2], 3) << layout.name;
        EXPECT_EQ(outcome.lastAddressText, "1") << layout.name;
        EXPECT_EQ(outcome.text2, kEndRecord) << layout.name;
    }
}

TEST_F(HexLoaderTest, EndRecordAloneLoadsAnEmptyImageAndStopsReading) {
    HexLoadOutcome outcome = Load(Lines({kEndRecord}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(ProgramAllFfFrom(0));
    EXPECT_EQ(outcome.startAddressText, "0");
    EXPECT_EQ(outcome.lastAddressText, "0");
    EXPECT_FALSE(outcome.configSeen);
    EXPECT_EQ(images.config[0], 0x11);

    outcome = Load(Lines({DataRecord(0, {7}), kEndRecord, "garbage", DataRecord(1, {8})}));
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.text2, kEndRecord);
    EXPECT_EQ(images.program[1], 0xFF);
}

struct FailingFile {
    const char* name;
    std::string content;
    HexLoadError error;
    std::string text;
};

// A file that fails leaves every image, mark and flag exactly as the previous
// file left them, and says on which line and why.
TEST_F(HexLoaderTest, FailedLoadChangesNothingAndNamesLineAndReason) {
    const std::string good = DataRecord(0x10, {1, 2, 3, 4});  // :04001000010203 04 DC
    const std::string first = DataRecord(0, {7});
    auto withBad = [&](const std::string& bad) { return Lines({first, bad, kEndRecord}); };
    const std::vector<FailingFile> files{
        {"empty", "", HexLoadError::MissingEndRecord,
         "no end-of-file record (the file may be truncated)"},
        {"blank lines only", "\n \n\r\n", HexLoadError::MissingEndRecord,
         "no end-of-file record (the file may be truncated)"},
        {"truncated", Lines({first, good}), HexLoadError::MissingEndRecord,
         "no end-of-file record (the file may be truncated)"},
        {"text", "Hello, world\n", HexLoadError::NotARecord, "line 1: not a HEX record"},
        {"assembler source", "    list p=18f452\n    org 0\n", HexLoadError::NotARecord,
         "line 1: not a HEX record"},
        {"comment", withBad("; comment"), HexLoadError::NotARecord, "line 2: not a HEX record"},
        {"byte-order mark after the start", withBad("\xEF\xBB\xBF" + good),
         HexLoadError::NotARecord, "line 2: not a HEX record"},
        {"checksum", Lines({first, good, ":04001000010203040D", kEndRecord}),
         HexLoadError::Checksum, "line 3: checksum"},
        {"end record checksum", withBad(":00000001FE"), HexLoadError::Checksum, "line 2: checksum"},
        {"checksum missing", withBad(good.substr(0, good.size() - 2)),
         HexLoadError::MalformedRecord, "line 2: malformed record"},
        {"truncated data", withBad(good.substr(0, 9)), HexLoadError::MalformedRecord,
         "line 2: malformed record"},
        {"colon alone", withBad(":"), HexLoadError::MalformedRecord, "line 2: malformed record"},
        {"odd digits", withBad(":0"), HexLoadError::MalformedRecord, "line 2: malformed record"},
        {"count beyond the line", withBad(":FF0000000102DC"), HexLoadError::MalformedRecord,
         "line 2: malformed record"},
        {"bad digit", withBad(":0400100001G2030400"), HexLoadError::MalformedRecord,
         "line 2: malformed record"},
        {"longer than its count", withBad(good + "00"), HexLoadError::MalformedRecord,
         "line 2: malformed record"},
        {"comma inside", withBad(good.substr(0, 5) + "," + good.substr(5)),
         HexLoadError::MalformedRecord, "line 2: malformed record"},
        {"one-byte upper address", withBad(Record(4, 0, {0x30})), HexLoadError::MalformedRecord,
         "line 2: malformed record"},
        {"three-byte segment", withBad(Record(2, 0, {0, 1, 2})), HexLoadError::MalformedRecord,
         "line 2: malformed record"},
        {"record type 06", withBad(Record(6, 0, {1})), HexLoadError::UnknownRecordType,
         "line 2: record type 06"},
        {"overlong line", withBad(":" + std::string(5000, '0')), HexLoadError::LineTooLong,
         "line 2: line longer than any HEX record"},
        {"binary without line ends", std::string(3000, '\0'), HexLoadError::LineTooLong,
         "line 1: line longer than any HEX record"},
        {"flash past 7FFFh", withBad(DataRecord(0x7FFC, Sequence(8))),
         HexLoadError::AddressOutsideDevice, "line 2: address 8000h is outside the device"},
        {"upper 0001h", Lines({first, UpperAddressRecord(1), DataRecord(0x10, {1}), kEndRecord}),
         HexLoadError::AddressOutsideDevice, "line 3: address 10010h is outside the device"},
        {"ID past 200007h", Lines({UpperAddressRecord(0x20), DataRecord(6, {1, 2, 3}), kEndRecord}),
         HexLoadError::AddressOutsideDevice, "line 2: address 200008h is outside the device"},
        {"configuration past 30000Dh",
         Lines({UpperAddressRecord(0x30), DataRecord(0, Sequence(15)), kEndRecord}),
         HexLoadError::AddressOutsideDevice, "line 2: address 30000Eh is outside the device"},
        {"EEPROM past F000FFh",
         Lines({UpperAddressRecord(0xF0), DataRecord(0xFF, {1, 2}), kEndRecord}),
         HexLoadError::AddressOutsideDevice, "line 2: address F00100h is outside the device"},
        {"device ID", Lines({UpperAddressRecord(0x3F), DataRecord(0xFFFE, {1}), kEndRecord}),
         HexLoadError::AddressOutsideDevice, "line 2: address 3FFFFEh is outside the device"},
        {"segment 1000h", Lines({Record(2, 0, {0x10, 0x00}), DataRecord(0, {1}), kEndRecord}),
         HexLoadError::AddressOutsideDevice, "line 2: address 10000h is outside the device"},
    };
    for (const FailingFile& file : files) {
        SetUp();
        const Images before = images;
        const HexLoadOutcome outcome = Load(file.content);
        EXPECT_FALSE(outcome.ok) << file.name;
        EXPECT_EQ(outcome.error, file.error) << file.name;
        EXPECT_EQ(outcome.errorText, file.text) << file.name;
        EXPECT_FALSE(outcome.configSeen) << file.name;
        EXPECT_TRUE(outcome.startAddressText.empty()) << file.name;
        EXPECT_TRUE(images == before) << file.name;
    }
}

TEST_F(HexLoaderTest, FailureTellsTheAddressOutsideTheDevice) {
    const HexLoadOutcome outcome =
        Load(Lines({UpperAddressRecord(0x30), DataRecord(0xC, {1, 2, 3}), kEndRecord}));
    EXPECT_EQ(outcome.error, HexLoadError::AddressOutsideDevice);
    EXPECT_EQ(outcome.errorLine, 2);
    EXPECT_EQ(outcome.errorAddress, 0x30000Eu);
}

TEST_F(HexLoaderTest, FilesThatCannotBeReadChangeNothing) {
    const Images before = images;
    HexLoadOutcome outcome = HEX_LOAD(folder.Path() / "absent.hex", images);
    EXPECT_EQ(outcome.error, HexLoadError::CannotOpen);
    EXPECT_EQ(outcome.errorText, "cannot open the file");
    EXPECT_FALSE(outcome.text2.has_value());

    // A folder and a FIFO with no writer are refused at once, unread.
    const std::filesystem::path fifo = folder.Path() / "fifo.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::filesystem::path& special : {folder.Path(), fifo}) {
        outcome = HEX_LOAD(special, images);
        EXPECT_EQ(outcome.error, HexLoadError::CannotOpen) << special;
        EXPECT_EQ(outcome.errorText, "not a regular file") << special;
    }
    EXPECT_TRUE(images == before);
}

TEST_F(HexLoaderTest, RandomFilesFailWithoutChangingAnything) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 3000);
    const char kAlphabet[] = ":0123456789ABCDEFabcdef\r\n, \t\0x";
    const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    const Images before = images;
    for (int round = 0; round < 300; ++round) {
        std::string content(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : content) {
            c = round % 2 ? static_cast<char>(byte(random)) : alphabet[pick(random)];
        }
        if (round % 3 == 0) content.insert(0, ":");
        const HexLoadOutcome outcome = Load(content);
        ASSERT_FALSE(outcome.ok) << round;
        EXPECT_NE(outcome.error, HexLoadError::None);
        ASSERT_TRUE(images == before) << round;
    }
}

TEST_F(HexLoaderTest, ConfigurationDefaultsFillWhatTheFileLacks) {
    const ConfigBytes defaults{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85,
                               0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    ASSERT_TRUE(Load(Lines({DataRecord(0, {1}), kEndRecord})).ok);
    ApplyConfigurationDefaults(images, defaults);
    EXPECT_TRUE(std::equal(defaults.begin(), defaults.end(), images.config.begin()));

    ASSERT_TRUE(Load(Lines({UpperAddressRecord(0x30), DataRecord(1, {0x22}), kEndRecord})).ok);
    ApplyConfigurationDefaults(images, defaults);
    ConfigBytes expected = defaults;
    expected[1] = 0x22;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), images.config.begin()));
}

TEST(HexFileErrorTest, ShowsCriticalFileErrorNamingFileLineAndReason) {
    testing::RecordingMessageBoxes boxes;
    ShowHexFileError(boxes);
    HexLoadOutcome outcome;
    outcome.errorText = "line 12: checksum";
    ShowHexFileError(boxes, "/home/user/blink.hex", outcome);
    ASSERT_EQ(boxes.shown.size(), 2u);
    for (const auto& shown : boxes.shown) {
        EXPECT_EQ(shown.icon, MessageIcon::Critical);
        EXPECT_EQ(shown.title, "FILE ERROR");
    }
    EXPECT_EQ(boxes.shown[0].text, "Can't Open or Read the FILE");
    EXPECT_EQ(boxes.shown[1].text, "Can't Open or Read the FILE\nblink.hex: line 12: checksum");
}

}  // namespace
}  // namespace tamro
