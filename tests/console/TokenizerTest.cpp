#include <gmock/gmock.h>

#include "console/xTokenizer.h"

namespace {
std::vector<std::string> Tokens(const std::string& text) {
    TTokenizer t(ConsoleDelimiters);
    std::vector<std::string> out;
    for (bool more = t.Start(text); more; more = t.Next()) out.push_back(t.Token);
    return out;
}
}  // namespace

TEST(Tokenizer, SplitsAtTheConsoleDelimiters) {
    using ::testing::ElementsAre;
    EXPECT_THAT(Tokens("a>>b  c"), ElementsAre("a", "b", "c"));
    EXPECT_THAT(Tokens("\ta\r\nb\n"), ElementsAre("a", "b"));
    EXPECT_THAT(Tokens(">console>echo off"), ElementsAre("console", "echo", "off"));
    // "=", "." and everything else belong to tokens.
    EXPECT_THAT(Tokens("x=1.5 .. ? $10 \"a"), ElementsAre("x=1.5", "..", "?", "$10", "\"a"));
    EXPECT_THAT(Tokens("> \t\r\n>"), ElementsAre());
}

TEST(Tokenizer, DelimiterSetHoldsExactlyTheFiveCharacters) {
    TTokenizer t(ConsoleDelimiters);
    int count = 0;
    for (int c = 0; c < 256; ++c) count += t.IsDelimiter(static_cast<char>(c));
    EXPECT_EQ(count, 5);
    for (char c : std::string("\t\n\r >")) EXPECT_TRUE(t.IsDelimiter(c)) << int(c);
    EXPECT_FALSE(t.IsDelimiter('\xBB'));  // code 187 (62 + 125) is no delimiter
}

TEST(Tokenizer, StartAndNext) {
    TTokenizer t(ConsoleDelimiters);
    EXPECT_EQ(t.Position, 0);
    EXPECT_FALSE(t.Next());  // nothing started yet
    ASSERT_TRUE(t.Start("ab cd"));
    EXPECT_EQ(t.Token, "ab");
    EXPECT_EQ(t.Position, 3);  // 1-based: the delimiter after the token is left for Next
    ASSERT_TRUE(t.Next());
    EXPECT_EQ(t.Token, "cd");
    EXPECT_FALSE(t.Next());
    EXPECT_FALSE(t.Next());
    // An empty text changes nothing.
    EXPECT_FALSE(t.Start(""));
    EXPECT_EQ(t.Text, "ab cd");
    EXPECT_TRUE(t.Start("z"));
    EXPECT_EQ(t.Token, "z");
}
