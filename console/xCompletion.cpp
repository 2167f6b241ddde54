// The prompt and the completion of a partly typed root, command or variable name.
#include "console/xConsole.h"
#include "console/xTokenizer.h"

std::string TConsole::GetPrompt() {
    const std::string prompt = CurrentRoot > 0 ? ">" + Roots[CurrentRoot].Name + ">" : ">";
    PromptLength = static_cast<std::int32_t>(prompt.size());
    return prompt;
}

bool TConsole::IsPrefix(const std::string& s, const std::string& p) {
    return p.size() <= s.size() && s.compare(0, p.size(), p) == 0;
}

std::int32_t TConsole::CompleteLine(std::string& line) {
    if (!Tokenizer->Start(LowerCaseAscii(line))) return E_FAIL_;
    std::string token = Tokenizer->Token;
    // Every partial match counts; a second one anywhere makes the line ambiguous.
    int count = 0;
    const auto partial = [&count]() { return ++count <= 1; };

    // A root among roots 1.. by exact or partial name; `skip` never counts as partial.
    const auto matchRoot = [&](std::int32_t skip, std::int32_t& found, bool& exact) {
        for (std::int32_t i = 1; i < static_cast<std::int32_t>(Roots.size()); ++i) {
            if (Roots[i].Name == token) {
                found = i;
                exact = true;
                return true;
            }
            if (i != skip && IsPrefix(Roots[i].Name, token)) {
                if (!partial()) return false;
                found = i;
            }
        }
        return true;
    };

    std::int32_t r1 = -1, r2 = -1;
    bool r1Exact = false, r2Exact = false, more = true;
    if (!matchRoot(-1, r1, r1Exact)) return E_FAIL_;
    if (r1Exact) {
        more = Tokenizer->Next();
        if (more) token = Tokenizer->Token;
    }
    if (more && r1 == CurrentRoot) {
        if (!matchRoot(r1, r2, r2Exact)) return E_FAIL_;
        if (r2Exact) {
            more = Tokenizer->Next();
            if (more) token = Tokenizer->Token;
        }
    }

    const TCommand* entry = nullptr;
    if (more) {
        // An entry name already complete leaves nothing to do.
        const auto matchEntry = [&](std::int32_t root) {
            for (const TCommand& e : Roots[root].Entries) {
                if (e.Name == token) return false;
                if (IsPrefix(e.Name, token)) {
                    if (!partial()) return false;
                    entry = &e;
                }
            }
            return true;
        };
        if (!matchEntry(0)) return E_FAIL_;
        std::int32_t root = -1;
        if (r1Exact) root = (r1 == CurrentRoot && r2Exact) ? r2 : r1;
        if (root >= 0 && !matchEntry(root)) return E_FAIL_;
    }
    if (count == 0) return E_FAIL_;

    std::string completed;
    if (r1 >= 0) completed += ">" + Roots[r1].Name;
    if (r2 >= 0) completed += ">" + Roots[r2].Name;
    if (entry != nullptr) completed += ">" + entry->Name + " ";
    line = completed;
    return S_OK_;
}

bool TConsole::TryComplete(std::string& line) {
    return AutoComplete && !Failed(CompleteLine(line));
}
