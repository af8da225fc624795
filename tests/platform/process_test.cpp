// Programs and commands started through the platform layer: exit codes,
// output of any size without a blocked command, output caps, windows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/platform.h"
#include "platform/process.h"

namespace zelk::os {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path Zelkrun() {
  fs::path exe = fs::path(ExecutablePath()).parent_path() / "zelkrun";
#ifdef _WIN32
  exe += ".exe";
#endif
  return exe;
}

// A command line for the shell that runs a script with zelkrun.
std::u16string ShellRunning(const fs::path& script) {
  std::u16string text = u"\"" + Zelkrun().u16string() + u"\" \"" + script.u16string() + u"\"";
  if (CommandShell() == Shell::kCmd) return u"CMD /C \"" + text + u"\"";
  return text;
}

class CommandTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(Zelkrun())) GTEST_SKIP() << "zelkrun is not built beside the unit tests";
    script_ = fs::temp_directory_path() /
              ("zelk-command-" + std::to_string(Clock::now().time_since_epoch().count()) + ".zls");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove(script_, ignored);
  }
  // Runs the script under the shell with output captured up to cap; the
  // output, and whether it ended within a minute.
  std::string Run(const std::string& script, std::size_t cap, bool* ended,
                  std::int64_t* code = nullptr) {
    std::ofstream(script_) << script;
    CommandStart start;
    start.commandLine = ShellRunning(script_);
    start.outputCap = cap;
    std::unique_ptr<Command> command = StartCommand(start);
    EXPECT_TRUE(command);
    if (!command) return {};
    *ended = command->WaitEnded(60000);
    if (!*ended) command->End();
    if (code) *code = command->ExitCode();
    return command->TakeOutput();
  }

  fs::path script_;
};

TEST_F(CommandTest, MegabytesOfOutputComeBackWhole) {
  bool ended = false;
  const std::string out =
      Run("s = \"\"\r\nFOR i = 1 TO 40\r\n  s = s + \"0123456789\"\r\nNEXT\r\n"
          "FOR i = 1 TO 8000\r\n  PRINT s\r\nNEXT\r\nPRINT \"end\"\r\n",
          64000000, &ended);
  ASSERT_TRUE(ended) << "the command was blocked";
  EXPECT_GE(out.size(), 8000u * 401u);
  EXPECT_EQ("end", out.substr(out.find_last_not_of("\r\n") - 2, 3));
}

TEST_F(CommandTest, OutputBeyondTheCapIsReadAndDropped) {
  bool ended = false;
  std::int64_t code = -1;
  const std::string out =
      Run("s = \"\"\r\nFOR i = 1 TO 40\r\n  s = s + \"0123456789\"\r\nNEXT\r\n"
          "FOR i = 1 TO 5000\r\n  PRINT s\r\nNEXT\r\nEXITEXIT 4\r\n",
          100000, &ended, &code);
  ASSERT_TRUE(ended) << "the command was blocked behind the cap";
  EXPECT_EQ(100000u, out.size());
  EXPECT_EQ(4, code);
}

TEST(StartProgram, UnknownProgramIsNull) {
  EXPECT_FALSE(StartProgram(u"no_such_program_zelk_test.exe", u"", StartPlacement{}));
  EXPECT_FALSE(StartProgram(u"\"C:\\no such folder\\x.exe\" a", u"", StartPlacement{}));
}

TEST(StartProgram, ExitCodeAfterTheEnd) {
  if (!fs::exists(Zelkrun())) GTEST_SKIP() << "zelkrun is not built beside the unit tests";
  const fs::path script = fs::temp_directory_path() / "zelk-exit-code.zls";
  std::ofstream(script) << "EXITEXIT 12\r\n";
  std::unique_ptr<Program> program =
      StartProgram(u"\"" + Zelkrun().u16string() + u"\" \"" + script.u16string() + u"\"", u"", {});
  ASSERT_TRUE(program);
  ASSERT_TRUE(program->WaitEnded(60000));
  EXPECT_EQ(12, program->ExitCode());
  fs::remove(script);
}

#ifdef _WIN32

// Notepad of the Wine prefix stands for a program with a window.
TEST(StartProgram, FindsAndPlacesTheProgramsWindow) {
  std::unique_ptr<Program> program = StartProgram(u"notepad.exe", u"", StartPlacement{});
  ASSERT_TRUE(program) << "notepad.exe cannot be started";
  program->WaitIdle(20000);
  std::uintptr_t window = 0;
  bool visible = false;
  for (int i = 0; i < 200 && !(window && visible); ++i) {
    window = program->ProgramWindow(&visible);
    if (!(window && visible)) Sleep(25);
  }
  ASSERT_NE(0u, window);
  EXPECT_TRUE(visible);
  HWND wnd = reinterpret_cast<HWND>(window);
  EXPECT_TRUE(PlaceWindow(window, 100, 120, 500, 350, true, true));
  RECT r{};
  GetWindowRect(wnd, &r);
  EXPECT_EQ(100, r.left);
  EXPECT_EQ(120, r.top);
  EXPECT_EQ(500, r.right - r.left);
  EXPECT_EQ(350, r.bottom - r.top);
  // Size only: the place stays.
  EXPECT_TRUE(PlaceWindow(window, -1, -1, 300, 200, false, true));
  GetWindowRect(wnd, &r);
  EXPECT_EQ(100, r.left);
  EXPECT_EQ(300, r.right - r.left);
  // The test started it, so the test ends it, by its id.
  DWORD id = 0;
  GetWindowThreadProcessId(wnd, &id);
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  ASSERT_TRUE(process);
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 5000);
  CloseHandle(process);
  EXPECT_TRUE(program->WaitEnded(5000));
}

#else

TEST(StartProgram, NoWindowsHere) {
  EXPECT_FALSE(HasWindows());
  std::unique_ptr<Program> program = StartProgram(u"sh -c \"exit 5\"", u"", {});
  ASSERT_TRUE(program);
  bool visible = true;
  EXPECT_EQ(0u, program->ProgramWindow(&visible));
  EXPECT_FALSE(visible);
  ASSERT_TRUE(program->WaitEnded(10000));
  EXPECT_EQ(5, program->ExitCode());
}

TEST(StartProgram, SplitsTheCommandLineAsWindowsDoes) {
  const fs::path out = fs::temp_directory_path() / "zelk-args.txt";
  std::unique_ptr<Program> program =
      StartProgram(u"sh -c \"printf '%s|' \\\"$@\\\" > '" + out.u16string() +
                       u"'\" sh \"a b\" c\\\\\\\"d e\\\\\\\\\"f g\"",
                   u"", {});
  ASSERT_TRUE(program);
  ASSERT_TRUE(program->WaitEnded(10000));
  std::ifstream in(out);
  std::string got;
  std::getline(in, got);
  EXPECT_EQ("a b|c\\\"d|e\\\\f g|", got);
  fs::remove(out);
}

#endif

TEST(WakeAt, CallsBackAtTheTimeUnlessCancelled) {
  std::atomic<int> calls{0};
  auto count = [](void* data) { ++*static_cast<std::atomic<int>*>(data); };
  const auto start = Clock::now();
  {
    std::unique_ptr<WakeTimer> timer = WakeAt(Now() + 0.3 / 86400.0, count, &calls);
    ASSERT_TRUE(timer);
    while (calls == 0 && Clock::now() - start < std::chrono::seconds(10)) SleepMs(5);
  }
  const auto took =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_EQ(1, calls);
  EXPECT_GE(took, 250);
  EXPECT_LT(took, 3000);
  { std::unique_ptr<WakeTimer> cancelled = WakeAt(Now() + 0.2 / 86400.0, count, &calls); }
  SleepMs(400);
  EXPECT_EQ(1, calls) << "a destroyed timer calls nothing";
}

TEST(CpuUsage, GivesAPercentOrNothing) {
  CpuUsage usage;
  const int first = usage.Sample();
  EXPECT_GE(first, -1);
  EXPECT_LE(first, 100);
  CpuTimes times;
  if (!ReadCpuTimes(&times)) GTEST_SKIP() << "the processor times cannot be read here";
  EXPECT_LE(times.busy, times.total);
}

}  // namespace
}  // namespace zelk::os
