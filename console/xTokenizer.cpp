#include "console/xTokenizer.h"

bool TTokenizer::Start(const std::string& s) {
    if (s.empty()) return false;
    Text = s;
    Position = 1;
    return Next();
}

bool TTokenizer::Next() {
    if (Text.empty()) return false;
    Token.clear();
    const auto length = static_cast<std::int32_t>(Text.size());
    while (Position <= length && IsDelimiter(Text[Position - 1])) ++Position;
    if (Position > length) return false;
    while (Position <= length && !IsDelimiter(Text[Position - 1])) Token += Text[Position++ - 1];
    return true;
}
