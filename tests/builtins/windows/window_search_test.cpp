// The order of GETID's matching passes over a listing, and the caption rules
// GETCTLHND compares by; no desktop needed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/windows/window_search.h"

namespace zelk {
namespace {

os::ListedWindow Win(os::WindowHandle handle, std::u16string title, std::u16string cls,
                     bool visible = true) {
  return os::ListedWindow{handle, std::move(title), std::move(cls), visible};
}

TEST(WindowSearchTest, ExactTitlesComeBeforePartialOnesAndTheForegroundFirst) {
  const std::vector<os::ListedWindow> list = {
      Win(1, u"MEMO PAD", u"NOTEPAD"),      Win(2, u"MEMO", u"NOTEPAD"),
      Win(3, u"MEMO", u"EDITOR"),           Win(4, u"HIDDEN MEMO", u"NOTEPAD", false),
      Win(5, u"SECRET", u"NOTEPAD", false),
  };
  // Exact beats partial even when the partial match is the foreground window.
  EXPECT_EQ(1, FindWindowIn(list, 1, u"MEMO", u""));
  // Among exact matches the foreground window comes first.
  EXPECT_EQ(2, FindWindowIn(list, 3, u"MEMO", u""));
  // A partial match of the foreground window comes before other partial matches.
  EXPECT_EQ(0, FindWindowIn(list, 0, u"EMO", u""));
  EXPECT_EQ(0, FindWindowIn(list, 1, u"EMO", u""));
  // The class is a prefix of the window's class.
  EXPECT_EQ(2, FindWindowIn(list, 0, u"MEMO", u"EDIT"));
  EXPECT_EQ(-1, FindWindowIn(list, 0, u"MEMO", u"WORD"));
  // Hidden windows are found only when no visible one matches.
  EXPECT_EQ(3, FindWindowIn(list, 0, u"HIDDEN", u""));
  EXPECT_EQ(4, FindWindowIn(list, 0, u"SECRET", u""));
}

TEST(WindowSearchTest, NoTitleNeedsAClass) {
  const std::vector<os::ListedWindow> list = {
      Win(1, u"TITLED", u"TOOLWINDOW"),
      Win(2, u"", u"TOOLWINDOW"),
  };
  // The no-title marker finds an untitled window of the class.
  EXPECT_EQ(1, FindWindowIn(list, 0, kNoTitle, u"TOOL"));
  EXPECT_EQ(-1, FindWindowIn(list, 0, kNoTitle, u""));
  // An empty title is not part of every title: it takes the class pass alone.
  EXPECT_EQ(0, FindWindowIn(list, 0, u"", u"TOOL"));
  EXPECT_EQ(-1, FindWindowIn(list, 0, u"", u""));
}

TEST(WindowSearchTest, CaptionsAreComparedAsUsersNameThem) {
  EXPECT_EQ(u"Name", NormalizeCaption(u"&Name:"));
  EXPECT_EQ(u"Open", NormalizeCaption(u"Open(&O)..."));
  EXPECT_EQ(u"Save as", NormalizeCaption(u"Save &as\tCtrl+Shift+S"));
  EXPECT_EQ(u"Copy", NormalizeCaption(u"Copy(_C)"));
  // Two characters or fewer stay as they are, even with an ampersand.
  EXPECT_EQ(u"&A", NormalizeCaption(u"&A"));
  EXPECT_EQ(u"OK", NormalizeCaption(u"OK"));
  EXPECT_EQ(u"", NormalizeCaption(u" :."));
}

}  // namespace
}  // namespace zelk
