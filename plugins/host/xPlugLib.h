#pragma once
// The plug-in library: finds the plug-in files of a folder and its sub-folders, loads each
// one, obtains its IPlugin through the file's factory, and keeps the loaded plug-ins,
// numbered in load order, until it is destroyed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PlugInt.h"

// One loaded plug-in: the library file and the plug-in object.
class TPlugRec {
public:
    TPlugRec() = default;
    ~TPlugRec();  // drops Plugin first, then unloads the library
    TPlugRec(const TPlugRec&) = delete;
    TPlugRec& operator=(const TPlugRec&) = delete;

    // Loads FileName as a library and obtains its plug-in; false (nothing kept loaded) when
    // the file is no library, lacks the export or offers no plug-in.
    bool Load(const std::string& FileName, std::intptr_t AppHandle);

    void* Handle = nullptr;     // dlopen handle; null when nothing is loaded
    IPlugin* Plugin = nullptr;  // counted reference; null when the file offered none
    std::string Name;           // GetName, copied when loaded
};

class TPlugLib {
public:
    // Folder ends in a path separator; Mask is a file-name pattern such as "*.mvx".
    // AppHandle is handed to every factory: the host's main window (a QWidget*) or 0.
    TPlugLib(const std::string& Folder, const std::string& Mask, std::intptr_t AppHandle = 0);
    ~TPlugLib();
    TPlugLib(const TPlugLib&) = delete;
    TPlugLib& operator=(const TPlugLib&) = delete;

    std::int32_t Count() const;
    // Stores a counted reference to plug-in number Index in *Plugin (the caller releases
    // it). An Index outside 0..Count()-1 fails a fatal check.
    void GetPlugin(std::int32_t Index, IPlugin** Plugin) const;
    // The plug-in's name as copied when it was loaded (same Index rule).
    const std::string& Name(std::int32_t Index) const;
    // Releases and unloads every plug-in, in load order.
    void Clear();
    // Loads the plug-in files of Folder, then those of its sub-folders, depth first.
    void Scan(const std::string& Folder, const std::string& Mask);
    // Tries one file (full path); a file that offers no plug-in is skipped silently.
    void LoadPlugin(const std::string& FileName);

    std::vector<std::unique_ptr<TPlugRec>> List;

private:
    std::intptr_t AppHandle = 0;
};
