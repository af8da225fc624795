// The text built-ins against programs that come with the system: Notepad
// (an edit and a menu bar) and the registry editor (a tree view and a list
// view with columns).
#ifdef _WIN32
#include <windows.h>

#include <string>

#include "../windows/fixture_window.h"

namespace zelk {
namespace {

using namespace testing_desktop;

// A system program started for one test and ended with it.
class SystemProgram {
 public:
  SystemProgram(const wchar_t* program, const wchar_t* windowClass) {
    std::wstring command = program;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    WaitForInputIdle(process_, 10000);
    for (int i = 0; i < 500 && !window_; ++i) {
      HWND found = FindWindowW(windowClass, nullptr);
      DWORD pid = 0;
      if (found) GetWindowThreadProcessId(found, &pid);
      if (found && pid == info.dwProcessId && IsWindowVisible(found)) {
        window_ = found;
      } else {
        Sleep(20);
      }
    }
  }
  ~SystemProgram() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 5000);
    for (int i = 0; i < 250 && IsWindow(window_); ++i) Sleep(20);
    CloseHandle(process_);
  }
  SystemProgram(const SystemProgram&) = delete;
  SystemProgram& operator=(const SystemProgram&) = delete;

  HWND window() const { return window_; }

 private:
  HANDLE process_ = nullptr;
  HWND window_ = nullptr;
};

class SystemProgramTest : public DesktopScriptTest {};

TEST_F(SystemProgramTest, NotepadTakesTextAndGivesItBack) {
  SystemProgram notepad(L"notepad.exe", L"Notepad");
  if (!notepad.window()) GTEST_SKIP() << "notepad.exe did not start here";
  HWND edit = FindWindowExW(notepad.window(), nullptr, L"Edit", nullptr);
  ASSERT_TRUE(edit);
  ASSERT_EQ(0,
            Run({
                u"id = GETID(\"Notepad\", \"Notepad\")", u"SENDSTR(id, \"Hello from ZELK\", 1, 1)",
                u"PRINT GETSTR(id, 1)", u"SENDSTR(id, \", line two\", 1)",
                u"PRINT GETSTR(id)",  // n 0: the focused edit
            }))
      << Errors();
  EXPECT_EQ("Hello from ZELK\nHello from ZELK, line two\n", Printed());
  // What the edit itself holds, asked without the built-ins.
  wchar_t text[64] = {};
  SendMessageW(edit, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(L"Hello from ZELK, line two"), text);
  // The text was set as a user's change: the edit is modified, which Notepad
  // asks before it closes.
  EXPECT_NE(0, SendMessageW(edit, EM_GETMODIFY, 0, 0));

  if (GetMenuItemCount(GetMenu(notepad.window())) < 0) {
    GTEST_SKIP() << "this system (Wine) cannot read the menu of another process";
  }
  ASSERT_EQ(0, Run({u"id = GETID(\"Notepad\", \"Notepad\")", u"n = GETITEM(id, ITM_MENU)",
                    u"PRINT ALL_ITEM_LIST[0] + \" \" + (n > 10)"}))
      << Errors();
  EXPECT_EQ("File True\n", Printed());
}

TEST_F(SystemProgramTest, RegistryEditorListsItsTreeAndColumns) {
  SystemProgram regedit(L"regedit.exe", L"RegEdit_RegEdit");
  if (!regedit.window()) GTEST_SKIP() << "regedit.exe did not start here";
  ASSERT_EQ(0,
            Run({
                u"id = GETID(\"Registry Editor\", \"RegEdit_RegEdit\")",
                u"n = GETITEM(id, ITM_TREEVIEW)",
                u"t = JOIN(ALL_ITEM_LIST, \"|\")",
                u"PRINT (POS(\"HKEY_CURRENT_USER\", t) > 0) + \" \" + (POS(\"HKEY_LOCAL_MACHINE\", "
                u"t) > 0)",
                u"GETITEM(id, ITM_LISTVIEW, 1, -1)",
                u"PRINT ALL_ITEM_LIST[0] + \"|\" + ALL_ITEM_LIST[1] + \"|\" + ALL_ITEM_LIST[2]",
            }))
      << Errors();
  EXPECT_EQ("True True\nName|Type|Data\n", Printed());
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
