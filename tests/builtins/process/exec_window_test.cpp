// EXEC against a program that opens a second window late: the start of a
// program counts as an action that opens windows.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../windows/fixture_window.h"

namespace zelk {
namespace {

using namespace testing_desktop;

class ExecWindowTest : public DesktopScriptTest {};

// EXEC counts as an action that opens windows: the next GETID waits up to
// eight seconds for its window rather than the usual fraction of a second.
TEST_F(ExecWindowTest, TheNextGetIdWaitsForALateWindowOfTheProgram) {
  const std::wstring exe = ProgramFolder() + L"fixture_drop.exe";
  const std::u16string program(exe.begin(), exe.end());
  ASSERT_EQ(0, Run({u"q = CHR(34)",
                    u"id = EXEC(q + \"" + program + u"\" + q + \" \" + q + \"" + os::TempFolder() +
                        u"\\zelk-exec-window.log" + u"\" + q + \" ZelkExec 2500\")",
                    u"PRINT id > 0", u"PRINT GETID(\"ZELK Late Window\") > 0"}))
      << Errors();
  EXPECT_EQ(host.printed, (std::vector<std::u16string>{u"True", u"True"}));
  if (HWND main = FindWindowW(L"ZelkFixtureDrop", L"ZelkExec")) PostMessageW(main, WM_CLOSE, 0, 0);
  for (int i = 0; i < 250 && FindWindowW(L"ZelkFixtureDrop", nullptr); ++i) Sleep(20);
}

}  // namespace
}  // namespace zelk
#endif
