#include "plugins/host/xPlugExec.h"

#include "console/xConsole.h"

namespace {

// Holds one counted reference for the length of a scope.
template <class T>
class TRefGuard {
public:
    explicit TRefGuard(T* p) : P(p) {}
    ~TRefGuard() {
        if (P) P->Release();
    }
    TRefGuard(const TRefGuard&) = delete;
    TRefGuard& operator=(const TRefGuard&) = delete;
    T* P;
};

}  // namespace

void FillPlugData(IPlugData& data, const TZoneRect& zone, std::span<const TDot> dots,
                  const std::function<bool(const TDot&)>& passes) {
    data.Clear();
    data.SetZone(zone);
    for (const TDot& dot : dots)
        if (passes(dot)) data.AddDot(dot);
}

std::int32_t ExecutePluginOn(TPlugLib& lib, IPlugData& data, std::int32_t index, bool analysed,
                             const TZoneRect& zone, std::span<const TDot> dots,
                             const std::function<bool(const TDot&)>& passes) {
    FatalCheck(index >= 0 && index < lib.Count(), "{76AAF382-E858-11D7-8030-000102960A47}", "");
    if (!analysed) return MVX_E_FAIL;
    FillPlugData(data, zone, dots, passes);

    IPlugin* plugin = nullptr;
    lib.GetPlugin(index, &plugin);
    TRefGuard<IPlugin> pluginRef(plugin);
    void* object = nullptr;
    if (data.QueryInterface(IID_IData, &object) < 0 || object == nullptr) return MVX_E_FAIL;
    TRefGuard<IData> dataRef(static_cast<IData*>(object));
    try {
        return plugin->Execute(dataRef.P);
    } catch (...) {
        // An error escaping a plug-in is its failure, not the host's: report, do not unwind
        // through the user interface.
        return MVX_E_FAIL;
    }
}

void ReportPluginStatus(const TPlugLib& lib, std::int32_t index, std::int32_t status) {
    if (status >= 0 || Console == nullptr) return;
    Console->Error("Failed to execute plugin \"" + lib.Name(index) + "\"");
}
