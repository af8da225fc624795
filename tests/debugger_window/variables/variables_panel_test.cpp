// The variables panel on a real run: a script runs on its own thread under
// the debug engine and stops at a breakpoint; the panel's grids are read the
// way a screen reader reads a list view, and a value is changed through the
// value box as a user would.
#include "debugger_window/variables/variables_panel.h"

#include <windows.h>
// commctrl.h needs windows.h first
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "debugger_window/variables/value_dialog.h"
#include "foundation/messages.h"
#include "foundation/settings.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/driver/run_driver.h"

namespace zelk::window {
namespace {

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::u16string Cell(HWND list, int row, int column) {
  wchar_t buffer[2048] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 2048;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return reinterpret_cast<const char16_t*>(buffer);
}

int Rows(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

// The row whose name cell is name, or -1.
int FindRow(HWND list, std::u16string_view name) {
  for (int i = 0; i < Rows(list); ++i) {
    if (Cell(list, i, 0) == name) return i;
  }
  return -1;
}

struct TipSearch {
  HWND grid;
  HWND tip = nullptr;
};

BOOL CALLBACK FindTip(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TipSearch*>(data);
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = search->grid;
  tool.uId = reinterpret_cast<UINT_PTR>(search->grid);
  if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0 &&
      SendMessageW(window, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool))) {
    search->tip = window;
    return FALSE;
  }
  return TRUE;
}

// The hint a grid's tooltip holds now: the tooltip that has the grid as its
// tool.
std::u16string TipText(HWND grid) {
  TipSearch search{grid};
  EnumThreadWindows(GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&search));
  if (search.tip == nullptr) return u"<no tooltip>";
  wchar_t buffer[1024] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = grid;
  tool.uId = reinterpret_cast<UINT_PTR>(grid);
  tool.lpszText = buffer;
  SendMessageW(search.tip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
  return reinterpret_cast<const char16_t*>(buffer);
}

class Debuggee : public RunHost, public DebugFrontEnd {
 public:
  Debuggee() : engine(interp, *this) {
    SetupPaths();
    interp.setHost(this);
  }
  void PrintLine(const std::u16string& text) override {
    std::lock_guard lock(mutex_);
    printed.push_back(text);
  }
  void ShowError(const std::u16string& text) override { PrintLine(u"error: " + text); }
  bool AskAbort(const std::u16string&) override { return true; }
  void DebugHook(THensuFmt& context, bool atEnd) override { engine.Hook(context, atEnd); }
  void SettleBeforeDialog() override {}
  void RunPrepared() override { engine.RunPrepared(); }
  void Stopped(StopReason, const std::u16string&) override { ++stops; }
  void Log(const std::u16string&) override {}
  void RefreshViews(THensuFmt& context) override {
    if (panel != nullptr) panel->Refresh(context);
  }
  std::vector<std::u16string> Printed() {
    std::lock_guard lock(mutex_);
    return printed;
  }

  Interpreter interp;
  DebugEngine engine;
  VariablesPanel* panel = nullptr;
  std::atomic<int> stops{0};

 private:
  std::mutex mutex_;
  std::vector<std::u16string> printed;
};

class VariablesPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    host_ = CreateWindowExW(0, L"STATIC", L"variables host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            300, 600, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    panel_ = VariablesPanel::Create(host_, d_.engine);
    panel_->SetBounds({0, 0, 240, 560});
    d_.panel = panel_.get();
  }
  void TearDown() override {
    if (run_.joinable()) {
      d_.engine.Stop();
      while (run_.joinable() && d_.engine.Paused()) {
        d_.engine.Stop();
        Pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      run_.join();
    }
    d_.panel = nullptr;
    panel_.reset();
    DestroyWindow(host_);
  }

  // Starts the script on its own thread with a breakpoint on line (1-based)
  // and waits, pumping, until the run stands there and the grids show it.
  void RunToLine(const std::vector<std::u16string>& script, int line) {
    const std::u16string path = os::TempFolder() + u"\\zelk-variables-panel-test.zls";
    ASSERT_TRUE(SaveTextFile(path, script, kEncodingUtf8));
    d_.engine.SetBreakpoints(0, {{line - 1, u"", u"", u""}});
    run_ = std::thread([this, path] {
      d_.engine.RunStarting(false);
      RunScriptFile(d_.interp, path, {});
      d_.engine.RunEnded();
    });
    ASSERT_TRUE(WaitFor([&] { return d_.stops == 1 && d_.engine.Paused(); }));
  }

  template <class Done>
  bool WaitFor(Done done) {
    for (int i = 0; i < 500; ++i) {
      Pump();
      if (done()) {
        Pump();
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Double-clicks the name cell of row as a user does.
  void DoubleClick(HWND list, int row) {
    RECT cell{};
    cell.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    POINT at{cell.left + 8, (cell.top + cell.bottom) / 2};
    POINT screen = at;
    ClientToScreen(list, &screen);
    SetCursorPos(screen.x, screen.y);
    const LPARAM where = MAKELPARAM(at.x, at.y);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageW(list, WM_LBUTTONUP, 0, where);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    SendMessageW(list, WM_LBUTTONUP, 0, where);
  }

  Debuggee d_;
  HWND host_ = nullptr;
  std::unique_ptr<VariablesPanel> panel_;
  std::thread run_;
};

// Finds the value box from another thread, reads it, types text and presses
// OK; the texts it saw come back.
struct ValueBoxDriver {
  std::u16string caption, name, text, kind;
  bool seen = false;
  std::thread thread;

  void Answer(const std::u16string& typed) {
    thread = std::thread([this, typed] {
      for (int i = 0; i < 300 && !seen; ++i) {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (box != nullptr && GetDlgItem(box, kValueEdit) != nullptr) {
          wchar_t buffer[512];
          GetWindowTextW(box, buffer, 512);
          caption = reinterpret_cast<const char16_t*>(buffer);
          GetDlgItemTextW(box, kValueNameLabel, buffer, 512);
          name = reinterpret_cast<const char16_t*>(buffer);
          GetDlgItemTextW(box, kValueEdit, buffer, 512);
          text = reinterpret_cast<const char16_t*>(buffer);
          GetDlgItemTextW(box, kValueKindLabel, buffer, 512);
          kind = reinterpret_cast<const char16_t*>(buffer);
          SetDlgItemTextW(box, kValueEdit, reinterpret_cast<const wchar_t*>(typed.c_str()));
          PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          seen = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
  }
  ~ValueBoxDriver() {
    if (thread.joinable()) thread.join();
  }
};

const std::vector<std::u16string> kScript = {
    u"PUBLIC total = 7",          // 1
    u"PUBLIC list[24]",           // 2
    u"FOR i = 0 TO 24",           // 3
    u"  list[i] = i",             // 4
    u"NEXT",                      // 5
    u"PRINT Shown(\"a<#CR>b\")",  // 6
    u"",                          // 7
    u"FUNCTION Shown(text)",      // 8
    u"  count = 123",             // 9
    u"  name = \"abc\"",          // 10
    u"  PRINT count",             // 11
    u"  PRINT name",              // 12
    u"  RESULT = total",          // 13
    u"FEND",                      // 14
};

TEST_F(VariablesPanelTest, GridsShowTheStopsVariables) {
  RunToLine(kScript, 11);
  HWND local = panel_->LocalGrid();
  HWND global = panel_->GlobalGrid();
  const int count = FindRow(local, u"COUNT");
  ASSERT_GE(count, 0) << "rows: " << Rows(local);
  EXPECT_EQ(Cell(local, count, 1), u"123");
  EXPECT_EQ(Cell(local, count, 2), u"5") << "kind column: numbers are doubles";
  const int text = FindRow(local, u"TEXT");
  ASSERT_GE(text, 0);
  EXPECT_EQ(Cell(local, text, 1), u"a<#CR>b");

  const int list = FindRow(global, u"LIST[]");
  ASSERT_GE(list, 0);
  EXPECT_EQ(Cell(global, list, 1), u"0, 1, 2, 3, 4, 5, 6, 7, 8, 9,...");
  EXPECT_EQ(Cell(global, list, 2), u"-1");
  EXPECT_GE(FindRow(global, u"TOTAL"), 0);
  // The last row is the empty one.
  EXPECT_EQ(Cell(global, Rows(global) - 1, 0), u"");

  // The call stack names the function first, the main program below.
  HWND stack = panel_->CallStackList();
  ASSERT_EQ(Rows(stack), 2);
  EXPECT_EQ(Cell(stack, 0, 0), u"SHOWN");
  EXPECT_NE(Cell(stack, 0, 1).find(u"11"), std::u16string::npos);
}

TEST_F(VariablesPanelTest, HintsNameTheKind) {
  RunToLine(kScript, 11);
  HWND global = panel_->GlobalGrid();
  const int list = FindRow(global, u"LIST[]");
  ASSERT_GE(list, 0);
  RECT cell{};
  cell.left = LVIR_BOUNDS;
  SendMessageW(global, LVM_GETITEMRECT, list, reinterpret_cast<LPARAM>(&cell));
  SendMessageW(global, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 5, (cell.top + cell.bottom) / 2));
  EXPECT_EQ(TipText(global), u"LIST[]\r\n0, 1, 2, 3, 4, 5, 6, 7, 8, 9,...\r\nArray of ");
  const int total = FindRow(global, u"TOTAL");
  ASSERT_GE(total, 0);
  SendMessageW(global, LVM_GETITEMRECT, total, reinterpret_cast<LPARAM>(&cell));
  SendMessageW(global, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 5, (cell.top + cell.bottom) / 2));
  EXPECT_EQ(TipText(global).substr(0, 10), u"TOTAL\r\n7\r\n");
  // Below the rows there is no cell and no hint.
  RECT client;
  GetClientRect(global, &client);
  SendMessageW(global, WM_MOUSEMOVE, 0, MAKELPARAM(5, client.bottom - 2));
  EXPECT_EQ(TipText(global), u"");
}

TEST_F(VariablesPanelTest, ChangingAValueWhilePausedReachesTheScript) {
  RunToLine(kScript, 11);
  HWND local = panel_->LocalGrid();
  const int count = FindRow(local, u"COUNT");
  ASSERT_GE(count, 0);
  ValueBoxDriver box;
  box.Answer(u"456");
  DoubleClick(local, count);
  box.thread.join();
  ASSERT_TRUE(box.seen) << "no value box";
  EXPECT_EQ(box.caption, u"Local");
  EXPECT_EQ(box.name, u"COUNT");
  EXPECT_EQ(box.text, u"123");
  EXPECT_EQ(box.kind, u"NUMERICAL");
  ASSERT_TRUE(WaitFor([&] { return Cell(local, FindRow(local, u"COUNT"), 1) == u"456"; }));

  // An array row cannot be changed: no box.
  HWND global = panel_->GlobalGrid();
  DoubleClick(global, FindRow(global, u"LIST[]"));
  Pump();
  EXPECT_EQ(FindWindowW(L"#32770", L"Global"), nullptr);

  d_.engine.Continue();
  ASSERT_TRUE(WaitFor([&] { return d_.Printed().size() >= 3; }));
  run_.join();
  EXPECT_EQ(d_.Printed()[0], u"456");
}

TEST_F(VariablesPanelTest, NothingChangesWhileTheRunGoesOn) {
  RunToLine(kScript, 11);
  d_.engine.Continue();
  ASSERT_TRUE(WaitFor([&] { return !d_.engine.Paused(); }));
  run_.join();
  // The grids keep the last stop's content; a double-click asks nothing.
  HWND local = panel_->LocalGrid();
  const int count = FindRow(local, u"COUNT");
  ASSERT_GE(count, 0);
  DoubleClick(local, count);
  Pump();
  EXPECT_EQ(FindWindowW(L"#32770", L"Local"), nullptr);
  panel_->Clear();
  EXPECT_EQ(Rows(local), 1);
  EXPECT_EQ(Rows(panel_->CallStackList()), 0);
}

TEST_F(VariablesPanelTest, WatchesAreEvaluatedAtTheStop) {
  RunToLine(kScript, 11);
  HWND edit = FindWindowExW(panel_->Window(), nullptr, L"EDIT", nullptr);
  HWND add = FindWindowExW(panel_->Window(), nullptr, L"BUTTON", L"Add");
  ASSERT_NE(edit, nullptr);
  ASSERT_NE(add, nullptr);
  SetWindowTextW(edit, L"count * 2");
  SendMessageW(add, BM_CLICK, 0, 0);
  SetWindowTextW(edit, L"nosuch(");
  SendMessageW(add, BM_CLICK, 0, 0);
  SetWindowTextW(edit, L"   ");  // blank: no watch
  SendMessageW(add, BM_CLICK, 0, 0);
  Pump();
  HWND watches = panel_->WatchList();
  ASSERT_EQ(Rows(watches), 2);
  EXPECT_EQ(Cell(watches, 0, 0), u"count * 2");
  EXPECT_EQ(Cell(watches, 0, 1), u"246");
  EXPECT_EQ(Cell(watches, 1, 1).substr(0, 1), u"<") << "an error is shown, not a crash";

  // The next stop evaluates them again; Delete removes one.
  d_.engine.StepOver();
  ASSERT_TRUE(WaitFor([&] { return d_.stops == 2 && d_.engine.Paused(); }));
  EXPECT_EQ(Cell(watches, 0, 1), u"246");
  SendMessageW(watches, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>([] {
                 static LVITEMW item{};
                 item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
                 return &item;
               }()));
  SendMessageW(watches, WM_KEYDOWN, VK_DELETE, 0);
  Pump();
  EXPECT_EQ(Rows(watches), 1);
}

TEST_F(VariablesPanelTest, PickingAFrameShowsItsVariables) {
  SourceLine picked;
  panel_->OnFrameSelected([&](SourceLine at) { picked = at; });
  RunToLine(kScript, 11);
  HWND stack = panel_->CallStackList();
  ASSERT_EQ(Rows(stack), 2);
  LVITEMW item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(stack, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
  Pump();
  EXPECT_EQ(picked.line + 1, 6) << "the caller's line";
  HWND local = panel_->LocalGrid();
  EXPECT_LT(FindRow(local, u"COUNT"), 0) << "the function's variables are gone";
}

TEST_F(VariablesPanelTest, ColumnsShareTheWidthAndTheKindColumnStaysHidden) {
  for (int width : {240, 301}) {
    panel_->SetBounds({0, 0, width, 560});
    for (HWND grid : {panel_->GlobalGrid(), panel_->LocalGrid()}) {
      RECT client;
      GetClientRect(grid, &client);
      EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0), client.right / 2 - 1) << width;
      EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 1, 0), client.right / 2 - 1) << width;
      EXPECT_EQ(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 2, 0), 0) << width;
    }
  }
  // The header row names the grids.
  wchar_t caption[32] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT;
  column.pszText = caption;
  column.cchTextMax = 32;
  SendMessageW(panel_->LocalGrid(), LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(caption)), u"Local");
  SendMessageW(panel_->GlobalGrid(), LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(caption)), u"Value");
}

TEST_F(VariablesPanelTest, JapaneseTabsAndValueBox) {
  SetJapaneseMessages(true);
  panel_.reset();
  panel_ = VariablesPanel::Create(host_, d_.engine);
  panel_->SetBounds({0, 0, 240, 560});
  d_.panel = panel_.get();
  HWND tabs = FindWindowExW(panel_->Window(), nullptr, WC_TABCONTROLW, nullptr);
  ASSERT_NE(tabs, nullptr);
  wchar_t text[32] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 32;
  SendMessageW(tabs, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(text)), u"呼び出し履歴");

  RunToLine(kScript, 11);
  HWND local = panel_->LocalGrid();
  ValueBoxDriver box;
  box.Answer(u"x");
  DoubleClick(local, FindRow(local, u"NAME"));
  box.thread.join();
  SetJapaneseMessages(false);
  ASSERT_TRUE(box.seen);
  EXPECT_EQ(box.kind, u"文字型");
  EXPECT_EQ(box.text, u"abc");
}

TEST_F(VariablesPanelTest, EnterChangesTheSelectedRowAndLongTextsStayWhole) {
  std::u16string longText(1500, u'y');
  std::vector<std::u16string> script = kScript;
  script[9] = u"  name = \"" + longText + u"\"";
  RunToLine(script, 11);
  HWND local = panel_->LocalGrid();
  const int name = FindRow(local, u"NAME");
  ASSERT_GE(name, 0);
  EXPECT_EQ(Cell(local, name, 1).size(), 1027u) << "the grid shows 1024 characters and ...";
  LVITEMW item{};
  item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(local, LVM_SETITEMSTATE, name, reinterpret_cast<LPARAM>(&item));
  ValueBoxDriver box;
  box.Answer(longText + u"z");
  SendMessageW(local, WM_KEYDOWN, VK_RETURN, 0);
  box.thread.join();
  ASSERT_TRUE(box.seen) << "no value box";
  EXPECT_EQ(box.text.size(), 511u) << "the driver reads 511 characters of the whole text";
  d_.engine.Continue();
  ASSERT_TRUE(WaitFor([&] { return d_.Printed().size() >= 2; }));
  run_.join();
  EXPECT_EQ(d_.Printed()[1], longText + u"z");
}

}  // namespace
}  // namespace zelk::window
