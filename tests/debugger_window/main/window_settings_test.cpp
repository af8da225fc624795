// The main window's settings and open commands, read as the window reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "base/utf.h"
#include "debugger_window/main/global_keys.h"
#include "debugger_window/main/script_command.h"
#include "debugger_window/main/window_layout.h"
#include "foundation/settings.h"

namespace zelk::window {
namespace {

std::string U8(const std::u16string& text) {
  return TextToUtf8(text);
}

TEST(ScriptCommand, SplitsThePathFromItsParameters) {
  const ScriptCommand c = ParseScriptCommand(u"C:\\s\\main.zls -r5 p1 \"p 2\"", u"C:\\prog\\");
  EXPECT_EQ(U8(c.path), "C:\\s\\main.zls");
  ASSERT_EQ(c.params.size(), 2u);  // -r5 is a repeat count, not a parameter
  EXPECT_EQ(U8(c.params[0]), "p1");
  EXPECT_EQ(U8(c.params[1]), "p 2");
}

TEST(ScriptCommand, NamesWithoutTheExtensionGetIt) {
  EXPECT_EQ(U8(ParseScriptCommand(u"C:\\s\\main", u"").path), "C:\\s\\main.ZLS");
  EXPECT_EQ(U8(ParseScriptCommand(u"C:\\s.d\\main.txt", u"").path), "C:\\s.d\\main.ZLS");
  EXPECT_EQ(U8(ParseScriptCommand(u"C:\\s.d\\main", u"").path), "C:\\s.d\\main.ZLS");
  // A path with blanks stays one name: the path ends at ".ZLS".
  EXPECT_EQ(U8(ParseScriptCommand(u"C:\\my files\\a b.ZLS x", u"").path), "C:\\my files\\a b.ZLS");
  // -r with no number is a parameter like any other.
  EXPECT_EQ(ParseScriptCommand(u"a.zls -r -rx -r12", u"").params.size(), 2u);
}

TEST(ScriptCommand, DotFoldersAreTheProgramFolder) {
  EXPECT_EQ(U8(ParseScriptCommand(u".\\x.zls", u"C:\\prog\\bin\\").path), "C:\\prog\\bin\\x.zls");
  EXPECT_EQ(U8(ParseScriptCommand(u"../x.zls", u"C:/prog/bin/").path), "C:\\prog\\x.zls");
}

TEST(WindowLayout, SplittersKeepEveryPartAboveItsMinimum) {
  EXPECT_EQ(LimitToMinimum(50), 51);  // at the minimum is too small
  EXPECT_EQ(LimitToMinimum(-7), 51);
  EXPECT_EQ(LimitToMinimum(52), 52);
  // Panel 700 high, print window 247: the global view may take 700-(247+50)-1.
  EXPECT_EQ(LimitGlobalHeight(500, 700, 247), 402);
  EXPECT_EQ(LimitGlobalHeight(240, 700, 247), 240);
  EXPECT_EQ(LimitGlobalHeight(10, 700, 247), 51);
}

TEST(WindowLayout, SettingNumbersTakeBlanksAndCommas) {
  EXPECT_EQ(SettingNumbers(u"10, 20 30,,40"), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(SettingNumbers(u"-5,7"), (std::vector<int>{-5, 7}));
  EXPECT_EQ(SettingNumbers(u"12,x,9"), (std::vector<int>{12}));
  EXPECT_TRUE(SettingNumbers(u"").empty());
}

TEST(WindowLayout, RunKeysAreFunctionKeys) {
  EXPECT_EQ(HotkeyCode(u"5"), VK_F5);
  EXPECT_EQ(HotkeyCode(u" 8 "), VK_F8);
  EXPECT_EQ(HotkeyCode(u"4.9"), VK_F4);  // the fraction is dropped
  EXPECT_EQ(HotkeyCode(u"0"), 0);
  EXPECT_EQ(HotkeyCode(u"-3"), 0);
  EXPECT_EQ(HotkeyCode(u"F5"), 0);
  EXPECT_EQ(HotkeyCode(u"99"), 0);  // no such function key
  EXPECT_EQ(U8(HotkeyHint(VK_F5)), " (F5)");
  EXPECT_EQ(U8(HotkeyHint(0)), "");
}

TEST(GlobalRunKeys, OnlyTheUsersRunKeysForAnotherProgramCount) {
  const std::array<int, 5> keys{VK_F4, VK_F5, 0, VK_F7, VK_F8};
  KBDLLHOOKSTRUCT key{};
  key.vkCode = VK_F5;
  const DWORD other = GetCurrentProcessId() + 4;
  EXPECT_TRUE(IsGlobalRunKey(key, keys, other));
  // In front, the window gets the key itself; a second press would run twice.
  EXPECT_FALSE(IsGlobalRunKey(key, keys, GetCurrentProcessId()));
  // A script pressing F5 through key emulation presses nothing of ours.
  key.flags = LLKHF_INJECTED;
  EXPECT_FALSE(IsGlobalRunKey(key, keys, other));
  key.flags = 0;
  key.vkCode = VK_F6;  // Pause has no key here
  EXPECT_FALSE(IsGlobalRunKey(key, keys, other));
  key.vkCode = 0;
  EXPECT_FALSE(IsGlobalRunKey(key, keys, other));
}

class LayoutSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("zelk-layout-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder_ / "appdata");
    SetupPathsFrom((folder_ / "ZelkDebug.exe").u16string(), (folder_ / "appdata").u16string());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::filesystem::path folder_;
};

TEST_F(LayoutSettingsTest, WrittenLayoutIsReadBack) {
  WriteLayoutSettings(10, 20, 900, 700, {300, 200, 150});
  const LayoutSettings s = ReadLayoutSettings();
  EXPECT_TRUE(s.hasPosition);
  EXPECT_EQ(s.left, 10);
  EXPECT_EQ(s.top, 20);
  EXPECT_TRUE(s.hasSize);
  EXPECT_EQ(s.width, 900);
  EXPECT_EQ(s.height, 700);
  EXPECT_EQ(s.sizes.panelWidth, 300);
  EXPECT_EQ(s.sizes.globalHeight, 200);
  EXPECT_EQ(s.sizes.printHeight, 150);
  EXPECT_EQ(U8(IniRead(u"SET", u"Ratio")), "300,200,150");
  EXPECT_EQ(U8(IniRead(u"SET", u"Version")), "2.302");
  EXPECT_EQ(U8(IniRead(u"SET", u"FileUpMsgTime")), "1600");
}

TEST_F(LayoutSettingsTest, ACollapsedLayoutIsDiscarded) {
  IniWrite(u"SET", u"Size", u"800,600");
  IniWrite(u"SET", u"Ratio", u"208,0,247");
  const LayoutSettings s = ReadLayoutSettings();
  EXPECT_FALSE(s.hasSize);
  EXPECT_EQ(s.sizes.globalHeight, PanelSizes{}.globalHeight);
  EXPECT_EQ(U8(IniRead(u"SET", u"Size")), "");
  EXPECT_EQ(U8(IniRead(u"SET", u"Ratio")), "");
}

TEST_F(LayoutSettingsTest, MissingRunKeysGetTheirDefaults) {
  IniWrite(u"SET", u"BtnRun", u"0");
  const std::array<int, 5> keys = ReadHotkeys();
  EXPECT_EQ(keys[0], VK_F4);  // Stop
  EXPECT_EQ(keys[1], 0);      // Run: none
  EXPECT_EQ(keys[4], VK_F8);  // Step Over
  EXPECT_EQ(U8(IniRead(u"SET", u"BtnStepIn")), "7");
}

}  // namespace
}  // namespace zelk::window
