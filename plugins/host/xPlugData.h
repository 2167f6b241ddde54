#pragma once
// The data provider: the one object through which plug-ins see the results of an analysis.
// The kernel fills it through IPlugData before each plug-in run; the plug-in reads it through
// IData. Values are a snapshot converted to the scale's unit when filled, stored as floats.
#include <atomic>
#include <cstdint>
#include <vector>

#include "PlugInt.h"

class TScale;
class TDot;

// {76AAF383-E858-11D7-8030-000102960A47}
inline constexpr GUID IID_IPlugData = {0x76AAF383, 0xE858, 0x11D7,
                                       {0x80, 0x30, 0x00, 0x01, 0x02, 0x96, 0x0A, 0x47}};

// A zone in picture pixels, both edges included.
struct TZoneRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

// The kernel's side of the data provider (host only; no plug-in sees it).
class IPlugData : public IUnknown {
public:
    virtual void Clear() = 0;                         // no features, zone 0
    virtual void AddDot(const TDot& Dot) = 0;         // appends the feature, converted to units
    virtual void SetZone(const TZoneRect& Zone) = 0;  // sets the four zone values

protected:
    ~IPlugData() = default;
};

// One feature's values, in units (Filling has none).
struct TDataRec {
    float X = 0;
    float Y = 0;
    float MaxRadius = 0;
    float Filling = 0;
    float FillRadius = 0;
    float Distance = 0;
};

class TPlugData final : public IPlugData, public IData {
public:
    // The scale converts pixels to units and answers the unit queries; it must outlive every
    // reference to this object. The reference count starts at 0: take one with AddRef.
    explicit TPlugData(const TScale& scale);
    TPlugData(const TPlugData&) = delete;
    TPlugData& operator=(const TPlugData&) = delete;

    // IUnknown (one identity for both interfaces).
    HRESULT QueryInterface(const GUID& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    // IPlugData
    void Clear() override;
    void AddDot(const TDot& Dot) override;
    void SetZone(const TZoneRect& Zone) override;

    // IData. A per-feature query with an index outside 0..GetCount()-1 answers 0.
    MvxInteger GetCount() override;
    MvxByte GetDims() override;
    MvxText GetDimsName(MvxBoolean Short) override;
    MvxReal GetDimsFactor() override;
    MvxReal GetMaxRadius(MvxInteger Index) override;
    MvxReal GetFillRadius(MvxInteger Index) override;
    MvxReal GetX(MvxInteger Index) override;
    MvxReal GetY(MvxInteger Index) override;
    MvxReal GetFilling(MvxInteger Index) override;
    MvxReal GetDistance(MvxInteger Index) override;
    MvxReal GetZoneX() override;
    MvxReal GetZoneY() override;
    MvxReal GetZoneWidth() override;
    MvxReal GetZoneHeight() override;

    float ZoneX = 0;
    float ZoneY = 0;
    float ZoneWidth = 0;
    float ZoneHeight = 0;
    std::vector<TDataRec> Items;
    const TScale& Scale;

private:
    ~TPlugData();
    const TDataRec* Item(MvxInteger index) const;
    MvxReal ValueOf(MvxInteger Index, float TDataRec::*field) const;
    std::atomic<std::uint32_t> RefCount{0};
};

// A new data provider on scale, returned with one counted reference held by the caller.
IPlugData* CreatePlugData(const TScale& scale);
