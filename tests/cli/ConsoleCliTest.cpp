// morvex-cli console, run as a user runs it: piped input, a terminal, its settings file.
#include <gmock/gmock.h>

#include <poll.h>
#include <signal.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "MorvexVersion.h"
#include "platform/ProfileFile.h"
#include "settings/xParams.h"
#include "support/TestSupport.h"

using ::testing::ElementsAreArray;

namespace fs = std::filesystem;

namespace {

const std::string Cli = MORVEX_BIN_DIR "/morvex-cli";

struct TRun {
    int ExitCode = -1;
    std::vector<std::string> Lines;
    std::string Out;
};

TRun RunCli(const TTempDir& dir, const std::string& program, const std::string& args,
            const std::string& input) {
    WriteFile(dir.File("stdin.txt"), input);
    const std::string command = "'" + program + "' " + args + " < '" + dir.File("stdin.txt") +
                                "' > '" + dir.File("stdout.txt") + "' 2> '" + dir.File("stderr.txt") + "'";
    const int status = std::system(command.c_str());
    TRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadFile(dir.File("stdout.txt"));
    std::istringstream in(run.Out);
    for (std::string line; std::getline(in, line);) run.Lines.push_back(line);
    return run;
}

// The information block that every run prints first.
void ExpectInfoBlock(const std::vector<std::string>& lines) {
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(lines[0], " " + std::string(40, '='));
    EXPECT_EQ(lines[1], "  Application : morvex-cli");
    EXPECT_EQ(lines[2], "  Version     : 1.0.1");
    EXPECT_THAT(lines[3], ::testing::MatchesRegex("  System      : .+ \\(.*\\)"));
    EXPECT_THAT(lines[4], ::testing::MatchesRegex("  Memory      : [1-9][0-9]*(\\.[0-9])? MB"));
    EXPECT_THAT(lines[5], ::testing::MatchesRegex("  Date        : .+"));
    EXPECT_EQ(lines[6], " " + std::string(40, '-'));
    EXPECT_EQ(lines[7], " " MORVEX_LEGAL_TEXT);
    EXPECT_EQ(lines[8], " " + std::string(40, '-'));
}

// Index of the first line after the start-up messages: the information block, the modules'
// "creating ..." lines, the plug-in count and one line per loaded plug-in.
std::size_t StartupEnd(const std::vector<std::string>& lines) {
    std::size_t i = 0;
    const auto isCount = [](const std::string& l) {
        const std::string head = " > ", tail = " plugin(s) found";
        if (l.size() <= head.size() + tail.size() || l.rfind(head, 0) != 0 ||
            l.compare(l.size() - tail.size(), tail.size(), tail) != 0)
            return false;
        const std::string n = l.substr(head.size(), l.size() - head.size() - tail.size());
        return n.find_first_not_of("0123456789") == std::string::npos;
    };
    while (i < lines.size() && !isCount(lines[i])) ++i;
    if (i < lines.size()) ++i;
    while (i < lines.size() && lines[i].rfind(" > plugin \"", 0) == 0) ++i;
    return i;
}

std::vector<std::string> After(const std::vector<std::string>& lines, std::size_t first) {
    return first < lines.size() ? std::vector<std::string>(lines.begin() + first, lines.end())
                                : std::vector<std::string>{};
}

void ExpectDefaultsWritten(const std::string& file) {
    ASSERT_TRUE(fs::exists(file));
    const TProfileFile ini(file);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(ini.ReadInteger("COLORS", "CL_" + std::to_string(i), -1), TParams::DefaultColors[i]) << i;
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(ini.ReadInteger("FLAGS", "F_" + std::to_string(i), -1), 1) << i;
}

}  // namespace

TEST(ConsoleCli, PipedLinesPrintTheInformationBlockThenTheirOutput) {
    TTempDir dir;
    const std::string ini = dir.File("morvex.ini");
    const TRun run = RunCli(dir, Cli, "console --ini '" + ini + "'", "console\necho\n..\ntest 1 2.5 on abc $10\n?\n");
    EXPECT_EQ(run.ExitCode, 0);
    ExpectInfoBlock(run.Lines);
    // The program's modules come up in the desktop program's order.
    EXPECT_THAT(std::vector<std::string>(run.Lines.begin() + 9, run.Lines.begin() + 14),
                ElementsAreArray({" > creating Params", " > creating Kernel", " > creating Scale",
                                  " > creating Picture", " > creating PlugLib"}));
    // After "..", "test" is looked up in root 0, where there is none.
    const std::vector<std::string> expected = {
        " echo = ON (TRUE)",
        " ERROR: unknown command \"test\"",
        "  ",
        " Roots:",
        "     console",
        "     picture",
        " Commands:",
        "     clear",
        "     hide",
        "     quit",
        "     info",
        "  ",
    };
    EXPECT_THAT(After(run.Lines, StartupEnd(run.Lines)), ElementsAreArray(expected));
    EXPECT_EQ(run.Out.find('\x1b'), std::string::npos);  // no colour on a pipe
    ExpectDefaultsWritten(ini);
}

TEST(ConsoleCli, TestInsideTheConsoleRootShowsEachArgument) {
    TTempDir dir;
    const TRun run = RunCli(dir, Cli, "console --ini '" + dir.File("m.ini") + "'",
                            "console\ntest 1 2.5 on abc $10\r\nCONSOLE>TEST X\n");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_THAT(After(run.Lines, StartupEnd(run.Lines)),
                ElementsAreArray({" int   = 1", " float = 2.5", " bool  = ON (TRUE)", " str   = abc",
                                  " int   = 16", " str   = x"}));
}

TEST(ConsoleCli, InifileOffLeavesTheSettingsFileUnchanged) {
    TTempDir dir;
    const std::string ini = dir.File("morvex.ini");
    const std::string before = "; mine\r\n[COLORS]\r\nCL_1 = 0x10\r\nCL_2=12abc\r\n[FLAGS]\r\nF_1=2\r\n";
    WriteFile(ini, before);
    const TRun run = RunCli(dir, Cli, "console --ini '" + ini + "'", "console inifile off\n");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_THAT(After(run.Lines, StartupEnd(run.Lines)), ElementsAreArray({" inifile = OFF (FALSE)"}));
    EXPECT_EQ(ReadFile(ini), before);
}

TEST(ConsoleCli, HandEditedSettingsAreReadAndWrittenBack) {
    TTempDir dir;
    const std::string ini = dir.File("morvex.ini");
    WriteFile(ini, "; mine\r\n[COLORS]\r\nCL_1 = 0x10\r\nCL_2=12abc\r\n[FLAGS]\r\nF_1=2\r\n");
    const TRun run = RunCli(dir, Cli, "console --ini '" + ini + "'", "");
    EXPECT_EQ(run.ExitCode, 0);
    const std::string after = ReadFile(ini);
    EXPECT_THAT(after, ::testing::StartsWith("; mine\r\n[COLORS]\r\nCL_1=16\r\nCL_2=65280\r\n"));
    EXPECT_THAT(after, ::testing::HasSubstr("[FLAGS]\r\nF_1=1\r\n"));
    EXPECT_EQ(after.find("\r\r"), std::string::npos);
    EXPECT_EQ(after.find('\n', 0), after.find("\r\n", 0) + 1);  // the file's CR LF kept
}

TEST(ConsoleCli, QuitEndsTheRunNormally) {
    TTempDir dir;
    const std::string ini = dir.File("morvex.ini");
    const TRun run = RunCli(dir, Cli, "console --ini '" + ini + "'", "quit\nconsole\necho\n");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_THAT(After(run.Lines, StartupEnd(run.Lines)), ::testing::IsEmpty());  // nothing after quit ran
    ExpectDefaultsWritten(ini);
}

TEST(ConsoleCli, SettingsFileDefaultsToTheDesktopProgramsBesideIt) {
    TTempDir dir;
    const std::string copy = dir.File("morvex-cli");
    fs::copy_file(Cli, copy);
    const TRun run = RunCli(dir, copy, "console", "");
    EXPECT_EQ(run.ExitCode, 0);
    ExpectDefaultsWritten(dir.File("morvex.ini"));
}

TEST(ConsoleCli, UsageErrorsAreReported) {
    TTempDir dir;
    EXPECT_NE(RunCli(dir, Cli, "", "").ExitCode, 0);
    EXPECT_NE(RunCli(dir, Cli, "console --bogus", "").ExitCode, 0);
    EXPECT_EQ(RunCli(dir, Cli, "console --help", "").ExitCode, 0);
    EXPECT_THAT(ReadFile(dir.File("stdout.txt")), ::testing::HasSubstr("--ini"));
}

namespace {
// Reads what the program writes to the terminal until `text` appears after position `from`
// or time is up; returns where the text ends, or npos.
std::size_t ReadUntil(int fd, std::string& out, const std::string& text, std::size_t from) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        const std::size_t at = out.find(text, from);
        if (at != std::string::npos) return at + text.size();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return std::string::npos;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) return std::string::npos;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return std::string::npos;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

// True once the line editor has put the terminal into its own (non-canonical) mode: keys
// typed before that would be echoed and edited by the terminal itself.
bool WaitForEditorMode(int fd) {
    for (int i = 0; i < 3000; ++i) {
        termios t {};
        if (::tcgetattr(fd, &t) == 0 && (t.c_lflag & ICANON) == 0) return true;
        ::usleep(10000);
    }
    return false;
}

// The exit status of the child, or -1 when it has not ended in time (it is killed then).
int WaitForExit(pid_t pid) {
    for (int i = 0; i < 300; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        ::usleep(100000);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}
}  // namespace

TEST(ConsoleCli, OnATerminalTabCompletesAndPrefixesAreColoured) {
    TTempDir dir;
    const std::string ini = dir.File("morvex.ini");
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execl(Cli.c_str(), Cli.c_str(), "console", "--ini", ini.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string out;
    std::size_t at = 0;
    // Each step types only once the program waits at its prompt with the terminal in the
    // editor's mode.
    const auto step = [&](const std::string& keys, const std::string& expect) {
        if (!keys.empty() && !WaitForEditorMode(master)) return false;
        if (::write(master, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size())) return false;
        at = ReadUntil(master, out, expect, at);
        return at != std::string::npos;
    };
    const auto steps = [&] {
        return step("", "plugin(s) found\r\n") && step("", ">") &&
               // "console e" and TAB become "console>echo " (redrawn from the changed character
               // on); without the completion the line would be the unknown command "e".
               step("console e\t", ">echo ") &&
               step("\r", " echo = ON (TRUE)\r\n>") &&
               step("console\r", ">console>") &&  // the prompt of the root
               step("bogus\r", "\x1b[31m ERROR: \x1b[0munknown command \"bogus\"\r\n>console>") &&
               step("\x04", "\n");  // end of input
    };
    EXPECT_TRUE(steps()) << out;
    EXPECT_EQ(WaitForExit(pid), 0) << out;
    ::close(master);
    ExpectDefaultsWritten(ini);
}
