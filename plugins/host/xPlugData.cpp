#include "plugins/host/xPlugData.h"

#include "kernel/xDot.h"
#include "settings/xScale.h"

TPlugData::TPlugData(const TScale& scale) : Scale(scale) { Clear(); }

TPlugData::~TPlugData() { Clear(); }

HRESULT TPlugData::QueryInterface(const GUID& iid, void** object) {
    if (object == nullptr) return MVX_E_POINTER;
    if (iid == IID_IPlugData || iid == IID_IUnknown) {
        *object = static_cast<IPlugData*>(this);
    } else if (iid == IID_IData) {
        *object = static_cast<IData*>(this);
    } else {
        *object = nullptr;
        return MVX_E_NOINTERFACE;
    }
    AddRef();
    return MVX_S_OK;
}

std::uint32_t TPlugData::AddRef() { return RefCount.fetch_add(1) + 1; }

std::uint32_t TPlugData::Release() {
    const std::uint32_t count = RefCount.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return count;
}

void TPlugData::Clear() {
    ZoneX = ZoneY = ZoneWidth = ZoneHeight = 0;
    Items.clear();
}

void TPlugData::AddDot(const TDot& Dot) {
    // Each value is formed in double and rounded once to float when stored.
    TDataRec r;
    r.X = static_cast<float>(Scale.Convert(Dot.X));
    r.Y = static_cast<float>(Scale.Convert(Dot.Y));
    r.MaxRadius = static_cast<float>(Scale.Convert(Dot.Radius));
    r.Filling = static_cast<float>(Dot.Filling);
    r.FillRadius = static_cast<float>(Scale.Convert(Dot.FillRadius));
    r.Distance = static_cast<float>(Dot.Distance);  // already in units
    Items.push_back(r);
}

void TPlugData::SetZone(const TZoneRect& Zone) {
    // Width and height in 64 bits: the difference of two extreme 32-bit edges does not fit.
    const double width = static_cast<double>(std::int64_t{Zone.Right} - Zone.Left + 1);
    const double height = static_cast<double>(std::int64_t{Zone.Bottom} - Zone.Top + 1);
    ZoneX = static_cast<float>(Scale.Convert(static_cast<double>(Zone.Left)));
    ZoneY = static_cast<float>(Scale.Convert(static_cast<double>(Zone.Top)));
    ZoneWidth = static_cast<float>(Scale.Convert(width));
    ZoneHeight = static_cast<float>(Scale.Convert(height));
}

const TDataRec* TPlugData::Item(MvxInteger index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Items.size()) return nullptr;
    return &Items[static_cast<std::size_t>(index)];
}

MvxInteger TPlugData::GetCount() { return static_cast<MvxInteger>(Items.size()); }
MvxByte TPlugData::GetDims() { return Scale.Dims; }
MvxText TPlugData::GetDimsName(MvxBoolean Short) { return Scale.DimsName(Short != 0); }
MvxReal TPlugData::GetDimsFactor() { return Scale.DimsFactor(); }

// A value of feature Index; 0 outside the list.
MvxReal TPlugData::ValueOf(MvxInteger Index, float TDataRec::*field) const {
    const TDataRec* r = Item(Index);
    return r ? r->*field : 0.0;
}

MvxReal TPlugData::GetMaxRadius(MvxInteger Index) { return ValueOf(Index, &TDataRec::MaxRadius); }
MvxReal TPlugData::GetFillRadius(MvxInteger Index) { return ValueOf(Index, &TDataRec::FillRadius); }
MvxReal TPlugData::GetX(MvxInteger Index) { return ValueOf(Index, &TDataRec::X); }
MvxReal TPlugData::GetY(MvxInteger Index) { return ValueOf(Index, &TDataRec::Y); }
MvxReal TPlugData::GetFilling(MvxInteger Index) { return ValueOf(Index, &TDataRec::Filling); }
MvxReal TPlugData::GetDistance(MvxInteger Index) { return ValueOf(Index, &TDataRec::Distance); }

MvxReal TPlugData::GetZoneX() { return ZoneX; }
MvxReal TPlugData::GetZoneY() { return ZoneY; }
MvxReal TPlugData::GetZoneWidth() { return ZoneWidth; }
MvxReal TPlugData::GetZoneHeight() { return ZoneHeight; }

IPlugData* CreatePlugData(const TScale& scale) {
    IPlugData* data = new TPlugData(scale);
    data->AddRef();
    return data;
}
