#include "swf/script/value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace swf::script;

TEST(NumberToString, MatchesTheOriginalPlayersFormatting)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-2.5, "-2.5"},
        {0.1, "0.1"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {123456789012345, "123456789012345"},
        {999999999999999, "999999999999999"},
        {1e15, "1e+15"},
        {1125899906842624, "1.12589990684262e+15"},
        {1e21, "1e+21"},
        {1.79769313486231e308, "1.79769313486231e+308"},
        // The largest number is cut, not rounded up past itself.
        {1.7976931348623157e308, "1.79769313486231e+308"},
        {1.7976931348623e308, "1.7976931348623e+308"},
        // Rounding up would read back as Infinity; the smallest rounds as usual.
        {std::numeric_limits<double>::max(), "1.79769313486231e+308"},
        {-std::numeric_limits<double>::max(), "-1.79769313486231e+308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324"},
        {1.7976931348623149e308, "1.79769313486231e+308"},
        {0.0000152587890625, "0.0000152587890625"},
        {0.00001, "0.00001"},
        {0.000001, "1e-6"},
        {1.9073486328125e-6, "1.9073486328125e-6"},
        {1e-9, "1e-9"},
        {-1e-9, "-1e-9"},
        {std::nan(""), "NaN"},
        {inf, "Infinity"},
        {-inf, "-Infinity"},
        {100, "100"},
        {16.0625, "16.0625"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numberToString(c.value), c.text) << c.text;
}

TEST(StringToNumber, FollowsEachVersionsRules)
{
    const struct {
        const char* text;
        int version;
        double expected; // NaN compares by isnan
    } cases[] = {
        {"", 4, 0},
        {"", 6, NAN},
        {"", 7, NAN},
        {"2", 7, 2},
        {" 2", 7, 2},
        {"\t\n 2", 7, 2},
        {"0x2", 7, 2},
        {"0x-10", 6, -16},
        {"-0x10", 7, NAN},
        {"+0x10", 6, NAN},
        {"0X1f", 7, 31},
        {" 0x2", 7, NAN},
        {"1x2", 7, NAN},
        {"030", 7, 24},
        {" 030", 7, 30},
        {"030.12", 7, 30.12},
        {"030e12", 7, 30e12},
        {"030912", 7, 30912},
        {".2", 7, 0.2},
        {"-1.5e3", 7, -1500},
        {"abc", 6, NAN},
        {"1 ", 7, NAN},
        // SWF 5: decimal only.
        {"0x10", 5, NAN},
        {"010", 5, 10},
        {"-2.5", 5, -2.5},
        // SWF 4: the number the string begins with, else 0.
        {"100ABC", 4, 100},
        {" -1.5e2x", 4, -150},
        {"2e", 4, 2},
        {"0x10", 4, 0},
        {"true", 4, 0},
        {".", 4, 0},
    };
    for (const auto& c : cases) {
        double n = stringToNumber(c.text, c.version);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(n)) << '"' << c.text << "\" gave " << n;
        else
            EXPECT_EQ(n, c.expected) << '"' << c.text << '"';
    }
}

TEST(PrimitiveConversions, UndefinedAndNullDependOnVersion)
{
    EXPECT_EQ(primitiveToNumber(Value(), 6), 0);
    EXPECT_TRUE(std::isnan(primitiveToNumber(Value(), 7)));
    EXPECT_EQ(primitiveToNumber(Value::null(), 6), 0);
    EXPECT_TRUE(std::isnan(primitiveToNumber(Value::null(), 7)));
    EXPECT_EQ(primitiveToString(Value(), 6), "");
    EXPECT_EQ(primitiveToString(Value(), 7), "undefined");
    EXPECT_EQ(primitiveToString(Value(true), 5), "true");
}

TEST(PrimitiveConversions, StringTruthChangedInVersion7)
{
    const struct {
        const char* text;
        bool before7, from7;
    } cases[] = {
        {"", false, false},
        {"0", false, true},
        {"1", true, true},
        {"true", false, true},
        {"abc", false, true},
        {" 2", true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(toBoolean(Value(c.text), 6), c.before7) << c.text;
        EXPECT_EQ(toBoolean(Value(c.text), 7), c.from7) << c.text;
    }
    EXPECT_FALSE(toBoolean(Value(std::nan("")), 7));
}

TEST(IntegerConversions, WrapLikeThirtyTwoBitIntegers)
{
    EXPECT_EQ(toInt32(4294967296.0 + 5), 5);
    EXPECT_EQ(toInt32(2147483648.0), -2147483647 - 1);
    EXPECT_EQ(toInt32(-1.9), -1);
    EXPECT_EQ(toInt32(std::nan("")), 0);
    EXPECT_EQ(toUint32(-1), 4294967295u);
}
