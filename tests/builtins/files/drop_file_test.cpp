// DROPFILE against a real window of another process that accepts files: the
// drop fixture logs the point and the names that arrived.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// One running fixture_drop.exe and its log.
class DropTarget {
 public:
  DropTarget(const fs::path& log, const std::wstring& arguments = L"") : log_(log) {
    std::wstring command = L"\"" + ProgramFolder() + L"fixture_drop.exe\" \"" + log.wstring() +
                           L"\" \"ZELK Drop Target\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      ADD_FAILURE() << "fixture_drop.exe did not start: " << GetLastError();
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    WaitForInputIdle(process_, 10000);
    if (!WaitFor("READY ", 10000)) ADD_FAILURE() << "the fixture never logged READY";
  }
  ~DropTarget() {
    if (!process_) return;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
    // Wine takes a dead process's windows away a little later.
    for (int i = 0; i < 250 && FindWindowW(L"ZelkFixtureDrop", nullptr); ++i) Sleep(20);
  }
  DropTarget(const DropTarget&) = delete;
  DropTarget& operator=(const DropTarget&) = delete;

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("READY ", 0) != 0) lines.push_back(line);
    }
    return lines;
  }
  bool WaitFor(const std::string& prefix, int ms) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      std::ifstream in(log_);
      for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) == 0) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < end);
    return false;
  }

 private:
  fs::path log_;
  HANDLE process_ = nullptr;
};

class DropFileTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    folder_ = fs::temp_directory_path() /
              ("zelk-drop-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder_ / "sub");
    for (const char* name : {"a.txt", "b c.txt", "sub/inner.txt"}) {
      std::ofstream(folder_ / name) << "x";
    }
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    InterpreterTest::TearDown();
  }

  int Run(const std::vector<std::u16string>& lines) {
    host.printed.clear();
    host.errors.clear();
    const std::u16string path = (folder_ / "drop.zls").u16string();
    EXPECT_TRUE(SaveTextFile(path, lines, kEncodingUtf8));
    interp.SetMainThread();
    return RunScriptFile(interp, path, {});
  }
  std::string Errors() const {
    std::string all;
    for (const std::u16string& line : host.errors) all += Narrow(line) + "\n";
    return all;
  }
  std::string Folder() const { return folder_.string(); }
  std::u16string Folder16() const { return folder_.u16string(); }

  fs::path folder_;
};

TEST_F(DropFileTest, NamesArriveAtTheMiddleOrAtTheGivenPoint) {
  DropTarget target(folder_ / "drop.log");
  ASSERT_EQ(0,
            Run({u"id = GETID(\"ZELK Drop Target\")",
                 u"DROPFILE(id, \"" + Folder16() + u"\", \"a.txt\", \" b c.txt \", \"\")",
                 u"DIM names[] = \"sub\\inner.txt\", \"a.txt\"",
                 u"DROPFILE(id, 30, 40, \"" + Folder16() + u"\", names)",
                 u"// Beyond the client area nothing is dropped.",
                 u"DROPFILE(id, 5000, 10, \"" + Folder16() + u"\", \"a.txt\")", u"PRINT \"done\""}))
      << Errors();
  ASSERT_TRUE(target.WaitFor("FILE " + Folder() + "\\a.txt", 5000));
  ASSERT_TRUE(target.WaitFor("DROP 30 40", 5000)) << ::testing::PrintToString(target.Lines());
  Sleep(300);
  // The client area is 400 x 300: its middle is (200, 150).
  EXPECT_EQ(target.Lines(),
            (std::vector<std::string>{"DROP 200 150 2", "FILE " + Folder() + "\\a.txt",
                                      "FILE " + Folder() + "\\b c.txt", "DROP 30 40 2",
                                      "FILE " + Folder() + "\\sub\\inner.txt",
                                      "FILE " + Folder() + "\\a.txt"}));
}

TEST_F(DropFileTest, AMissingItemIsAnErrorTryTakesAndNoWindowDoesNothing) {
  DropTarget target(folder_ / "drop.log");
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Drop Target\")", u"TRY",
                    u"  DROPFILE(id, \"" + Folder16() + u"\", \"missing.txt\")", u"EXCEPT",
                    u"  PRINT COPY(TRY_ERRMSG, 1, 9)", u"ENDTRY",
                    u"DROPFILE(-1, \"" + Folder16() + u"\", \"a.txt\")", u"PRINT \"done\""}))
      << Errors();
  EXPECT_EQ(host.printed, (std::vector<std::u16string>{u"DropFile:", u"done"}));
  Sleep(300);
  EXPECT_TRUE(target.Lines().empty());
}

}  // namespace
}  // namespace zelk
#endif
