#include <gmock/gmock.h>

#include "console/ConsoleTestSupport.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A client with a root of its own: a command, and variables of every kind.
class TTestClient : public TConClient {
public:
    void RegisterCommands() override {
        Root = Console->RegisterRoot("Picture");
        Console->RegisterCommand(Root, 7, "Refresh");
        Console->RegisterVariable(Root, -1, "Preload", &Preload, kindBool, false);
        Console->RegisterVariable(Root, 3, "zoom", &Zoom, kindFloat, false);  // owner hears of changes
        Console->RegisterVariable(Root, -1, "count", &Count, kindInt, false);
        Console->RegisterVariable(Root, -1, "name", &Name, kindStr, false);
        Console->RegisterVariable(Root, -1, "fixed", &Fixed, kindInt, true);
    }
    bool ExecuteCommand(std::int32_t id, const TConArg* args, std::int32_t count) override {
        Calls.push_back({id, std::vector<TConArg>(args, args + count)});
        if (OnCall) OnCall();
        return Result;
    }
    struct TCall {
        std::int32_t Id;
        std::vector<TConArg> Args;
    };
    std::int32_t Root = -1;
    bool Preload = true;
    double Zoom = 1.5;
    std::int32_t Count = 4;
    std::string Name = "x";
    std::int32_t Fixed = 9;
    bool Result = true;
    std::function<void()> OnCall;
    std::vector<TCall> Calls;
};

class DispatcherTest : public ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        Console->RegisterClient(&Client);
    }
    TTestClient Client;
};

}  // namespace

TEST_F(DispatcherTest, EmptyLinesAndBarePromptsDoNothing) {
    for (const char* line : {"", ">", " \t\r\n>> ", ">console>"}) {
        Console->CurrentRoot = 0;
        EXPECT_THAT(Run(line), IsEmpty()) << line;
        EXPECT_EQ(LastResult, 0) << line;
    }
    EXPECT_EQ(Console->CurrentRoot, 1);  // ">console>" is the root name alone: it enters it
}

TEST_F(DispatcherTest, RootsAreEnteredAndLeft) {
    EXPECT_EQ(Console->GetPrompt(), ">");
    EXPECT_EQ(Console->PromptLength, 1);
    EXPECT_THAT(Run(">console"), IsEmpty());
    EXPECT_EQ(Console->CurrentRoot, 1);
    EXPECT_EQ(Console->GetPrompt(), ">console>");
    EXPECT_EQ(Console->PromptLength, 9);
    // A root name typed after the prompt of another root enters that root.
    EXPECT_THAT(Run(">console>picture"), IsEmpty());
    EXPECT_EQ(Console->GetPrompt(), ">picture>");
    EXPECT_THAT(Run(">picture>.."), IsEmpty());
    EXPECT_EQ(Console->CurrentRoot, 0);
    EXPECT_EQ(Console->GetPrompt(), ">");
    EXPECT_EQ(Console->PromptLength, 1);
}

TEST_F(DispatcherTest, EntriesAreFoundInTheRootOfTheLineThenInRootZero) {
    // Root 0 has no "echo": without the root in front it is unknown.
    EXPECT_THAT(Run(">echo"), ElementsAre(" ERROR: unknown command \"echo\""));
    EXPECT_EQ(LastResult, E_FAIL_);
    EXPECT_THAT(Run(">console echo"), ElementsAre(" echo = ON (TRUE)"));
    EXPECT_THAT(Run("console>echo"), ElementsAre(" echo = ON (TRUE)"));
    Run(">console");
    EXPECT_THAT(Run(">console>echo"), ElementsAre(" echo = ON (TRUE)"));
    // A line from program code names another root than the current one.
    EXPECT_THAT(Run("picture>preload"), ElementsAre(" preload = ON (TRUE)"));
    // Global commands work from inside any root.
    EXPECT_THAT(Run(">console>clear"), IsEmpty());
    EXPECT_THAT(Sink().Lines, IsEmpty());
    // Without the current root's prompt, a line is looked up in root 0.
    EXPECT_THAT(Run("echo"), ElementsAre(" ERROR: unknown command \"echo\""));
}

TEST_F(DispatcherTest, UpperCaseWorksLikeLowerCase) {
    EXPECT_THAT(Run(">CONSOLE>Echo OFF"), ElementsAre(" echo = OFF (FALSE)"));
    EXPECT_FALSE(Console->Echo);
    EXPECT_THAT(Run(">console>TEST ABC TRUE"), ElementsAre(" str   = abc", " bool  = ON (TRUE)"));
    EXPECT_THAT(Run(">PiCtUrE>NAME NewName"), ElementsAre(" name = newname"));
}

TEST_F(DispatcherTest, TestShowsEachArgumentByKind) {
    EXPECT_THAT(Run(">console>test 1 2.5 on abc $10"),
                ElementsAre(" int   = 1", " float = 2.5", " bool  = ON (TRUE)", " str   = abc",
                            " int   = 16"));
    EXPECT_THAT(Run(">console>test"), IsEmpty());
    EXPECT_EQ(Console->ArgCount, 0);
}

TEST_F(DispatcherTest, ArgumentsAreConverted) {
    const struct {
        const char* Token;
        std::uint8_t Kind;
        double Number;  // bool: 0/1; int and float: the value
        const char* Text;
    } cases[] = {
        {"true", kindBool, 1, ""}, {"on", kindBool, 1, ""}, {"false", kindBool, 0, ""},
        {"off", kindBool, 0, ""}, {"0", kindInt, 0, ""}, {"-12", kindInt, -12, ""},
        {"+7", kindInt, 7, ""}, {"$1f", kindInt, 31, ""}, {"x1F", kindInt, 31, ""},
        {"0x10", kindInt, 16, ""}, {"-$10", kindInt, -16, ""},
        {"2147483647", kindInt, 2147483647, ""}, {"-2147483648", kindInt, -2147483648.0, ""},
        {"2147483648", kindFloat, 2147483648.0, ""},  // too big for an int
        {"2.5", kindFloat, 2.5, ""}, {"-.5", kindFloat, -0.5, ""}, {"1e3", kindFloat, 1000, ""},
        {"5.", kindFloat, 5, ""}, {"$ffffffff", kindStr, 0, "$ffffffff"}, {"1,5", kindStr, 0, "1,5"},
        {"12abc", kindStr, 0, "12abc"}, {"inf", kindStr, 0, "inf"}, {"=", kindStr, 0, "="},
        {"a.b", kindStr, 0, "a.b"}, {"yes", kindStr, 0, "yes"},
    };
    for (const auto& c : cases) {
        Client.Calls.clear();
        Run(std::string("picture>refresh ") + c.Token);
        ASSERT_EQ(Client.Calls.size(), 1u) << c.Token;
        ASSERT_EQ(Client.Calls[0].Args.size(), 1u) << c.Token;
        const TConArg& a = Client.Calls[0].Args[0];
        EXPECT_EQ(a.Kind, c.Kind) << c.Token;
        if (c.Kind == kindBool) { EXPECT_EQ(a.Value.Bytes[0], c.Number) << c.Token; }
        if (c.Kind == kindInt) { EXPECT_EQ(a.Value.Int, c.Number) << c.Token; }
        if (c.Kind == kindFloat) { EXPECT_EQ(a.Value.Float, c.Number) << c.Token; }
        EXPECT_EQ(a.Text, c.Text) << c.Token;  // the text is kept for str only
    }
}

TEST_F(DispatcherTest, AtMostSixteenArgumentsArePassed) {
    std::string line = "picture>refresh";
    for (int i = 1; i <= 20; ++i) line += " " + std::to_string(i);
    Run(line);
    ASSERT_EQ(Client.Calls.size(), 1u);
    EXPECT_EQ(Client.Calls[0].Id, 7);
    ASSERT_EQ(Client.Calls[0].Args.size(), 16u);
    EXPECT_EQ(Client.Calls[0].Args[15].Value.Int, 16);
    EXPECT_EQ(Console->ArgCount, 0);
}

TEST_F(DispatcherTest, VariablesAreShownAndAssigned) {
    EXPECT_THAT(Run(">console echo off"), ElementsAre(" echo = OFF (FALSE)"));
    EXPECT_FALSE(Console->Echo);
    EXPECT_THAT(Run("picture>count -3"), ElementsAre(" count = -3"));
    EXPECT_EQ(Client.Count, -3);
    EXPECT_THAT(Run("picture>name hello world"), ElementsAre(" name = hello"));  // first argument only
    // An int given to a float variable is converted.
    EXPECT_THAT(Run("picture>zoom 2"), ElementsAre(" zoom = 2"));
    EXPECT_EQ(Client.Zoom, 2.0);
    EXPECT_THAT(Run("picture>zoom 0.1"), ElementsAre(" zoom = 0.1"));
}

TEST_F(DispatcherTest, WrongAssignmentsKeepTheValue) {
    const struct {
        const char* Line;
        std::vector<std::string> Out;
    } cases[] = {
        {">console echo 1", {" ERROR: incompatible types", " echo = ON (TRUE)"}},
        {">console echo = off", {" ERROR: incompatible types", " echo = ON (TRUE)"}},  // no "="
        {"picture>count 2.5", {" ERROR: incompatible types", " count = 4"}},
        {"picture>zoom on", {" ERROR: incompatible types", " zoom = 1.5"}},
        {"picture>fixed 3", {" ERROR: variable is READ_ONLY", " fixed = 9"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.Line), c.Out) << c.Line;
        EXPECT_EQ(LastResult, 0) << c.Line;
    }
    EXPECT_TRUE(Console->Echo);
    EXPECT_EQ(Client.Fixed, 9);
    EXPECT_THAT(Run("picture>fixed"), ElementsAre(" fixed = 9"));  // read-only ones can be shown
}

TEST_F(DispatcherTest, OwnerHearsOfAChangeAndMayRefuseIt) {
    EXPECT_THAT(Run("picture>zoom 3"), ElementsAre(" zoom = 3"));
    ASSERT_EQ(Client.Calls.size(), 1u);
    EXPECT_EQ(Client.Calls[0].Id, 3);
    EXPECT_EQ(Client.Calls[0].Args[0].Value.Int, 3);
    Run("picture>preload off");  // Id -1: no notice
    EXPECT_EQ(Client.Calls.size(), 1u);

    Client.Result = false;
    // Refused: an error quoting the line as it was handed in, and the value is not shown.
    EXPECT_THAT(Run(">Picture>Zoom 4"), ElementsAre(" ERROR: failed to execute \">Picture>Zoom 4\""));
    EXPECT_EQ(LastResult, E_FAIL_);
    EXPECT_THAT(Run(">picture refresh"), ElementsAre(" ERROR: failed to execute \">picture refresh\""));
    EXPECT_EQ(LastResult, E_FAIL_);
}

TEST_F(DispatcherTest, ClientMayRunALineFromItsCommand) {
    Client.OnCall = [this] {
        Client.OnCall = nullptr;
        Console->ExecuteLine("picture>count 8");
    };
    EXPECT_THAT(Run("picture>refresh 1 2"), ElementsAre(" count = 8"));
    EXPECT_EQ(Client.Calls[0].Args.size(), 2u);
    EXPECT_EQ(Console->ArgCount, 0);
}

TEST_F(DispatcherTest, DuplicateNamesAreRefused) {
    EXPECT_EQ(Console->RegisterCommand(0, 99, "CLEAR"), E_FAIL_);
    EXPECT_EQ(Console->RegisterVariable(1, -1, "echo", &Client.Count, kindInt, false), E_FAIL_);
    EXPECT_EQ(Console->RegisterCommand(1, 99, "echo"), E_FAIL_);
    EXPECT_THAT(Sink().Lines, ElementsAre(" ERROR: command .clear already exists",
                                          " ERROR: variable console.echo already exists",
                                          " ERROR: command console.echo already exists"));
    // The first entries are still in place.
    EXPECT_EQ(Console->Roots[0].Entries.size(), 4u);
    EXPECT_THAT(Run(">console echo"), ElementsAre(" echo = ON (TRUE)"));
    // Roots are found again, not duplicated.
    EXPECT_EQ(Console->RegisterRoot("CONSOLE"), 1);
    EXPECT_EQ(Console->Roots.size(), 3u);
}

TEST_F(DispatcherTest, FindRoot) {
    EXPECT_EQ(Console->FindRoot("console"), 1);
    EXPECT_EQ(Console->FindRoot("PICTURE"), 2);
    EXPECT_EQ(Console->FindRoot("nothing"), 0);
    EXPECT_EQ(Console->FindRoot(""), 0);
}

TEST_F(DispatcherTest, QuestionMarkListsARoot) {
    EXPECT_THAT(Run(">?"), ElementsAre("  ", " Roots:", "     console", "     picture", " Commands:",
                                       "     clear", "     hide", "     quit", "     info", "  "));
    EXPECT_THAT(Run(">console ?"),
                ElementsAre("  ", " Commands (console):", "     autocomplete", "     echo",
                            "     inifile", "     test", " Commands:", "     clear", "     hide",
                            "     quit", "     info", "  "));
    Console->ListRoot(-1);
    Console->ListRoot(99);
    EXPECT_EQ(Sink().Lines.size(), 22u);
}

TEST_F(DispatcherTest, HideQuitClear) {
    Sink().Visible = true;
    Run("hide");
    EXPECT_FALSE(Sink().Visible);
    EXPECT_EQ(Sink().QuitCode, -1);
    Run(">console>quit");
    EXPECT_EQ(Sink().QuitCode, 0);
    Console->WriteLine("something");
    Run("CLEAR");
    EXPECT_THAT(Sink().Lines, IsEmpty());
}

TEST_F(DispatcherTest, RegistryChecksAreFatal) {
    TStderrSink err;
    const auto fatal = [](const char* id) { return " FATAL: \\[" + std::string(id) + "\\] \n<fatal report shown>"; };
    TCommand* entry = nullptr;
    EXPECT_EXIT({ Console->Window = &err; Console->RegisterCommand(5, 1, "x"); },
                ::testing::ExitedWithCode(1), fatal("31B2E189"));
    EXPECT_EXIT({ Console->Window = &err; Console->RegisterCommand(-1, 1, "x"); },
                ::testing::ExitedWithCode(1), fatal("31B2E189"));
    EXPECT_EXIT({ Console->Window = &err; Console->RegisterVariable(1, -1, "x", &Client.Count, kindNone, false); },
                ::testing::ExitedWithCode(1), fatal("F18C27D5"));
    EXPECT_EXIT({ Console->Window = &err; Console->RegisterVariable(3, -1, "x", &Client.Count, kindInt, false); },
                ::testing::ExitedWithCode(1), fatal("F18C27D5"));
    EXPECT_EXIT({ Console->Window = &err; Console->RegisterClient(nullptr); },
                ::testing::ExitedWithCode(1), fatal("EAC7D268"));
    EXPECT_EXIT({ Console->Window = &err; Console->FindCommand("x", 3, &entry); },
                ::testing::ExitedWithCode(1), fatal("A08CE3E4"));
    EXPECT_EXIT({ Console->Window = &err; Console->SetVariable(nullptr, nullptr, 0); },
                ::testing::ExitedWithCode(1), fatal("3F2A9397"));
}
