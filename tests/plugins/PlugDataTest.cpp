// The data provider: what the kernel puts in, what a plug-in reads back.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "kernel/xDot.h"
#include "plugins/host/xPlugData.h"
#include "settings/xScale.h"
#include "support/TestSupport.h"

namespace {

class PlugDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        Plug = CreatePlugData(Scale);
        void* object = nullptr;
        ASSERT_EQ(Plug->QueryInterface(IID_IData, &object), MVX_S_OK);
        Data = static_cast<IData*>(object);
    }
    void TearDown() override {
        Data->Release();
        EXPECT_EQ(Plug->Release(), 0u);
    }
    static TDot Dot(double x, double y, double radius, double fillRadius, double filling,
                    double distance) {
        TDot d;
        d.X = x;
        d.Y = y;
        d.Radius = radius;
        d.FillRadius = fillRadius;
        d.Filling = filling;
        d.Distance = distance;
        return d;
    }
    static double F(double v) { return static_cast<float>(v); }

    TConsoleScope Console_;
    TScale Scale;
    IPlugData* Plug = nullptr;
    IData* Data = nullptr;
};

TEST_F(PlugDataTest, ValuesAreConvertedAndReadBackAtSinglePrecision) {
    Scale.Factor = 1.0 / 3.0;
    Plug->AddDot(Dot(1, 2, 3, 4, 1.0 / 3.0, 1.0 / 3.0));
    ASSERT_EQ(Data->GetCount(), 1);
    EXPECT_EQ(Data->GetX(0), F(1.0 / 3.0));
    EXPECT_NE(Data->GetX(0), 1.0 / 3.0);
    EXPECT_EQ(Data->GetY(0), F(2.0 / 3.0));
    EXPECT_EQ(Data->GetMaxRadius(0), 1.0);
    EXPECT_EQ(Data->GetFillRadius(0), F(4.0 / 3.0));
    EXPECT_EQ(Data->GetFilling(0), F(1.0 / 3.0));   // a ratio: not converted
    EXPECT_EQ(Data->GetDistance(0), F(1.0 / 3.0));  // already in units: not converted
}

TEST_F(PlugDataTest, TheZoneCountsBothEdges) {
    Scale.Factor = 1.0 / 101.0;
    Plug->SetZone({0, 0, 0, 0});
    EXPECT_EQ(Data->GetZoneX(), 0.0);
    EXPECT_EQ(Data->GetZoneY(), 0.0);
    EXPECT_EQ(Data->GetZoneWidth(), F(1.0 / 101.0));
    EXPECT_EQ(Data->GetZoneHeight(), F(1.0 / 101.0));

    Plug->SetZone({5, 7, 14, 26});
    EXPECT_EQ(Data->GetZoneX(), F(5.0 / 101.0));
    EXPECT_EQ(Data->GetZoneY(), F(7.0 / 101.0));
    EXPECT_EQ(Data->GetZoneWidth(), F(10.0 / 101.0));
    EXPECT_EQ(Data->GetZoneHeight(), F(20.0 / 101.0));
}

TEST_F(PlugDataTest, ClearLeavesNoFeatureAndAZeroZone) {
    Scale.Factor = 1.0;
    Plug->SetZone({1, 2, 30, 40});
    Plug->AddDot(Dot(5, 5, 2, 2, 0.5, 3));
    Plug->Clear();
    EXPECT_EQ(Data->GetCount(), 0);
    EXPECT_EQ(Data->GetZoneX(), 0.0);
    EXPECT_EQ(Data->GetZoneY(), 0.0);
    EXPECT_EQ(Data->GetZoneWidth(), 0.0);
    EXPECT_EQ(Data->GetZoneHeight(), 0.0);
    Plug->AddDot(Dot(7, 8, 2, 2, 0.5, 3));
    EXPECT_EQ(Data->GetCount(), 1);
    EXPECT_EQ(Data->GetX(0), 7.0);
}

TEST_F(PlugDataTest, AnIndexOutsideTheListAnswersZero) {
    Scale.Factor = 1.0;
    Plug->AddDot(Dot(1, 2, 3, 4, 0.5, 6));
    for (const MvxInteger i : {-1, 1, INT_MAX, INT_MIN}) {
        EXPECT_EQ(Data->GetX(i), 0.0) << i;
        EXPECT_EQ(Data->GetY(i), 0.0) << i;
        EXPECT_EQ(Data->GetMaxRadius(i), 0.0) << i;
        EXPECT_EQ(Data->GetFillRadius(i), 0.0) << i;
        EXPECT_EQ(Data->GetFilling(i), 0.0) << i;
        EXPECT_EQ(Data->GetDistance(i), 0.0) << i;
    }
}

TEST_F(PlugDataTest, RefillingAfterAScaleChangeUsesTheNewFactorAndUnitsAreAskedAtTheCall) {
    Scale.Factor = 1.0;
    Plug->AddDot(Dot(4, 4, 2, 2, 0.5, 3));
    Scale.Factor = 0.25;
    EXPECT_EQ(Data->GetX(0), 4.0);  // a snapshot
    Plug->Clear();
    Plug->AddDot(Dot(4, 4, 2, 2, 0.5, 3));
    EXPECT_EQ(Data->GetX(0), 1.0);

    Scale.Dims = 2;
    EXPECT_EQ(Data->GetDims(), 2);
    EXPECT_STREQ(Data->GetDimsName(1), "mm");
    EXPECT_STREQ(Data->GetDimsName(0), "millimetre");
    EXPECT_STREQ(Data->GetDimsName(7), "mm");  // any non-zero byte is true
    EXPECT_EQ(Data->GetDimsFactor(), 0.001);
    Scale.Dims = 7;
    EXPECT_STREQ(Data->GetDimsName(1), "unknown");
    EXPECT_STREQ(Data->GetDimsName(0), "unknown");
    EXPECT_EQ(Data->GetDimsFactor(), 0.0);
}

TEST_F(PlugDataTest, BothInterfacesAreOneCountedObject) {
    void* object = nullptr;
    ASSERT_EQ(Data->QueryInterface(IID_IPlugData, &object), MVX_S_OK);
    EXPECT_EQ(object, static_cast<void*>(Plug));
    void* unknownA = nullptr;
    void* unknownB = nullptr;
    Data->QueryInterface(IID_IUnknown, &unknownA);
    Plug->QueryInterface(IID_IUnknown, &unknownB);
    EXPECT_EQ(unknownA, unknownB);
    EXPECT_EQ(Plug->AddRef(), 6u);  // ours, Data, the three above, this one
    for (int i = 0; i < 4; ++i) Plug->Release();

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(Data->QueryInterface(IID_IPlugin, &object), MVX_E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Data->QueryInterface(IID_IData, nullptr), MVX_E_POINTER);
    EXPECT_EQ(Data->AddRef(), 3u);
    Data->Release();
}

}  // namespace
