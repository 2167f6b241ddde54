#pragma once
// The binary contract between Morvex and its plug-ins. This header is the only code the
// host and a plug-in share; a plug-in is built against it and nothing else of the host.
//
// Layout: every interface is a C++ struct of pure virtual functions deriving from IUnknown.
// On the Itanium C++ ABI (g++, clang on Linux) an object's first word points to a table of
// its virtual functions in declaration order, which is the COM layout: QueryInterface,
// AddRef and Release in the first three slots, then the methods below in the order given.
// That order is the contract and never changes. The interfaces have no virtual destructor
// (it would add table slots); objects are destroyed by their own Release.
//
// Lifetime follows the COM rules: the factory hands out one counted reference; whoever
// keeps a reference beyond a call takes its own with AddRef and drops it with Release.
// Texts crossing the contract (const char*) are constants of the module that returns them:
// the receiver copies what it keeps and never frees them.
#include <cstdint>

// COM's 16-byte interface identifier.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}

// Value types of the contract.
using HRESULT = std::int32_t;      // COM status: 0 or more success, negative failure
using MvxInteger = std::int32_t;
using MvxByte = std::uint8_t;
using MvxBoolean = std::uint8_t;   // one byte: 0 false, any other value true
using MvxReal = double;            // IEEE 754 binary64
using MvxText = const char*;       // NUL-terminated, owned by the returning module
using MvxWindowHandle = std::intptr_t;  // the host's main window (a QWidget*) as an integer

inline constexpr HRESULT MVX_S_OK = 0;
inline constexpr HRESULT MVX_E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT MVX_E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT MVX_E_FAIL = static_cast<HRESULT>(0x80004005u);

// {00000000-0000-0000-C000-000000000046}
inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                      {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {3AF06F81-E837-11D7-8030-000102960A47}
inline constexpr GUID IID_IPlugin = {0x3AF06F81, 0xE837, 0x11D7,
                                     {0x80, 0x30, 0x00, 0x01, 0x02, 0x96, 0x0A, 0x47}};
// {3AF06F80-E837-11D7-8030-000102960A47}
inline constexpr GUID IID_IData = {0x3AF06F80, 0xE837, 0x11D7,
                                   {0x80, 0x30, 0x00, 0x01, 0x02, 0x96, 0x0A, 0x47}};

struct IUnknown {
    // Stores a counted reference to the interface iid in *object (MVX_S_OK), or null and
    // MVX_E_NOINTERFACE when the object does not offer it.
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;   // returns the new count
    virtual std::uint32_t Release() = 0;  // returns the new count; 0 destroyed the object

protected:
    ~IUnknown() = default;
};

// The data of one analysis, handed to IPlugin::Execute. Index runs from 0 to GetCount() - 1
// over the features in the order of the host's feature list. Lengths are in the scale's unit
// (GetDimsName), coordinates from the top-left corner of the whole picture. Per-feature and
// zone values carry single precision (stored as 32-bit floats, widened on reading).
struct IData : IUnknown {
    virtual MvxInteger GetCount() = 0;                     // features handed over
    virtual MvxByte GetDims() = 0;                         // 0 nm, 1 um, 2 mm, 3 cm, 4 m
    virtual MvxText GetDimsName(MvxBoolean Short) = 0;     // "um" / "micrometre"; "unknown"
    virtual MvxReal GetDimsFactor() = 0;                   // metres per unit; 0 when unknown
    virtual MvxReal GetMaxRadius(MvxInteger Index) = 0;    // largest centre-to-pixel distance
    virtual MvxReal GetFillRadius(MvxInteger Index) = 0;   // sqrt(pixel count / pi), converted
    virtual MvxReal GetX(MvxInteger Index) = 0;            // centre, mean of pixel centres
    virtual MvxReal GetY(MvxInteger Index) = 0;
    virtual MvxReal GetFilling(MvxInteger Index) = 0;      // N / (pi r^2), no unit
    virtual MvxReal GetDistance(MvxInteger Index) = 0;     // to the nearest passing feature
    virtual MvxReal GetZoneX() = 0;                        // zone's left edge
    virtual MvxReal GetZoneY() = 0;                        // zone's top edge
    virtual MvxReal GetZoneWidth() = 0;
    virtual MvxReal GetZoneHeight() = 0;

protected:
    ~IData() = default;
};

// Implemented by every plug-in.
struct IPlugin : IUnknown {
    virtual MvxText GetID() = 0;    // the plug-in's GUID in braced text form
    virtual MvxText GetName() = 0;  // the name the host shows in its menu
    // Runs the plug-in on Data and returns when done: 0 or more success, negative failure.
    // Data is lent for the call; keep it beyond the call only with AddRef.
    virtual HRESULT Execute(IData* Data) = 0;

protected:
    ~IPlugin() = default;
};

// The one export of a plug-in file. The host sets *Plugin to null before the call; the
// plug-in stores one counted reference to a new plug-in object in it, or leaves it null
// when it offers none. AppHandle is the host's main window, for owning the plug-in's windows.
using TCreateMorvexPlugin = void (*)(IPlugin** Plugin, std::intptr_t AppHandle);
inline constexpr const char* CreateMorvexPluginName = "CreateMorvexPlugin";

#define MORVEX_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

MORVEX_PLUGIN_EXPORT void CreateMorvexPlugin(IPlugin** Plugin, std::intptr_t AppHandle);
