#include "platform/os/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/recorder.h"
#include "support/testutil.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLineTest, WindowsRules) {
  EXPECT_EQ(qv::SplitCommandLine(""), Args{});
  EXPECT_EQ(qv::SplitCommandLine(" \t "), Args{});
  EXPECT_EQ(qv::SplitCommandLine("  prog  a\tb  "), (Args{"prog", "a", "b"}));
  EXPECT_EQ(qv::SplitCommandLine("\"C:\\Program Files\\x.exe\" \"a b\" c"),
            (Args{"C:\\Program Files\\x.exe", "a b", "c"}));
  // The program: quotes group anywhere, backslashes are plain.
  EXPECT_EQ(qv::SplitCommandLine("\"a b\"c\\ d"), (Args{"a bc\\", "d"}));
  // Backslashes count only before a quote.
  EXPECT_EQ(qv::SplitCommandLine("p a\\\\b \"c\\\\\" d"), (Args{"p", "a\\\\b", "c\\", "d"}));
  EXPECT_EQ(qv::SplitCommandLine("p \\\"x\\\" a\\\\\\\"b"), (Args{"p", "\"x\"", "a\\\"b"}));
  // "" inside quotes is one quote; an empty pair is an empty argument.
  EXPECT_EQ(qv::SplitCommandLine("p \"say \"\"hi\"\"\" \"\" x"), (Args{"p", "say \"hi\"", "", "x"}));
  EXPECT_EQ(qv::SplitCommandLine("p a\"b c\"d"), (Args{"p", "ab cd"}));
  // 表 is 0x95 0x5C: its trail byte does not escape the closing quote.
  EXPECT_EQ(qv::SplitCommandLine("\"D:\\表\" \"日本語\\表\" x"),
            (Args{"D:\\表", "日本語\\表", "x"}));
  // The arguments alone (what follows a program found by its prefix).
  EXPECT_EQ(qv::SplitArguments(" a \"b c\" d\\\"e"), (Args{"a", "b c", "d\"e"}));
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string map = "C=/;T=" + tmp_.str();
    setenv("QUARVEX_DRIVES", map.c_str(), 1);
    const char* path = getenv("PATH");
    path_ = path ? path : "";
  }
  void TearDown() override {
    unsetenv("QUARVEX_DRIVES");
    setenv("PATH", path_.c_str(), 1);
  }
  // A shell script child (the test's own helper; the layer never uses a
  // shell).
  std::string Script(const std::string& name, const std::string& body) {
    qvtest::WriteFile(tmp_ / name, "#!/bin/sh\n" + body + "\n");
    chmod((tmp_ / name).c_str(), 0755);
    return (tmp_ / name).string();
  }
  // Starts the command line with CreateProcessA and waits for the child to
  // end; false when it did not start.
  static bool RunToEnd(char* line) {
    STARTUPINFOA si;
    GetStartupInfoA(&si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    const bool ended = WaitForSingleObject(pi.hProcess, INFINITE) == WAIT_OBJECT_0;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return ended;
  }
  // Waits (bounded, for a hang only) until `done` holds.
  template <typename F>
  static bool Eventually(F done) {
    for (int i = 0; i < 1000; ++i) {
      if (done()) return true;
      usleep(10000);
    }
    return false;
  }
  static bool Gone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }
  static long long NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
  }

  qvtest::TempDir tmp_;
  std::string path_;
};

TEST_F(ProcessTest, ArgumentsReachTheChildByteForByte) {
  Script("argv.sh", "for a in \"$@\"; do printf '%s\\000' \"$a\"; done > '" + tmp_.str() +
                        "/argv.out'");
  fs::create_directories(tmp_ / "sub");
  std::string line =
      "\"T:\\argv.sh\" \"a b\" ; $(touch pwned) && `id` >out | * 'single' "
      "\"say \"\"hi\"\"\" \"日本語 表\" T:\\sub\\file.txt \"T:\\表\\x\"";
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 99;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_TRUE(CloseHandle(pi.hThread));

  const std::string out = qvtest::ReadFile(tmp_ / "argv.out");
  Args got;
  for (size_t i = 0, j; (j = out.find('\0', i)) != std::string::npos; i = j + 1)
    got.push_back(out.substr(i, j - i));
  const Args expected{"a b", ";", "$(touch", "pwned)", "&&", "`id`", ">out", "|", "*",
                      "'single'", "say \"hi\"", qvtest::U8("日本語 表"),
                      tmp_.str() + "/sub/file.txt", tmp_.str() + qvtest::U8("/表/x")};
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(fs::exists("pwned"));
  EXPECT_FALSE(fs::exists(tmp_ / "out"));
}

// Bytes that are not code page 932 (a name from a damaged document) do not
// fail the start: the child gets them as Windows converts a command line,
// a lead byte with the byte after it as U+30FB, and a path still as a
// Linux path; the arguments are the ones the line was split into.
TEST_F(ProcessTest, BytesThatAreNotCodePage932ReachTheChildAsWindowsConvertsThem) {
  Script("argv.sh", "for a in \"$@\"; do printf '%s\\000' \"$a\"; done > '" + tmp_.str() +
                        "/argv.out'");
  std::string line = "\"T:\\argv.sh\" a\x81 b \xA0\xFD T:\\sub\\n\x85\x40.txt end\x95";
  ASSERT_TRUE(RunToEnd(line.data()));
  const std::string out = qvtest::ReadFile(tmp_ / "argv.out");
  Args got;
  for (size_t i = 0, j; (j = out.find('\0', i)) != std::string::npos; i = j + 1)
    got.push_back(out.substr(i, j - i));
  const std::string dot = "\xE3\x83\xBB";
  const Args expected{"a" + dot + "b", "\xEF\xA3\xB0\xEF\xA3\xB1", tmp_.str() + "/sub/n" + dot + ".txt",
                      "end" + dot};
  EXPECT_EQ(got, expected);
  // The program's own name too: not found, as on Windows.
  std::string missing = "\"T:\\argv\x81.sh\" x";
  EXPECT_EQ(WinExec(missing.c_str(), SW_HIDE), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
}

// Windows' code page 932 has the single bytes 0xA0 and 0xFD-0xFF as
// U+F8F0-U+F8F3, and a name written with them holds those on disk: the
// program and a path argument are found there, the argument reaches the
// child as that Linux path.
TEST_F(ProcessTest, BytesA0AndFDToFFNameThePrivateUseCharactersOnDisk) {
  qvtest::Recorder program(tmp_.path(), "q\xEF\xA3\xB0");
  const std::string arg = tmp_.str() + "/sub/n\xEF\xA3\xB1\xEF\xA3\xB3.txt";
  std::string line = "T:\\q\xA0.exe T:\\sub\\n\xFD\xFF.txt";
  EXPECT_EQ(WinExec(line.c_str(), SW_HIDE), 33u);
  EXPECT_EQ(program.Wait(), (Args{program.script().string(), arg}));
  ASSERT_TRUE(RunToEnd(line.data()));
  EXPECT_EQ(program.Wait(), (Args{program.script().string(), arg}));
}

TEST_F(ProcessTest, OutputIntoAFileAndExitCode) {
  // Standard input is empty (cat ends at once); standard error is not
  // captured with the output.
  Script("tool", "cat\necho \"out $1\"\necho err >&2\nexit 3");
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE file = CreateFileA("T:\\out.txt", GENERIC_WRITE, FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                            FILE_FLAG_RANDOM_ACCESS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION | STARTF_USESTDHANDLES;
  si.wShowWindow = SW_HIDE;
  si.hStdOutput = file;
  PROCESS_INFORMATION pi;
  // The program path ends in ".exe"; the Linux program has no suffix.
  char line[] = "\"T:\\tool.exe\" x";
  ASSERT_TRUE(CreateProcessA("T:\\tool.exe", line, nullptr, nullptr, TRUE,
                             CREATE_DEFAULT_ERROR_MODE | CREATE_SEPARATE_WOW_VDM |
                                 NORMAL_PRIORITY_CLASS,
                             nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 3u);
  CloseHandle(file);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "out.txt"), "out x\n");

  // Failures are known at once, with the reason.
  char missing[] = "T:\\none.exe";
  EXPECT_FALSE(CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(pi.hProcess, nullptr);
  EXPECT_FALSE(CreateProcessA("", line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), static_cast<DWORD>(WAIT_FAILED));
}

TEST_F(ProcessTest, BoundedWaitLeavesTheChildRunningAndItIsReapedLater) {
  Script("sleeper", "exec sleep 30");
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  PROCESS_INFORMATION pi;
  char line[] = "T:\\sleeper";
  ASSERT_TRUE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &pi));
  const pid_t pid = static_cast<pid_t>(pi.dwProcessId);
  const long long start = NowMs();
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_LT(NowMs() - start, 20000);  // it came back instead of waiting for the child
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(kill(pid, 0), 0);  // still running
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(kill(pid, 0), 0);  // closing the handle does not end it either

  // When it ends, nobody holds a handle: it must still not stay a zombie.
  kill(pid, SIGTERM);
  EXPECT_TRUE(Eventually([&] { return Gone(pid); }));

  // The same for a start whose handles are closed at once.
  Script("quick", "exit 0");
  char quick[] = "T:\\quick";
  ASSERT_TRUE(CreateProcessA(nullptr, quick, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                             &pi));
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_TRUE(Eventually([&] { return Gone(static_cast<pid_t>(pi.dwProcessId)); }));
}

TEST_F(ProcessTest, WinExecResultCodes) {
  fs::create_directories(tmp_ / "folder");
  qvtest::WriteFile(tmp_ / "text.txt", "not a program\n");
  qvtest::WriteFile(tmp_ / "garbage", std::string("\x7f\x01\x02junk", 7));
  chmod((tmp_ / "garbage").c_str(), 0755);
  EXPECT_EQ(WinExec("T:\\missing.exe", SW_SHOWDEFAULT), 2u);
  EXPECT_EQ(WinExec("no-such-program-of-quarvex", SW_SHOWDEFAULT), 2u);
  EXPECT_EQ(WinExec("", SW_SHOWDEFAULT), 2u);
  EXPECT_EQ(WinExec("T:\\no\\folder\\x.exe a", SW_SHOWDEFAULT), 3u);
  EXPECT_EQ(WinExec("Q:\\x.exe", SW_SHOWDEFAULT), 3u);  // a drive that is not mapped
  EXPECT_EQ(WinExec("\"T:\\text.txt\"", SW_SHOWDEFAULT), 11u);
  EXPECT_EQ(WinExec("T:\\garbage", SW_SHOWDEFAULT), 11u);
  EXPECT_EQ(WinExec("T:\\folder", SW_SHOWDEFAULT), 11u);

  Script("ok", "echo \"$1\" > '" + tmp_.str() + "/ok.out'");
  EXPECT_GT(WinExec("\"T:\\ok.exe\" \"T:\\a b.csv\"", SW_SHOWDEFAULT), 31u);
  EXPECT_TRUE(Eventually([&] { return fs::exists(tmp_ / "ok.out"); }));
  EXPECT_TRUE(Eventually([&] { return qvtest::ReadFile(tmp_ / "ok.out") == tmp_.str() + "/a b.csv\n"; }));

  // A name without a folder is looked for along PATH.
  fs::create_directories(tmp_ / "bin");
  qvtest::WriteFile(tmp_ / "bin/viewer", "#!/bin/sh\necho \"$1\" > '" + tmp_.str() + "/viewer.out'\n");
  chmod((tmp_ / "bin/viewer").c_str(), 0755);
  setenv("PATH", (tmp_.str() + "/bin:/usr/bin:/bin").c_str(), 1);
  EXPECT_GT(WinExec("viewer.exe T:\\x.csv", SW_SHOWDEFAULT), 31u);
  EXPECT_TRUE(Eventually([&] { return qvtest::ReadFile(tmp_ / "viewer.out") == tmp_.str() + "/x.csv\n"; }));
}

TEST_F(ProcessTest, ProgramsOfTheWindowsFolderAreFoundThereAfterPath) {
  // The program's default editor "notepad": not on PATH, but in the
  // folder SystemRoot names (the stand-ins beside the program).
  fs::create_directories(tmp_ / "windows");
  fs::create_directories(tmp_ / "bin");
  qvtest::WriteFile(tmp_ / "windows/notepad", "#!/bin/sh\necho \"$1\" > '" + tmp_.str() + "/notepad.out'\n");
  chmod((tmp_ / "windows/notepad").c_str(), 0755);
  setenv("PATH", (tmp_.str() + "/bin").c_str(), 1);
  qvtest::EnvVar root{"SystemRoot", "T:\\windows"};
  EXPECT_GT(WinExec("notepad \"T:\\a b.txt\"", SW_SHOWDEFAULT), 31u);
  EXPECT_TRUE(Eventually([&] { return qvtest::ReadFile(tmp_ / "notepad.out") == tmp_.str() + "/a b.txt\n"; }));
  // One on PATH comes first.
  qvtest::WriteFile(tmp_ / "bin/notepad", "#!/bin/sh\necho path > '" + tmp_.str() + "/path.out'\n");
  chmod((tmp_ / "bin/notepad").c_str(), 0755);
  EXPECT_GT(WinExec("notepad.exe x", SW_SHOWDEFAULT), 31u);
  EXPECT_TRUE(Eventually([&] { return fs::exists(tmp_ / "path.out"); }));
  EXPECT_EQ(WinExec("wordpad", SW_SHOWDEFAULT), 2u);
}

TEST_F(ProcessTest, UnquotedProgramPathsWithBlanksAreFoundByTheirPrefixes) {
  fs::create_directories(tmp_ / "sp dir");
  qvtest::WriteFile(tmp_ / "sp dir/prog", "#!/bin/sh\necho \"$# $1\" > '" + tmp_.str() + "/prog.out'\n");
  chmod((tmp_ / "sp dir/prog").c_str(), 0755);
  EXPECT_GT(WinExec("T:\\sp dir\\prog.exe arg", SW_SHOWDEFAULT), 31u);
  EXPECT_TRUE(Eventually([&] { return qvtest::ReadFile(tmp_ / "prog.out") == "1 arg\n"; }));

  char line[] = "  T:\\sp dir\\prog \"a b\"";
  ASSERT_TRUE(RunToEnd(line));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "prog.out"), "1 a b\n");

  // No prefix names a program: the first one's error; a folder is no program.
  EXPECT_EQ(WinExec("T:\\sp dir\\other.exe arg", SW_SHOWDEFAULT), 2u);
  EXPECT_EQ(WinExec("T:\\sp dir", SW_SHOWDEFAULT), 2u);
}

TEST_F(ProcessTest, AQuotedProgramEndsAtItsClosingQuote) {
  // Text straight after the closing quote belongs to argv[0], not to the
  // program's path; the next blank starts the arguments.
  fs::create_directories(tmp_ / "pf/q b/c d");
  qvtest::WriteFile(tmp_ / "pf/q b/c d/p", "#!/bin/sh\necho \"$# $1\" > '" + tmp_.str() + "/p.out'\n");
  chmod((tmp_ / "pf/q b/c d/p").c_str(), 0755);
  char line[] = "\"T:\\pf\\q b\\c d\\p.exe\"x y";
  ASSERT_TRUE(RunToEnd(line));
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "p.out"), "1 y\n");

  fs::remove(tmp_ / "p.out");
  EXPECT_GT(WinExec(" \"T:\\pf\\q b\\c d\\p\"x.exe \"a b\"", SW_SHOWDEFAULT), 31u);
  EXPECT_TRUE(Eventually([&] { return qvtest::ReadFile(tmp_ / "p.out") == "1 a b\n"; }));
  // The quoted name is the whole name: no shorter or longer one is tried.
  EXPECT_EQ(WinExec("\"T:\\pf\\q b\\c d\\p x\" y", SW_SHOWDEFAULT), 2u);
  EXPECT_EQ(WinExec("\"\"T:\\pf\\q b\\c d\\p.exe y", SW_SHOWDEFAULT), 2u);
}

TEST_F(ProcessTest, LinuxPathArgumentsReachTheChildAsLinuxPaths) {
  // A folder typed in Linux form, joined by the program with a backslash.
  fs::create_directories(tmp_ / "OLD");
  qvtest::WriteFile(tmp_ / "OLD/Plain", "content\n");
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE file = CreateFileA("T:\\out.txt", GENERIC_WRITE, 0, &sa, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  STARTUPINFOA si;
  GetStartupInfoA(&si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = file;
  PROCESS_INFORMATION pi;
  std::string line = "\"/bin/cat\" \"" + tmp_.str() + "/old\\Plain\"";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 99;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(file);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  EXPECT_EQ(qvtest::ReadFile(tmp_ / "out.txt"), "content\n");
}

TEST_F(ProcessTest, ShellExecuteOpensDocumentsWithXdgOpen) {
  fs::create_directories(tmp_ / "bin");
  qvtest::WriteFile(tmp_ / "bin/xdg-open", "#!/bin/sh\necho \"$1\" > '" + tmp_.str() + "/opened'\n");
  chmod((tmp_ / "bin/xdg-open").c_str(), 0755);
  qvtest::WriteFile(tmp_ / qvtest::U8("原紙.xlsm"), "x");
  setenv("PATH", (tmp_.str() + "/bin:/usr/bin:/bin").c_str(), 1);

  const auto open = [](const char* verb, const char* file) {
    return reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, verb, file, nullptr, nullptr, SW_SHOWNORMAL));
  };
  EXPECT_GT(open("open", "T:\\原紙.xlsm"), 32);
  EXPECT_TRUE(Eventually([&] {
    return qvtest::ReadFile(tmp_ / "opened") == tmp_.str() + qvtest::U8("/原紙.xlsm") + "\n";
  }));
  EXPECT_EQ(open("open", "T:\\missing.pdf"), SE_ERR_FNF);
  EXPECT_EQ(open("open", "T:\\no\\such.pdf"), SE_ERR_PNF);
  EXPECT_EQ(open("print", "T:\\原紙.xlsm"), SE_ERR_NOASSOC);

  setenv("PATH", "/nonexistent", 1);
  EXPECT_EQ(open("open", "T:\\原紙.xlsm"), SE_ERR_NOASSOC);
}

}  // namespace
