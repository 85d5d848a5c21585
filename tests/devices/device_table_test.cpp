#include "devices/device_table.h"

#include <gtest/gtest.h>

#include "tests/testing/known_devices.h"

namespace tamro::devices {
namespace {

// The device table of the panel's documentation: masked ID and name, 42 entries.
TEST(DeviceTable, NamesEveryDocumentedIdAndKnowsTheTwoGroupDevices) {
    const struct {
        std::uint16_t id;
        const char* name;
    } documented[] = {
        {0x0400, "18F252"},  {0x0420, "18F452"},  {0x0480, "18F242"},  {0x04A0, "18F442"},
        {0x0520, "18F4320"}, {0x0800, "18F248"},  {0x0820, "18F448"},  {0x0840, "18F258"},
        {0x0860, "18F458"},  {0x0C00, "18F4620"}, {0x0C20, "18F4610"}, {0x0C40, "18F4525"},
        {0x0C60, "18F4515"}, {0x0C80, "18F2620"}, {0x0CA0, "18F2610"}, {0x0CC0, "18F2525"},
        {0x0CE0, "18F2515"}, {0x0E80, "18F4680"}, {0x0EA0, "18F4585"}, {0x0EC0, "18F2680"},
        {0x0EE0, "18F2585"}, {0x1080, "18F4520"}, {0x10C0, "18F4420"}, {0x10E0, "18F4410"},
        {0x1100, "18F2520"}, {0x1120, "18F2510"}, {0x1140, "18F2420"}, {0x1160, "18F2410"},
        {0x1200, "18F4550"}, {0x1220, "18F4455"}, {0x1240, "18F2550"}, {0x1260, "18F2455"},
        {0x1A80, "18F4580"}, {0x1AA0, "18F4480"}, {0x1AC0, "18F2580"}, {0x1AE0, "18F2480"},
        {0x2100, "18F4321"}, {0x2120, "18F2321"}, {0x2140, "18F4221"}, {0x2160, "18F2221"},
        {0x2400, "18F4450"}, {0x2420, "18F2450"},
    };
    const DeviceTable& table = BuiltInTable();
    EXPECT_EQ(table.Devices().size(), std::size(documented));
    for (const auto& d : documented) {
        const Device* byId = table.ForId(static_cast<std::uint16_t>(d.id | 0x8005));
        ASSERT_NE(byId, nullptr) << d.name;
        EXPECT_EQ(byId->name, d.name);
        EXPECT_EQ(table.Find(std::string("pic") + d.name), byId);
        // Whatever a programming specification covers is programmed, each as large as it is.
        if (byId->Served()) {
            EXPECT_EQ(byId->flashBytes % byId->writeBufferBytes, 0u) << d.name;
            EXPECT_LE(byId->flashBytes, kMaxFlashBytes);
            EXPECT_FALSE(byId->settings.empty()) << d.name;
        }
    }
    EXPECT_EQ(table.ForId(0x0E90), nullptr);  // four revision bits where the high byte is 0Eh
    // The two group devices against their documents.
    EXPECT_EQ(table.Find("18F452")->configMask, kConfigMask18F452);
    EXPECT_EQ(table.Find("18F4520")->configMask, kConfigMask18F4520);
    EXPECT_EQ(table.Find("18F452")->writeBufferBytes, 8u);
    EXPECT_EQ(table.Find("18F4520")->writeBufferBytes, 32u);
    EXPECT_FALSE(table.Find("18F4320")->Served());
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

TEST(DeviceTable, DecodesConfigurationByNameAndNamesProtectionThatIsOn) {
    const Device& d452 = *BuiltInTable().Find("18F452");
    ConfigArray config{0xFF, 0xFA, 0xF6, 0xFE, 0xFF, 0xFF, 0xFB,
                       0xFF, 0xFE, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<std::string> named, protectedFields;
    for (const DecodedSetting& s : DecodeConfig(d452, config)) {
        named.push_back(s.field + "=" + s.value);
        if (s.protectionOn) protectedFields.push_back(s.field);
    }
    for (const char* expected : {"OSC=HS", "PWRT=ON", "BOR=ON", "WDT=OFF", "LVP=OFF"}) {
        EXPECT_NE(std::find(named.begin(), named.end(), expected), named.end()) << expected;
    }
    EXPECT_EQ(protectedFields, (std::vector<std::string>{"CP0", "CPD"}));
}

}  // namespace
}  // namespace tamro::devices
