// The option dialogs, driven from another thread as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "debugger_window/options/appearance_dialogs.h"
#include "foundation/messages.h"

namespace zelk::window {
namespace {

std::u16string Text(HWND window) {
  wchar_t text[200] = {};
  GetWindowTextW(window, text, 200);
  return reinterpret_cast<const char16_t*>(text);
}

std::u16string ItemText(HWND dialog, int id) {
  return Text(GetDlgItem(dialog, id));
}

// Window enumeration callbacks are stdcall on 32-bit Windows, which a
// lambda is not.
BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM out) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

// Shows a dialog with show() while drive() works on it from another thread
// once it is visible; drive ends it.
void WithDialog(const std::function<void()>& show, const std::function<void(HWND)>& drive) {
  const DWORD thread = GetCurrentThreadId();
  std::thread driver([&] {
    for (int attempt = 0; attempt < 250; ++attempt) {
      HWND found = nullptr;
      EnumThreadWindows(thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
      if (found) {
        drive(found);
        return;
      }
      Sleep(20);
    }
    ADD_FAILURE() << "no dialog appeared";
  });
  show();
  driver.join();
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { japanese_ = JapaneseMessages(); }
  void TearDown() override { SetJapaneseMessages(japanese_); }
  bool japanese_ = false;
};

// Control ids of the font dialog.
enum { kTabList = 100, kFontLabel = 102, kColourButton = 200, kColourPanel = 300, kBold = 400 };

TEST_F(DialogsTest, FontDialogShowsTheSettingsAndCommitsOnlyOnOk) {
  SetJapaneseMessages(false);
  AppearanceSettings settings = AppearanceSettings::Defaults(false);
  bool ok = true;
  WithDialog([&] { ok = ShowFontDialog(nullptr, settings); },
             [](HWND dialog) {
               EXPECT_EQ(u"Option", Text(dialog));
               EXPECT_EQ(u"Courier New, 10", ItemText(dialog, kFontLabel));
               EXPECT_EQ(u"4", ItemText(dialog, kTabList));
               EXPECT_EQ(u"Syntax", ItemText(dialog, kColourButton + 2));
               EXPECT_EQ(u"String", ItemText(dialog, kColourButton + 7));
               EXPECT_EQ(u"$C00000", ItemText(dialog, kColourPanel + 3)) << "constants";
               EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, kBold + 1));
               SendDlgItemMessageW(dialog, kBold + 2, BM_CLICK, 0, 0);
               SendDlgItemMessageW(dialog, kTabList, CB_SETCURSEL, 3, 0);
               PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             });
  EXPECT_FALSE(ok);
  EXPECT_EQ(AppearanceSettings::Defaults(false), settings) << "Cancel keeps everything";

  WithDialog([&] { ok = ShowFontDialog(nullptr, settings); },
             [](HWND dialog) {
               EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, kBold + 2)) << "reset on show";
               SendDlgItemMessageW(dialog, kBold + 2, BM_CLICK, 0, 0);
               SendDlgItemMessageW(dialog, kTabList, CB_SETCURSEL, 3, 0);
               PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             });
  EXPECT_TRUE(ok);
  EXPECT_EQ(8, settings.tabWidth);
  EXPECT_EQ((ClassLook{0xC00000, kStyleBold}), settings.classes[kConstantWord]);
  EXPECT_EQ(u"Courier New", settings.fontName);
  EXPECT_EQ(10, settings.fontSize);
}

TEST_F(DialogsTest, JapaneseCaptions) {
  SetJapaneseMessages(true);
  AppearanceSettings settings = AppearanceSettings::Defaults(true);
  WithDialog([&] { ShowFontDialog(nullptr, settings); },
             [](HWND dialog) {
               EXPECT_EQ(u"構文", ItemText(dialog, kColourButton + 2));
               EXPECT_EQ(u"特殊変数", ItemText(dialog, kColourButton + 4));
               EXPECT_EQ(u"ZELK関数", ItemText(dialog, kColourButton + 6));
               PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             });
  int mode = 0, value = 0;
  WithDialog([&] { ShowTransparencyDialog(nullptr, &mode, &value); },
             [](HWND dialog) {
               EXPECT_EQ(u"Window 透過指定", Text(dialog));
               PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             });
}

TEST_F(DialogsTest, TransparencyTakesModeAndValue) {
  SetJapaneseMessages(false);
  enum { kValue = 100, kNone = 110, kDebugger = 111 };
  int mode = 0, value = 50;
  bool ok = false;
  WithDialog([&] { ok = ShowTransparencyDialog(nullptr, &mode, &value); },
             [](HWND dialog) {
               EXPECT_EQ(u"Transparent Window", Text(dialog));
               EXPECT_EQ(u"120", ItemText(dialog, kValue)) << "no value shown for mode 0";
               EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kValue)));
               SendDlgItemMessageW(dialog, kDebugger, BM_CLICK, 0, 0);
               EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kValue)));
               SetDlgItemTextW(dialog, kValue, L"200");
               PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             });
  EXPECT_TRUE(ok);
  EXPECT_EQ(1, mode);
  EXPECT_EQ(200, value);
  WithDialog([&] { ok = ShowTransparencyDialog(nullptr, &mode, &value); },
             [](HWND dialog) {
               EXPECT_EQ(u"200", ItemText(dialog, kValue));
               EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, kDebugger));
               PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
             });
  EXPECT_FALSE(ok);
  EXPECT_EQ(1, mode);
}

TEST_F(DialogsTest, AboutBoxNamesBothVersions) {
  std::vector<std::u16string> texts;
  WithDialog([] { ShowAbout(nullptr); },
             [&](HWND dialog) {
               EXPECT_EQ(u"Vantor About", Text(dialog));
               for (HWND child = GetWindow(dialog, GW_CHILD); child;
                    child = GetWindow(child, GW_HWNDNEXT)) {
                 texts.push_back(Text(child));
               }
               PostMessageW(dialog, WM_COMMAND, IDOK, 0);
             });
  ASSERT_GE(texts.size(), 5u);
  EXPECT_EQ(u"Vantor  Ver 2.3.0.2", texts[0]);
  EXPECT_EQ(u"2017/04/18", texts[1]);
  EXPECT_EQ(u"(ZELK  Ver 5.3.0.2)", texts[2]);
  EXPECT_EQ(u"&OK", texts[4]);
}

}  // namespace
}  // namespace zelk::window
