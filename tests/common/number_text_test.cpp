#include "common/number_text.h"

#include <gtest/gtest.h>

namespace tamro {
namespace {

TEST(NumericValue, ReadsTheLeadingDecimalNumber) {
    EXPECT_DOUBLE_EQ(NumericValue(" 10"), 10.0);
    EXPECT_DOUBLE_EQ(NumericValue("4.4"), 4.4);
    EXPECT_DOUBLE_EQ(NumericValue("-2.5e1x"), -25.0);
    EXPECT_DOUBLE_EQ(NumericValue("1 2"), 12.0);  // blanks anywhere are skipped
    EXPECT_DOUBLE_EQ(NumericValue("12abc"), 12.0);
    EXPECT_DOUBLE_EQ(NumericValue(".5"), 0.5);
    EXPECT_DOUBLE_EQ(NumericValue("3e"), 3.0);  // an exponent without digits is ignored
    EXPECT_DOUBLE_EQ(NumericValue("1e999"), 0.0);
}

TEST(NumericValue, TextWithoutANumberGivesZero) {
    EXPECT_DOUBLE_EQ(NumericValue(""), 0.0);
    EXPECT_DOUBLE_EQ(NumericValue("abc"), 0.0);
    EXPECT_DOUBLE_EQ(NumericValue("-"), 0.0);
    EXPECT_DOUBLE_EQ(NumericValue("."), 0.0);
}

TEST(HexValue, WidthFollowsTheDigitCount) {
    EXPECT_EQ(HexValue("FF"), 255);
    EXPECT_EQ(HexValue("ffff"), -1);
    EXPECT_EQ(HexValue("8000"), -32768);
    EXPECT_EQ(HexValue("10000"), 65536);
    EXPECT_EQ(HexValue("FFFFFFFF"), -1);
    EXPECT_EQ(HexValue("3FFFzz"), 0x3FFF);
    EXPECT_EQ(HexValue(""), 0);
    EXPECT_EQ(HexValue("XYZ"), 0);
    EXPECT_TRUE(ReadHex("123456789").overflow);
    EXPECT_EQ(HexValue("123456789"), 0);
    EXPECT_EQ(HexValue16("5000"), 0x5000);
    EXPECT_EQ(HexValue16("FFFF"), -1);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(12.5), 12.0);
    EXPECT_EQ(RoundHalfEven(13.5), 14.0);
    EXPECT_EQ(RoundHalfEven(131.5), 132.0);
    EXPECT_EQ(RoundHalfEven(130.5), 130.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(2.6), 3.0);
}

TEST(HexText, UpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(HexText16(0), "0");
    EXPECT_EQ(HexText16(5), "5");
    EXPECT_EQ(HexText16(0x3FFF), "3FFF");
    EXPECT_EQ(HexText16(-1), "FFFF");
    EXPECT_EQ(HexText32(-1), "FFFFFFFF");
    EXPECT_EQ(HexByte2(5), "05");
    EXPECT_EQ(HexByte2(0xAB), "AB");
}

TEST(NumberText, DecimalForms) {
    EXPECT_EQ(SignedDecimalText(9), " 9");
    EXPECT_EQ(SignedDecimalText(-3), "-3");
    EXPECT_EQ(GeneralNumberText(4.998f, 7), "4.998");
    EXPECT_EQ(GeneralNumberText(12750, 7), "12750");
    EXPECT_EQ(GeneralNumberText(-1, 15), "-1");
    EXPECT_EQ(GeneralNumberText(1e20, 15), "1E+20");
    EXPECT_EQ(FormatPattern(22.0, "#0.0"), "22.0");
    EXPECT_EQ(FormatPattern(0.0, "#0.0"), "0.0");
    EXPECT_EQ(FormatPattern(123.45, "##0.000"), "123.450");
    EXPECT_EQ(FormatPattern(12345, "#####0"), "12345");
    EXPECT_EQ(FormatPattern(0.25, "#0.0"), "0.3");
    EXPECT_EQ(FormatPattern(-0.01, "#0.0"), "0.0");
}

TEST(BitStrings, GroupsOfBits) {
    EXPECT_EQ(BitString16(0x22F7), "0010 0010 1111 0111");
    EXPECT_EQ(BitString16(0x0E1F), "0000 1110 0001 1111");
    EXPECT_EQ(BitString8(0xA5), "1010 0101");
    EXPECT_EQ(BitString8(0), "0000 0000");
}

}  // namespace
}  // namespace tamro
