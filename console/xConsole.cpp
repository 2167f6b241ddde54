// The console object: creation, command registry, dispatcher and built-in commands.
#include "console/xConsole.h"

#include <clocale>
#include <ctime>

#include "console/xInfo.h"
#include "console/xTokenizer.h"
#include "platform/NumberFormat.h"
#include "platform/ProfileFile.h"
#include "platform/SystemInfo.h"

TConsole* Console = nullptr;

namespace {

// Stands in for the window when a console is made without one: output goes nowhere.
class TNullSink final : public IConsoleSink {
public:
    void AppendLine(const std::string&) override {}
    void ColorLastLinePrefix(int, std::uint32_t) override {}
    void ShowWindow() override {}
    void HideWindow() override {}
    bool IsWindowVisible() const override { return false; }
    void ClearOutput() override {}
    void ShowFatalReport() override {}
    void ProcessPendingMessages() override {}
    void RequestQuit(int) override {}
};
TNullSink NullSink;

enum TConsoleCommandId : std::int32_t { cmdClear = 1, cmdHide = 2, cmdQuit = 3, cmdInfo = 4, cmdTest = 5 };

// One command-line token as an argument: bool words, then int, then float, else str.
void ConvertArgument(const std::string& token, TConArg& arg) {
    arg = TConArg{};
    std::int32_t i = 0;
    double d = 0;
    if (token == "true" || token == "on") {
        arg.Kind = kindBool;
        arg.Value.Bool = true;
    } else if (token == "false" || token == "off") {
        arg.Kind = kindBool;
        arg.Value.Bool = false;
    } else if (ParseInt32(token, i)) {
        arg.Kind = kindInt;
        arg.Value.Int = i;
    } else if (ParseDouble(token, d)) {
        arg.Kind = kindFloat;
        arg.Value.Float = d;
    } else {
        arg.Kind = kindStr;
        arg.Text = token;
    }
}

// Where the value of an argument of its kind lives, for ShowValue.
const void* ArgumentValue(const TConArg& arg) {
    return arg.Kind == kindStr ? static_cast<const void*>(&arg.Text)
                               : static_cast<const void*>(&arg.Value);
}

}  // namespace

std::string LowerCaseAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

TConsole::TConsole(IConsoleSink* window, std::string settingsFileName) {
    // Numbers are formatted by our own locale-free routines; this keeps any C library
    // conversion on "." as well.
    std::setlocale(LC_NUMERIC, "C");
    Window = window != nullptr ? window : &NullSink;
    Tokenizer = std::make_unique<TTokenizer>(ConsoleDelimiters);
    Info = std::make_unique<TInfo>();
    SettingsFileName = std::move(settingsFileName);

    CurrentRoot = RegisterRoot("");
    const std::int32_t console = RegisterRoot("console");
    RegisterCommand(0, cmdClear, "clear");
    RegisterCommand(0, cmdHide, "hide");
    RegisterCommand(0, cmdQuit, "quit");
    RegisterCommand(0, cmdInfo, "info");
    RegisterVariable(console, -1, "AutoComplete", &AutoComplete, kindBool, false);
    RegisterVariable(console, -1, "Echo", &Echo, kindBool, false);
    RegisterVariable(console, -1, "IniFile", &IniFile, kindBool, false);
    RegisterCommand(console, cmdTest, "test");

    ExecuteLine("info");
}

TConsole::~TConsole() {
    Info.reset();
    Tokenizer.reset();
    Roots.clear();
    SettingsObject.reset();
    if (Console == this) Console = nullptr;
}

std::int32_t TConsole::RegisterRoot(const std::string& name) {
    const std::string lower = LowerCaseAscii(name);
    for (std::size_t i = 0; i < Roots.size(); ++i)
        if (Roots[i].Name == lower) return static_cast<std::int32_t>(i);
    Roots.push_back(TRoot{lower, {}});
    return static_cast<std::int32_t>(Roots.size() - 1);
}

std::int32_t TConsole::RegisterCommand(std::int32_t root, std::int32_t id, const std::string& name) {
    FatalCheck(root >= 0 && root < static_cast<std::int32_t>(Roots.size()), "31B2E189", "");
    const std::string lower = LowerCaseAscii(name);
    TCommand* existing = nullptr;
    if (!Failed(FindCommand(lower, root, &existing))) {
        Error("command " + Roots[root].Name + "." + lower + " already exists");
        return E_FAIL_;
    }
    Roots[root].Entries.push_back(TCommand{CurrentClient, id, lower, nullptr, kindNone, false});
    return S_OK_;
}

std::int32_t TConsole::RegisterVariable(std::int32_t root, std::int32_t id, const std::string& name,
                                        void* storage, std::uint8_t kind, bool readOnly) {
    FatalCheck(root >= 0 && root < static_cast<std::int32_t>(Roots.size()) && kind != kindNone,
               "F18C27D5", "");
    const std::string lower = LowerCaseAscii(name);
    TCommand* existing = nullptr;
    if (!Failed(FindCommand(lower, root, &existing))) {
        Error("variable " + Roots[root].Name + "." + lower + " already exists");
        return E_FAIL_;
    }
    Roots[root].Entries.push_back(TCommand{CurrentClient, id, lower, storage, kind, readOnly});
    return S_OK_;
}

void TConsole::RegisterClient(TConClient* client) {
    FatalCheck(client != nullptr, "EAC7D268", "");
    CurrentClient = client;
    client->RegisterCommands();
    CurrentClient = nullptr;
}

void TConsole::UnregisterClient(TConClient* client) {
    if (client == nullptr) return;
    for (TRoot& root : Roots)
        std::erase_if(root.Entries, [client](const TCommand& e) { return e.Client == client; });
}

std::int32_t TConsole::FindRoot(const std::string& name) const {
    if (Roots.empty()) return -1;
    const std::string lower = LowerCaseAscii(name);
    for (std::size_t i = 0; i < Roots.size(); ++i)
        if (Roots[i].Name == lower) return static_cast<std::int32_t>(i);
    return 0;
}

std::int32_t TConsole::FindCommand(const std::string& name, std::int32_t root, TCommand** entry) {
    FatalCheck(root >= 0 && root < static_cast<std::int32_t>(Roots.size()), "A08CE3E4", "");
    const std::string lower = LowerCaseAscii(name);
    for (TCommand& e : Roots[root].Entries) {
        if (e.Name == lower) {
            *entry = &e;
            return S_OK_;
        }
    }
    *entry = nullptr;
    return E_FAIL_;
}

std::int32_t TConsole::ExecuteLine(const std::string& line) {
    std::int32_t result = S_OK_;
    if (!Tokenizer->Start(LowerCaseAscii(line))) return S_OK_;

    // A leading root name (the prompt puts the current root's name there) selects the
    // root; a root name alone enters it.
    std::string token = Tokenizer->Token;
    std::int32_t root = FindRoot(token);
    if (root > 0) {
        if (!Tokenizer->Next()) {
            CurrentRoot = root;
            return S_OK_;
        }
        token = Tokenizer->Token;
    }
    if (root == CurrentRoot) {
        const std::int32_t second = FindRoot(token);
        if (second > 0) {
            if (!Tokenizer->Next()) {
                CurrentRoot = second;
                return S_OK_;
            }
            token = Tokenizer->Token;
            root = second;
        } else if (second == 0) {
            root = CurrentRoot;
        }
    }

    if (token == "..") {
        CurrentRoot = 0;
        return S_OK_;
    }
    if (token == "?") {
        ListRoot(root);
        return S_OK_;
    }

    TCommand* entry = nullptr;
    if (Failed(FindCommand(token, root, &entry)) && Failed(FindCommand(token, 0, &entry))) {
        Error("unknown command \"" + token + "\"");
        return E_FAIL_;
    }

    ArgCount = 0;
    while (ArgCount < static_cast<std::int32_t>(Args.size()) && Tokenizer->Next()) {
        ConvertArgument(Tokenizer->Token, Args[ArgCount]);
        ++ArgCount;
    }

    if (entry->Storage != nullptr)
        result = SetVariable(entry, Args.data(), ArgCount);
    else if (entry->Client != nullptr)
        result = entry->Client->ExecuteCommand(entry->Id, Args.data(), ArgCount) ? S_OK_ : E_FAIL_;
    else
        result = ConsoleCommand(entry->Id, Args.data(), ArgCount);

    if (Failed(result)) Error("failed to execute \"" + line + "\"");
    ArgCount = 0;
    return result;
}

std::int32_t TConsole::SetVariable(TCommand* entry, const TConArg* args, std::int32_t count) {
    FatalCheck(entry != nullptr, "3F2A9397", "");
    if (entry->Storage == nullptr) return E_FAIL_;
    if (count > 0 && entry->ReadOnly) {
        Error("variable is READ_ONLY");
    } else if (count > 0) {
        const TConArg& arg = args[0];
        if (arg.Kind == entry->Kind || (arg.Kind == kindInt && entry->Kind == kindFloat)) {
            switch (entry->Kind) {
            case kindBool: *static_cast<bool*>(entry->Storage) = arg.Value.Bool; break;
            case kindInt: *static_cast<std::int32_t*>(entry->Storage) = arg.Value.Int; break;
            case kindFloat:
                *static_cast<double*>(entry->Storage) =
                    arg.Kind == kindInt ? static_cast<double>(arg.Value.Int) : arg.Value.Float;
                break;
            case kindStr: *static_cast<std::string*>(entry->Storage) = arg.Text; break;
            default: break;
            }
            // The owner hears of the change and may refuse it.
            if (entry->Client != nullptr && entry->Id >= 0 &&
                !entry->Client->ExecuteCommand(entry->Id, args, count))
                return E_FAIL_;
        } else {
            Error("incompatible types");
        }
    }
    ShowValue(entry->Name, entry->Storage, entry->Kind);
    return S_OK_;
}

void TConsole::ShowValue(const std::string& label, const void* address, std::uint8_t kind) {
    std::string value;
    switch (kind) {
    case kindBool:
        value = *static_cast<const std::uint8_t*>(address) != 0 ? "ON (TRUE)" : "OFF (FALSE)";
        break;
    case kindInt: value = std::to_string(*static_cast<const std::int32_t*>(address)); break;
    case kindFloat: value = FormatGeneral(*static_cast<const double*>(address)); break;
    case kindStr: value = *static_cast<const std::string*>(address); break;
    default: return;
    }
    WriteLine(label + " = " + value);
}

void TConsole::ListRoot(std::int32_t root) {
    if (root < 0 || root >= static_cast<std::int32_t>(Roots.size())) return;
    WriteLine(" ");
    if (root == 0) {
        WriteLine("Roots:");
        for (std::size_t i = 1; i < Roots.size(); ++i) WriteLine(Roots[i].Name, true);
        WriteLine("Commands:");
    } else {
        WriteLine("Commands (" + Roots[root].Name + "):");
    }
    for (const TCommand& e : Roots[root].Entries) WriteLine(e.Name, true);
    if (root > 0 && !Roots[0].Entries.empty()) {
        WriteLine("Commands:");
        for (const TCommand& e : Roots[0].Entries) WriteLine(e.Name, true);
    }
    WriteLine(" ");
}

std::int32_t TConsole::ConsoleCommand(std::int32_t id, const TConArg* args, std::int32_t count) {
    switch (id) {
    case cmdClear: Window->ClearOutput(); break;
    case cmdHide: Window->HideWindow(); break;
    case cmdQuit: Window->RequestQuit(0); break;
    case cmdInfo:
        WriteLine(std::string(40, '='));
        WriteLine(" Application : " + Info->AppTitle);
        WriteLine(" Version     : " + Info->VersionText());
        WriteLine(" System      : " + Info->SystemName + " (" + Info->SystemVersion + ")");
        WriteLine(" Memory      : " + Info->MemoryText());
        WriteLine(" Date        : " + FormatLocalDateTime(std::time(nullptr)));
        WriteLine(std::string(40, '-'));
        WriteLine(Info->LegalText);
        WriteLine(std::string(40, '-'));
        break;
    case cmdTest: {
        static const char* const labels[] = {"", "bool ", "int  ", "float", "str  "};  // by kind
        for (std::int32_t i = 0; i < count; ++i) {
            const TConArg& arg = args[i];
            if (arg.Kind >= kindBool && arg.Kind <= kindStr)
                ShowValue(labels[arg.Kind], ArgumentValue(arg), arg.Kind);
        }
        break;
    }
    default: break;
    }
    return S_OK_;
}
