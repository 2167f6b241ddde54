// The settings routines: every object reads and writes its settings section through these.
#include <filesystem>

#include "console/xConsole.h"
#include "platform/ProfileFile.h"
#include "platform/SystemInfo.h"

namespace {

// A write that did not reach the file: one error line, until a write succeeds again.
void ReportWrite(TConsole* console, bool written) {
    if (written) {
        console->SettingsWriteFailed = false;
        return;
    }
    if (console->SettingsWriteFailed) return;
    console->SettingsWriteFailed = true;
    console->Error("settings not saved: cannot write \"" + console->SettingsObject->FileName() +
                   "\": " + console->SettingsObject->LastError());
}

}  // namespace

bool IniOpen(TConsole* console, const std::string& fileName) {
    if (!console->IniFile) return false;
    console->SettingsObject.reset();
    console->SettingsObject =
        std::make_unique<TProfileFile>(fileName.empty() ? console->SettingsFileName : fileName);
    FatalCheck(console->SettingsObject != nullptr, "{F454360E-1168-4708-886E-503A34FB16DB}", "");
    // Each write replaces the file at once; the close flushes the section to the disk.
    console->SettingsObject->DeferSync = true;
    return true;
}

void IniClose(TConsole* console) {
    if (!console->IniFile) return;
    FatalCheck(console->SettingsObject != nullptr, "{EC93B634-F71F-4548-98B6-54CCCF19D5C5}", "");
    console->SettingsObject->Sync();
    console->SettingsObject.reset();
}

bool IniReadBool(TConsole* console, const std::string& section, const std::string& key, bool def) {
    if (!console->IniFile) return def;
    FatalCheck(console->SettingsObject != nullptr, "{7AA39289-BF27-48BD-99DF-D726A101A3D3}", "");
    return console->SettingsObject->ReadBool(section, key, def);
}

std::int32_t IniReadInteger(TConsole* console, const std::string& section, const std::string& key,
                            std::int32_t def) {
    if (!console->IniFile) return def;
    FatalCheck(console->SettingsObject != nullptr, "{8DA9F6F3-1C2E-418B-B575-3D4CED4D30A0}", "");
    return console->SettingsObject->ReadInteger(section, key, def);
}

std::string IniReadString(TConsole* console, const std::string& section, const std::string& key,
                          const std::string& def) {
    if (!console->IniFile) return def;
    FatalCheck(console->SettingsObject != nullptr, "{62BF0809-5E9C-470B-92F9-AB6ED8BB580C}", "");
    return console->SettingsObject->ReadString(section, key, def);
}

void IniWriteBool(TConsole* console, const std::string& section, const std::string& key, bool value) {
    if (!console->IniFile) return;
    FatalCheck(console->SettingsObject != nullptr, "{CF244D58-A925-46B0-BB92-6F9703A646D9}", "");
    if (!console->SettingsReadOnly)
        ReportWrite(console, console->SettingsObject->WriteBool(section, key, value));
}

void IniWriteInteger(TConsole* console, const std::string& section, const std::string& key,
                     std::int32_t value) {
    if (!console->IniFile) return;
    FatalCheck(console->SettingsObject != nullptr, "{E456AA06-8197-4219-8BA2-E157654D1625}", "");
    if (!console->SettingsReadOnly)
        ReportWrite(console, console->SettingsObject->WriteInteger(section, key, value));
}

void IniWriteString(TConsole* console, const std::string& section, const std::string& key,
                    const std::string& value) {
    if (!console->IniFile) return;
    FatalCheck(console->SettingsObject != nullptr, "{BCF031B0-36FE-43F8-9A3A-1137ADDCD5E5}", "");
    if (!console->SettingsReadOnly)
        ReportWrite(console, console->SettingsObject->WriteString(section, key, value));
}

std::string DefaultSettingsFileName(const std::string& programPath) {
    std::filesystem::path ini(programPath);
    ini.replace_extension(".ini");
    const std::filesystem::path folder = ini.has_parent_path() ? ini.parent_path() : ".";
    if (IsFolderWritable(folder.string())) return ini.string();
    const std::string config = UserConfigFolder();
    if (config.empty()) return ini.string();
    return config + "/morvex/morvex.ini";
}
