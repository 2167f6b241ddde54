#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/NumberFormat.h"

TEST(NumberFormat, RoundsHalvesToEven) {
    const struct { double In, Out; } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, -0.0}, {-1.5, -2}, {-2.5, -2},
        {2.4999999999999996, 2}, {2.5000000000000004, 3}, {1e300, 1e300},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.In), c.Out) << c.In;
}

TEST(NumberFormat, RoundToInt32ClampsWhatDoesNotFit) {
    EXPECT_EQ(RoundToInt32(2.5), 2);
    EXPECT_EQ(RoundToInt32(-3.5), -4);
    EXPECT_EQ(RoundToInt32(3e9), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToInt32(-3e9), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
}

TEST(NumberFormat, GeneralFormat) {
    const struct { double In; const char* Out; } cases[] = {
        {0, "0"}, {-0.0, "0"}, {3, "3"}, {2.5, "2.5"}, {-2.5, "-2.5"}, {0.125, "0.125"},
        {0.1, "0.1"},                                   // 15 digits of 0.1000000000000000055...
        {0.1 + 0.2, "0.3"},                             // 0.30000000000000004 rounds away
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {0.010000000000000002, "0.01"},
        {512, "512"}, {511.5, "511.5"}, {100, "100"}, {1e14, "100000000000000"},
        {999999999999999, "999999999999999"},
        {1e-5, "0.00001"}, {1.5e-7, "0.00000015"},     // no exponent below 1e15 in magnitude
        {1e15, "1E+15"}, {-1.5e20, "-1.5E+20"},
        {123456789012345678.0, "1.23456789012346E+17"},
        {999999999999999.9, "1E+15"},                    // rounds up into the exponent range
        {std::numeric_limits<double>::infinity(), "INF"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.In), c.Out) << c.In;
}

TEST(NumberFormat, ParseInt32) {
    const struct { const char* In; bool Ok; std::int32_t Out; } cases[] = {
        {"0", true, 0}, {"1", true, 1}, {"-17", true, -17}, {"+5", true, 5}, {"007", true, 7},
        {"$10", true, 16}, {"x10", true, 16}, {"0x10", true, 16}, {"0Xff", true, 255},
        {"-$10", true, -16}, {"$7fffffff", true, 2147483647}, {"-$80000000", true, -2147483647 - 1},
        {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0}, {"-2147483649", false, 0}, {"$80000000", false, 0},
        {"$ffffffff", false, 0}, {"", false, 0}, {"-", false, 0}, {"$", false, 0}, {"0x", false, 0},
        {"12abc", false, 0}, {"1.0", false, 0}, {" 1", false, 0}, {"--1", false, 0},
        {"$-1", false, 0}, {"0x+1", false, 0}, {"1e3", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t v = 12345;
        EXPECT_EQ(ParseInt32(c.In, v), c.Ok) << c.In;
        if (c.Ok) { EXPECT_EQ(v, c.Out) << c.In; }
        else { EXPECT_EQ(v, 12345) << c.In; }
    }
}

TEST(NumberFormat, ParseDouble) {
    const struct { const char* In; bool Ok; double Out; } cases[] = {
        {"2.5", true, 2.5}, {"-2.5", true, -2.5}, {"+2.5", true, 2.5}, {"5.", true, 5},
        {".5", true, 0.5}, {"1e3", true, 1000}, {"1E-3", true, 0.001}, {"2.5e+2", true, 250},
        {"0.1", true, 0.1}, {"17", true, 17},
        {"", false, 0}, {".", false, 0}, {"e5", false, 0}, {"1e", false, 0}, {"1e+", false, 0},
        {"1,5", false, 0}, {"inf", false, 0}, {"nan", false, 0}, {"0x1p3", false, 0},
        {"1.5.2", false, 0}, {"abc", false, 0}, {" 1", false, 0}, {"1e999", false, 0},
    };
    for (const auto& c : cases) {
        double v = -99;
        EXPECT_EQ(ParseDouble(c.In, v), c.Ok) << c.In;
        if (c.Ok) { EXPECT_EQ(v, c.Out) << c.In; }
    }
}
