#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/settings.h"
#include "foundation/text_file.h"
#include "platform/platform.h"

namespace zelk {
namespace {

using Lines = std::vector<std::u16string>;

const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::u16string kNihon = u"\u65e5\u672c";

// A private program folder and application-data folder under the temp dir.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("zelk_settings_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "prog");
    std::filesystem::create_directories(root_ / "appdata");
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::u16string At(const char16_t* rest) const { return root_.u16string() + rest; }
  void Setup(const char16_t* exeName = u"ZELK.exe") {
    SetupPathsFrom(At(u"\\prog\\") + exeName, At(u"\\appdata"));
  }
  static void WriteBytes(const std::u16string& path, const std::string& bytes) {
    std::string error;
    auto file = os::OpenFile(path, os::OpenHow::kCreateTruncate, false, &error);
    ASSERT_TRUE(file && file->Rewrite(bytes)) << error;
  }
  static std::string ReadBytes(const std::u16string& path) {
    std::string error, bytes;
    auto file = os::OpenFile(path, os::OpenHow::kRead, false, &error);
    if (file) file->ReadAll(&bytes);
    return bytes;
  }
  static std::u16string Settings() { return AppPaths().settingsFile; }

  std::filesystem::path root_;
};

TEST_F(SettingsTest, OldSettingsBesideProgramMove) {
  WriteBytes(At(u"\\prog\\ZELK.INI"), "[SET]\r\nBtnRun=9\r\n");
  WriteBytes(At(u"\\prog\\ZELK.LOG"), "old log\r\n");
  Setup();
  EXPECT_EQ(Settings(), At(u"\\appdata\\ZELK\\ZELK.INI"));
  EXPECT_FALSE(os::FileExists(At(u"\\prog\\ZELK.INI")));
  EXPECT_FALSE(os::FileExists(At(u"\\prog\\ZELK.LOG")));
  EXPECT_EQ(IniRead(u"SET", u"BtnRun"), u"9");

  // Once in place, a file beside the program is left alone.
  WriteBytes(At(u"\\prog\\ZELK.INI"), "[SET]\r\nBtnRun=1\r\n");
  Setup();
  EXPECT_TRUE(os::FileExists(At(u"\\prog\\ZELK.INI")));
  EXPECT_EQ(IniRead(u"SET", u"BtnRun"), u"9");
}

TEST_F(SettingsTest, OtherExecutableNameKeepsProductFiles) {
  WriteBytes(At(u"\\prog\\Debug.INI"), "[SET]\r\nk=v\r\n");
  WriteBytes(At(u"\\prog\\ZELK.LOG"), "old log\r\n");
  Setup(u"Debug.exe");
  EXPECT_EQ(AppPaths().logFileName, u"DEBUG.LOG");
  EXPECT_EQ(Settings(), At(u"\\appdata\\ZELK\\Debug.INI"));
  EXPECT_FALSE(os::FileExists(At(u"\\prog\\Debug.INI")));
  EXPECT_TRUE(os::FileExists(At(u"\\prog\\ZELK.LOG")));
  EXPECT_EQ(IniRead(u"SET", u"k"), u"v");

  WriteBytes(AppPaths().productSettingsFile, "[SET]\r\nDefaultFont=MS Gothic,10\r\n");
  EXPECT_EQ(ProductIniRead(u"SET", u"DefaultFont"), u"MS Gothic,10");
  EXPECT_EQ(IniRead(u"SET", u"DefaultFont"), u"");
}

TEST_F(SettingsTest, FailedMoveKeepsOldFile) {
  WriteBytes(At(u"\\appdata\\ZELK"), "a file where the folder belongs");
  WriteBytes(At(u"\\prog\\ZELK.INI"), "[SET]\r\nk=v\r\n");
  Setup();
  EXPECT_TRUE(os::FileExists(At(u"\\prog\\ZELK.INI")));
}

TEST_F(SettingsTest, ReadMatchesRegardlessOfCaseAndBlanks) {
  Setup();
  WriteBytes(Settings(),
             "[Other]\r\nKey=wrong\r\n  [ set ]  \r\n\r\n  Key  =  value  \r\nQ=\"  spaced  \"\r\n"
             "Half=\"open\r\nEq=a=b\r\n[Next]\r\nLate=1\r\n");
  EXPECT_EQ(IniRead(u" Set", u"KEY "), u"value");
  EXPECT_EQ(IniRead(u"SET", u"Q"), u"  spaced  ");
  EXPECT_EQ(IniRead(u"SET", u"Half"), u"\"open");
  EXPECT_EQ(IniRead(u"SET", u"Eq"), u"a=b");
  EXPECT_EQ(IniRead(u"SET", u"Late"), u"");  // belongs to the next section
  EXPECT_EQ(IniRead(u"SET", u"Key", At(u"\\missing.ini")), u"");
}

TEST_F(SettingsTest, WritePlacesKeysWhereTheyBelong) {
  Setup();
  WriteBytes(Settings(), "[SET]\r\n key = old\r\n\r\n[Other]\r\nx=1\r\n");
  IniWrite(u"set", u"KEY ", u"new");
  IniWrite(u"SET", u"Added", u"a b");
  IniWrite(u"OTHER", u"y", u"2");
  IniWrite(u"Fresh", u"z", u"3");
  EXPECT_EQ(ReadBytes(Settings()),
            "[SET]\r\nKEY=new\r\nAdded=a b\r\n\r\n[Other]\r\nx=1\r\ny=2\r\n[Fresh]\r\nz=3\r\n");

  WriteBytes(Settings(), "[A]\r\n\r\n\r\n\r\n\r\n[B]\r\n");
  IniWrite(u"A", u"k", u"v");  // steps over at most three blank lines
  EXPECT_EQ(ReadBytes(Settings()), "[A]\r\n\r\nk=v\r\n\r\n\r\n\r\n[B]\r\n");
}

TEST_F(SettingsTest, AnsiFileTurnsUtf8OnlyWhenNeeded) {
  Setup();
  IniWrite(u"SET", u"k", u"caf\u00e9");
  EXPECT_EQ(ReadBytes(Settings()), "[SET]\r\nk=caf\xE9\r\n");
  IniWrite(u"SET", u"name", kNihon);
  EXPECT_EQ(ReadBytes(Settings()), "[SET]\r\nk=caf\xC3\xA9\r\nname=" + kNihonUtf8 + "\r\n");
  EXPECT_EQ(IniRead(u"SET", u"name"), kNihon);

  WriteBytes(Settings(), "\xFF\xFE");  // a mark alone counts as ANSI
  IniWrite(u"SET", u"k", u"v");
  EXPECT_EQ(ReadBytes(Settings()), "[SET]\r\nk=v\r\n");
}

TEST_F(SettingsTest, UnicodeFileStaysUnicode) {
  Setup();
  ASSERT_TRUE(SaveTextFile(Settings(), {u"[SET]", u"a=1"}, kEncodingUtf16));
  IniWrite(u"SET", u"b", kNihon);
  Lines lines;
  int enc = 0;
  ASSERT_TRUE(LoadTextFile(Settings(), &lines, &enc));
  EXPECT_EQ(enc, kEncodingUtf16);
  EXPECT_EQ(lines, (Lines{u"[SET]", u"a=1", u"b=" + kNihon}));
}

TEST_F(SettingsTest, DeleteKeyOrWholeSection) {
  Setup();
  WriteBytes(Settings(), "[SET]\r\na=1\r\nb=2\r\n\r\n[X]\r\nc=3\r\n");
  IniDelete(u"set", u"A");
  EXPECT_EQ(ReadBytes(Settings()), "[SET]\r\nb=2\r\n\r\n[X]\r\nc=3\r\n");
  IniDelete(u"SET", u"");
  EXPECT_EQ(ReadBytes(Settings()), "\r\n[X]\r\nc=3\r\n");
  IniDelete(u"X", u"c", At(u"\\missing.ini"));
  EXPECT_FALSE(os::FileExists(At(u"\\missing.ini")));
}

TEST_F(SettingsTest, LockedFileReadsEmptyAndIsNotOverwritten) {
  Setup();
  WriteBytes(Settings(), "[SET]\r\nk=v\r\nother=kept\r\n");
  std::unique_ptr<os::File> held;
  Lines lines;
  int enc = 0;
  ASSERT_TRUE(
      LoadTextFile(Settings(), &lines, &enc, kOpenModeRead | 8 | kOpenModeExclusive, &held));
  EXPECT_EQ(IniRead(u"SET", u"k"), u"");
  IniWrite(u"SET", u"k", u"changed");
  held.reset();
  EXPECT_EQ(IniRead(u"SET", u"k"), u"v");
  EXPECT_EQ(IniRead(u"SET", u"other"), u"kept");
}

}  // namespace
}  // namespace zelk
