#pragma once
// Splits a command line into tokens: maximal runs of characters outside a delimiter set.
// Runs of delimiters count as one separator; there is no quoting.
#include <array>
#include <cstdint>
#include <string>

class TTokenizer {
public:
    // Bit n of the 32 bytes marks character code n as a delimiter.
    using TDelimiterSet = std::array<std::uint8_t, 32>;

    explicit TTokenizer(const TDelimiterSet& delimiters) : Delimiters(delimiters) {}

    // Sets Text and reads its first token; an empty s returns false and changes nothing.
    bool Start(const std::string& s);
    // Reads the next token into Token; false when there is none.
    bool Next();
    bool IsDelimiter(char c) const {
        const auto code = static_cast<unsigned char>(c);
        return (Delimiters[code >> 3] >> (code & 7)) & 1;
    }

    TDelimiterSet Delimiters;
    std::int32_t Position = 0;  // 1-based index of the next character of Text
    std::string Text;
    std::string Token;
};

// Builds a delimiter set from the characters of chars.
constexpr TTokenizer::TDelimiterSet MakeDelimiterSet(const char* chars) {
    TTokenizer::TDelimiterSet set{};
    for (; *chars != '\0'; ++chars) {
        const auto code = static_cast<unsigned char>(*chars);
        set[code >> 3] = static_cast<std::uint8_t>(set[code >> 3] | (1u << (code & 7)));
    }
    return set;
}

// The console's delimiters: tab, line feed, carriage return, blank and ">".
inline constexpr TTokenizer::TDelimiterSet ConsoleDelimiters = MakeDelimiterSet("\t\n\r >");
