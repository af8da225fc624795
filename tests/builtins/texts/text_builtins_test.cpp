// The text built-ins against the controls of another process (the text
// fixture): what GETSTR reads, SENDSTR writes (checked in the fixture's own
// log), GETITEM lists and GETSLCTLST picks.
#ifdef _WIN32
#include <windows.h>

#include <string>

#include "texts_fixture.h"

namespace zelk {
namespace {

using namespace testing_desktop;

class TextBuiltinTest : public DesktopScriptTest {};

TEST_F(TextBuiltinTest, GetstrReadsEditsStaticsAndStatusParts) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Texts\")",
                   u"PRINT GETSTR(id, 1)",
                   u"PRINT GETSTR(id, 2)",  // read-only edits are edits too
                   u"PRINT GETSTR(id, 3)",
                   // The disabled fourth edit counts only when n is negative.
                   u"PRINT \"[\" + GETSTR(id, 4) + \"]\"",
                   u"PRINT GETSTR(id, -4)",
                   u"PRINT GETSTR(id, 0)",  // the focused control
                   u"PRINT GETSTR(id, 0, STR_STATIC)",
                   u"PRINT GETSTR(id, 1, STR_STATIC)",
                   u"PRINT GETSTR(id, 2, STR_STATIC)",
                   u"PRINT GETSTR(id, 0, STR_STATUS)",
                   u"PRINT \"[\" + GETSTR(id, 3, STR_STATUS) + \"]\"",
                   u"PRINT \"[\" + GETSTR(id, 4, STR_STATUS) + \"]\"",
                   // Nothing accessible answers: EMPTY, as for a window that is gone.
                   u"PRINT VARTYPE(GETSTR(id, 1, STR_ACC_EDIT))",
                   u"PRINT VARTYPE(GETSTR(id + 50, 1))",
               }))
      << Errors();
  EXPECT_EQ(
      "Alice\n42\nLine one\r\nLine two\n[]\nLocked\nAlice\nZELK Fixture Texts\n&Name:\nAge:\n"
      "Ready\n[Col 5]\n[]\n0\n0\n",
      Printed());
}

TEST_F(TextBuiltinTest, GetstrPutsTheCursorOnTheControlWhenAsked) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  // The second edit in window order too (Wine's edits keep no window title
  // for FindWindowEx to compare).
  HWND second =
      FindWindowExW(fixture.window(), FindWindowExW(fixture.window(), nullptr, L"Edit", nullptr),
                    L"Edit", nullptr);
  ASSERT_TRUE(second);
  SetCursorPos(1, 1);
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Fixture Texts\")", u"PRINT GETSTR(id, 2, STR_EDIT, TRUE)"}))
      << Errors();
  EXPECT_EQ("42\n", Printed());
  POINT p{};
  GetCursorPos(&p);
  RECT r{};
  GetWindowRect(second, &r);
  EXPECT_TRUE(PtInRect(&r, p)) << p.x << "," << p.y;
}

TEST_F(TextBuiltinTest, SendstrTypesReplacesAndAppends) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  // n 0: typed into the focused edit. The characters are posted: they are
  // waited for before the next text is set.
  ASSERT_EQ(0, Run({u"SENDSTR(GETID(\"ZELK Fixture Texts\"), \"q\")"})) << Errors();
  EXPECT_TRUE(fixture.WaitFor("CHAR edit1 113", 3000)) << fixture.Log();
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Texts\")",
                   u"SENDSTR(id, \"Bob\", 1, 1)",
                   u"SENDSTR(id, \"!\", 1)",  // appended
                   u"SENDSTR(id, \"x\" + CHR(13) + CHR(10) + \"y\", 3, 2)",
                   u"SENDSTR(id, \"Z\", -4, 1)",  // the disabled edit, by a negative n
                   u"SENDSTR(id, \"none\", 9, 1)",
                   u"PRINT GETSTR(id, 1)",
               }))
      << Errors();
  EXPECT_EQ("Bob!\n", Printed());
  EXPECT_TRUE(fixture.Has("TEXT edit1 Bob")) << fixture.Log();
  EXPECT_TRUE(fixture.Has("TEXT edit1 Bob!")) << fixture.Log();
  // CR LF arrives as one Enter: x, CR, y.
  EXPECT_TRUE(fixture.WaitFor("CHAR edit3 121", 3000)) << fixture.Log();
  EXPECT_TRUE(fixture.Has("CHAR edit3 120")) << fixture.Log();
  EXPECT_TRUE(fixture.Has("CHAR edit3 13")) << fixture.Log();
  EXPECT_FALSE(fixture.Has("CHAR edit3 10")) << fixture.Log();
  EXPECT_TRUE(fixture.Has("TEXT edit4 Z")) << fixture.Log();
  // The read-only edit was never written.
  for (const std::string& line : fixture.Lines()) EXPECT_NE(0u, line.rfind("TEXT edit2", 0));
}

TEST_F(TextBuiltinTest, TheClipboardIsIdZero) {
  ASSERT_EQ(0, Run({u"SENDSTR(0, \"first\" + CHR(13) + CHR(10) + \"zweite \" + CHR(252))",
                    u"PRINT LENGTH(GETSTR(0))"}))
      << Errors();
  EXPECT_EQ("15\n", Printed());
  // What another program finds there.
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(data);
  const std::wstring text(static_cast<const wchar_t*>(GlobalLock(data)));
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(L"first\r\nzweite \u00fc", text);

  // And what another program put there comes back.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL mine = GlobalAlloc(GMEM_MOVEABLE, 8 * sizeof(wchar_t));
  wcscpy(static_cast<wchar_t*>(GlobalLock(mine)), L"outside");
  GlobalUnlock(mine);
  SetClipboardData(CF_UNICODETEXT, mine);
  CloseClipboard();
  ASSERT_EQ(0, Run({u"PRINT GETSTR(0)"})) << Errors();
  EXPECT_EQ("outside\n", Printed());
}

TEST_F(TextBuiltinTest, GetitemListsEachKindInItsOrder) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  auto line = [](const char16_t* call) {
    return std::u16string(u"PRINT ") + call + u" + \": \" + JOIN(ALL_ITEM_LIST, \"|\")";
  };
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Texts\")",
                   line(u"GETITEM(id, ITM_BTN)"),
                   line(u"GETITEM(id, ITM_BTN, 1, 0, TRUE)"),  // enabled only
                   line(u"GETITEM(id, ITM_LIST)"),             // empty entries left out
                   line(u"GETITEM(id, ITM_LIST, 2)"),
                   line(u"GETITEM(id, ITM_LIST, -1)"),  // every list
                   line(u"GETITEM(id, ITM_LIST, 5)"),
                   // An entry longer than any fixed buffer: its first 2048 characters.
                   u"PRINT GETITEM(id, ITM_LIST, 4) + \" \" + LENGTH(ALL_ITEM_LIST[0])",
                   line(u"GETITEM(id, ITM_TAB)"),
                   line(u"GETITEM(id, ITM_TREEVIEW)"),
                   line(u"GETITEM(id, ITM_LISTVIEW)"),
                   line(u"GETITEM(id, ITM_LISTVIEW, 1, 3)"),
                   line(u"GETITEM(id, ITM_LISTVIEW, 1, 4)"),  // no fourth column
                   line(u"GETITEM(id, ITM_LISTVIEW, 1, -1)"),
                   line(u"GETITEM(id, ITM_EDIT)"),
                   line(u"GETITEM(id, ITM_STATUSBAR)"),
                   line(u"GETITEM(id, ITM_TOOLBAR)"),
                   // Several kinds: in the collector's order, not the bits'.
                   line(u"GETITEM(id, ITM_TOOLBAR + ITM_TAB)"),
                   line(u"GETITEM(id + 50, ITM_BTN)"),
               }))
      << Errors();
  EXPECT_EQ(
      "4: OK|Cancel|Save|Off\n"
      "3: OK|Cancel|Save\n"
      "3: Apple|Banana|Cherry\n"
      "3: Red|Green|Blue\n"
      "9: Apple|Banana|Cherry|Red|Green|Blue|One|Two|" +
          std::string(2048, 'x') +
          "\n"
          "0: \n"
          "1 2048\n"
          "3: First|Second|Third\n"
          "5: Root|Child A|Leaf|Child B|Other\n"
          "3: alpha|beta|gamma\n"
          "3: a|b|c\n"
          "0: \n"
          "3: Name|Size|Kind\n"
          "4: Alice|42|Line one\r\nLine two|Locked\n"
          "3: Ready|Ln 1|Col 5\n"
          "3: Bold|Italic|Under\n"
          "6: First|Second|Third|Bold|Italic|Under\n"
          "0: \n",
      Printed());
}

TEST_F(TextBuiltinTest, GetitemInsideForInFillsTheTemporaryList) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Texts\")", u"GETITEM(id, ITM_TAB)",
                   u"FOR t IN GETITEM(id, ITM_BTN)", u"  PRINT t", u"NEXT",
                   u"PRINT JOIN(ALL_ITEM_LIST, \"|\")",  // the script's own copy is kept
               }))
      << Errors();
  EXPECT_EQ("OK\nCancel\nSave\nOff\nFirst|Second|Third\n", Printed());
}

TEST_F(TextBuiltinTest, GetslctlstReadsEachListLikeControl) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Texts\")",
                   u"PRINT REPLACE(GETSLCTLST(id), CHR(9), \"<TAB>\")",
                   u"PRINT GETSLCTLST(id, 2)",
                   u"PRINT GETSLCTLST(id, 3)",
                   u"PRINT GETSLCTLST(id, 4)",
                   u"PRINT REPLACE(GETSLCTLST(id, 5), CHR(9), \"<TAB>\")",
                   u"PRINT REPLACE(GETSLCTLST(id, 5, 2), CHR(9), \"<TAB>\")",
                   u"PRINT \"[\" + GETSLCTLST(id, 6) + \"]\"",
               }))
      << Errors();
  EXPECT_EQ("Apple<TAB>Cherry\nGreen\nTwo\nRoot\\Child A\\Leaf\nalpha<TAB>gamma\n10<TAB>30\n[]\n",
            Printed());
}

// Wine keeps a menu in the process that made it: another process cannot
// read it there, so the menu is also read from a window of this process.
TEST_F(TextBuiltinTest, GetitemReadsTheMenuBar) {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuW(file, MF_STRING, 1, L"&Open...");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(file, MF_STRING, 2, L"Save &As(&A)");
  HMENU recent = CreatePopupMenu();
  AppendMenuW(recent, MF_STRING, 3, L"one.txt");
  AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent), L"&Recent");
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
  AppendMenuW(bar, MF_STRING, 4, L"&Copy\tCtrl+C");
  HWND own = CreateWindowExW(0, L"STATIC", L"ZELK Own Menu", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30,
                             30, 300, 200, nullptr, bar, nullptr, nullptr);
  ASSERT_TRUE(own);
  Settle(100);
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Own Menu\")",
                    u"PRINT GETITEM(id, ITM_MENU) + \": \" + JOIN(ALL_ITEM_LIST, \"|\")"}))
      << Errors();
  DestroyWindow(own);
  EXPECT_EQ("6: File|Open|Save As|Recent|one.txt|Copy\n", Printed());

  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  if (GetMenuItemCount(GetMenu(fixture.window())) < 0) {
    GTEST_SKIP() << "this system (Wine) cannot read the menu of another process";
  }
  ASSERT_EQ(0, Run({u"id = GETID(\"ZELK Fixture Texts\")",
                    u"PRINT GETITEM(id, ITM_MENU) + \": \" + JOIN(ALL_ITEM_LIST, \"|\")"}))
      << Errors();
  EXPECT_EQ("7: File|New|Open|Exit|Edit|Copy|Paste\n", Printed());
}

// A browser-like window is read through UI Automation first. No UI
// Automation reader answers here, so each built-in shows its fallback.
TEST_F(TextBuiltinTest, BrowserLikeWindowsFallBackWhereTheirReaderFindsNothing) {
  TextsFixture fixture(L"ZELK Browser Texts", L"Chrome_WidgetWin_1");
  ASSERT_TRUE(fixture.window());
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Browser Texts\")",
                   u"SENDSTR(id, \"ab\", 1, 1)",  // typed, not set
                   u"PRINT \"[\" + GETSTR(id, 1) + \"]\"",
                   u"PRINT GETSTR(id, 1, STR_STATIC)",  // a static text falls back to its control
                   u"PRINT GETITEM(id, ITM_TAB) + \": \" + JOIN(ALL_ITEM_LIST, \"|\")",
               }))
      << Errors();
  EXPECT_EQ("[]\n&Name:\n3: First|Second|Third\n", Printed());
  EXPECT_TRUE(fixture.WaitFor("CHAR edit1 98", 3000)) << fixture.Log();
  EXPECT_TRUE(fixture.Has("CHAR edit1 97")) << fixture.Log();
}

TEST_F(TextBuiltinTest, PosaccCatchesTheTextDrawnAtThePoint) {
  TextsFixture fixture(L"ZELK Fixture Texts");
  ASSERT_TRUE(fixture.window());
  HWND age = FindWindowExW(fixture.window(), nullptr, L"Static", L"Age:");
  ASSERT_TRUE(age);
  RECT r{};
  GetWindowRect(age, &r);
  POINT p{r.left + 6, r.top + 6};
  ScreenToClient(fixture.window(), &p);
  const std::string digits = ", " + std::to_string(p.x) + ", " + std::to_string(p.y);
  const std::u16string at(digits.begin(), digits.end());
  ASSERT_EQ(0, Run({
                   u"id = GETID(\"ZELK Fixture Texts\")",
                   // No accessible object answers here: the other kinds find nothing.
                   u"PRINT \"[\" + POSACC(id" + at + u", ACC_NAME) + \"]\"",
                   u"PRINT \"[\" + POSACC(id" + at + u", ACC_LOCATION) + \"]\"",
                   u"PRINT POSACC(id" + at + u", ACC_API)",
                   u"PRINT POSACC(id" + at + u", ACC_ACCAPI + ACC_BACK)",
               }))
      << Errors();
  EXPECT_EQ("[]\n[]\nAge:\nAge:\n", Printed());
  // The program goes on as before: its texts still answer.
  EXPECT_TRUE(IsWindow(fixture.window()));
  wchar_t text[16] = {};
  EXPECT_GT(SendMessageTimeoutW(age, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text),
                                SMTO_ABORTIFHUNG, 2000, nullptr),
            0);
  EXPECT_EQ(std::wstring(L"Age:"), text);
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
