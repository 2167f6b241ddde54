#include "plugins/host/xPlugLib.h"

#include <dlfcn.h>
#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "console/xConsole.h"

namespace fs = std::filesystem;

namespace {

void Inform(const std::string& text) {
    if (Console) Console->Information(text);
}

// The entries of folder as (name, is a real folder) pairs, sorted by name so that the load
// order does not depend on the file system. A missing or unreadable folder has none.
std::vector<std::pair<std::string, bool>> FolderEntries(const std::string& folder) {
    std::vector<std::pair<std::string, bool>> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        // symlink_status: a link to a folder is not a folder here, so links are never followed.
        std::error_code sec;
        const bool isDir = it->symlink_status(sec).type() == fs::file_type::directory;
        entries.emplace_back(it->path().filename().string(), isDir);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

}  // namespace

TPlugRec::~TPlugRec() {
    // The plug-in object (and its windows) must go while its code is still loaded.
    if (Plugin) {
        Plugin->Release();
        Plugin = nullptr;
    }
    if (Handle) {
        dlclose(Handle);
        Handle = nullptr;
    }
}

bool TPlugRec::Load(const std::string& FileName, std::intptr_t AppHandle) {
    // RTLD_NOW: a file with unresolved symbols fails here rather than later in a call.
    Handle = dlopen(FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) return false;
    auto create = reinterpret_cast<TCreateMorvexPlugin>(dlsym(Handle, CreateMorvexPluginName));
    IPlugin* plugin = nullptr;
    if (create) {
        try {
            create(&plugin, AppHandle);
        } catch (...) {
            // A factory that fails offers no plug-in; whatever it stored is not trusted.
            plugin = nullptr;
        }
    }
    // The factory's reference becomes Plugin's (taking one and dropping the local one).
    Plugin = plugin;
    if (!Plugin) {
        dlclose(Handle);
        Handle = nullptr;
        return false;
    }
    const char* name = Plugin->GetName();
    Name = name ? name : "";
    return true;
}

TPlugLib::TPlugLib(const std::string& Folder, const std::string& Mask, std::intptr_t AppHandle)
    : AppHandle(AppHandle) {
    Inform("creating PlugLib");
    Scan(Folder, Mask);
    Inform(std::to_string(Count()) + " plugin(s) found");
}

TPlugLib::~TPlugLib() { Clear(); }

std::int32_t TPlugLib::Count() const { return static_cast<std::int32_t>(List.size()); }

void TPlugLib::GetPlugin(std::int32_t Index, IPlugin** Plugin) const {
    FatalCheck(Index >= 0 && Index < Count(), "{3AF06F82-E837-11D7-8030-000102960A47}", "");
    IPlugin* p = List[static_cast<std::size_t>(Index)]->Plugin;
    p->AddRef();
    *Plugin = p;
}

const std::string& TPlugLib::Name(std::int32_t Index) const {
    FatalCheck(Index >= 0 && Index < Count(), "{3AF06F82-E837-11D7-8030-000102960A47}", "");
    return List[static_cast<std::size_t>(Index)]->Name;
}

void TPlugLib::Clear() {
    // In load order; each record releases its plug-in before unloading its file.
    for (auto& rec : List) rec.reset();
    List.clear();
}

void TPlugLib::Scan(const std::string& Folder, const std::string& Mask) {
    const std::string folder =
        Folder.empty() || Folder.back() == '/' ? Folder : Folder + "/";
    const auto entries = FolderEntries(folder);
    // Every entry that matches is tried, whatever its kind: a folder simply fails to load.
    for (const auto& [name, isDir] : entries)
        if (fnmatch(Mask.c_str(), name.c_str(), 0) == 0) LoadPlugin(folder + name);
    // Then the sub-folders, depth first; hidden ones (".name") and links are not entered.
    for (const auto& [name, isDir] : entries)
        if (isDir && name[0] != '.') Scan(folder + name + "/", Mask);
}

void TPlugLib::LoadPlugin(const std::string& FileName) {
    auto rec = std::make_unique<TPlugRec>();
    if (!rec->Load(FileName, AppHandle)) return;
    Inform("plugin \"" + rec->Name + "\" loaded");
    List.push_back(std::move(rec));
}
