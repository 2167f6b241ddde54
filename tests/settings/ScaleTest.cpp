#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

#include "settings/IniText.h"
#include "settings/xScale.h"
#include "support/TestSupport.h"

namespace {

int CountLinesStartingWith(const TRecordingSink& sink, const std::string& prefix) {
    return static_cast<int>(std::count_if(sink.Lines.begin(), sink.Lines.end(), [&](const std::string& l) {
        return l.rfind(prefix, 0) == 0;
    }));
}

bool HasLine(const TRecordingSink& sink, const std::string& line) {
    return std::find(sink.Lines.begin(), sink.Lines.end(), line) != sink.Lines.end();
}

// A console on a settings file holding the given SCALE section.
struct TScaleFile {
    explicit TScaleFile(const std::string& scaleKeys) {
        WriteFile(Scope.SettingsFile, "[SCALE]\n" + scaleKeys);
    }
    TConsoleScope Scope;
};

}  // namespace

TEST(Scale, Defaults) {
    TConsoleScope scope;
    TScale scale;
    EXPECT_TRUE(HasLine(scope.Sink, " > creating Scale"));
    EXPECT_EQ(scale.Dims, 1);
    EXPECT_EQ(scale.Value, 0);
    EXPECT_EQ(scale.MarkLength(), 101);
    EXPECT_EQ(scale.Factor, 1.0 / 101.0);
    EXPECT_EQ(scale.MarkValue(), 1);
    EXPECT_FALSE(scale.IsPlaced());
    EXPECT_STREQ(scale.DimsName(true), "um");
    EXPECT_STREQ(scale.DimsName(false), "micrometre");
    EXPECT_EQ(scale.DimsFactor(), 1e-6);
}

TEST(Scale, WorkedExample) {
    TConsoleScope scope;
    TScale scale;
    scale.SetValue(2);
    scale.SetMark({10, 40}, {109, 40});
    EXPECT_EQ(scale.MarkLength(), 100);
    EXPECT_EQ(scale.Factor, 1.0);
    EXPECT_EQ(scale.MarkValue(), 100);
    EXPECT_EQ(scale.Convert(5.5), 5.5);
    EXPECT_TRUE(scale.IsPlaced());
}

TEST(Scale, AllSevenKeysSurviveARestart) {
    TConsoleScope scope;
    {
        TScale scale;
        scale.Dims = 3;
        scale.SetValue(3);
        scale.Vertical = true;
        scale.SetMark({7, 20}, {9, 32});
    }
    const TIniText ini = ParseIni(ReadFile(scope.SettingsFile));
    ASSERT_TRUE(ini.count("scale"));
    const auto& s = ini.at("scale");
    EXPECT_EQ(s.size(), 7u);
    EXPECT_EQ(s.at("dims"), "3");
    EXPECT_EQ(s.at("value"), "3");
    EXPECT_EQ(s.at("lmx"), "7");
    EXPECT_EQ(s.at("lmy"), "20");
    EXPECT_EQ(s.at("rmx"), "9");
    EXPECT_EQ(s.at("rmy"), "32");
    EXPECT_EQ(s.at("vertical"), "1");

    TScale again;
    EXPECT_EQ(again.Dims, 3);
    EXPECT_EQ(again.Value, 3);
    EXPECT_TRUE(again.Vertical);
    EXPECT_EQ(again.MarkLength(), 13);
    EXPECT_EQ(again.Factor, 1000.0 / 13.0);
    EXPECT_TRUE(again.IsPlaced());
}

TEST(Scale, FactorIsOneDivisionOfAnExactPower) {
    // 10^Value / |MarkLength|, one rounding: compare with the literal quotient.
    struct TCase { std::int32_t Value; std::int32_t Length; double Expected; };
    const TCase cases[] = {
        {0, 3, 1.0 / 3.0},   {1, 7, 10.0 / 7.0},      {2, 300, 100.0 / 300.0},
        {3, 999, 1000.0 / 999.0}, {15, 7, 1e15 / 7.0}, {22, 3, 1e22 / 3.0},
    };
    for (const TCase& c : cases) {
        TConsoleScope scope;
        TScale scale;
        scale.SetValue(c.Value);
        scale.SetMark({0, 5}, {c.Length - 1, 5});
        EXPECT_EQ(scale.Factor, c.Expected) << c.Value << " " << c.Length;
        EXPECT_EQ(scale.Convert(2.0), 2.0 * c.Expected);
    }
}

TEST(Scale, MarksAgainstTheAxisAreIgnored) {
    struct TCase { bool Vertical; TPoint P1, P2; };
    const TCase cases[] = {
        {false, {50, 10}, {20, 10}},  // leftwards
        {false, {50, 10}, {48, 90}},  // length -1 along x
        {false, {50, 10}, {49, 10}},  // length 0 along x
        {true, {10, 50}, {10, 20}},   // upwards
        {true, {10, 50}, {90, 49}},   // length 0 along y
    };
    for (const TCase& c : cases) {
        TConsoleScope scope;
        TScale scale;
        scale.Vertical = c.Vertical;
        scale.SetValue(1);
        scale.SetMark({3, 4}, {12, 13});  // length 10 either way
        const double factor = scale.Factor;
        scale.SetMark(c.P1, c.P2);
        EXPECT_EQ(scale.LMX, 3);
        EXPECT_EQ(scale.LMY, 4);
        EXPECT_EQ(scale.RMX, 12);
        EXPECT_EQ(scale.RMY, 13);
        EXPECT_EQ(scale.Factor, factor);
        EXPECT_EQ(factor, 1.0);
        EXPECT_EQ(CountLinesStartingWith(scope.Sink, " WARNING: ") +
                      CountLinesStartingWith(scope.Sink, " ERROR: "),
                  0);
    }
}

TEST(Scale, OnePixelMarkAndTheCrossCoordinate) {
    TConsoleScope scope;
    TScale scale;
    scale.SetValue(3);
    // Only the coordinate along the axis counts; the other is stored as given.
    scale.SetMark({40, 12}, {40, 900});
    EXPECT_EQ(scale.MarkLength(), 1);
    EXPECT_EQ(scale.Factor, 1000.0);
    EXPECT_EQ(scale.RMY, 900);
    EXPECT_TRUE(scale.IsPlaced());

    scale.Vertical = true;
    scale.SetMark({0, 7}, {0, 7});
    EXPECT_EQ(scale.MarkLength(), 1);
    EXPECT_EQ(scale.Factor, 1000.0);
    EXPECT_FALSE(scale.IsPlaced());  // a vertical mark is placed once its x is at least 1
    scale.SetMark({1, 7}, {1, 7});
    EXPECT_TRUE(scale.IsPlaced());
}

TEST(Scale, SetValueRejectsNegativeExponents) {
    TConsoleScope scope;
    TScale scale;
    scale.SetValue(2);
    scale.SetValue(0);
    EXPECT_EQ(scale.Value, 0);
    EXPECT_EQ(scale.Factor, 1.0 / 101.0);
    EXPECT_EQ(CountLinesStartingWith(scope.Sink, " ERROR: "), 0);

    scale.SetValue(1);
    scope.Sink.Visible = false;
    scale.SetValue(-1);
    EXPECT_EQ(scale.Value, 1);
    EXPECT_EQ(scale.Factor, 10.0 / 101.0);
    EXPECT_TRUE(HasLine(scope.Sink, " ERROR: Value must be positive"));
    EXPECT_TRUE(scope.Sink.Visible);  // an error brings the console up
}

TEST(Scale, UnitTable) {
    struct TCase { const char* Dims; std::uint8_t Index; const char* Short; const char* Long; double Metres; };
    const TCase cases[] = {
        {"0", 0, "nm", "nanometre", 1e-9},
        {"1", 1, "um", "micrometre", 1e-6},
        {"2", 2, "mm", "millimetre", 0.001},
        {"3", 3, "cm", "centimetre", 0.01},
        {"4", 4, "m", "metre", 1.0},
        {"7", 7, "unknown", "unknown", 0.0},
        {"255", 255, "unknown", "unknown", 0.0},
        {"258", 2, "mm", "millimetre", 0.001},  // only the low 8 bits are kept
        {"0x104", 4, "m", "metre", 1.0},
        {"-255", 1, "um", "micrometre", 1e-6},
    };
    for (const TCase& c : cases) {
        TScaleFile file(std::string("Dims=") + c.Dims + "\nValue=1\nLMX=0\nRMX=4\n");
        TScale scale;
        EXPECT_EQ(scale.Dims, c.Index) << c.Dims;
        EXPECT_STREQ(scale.DimsName(true), c.Short) << c.Dims;
        EXPECT_STREQ(scale.DimsName(false), c.Long) << c.Dims;
        EXPECT_EQ(scale.DimsFactor(), c.Metres) << c.Dims;
        EXPECT_EQ(scale.Convert(3.0), 6.0) << c.Dims;  // lengths convert whatever the unit
    }
}

TEST(Scale, MarkEndsInReverseOrderFromTheFile) {
    TScaleFile file("Value=2\nLMX=50\nRMX=10\nLMY=3\nRMY=3\n");
    TScale scale;
    EXPECT_EQ(scale.MarkLength(), -39);
    EXPECT_EQ(scale.Factor, 100.0 / 39.0);
    EXPECT_EQ(CountLinesStartingWith(file.Scope.Sink, " WARNING: "), 0);
}

TEST(Scale, SwitchingVerticalReversesTheMark) {
    TConsoleScope scope;
    TScale scale;
    scale.SetMark({10, 60}, {109, 20});  // horizontal, length 100; -39 along y
    scale.Vertical = true;
    EXPECT_EQ(scale.Factor, 1.0 / 100.0);  // switching recomputes nothing
    scale.SetValue(1);
    EXPECT_EQ(scale.MarkLength(), -39);
    EXPECT_EQ(scale.Factor, 10.0 / 39.0);
}

TEST(Scale, NegativeExponentFromTheFile) {
    TScaleFile file("Value=-3\nLMX=0\nRMX=3\n");
    TScale scale;
    EXPECT_EQ(scale.Value, -3);
    EXPECT_EQ(scale.Factor, 0.001 / 4.0);
    EXPECT_EQ(scale.MarkValue(), 0);
}

TEST(Scale, ExtremeValuesFromTheFileStayDefined) {
    // Coordinates and exponents from a hand-edited file must not overflow anywhere.
    TScaleFile file("Value=40\nLMX=-2147483648\nRMX=2147483647\nLMY=2147483647\nRMY=-2147483648\n");
    TScale scale;
    EXPECT_EQ(scale.MarkLength(), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(scale.MarkValue(), std::numeric_limits<std::int64_t>::max());
    scale.Vertical = true;
    EXPECT_EQ(scale.MarkLength(), std::numeric_limits<std::int32_t>::min());
    scale.SetValue(0);
    EXPECT_EQ(scale.Factor, 1.0 / 2147483648.0);
}

// A mark can have no length along the other axis. Bringing that axis into force (the
// Vertical switch, or a hand-edited file) must never stop the program: the scale keeps the
// length it was using, logs a warning, and the exponent still takes effect.
TEST(Scale, ZeroLengthAfterVerticalSwitchKeepsTheMarkLength) {
    TConsoleScope scope;
    TScale scale;
    scale.SetMark({10, 40}, {109, 39});  // 100 along x, 0 along y
    ASSERT_EQ(scale.Factor, 1.0 / 100.0);
    scale.Vertical = true;
    ASSERT_EQ(scale.MarkLength(), 0);

    scale.SetValue(0);
    EXPECT_EQ(scale.Factor, 1.0 / 100.0);
    EXPECT_TRUE(HasLine(scope.Sink, " WARNING: scale mark has zero length along the y axis: mark length kept"));
    scale.SetValue(2);
    EXPECT_EQ(scale.Value, 2);
    EXPECT_EQ(scale.Factor, 100.0 / 100.0);
    EXPECT_EQ(CountLinesStartingWith(scope.Sink, " ERROR: "), 0);
    EXPECT_EQ(scope.Sink.FatalReports, 0);

    // A new mark along y takes over as usual.
    scale.SetMark({5, 10}, {5, 59});
    EXPECT_EQ(scale.Factor, 100.0 / 50.0);
}

TEST(Scale, ZeroLengthAtStart) {
    struct TCase { const char* Keys; double Factor; const char* Warning; };
    const TCase cases[] = {
        // Vertical switched after a horizontal mark: its length along x (100) is used.
        {"Value=1\nVertical=1\nLMX=10\nRMX=109\nLMY=40\nRMY=39\n", 10.0 / 100.0,
         " WARNING: scale mark has zero length along the y axis: mark length taken along the other axis"},
        {"Value=1\nVertical=0\nLMX=30\nRMX=29\nLMY=5\nRMY=24\n", 10.0 / 20.0,
         " WARNING: scale mark has zero length along the x axis: mark length taken along the other axis"},
        // No length along either axis: one pixel.
        {"Value=2\nVertical=1\nLMX=8\nRMX=7\nLMY=40\nRMY=39\n", 100.0,
         " WARNING: scale mark has zero length along the y axis: mark length taken as one pixel"},
    };
    for (const TCase& c : cases) {
        TScaleFile file(c.Keys);
        TScale scale;
        EXPECT_EQ(scale.MarkLength(), 0);
        EXPECT_EQ(scale.Factor, c.Factor) << c.Keys;
        EXPECT_TRUE(HasLine(file.Scope.Sink, c.Warning)) << c.Keys;
        EXPECT_EQ(file.Scope.Sink.FatalReports, 0);
    }
}
