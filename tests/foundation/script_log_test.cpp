#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/utf.h"
#include "foundation/date_time.h"
#include "foundation/script_log.h"
#include "foundation/settings.h"
#include "foundation/text_file.h"
#include "platform/platform.h"

namespace zelk {
namespace {

using Lines = std::vector<std::u16string>;

TEST(ScriptLogTime, ConvertsOleDates) {
  DateTimeParts p = DecodeDateTime(45322.5);
  EXPECT_EQ(p.year * 10000 + p.month * 100 + p.day, 20240131);
  EXPECT_EQ(p.hour, 12);
  EXPECT_EQ(p.dayOfWeek, 3);  // a Wednesday
  p = DecodeDateTime(60);     // 1900 had no 29 February
  EXPECT_EQ(p.month * 100 + p.day, 228);
  p = DecodeDateTime(-1.25);  // before the epoch the fraction still counts forward
  EXPECT_EQ(p.day * 100 + p.hour, 2906);
  p = DecodeDateTime(45322.99999999999);  // rounding reaches the next day
  EXPECT_EQ(p.month * 100 + p.day, 201);

  DateTimeParts in;
  in.year = 2024;
  in.month = 1;
  in.day = 31;
  in.hour = 12;
  in.minute = 34;
  in.second = 56;
  EXPECT_EQ(FormatLogTime(EncodeDateTime(in), true), u"24/01/31 12:34:56");
  EXPECT_EQ(FormatLogTime(EncodeDateTime(in), false), u"24/01/31 12:34");
}

class ScriptLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("zelk_log_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "prog");
    std::filesystem::create_directories(root_ / "appdata");
    SetupPathsFrom(Root() + u"\\prog\\ZELK.exe", Root() + u"\\appdata");
    SetLogOptions(0, u"");
    SetLogPathExpander(nullptr);
    ResetLog();
  }
  void TearDown() override {
    ResetLog();
    SetLogOptions(0, u"");
    SetLogPathExpander(nullptr);
    std::filesystem::remove_all(root_);
  }

  std::u16string Root() const { return root_.u16string(); }
  std::u16string DefaultLog() const { return AppPaths().settingsFolder + u"\\ZELK.LOG"; }
  static Lines Load(const std::u16string& path) {
    Lines lines;
    int enc = 0;
    LoadTextFile(path, &lines, &enc);
    return lines;
  }
  static void SetLogLines(const std::u16string& value) {
    SaveTextFile(AppPaths().productSettingsFile, {u"[SET]", u"LogLines=" + value}, kEncodingAnsi);
    ResetLog();
  }

  std::filesystem::path root_;
};

TEST_F(ScriptLogTest, LimitFromProductSettings) {
  EXPECT_EQ(LogLimit(), 2000);  // no setting
  SetLogLines(u"0");
  EXPECT_EQ(LogLimit(), 2000);
  SetLogLines(u"abc");
  EXPECT_EQ(LogLimit(), 2000);
  SetLogLines(u"500000");
  EXPECT_EQ(LogLimit(), 100000);
  SetLogLines(u"300, lines");
  EXPECT_EQ(LogLimit(), 300);
  SetLogLines(u"12.5");
  EXPECT_EQ(LogLimit(), 12);
  // Read once: a later change needs a reset.
  SaveTextFile(AppPaths().productSettingsFile, {u"[SET]", u"LogLines=7"}, kEncodingAnsi);
  EXPECT_EQ(LogLimit(), 12);
}

// '#' in the pattern stands for any digit.
bool MatchesStamp(const std::u16string& line, std::u16string_view pattern) {
  if (line.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    bool ok = pattern[i] == u'#' ? (line[i] >= u'0' && line[i] <= u'9') : line[i] == pattern[i];
    if (!ok) return false;
  }
  return true;
}

TEST_F(ScriptLogTest, LineFormsFollowMode) {
  SetLogOptions(3, u"");
  LogLine(u"with seconds");
  SetLogOptions(0, u"");
  LogLine(u"minutes");
  SetLogOptions(1, u"");
  LogLine(u"never");
  SetLogOptions(2, u"");
  LogLine(u"plain");
  FlushLog();
  Lines lines = Load(DefaultLog());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(MatchesStamp(lines[0], u"##/##/## ##:##:##  with seconds")) << TextToUtf8(lines[0]);
  EXPECT_TRUE(MatchesStamp(lines[1], u"##/##/## ##:##  minutes")) << TextToUtf8(lines[1]);
  EXPECT_EQ(lines[2], u"plain");
}

TEST_F(ScriptLogTest, LongTextIsCut) {
  SetLogOptions(2, u"");
  LogLine(std::u16string(70000, u'x'));
  LogLine(std::u16string(64000, u'y'));
  FlushLog();
  Lines lines = Load(DefaultLog());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::u16string(64000, u'x') + u"...");
  EXPECT_EQ(lines[1], std::u16string(64000, u'y'));
}

TEST_F(ScriptLogTest, ContinuesExistingLogWithinLimitAsUtf8) {
  SaveTextFile(DefaultLog(), {u"old1", u"old2"}, kEncodingAnsi);
  SetLogLines(u"3");
  SetLogOptions(2, u"");
  LogLine(u"a");
  LogLine(u"\u65e5\u672c");
  FlushLog();
  Lines lines;
  int enc = 0;
  ASSERT_TRUE(LoadTextFile(DefaultLog(), &lines, &enc));
  EXPECT_EQ(lines, (Lines{u"old2", u"a", u"\u65e5\u672c"}));
  EXPECT_EQ(enc, kEncodingUtf8);
}

TEST_F(ScriptLogTest, EmptyLogOptionIgnoresExistingFile) {
  SaveTextFile(DefaultLog(), {u"old"}, kEncodingAnsi);
  SetLogOptions(2, u"");
  LogLine(u"kept in memory");
  SetLogOptions(2 | 4, u"");  // starts an empty log
  LogLine(u"new");
  FlushLog();
  EXPECT_EQ(Load(DefaultLog()), (Lines{u"new"}));
}

TEST_F(ScriptLogTest, FailedFlushIsRetriedLater) {
  std::u16string blocked = Root() + u"\\blocked";
  std::filesystem::create_directories(root_ / "blocked" / "ZELK.LOG");  // a folder in the way
  SetLogOptions(2, blocked + u"\\ZELK.LOG");
  LogLine(u"line");
  FlushLog();
  std::filesystem::remove_all(root_ / "blocked" / "ZELK.LOG");
  FlushLog();
  EXPECT_EQ(Load(blocked + u"\\ZELK.LOG"), (Lines{u"line"}));
}

std::u16string FakeExpander(const std::u16string& text) {
  return u"[" + text + u"]";
}

TEST_F(ScriptLogTest, PathFromSettingsAndOptions) {
  EXPECT_EQ(LogFilePath(), DefaultLog());
  IniWrite(u"SET", u"LogPath", u"\"" + Root() + u"\"");
  EXPECT_EQ(LogFilePath(), Root() + u"\\ZELK.LOG");
  IniWrite(u"SET", u"LogPath", Root() + u"\\logs\\");
  EXPECT_EQ(LogFilePath(), Root() + u"\\logs\\ZELK.LOG");
  IniWrite(u"SET", u"LogPath", Root() + u"\\my.log");
  EXPECT_EQ(LogFilePath(), Root() + u"\\my.log");
  IniWrite(u"SET", u"LogPath", u"GET_TEMP_DIR");
  EXPECT_EQ(LogFilePath(), os::TempFolder() + u"\\ZELK.LOG");
  IniWrite(u"SET", u"LogPath", u"GET_NO_SUCH_DIR");
  EXPECT_EQ(LogFilePath(), DefaultLog());
  SetLogPathExpander(FakeExpander);
  IniWrite(u"SET", u"LogPath", u"GET_CUR_DIR + \"a\" + \"b\"");
  EXPECT_EQ(LogFilePath(), u"[GET_CUR_DIR + \"a\" + \"b\"]");

  SetLogOptions(0, Root() + u"\\script.log");
  EXPECT_EQ(LogFilePath(), Root() + u"\\script.log");
}

}  // namespace
}  // namespace zelk
