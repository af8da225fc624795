#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/text_file.h"
#include "platform/platform.h"

namespace zelk {
namespace {

using Lines = std::vector<std::u16string>;

// Byte literals with embedded NULs.
template <std::size_t N>
std::string B(const char (&s)[N]) {
  return std::string(s, N - 1);
}

const std::string kNihonUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
const std::u16string kNihon = u"\u65e5\u672c";

TEST(TextFileDecode, DetectsEncodingAndSplitsLines) {
  int enc = 0;
  EXPECT_EQ(DecodeText(B("\xFF\xFE"
                         "a\0\r\0\n\0"
                         "b\0"),
                       &enc),
            (Lines{u"a", u"b"}));
  EXPECT_EQ(enc, kEncodingUtf16);
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF"
                       "x=" +
                           kNihonUtf8,
                       &enc),
            (Lines{u"x=" + kNihon}));
  EXPECT_EQ(enc, kEncodingUtf8Mark);
  EXPECT_EQ(DecodeText("k=" + kNihonUtf8 + "\r\n", &enc), (Lines{u"k=" + kNihon}));
  EXPECT_EQ(enc, kEncodingUtf8);
  EXPECT_EQ(DecodeText("caf\xE9\r\n\r\n", &enc), (Lines{u"caf\u00e9", u""}));
  EXPECT_EQ(enc, kEncodingAnsiOrUtf8);
  EXPECT_EQ(DecodeText("a\r\nb\rc\nd", &enc), (Lines{u"a", u"b", u"c", u"d"}));

  // Nothing but a mark: no lines, and ANSI, so that a save writes ANSI.
  for (std::string bytes : {std::string("\xFF\xFE"), std::string("\xEF\xBB\xBF")}) {
    EXPECT_TRUE(DecodeText(bytes, &enc).empty());
    EXPECT_EQ(enc, kEncodingAnsiOrUtf8);
  }
}

// Large files are decoded slice by slice: lines that cross a slice's end,
// a CR LF split across it and a line longer than a slice come out whole, in
// each encoding.
TEST(TextFileDecode, LargeTextsKeepEveryLineAcrossSlices) {
  constexpr std::size_t kMb = std::size_t{1} << 20;
  Lines expected;
  std::string ansi;
  // CR at the 16 MB mark, LF just after it.
  while (ansi.size() < 16 * kMb - 40) {
    expected.push_back(u"line " +
                       std::u16string(1, static_cast<char16_t>(u'a' + expected.size() % 26)));
    ansi += "line ";
    ansi += static_cast<char>('a' + (expected.size() - 1) % 26);
    ansi += "\r\n";
  }
  const std::string pad(16 * kMb - 1 - ansi.size(), 'p');
  expected.emplace_back(pad.begin(), pad.end());
  ansi += pad + "\r\n";
  // A line longer than a slice, then the last line without a break.
  expected.emplace_back(17 * kMb, u'w');
  ansi += std::string(17 * kMb, 'w') + "\n";
  expected.push_back(u"end");
  ansi += "end";

  int encoding = 0;
  Lines lines = DecodeText(ansi, &encoding);
  EXPECT_EQ(encoding, kEncodingAnsiOrUtf8);
  ASSERT_EQ(lines.size(), expected.size());
  EXPECT_TRUE(lines == expected);

  lines = DecodeText("\xEF\xBB\xBF" + ansi, &encoding);
  EXPECT_EQ(encoding, kEncodingUtf8Mark);
  EXPECT_TRUE(lines == expected);

  std::string utf16 = "\xFF\xFE";
  utf16.reserve(2 + ansi.size() * 2);
  for (char c : ansi) {
    utf16 += c;
    utf16 += '\0';
  }
  lines = DecodeText(utf16, &encoding);
  EXPECT_EQ(encoding, kEncodingUtf16);
  ASSERT_EQ(lines.size(), expected.size());
  EXPECT_TRUE(lines == expected);
}

TEST(TextFileEncode, WritesEachEncoding) {
  Lines lines{u"a", u"b"};
  EXPECT_EQ(EncodeText(lines, kEncodingAnsi, true), "a\r\nb");
  EXPECT_EQ(EncodeText(lines, kEncodingUtf8Mark, false),
            "\xEF\xBB\xBF"
            "a\r\nb\r\n");
  EXPECT_EQ(EncodeText(lines, kEncodingUtf16, false), B("\xFF\xFE"
                                                        "a\0\r\0\n\0b\0\r\0\n\0"));
  EXPECT_EQ(EncodeText(lines, kEncodingUtf16, true), B("\xFF\xFE"
                                                       "a\0\r\0\n\0b\0"));

  // Code 4 chooses ANSI only when nothing is lost, however far in the text.
  EXPECT_EQ(EncodeText({u"caf\u00e9"}, kEncodingAnsiOrUtf8, false), "caf\xE9\r\n");
  Lines big{std::u16string(10'000'001, u'a'), kNihon};
  std::string bytes = EncodeText(big, kEncodingAnsiOrUtf8, true);
  EXPECT_EQ(bytes.substr(bytes.size() - kNihonUtf8.size()), kNihonUtf8);
}

class TextFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("zelk_textfile_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::u16string Path(const char16_t* name) const { return root_.u16string() + u"\\" + name; }

  std::filesystem::path root_;
};

TEST_F(TextFileOnDisk, RoundTripKeepsEncodingAndText) {
  std::u16string path = Path(u"t.txt");
  for (int enc : {kEncodingUtf16, kEncodingUtf8Mark, kEncodingUtf8}) {
    ASSERT_TRUE(SaveTextFile(path, {u"one", kNihon}, enc));
    Lines lines;
    int got = 0;
    ASSERT_TRUE(LoadTextFile(path, &lines, &got));
    EXPECT_EQ(lines, (Lines{u"one", kNihon}));
    EXPECT_EQ(got, enc);
  }
}

TEST_F(TextFileOnDisk, MissingFileIsCreatedOnlyByExclusiveWrite) {
  std::u16string path = Path(u"missing.txt");
  Lines lines{u"stale"};
  int enc = 0;
  EXPECT_FALSE(LoadTextFile(path, &lines, &enc, kOpenModeRead | 8));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(os::FileExists(path));

  std::unique_ptr<os::File> held;
  ASSERT_TRUE(LoadTextFile(path, &lines, &enc, kOpenModeRead | 8 | kOpenModeExclusive, &held));
  EXPECT_TRUE(os::FileExists(path));
  EXPECT_NE(held, nullptr);
}

TEST_F(TextFileOnDisk, HeldHandleLocksFileUntilSaveReleasesIt) {
  std::u16string path = Path(u"held.txt");
  ASSERT_TRUE(SaveTextFile(path, {u"first", u"second"}, kEncodingAnsi));
  std::unique_ptr<os::File> held;
  Lines lines;
  int enc = 0;
  ASSERT_TRUE(LoadTextFile(path, &lines, &enc, kOpenModeRead | 8 | kOpenModeExclusive, &held));
  EXPECT_EQ(lines, (Lines{u"first", u"second"}));

  // Another reader is shut out and gives up after its retries.
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(LoadTextFile(path, &lines, &enc));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));

  ASSERT_TRUE(SaveTextFile(path, {u"x"}, kEncodingAnsi, true, true, &held));
  EXPECT_EQ(held, nullptr);
  ASSERT_TRUE(LoadTextFile(path, &lines, &enc));
  EXPECT_EQ(lines, (Lines{u"x"}));
}

}  // namespace
}  // namespace zelk
