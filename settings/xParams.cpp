#include "settings/xParams.h"

#include <string>

#include "console/xConsole.h"

TParams* Params = nullptr;

namespace {

const char* const ColorsSection = "COLORS";
const char* const FlagsSection = "FLAGS";

std::string ColorKey(int i) { return "CL_" + std::to_string(i); }
std::string FlagKey(int i) { return "F_" + std::to_string(i); }

}  // namespace

TParams::TParams() {
    Console->Information("creating Params");
    for (int i = 1; i <= 8; ++i) Colors[i] = DefaultColors[i];
    for (int i = 1; i <= 7; ++i) Flags[i] = true;

    // Every key falls back to the value just set, so a missing key keeps its default.
    IniOpen(Console);
    for (int i = 1; i <= 8; ++i)
        Colors[i] = IniReadInteger(Console, ColorsSection, ColorKey(i), Colors[i]);
    for (int i = 1; i <= 7; ++i)
        Flags[i] = IniReadBool(Console, FlagsSection, FlagKey(i), Flags[i]);
    IniClose(Console);
}

TParams::~TParams() {
    IniOpen(Console);
    for (int i = 1; i <= 8; ++i) IniWriteInteger(Console, ColorsSection, ColorKey(i), Colors[i]);
    for (int i = 1; i <= 7; ++i) IniWriteBool(Console, FlagsSection, FlagKey(i), Flags[i]);
    IniClose(Console);
}
