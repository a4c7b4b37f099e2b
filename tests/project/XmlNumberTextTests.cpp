#include "ProjectTestSupport.h"
#include "project/XmlNumberText.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace qv
{
namespace
{

TEST(XmlNumberText, DoublesKeepSixSignificantDigits)
{
    EXPECT_EQ(FormatXmlDouble(123.456789), u"123.457");
    EXPECT_EQ(FormatXmlDouble(12.3456789), u"12.3457");
    EXPECT_EQ(FormatXmlDouble(1.0), u"1");
    EXPECT_EQ(FormatXmlDouble(0.0), u"0");
    EXPECT_EQ(FormatXmlDouble(-0.25), u"-0.25");
    EXPECT_EQ(FormatXmlDouble(1234567.0), u"1.23457e+06");
    EXPECT_EQ(FormatXmlDouble(0.00001), u"1e-05");
    EXPECT_EQ(FormatXmlDouble(10800.0), u"10800");
}

TEST(XmlNumberText, IntegersKeepAllDigits)
{
    EXPECT_EQ(FormatXmlInt(16777215), u"16777215");
    EXPECT_EQ(FormatXmlInt(INT_MIN), u"-2147483648");
    EXPECT_EQ(FormatXmlInt(INT_MAX), u"2147483647");
    EXPECT_EQ(ParseXmlInt(u"-2147483648"), INT_MIN);
    EXPECT_EQ(ParseXmlInt(u"2147483647"), INT_MAX);
}

TEST(XmlNumberText, IntegerParsingTakesTheLeadingNumber)
{
    EXPECT_EQ(ParseXmlInt(u"42"), 42);
    EXPECT_EQ(ParseXmlInt(u" \t+42px"), 42);
    EXPECT_EQ(ParseXmlInt(u"-7.9"), -7);
    EXPECT_EQ(ParseXmlInt(u""), 0);
    EXPECT_EQ(ParseXmlInt(u"abc"), 0);
    EXPECT_EQ(ParseXmlInt(u"- 5"), 0);
    EXPECT_EQ(ParseXmlInt(u"0x1F"), 0);
    // A 32-bit long saturates instead of wrapping.
    EXPECT_EQ(ParseXmlInt(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseXmlInt(u"-4294967296"), INT_MIN);
}

TEST(XmlNumberText, DoubleParsingTakesTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"123.457"), 123.457);
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"  12.5e1x"), 125.0);
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"1,5"), 1.0);
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"-3"), -3.0);
    EXPECT_EQ(ParseXmlDouble(u"abc"), 0.0);
    EXPECT_EQ(ParseXmlDouble(u""), 0.0);
    // Characters past ASCII end the number rather than being narrowed into something else.
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"7\u0661"), 7.0);
    EXPECT_TRUE(std::isinf(ParseXmlDouble(u"inf")));
    EXPECT_TRUE(std::isnan(ParseXmlDouble(u"nan")));
}

TEST(XmlNumberText, NumbersIgnoreTheProcessLocale)
{
    if (!projecttest::UseCommaDecimalLocale())
        GTEST_SKIP() << "no locale with a decimal comma on this machine";
    // The locale really is active: the C library now writes a comma.
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", 12.3456789);
    EXPECT_STREQ(buffer, "12,3457");

    EXPECT_EQ(FormatXmlDouble(12.3456789), u"12.3457");
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"12.3457"), 12.3457);
    EXPECT_DOUBLE_EQ(ParseXmlDouble(u"12,5"), 12.0);
    projecttest::UseClassicLocale();
}

} // namespace
} // namespace qv
