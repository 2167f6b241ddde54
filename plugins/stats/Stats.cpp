// Stats.mvx: the statistics plug-in's one export.
#include "PlugInt.h"
#include "uStats.h"
#include "xStats.h"

MORVEX_PLUGIN_EXPORT void CreateMorvexPlugin(IPlugin** Plugin, std::intptr_t AppHandle) {
    if (Plugin == nullptr) return;
    // No window yet: the first run makes it, so a process without a GUI can load the file.
    auto* stats = new TStats([AppHandle] { return MakeStatsWindow(AppHandle); });
    stats->AddRef();
    *Plugin = stats;
}
