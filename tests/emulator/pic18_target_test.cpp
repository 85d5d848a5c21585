#include "emulator/pic18_target.h"
#include "tests/emulator/host_packets.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace tamro::emu {
namespace {

constexpr std::uint16_t kBsfEepgd = 0x8EA6;
constexpr std::uint16_t kBsfCfgs = 0x8CA6;
constexpr std::uint16_t kBcfEepgd = 0x9EA6;
constexpr std::uint16_t kBcfCfgs = 0x9CA6;
constexpr std::uint16_t kIncfTblptrl = 0x2AF6;

class TargetHost {
  public:
    explicit TargetHost(Device device) : target(device, 7) {
        target.SetPowered(true);
        target.SetVppLevel(2);
    }

    void Core(std::uint16_t instruction) { target.Icsp(icsp::kCoreInstruction, instruction); }
    void SetTblptr(std::uint32_t address) {
        const std::uint8_t parts[3] = {static_cast<std::uint8_t>(address >> 16),
                                       static_cast<std::uint8_t>(address >> 8),
                                       static_cast<std::uint8_t>(address)};
        const std::uint16_t registers[3] = {0xF8, 0xF7, 0xF6};
        for (int i = 0; i < 3; ++i) {
            Core(static_cast<std::uint16_t>(0x0E00 | parts[i]));
            Core(static_cast<std::uint16_t>(0x6E00 | registers[i]));
        }
    }
    std::vector<std::uint8_t> Read(std::uint32_t address, int count) {
        SetTblptr(address);
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < count; ++i) {
            bytes.push_back(target.Icsp(icsp::kTableReadPostIncrement));
        }
        return bytes;
    }
    // A flash row as the panel writes it: 1101 for all words but the last, then 1111.
    void WriteRow(std::uint32_t address, const std::vector<std::uint16_t>& words) {
        SetTblptr(address);
        for (std::size_t i = 0; i + 1 < words.size(); ++i) {
            target.Icsp(icsp::kTableWritePostIncrement2, words[i]);
        }
        target.Icsp(icsp::kTableWriteStartProgramming, words.back());
        target.ProgrammingNop();
    }
    void SelectFlash() {
        Core(kBsfEepgd);
        Core(kBcfCfgs);
    }
    void Erase452(std::uint16_t key = 0x0080) {
        SetTblptr(0x3C0004);
        target.Icsp(icsp::kTableWrite, key);
        target.ProgrammingNop();
    }
    void Erase4520(std::uint16_t high, std::uint16_t low) {
        SetTblptr(0x3C0005);
        target.Icsp(icsp::kTableWrite, high);
        SetTblptr(0x3C0004);
        target.Icsp(icsp::kTableWrite, low);
        target.ProgrammingNop();
    }
    void WriteConfigByte(std::uint32_t address, std::uint16_t operand) {
        SetTblptr(address);
        target.Icsp(icsp::kTableWriteStartProgramming, operand);
        target.ProgrammingNop();
    }
    void FillFlash(std::uint8_t value) {
        TargetMemory memory = target.Memory();
        memory.flash.assign(kFlashSize, value);
        memory.eeprom.assign(kEepromSize, value);
        memory.id.fill(value);
        memory.config.fill(0);
        target.SetMemory(memory);
    }

    Pic18Target target;
};

TEST(Pic18TargetTest, ReadsDeviceIdErasedAndUnimplementedMemory) {
    TargetHost pic452(Device::Pic18F452);
    EXPECT_EQ(pic452.Read(0x3FFFFE, 2), (std::vector<std::uint8_t>{0x27, 0x04}));
    EXPECT_EQ(pic452.Read(0x0000, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(pic452.Read(0x8000, 2), (std::vector<std::uint8_t>{0x00, 0x00}));
    EXPECT_EQ(pic452.Read(0x300000, 8),
              (std::vector<std::uint8_t>{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00}));
    EXPECT_EQ(pic452.target.Tblptr(), 0x300008u);

    TargetHost pic4520(Device::Pic18F4520);
    EXPECT_EQ(pic4520.Read(0x3FFFFE, 2), (std::vector<std::uint8_t>{0x87, 0x10}));
    // The 4520's revision has 4 bits: revision 23 shows as 7, never as the 4523's bit 4.
    Pic18Target revision23(Device::Pic18F4520, 23);
    EXPECT_EQ(revision23.ReadByte(0x3FFFFE), 0x87);
}

TEST(Pic18TargetTest, OutsideProgrammingModeCommandsAreIgnoredAndReadsAreZero) {
    Pic18Target target(Device::Pic18F452, 7);
    target.SetPowered(true);
    target.SetVppLevel(1);
    EXPECT_EQ(target.Icsp(icsp::kTableReadPostIncrement), 0);
    target.Icsp(icsp::kCoreInstruction, 0x0E55);
    EXPECT_EQ(target.W(), 0);
    EXPECT_EQ(target.Counters().ignoredOutsideProgrammingMode, 2u);

    // Vpp at the programming level without supply is not programming mode either.
    target.SetPowered(false);
    target.SetVppLevel(2);
    EXPECT_FALSE(target.InProgrammingMode());
    target.SetPowered(true);
    EXPECT_TRUE(target.InProgrammingMode());

    // Entering programming mode resets the ICSP state.
    target.Icsp(icsp::kCoreInstruction, 0x0E12);
    target.Icsp(icsp::kCoreInstruction, 0x6EF6);
    EXPECT_EQ(target.Tblptr(), 0x12u);
    target.SetVppLevel(1);
    target.SetVppLevel(2);
    EXPECT_EQ(target.Tblptr(), 0u);
    EXPECT_EQ(target.W(), 0);
}

TEST(Pic18TargetTest, ChipErasePerFamilyAndTheOtherFamilysKeyErasesNothing) {
    TargetHost pic452(Device::Pic18F452);
    pic452.FillFlash(0x00);
    pic452.Erase4520(0x0F0F, 0x8787);
    EXPECT_EQ(pic452.target.Memory().flash[0], 0x00);
    EXPECT_EQ(pic452.target.Counters().rejectedEraseKeys, 1u);
    pic452.Erase452(0x0080);
    EXPECT_EQ(pic452.target.Memory().flash, std::vector<std::uint8_t>(kFlashSize, 0xFF));
    EXPECT_EQ(pic452.target.Memory().eeprom, std::vector<std::uint8_t>(kEepromSize, 0xFF));
    EXPECT_EQ(pic452.Read(0x200000, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    EXPECT_EQ(pic452.target.Memory().config, FactsFor(Device::Pic18F452).configMask);

    for (auto [high, low] : {std::pair{0x0F0F, 0x8787}, std::pair{0x3F3F, 0x8F8F}}) {
        TargetHost pic4520(Device::Pic18F4520);
        pic4520.FillFlash(0x00);
        pic4520.Erase452(0x0080);
        EXPECT_EQ(pic4520.target.Memory().flash[100], 0x00);
        pic4520.Erase4520(static_cast<std::uint16_t>(high), static_cast<std::uint16_t>(low));
        EXPECT_EQ(pic4520.target.Memory().flash, std::vector<std::uint8_t>(kFlashSize, 0xFF));
        EXPECT_EQ(pic4520.target.Memory().eeprom[7], 0xFF);
        EXPECT_EQ(pic4520.target.Memory().id[0], 0xFF);
        EXPECT_EQ(pic4520.target.Memory().config[1], 0xCF);
    }
}

TEST(Pic18TargetTest, EraseTakesEffectOnlyAtTheProgrammingNop) {
    TargetHost host(Device::Pic18F452);
    host.FillFlash(0x00);
    host.SetTblptr(0x3C0004);
    host.target.Icsp(icsp::kTableWrite, 0x0080);
    EXPECT_EQ(host.target.Memory().flash[0], 0x00);
    host.target.ProgrammingNop();
    EXPECT_EQ(host.target.Memory().flash[0], 0xFF);

    // Leaving programming mode before the NOP drops the pending erase.
    host.FillFlash(0x00);
    host.SetTblptr(0x3C0004);
    host.target.Icsp(icsp::kTableWrite, 0x0080);
    host.target.SetVppLevel(1);
    host.target.SetVppLevel(2);
    host.target.ProgrammingNop();
    EXPECT_EQ(host.target.Memory().flash[0], 0x00);
}

TEST(Pic18TargetTest, PartialErasesClearOnlyTheirRegion) {
    TargetHost pic452(Device::Pic18F452);
    pic452.FillFlash(0x00);
    pic452.Erase452(0x0089);  // panel 2
    EXPECT_EQ(pic452.target.Memory().flash[0x1FFF], 0x00);
    EXPECT_EQ(pic452.target.Memory().flash[0x2000], 0xFF);
    EXPECT_EQ(pic452.target.Memory().flash[0x3FFF], 0xFF);
    EXPECT_EQ(pic452.target.Memory().flash[0x4000], 0x00);
    pic452.Erase452(0x0081);
    EXPECT_EQ(pic452.target.Memory().eeprom[0], 0xFF);

    TargetHost pic4520(Device::Pic18F4520);
    pic4520.FillFlash(0x00);
    pic4520.Erase4520(0x0000, 0x0081);  // boot block
    EXPECT_EQ(pic4520.target.Memory().flash[0x7FF], 0xFF);
    EXPECT_EQ(pic4520.target.Memory().flash[0x800], 0x00);
}

TEST(Pic18TargetTest, BufferedWritesProgramTheAlignedRowAndOnlyClearBits) {
    TargetHost pic4520(Device::Pic18F4520);
    pic4520.SelectFlash();
    std::vector<std::uint16_t> words;
    for (std::uint16_t i = 0; i < 16; ++i) words.push_back(static_cast<std::uint16_t>(0x1100 + i));
    pic4520.WriteRow(0x40, words);
    const auto row = pic4520.Read(0x40, 32);
    EXPECT_EQ(row[0], 0x00);
    EXPECT_EQ(row[1], 0x11);
    EXPECT_EQ(row[30], 0x0F);
    EXPECT_EQ(row[31], 0x11);
    EXPECT_EQ(pic4520.Read(0x3F, 1)[0], 0xFF);
    EXPECT_EQ(pic4520.Read(0x60, 1)[0], 0xFF);

    // Programming over it can only clear more bits.
    pic4520.WriteRow(0x40, std::vector<std::uint16_t>(16, 0xF0F0));
    EXPECT_EQ(pic4520.Read(0x40, 2), (std::vector<std::uint8_t>{0x00, 0x10}));

    // Nothing is programmed before the programming NOP, and the start-programming
    // write anywhere in the row commits the whole aligned row.
    pic4520.SetTblptr(0x1010);
    pic4520.target.Icsp(icsp::kTableWritePostIncrement2, 0x1234);
    pic4520.target.Icsp(icsp::kTableWriteStartProgramming, 0x5678);
    EXPECT_EQ(pic4520.target.Memory().flash[0x1010], 0xFF);
    pic4520.target.ProgrammingNop();
    EXPECT_EQ(pic4520.Read(0x1010, 4), (std::vector<std::uint8_t>{0x34, 0x12, 0x78, 0x56}));
    EXPECT_EQ(pic4520.Read(0x1000, 1)[0], 0xFF);
}

TEST(Pic18TargetTest, FlashWritesNeedEepgdAndCfgsClear) {
    TargetHost host(Device::Pic18F4520);
    host.WriteRow(0x0, std::vector<std::uint16_t>(16, 0x0000));  // EEPGD clear
    EXPECT_EQ(host.target.Memory().flash[0], 0xFF);
    host.Core(kBsfEepgd);
    host.Core(kBsfCfgs);
    host.WriteRow(0x0, std::vector<std::uint16_t>(16, 0x0000));  // CFGS set
    EXPECT_EQ(host.target.Memory().flash[0], 0xFF);
    EXPECT_EQ(host.target.Counters().undefinedWrites, 1u);
}

TEST(Pic18TargetTest, Pic18F452SinglePanelSelection) {
    // Single-panel: each start-programming write programs one 8-byte row.
    TargetHost single(Device::Pic18F452);
    single.Core(kBsfEepgd);
    single.Core(kBsfCfgs);
    single.SetTblptr(0x3C0006);
    single.target.Icsp(icsp::kTableWrite, 0x0000);
    EXPECT_TRUE(single.target.SinglePanelWrites());
    single.SelectFlash();
    single.WriteRow(0x2008, {0x0102, 0x0304, 0x0506, 0x0708});
    EXPECT_EQ(single.Read(0x2008, 8),
              (std::vector<std::uint8_t>{0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x08, 0x07}));
    EXPECT_EQ(single.target.Counters().rowsProgrammed, 1u);

    // Without the selection writes are multi-panel: rows for several panels are
    // buffered and all programmed by one start-programming write.
    TargetHost multi(Device::Pic18F452);
    EXPECT_FALSE(multi.target.SinglePanelWrites());
    multi.SelectFlash();
    multi.SetTblptr(0x0000);
    for (int i = 0; i < 4; ++i) multi.target.Icsp(icsp::kTableWritePostIncrement2, 0x1111);
    multi.SetTblptr(0x2000);
    for (int i = 0; i < 3; ++i) multi.target.Icsp(icsp::kTableWritePostIncrement2, 0x2222);
    multi.target.Icsp(icsp::kTableWriteStartProgramming, 0x2222);
    multi.target.ProgrammingNop();
    EXPECT_EQ(multi.Read(0x0006, 2), (std::vector<std::uint8_t>{0x11, 0x11}));
    EXPECT_EQ(multi.Read(0x2006, 2), (std::vector<std::uint8_t>{0x22, 0x22}));
    EXPECT_EQ(multi.target.Counters().rowsProgrammed, 2u);

    // The panel selection needs EEPGD and CFGS set.
    TargetHost unselected(Device::Pic18F452);
    unselected.SetTblptr(0x3C0006);
    unselected.target.Icsp(icsp::kTableWrite, 0x0000);
    EXPECT_FALSE(unselected.target.SinglePanelWrites());
}

TEST(Pic18TargetTest, ConfigurationWritesAreMaskedAndNeedTheGotoOnThe452) {
    TargetHost pic452(Device::Pic18F452);
    pic452.Core(kBsfEepgd);
    pic452.Core(kBsfCfgs);
    pic452.WriteConfigByte(0x300001, 0x2200);
    EXPECT_EQ(pic452.target.Memory().config[1], 0x27);  // refused before the GOTO
    pic452.Core(0xEF00);
    pic452.Core(0xF800);
    EXPECT_TRUE(pic452.target.ConfigGotoDone());
    // Even address: the operand's low byte; INCF TBLPTRL to the odd one: its high byte.
    pic452.SetTblptr(0x300000);
    pic452.target.Icsp(icsp::kTableWriteStartProgramming, 0xFFFF);
    pic452.target.ProgrammingNop();
    pic452.SetTblptr(0x300002);
    pic452.target.Icsp(icsp::kTableWriteStartProgramming, 0xFF0A);
    pic452.target.ProgrammingNop();
    pic452.Core(kIncfTblptrl);
    pic452.target.Icsp(icsp::kTableWriteStartProgramming, 0xF30A);
    pic452.target.ProgrammingNop();
    EXPECT_EQ(pic452.Read(0x300000, 4), (std::vector<std::uint8_t>{0x00, 0x27, 0x0A, 0x03}));
    // Configuration bytes are rewritten in place, bits can be set again.
    pic452.SetTblptr(0x300002);
    pic452.target.Icsp(icsp::kTableWriteStartProgramming, 0x0005);
    pic452.target.ProgrammingNop();
    EXPECT_EQ(pic452.target.Memory().config[2], 0x05);

    // A GOTO elsewhere does not open configuration writes.
    TargetHost otherGoto(Device::Pic18F452);
    otherGoto.Core(kBsfEepgd);
    otherGoto.Core(kBsfCfgs);
    otherGoto.Core(0xEF00);
    otherGoto.Core(0xF000);
    otherGoto.WriteConfigByte(0x300006, 0x0000);
    EXPECT_EQ(otherGoto.target.Memory().config[6], 0x85);

    TargetHost pic4520(Device::Pic18F4520);
    pic4520.Core(kBsfEepgd);
    pic4520.Core(kBsfCfgs);
    pic4520.WriteConfigByte(0x300001, 0xFF00);
    pic4520.WriteConfigByte(0x300005, 0x0000);
    EXPECT_EQ(pic4520.target.Memory().config[1], 0xCF);
    EXPECT_EQ(pic4520.target.Memory().config[5], 0x00);
    pic4520.WriteConfigByte(0x300004, 0xFFFF);  // unimplemented byte stays 0
    EXPECT_EQ(pic4520.Read(0x300004, 1)[0], 0x00);
}

TEST(Pic18TargetTest, DataEepromReadThroughCoreInstructionsAndShiftOut) {
    for (Device device : {Device::Pic18F452, Device::Pic18F4520}) {
        TargetHost host(device);
        TargetMemory memory = host.target.Memory();
        memory.eeprom[0x12] = 0xA5;
        memory.eeprom[0xFF] = 0x3C;
        host.target.SetMemory(memory);
        for (auto [address, expected] : {std::pair{0x12, 0xA5}, std::pair{0xFF, 0x3C}}) {
            host.Core(kBcfEepgd);
            host.Core(kBcfCfgs);
            host.Core(static_cast<std::uint16_t>(0x0E00 | address));
            host.Core(0x6EA9);
            host.Core(0x0E00);
            host.Core(0x6EAA);
            host.Core(0x80A6);
            host.Core(0x50A8);
            host.Core(0x6EF5);
            EXPECT_EQ(host.target.Icsp(icsp::kShiftOutTablat), expected);
            EXPECT_EQ(host.target.Eecon1() & eecon1::kRd, 0);
        }
        EXPECT_EQ(host.target.Counters().eepromReads, 2u);
    }
}

// One data EEPROM byte as the host writes it; the unlock and the step before
// BSF WR are the parts that vary between the families and the faults.
struct EepromWriteCase {
    const char* name;
    Device device;
    bool unlock;
    bool instructionAfterUnlock;
    bool wren;
    bool eepgd;
    bool written;
};

TEST(Pic18TargetTest, DataEepromWritesFollowEachFamilysSequenceAndAreSelfTimed) {
    const EepromWriteCase cases[] = {
        {"4520 without unlock", Device::Pic18F4520, false, false, true, false, true},
        {"4520 with unlock", Device::Pic18F4520, true, false, true, false, true},
        {"452 with unlock", Device::Pic18F452, true, false, true, false, true},
        {"452 without unlock", Device::Pic18F452, false, false, true, false, false},
        {"452 unlock not right before WR", Device::Pic18F452, true, true, true, false, false},
        {"no WREN", Device::Pic18F4520, false, false, false, false, false},
        {"EEPGD set", Device::Pic18F452, true, false, true, true, false},
    };
    for (const EepromWriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        TargetHost host(c.device);
        TargetMemory memory = host.target.Memory();
        memory.eeprom[0x34] = 0x0F;
        host.target.SetMemory(memory);
        host.Core(c.eepgd ? kBsfEepgd : kBcfEepgd);
        host.Core(kBcfCfgs);
        host.Core(0x0E34);
        host.Core(0x6EA9);  // EEADR
        host.Core(0x0E00);
        host.Core(0x6EAA);  // EEADRH
        host.Core(0x0EF0);
        host.Core(0x6EA8);  // EEDATA
        if (c.wren) host.Core(0x84A6);
        if (c.unlock) {
            for (std::uint16_t word : {0x0E55, 0x6EA7, 0x0EAA, 0x6EA7}) host.Core(word);
        }
        if (c.instructionAfterUnlock) host.Core(0x0000);
        host.Core(0x82A6);  // BSF EECON1,WR
        if (!c.written) {
            EXPECT_EQ(host.target.Eecon1() & eecon1::kWr, 0);
            host.target.Elapse(std::chrono::milliseconds(10));
            EXPECT_EQ(host.target.Memory().eeprom[0x34], 0x0F);
            EXPECT_EQ(host.target.Counters().ignoredWrites, 1u);
            continue;
        }
        // WR stays set while the write runs; the host polls it through TABLAT.
        int polls = 0;
        std::uint8_t status = eecon1::kWr;
        while ((status & eecon1::kWr) && polls < 1000) {
            host.Core(0x50A6);  // MOVF EECON1,W
            host.Core(0x6EF5);  // MOVWF TABLAT
            host.Core(0x0000);
            status = host.target.Icsp(icsp::kShiftOutTablat);
            if (polls == 0) {
                EXPECT_EQ(host.target.Memory().eeprom[0x34], 0x0F) << "written before P11A";
            }
            ++polls;
        }
        // About 4 ms at 80 us per poll.
        EXPECT_GT(polls, 40);
        EXPECT_LT(polls, 60);
        // Written whole: bits set again, not only cleared.
        EXPECT_EQ(host.target.Memory().eeprom[0x34], 0xF0);
        EXPECT_EQ(host.target.Counters().eepromWrites, 1u);
    }
}

TEST(Pic18TargetTest, DataEepromWriteIsLostWhenProgrammingModeEndsAndWaitsCompleteIt) {
    TargetHost host(Device::Pic18F4520);
    for (std::uint16_t word :
         {0x9EA6, 0x9CA6, 0x0E05, 0x6EA9, 0x0E00, 0x6EAA, 0x0E11, 0x6EA8, 0x84A6, 0x82A6}) {
        host.Core(word);
    }
    EXPECT_TRUE(host.target.EepromWriteInProgress());
    host.target.SetVppLevel(0);
    host.target.Elapse(std::chrono::milliseconds(10));
    EXPECT_EQ(host.target.Memory().eeprom[5], 0xFF);

    host.target.SetVppLevel(2);
    for (std::uint16_t word :
         {0x9EA6, 0x9CA6, 0x0E05, 0x6EA9, 0x0E00, 0x6EAA, 0x0E11, 0x6EA8, 0x84A6, 0x82A6}) {
        host.Core(word);
    }
    host.target.Elapse(std::chrono::milliseconds(5));
    EXPECT_FALSE(host.target.EepromWriteInProgress());
    EXPECT_EQ(host.target.Eecon1() & eecon1::kWr, 0);
    EXPECT_EQ(host.target.Memory().eeprom[5], 0x11);
}

TEST(Pic18TargetTest, IdLocationsTakeTheEightByteRowAndOnlyClearBits) {
    const std::vector<std::uint16_t> id = {0x0201, 0x0403, 0x0605, 0x0807};
    const std::vector<std::uint8_t> expected = {1, 2, 3, 4, 5, 6, 7, 8};
    for (Device device : {Device::Pic18F452, Device::Pic18F4520}) {
        SCOPED_TRACE(DeviceName(device));
        TargetHost host(device);
        if (device == Device::Pic18F452) {
            // Multi-panel mode (the 452's default) programs nothing there.
            host.SelectFlash();
            host.WriteRow(0x200000, id);
            EXPECT_EQ(host.Read(0x200000, 8), std::vector<std::uint8_t>(8, 0xFF));
            EXPECT_EQ(host.target.Counters().undefinedWrites, 1u);
            host.Core(kBsfEepgd);
            host.Core(kBsfCfgs);
            host.SetTblptr(0x3C0006);
            host.target.Icsp(icsp::kTableWrite, 0x0000);
        }
        // With CFGS set the row goes nowhere.
        host.Core(kBsfEepgd);
        host.Core(kBsfCfgs);
        host.WriteRow(0x200000, id);
        EXPECT_EQ(host.Read(0x200000, 8), std::vector<std::uint8_t>(8, 0xFF));

        host.SelectFlash();
        host.WriteRow(0x200000, id);
        EXPECT_EQ(host.Read(0x200000, 8), expected);
        EXPECT_EQ(host.Read(0x200008, 1)[0], 0x00);
        host.WriteRow(0x200000, std::vector<std::uint16_t>(4, 0xFEFE));
        EXPECT_EQ(host.Read(0x200000, 2), (std::vector<std::uint8_t>{0x00, 0x02}));
    }
}

TEST(Pic18TargetTest, IncfOfTblptrlDoesNotCarryAndUnknownInstructionsAreCounted) {
    TargetHost host(Device::Pic18F452);
    host.SetTblptr(0x3000FF);
    host.Core(kIncfTblptrl);
    EXPECT_EQ(host.target.Tblptr(), 0x300000u);
    host.Core(0x0012);  // RETURN: not an ICSP instruction
    host.target.Icsp(0b0001);
    EXPECT_EQ(host.target.Counters().ignoredInstructions, 2u);
    EXPECT_FALSE(host.target.Log().empty());
}

}  // namespace
}  // namespace tamro::emu
