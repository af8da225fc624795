#include "foundation/paths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/text_scan.h"
#include "platform/platform.h"

namespace zelk {
namespace {

TEST(PathsParts, NameAndFolder) {
  EXPECT_EQ(FileNamePart(u"C:\\a\\b.zls"), u"b.zls");
  EXPECT_EQ(FileNamePart(u"a/b\\c"), u"c");
  EXPECT_EQ(FileNamePart(u"x"), u"x");
  EXPECT_EQ(FileNamePart(u"dir\\sub(\"a\\b\")"), u"sub(\"a\\b\")");
  EXPECT_EQ(FolderPart(u"C:\\a\\b.zls"), u"C:\\a\\");
  EXPECT_EQ(FolderPart(u"x"), u"");
}

TEST(PathsResolve, AgainstCurrentFolder) {
  std::u16string cur = UpperAscii(CurrentFolder());
  ASSERT_FALSE(cur.empty());
  while (cur.size() > 1 && (cur.back() == u'\\' || cur.back() == u'/')) cur.pop_back();
  EXPECT_EQ(ResolvePath(u"x.zls"), cur + u"\\x.zls");
  EXPECT_EQ(ResolvePath(u".\\x.zls"), cur + u"\\x.zls");
  EXPECT_EQ(ResolvePath(u"sub\\x.zls"), u"sub\\x.zls");
  EXPECT_EQ(ResolvePath(u"C:\\x.zls"), u"C:\\x.zls");
  // One level up: the current folder cut behind its last separator.
  std::u16string up = ResolvePath(u"..\\x.zls");
  ASSERT_GT(up.size(), 6u);
  std::u16string parent = up.substr(0, up.size() - 5);
  EXPECT_TRUE(StartsWith(cur, parent)) << testing::PrintToString(up);
  EXPECT_EQ(cur.find_first_of(u"\\/", parent.size()), std::u16string::npos);
  EXPECT_EQ(ResolvePath(u"..\\..\\x"), parent + u"..\\x");
  EXPECT_EQ(ResolveScriptPath(u"sub(2)", u""), cur + u"\\sub.ZLS(2)");
}

TEST(PathsResolve, ScriptPathAgainstBase) {
  const std::u16string base = u"C:\\dir";
  EXPECT_EQ(ResolveScriptPath(u"lib\\sub(1)", base), u"C:\\dir\\lib\\sub.ZLS(1)");
  EXPECT_EQ(ResolveScriptPath(u"sub", base), u"C:\\dir\\sub.ZLS");
  EXPECT_EQ(ResolveScriptPath(u"sub.zls", base), u"C:\\dir\\sub.zls");
  EXPECT_EQ(ResolveScriptPath(u".\\a.zls", base), u"C:\\dir\\a.zls");
  EXPECT_EQ(ResolveScriptPath(u"..\\a", base), u"C:\\a.ZLS");
  EXPECT_EQ(ResolveScriptPath(u"lib/sub", base + u"\\"), u"C:\\dir\\lib\\sub.ZLS");
  EXPECT_EQ(ResolveScriptPath(u"D:\\x\\y", base), u"D:\\x\\y.ZLS");
  EXPECT_EQ(ResolveScriptPath(u"\\\\srv\\x.zls", base), u"\\\\srv\\x.zls");
  // Arguments may nest brackets and name other scripts.
  EXPECT_EQ(ResolveScriptPath(u"sub(f(1), \"x.zls\")", base), u"C:\\dir\\sub.ZLS(f(1), \"x.zls\")");
  EXPECT_EQ(ResolveScriptPath(u"sub(\"a/b\")", base), u"C:\\dir\\sub.ZLS(\"a/b\")");
  EXPECT_EQ(ResolveScriptPath(u"my.zls.d\\sub", base), u"C:\\dir\\my.zls.d\\sub.ZLS");
}

TEST(PathsFiles, DeleteMatchingFiles) {
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::u16string folder = TempFolder() + u"/zelk_paths_test_";
  for (char c : std::to_string(stamp)) folder.push_back(static_cast<char16_t>(c));
  ASSERT_TRUE(os::CreateFolder(folder));
  for (const char16_t* name : {u"a.tmp", u"B.TMP", u"c.txt"}) {
    std::string error;
    ASSERT_TRUE(os::OpenFile(folder + u"\\" + name, os::OpenHow::kCreateTruncate, false, &error))
        << error;
  }
  EXPECT_TRUE(DeleteMatchingFiles(folder + u"\\*.tmp"));
  EXPECT_FALSE(os::FileExists(folder + u"\\a.tmp"));
  EXPECT_TRUE(os::FileExists(folder + u"\\c.txt"));
  EXPECT_FALSE(DeleteMatchingFiles(folder + u"\\*.tmp"));
  std::filesystem::remove_all(std::filesystem::path(folder));
}

TEST(PathsFolders, AppData) {
  EXPECT_EQ(AppDataFolder(true), AppDataFolder(false) + u"\\ZELK");
}

}  // namespace
}  // namespace zelk
