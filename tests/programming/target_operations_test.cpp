#include "programming/target_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "common/number_text.h"
#include "tests/programming/operations_support.h"
#include "tests/testing/fakes.h"

namespace tamro {
namespace {

using testing::FlashMirror;
using testing::PacketText;
using testing::PacketTexts;
using testing::RecordingDriver;
using testing::RecordingMessageBoxes;
using testing::RecordingView;
using Texts = std::vector<std::string>;

class OperationsTest : public ::testing::Test {
  protected:
    void Select(int option) { group = GroupForOption(option); }
    Texts Sent() const { return PacketTexts(driver.packets); }
    int CountOf(std::uint8_t code, int byte1 = -1) const {
        return static_cast<int>(
            std::count_if(driver.packets.begin(), driver.packets.end(), [&](const Packet& packet) {
                return packet[0] == code && (byte1 < 0 || packet[1] == byte1);
            }));
    }
    // Target stand-in that holds exactly the current program image.
    void MirrorImage() {
        flash = std::make_shared<std::vector<std::uint8_t>>(images.program.begin(),
                                                            images.program.end());
        driver.responder = FlashMirror(flash);
    }

    RecordingDriver driver;
    RecordingMessageBoxes messages;
    Link link{driver, messages};
    Images images;
    DeviceGroupValues group = GroupForOption(kOption452);
    std::int16_t tickCountdown = 0;
    RecordingView view{&link};
    OperationGuard guard;
    TargetOperations operations{link, images, group, tickCountdown, view, messages, guard};
    std::shared_ptr<std::vector<std::uint8_t>> flash;
};

TEST_F(OperationsTest, EraseButtonSendsTwelvePacketsFor452AndFourteenFor4520) {
    view.vcc = "VCC on";
    EXPECT_EQ(operations.Erase(), OperationResult::Completed);
    EXPECT_EQ(
        Sent(),
        (Texts{"3A 01 00 00 00 00 00 00", "32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00",
               "32 02 00 00 00 00 00 00", "21 3C 00 04 00 00 00 00", "20 0C 00 80 00 00 00 00",
               "23 00 00 00 00 00 00 00", "23 00 00 00 00 00 00 00", "38 0A 00 00 00 00 00 00",
               "32 01 00 00 00 00 00 00", "31 02 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00"}));
    EXPECT_EQ(view.vcc, "VCC off");
    EXPECT_EQ(view.Last().text, "Chip Erase Complete");
    EXPECT_EQ(view.Last().colour, kNotesWhite);

    driver.packets.clear();
    Select(kOption4520);
    operations.Erase();
    const Texts sent = Sent();
    ASSERT_EQ(sent.size(), 14u);
    EXPECT_EQ(Texts(sent.begin() + 4, sent.begin() + 8),
              (Texts{"21 3C 00 05 00 00 00 00", "20 0C 0F 0F 00 00 00 00",
                     "21 3C 00 04 00 00 00 00", "20 0C 87 87 00 00 00 00"}));
    EXPECT_EQ(
        Texts(sent.begin() + 8, sent.end()),
        (Texts{"23 00 00 00 00 00 00 00", "23 00 00 00 00 00 00 00", "38 0A 00 00 00 00 00 00",
               "32 01 00 00 00 00 00 00", "31 02 00 00 00 00 00 00", "3A 00 00 00 00 00 00 00"}));
}

TEST_F(OperationsTest, ProgramWriteOfOneBlockPerGroup) {
    images.program[0] = 0x11;
    images.program[1] = 0x22;
    images.lastAddress = 0;
    ASSERT_TRUE(operations.WriteProgramFlash());
    EXPECT_EQ(
        Sent(),
        (Texts{"32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00", "32 02 00 00 00 00 00 00",
               // single-panel writes, 18F452 group only
               "20 00 8E A6 00 00 00 00", "20 00 8C A6 00 00 00 00", "21 3C 00 06 00 00 00 00",
               "20 0C 00 00 00 00 00 00",
               // program flash
               "20 00 8E A6 00 00 00 00", "20 00 9C A6 00 00 00 00", "21 00 00 00 00 00 00 00",
               "20 0D 22 11 00 00 00 00", "20 0D 00 00 00 00 00 00", "20 0D 00 00 00 00 00 00",
               "20 0F 00 00 00 00 00 00", "23 00 00 00 00 00 00 00", "38 01 00 00 00 00 00 00",
               "32 01 00 00 00 00 00 00", "31 01 00 00 00 00 00 00"}));
    EXPECT_EQ(view.Last().text, "Write Complete");

    driver.packets.clear();
    Select(kOption4520);
    ASSERT_TRUE(operations.WriteProgramFlash());
    EXPECT_EQ(driver.packets.size(), 3u + 2 + 1 + 16 + 2 + 2);
    EXPECT_EQ(CountOf(32, 13), 15);
    EXPECT_EQ(CountOf(32, 15), 1);
    EXPECT_EQ(PacketText(driver.packets[3]), "20 00 8E A6 00 00 00 00");
}

TEST_F(OperationsTest, LastAddressTextDecidesTheBlocksWritten) {
    images.haveData = 1;
    MirrorImage();
    Select(kOption4520);
    struct Case {
        const char* lastAddrText;
        int blocks;
    };
    for (const Case& c : {Case{"0", 1}, Case{"F", 1}, Case{"10", 2}, Case{"8000", 1},
                          Case{"FFFF", 1}, Case{"3FFF", 1024}, Case{"4000", 1024}}) {
        driver.packets.clear();
        operations.Write(HexValue16(c.lastAddrText));
        // Table pointer loads into program flash, one per block.
        EXPECT_EQ(CountOf(33, 0) - 1, c.blocks) << c.lastAddrText;    // minus the verify's
        EXPECT_EQ(CountOf(32, 15) - 14, c.blocks) << c.lastAddrText;  // minus the config's
    }
    Select(kOption452);
    driver.packets.clear();
    operations.Write(HexValue16("4000"));
    EXPECT_EQ(CountOf(33, 0) - 1, 4096);
}

TEST_F(OperationsTest, BlockAtByte0100hStartsWithItsTablePointer) {
    Select(kOption4520);
    images.program[0x100] = 0x12;
    images.program[0x101] = 0x34;
    images.lastAddress = 0x80;
    operations.WriteProgramFlash();
    const Texts sent = Sent();
    const auto at = std::find(sent.begin(), sent.end(), "21 00 01 00 00 00 00 00");
    ASSERT_NE(at, sent.end());
    EXPECT_EQ(*(at + 1), "20 0D 34 12 00 00 00 00");
    EXPECT_EQ(CountOf(33, 0), 9);  // blocks at words 0, 10h, ..., 80h
}

TEST_F(OperationsTest, WriteRefusesWhileCountingDownOrWithoutData) {
    tickCountdown = 3;
    images.haveData = 1;
    EXPECT_EQ(operations.Write(HexValue16("3FFF")), OperationResult::Refused);
    EXPECT_TRUE(driver.packets.empty());
    EXPECT_TRUE(messages.shown.empty());

    // WRITE and VERIFY without a loaded file: nothing to write or compare.
    tickCountdown = 0;
    images.haveData = 0;
    EXPECT_EQ(operations.Write(HexValue16("3FFF")), OperationResult::NoData);
    EXPECT_EQ(operations.Verify(), OperationResult::NoData);
    EXPECT_TRUE(driver.packets.empty());
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].title, "WRITE ERROR");
    EXPECT_EQ(messages.shown[1].title, "VERIFY ERROR");
    for (const auto& shown : messages.shown) {
        EXPECT_EQ(shown.text, "I have no data");
        EXPECT_EQ(shown.icon, MessageIcon::Critical);
    }
}

TEST_F(OperationsTest, WholeWriteRunsEraseWriteVerifyConfigurationInOrder) {
    images.haveData = 1;
    images.program.fill(0xFF);
    MirrorImage();
    EXPECT_EQ(operations.Write(HexValue16("7")), OperationResult::Completed);
    const Texts sent = Sent();
    EXPECT_EQ(Texts(sent.begin(), sent.begin() + 2),
              (Texts{"3B 01 00 00 00 00 00 00", "3A 01 00 00 00 00 00 00"}));
    EXPECT_EQ(
        Texts(sent.end() - 3, sent.end()),
        (Texts{"3A 00 00 00 00 00 00 00", "3B 00 00 00 00 00 00 00", "32 01 00 00 00 00 00 00"}));
    // 2 + erase 10 + write (3 + 4 + 2 + 2 blocks of 7 + 2) + verify (3 + 1 + 2 + 2)
    // + configuration (3 + 2 + 2 + 56 + 2) + 3
    EXPECT_EQ(sent.size(), 2u + 10 + 25 + 8 + 65 + 3);
    EXPECT_EQ(images.lastAddress, 7);
    EXPECT_EQ(view.Last().text, "Write Complete");
    EXPECT_EQ(view.Last().colour, kNotesViolet);
    EXPECT_EQ(view.vcc, "VCC off");
    EXPECT_EQ(view.led, "LED off");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(OperationsTest, VerifyReadsGroupsOfFourAndIncludesTheLastWord) {
    images.haveData = 1;
    for (int i = 0; i < 64; ++i) images.program[i] = static_cast<std::uint8_t>(i * 7);
    MirrorImage();
    images.lastAddress = 11;
    EXPECT_EQ(operations.Verify(), OperationResult::Completed);
    EXPECT_EQ(CountOf(34, 9), 3);
    EXPECT_EQ(view.Last().text, "Verify Complete");

    // LastAddress 6: words 0 to 6 compared in two reads.
    driver.packets.clear();
    images.lastAddress = 6;
    (*flash)[15] ^= 0xFF;  // word 7 differs: beyond the range
    EXPECT_EQ(operations.Verify(), OperationResult::Completed);
    EXPECT_EQ(CountOf(34, 9), 2);

    // A difference in the word at LastAddress itself is found.
    (*flash)[13] ^= 0x01;
    EXPECT_EQ(operations.Verify(), OperationResult::VerifyMismatch);
    EXPECT_EQ(operations.Differences(),
              (std::vector<Difference>{{ChipRegion::Flash, 13, images.program[13],
                                        static_cast<std::uint8_t>(images.program[13] ^ 1)}}));
}

TEST_F(OperationsTest, VerifyListsEveryDifferenceAndReportsTheFirstGroup) {
    images.haveData = 1;
    MirrorImage();
    (*flash)[11] = 0x5A;      // high byte of word 5
    (*flash)[0x7FFE] = 0x12;  // low byte of the last word
    images.lastAddress = 0x3FFF;
    tickCountdown = 9;
    EXPECT_EQ(operations.VerifyProgramFlash(), VerifyOutcome::Mismatch);
    // Every group is read, the list holds both bytes, CurrentAddrText the first one's group.
    EXPECT_EQ(CountOf(34, 9), 4096);
    EXPECT_EQ(operations.Differences(),
              (std::vector<Difference>{{ChipRegion::Flash, 11, 0x00, 0x5A},
                                       {ChipRegion::Flash, 0x7FFE, 0x00, 0x12}}));
    EXPECT_EQ(view.currentAddress, "4");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "VERIFY ERROR");
    EXPECT_EQ(messages.shown[0].text, "Verify Data ERROR at flash 00000Bh");
    EXPECT_EQ(view.Last().text, "Verify Error");
    EXPECT_EQ(view.Last().colour, kNotesRed);
    EXPECT_EQ(tickCountdown, 0);
    const Texts sent = Sent();
    EXPECT_EQ(Texts(sent.end() - 2, sent.end()),
              (Texts{"32 01 00 00 00 00 00 00", "31 01 00 00 00 00 00 00"}));
}

TEST_F(OperationsTest, VerifyMismatchInsideWriteStillWritesTheConfiguration) {
    images.haveData = 1;
    MirrorImage();
    (*flash)[2] = 0x55;
    EXPECT_EQ(operations.Write(HexValue16("3")), OperationResult::VerifyMismatch);
    EXPECT_EQ(CountOf(33, 0x30), 7);
    // The final report does not claim success after the mismatch.
    EXPECT_EQ(view.Last().text, "Write Error: Verify Error");
    EXPECT_EQ(view.Last().colour, kNotesRed);
}

TEST_F(OperationsTest, ConfigurationWriteOrderAndOperands) {
    Select(kOption4520);
    images.config[0] = 0x00;
    images.config[1] = 0x22;
    for (int i = 14; i < kConfigEntries; ++i) images.config[i] = 0xA5;
    ASSERT_TRUE(operations.WriteConfigurationWords());
    Texts sent = Sent();
    ASSERT_EQ(sent.size(), 3u + 2 + 56 + 2);
    EXPECT_EQ(
        Texts(sent.begin() + 3, sent.begin() + 13),
        (Texts{"20 00 8E A6 00 00 00 00", "20 00 8C A6 00 00 00 00", "21 30 00 00 00 00 00 00",
               "20 0F 22 00 00 00 00 00", "23 00 00 00 00 00 00 00", "38 02 00 00 00 00 00 00",
               "20 00 2A F6 00 00 00 00", "20 0F 22 00 00 00 00 00", "23 00 00 00 00 00 00 00",
               "38 02 00 00 00 00 00 00"}));
    Texts pointers;
    for (const Packet& packet : driver.packets) {
        if (packet[0] == protocol::Code(protocol::Command::SetTablePointer))
            pointers.push_back(PacketText(packet));
    }
    EXPECT_EQ(pointers, (Texts{"21 30 00 00 00 00 00 00", "21 30 00 02 00 00 00 00",
                               "21 30 00 04 00 00 00 00", "21 30 00 06 00 00 00 00",
                               "21 30 00 08 00 00 00 00", "21 30 00 0C 00 00 00 00",
                               "21 30 00 0A 00 00 00 00"}));
    for (const std::string& text : sent) EXPECT_EQ(text.find("A5"), std::string::npos);
    EXPECT_EQ(Texts(sent.end() - 2, sent.end()),
              (Texts{"32 00 00 00 00 00 00 00", "31 01 00 00 00 00 00 00"}));
    EXPECT_EQ(view.Last().text, "Config Write Complete");

    driver.packets.clear();
    Select(kOption452);
    operations.WriteConfigurationWords();
    sent = Sent();
    ASSERT_EQ(sent.size(), 3u + 4 + 56 + 2);
    EXPECT_EQ(
        Texts(sent.begin() + 5, sent.begin() + 8),
        (Texts{"20 00 EF 00 00 00 00 00", "20 00 F8 00 00 00 00 00", "21 30 00 00 00 00 00 00"}));
}

TEST_F(OperationsTest, ReadStoresWordsUpToTheLastAddressAndDisarmsWrite) {
    images.program.fill(0xEE);
    auto target = std::make_shared<std::vector<std::uint8_t>>(kProgramBytes);
    for (int i = 0; i < kProgramBytes; ++i) (*target)[i] = static_cast<std::uint8_t>(i);
    driver.responder = FlashMirror(target);
    images.haveData = 1;
    EXPECT_EQ(operations.ReadProgram(HexValue16("5")), OperationResult::Completed);
    // Two groups of four words, then one read of the ID locations and two of
    // the configuration bytes.
    EXPECT_EQ(CountOf(34, 9), 2 + 3);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(images.program[i], i);
    EXPECT_EQ(images.program[12], 0xEE);
    EXPECT_EQ(images.haveData, 0);
    EXPECT_EQ(view.currentAddress, "5");
    EXPECT_EQ(view.startAddress, "0");
    EXPECT_EQ(view.fileNameClears, 1);
    EXPECT_EQ(view.programShows, 1);
    EXPECT_EQ(view.Last().text, "Read Complete");
    const Texts sent = Sent();
    EXPECT_EQ(Texts(sent.end() - 4, sent.end()),
              (Texts{"32 01 00 00 00 00 00 00", "31 02 00 00 00 00 00 00",
                     "3A 00 00 00 00 00 00 00", "3B 00 00 00 00 00 00 00"}));
    EXPECT_EQ(operations.Write(HexValue16("3FFF")), OperationResult::NoData);

    for (const char* text : {"3FFF", "4000"}) {
        driver.packets.clear();
        operations.ReadProgram(HexValue16(text));
        EXPECT_EQ(CountOf(34, 9), 4096 + 3) << text;
        EXPECT_EQ(view.currentAddress, "3FFF") << text;
    }
    EXPECT_EQ(images.program[kProgramBytes - 1], 0xFF);
}

TEST_F(OperationsTest, EepromReadRoundForAddress12h) {
    int shifts = 0;
    driver.responder = [&](const Packet& packet) {
        Packet reply{};
        if (packet[0] == protocol::Code(protocol::Command::TableRead) &&
            packet[1] == protocol::icsp::kShiftOutTablat)
            reply[0] = static_cast<std::uint8_t>(shifts++ ^ 0x5A);
        return reply;
    };
    tickCountdown = 4;
    EXPECT_EQ(operations.ReadEeprom(), OperationResult::Completed);
    const Texts sent = Sent();
    ASSERT_EQ(sent.size(), 2u + 5 + 256 * 8 + 2 + 2);
    EXPECT_EQ(Texts(sent.begin() + 5, sent.begin() + 7),
              (Texts{"20 00 9E A6 00 00 00 00", "20 00 9C A6 00 00 00 00"}));
    const auto round = sent.begin() + 7 + 0x12 * 8;
    EXPECT_EQ(
        Texts(round, round + 9),
        (Texts{"20 00 0E 12 00 00 00 00", "20 00 6E A9 00 00 00 00", "20 00 0E 00 00 00 00 00",
               "20 00 6E AA 00 00 00 00", "20 00 80 A6 00 00 00 00", "20 00 50 A8 00 00 00 00",
               "20 00 6E F5 00 00 00 00", "22 02 02 00 00 00 00 00", "20 00 0E 13 00 00 00 00"}));
    EXPECT_EQ(images.eepromRead[0x12], 0x12 ^ 0x5A);
    EXPECT_EQ(images.eepromRead[255], 255 ^ 0x5A);
    EXPECT_EQ(images.eepromReadLast, 255);
    EXPECT_EQ(view.currentAddress, "FF");
    EXPECT_EQ(view.Last().text, "EE Read Complete");
    EXPECT_EQ(view.eepromShows, 1);
    EXPECT_EQ(tickCountdown, 0);
}

TEST_F(OperationsTest, AnOperationRunningRefusesEveryOther) {
    images.haveData = 1;
    MirrorImage();
    std::vector<OperationResult> nested;
    view.onPump = [&] {
        if (!nested.empty()) return;
        const std::size_t before = driver.packets.size();
        nested.push_back(operations.Erase());
        nested.push_back(operations.Write(HexValue16("0")));
        nested.push_back(operations.Verify());
        nested.push_back(operations.ReadProgram(HexValue16("0")));
        nested.push_back(operations.ReadEeprom());
        EXPECT_EQ(driver.packets.size(), before);
    };
    EXPECT_EQ(operations.ReadProgram(HexValue16("3F")), OperationResult::Completed);
    EXPECT_EQ(nested, std::vector<OperationResult>(5, OperationResult::Refused));
    EXPECT_FALSE(guard.Busy());
}

// A link failure at any exchange ends the operation there.
class FailureTest : public OperationsTest {
  protected:
    void SetUp() override {
        images.haveData = 1;
        images.program.fill(0xFF);
        images.program[0] = 0x12;
        images.eeprom.fill(0x77);
        images.eepromRead.fill(0x66);
        images.config.fill(0x3C);
    }
    template <typename Run>
    int CountExchanges(Run run) {
        MirrorImage();
        run();
        const int count = static_cast<int>(driver.packets.size());
        EXPECT_TRUE(messages.shown.empty());
        return count;
    }
    template <typename Run>
    void FailEach(Run run, const char* errorText) {
        const Images original = images;
        const int total = CountExchanges(run);
        images = original;
        ASSERT_GT(total, 0);
        for (int k = 1; k <= total; ++k) {
            for (const bool failWrite : {true, false}) {
                SCOPED_TRACE(std::to_string(k) + (failWrite ? " write" : " read"));
                driver = RecordingDriver{};
                MirrorImage();
                (failWrite ? driver.failWrites : driver.failReads).insert(k);
                messages.shown.clear();
                view.captions.clear();
                const std::uint64_t start = link.Exchanges();
                run();
                EXPECT_EQ(driver.packets.size(), static_cast<std::size_t>(failWrite ? k - 1 : k));
                EXPECT_EQ(messages.shown.size(), 1u);
                ASSERT_FALSE(view.captions.empty());
                if (errorText) {
                    EXPECT_EQ(view.Last().text, errorText);
                } else {
                    EXPECT_TRUE(view.Last().text.ends_with(" Error")) << view.Last().text;
                }
                EXPECT_EQ(view.Last().colour, kNotesRed);
                for (const auto& caption : view.captions) {
                    if (caption.afterExchanges - start >= static_cast<std::uint64_t>(k)) {
                        EXPECT_EQ(caption.text.find("Complete"), std::string::npos) << caption.text;
                    }
                }
                EXPECT_EQ(images.program, original.program);
                EXPECT_EQ(images.eeprom, original.eeprom);
                EXPECT_EQ(images.eepromRead, original.eepromRead);
                EXPECT_EQ(images.config, original.config);
                EXPECT_EQ(images.haveData, original.haveData);
                EXPECT_FALSE(guard.Busy());
                images = original;
            }
        }
    }
};

TEST_F(FailureTest, WriteStopsAtTheFailedExchange) {
    const auto run = [&] { operations.Write(HexValue16("0")); };
    const int total = CountExchanges(run);
    ASSERT_EQ(total, 2 + 10 + 18 + 7 + 65 + 3);
    // Which error text: the part of WRITE that failed.
    for (int k = 1; k <= total; ++k) {
        driver = RecordingDriver{};
        MirrorImage();
        driver.failWrites.insert(k);
        messages.shown.clear();
        view.captions.clear();
        const std::uint64_t start = link.Exchanges();
        EXPECT_EQ(operations.Write(HexValue16("0")), OperationResult::LinkFailed);
        const int at = static_cast<int>(link.Exchanges() - start);
        EXPECT_EQ(at, k);
        const char* expected = k <= 2 || k > total - 3 ? "Write Error"
                               : k <= 12               ? "Erase Error"
                               : k <= 30               ? "Write Error"
                               : k <= 37               ? "Verify Error"
                                                       : "Config Write Error";
        EXPECT_EQ(view.Last().text, expected) << k;
    }
}

TEST_F(FailureTest, WriteReadAndEepromReadNeverReportSuccessAfterAFailure) {
    Select(kOption4520);
    FailEach([&] { operations.Write(HexValue16("0")); }, nullptr);
}

TEST_F(FailureTest, ProgramReadKeepsTheImageOnFailure) {
    FailEach([&] { operations.ReadProgram(HexValue16("B")); }, "Read Error");
}

TEST_F(FailureTest, EepromReadKeepsTheImageOnFailure) {
    group.eepromLast = 3;
    FailEach([&] { operations.ReadEeprom(); }, "EE Read Error");
}

TEST_F(FailureTest, CaptionsShowWhatWasLastSent) {
    MirrorImage();
    driver.failReads.insert(1);  // LED on left, its reply was lost
    operations.ReadProgram(HexValue16("3"));
    EXPECT_EQ(view.led, "LED on");
    EXPECT_EQ(view.vcc, "VCC off");

    driver = RecordingDriver{};
    view.led = "LED off";
    driver.failWrites.insert(2);  // supply on never left
    operations.ReadProgram(HexValue16("3"));
    EXPECT_EQ(view.led, "LED on");
    EXPECT_EQ(view.vcc, "VCC off");
}

}  // namespace
}  // namespace tamro
