#pragma once
// An IData with values set directly by a test (no host behind it). Lives on the stack:
// Release never destroys it, the test checks the count instead.
#include <cstdint>
#include <vector>

#include "PlugInt.h"

struct TFakeFeature {
    double FillRadius = 0;
    double MaxRadius = 0;
    double Distance = 0;
    double Filling = 0;
    double X = 0;
    double Y = 0;
};

class TFakeData final : public IData {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (iid == IID_IData || iid == IID_IUnknown) {
            *object = static_cast<IData*>(this);
            AddRef();
            return MVX_S_OK;
        }
        *object = nullptr;
        return MVX_E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++Refs; }
    std::uint32_t Release() override { return --Refs; }

    MvxInteger GetCount() override { return static_cast<MvxInteger>(Features.size()); }
    MvxByte GetDims() override { return 1; }
    MvxText GetDimsName(MvxBoolean Short) override { return Short ? "um" : "micrometre"; }
    MvxReal GetDimsFactor() override { return 1e-6; }
    MvxReal GetMaxRadius(MvxInteger i) override { return At(i).MaxRadius; }
    MvxReal GetFillRadius(MvxInteger i) override { return At(i).FillRadius; }
    MvxReal GetX(MvxInteger i) override { return At(i).X; }
    MvxReal GetY(MvxInteger i) override { return At(i).Y; }
    MvxReal GetFilling(MvxInteger i) override { return At(i).Filling; }
    MvxReal GetDistance(MvxInteger i) override { return At(i).Distance; }
    MvxReal GetZoneX() override { return 0; }
    MvxReal GetZoneY() override { return 0; }
    MvxReal GetZoneWidth() override { return ZoneWidth; }
    MvxReal GetZoneHeight() override { return ZoneHeight; }

    std::vector<TFakeFeature> Features;
    double ZoneWidth = 10;
    double ZoneHeight = 20;
    std::uint32_t Refs = 0;

private:
    const TFakeFeature& At(MvxInteger i) const { return Features.at(static_cast<std::size_t>(i)); }
};
