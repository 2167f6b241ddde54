#pragma once
// The console: the program-wide service object. Command registry and dispatcher,
// tokenizer and completion, log and fatal check, settings-file access, program information.
// Declarations here are the contract the rest of the core codes against.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console/IConsoleSink.h"

class TTokenizer;
class TInfo;
class TProfileFile;

inline constexpr std::int32_t S_OK_ = 0;
inline constexpr std::int32_t E_FAIL_ = static_cast<std::int32_t>(0x80004005u);
inline bool Failed(std::int32_t result) { return result < 0; }

enum TConKind : std::uint8_t { kindNone = 0, kindBool = 1, kindInt = 2, kindFloat = 3, kindStr = 4 };

// One parsed command argument.
struct TConArg {
    std::string Text;          // the token, kind str only
    std::uint8_t Kind = 0;
    union {
        bool Bool;
        std::int32_t Int;
        double Float;
        std::uint8_t Bytes[8];
    } Value{};
};

// Base of every object that owns console commands.
class TConClient {
public:
    virtual ~TConClient() = default;
    virtual void RegisterCommands() = 0;
    virtual bool ExecuteCommand(std::int32_t id, const TConArg* args, std::int32_t count) = 0;
};

struct TCommand {
    TConClient* Client = nullptr;
    std::int32_t Id = 0;
    std::string Name;
    void* Storage = nullptr;  // null marks a command
    std::uint8_t Kind = 0;
    bool ReadOnly = false;
};

struct TRoot {
    std::string Name;
    std::vector<TCommand> Entries;
};

class TConsole {
public:
    // window: where the log goes (not owned; must outlive the console); null: nowhere.
    // settingsFileName: the settings file (see DefaultSettingsFileName).
    TConsole(IConsoleSink* window, std::string settingsFileName);
    ~TConsole();
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;

    // Registry and dispatcher.
    std::int32_t RegisterRoot(const std::string& name);
    std::int32_t RegisterCommand(std::int32_t root, std::int32_t id, const std::string& name);
    std::int32_t RegisterVariable(std::int32_t root, std::int32_t id, const std::string& name,
                                  void* storage, std::uint8_t kind, bool readOnly);
    void RegisterClient(TConClient* client);
    // Drops the entries of a client that is going away, so that no command or variable
    // reaches a freed object (roots stay). Clients call it from their destructor.
    void UnregisterClient(TConClient* client);
    std::int32_t ExecuteLine(const std::string& line);
    std::int32_t FindRoot(const std::string& name) const;
    std::int32_t FindCommand(const std::string& name, std::int32_t root, TCommand** entry);
    std::int32_t SetVariable(TCommand* entry, const TConArg* args, std::int32_t count);
    void ShowValue(const std::string& label, const void* address, std::uint8_t kind);
    void ListRoot(std::int32_t root);
    std::int32_t ConsoleCommand(std::int32_t id, const TConArg* args, std::int32_t count);

    // Prompt and completion.
    std::string GetPrompt();
    static bool IsPrefix(const std::string& s, const std::string& p);
    std::int32_t CompleteLine(std::string& line);
    bool TryComplete(std::string& line);

    // Log.
    void WriteLine(const std::string& text, bool indented = false);
    void Information(const std::string& text);
    void Error(const std::string& text);
    void Warning(const std::string& text) { Log(text, 1); }
    void Log(const std::string& text, std::uint8_t level);
    void ProcessPendingMessages();

    // Fields.
    std::vector<TRoot> Roots;
    TConClient* CurrentClient = nullptr;
    IConsoleSink* Window = nullptr;
    std::array<TConArg, 16> Args{};
    std::int32_t ArgCount = 0;
    std::unique_ptr<TTokenizer> Tokenizer;
    std::int32_t CurrentRoot = 0;
    std::int32_t PromptLength = 1;
    bool AutoComplete = true;
    bool Echo = true;
    std::unique_ptr<TInfo> Info;
    std::unique_ptr<TProfileFile> SettingsObject;
    std::string SettingsFileName;
    bool IniFile = true;
    // When set, settings are read but never written (the batch front end's mode).
    bool SettingsReadOnly = false;
    // A failed settings write has been reported; further failures stay quiet until a
    // write succeeds again, so one failing shutdown logs one line, not one per key.
    bool SettingsWriteFailed = false;
};

// Letters A to Z lowered, every other character kept (names and command lines).
std::string LowerCaseAscii(std::string text);

// The one console of the process; null before it is created and after it is freed.
extern TConsole* Console;

// The program's assertion: when cond is false, logs " FATAL: [id] text", shows the log
// as a modal report and ends the process with exit code 1 without any shutdown.
void FatalCheck(bool cond, const std::string& id, const std::string& text);

// Settings-file routines (first argument: the console).
bool IniOpen(TConsole* console, const std::string& fileName = "");
void IniClose(TConsole* console);
bool IniReadBool(TConsole* console, const std::string& section, const std::string& key, bool def);
std::int32_t IniReadInteger(TConsole* console, const std::string& section, const std::string& key,
                            std::int32_t def);
std::string IniReadString(TConsole* console, const std::string& section, const std::string& key,
                          const std::string& def);
void IniWriteBool(TConsole* console, const std::string& section, const std::string& key, bool value);
void IniWriteInteger(TConsole* console, const std::string& section, const std::string& key,
                     std::int32_t value);
void IniWriteString(TConsole* console, const std::string& section, const std::string& key,
                    const std::string& value);

// The settings file of the program at programPath: its path with ".ini"; when that folder
// is not writable, $XDG_CONFIG_HOME/morvex/morvex.ini (default ~/.config/morvex/morvex.ini).
std::string DefaultSettingsFileName(const std::string& programPath);
