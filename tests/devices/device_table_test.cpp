#include "devices/device_table.h"

#include <gtest/gtest.h>

#include "tests/testing/known_devices.h"

namespace tamro::devices {
namespace {

// Every entry is found by its ID whatever the revision bits and by its name
// with or without "PIC"; whatever is served is programmed as large as it is.
TEST(DeviceTable, FindsEveryEntryByIdAndNameAndServesWholeWriteBuffers) {
    const DeviceTable& table = BuiltInTable();
    for (const Device& d : table.Devices()) {
        EXPECT_EQ(table.ForId(static_cast<std::uint16_t>(0x8000 | d.id | d.revisionMask)), &d)
            << d.name;
        EXPECT_EQ(table.Find("pic" + d.name), &d);
        if (d.Served()) {
            EXPECT_EQ(d.flashBytes % d.writeBufferBytes, 0u) << d.name;
            EXPECT_LE(d.flashBytes, kMaxFlashBytes);
            EXPECT_FALSE(d.settings.empty()) << d.name;
        }
    }
    EXPECT_EQ(table.ForId(0x0E90), nullptr);  // four revision bits where the high byte is 0Eh
    EXPECT_EQ(table.Find("18F452")->configMask, kConfigMask18F452);
    EXPECT_EQ(table.Find("18F4520")->configMask, kConfigMask18F4520);
}

TEST(DeviceTable, UserFilesAddAndChangeEntriesOrAreRefusedWithFileLineAndField) {
    const struct {
        const char* text;
        const char* error;  // nullptr: read
    } cases[] = {
        {"[18F4520X : 18F4520]\nid = 3A00\nflash = 65536\n", nullptr},
        {"[18f4520]\nflash = 16384\n", nullptr},
        {"[18F1 : 18F452]\nid = 3A20\nflash = 12\n",
         "user.devices:1: write-buffer: 18F1: the flash is not whole write buffers"},
        {"[18F1 : 18F452]\nid = 3A20\nflash = 70000\n",
         "user.devices:3: flash: expected a number of bytes 0 to 65536, not \"70000\""},
        {"# x\n[18F1 : 18F999]\n", "user.devices:2: no entry 18F999 to inherit from"},
        {"[18F1 : 18F452]\nwrite-buffer = 24\n",
         "user.devices:2: write-buffer: expected 2, 4, 8, 16, 32 or 64, not \"24\""},
        {"[18F1 : 18F452]\ncolour = blue\n", "user.devices:2: colour: unknown field"},
        {"id = 0400\n", "user.devices:1: id: a field before the first [NAME]"},
        {"[18F1 : 18F452]\nconfig-mask = 00 27\n",
         "user.devices:2: config-mask: expected 14 hexadecimal bytes (300000h to 30000Dh)"},
        {"[18F1\n", "user.devices:1: an entry starts with [NAME] or [NAME : PARENT]"},
    };
    for (const auto& c : cases) {
        DeviceTable table = BuiltInTable();
        const auto error = table.Read(c.text, "user.devices");
        if (c.error) {
            ASSERT_TRUE(error.has_value()) << c.text;
            EXPECT_EQ(error->Text(), c.error);
            EXPECT_EQ(table.Devices(), BuiltInTable().Devices());  // all or nothing
        } else {
            EXPECT_FALSE(error.has_value()) << error->Text();
        }
    }
    DeviceTable table = BuiltInTable();
    ASSERT_FALSE(table.Read(cases[0].text, "user.devices"));
    const Device* added = table.Find("PIC18F4520X");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->flashBytes, 65536u);
    EXPECT_EQ(added->configMask, kConfigMask18F4520);  // inherited
    EXPECT_EQ(table.ForId(0x3A05), added);
}

}  // namespace
}  // namespace tamro::devices
