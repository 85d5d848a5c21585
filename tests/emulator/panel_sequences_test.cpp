// The packet sequences of the panel's operations, run against the emulated
// programmer for both device groups.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "emulator/pic18_target.h"
#include "emulator/programmer.h"
#include "emulator/state_file.h"
#include "tests/emulator/host_packets.h"
#include "tests/testing/file_system.h"

namespace tamro::emu {
namespace {

class PanelHost {
  public:
    explicit PanelHost(Device device, std::string stateFile = "")
        : programmer(Make(device, stateFile)) {}

    static Options Make(Device device, std::string stateFile) {
        Options options;
        options.device = device;
        options.stateFile = std::move(stateFile);
        return options;
    }

    Block Send(Command command, std::uint8_t d1 = 0, std::uint8_t d2 = 0, std::uint8_t d3 = 0) {
        return emu::Send(programmer, command, d1, d2, d3);
    }
    Block SendIcsp(std::uint8_t icspCommand, std::uint16_t operand) {
        return emu::SendIcsp(programmer, icspCommand, operand);
    }
    Block SendCore(std::uint16_t instructionWord) {
        return emu::SendCore(programmer, instructionWord);
    }
    void Enter() {
        Send(Command::VppLevel, Code(VppLevel::ZeroVolts));
        Send(Command::LineMode, Code(LineMode::Mode1));
        Send(Command::VppLevel, Code(VppLevel::Programming));
    }
    bool Is452() const { return programmer.GetOptions().device == Device::Pic18F452; }

    void ChipErase() {
        Enter();
        if (Is452()) {
            Send(Command::SetTablePointer, address::kEraseKeyUpper, 0, address::kEraseKeyLow);
            SendIcsp(icsp::kTableWrite, kChipEraseKey452);
        } else {
            Send(Command::SetTablePointer, address::kEraseKeyUpper, 0, address::kEraseKeyHigh);
            SendIcsp(icsp::kTableWrite, kChipEraseKey4520High);
            Send(Command::SetTablePointer, address::kEraseKeyUpper, 0, address::kEraseKeyLow);
            SendIcsp(icsp::kTableWrite, kChipEraseKey4520Low);
        }
        Send(Command::ProgrammingNop);
        Send(Command::ProgrammingNop);
        Send(Command::ProgrammingWait, kEraseWait);
        Send(Command::VppLevel, Code(VppLevel::FiveVolts));
        Send(Command::LineMode, Code(LineMode::Mode2));
    }

    void WriteProgram(const std::vector<std::uint8_t>& image, int lastWord) {
        Enter();
        const int block = Is452() ? 4 : 16;
        if (Is452()) {
            SendCore(instruction::kBsfEecon1Eepgd);
            SendCore(instruction::kBsfEecon1Cfgs);
            Send(Command::SetTablePointer, address::kEraseKeyUpper, 0, address::kWriteModeLow);
            SendIcsp(icsp::kTableWrite, kSinglePanelWrites);
        }
        SendCore(instruction::kBsfEecon1Eepgd);
        SendCore(instruction::kBcfEecon1Cfgs);
        int w = 0;
        do {
            Send(Command::SetTablePointer, 0, static_cast<std::uint8_t>((2 * w) >> 8),
                 static_cast<std::uint8_t>(2 * w));
            for (int i = 0; i < block; ++i, ++w) {
                Send(Command::Icsp,
                     i + 1 < block ? icsp::kTableWritePostIncrement2
                                   : icsp::kTableWriteStartProgramming,
                     image[2 * w + 1], image[2 * w]);
            }
            Send(Command::ProgrammingNop);
            Send(Command::ProgrammingWait, kRowWriteWait);
        } while (w <= lastWord);
        Send(Command::VppLevel, Code(VppLevel::FiveVolts));
        Send(Command::LineMode, Code(LineMode::Mode1));
    }

    std::vector<std::uint8_t> ReadProgram(int bytes) {
        Enter();
        Send(Command::SetTablePointer, 0, 0, 0);
        std::vector<std::uint8_t> read;
        while (static_cast<int>(read.size()) < bytes) {
            const Block reply = Send(Command::TableRead, icsp::kTableReadPostIncrement, 8);
            read.insert(read.end(), reply.begin(), reply.end());
        }
        Send(Command::VppLevel, Code(VppLevel::FiveVolts));
        Send(Command::LineMode, Code(LineMode::Mode2));
        return read;
    }

    void WriteConfig(const std::array<std::uint8_t, 14>& config) {
        Enter();
        SendCore(instruction::kBsfEecon1Eepgd);
        SendCore(instruction::kBsfEecon1Cfgs);
        if (Is452()) {
            SendCore(instruction::kGoto100000First);
            SendCore(instruction::kGoto100000Second);
        }
        for (int m : {0, 2, 4, 6, 8, 12, 10}) {
            for (int half = 0; half < 2; ++half) {
                if (half == 0)
                    Send(Command::SetTablePointer, address::kConfigUpper, 0,
                         static_cast<std::uint8_t>(m));
                if (half == 1) SendCore(instruction::kIncfTblptrl);
                Send(Command::Icsp, icsp::kTableWriteStartProgramming, config[m + 1], config[m]);
                Send(Command::ProgrammingNop);
                Send(Command::ProgrammingWait, kConfigWriteWait);
            }
        }
        Send(Command::VppLevel, Code(VppLevel::ZeroVolts));
        Send(Command::LineMode, Code(LineMode::Mode1));
    }

    std::vector<std::uint8_t> ReadEeprom() {
        Enter();
        std::vector<std::uint8_t> bytes;
        for (int a = 0; a <= 255; ++a) {
            SendCore(instruction::kBcfEecon1Eepgd);
            SendCore(instruction::kBcfEecon1Cfgs);
            SendCore(MovlwWord(static_cast<std::uint8_t>(a)));
            SendCore(instruction::kMovwfEeadr);
            SendCore(MovlwWord(0));
            SendCore(instruction::kMovwfEeadrh);
            SendCore(instruction::kBsfEecon1Rd);
            SendCore(instruction::kMovfEedataW);
            SendCore(instruction::kMovwfTablat);
            bytes.push_back(Send(Command::TableRead, icsp::kShiftOutTablat, 2)[0]);
        }
        Send(Command::VppLevel, Code(VppLevel::FiveVolts));
        Send(Command::LineMode, Code(LineMode::Mode2));
        return bytes;
    }

    Programmer programmer;
};

std::vector<std::uint8_t> TestImage() {
    std::vector<std::uint8_t> image(kFlashSize, 0xFF);
    for (std::size_t i = 0; i < 0x300; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return image;
}

std::vector<std::uint8_t> Prefix(const std::vector<std::uint8_t>& bytes, std::size_t count) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)};
}

TEST(PanelSequencesTest, EraseWriteVerifyAndConfigureBothGroups) {
    for (Device device : {Device::Pic18F452, Device::Pic18F4520}) {
        SCOPED_TRACE(DeviceName(device));
        PanelHost host(device);
        TargetMemory dirty = host.programmer.Target().Memory();
        dirty.flash.assign(kFlashSize, 0x00);
        host.programmer.Target().SetMemory(dirty);

        host.ChipErase();
        EXPECT_EQ(host.ReadProgram(64), std::vector<std::uint8_t>(64, 0xFF));

        const auto image = TestImage();
        host.WriteProgram(image, 0x17F);
        const auto read = host.ReadProgram(0x400);
        EXPECT_EQ(read, std::vector<std::uint8_t>(image.begin(), image.begin() + 0x400));

        std::array<std::uint8_t, 14> config = {0x00, 0x22, 0x0F, 0x0E, 0x00, 0x01, 0x81,
                                               0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
        host.WriteConfig(config);
        const auto& facts = FactsFor(device);
        for (std::size_t i = 0; i < config.size(); ++i) {
            EXPECT_EQ(host.programmer.Target().Memory().config[i], config[i] & facts.configMask[i])
                << i;
        }
        EXPECT_EQ(host.programmer.Target().Counters().ignoredInstructions, 0u);
        EXPECT_EQ(host.programmer.Target().Counters().ignoredWrites, 0u);
        EXPECT_EQ(host.programmer.Target().Counters().undefinedWrites, 0u);
    }
}

TEST(PanelSequencesTest, EepromReadReturnsTheTargetsDataEeprom) {
    PanelHost host(Device::Pic18F4520);
    TargetMemory memory = host.programmer.Target().Memory();
    for (int a = 0; a < 256; ++a) memory.eeprom[a] = static_cast<std::uint8_t>(255 - a);
    host.programmer.Target().SetMemory(memory);
    const auto bytes = host.ReadEeprom();
    EXPECT_EQ(bytes, memory.eeprom);
}

TEST(PanelSequencesTest, TheOtherGroupsEraseLeavesTheChipAsItWas) {
    PanelHost host(Device::Pic18F452);
    host.WriteProgram(TestImage(), 3);
    // The 18F4520 sequence against a 452.
    host.Enter();
    host.Send(Command::SetTablePointer, address::kEraseKeyUpper, 0, address::kEraseKeyHigh);
    host.SendIcsp(icsp::kTableWrite, kChipEraseKey4520High);
    host.Send(Command::SetTablePointer, address::kEraseKeyUpper, 0, address::kEraseKeyLow);
    host.SendIcsp(icsp::kTableWrite, kChipEraseKey4520Low);
    host.Send(Command::ProgrammingNop);
    host.Send(Command::ProgrammingNop);
    host.Send(Command::VppLevel, Code(VppLevel::FiveVolts));
    EXPECT_EQ(host.ReadProgram(8), Prefix(TestImage(), 8));
}

class StateFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("tamro-emu-state-" +
                     std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(directory);
        path = (directory / "sub" / "chip.state").string();
    }
    void TearDown() override { std::filesystem::remove_all(directory); }
    std::filesystem::path directory;
    std::string path;
};

TEST_F(StateFileTest, MemorySurvivesBetweenProgrammers) {
    {
        PanelHost host(Device::Pic18F4520, path);
        host.ChipErase();
        host.WriteProgram(TestImage(), 0x1F);
    }
    ASSERT_TRUE(std::filesystem::exists(path));
    PanelHost again(Device::Pic18F4520, path);
    const auto read = again.ReadProgram(0x40);
    EXPECT_EQ(read, Prefix(TestImage(), 0x40));
    // A different device does not take over another device's file.
    EXPECT_FALSE(StateFromBytes(testing::FileContents(path), Device::Pic18F452).has_value());
    // No temporary files are left beside it.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(directory / "sub"))
        ++files;
    EXPECT_EQ(files, 1);
}

// A file that is not a whole state of the device starts the chip erased and
// is kept aside, byte for byte, instead of being overwritten.
TEST_F(StateFileTest, CorruptFilesAreKeptAsideAndTheChipStartsErased) {
    {
        PanelHost host(Device::Pic18F452, path);
        host.WriteProgram(std::vector<std::uint8_t>(kFlashSize, 0x00), 3);
    }
    const std::string whole = testing::FileContents(path);
    std::string flipped = whole;
    flipped[100] ^= 0x5A;
    for (const auto& [what, bytes, device] :
         {std::tuple{"one byte changed", flipped, Device::Pic18F452},
          {"short", whole.substr(0, 5), Device::Pic18F452},
          {"one byte short", whole.substr(0, whole.size() - 1), Device::Pic18F452},
          {"one byte long", whole + "x", Device::Pic18F452},
          {"another device's", whole, Device::Pic18F4520}}) {
        std::filesystem::remove(path + ".corrupt");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        PanelHost host(device, path);
        EXPECT_EQ(host.ReadProgram(8), std::vector<std::uint8_t>(8, 0xFF)) << what;
        EXPECT_EQ(testing::FileContents(path + ".corrupt"), bytes) << what;
        const std::vector<std::string> problems = host.programmer.TakeStateProblems();
        ASSERT_EQ(problems.size(), 1u) << what;
        EXPECT_NE(problems[0].find(path + ".corrupt"), std::string::npos) << problems[0];
    }
    // An empty file is a new chip, not a damaged one.
    std::ofstream(path, std::ios::trunc).close();
    PanelHost fresh(Device::Pic18F452, path);
    EXPECT_EQ(fresh.ReadProgram(8), std::vector<std::uint8_t>(8, 0xFF));
    EXPECT_TRUE(fresh.programmer.TakeStateProblems().empty());

    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // a directory where the file should be
    PanelHost host(Device::Pic18F452, path);
    EXPECT_EQ(host.ReadProgram(8), std::vector<std::uint8_t>(8, 0xFF));
    host.WriteProgram(std::vector<std::uint8_t>(kFlashSize, 0x00), 3);
    EXPECT_FALSE(host.programmer.SaveState());
    EXPECT_TRUE(host.programmer.StateSaveFailed());
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

}  // namespace
}  // namespace tamro::emu
