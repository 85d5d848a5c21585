#include "images/config_display.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace tamro {
namespace {

TEST(ConfigDisplayTest, BoxTextsAndBitStringsFollowTheImage) {
    Images images;
    images.config.fill(0xFF);
    images.config[2] = 0x1F;
    images.config[3] = 0x0E;
    images.config[5] = 0x05;
    images.config[6] = 0x00;
    const auto texts = DSPCONFIG(images);
    EXPECT_EQ(texts[0], "FF");
    EXPECT_EQ(texts[2], "1F");
    EXPECT_EQ(texts[3], "E");
    EXPECT_EQ(texts[5], "5");
    EXPECT_EQ(texts[6], "0");

    // The window sets each text and its change handler runs.
    const ConfigBitUpdate update = ConfigAddrText_Change(images, 3, texts[3]);
    EXPECT_EQ(update.word, 1);
    EXPECT_EQ(update.bitString, "0000 1110 0001 1111");
    EXPECT_EQ(Config_bit_DSP(static_cast<std::int16_t>(0x22F7)), "0010 0010 1111 0111");
    EXPECT_EQ(Config_bit_DSP(-1), kConfigBitDesignText);
}

TEST(ConfigDisplayTest, TypedBytesGoIntoTheImage) {
    Images images;
    images.config.fill(0xFF);
    for (const char* typed : {"05", "5", " 5"}) {
        const ConfigBitUpdate update = ConfigAddrText_Change(images, 0, typed);
        EXPECT_EQ(images.config[0], 0x05) << typed;
        EXPECT_EQ(update.word, 0);
        EXPECT_EQ(update.bitString, "1111 1111 0000 0101");
    }
    const ConfigBitUpdate update = ConfigAddrText_Change(images, 12, "9");
    EXPECT_EQ(update.word, 6);
    EXPECT_EQ(images.config[12], 9);
    EXPECT_EQ(images.config[13], 0xFF);

    // Text that is not hexadecimal stores 0.
    EXPECT_EQ(ConfigAddrText_Change(images, 7, "zz").bitString, "0000 0000 1111 1111");
    EXPECT_EQ(images.config[7], 0);
    EXPECT_EQ(ConfigAddrText_Change(images, 7, "").bitString, "0000 0000 1111 1111");
}

TEST(ConfigDisplayTest, ByteBoxKeepsTheImageToByteValues) {
    Images images;
    images.config.fill(0);
    ConfigAddrText_Change(images, 1, "1FF");
    EXPECT_EQ(images.config[1], 0x1F);
    ConfigAddrText_Change(images, 1, "FFFF");
    EXPECT_EQ(images.config[1], 0xFF);
    ConfigAddrText_Change(images, 1, "8000");
    EXPECT_EQ(images.config[1], 0x80);
    EXPECT_EQ(images.config[14], 0);
    EXPECT_EQ(kConfigBoxMaxLength, 2);
}

TEST(ConfigDisplayTest, WordLabels) {
    EXPECT_EQ(ConfigWordLabel(0), "0:");
    EXPECT_EQ(ConfigWordLabel(4), "8:");
    EXPECT_EQ(ConfigWordLabel(5), "A:");
    EXPECT_EQ(ConfigWordLabel(6), "C:");
}

TEST(ConfigDisplayTest, LastAddressLimit) {
    EXPECT_EQ(LastAddrText_Change("5000", 0x4000), "4000");
    EXPECT_EQ(LastAddrText_Change("10000", 0x4000), "4000");
    EXPECT_FALSE(LastAddrText_Change("3FFF", 0x4000));
    EXPECT_FALSE(LastAddrText_Change("4000", 0x4000));
    EXPECT_FALSE(LastAddrText_Change("8000", 0x4000));  // negative as 16-bit
    EXPECT_FALSE(LastAddrText_Change("FFFF", 0x4000));
    EXPECT_FALSE(LastAddrText_Change("Text5", 0x4000));

    EXPECT_EQ(LastWordForLoops(0x4000, kLastProgramWord), 0x3FFF);
    EXPECT_EQ(LastWordForLoops(0x3FFF, kLastProgramWord), 0x3FFF);
    EXPECT_EQ(LastWordForLoops(0x84, kLastProgramWord), 0x84);
}

}  // namespace
}  // namespace tamro

namespace tamro {
namespace {

TEST(ConfigDisplayTest, FirstBoxAWriteCannotTakeIsNamed) {
    struct Case {
        std::map<int, std::string> changed;  // the other boxes hold "FF"
        std::optional<int> fault;
    };
    const Case cases[] = {
        {{}, std::nullopt},  {{{0, "0"}, {13, "a5"}}, std::nullopt},
        {{{3, ""}}, 3},      {{{9, "G1"}, {2, ""}}, 2},
        {{{13, "123"}}, 13},
    };
    for (const Case& c : cases) {
        std::array<std::string, kConfigBoxes> texts;
        texts.fill("FF");
        for (const auto& [index, text] : c.changed) texts[index] = text;
        const auto fault = FirstConfigBoxFault(texts);
        ASSERT_EQ(fault.has_value(), c.fault.has_value());
        if (!fault) continue;
        EXPECT_EQ(fault->index, *c.fault);
        EXPECT_EQ(fault->message, *ConfigBoxProblem(*c.fault, texts[*c.fault]));
    }
}

}  // namespace
}  // namespace tamro
