#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "platform/ole_date.h"
#include "platform/stack.h"

namespace zelk::os {
namespace {

class PlatformFiles : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempFolder() + u"\\zelk-platform-test";
    for (const auto& name : FindFiles(folder_ + u"\\*")) DeleteFile(folder_ + u"\\" + name);
    CreateFolder(folder_);
  }
  void TearDown() override {
    for (const auto& name : FindFiles(folder_ + u"\\*")) DeleteFile(folder_ + u"\\" + name);
  }
  std::u16string folder_;
};

TEST_F(PlatformFiles, RewriteReplacesTheWholeContent) {
  std::u16string path = folder_ + u"\\a.txt";
  std::string error, bytes;
  auto f = OpenFile(path, OpenHow::kCreateTruncate, false, &error);
  ASSERT_TRUE(f) << error;
  ASSERT_TRUE(f->Rewrite("a long first text"));
  ASSERT_TRUE(f->Rewrite("short"));
  ASSERT_TRUE(f->ReadAll(&bytes));
  EXPECT_EQ("short", bytes);
  f.reset();
  EXPECT_TRUE(FileExists(path));
  EXPECT_FALSE(FolderExists(path));
  EXPECT_GT(FileModificationTime(path), 40000.0);  // some day after 2009
}

TEST_F(PlatformFiles, ExclusiveOpenShutsOthersOut) {
  std::u16string path = folder_ + u"\\b.txt";
  std::string error;
  auto holder = OpenFile(path, OpenHow::kReadWriteCreate, true, &error);
  ASSERT_TRUE(holder) << error;
  EXPECT_FALSE(OpenFile(path, OpenHow::kRead, false, &error));
  EXPECT_FALSE(error.empty());
  holder.reset();
  EXPECT_TRUE(OpenFile(path, OpenHow::kRead, false, &error)) << error;
}

TEST_F(PlatformFiles, MissingFilesAndCopies) {
  std::string error;
  EXPECT_FALSE(OpenFile(folder_ + u"\\none.txt", OpenHow::kRead, false, &error));
  EXPECT_EQ(0, FileModificationTime(folder_ + u"\\none.txt"));
  auto f = OpenFile(folder_ + u"\\c.txt", OpenHow::kCreateTruncate, false, &error);
  ASSERT_TRUE(f && f->Rewrite("x"));
  f.reset();
  EXPECT_TRUE(CopyFileNoOverwrite(folder_ + u"\\c.txt", folder_ + u"\\d.txt"));
  EXPECT_FALSE(CopyFileNoOverwrite(folder_ + u"\\c.txt", folder_ + u"\\d.txt"));
  EXPECT_TRUE(DeleteFile(folder_ + u"\\d.txt"));
  EXPECT_FALSE(DeleteFile(folder_ + u"\\d.txt"));
}

TEST_F(PlatformFiles, WildcardsMatchWithoutRegardToCase) {
  std::string error;
  for (auto name : {u"one.TMP", u"two.tmp", u"three.txt"}) {
    ASSERT_TRUE(OpenFile(folder_ + u"\\" + name, OpenHow::kCreateTruncate, false, &error));
  }
  auto names = FindFiles(folder_ + u"\\*.tmp");
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::u16string>{u"one.TMP", u"two.tmp"}), names);
  EXPECT_EQ(1u, FindFiles(folder_ + u"\\t?ree.*").size());
}

// Scripts name files the Windows way with any letter case; the POSIX side must
// find them all the same.
TEST_F(PlatformFiles, WindowsFormPathsReachTheFile) {
  std::string error;
  ASSERT_TRUE(OpenFile(folder_ + u"\\Mixed.Zls", OpenHow::kCreateTruncate, false, &error));
  std::u16string upper = folder_ + u"/MIXED.ZLS";
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  }
  EXPECT_TRUE(FileExists(upper));
  EXPECT_TRUE(FolderExists(folder_ + u"\\"));
}

TEST(PlatformText, AnsiRoundTripTellsWhenTextIsLost) {
  std::string bytes;
  EXPECT_TRUE(TextToAnsi(u"caf\u00e9", &bytes));
  EXPECT_EQ(u"caf\u00e9", AnsiToText(bytes));
  EXPECT_FALSE(TextToAnsi(u"\u65e5\u672c", &bytes));
}

TEST(PlatformText, LocaleOrderPutsLettersBeforeCase) {
  EXPECT_LT(CompareLocale(u"a", u"B"), 0);
  EXPECT_LT(CompareLocale(u"B", u"c"), 0);
  EXPECT_NE(0, CompareLocale(u"a", u"A"));
  EXPECT_EQ(0, CompareLocale(u"abc", u"abc"));
}

// Recurses until the stack is low; returns the depth reached.
__attribute__((noinline)) int DepthUntilLow(int depth, std::size_t* left) {
  volatile char frame[512];  // a frame of some size, as the interpreter's are
  frame[0] = static_cast<char>(depth);
  if (StackIsLow(StackUse::kCall)) {
    *left = CurrentStackRoom().left;
    return depth;
  }
  // Reading the frame after the call keeps the recursion a recursion.
  return DepthUntilLow(depth + 1, left) + (frame[0] == static_cast<char>(depth) ? 0 : 1);
}

TEST(PlatformStack, RecursionStopsWithRoomLeftForAReport) {
  for (std::size_t stack : {std::size_t{2} << 20, std::size_t{8} << 20}) {
    std::size_t left[2] = {};
    int depth[2] = {};
    ASSERT_TRUE(RunOnThreadWithStack(stack, [&] {
      for (int i = 0; i < 2; ++i) depth[i] = DepthUntilLow(0, &left[i]);
    }));
    EXPECT_GT(depth[0], 500) << "a " << stack << "-byte stack should hold a deep recursion";
    EXPECT_GE(left[0], 200u * 1024) << "room for the report after the stop";
    EXPECT_EQ(depth[0], depth[1]) << "the same depth from the same place";
  }
}

TEST(PlatformProcess, AFailingExitCodeNeverBecomesSuccess) {
  EXPECT_EQ(0, ProcessExitStatus(0));
  EXPECT_EQ(255, ProcessExitStatus(255));
  for (int code : {256, 512, -1, -256, INT_MAX, INT_MIN}) {
#ifdef _WIN32
    EXPECT_EQ(code, ProcessExitStatus(code)) << "Windows keeps all 32 bits";
#else
    EXPECT_EQ(255, ProcessExitStatus(code)) << code << " keeps only 8 bits";
#endif
  }
}

TEST(PlatformTime, OleDatesCountFrom1899) {
  EXPECT_EQ(2.0, OleDateFromFields(1900, 1, 1, 0, 0, 0));
  EXPECT_DOUBLE_EQ(45322.5, OleDateFromFields(2024, 1, 31, 12, 0, 0));
  EXPECT_GT(Now(), 45000.0);
}

}  // namespace
}  // namespace zelk::os
