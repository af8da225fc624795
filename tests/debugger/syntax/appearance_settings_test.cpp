// The editor's appearance as read from and written to the settings file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "debugger/syntax/appearance_settings.h"
#include "foundation/messages.h"
#include "foundation/settings.h"
#include "foundation/text_file.h"

namespace zelk {
namespace {

class AppearanceSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("zelk_appearance_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "prog");
    std::filesystem::create_directories(root_ / "appdata");
    SetupPathsFrom(root_.u16string() + u"\\prog\\ZelkDebug.exe", root_.u16string() + u"\\appdata");
    japanese_ = JapaneseMessages();
    SetJapaneseMessages(false);
  }
  void TearDown() override {
    SetJapaneseMessages(japanese_);
    std::filesystem::remove_all(root_);
  }
  static void Store(const std::vector<std::u16string>& lines) {
    ASSERT_TRUE(SaveTextFile(AppPaths().settingsFile, lines, kEncodingAnsi));
  }

  std::filesystem::path root_;
  bool japanese_ = false;
};

TEST_F(AppearanceSettingsTest, WithoutKeysTheDefaultsApply) {
  AppearanceSettings s = ReadAppearanceSettings();
  EXPECT_EQ(u"Courier New", s.fontName);
  EXPECT_EQ(10, s.fontSize);
  EXPECT_EQ(4, s.tabWidth);
  EXPECT_EQ(0xFFFFFFu, s.background);
  EXPECT_EQ(0u, s.textColour);
  EXPECT_EQ((ClassLook{0x000000, kStyleBold}), s.classes[kSyntaxWord]);
  EXPECT_EQ((ClassLook{0xC00000, 0}), s.classes[kConstantWord]);  // blue
  EXPECT_EQ((ClassLook{0xE22B8A, 0}), s.classes[kSpecialVariableWord]);
  EXPECT_EQ((ClassLook{0x808000, kStyleItalic}), s.classes[kCommentText]);  // teal
  EXPECT_EQ(0.0, s.lineSpacePercent);
  EXPECT_EQ(s, AppearanceSettings::Defaults(false));

  SetJapaneseMessages(true);
  EXPECT_EQ(u"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF", ReadAppearanceSettings().fontName);
}

TEST_F(AppearanceSettingsTest, TheProductDefaultFontYieldsToTheDebuggersOwn) {
  ASSERT_TRUE(SaveTextFile(AppPaths().productSettingsFile, {u"[SET]", u"DefaultFont=Meiryo,12"},
                           kEncodingAnsi));
  AppearanceSettings s = ReadAppearanceSettings();
  EXPECT_EQ(u"Meiryo", s.fontName);
  EXPECT_EQ(12, s.fontSize);
  Store({u"[SET]", u"Font=Consolas,11"});
  s = ReadAppearanceSettings();
  EXPECT_EQ(u"Consolas", s.fontName);
  EXPECT_EQ(11, s.fontSize);
}

TEST_F(AppearanceSettingsTest, ReadsEveryFormAndDefaultsWhatIsMissing) {
  Store({u"[SET]", u"Font=Lucida Console , 6", u"TabWidth=5", u"Color=$000080 16777215",
         u"Syntax=255", u"Constant=,3", u"SpecialVar=$FF00FF,2", u"Comment=abc,1",
         u"String=$1000000,1", u"LineSpace=20%"});
  AppearanceSettings s = ReadAppearanceSettings();
  EXPECT_EQ(u"Lucida Console", s.fontName);
  EXPECT_EQ(8, s.fontSize) << "sizes below 8 are read as 8";
  EXPECT_EQ(4, s.tabWidth) << "5 is not one of the choices";
  EXPECT_EQ(0x000080u, s.background);
  EXPECT_EQ(0xFFFFFFu, s.textColour);
  EXPECT_EQ((ClassLook{255, kStyleBold}), s.classes[kSyntaxWord]) << "missing style: default";
  EXPECT_EQ((ClassLook{0xC00000, 3}), s.classes[kConstantWord]) << "missing colour: default";
  EXPECT_EQ((ClassLook{0xFF00FF, kStyleItalic}), s.classes[kSpecialVariableWord]);
  EXPECT_EQ((ClassLook{0x808000, kStyleBold}), s.classes[kCommentText]);
  EXPECT_EQ((ClassLook{0x000000, kStyleBold}), s.classes[kStringLiteral]) << "beyond 24 bits";
  EXPECT_EQ(20.0, s.lineSpacePercent);
}

TEST_F(AppearanceSettingsTest, WritesDecimalAndReadsItBack) {
  AppearanceSettings s = AppearanceSettings::Defaults(false);
  s.fontName = u"Liberation Mono";
  s.fontSize = 12;
  s.tabWidth = 8;
  s.classes[kStringLiteral] = {0x123456, kStyleBold | kStyleItalic};
  s.lineSpacePercent = 50;  // read only: not written
  WriteAppearanceSettings(s);
  EXPECT_EQ(u"Liberation Mono,12", IniRead(u"SET", u"Font"));
  EXPECT_EQ(u"16777215,0", IniRead(u"SET", u"Color"));
  EXPECT_EQ(u"1193046,3", IniRead(u"SET", u"String"));
  EXPECT_EQ(u"", IniRead(u"SET", u"LineSpace"));
  AppearanceSettings back = ReadAppearanceSettings();
  s.lineSpacePercent = 0;
  EXPECT_EQ(s, back);
}

TEST(AppearanceLooks, ClassesAreNamedByTheirLowestLookAlike) {
  AppearanceSettings s = AppearanceSettings::Defaults(false);
  EXPECT_EQ(kPlainWord, NormaliseClass(kBuiltinFunctionWord, s)) << "black, no style";
  EXPECT_EQ(kConstantWord, NormaliseClass(kConstantWord, s));
  s.classes[kStringLiteral] = s.classes[kConstantWord];
  EXPECT_EQ(kConstantWord, NormaliseClass(kStringLiteral, s));
  EXPECT_EQ(kConstantWord, ClassOfLook(0xC00000, 0, s));
  EXPECT_EQ(kPlainWord, ClassOfLook(0, 0, s));
  EXPECT_EQ(-1, ClassOfLook(0x00FF00, 0, s));
}

}  // namespace
}  // namespace zelk
