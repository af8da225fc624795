// The file built-ins on real files: the bytes each encoding writes, and
// writes that fail without losing the old content.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "base/utf.h"
#include "platform/platform.h"
#include "runtime/expr/evaluate.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

namespace fs = std::filesystem;

class FileBuiltinTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.SetMainThread();
    folder_ = fs::temp_directory_path() /
              ("zelk-files-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    interp.files.ReleaseAll();
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, ignored);
    }
    fs::remove_all(folder_, ignored);
    InterpreterTest::TearDown();
  }

  // The script's name of a file in the test folder.
  std::u16string PathOf(const std::string& name) const { return (folder_ / name).u16string(); }

  // Evaluates an upper-case expression; "$1" stands for the quoted path of file.
  Value Eval(std::u16string text, const std::string& file = "") {
    const std::size_t at = text.find(u"$1");
    if (at != std::u16string::npos) text.replace(at, 2, u"\"" + PathOf(file) + u"\"");
    Value v;
    Evaluate(text, interp.global, &v);
    return v;
  }

  std::string Bytes(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  // Puts lines into file with the open mode, closes it and gives its bytes.
  std::string Written(const std::string& name, const std::u16string& mode,
                      std::initializer_list<std::u16string> lines) {
    const Value id = Eval(u"FOPEN($1, " + mode + u")", name);
    EXPECT_GT(id.AsInt(), 0) << TextToUtf8(mode);
    for (const std::u16string& line : lines) {
      Eval(u"FPUT(" + id.Text() + u", \"" + line + u"\")");
    }
    EXPECT_TRUE(Eval(u"FCLOSE(" + id.Text() + u")").AsBoolean());
    return Bytes(name);
  }
  // The entries of the test folder: no temporary file may stay behind.
  std::size_t Entries() const {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
  }

  fs::path folder_;
};

const std::u16string kJapanese = u"\u65E5\u672C";
const std::string kJapaneseUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";

TEST_F(FileBuiltinTest, EachWriteModeGivesItsBytes) {
  EXPECT_EQ("a\xE9\r\nb\r\n", Written("ansi.txt", u"F_WRITE1", {u"a\u00E9", u"b"}));
  EXPECT_EQ("a\xE9\r\nb\r\n", Written("auto.txt", u"F_WRITE", {u"a\u00E9", u"b"}));
  EXPECT_EQ(kJapaneseUtf8 + "\r\n", Written("auto8.txt", u"F_WRITE", {kJapanese}));
  EXPECT_EQ("a\xC3\xA9\r\n", Written("utf8.txt", u"F_WRITE8", {u"a\u00E9"}));
  EXPECT_EQ("\xEF\xBB\xBF" + kJapaneseUtf8 + "\r\nx",
            Written("utf8b.txt", u"F_WRITE8B + F_NOCR", {kJapanese, u"x"}));
  EXPECT_EQ(std::string("\xFF\xFE\xE5\x65\x2C\x67\r\0\n\0", 10),
            Written("utf16.txt", u"F_WRITE16", {kJapanese}));
  EXPECT_EQ(std::string("\xFF\xFE"
                        "a\0",
                        4),
            Written("utf16n.txt", u"F_WRITE16 + F_NOCR", {u"a"}));
  EXPECT_EQ(7u, Entries());
}

// F_WRITE keeps the encoding the file was found in, mark or no mark; a
// write encoding given with F_READ changes it.
TEST_F(FileBuiltinTest, ReadAndWriteKeepsTheFoundEncoding) {
  struct Case {
    std::string name, before, after;
  };
  const Case cases[] = {
      {"ansi.txt", "a\xE9\n", "a\xE9\r\nz\r\n"},
      {"utf8.txt", kJapaneseUtf8 + "\r\n", kJapaneseUtf8 + "\r\nz\r\n"},
      {"utf8b.txt",
       "\xEF\xBB\xBF"
       "a\r\n",
       "\xEF\xBB\xBF"
       "a\r\nz\r\n"},
      {"utf16.txt",
       std::string("\xFF\xFE"
                   "a\0\r\0\n\0",
                   8),
       std::string("\xFF\xFE"
                   "a\0\r\0\n\0z\0\r\0\n\0",
                   14)},
      {"mark_only.txt", "\xEF\xBB\xBF", "z\r\n"},
      {"empty.txt", "", "z\r\n"},
  };
  for (const Case& c : cases) {
    Write(c.name, c.before);
    EXPECT_EQ(c.after, Written(c.name, u"F_READ + F_WRITE", {u"z"})) << c.name;
  }
  Write("to16.txt", "a\r\n");
  EXPECT_EQ(std::string("\xFF\xFE"
                        "a\0\r\0\n\0",
                        8),
            Written("to16.txt", u"F_READ + F_WRITE16", {}));
  // The text read is the same whatever the encoding.
  for (const Case& c : cases) {
    if (c.before.size() < 4) continue;
    const Value id = Eval(u"FOPEN($1)", c.name);
    const std::u16string first = Eval(u"FGET(" + id.Text() + u", 1)").Text();
    EXPECT_TRUE(first == u"a\u00E9" || first == kJapanese || first == u"a") << c.name;
    Eval(u"FCLOSE(" + id.Text() + u")");
  }
}

TEST_F(FileBuiltinTest, ReadOnlyFileKeepsItsContent) {
  Write("ro.txt", "old\r\n");
  fs::permissions(folder_ / "ro.txt",
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // Opening for writing as well fails at once; for writing only, at FCLOSE.
  EXPECT_EQ(-1, Eval(u"FOPEN($1, F_READ + F_WRITE)", "ro.txt").AsInt());
  const Value id = Eval(u"FOPEN($1, F_WRITE)", "ro.txt");
  ASSERT_GT(id.AsInt(), 0);
  Eval(u"FPUT(" + id.Text() + u", \"new\")");
  const Value closed = Eval(u"FCLOSE(" + id.Text() + u", TRUE)");
  EXPECT_TRUE(closed.IsBoolean());
  EXPECT_FALSE(closed.AsBoolean());
  EXPECT_EQ("old\r\n", Bytes("ro.txt"));
  EXPECT_EQ(1u, Entries());
  // Reading is still allowed.
  const Value reader = Eval(u"FOPEN($1)", "ro.txt");
  EXPECT_EQ(u"old", Eval(u"FGET(" + reader.Text() + u", 1)").Text());
  // Not quiet: the question names the file.
  const Value loud = Eval(u"FOPEN($1, F_WRITE)", "ro.txt");
  host.abortAnswer = false;
  EXPECT_FALSE(Eval(u"FCLOSE(" + loud.Text() + u")").AsBoolean());
  ASSERT_EQ(1u, host.questions.size());
  EXPECT_NE(std::u16string::npos,
            host.questions[0].find(PathOf("ro.txt") + u"\uFF1ACan't be written in"));
}

TEST_F(FileBuiltinTest, FileHeldElsewhereIsNeitherReadNorReplaced) {
  Write("held.txt", "old\r\n");
  std::string error;
  std::unique_ptr<os::File> other =
      os::OpenFile(PathOf("held.txt"), os::OpenHow::kRead, /*exclusive=*/true, &error);
  ASSERT_TRUE(other) << error;
  EXPECT_EQ(-1, Eval(u"FOPEN($1)", "held.txt").AsInt());
  const Value id = Eval(u"FOPEN($1, F_WRITE)", "held.txt");
  Eval(u"FPUT(" + id.Text() + u", \"new\")");
  EXPECT_FALSE(Eval(u"FCLOSE(" + id.Text() + u", TRUE)").AsBoolean());
  other.reset();
  EXPECT_EQ("old\r\n", Bytes("held.txt"));
  EXPECT_EQ(1u, Entries());
}

TEST_F(FileBuiltinTest, MissingFolderCreatesNothing) {
  const std::u16string inside = PathOf("none") + u"\\x.txt";
  std::string error;
  EXPECT_FALSE(os::ReplaceFileContent(inside, "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(0u, Entries());
}

// The held handle of an exclusive open is written through: the file keeps
// its identity, and an FCLOSE that grows the file leaves no stray bytes.
TEST_F(FileBuiltinTest, ExclusiveOpenWritesThroughItsHandle) {
  Write("ex.txt", "a long first line\r\nsecond\r\n");
  const Value id = Eval(u"FOPEN($1, F_READ + F_WRITE + F_EXCLUSIVE)", "ex.txt");
  ASSERT_GT(id.AsInt(), 0);
  EXPECT_EQ(-1, Eval(u"FOPEN($1)", "ex.txt").AsInt());
  Eval(u"FPUT(" + id.Text() + u", \"\", F_ALLTEXT)");
  Eval(u"FPUT(" + id.Text() + u", \"s\")");
  EXPECT_TRUE(Eval(u"FCLOSE(" + id.Text() + u")").AsBoolean());
  EXPECT_EQ("s\r\n", Bytes("ex.txt"));
  // Write-only exclusive: the old content stays until FCLOSE, also when the
  // run ends before it.
  const Value lost = Eval(u"FOPEN($1, F_WRITE + F_EXCLUSIVE)", "ex.txt");
  EXPECT_EQ(0, Eval(u"FGET(" + lost.Text() + u", F_LINECOUNT)").AsInt());
  Eval(u"FPUT(" + lost.Text() + u", \"lost\")");
  interp.files.ReleaseAll();
  EXPECT_EQ("s\r\n", Bytes("ex.txt"));
  const Value only = Eval(u"FOPEN($1, F_WRITE + F_EXCLUSIVE)", "ex.txt");
  Eval(u"FPUT(" + only.Text() + u", \"" + std::u16string(5000, u'w') + u"\")");
  EXPECT_TRUE(Eval(u"FCLOSE(" + only.Text() + u")").AsBoolean());
  EXPECT_EQ(std::string(5000, 'w') + "\r\n", Bytes("ex.txt"));
  // Created at once when missing, and let go unwritten at the end of a run.
  const Value made = Eval(u"FOPEN($1, F_READ + F_WRITE + F_EXCLUSIVE)", "new.txt");
  ASSERT_GT(made.AsInt(), 0);
  EXPECT_TRUE(fs::exists(folder_ / "new.txt"));
  Eval(u"FPUT(" + made.Text() + u", \"lost\")");
  interp.files.ReleaseAll();
  EXPECT_EQ("", Bytes("new.txt"));
  EXPECT_GT(Eval(u"FOPEN($1)", "new.txt").AsInt(), 0);
}

TEST_F(FileBuiltinTest, GetDirOrdersByTimes) {
  auto listed = [&](int order) {
    const Value n = Eval(u"GETDIR(\"" + folder_.u16string() + u"\", \"*.txt\", FALSE, " +
                         Utf8ToText(std::to_string(order)) + u")");
    std::u16string names;
    for (int i = 0; i < n.AsInt(); ++i) {
      names += Eval(u"GETDIR_FILES[" + Utf8ToText(std::to_string(i)) + u"]").Text();
    }
    return names;
  };
  // Created one after the other, a step apart the coarsest clock notices.
  for (const char* name : {"c.txt", "a.txt", "b.txt"}) {
    Write(name, "x");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  // Wine takes the creation time from the change time, which setting the
  // write time moves: creation order first.
  EXPECT_EQ(u"c.txta.txtb.txt", listed(2));
  const auto now = fs::last_write_time(folder_ / "c.txt");
  fs::last_write_time(folder_ / "a.txt", now + std::chrono::hours(2));
  fs::last_write_time(folder_ / "b.txt", now - std::chrono::hours(2));
  fs::last_write_time(folder_ / "c.txt", now + std::chrono::hours(1));
  EXPECT_EQ(u"a.txtb.txtc.txt", listed(0));
  EXPECT_EQ(u"b.txtc.txta.txt", listed(3));
  EXPECT_EQ(u"a.txtb.txtc.txt", listed(9));
}

}  // namespace
}  // namespace zelk
