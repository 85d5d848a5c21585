#include "convertor/conversions.h"

#include <gtest/gtest.h>

namespace tamro {
namespace {

TEST(DecimalToHexText, WholeNumbersAndNegativeThirtyTwoBitValues) {
    EXPECT_EQ(DecimalToHexText("255"), "FF");
    EXPECT_EQ(DecimalToHexText("0"), "0");
    EXPECT_EQ(DecimalToHexText(""), "0");
    EXPECT_EQ(DecimalToHexText("-1"), "FFFFFFFF");
    EXPECT_EQ(DecimalToHexText("65536"), "10000");
    EXPECT_EQ(DecimalToHexText("2147483647"), "7FFFFFFF");
    EXPECT_EQ(DecimalToHexText("-2147483648"), "80000000");
    EXPECT_EQ(DecimalToHexText("1 2abc"), "C");
}

TEST(DecimalToHexText, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(DecimalToHexText("2.5"), "2");
    EXPECT_EQ(DecimalToHexText("3.5"), "4");
    EXPECT_EQ(DecimalToHexText("-2.5"), "FFFFFFFE");
    EXPECT_EQ(DecimalToHexText("2.51"), "3");
}

TEST(DecimalToHexText, OutsideThirtyTwoBitsGivesEmptyText) {
    EXPECT_EQ(DecimalToHexText("2147483648"), "");
    EXPECT_EQ(DecimalToHexText("-2147483649"), "");
    EXPECT_EQ(DecimalToHexText("2147483647.5"), "");
    EXPECT_EQ(DecimalToHexText("1E30"), "");
    EXPECT_EQ(DecimalToHexText("-99999999999999999999"), "");
}

TEST(HexToDecimalText, FourDigitsSignedSixteenFiveToEightSignedThirtyTwo) {
    EXPECT_EQ(HexToDecimalText("FFFF"), "-1");
    EXPECT_EQ(HexToDecimalText("8000"), "-32768");
    EXPECT_EQ(HexToDecimalText("10000"), "65536");
    EXPECT_EQ(HexToDecimalText("FFFFFFFF"), "-1");
    EXPECT_EQ(HexToDecimalText("7FFFFFFF"), "2147483647");
    EXPECT_EQ(HexToDecimalText("ff"), "255");
    EXPECT_EQ(HexToDecimalText("XYZ"), "0");
    EXPECT_EQ(HexToDecimalText(""), "0");
}

TEST(HexToDecimalText, MoreThanEightDigitsGivesEmptyText) {
    EXPECT_EQ(HexToDecimalText("100000000"), "");
    EXPECT_EQ(HexToDecimalText("FFFFFFFFFFFF"), "");
}

TEST(BitDisplay, LowEightBitsOfTheValue) {
    EXPECT_EQ(BitDisplayText(0xFF), "1111 1111");
    EXPECT_EQ(BitDisplayText(-1), "1111 1111");
    EXPECT_EQ(BitDisplayText(0x01A5), "1010 0101");
    EXPECT_EQ(BitDisplayText(0), "0000 0000");
}

TEST(BitDisplay, HexTextTypedKeyByKey) {
    EXPECT_EQ(BitDisplayTextForHex("1"), "0000 0001");
    EXPECT_EQ(BitDisplayTextForHex("1A"), "0001 1010");
    EXPECT_EQ(BitDisplayTextForHex("1A5"), "1010 0101");
    EXPECT_EQ(BitDisplayTextForHex("XYZ"), "0000 0000");
    EXPECT_EQ(BitDisplayTextForHex(""), "0000 0000");
}

TEST(BitDisplay, ValuesBeyondSixteenBitsKeepTheirLowBitsAndOverflowIsMarked) {
    EXPECT_EQ(BitDisplayValue("10000"), std::optional<std::int16_t>(0));
    EXPECT_EQ(BitDisplayTextForHex("FFFFFFFF"), "1111 1111");
    EXPECT_EQ(BitDisplayTextForHex("123456"), "0101 0110");
    EXPECT_EQ(BitDisplayValue("123456789"), std::nullopt);
    EXPECT_EQ(BitDisplayTextForHex("123456789"), kNoBitString);
}

TEST(CharacterCodes, SingleAndDoubleByteShiftJis) {
    EXPECT_EQ(CharacterToCodeText("A"), "41");
    EXPECT_EQ(CharacterToCodeText("ABC"), "41");
    EXPECT_EQ(CharacterToCodeText("\xE3\x81\x82"), "82A0");  // hiragana a
    EXPECT_EQ(CharacterToCodeText("\xEF\xBD\xB1"), "B1");    // half-width katakana a
    EXPECT_EQ(CharacterToCodeText(" "), "20");
    EXPECT_EQ(CodeToCharacterText("41"), "A");
    EXPECT_EQ(CodeToCharacterText("82A0"), "\xE3\x81\x82");
    EXPECT_EQ(CodeToCharacterText("0082A0"), "\xE3\x81\x82");
    EXPECT_EQ(CodeToCharacterText("b1"), "\xEF\xBD\xB1");
}

TEST(CharacterCodes, NothingConvertibleGivesEmptyText) {
    EXPECT_EQ(CharacterToCodeText(""), "");
    EXPECT_EQ(CharacterToCodeText("\xF0\x9F\x98\x80"), "");  // emoji: not in the code page
    EXPECT_EQ(CharacterToCodeText("\xE3\x81"), "");          // cut-off UTF-8
    EXPECT_EQ(CharacterToCodeText("\xFF"), "");
    EXPECT_EQ(CodeToCharacterText(""), "");   // code 0
    EXPECT_EQ(CodeToCharacterText("D"), "");  // carriage return
    EXPECT_EQ(CodeToCharacterText("7F"), "");
    EXPECT_EQ(CodeToCharacterText("82"), "");    // lead byte alone
    EXPECT_EQ(CodeToCharacterText("4142"), "");  // two characters, not one
    EXPECT_EQ(CodeToCharacterText("10000"), "");
    EXPECT_EQ(CodeToCharacterText("FFFFFFFF"), "");
    EXPECT_EQ(CodeToCharacterText("FFFF8141"), "");
    EXPECT_EQ(CodeToCharacterText("123456789"), "");
    EXPECT_EQ(CodeToCharacterText("FFFF"), "");
}

TEST(CharacterCodes, EveryDoubleByteCodeRoundTrips) {
    int characters = 0;
    for (std::uint32_t code = 0x8140; code <= 0xFCFC; ++code) {
        const std::optional<std::string> character = CharacterForShiftJisCode(code);
        if (!character) continue;
        ++characters;
        const std::optional<std::uint16_t> back = ShiftJisCode(*character);
        ASSERT_TRUE(back.has_value()) << std::hex << code;
        // Some characters have two codes (NEC and IBM extensions); the way back
        // must name the same character.
        EXPECT_EQ(CharacterForShiftJisCode(*back), character) << std::hex << code;
    }
    EXPECT_GT(characters, 7000);
}

}  // namespace
}  // namespace tamro
