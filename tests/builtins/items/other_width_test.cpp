// A program of the other pointer width: list views, tree views, tabs and
// toolbars are read and driven through structures laid out for the target,
// so a 32-bit target must answer the 64-bit interpreter, and a 64-bit target
// the 32-bit zelkrun, exactly as a target of the interpreter's own width.
#ifdef _WIN32
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "items_fixture.h"

namespace zelk {
namespace {

using namespace testing_desktop;

const std::vector<std::u16string>& SessionLines() {
  static const std::vector<std::u16string> lines = [] {
    auto list = [](const char16_t* call) {
      return std::u16string(u"PRINT ") + call + u" + \": \" + JOIN(ALL_ITEM_LIST, \"|\")";
    };
    return std::vector<std::u16string>{
        u"id = GETID(\"ZELK Fixture Items\")",
        list(u"GETITEM(id, ITM_TAB)"),
        list(u"GETITEM(id, ITM_TREEVIEW)"),
        list(u"GETITEM(id, ITM_LISTVIEW)"),
        list(u"GETITEM(id, ITM_TOOLBAR)"),
        u"PRINT CLKITEM(id, \"Third\", CLK_TAB)",
        u"PRINT CLKITEM(id, \"Root\\Child A\\Leaf 2\", CLK_TREEVIEW)",
        u"PRINT CLKITEM(id, \"Row 3\", CLK_LISTVIEW)",
        u"PRINT CHKBTN(id, \"Row 3\")",
        u"PRINT CLKITEM(id, \"Print\", CLK_TOOLBAR)",
        u"PRINT STATUS(id, ST_WIN64)",
    };
  }();
  return lines;
}

class OtherWidthTest : public DesktopScriptTest {
 protected:
  void SetUp() override {
    DesktopScriptTest::SetUp();
    // ./dev says whether this machine runs 32-bit programs; on Windows they run.
    const char* runs = std::getenv("ZELK_32BIT_RUNS");
    if (runs && std::string(runs) == "0") GTEST_SKIP() << "this machine cannot run 32-bit programs";
    if (sizeof(void*) != 8) GTEST_SKIP() << "the 64-bit build drives both directions";
    for (const wchar_t* program : {kOther, kOtherZelkrun}) {
      if (GetFileAttributesW((ProgramFolder() + program).c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no 32-bit build beside this one";
      }
    }
  }

  // What the session prints against the fixture program, and the state it
  // leaves there; zelkrun32 runs it in the 32-bit zelkrun instead of here.
  std::string Session(const wchar_t* program, bool zelkrun32) {
    ItemsFixture fixture(L"ZELK Fixture Items", 10, program);
    if (!fixture.window()) return "no fixture";
    std::string printed;
    if (zelkrun32) {
      printed = RunZelkrun32();
    } else if (const int status = Run(SessionLines()); status != 0) {
      return "status " + std::to_string(status) + ": " + Errors();
    } else {
      printed = Printed();
    }
    return printed + "tab=" + fixture.State("tab") + " tree=" + fixture.State("tree") +
           " listview=" + fixture.State("listview") + " lvchecks=" + fixture.State("lvchecks") +
           " toolbar=" + fixture.State("toolbar");
  }

  static std::string RunZelkrun32() {
    const std::wstring folder = Wide(os::TempFolder()) + L"\\";
    const std::wstring stem = L"zelk-width-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring script = folder + stem + L".zls", out = folder + stem + L".out";
    {
      std::ofstream file(std::filesystem::path(script), std::ios::binary);
      for (const std::u16string& line : SessionLines()) file << Narrow(line) << "\r\n";
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, 0, nullptr);
    std::wstring command = L"\"" + ProgramFolder() + kOtherZelkrun + L"\" \"" + script + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION info{};
    std::string result = "zelkrun32 did not start";
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &info)) {
      if (WaitForSingleObject(info.hProcess, 60000) == WAIT_TIMEOUT) {
        TerminateProcess(info.hProcess, 1);
        result = "zelkrun32 did not end";
      } else {
        result.clear();
      }
      CloseHandle(info.hThread);
      CloseHandle(info.hProcess);
    }
    CloseHandle(output);
    if (result.empty()) {
      std::ifstream file(std::filesystem::path(out), std::ios::binary);
      for (char c; file.get(c);) {
        if (c != '\r') result += c;
      }
    }
    DeleteFileW(script.c_str());
    DeleteFileW(out.c_str());
    return result;
  }

  static constexpr const wchar_t* kOther = L"..\\..\\win\\bin\\fixture_items.exe";
  static constexpr const wchar_t* kOtherZelkrun = L"..\\..\\win\\bin\\zelkrun.exe";
};

// The last printed line is ST_WIN64: which width the target has.
std::string WithoutWidth(const std::string& session) {
  const std::size_t end = session.rfind("tab=");
  if (end == std::string::npos || end < 2) return session;
  const std::size_t last = session.rfind('\n', end - 2);
  return session.substr(0, last == std::string::npos ? 0 : last + 1) + session.substr(end);
}

TEST_F(OtherWidthTest, TheInterpreterDrivesA32BitProgramAsOneOfItsOwnWidth) {
  const std::string own = Session(L"fixture_items.exe", false);
  ASSERT_NE(std::string::npos, own.find("Leaf 2")) << own;
  ASSERT_NE(std::string::npos, own.find("True\ntab=")) << "a 64-bit program is one: " << own;
  const std::string other = Session(kOther, false);
  EXPECT_NE(std::string::npos, other.find("False\ntab=")) << "a 32-bit program is not: " << other;
  EXPECT_EQ(WithoutWidth(own), WithoutWidth(other));
}

TEST_F(OtherWidthTest, The32BitZelkrunDrivesA64BitProgramAsOneOfItsOwnWidth) {
  const std::string own = Session(kOther, true);
  ASSERT_NE(std::string::npos, own.find("Leaf 2")) << own;
  const std::string other = Session(L"fixture_items.exe", true);
  EXPECT_NE(std::string::npos, other.find("True\ntab=")) << other;
  EXPECT_EQ(WithoutWidth(own), WithoutWidth(other));
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
