// The source editor in a real window: what it shows, what the gutter does,
// editing with undo and redo, searching, saving and scrolling.
#include <windows.h>

#include <gtest/gtest.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "debugger/syntax/colour_runs.h"
#include "debugger_window/editor/code_view.h"
#include "editor_fixture.h"

namespace zelk::window::testing {
namespace {

using Lines = std::vector<std::u16string>;

// The look's colour (the plain text colour included) that the pixel shows,
// blended with the background as smoothed glyph edges are.
int ClassOfPixel(COLORREF c, const AppearanceSettings& look) {
  const COLORREF bg = look.background;
  const double pixel[3] = {double(GetRValue(c)), double(GetGValue(c)), double(GetBValue(c))};
  const double back[3] = {double(GetRValue(bg)), double(GetGValue(bg)), double(GetBValue(bg))};
  int best = kPlainWord;
  double bestResidual = -1;
  for (int k = 0; k < kWordClassCount; ++k) {
    const COLORREF ref = k == kPlainWord ? look.textColour : look.classes[k].colour;
    const double fore[3] = {double(GetRValue(ref)), double(GetGValue(ref)), double(GetBValue(ref))};
    // The coverage that fits best, then how far the blend is from the pixel.
    double num = 0, den = 0;
    for (int i = 0; i < 3; ++i) {
      num += (pixel[i] - back[i]) * (fore[i] - back[i]);
      den += (fore[i] - back[i]) * (fore[i] - back[i]);
    }
    const double alpha = den > 0 ? std::clamp(num / den, 0.0, 1.0) : 0;
    double residual = 0;
    for (int i = 0; i < 3; ++i) {
      const double d = pixel[i] - (back[i] + alpha * (fore[i] - back[i]));
      residual += d * d;
    }
    if (bestResidual < 0 || residual < bestResidual) {
      bestResidual = residual;
      best = k;
    }
  }
  return best;
}

// The area of columns [from, to) of a line on screen.
RECT CellArea(HWND text, int lineOffset, int from, int to, int lineHeight) {
  const LRESULT a = SendMessageW(text, EM_POSFROMCHAR, lineOffset + from, 0);
  const LRESULT b = SendMessageW(text, EM_POSFROMCHAR, lineOffset + to, 0);
  return {static_cast<short>(LOWORD(a)), static_cast<short>(HIWORD(a)),
          static_cast<short>(LOWORD(b)), static_cast<short>(HIWORD(a)) + lineHeight};
}

TEST_F(EditorTest, ShowsEachWordInTheColourOfItsClass) {
  const Lines lines = {u"FOR i = 1 TO 10 STEP 2 // count", u"  PRINT \"TO\" + TRUE",
                       u"\tx = LENGTH(G_SCREEN_W)", u"TO = 5"};
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"colours.zls", Utf8(lines))));
  Pump();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(RunsText(LineColourRuns(lines[i], look_)), editor_->LineRuns(i)) << "line " << i;
  }
  // What is drawn: the strongest pixel of each word has its class's colour.
  HWND text = editor_->TextWindow();
  const Snapshot shot(text);
  const int lineHeight = editor_->LineHeight();
  for (int line = 0; line < 4; ++line) {
    const auto offset = static_cast<int>(SendMessageW(text, EM_LINEINDEX, line, 0));
    ColourRuns runs = LineColourRuns(lines[line], look_);
    int plainFrom = 0;
    runs.push_back({kPlainWord, static_cast<int>(lines[line].size()), 0});
    for (const ColourRun& run : runs) {
      // The plain stretch before the run shows no class colour.
      for (int col = plainFrom; col < run.start; ++col) {
        const char16_t c = lines[line][static_cast<std::size_t>(col)];
        if (c == u' ' || c == u'\t') continue;
        const COLORREF pixel =
            shot.Strongest(CellArea(text, offset, col, col + 1, lineHeight), look_.background);
        EXPECT_EQ(kPlainWord, ClassOfPixel(pixel, look_)) << "line " << line << " column " << col;
      }
      if (run.length > 0) {
        const COLORREF pixel =
            shot.Strongest(CellArea(text, offset, run.start, run.start + run.length, lineHeight),
                           look_.background);
        EXPECT_EQ(run.wordClass, ClassOfPixel(pixel, look_))
            << "line " << line << " run at " << run.start;
      }
      plainFrom = run.start + run.length;
    }
  }
}

TEST_F(EditorTest, LoadingSplitsLongLinesAndAFailedLoadLeavesItEmpty) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"long.zls", Utf8({std::u16string(2500, u'x')}))));
  const Lines lines = editor_->Lines();
  ASSERT_EQ(3u, lines.size());
  EXPECT_TRUE(lines[0].ends_with(u"x_"));
  EXPECT_TRUE(lines[1].ends_with(u"x_"));
  EXPECT_EQ(460u, lines[2].size());
  EXPECT_FALSE(editor_->IsModified());

  EXPECT_FALSE(editor_->LoadFile(u"C:\\no\\such\\file.zls"));
  EXPECT_EQ(u"C:\\NO\\SUCH\\FILE.ZLS", editor_->FilePath());
  EXPECT_EQ(Lines{u""}, editor_->Lines());
}

TEST_F(EditorTest, GutterClicksToggleBreakpointsOnlyWhereOneCanBe) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(
      u"marks.zls", Utf8({u"x = 1", u"// note", u"", u"FUNCTION F()", u"  PRINT 2", u"FEND"}))));
  int changes = 0;
  editor_->OnBreakpointsChanged([&] { ++changes; });
  HWND gutter = editor_->GutterWindow();
  const int lineHeight = editor_->LineHeight();
  auto click = [&](int row) {
    const LPARAM at = MAKELPARAM(4, row * lineHeight + lineHeight / 2);
    PostMessageW(gutter, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(gutter, WM_LBUTTONUP, 0, at);
    Pump();
  };
  for (int row : {0, 1, 2, 3, 4, 20}) click(row);
  EXPECT_EQ((std::vector<bool>{true, false, false, false, true, false}),
            editor_->BreakpointMarks());
  EXPECT_EQ(2, changes);
  click(0);
  EXPECT_FALSE(editor_->HasBreakpoint(0)) << "a marked line is always cleared";
  EXPECT_EQ(3, changes);

  editor_->HighlightLine(4, true);
  EXPECT_EQ(4, editor_->CurrentLine());
  EXPECT_EQ(u"  PRINT 2\r\n", editor_->SelectedText());
  const std::u16string described = WindowText(gutter);
  EXPECT_EQ(0u, described.find(u"breakpoints: 5; current: 5; first: 1; line height: "))
      << std::string(described.begin(), described.end());
  const Snapshot shot(gutter);
  const int x = shot.width() - 1;
  EXPECT_EQ(RGB(255, 0, 255), shot.At(x, 4 * lineHeight + 1)) << "breakpoint and current line";
  EXPECT_EQ(RGB(245, 245, 245), shot.At(x, 0 * lineHeight + 1));
  editor_->HighlightLine(3, true);
  EXPECT_EQ(RGB(166, 202, 240), Snapshot(gutter).At(x, 3 * lineHeight + 1));
  EXPECT_EQ(RGB(255, 0, 0), Snapshot(gutter).At(x, 4 * lineHeight + 1));
  editor_->ClearHighlight();
  EXPECT_EQ(0u, WindowText(gutter).find(u"breakpoints: 5; current: none;"));
}

TEST_F(EditorTest, BreakpointsFollowTheirLinesWhileEditing) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"follow.zls", Utf8({u"a = 1", u"b = 2"}))));
  editor_->ToggleBreakpoint(1);
  int changes = 0;
  editor_->OnBreakpointsChanged([&] { ++changes; });
  HWND text = editor_->TextWindow();
  SendMessageW(text, EM_SETSEL, 5, 5);  // end of line 0
  PostMessageW(text, WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_EQ((std::vector<bool>{false, false, true}), editor_->BreakpointMarks());
  EXPECT_EQ(1, changes);
  PostMessageW(text, WM_UNDO, 0, 0);
  Pump();
  EXPECT_EQ((std::vector<bool>{false, true}), editor_->BreakpointMarks());
}

TEST_F(EditorTest, EveryUndoChangesTheTextAndRedoBringsItBack) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"undo.zls", Utf8({u"PRINT 1"}))));
  HWND text = editor_->TextWindow();
  SendMessageW(text, EM_SETSEL, 7, 7);
  for (char16_t c : std::u16string(u"xy")) PostMessageW(text, WM_CHAR, c, 0);
  PostMessageW(text, WM_KEYDOWN, VK_RETURN, 0);
  for (char16_t c : std::u16string(u"TRUE")) PostMessageW(text, WM_CHAR, c, 0);
  Pump();
  const std::u16string typed = WindowText(text);
  EXPECT_EQ(u"PRINT 1xy\r\nTRUE", typed);
  EXPECT_EQ(u"2,0,4,", editor_->LineRuns(1)) << "typed text is coloured";
  EXPECT_TRUE(editor_->IsModified());

  std::vector<std::u16string> seen = {typed};
  while (SendMessageW(text, EM_CANUNDO, 0, 0)) {
    SendMessageW(text, WM_UNDO, 0, 0);
    Pump();
    EXPECT_NE(seen.back(), WindowText(text)) << "an undo step that changed nothing";
    seen.push_back(WindowText(text));
  }
  EXPECT_EQ((std::vector<std::u16string>{typed, u"PRINT 1xy\r\n", u"PRINT 1xy", u"PRINT 1"}), seen);
  EXPECT_FALSE(editor_->IsModified());
  while (SendMessageW(text, EM_CANREDO, 0, 0)) SendMessageW(text, EM_REDO, 0, 0);
  Pump();
  EXPECT_EQ(typed, WindowText(text));
  EXPECT_EQ(u"2,0,4,", editor_->LineRuns(1));

  // Nothing changes a read-only editor.
  editor_->SetReadOnly(true);
  PostMessageW(text, WM_CHAR, u'z', 0);
  PostMessageW(text, WM_UNDO, 0, 0);
  Pump();
  EXPECT_EQ(typed, WindowText(text));
}

TEST_F(EditorTest, PastedTextArrivesColoured) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"paste.zls", Utf8({u"x = 1"}))));
  const std::u16string pasted = u"PRINT TRUE\r\ns = \"a\" // c";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(char16_t));
  std::copy_n(pasted.c_str(), pasted.size() + 1, static_cast<char16_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  HWND text = editor_->TextWindow();
  SendMessageW(text, EM_SETSEL, 0, 0);
  SendMessageW(text, WM_PASTE, 0, 0);
  Pump();
  EXPECT_EQ(u"PRINT TRUE\r\ns = \"a\" // cx = 1", WindowText(text));
  EXPECT_EQ(RunsText(LineColourRuns(u"PRINT TRUE", look_)), editor_->LineRuns(0));
  EXPECT_EQ(RunsText(LineColourRuns(u"s = \"a\" // cx = 1", look_)), editor_->LineRuns(1));
}

TEST_F(EditorTest, FindNeverWrapsAround) {
  ASSERT_TRUE(editor_->LoadFile(
      WriteFile(u"find.zls", Utf8({u"alpha", u"beta", u"gamma beta", u"delta"}))));
  editor_->GoToLine(3);
  EXPECT_EQ(-1, editor_->Find(true, u"beta", true));
  EXPECT_EQ(3, editor_->CaretLine()) << "a failed search leaves the caret";
  EXPECT_EQ(2, editor_->Find(false, u"BETA", true));
  EXPECT_EQ(u"beta", editor_->SelectedText());
  EXPECT_EQ(1, editor_->Find(false, u"beta", false));
  EXPECT_EQ(-1, editor_->Find(false, u"beta", true));
  EXPECT_EQ(-1, editor_->Find(true, u"", true));
}

TEST_F(EditorTest, SavesInTheFileEncoding) {
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("x\0=\0\x31\0\r\0\n\0", 10);
  const std::u16string path = WriteFile(u"wide.zls", utf16);
  ASSERT_TRUE(editor_->LoadFile(path));
  EXPECT_EQ(64, editor_->FileEncoding());
  SendMessageW(editor_->TextWindow(), EM_SETSEL, 3, 3);
  PostMessageW(editor_->TextWindow(), WM_CHAR, u'2', 0);
  Pump();
  ASSERT_TRUE(editor_->IsModified());
  EXPECT_FALSE(editor_->SaveFile(u"", false)) << "writing failed";
  EXPECT_FALSE(editor_->IsModified());
  EXPECT_EQ(std::string("\xFF\xFE", 2) + std::string("x\0=\0\x31\0\x32\0\r\0\n\0", 12),
            ReadFile(path));

  const std::u16string other = (folder_ / "other.zls").u16string();
  PostMessageW(editor_->TextWindow(), WM_CHAR, u'3', 0);
  Pump();
  EXPECT_FALSE(editor_->SaveFile(other, false));
  EXPECT_TRUE(editor_->IsModified()) << "a copy elsewhere leaves the file unsaved";
  EXPECT_FALSE(editor_->SaveFile(other, true));
  EXPECT_FALSE(editor_->IsModified());
  EXPECT_TRUE(editor_->FilePath().ends_with(u"\\OTHER.ZLS"));
  EXPECT_TRUE(editor_->SaveFile(u"C:\\no\\such\\folder\\x.zls", false)) << "a failed write";

  // A UTF-8 file keeps its mark; a plain one keeps a character that the
  // ANSI code page lacks.
  const std::u16string marked = WriteFile(u"marked.zls", "\xEF\xBB\xBFx = 1\r\n");
  ASSERT_TRUE(editor_->LoadFile(marked));
  SendMessageW(editor_->TextWindow(), EM_SETSEL, 5, 5);
  PostMessageW(editor_->TextWindow(), WM_CHAR, u'\u3042', 0);
  Pump();
  EXPECT_FALSE(editor_->SaveFile(u"", false));
  EXPECT_EQ("\xEF\xBB\xBFx = 1\xE3\x81\x82\r\n", ReadFile(marked));
  const std::u16string plain = WriteFile(u"plain.zls", "x = 1\r\n");
  ASSERT_TRUE(editor_->LoadFile(plain));
  SendMessageW(editor_->TextWindow(), EM_SETSEL, 5, 5);
  PostMessageW(editor_->TextWindow(), WM_CHAR, u'\u3042', 0);
  Pump();
  EXPECT_FALSE(editor_->SaveFile(u"", false));
  ASSERT_TRUE(editor_->LoadFile(plain));
  EXPECT_EQ(std::vector<std::u16string>{u"x = 1\u3042"}, editor_->Lines()) << "nothing lost";
}

TEST_F(EditorTest, ScrollsByWholeLines) {
  Lines lines;
  for (int i = 0; i < 200; ++i) lines.push_back(u"x = " + std::u16string(1, u'0' + i % 10));
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"scroll.zls", Utf8(lines))));
  HWND text = editor_->TextWindow();
  UINT wheelLines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &wheelLines, 0);
  if (wheelLines > 10) wheelLines = 3;
  SendMessageW(text, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(static_cast<int>(wheelLines), editor_->FirstVisibleLine());
  SendMessageW(text, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(0, editor_->FirstVisibleLine());
  RECT client;
  GetClientRect(text, &client);
  const int visible = client.bottom / editor_->LineHeight();
  SendMessageW(text, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(visible - 1, editor_->FirstVisibleLine());
  // Near the end a page down takes the caret to the last line.
  SendMessageW(text, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(text, EM_SETSEL, 0, 0);
  SendMessageW(text, EM_LINESCROLL, 0, 200 - 2 * visible + 1);
  const int nearEnd = editor_->FirstVisibleLine();
  EXPECT_EQ(200 - 2 * visible + 1, nearEnd);
  PostMessageW(text, WM_KEYDOWN, VK_NEXT, 0);
  Pump();
  EXPECT_EQ(199, editor_->CaretLine());
  EXPECT_EQ(200 - visible, editor_->FirstVisibleLine());
  SendMessageW(text, WM_VSCROLL, SB_TOP, 0);
  SendMessageW(text, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(200 - visible, editor_->FirstVisibleLine()) << "the last line at the bottom";
  EXPECT_EQ(199, editor_->CaretLine());
  // The gutter follows the text.
  EXPECT_NE(std::u16string::npos, WindowText(editor_->GutterWindow()).find(u"first: " + [&] {
    std::string n = std::to_string(200 - visible + 1);
    return std::u16string(n.begin(), n.end());
  }()));
}

TEST_F(EditorTest, TheCurrentLineIsShownWithALineAboveIt) {
  Lines lines;
  for (int i = 0; i < 200; ++i) lines.push_back(u"x = 1");
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"current.zls", Utf8(lines))));
  SendMessageW(editor_->TextWindow(), EM_LINESCROLL, 0, 100);
  ASSERT_EQ(100, editor_->FirstVisibleLine());
  editor_->HighlightLine(50, true);
  EXPECT_EQ(49, editor_->FirstVisibleLine()) << "coming from below, one more line above";
  EXPECT_EQ(50, editor_->CurrentLine());
  editor_->HighlightLine(-1, true);
  EXPECT_EQ(199, editor_->CurrentLine()) << "a negative line is the last";
  editor_->HighlightLine(10, false);
  EXPECT_EQ(199, editor_->CurrentLine()) << "without select only the caret moves";
  EXPECT_EQ(10, editor_->CaretLine());
}

TEST_F(EditorTest, APastedLineOfAMillionCharactersIsShownAtOnce) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"long.zls", Utf8({u"x = 1"}))));
  std::u16string pasted;
  for (int i = 0; i < 500000; ++i) pasted += u"a,";  // half a million tokens
  pasted += u" = TRUE";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(char16_t));
  std::copy_n(pasted.c_str(), pasted.size() + 1, static_cast<char16_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  HWND text = editor_->TextWindow();
  const auto start = std::chrono::steady_clock::now();
  SendMessageW(text, WM_PASTE, 0, 0);
  Pump();
  UpdateWindow(text);
  const Snapshot end(text);  // the caret, at the end of the line, is in view
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  std::printf("[ measure  ] a line of a million characters pasted and drawn in %lld ms\n",
              static_cast<long long>(ms));
  EXPECT_LT(ms, 3000);
  EXPECT_EQ(1000012, static_cast<int>(SendMessageW(text, WM_GETTEXTLENGTH, 0, 0)));
  RECT row{0, 0, end.width(), editor_->LineHeight()};
  EXPECT_NE(look_.background, end.Strongest(row, look_.background)) << "the line's end is drawn";
}

// Reads the items of the context menu that pops up, then closes it.
std::vector<std::u16string> MenuItems(HWND text, POINT screen) {
  std::vector<std::u16string> items;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    for (int attempt = 0; attempt < 200 && !done; ++attempt) {
      HWND menu = FindWindowW(L"#32768", nullptr);
      if (menu && IsWindowVisible(menu)) {
        auto handle = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(handle); ++i) {
          wchar_t caption[100] = {};
          GetMenuStringW(handle, static_cast<UINT>(i), caption, 100, MF_BYPOSITION);
          const bool grayed = GetMenuState(handle, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED;
          items.push_back((grayed ? u"-" : u"") +
                          std::u16string(reinterpret_cast<const char16_t*>(caption)));
        }
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
      }
      Sleep(20);
    }
  });
  SendMessageW(text, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(text),
               MAKELPARAM(screen.x, screen.y));
  done = true;
  reader.join();
  return items;
}

TEST_F(EditorTest, TheContextMenuOffersHelpForTheWordUnderTheMouse) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"menu.zls", Utf8({u"x = LENGTH(s) + SIN(1)"}))));
  HWND text = editor_->TextWindow();
  const int lineHeight = editor_->LineHeight();
  auto screenAt = [&](int offset) {
    const LRESULT at = SendMessageW(text, EM_POSFROMCHAR, offset, 0);
    POINT p{static_cast<short>(LOWORD(at)) + 2, static_cast<short>(HIWORD(at)) + lineHeight / 2};
    ClientToScreen(text, &p);
    return p;
  };
  std::vector<std::u16string> items = MenuItems(text, screenAt(6));
  ASSERT_EQ(11u, items.size());
  EXPECT_EQ(u"-Undo\tCtrl+Z", items[0]);
  EXPECT_EQ(u"-Cut\tCtrl+X", items[3]) << "nothing is selected";
  EXPECT_EQ(u"Select All     \tCtrl+A", items[8]);
  EXPECT_EQ(u"Help LENGTH\tCtrl+H", items[10]);
  EXPECT_EQ(u"Help SIN\tCtrl+H", MenuItems(text, screenAt(17)).back());
  EXPECT_EQ(u"ZELK Help\tCtrl+H", MenuItems(text, screenAt(0)).back()) << "x is no function";
}

// The text area alone: how much colouring work loading and typing cost.
class CountingOwner : public CodeViewOwner {
 public:
  void OnTextChange(const LineChange&) override {}
  void OnViewMoved() override {}
  void OnContextMenu(POINT, bool) override {}
  void OnHelpKey() override {}
};

TEST_F(EditorTest, ATwentyThousandLineFileOpensQuicklyAndTypingColoursOneLine) {
  Lines lines;
  for (int i = 0; i < 20000; ++i) {
    switch (i % 4) {
      case 0:
        lines.push_back(u"FOR i = 1 TO 10 STEP 2  // loop");
        break;
      case 1:
        lines.push_back(u"  s = \"text \" + LENGTH(s) + G_SCREEN_W");
        break;
      case 2:
        lines.push_back(u"  IFB s = TRUE THEN PRINT s");
        break;
      default:
        lines.push_back(u"NEXT");
    }
  }
  const std::u16string path = WriteFile(u"big.zls", Utf8(lines));
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(editor_->LoadFile(path));
  UpdateWindow(host_);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  std::printf("[ measure  ] 20,000 lines loaded, coloured and drawn in %lld ms\n",
              static_cast<long long>(ms));
  EXPECT_LT(ms, 1000);
  EXPECT_EQ(20000, editor_->LineCount());

  CountingOwner owner;
  CodeView view(host_, &owner, look_);
  view.SetLines(lines);
  const long long loaded = view.ColouredLines();
  EXPECT_EQ(20000, loaded);
  view.Select({{10000, 3}, {10000, 3}});
  for (char16_t c : std::u16string(u"abc")) PostMessageW(view.Window(), WM_CHAR, c, 0);
  Pump();
  EXPECT_LE(view.ColouredLines() - loaded, 3) << "typing colours the typed line only";
  PostMessageW(view.Window(), WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  EXPECT_LE(view.ColouredLines() - loaded, 5);
}

}  // namespace
}  // namespace zelk::window::testing
