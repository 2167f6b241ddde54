// A minimal Morvex plug-in: reports the number of features and their mean fill radius on
// standard output. Build it with
//   g++ -std=c++20 -shared -fPIC -fvisibility=hidden -I<morvex>/plugins/include
//       Example.cpp -o Example.mvx
// and put Example.mvx into the Plugins folder beside the program.
#include <atomic>
#include <charconv>
#include <cstdio>

#include "PlugInt.h"

namespace {

class TExample final : public IPlugin {
public:
    HRESULT QueryInterface(const GUID& iid, void** object) override {
        if (object == nullptr) return MVX_E_POINTER;
        if (iid == IID_IPlugin || iid == IID_IUnknown) {
            *object = static_cast<IPlugin*>(this);
            AddRef();
            return MVX_S_OK;
        }
        *object = nullptr;
        return MVX_E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++Refs; }
    std::uint32_t Release() override {
        const std::uint32_t n = --Refs;
        if (n == 0) delete this;  // the last reference destroys the object
        return n;
    }

    // Texts are constants of this module: the host copies them, never frees them.
    MvxText GetID() override { return "{5E1A2C6B-0D7F-4E88-9C3A-6F2B1D0E4A77}"; }
    MvxText GetName() override { return "Example"; }

    // Data is lent for this call only (AddRef it to keep it).
    HRESULT Execute(IData* Data) override {
        const MvxInteger n = Data->GetCount();
        double sum = 0;
        for (MvxInteger i = 0; i < n; ++i) sum += Data->GetFillRadius(i);
        char mean[32];
        // to_chars: a "." whatever the locale.
        *std::to_chars(mean, mean + sizeof mean - 1, n > 0 ? sum / n : 0.0).ptr = '\0';
        std::printf("Example: %d feature(s), mean fill radius %s %s\n", n, mean,
                    Data->GetDimsName(1));
        return MVX_S_OK;
    }

private:
    ~TExample() = default;  // only Release destroys
    std::atomic<std::uint32_t> Refs{0};
};

}  // namespace

MORVEX_PLUGIN_EXPORT void CreateMorvexPlugin(IPlugin** Plugin, std::intptr_t /*AppHandle*/) {
    auto* plugin = new TExample;
    plugin->AddRef();  // the one reference the host keeps
    *Plugin = plugin;
}
