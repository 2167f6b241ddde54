#include "cli/ConsoleModules.h"

#include <filesystem>

#include "console/xConsole.h"
#include "platform/SystemInfo.h"
#include "settings/xParams.h"

TProgramModules::TProgramModules(IConsoleSink* sink, const std::string& settingsFile,
                                 bool settingsReadOnly) {
    Console = new TConsole(sink, settingsFile);
    Console->SettingsReadOnly = settingsReadOnly;
    Params = new TParams;
}

TProgramModules::~TProgramModules() {
    // Reverse order: the parameters write their sections while the console still exists.
    delete Params;
    Params = nullptr;
    delete Console;
    Console = nullptr;
}

std::string DesktopSettingsFileName() {
    const std::filesystem::path folder = std::filesystem::path(ProgramPath()).parent_path();
    return DefaultSettingsFileName((folder / "morvex").string());
}
