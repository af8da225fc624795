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

#include "../windows/fixture_window.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

using namespace testing_desktop;

// One running fixture_drop.exe; what it logs beside READY is what was dropped.
class DropTarget : public FixtureWindow {
 public:
  DropTarget() : FixtureWindow(L"ZELK Drop Target", L"fixture_drop.exe", L"") {}
  std::vector<std::string> Drops() const {
    std::vector<std::string> drops;
    for (std::string& line : Lines()) {
      if (line.rfind("READY ", 0) != 0) drops.push_back(std::move(line));
    }
    return drops;
  }
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
  DropTarget target;
  ASSERT_EQ(0,
            Run({u"id = GETID(\"ZELK Drop Target\")",
                 u"DROPFILE(id, \"" + Folder16() + u"\", \"a.txt\", \" b c.txt \", \"\")",
                 u"DIM names[] = \"sub\\inner.txt\", \"a.txt\"",
                 u"DROPFILE(id, 30, 40, \"" + Folder16() + u"\", names)",
                 u"// Beyond the client area nothing is dropped.",
                 u"DROPFILE(id, 5000, 10, \"" + Folder16() + u"\", \"a.txt\")", u"PRINT \"done\""}))
      << Errors();
  ASSERT_TRUE(target.WaitFor("FILE " + Folder() + "\\a.txt", 5000));
  ASSERT_TRUE(target.WaitFor("DROP 30 40", 5000)) << ::testing::PrintToString(target.Drops());
  Sleep(300);
  // The client area is 400 x 300: its middle is (200, 150).
  EXPECT_EQ(target.Drops(),
            (std::vector<std::string>{"DROP 200 150 2", "FILE " + Folder() + "\\a.txt",
                                      "FILE " + Folder() + "\\b c.txt", "DROP 30 40 2",
                                      "FILE " + Folder() + "\\sub\\inner.txt",
                                      "FILE " + Folder() + "\\a.txt"}));
}

TEST_F(DropFileTest, AMissingItemIsAnErrorTryTakesAndNoWindowDoesNothing) {
  DropTarget target;
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Drop Target\")", u"TRY",
                    u"  DROPFILE(id, \"" + Folder16() + u"\", \"missing.txt\")", u"EXCEPT",
                    u"  PRINT COPY(TRY_ERRMSG, 1, 9)", u"ENDTRY",
                    u"DROPFILE(-1, \"" + Folder16() + u"\", \"a.txt\")", u"PRINT \"done\""}))
      << Errors();
  EXPECT_EQ(host.printed, (std::vector<std::u16string>{u"DropFile:", u"done"}));
  Sleep(300);
  EXPECT_TRUE(target.Drops().empty());
}

}  // namespace
}  // namespace zelk
#endif
