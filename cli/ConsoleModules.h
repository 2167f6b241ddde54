#pragma once
// The program's modules, created in the desktop program's start-up order and freed in the
// reverse order: the console, then the display parameters. Every front end of morvex-cli
// runs between the two, so settings are read and written exactly as the desktop program
// does it.
#include <string>

class IConsoleSink;

class TProgramModules {
public:
    // settingsReadOnly: read the settings file but never write it.
    TProgramModules(IConsoleSink* sink, const std::string& settingsFile, bool settingsReadOnly);
    ~TProgramModules();
    TProgramModules(const TProgramModules&) = delete;
    TProgramModules& operator=(const TProgramModules&) = delete;
};

// The desktop program's settings file: morvex.ini beside it (it lives beside morvex-cli),
// or the user's configuration folder when that folder is not writable.
std::string DesktopSettingsFileName();
