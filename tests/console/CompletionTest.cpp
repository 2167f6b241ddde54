#include <gmock/gmock.h>

#include "console/ConsoleTestSupport.h"

namespace {

// The kernel's root as the program registers it.
class TPictureClient : public TConClient {
public:
    void RegisterCommands() override {
        const std::int32_t root = Console->RegisterRoot("picture");
        Console->RegisterCommand(root, 1, "refresh");
        Console->RegisterVariable(root, -1, "preload", &Preload, kindBool, false);
    }
    bool ExecuteCommand(std::int32_t, const TConArg*, std::int32_t) override { return true; }
    bool Preload = true;
};

class CompletionTest : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        Console->RegisterClient(&Picture);
    }
    TPictureClient Picture;
};

}  // namespace

TEST_F(CompletionTest, CompletesRootsAndEntries) {
    const struct {
        std::int32_t Root;  // current root
        const char* Line;
        const char* Completed;  // nullptr: nothing to complete, the line stays
    } cases[] = {
        {0, ">cl", ">clear "},
        {0, ">CL", ">clear "},
        {0, ">c", nullptr},                      // console and clear both fit
        {0, ">con", ">console"},                 // a root gets no trailing ">"
        {1, ">console>e", ">console>echo "},
        {1, ">console>echo o", nullptr},         // the entry name is complete
        {0, ">console e", ">console>echo "},     // the root path is rewritten with ">"
        {1, ">console>pi", ">console>picture"},
        {1, ">console>picture re", ">console>picture>refresh "},
        {1, ">console>c", ">console>clear "},    // a partial match with the current root does not count
        {2, ">picture>p", ">picture>preload "},
        {0, ">picture>r", ">picture>refresh "},
        {0, ">console>picture re", nullptr},     // a second root only after the current root's prompt
        {0, ">clear", nullptr},
        {0, ">console", nullptr},                // a complete root alone
        {1, ">console>", nullptr},
        {0, ">x", nullptr},
        {0, ">", nullptr},
        {0, "", nullptr},
    };
    for (const auto& c : cases) {
        Console->CurrentRoot = c.Root;
        std::string line = c.Line;
        const std::int32_t result = Console->CompleteLine(line);
        EXPECT_EQ(result, c.Completed ? 0 : E_FAIL_) << c.Line;
        EXPECT_EQ(line, c.Completed ? c.Completed : c.Line) << c.Line;
        line = c.Line;
        EXPECT_EQ(Console->TryComplete(line), c.Completed != nullptr) << c.Line;
    }
    EXPECT_THAT(Sink().Lines, ::testing::IsEmpty());  // completion never logs
}

TEST_F(CompletionTest, NothingIsCompletedWithAutoCompleteOff) {
    Console->ExecuteLine(">console autocomplete off");
    std::string line = ">cl";
    EXPECT_FALSE(Console->TryComplete(line));
    EXPECT_EQ(line, ">cl");
    Console->ExecuteLine(">console autocomplete on");
    EXPECT_TRUE(Console->TryComplete(line));
    EXPECT_EQ(line, ">clear ");
}

TEST(IsPrefix, ComparesLeadingCharacters) {
    EXPECT_TRUE(TConsole::IsPrefix("console", ""));
    EXPECT_TRUE(TConsole::IsPrefix("console", "con"));
    EXPECT_TRUE(TConsole::IsPrefix("console", "console"));
    EXPECT_FALSE(TConsole::IsPrefix("console", "consoles"));
    EXPECT_FALSE(TConsole::IsPrefix("console", "Con"));
    EXPECT_TRUE(TConsole::IsPrefix("", ""));
}
