#include "foundation/own_windows.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

TEST(OwnWindowsTest, TitlesAndBalloonsByThread) {
  AddOwnWindow(OwnWindowRole::kDebuggerMain, 0x100, u"ZELK Debugger");
  AddOwnWindow(OwnWindowRole::kDebuggerMain, 0x100, u"ZELK Debugger - a.zls (Executing)");
  std::u16string title;
  ASSERT_TRUE(OwnWindowTitle(0x100, &title));
  EXPECT_EQ(u"ZELK Debugger - a.zls (Executing)", title);
  EXPECT_EQ(0x100u, FindOwnWindow(OwnWindowRole::kDebuggerMain));
  EXPECT_FALSE(IsOwnWindow(0x200));
  AddOwnWindow(OwnWindowRole::kDebuggerMain, 0, u"a null handle is never registered");
  EXPECT_FALSE(IsOwnWindow(0));

  // A thread's own balloon first, else the main thread's, else any.
  AddOwnWindow(OwnWindowRole::kBalloon, 0x301, u"", 3);
  EXPECT_EQ(0x301u, FindOwnWindow(OwnWindowRole::kBalloon, 5));
  AddOwnWindow(OwnWindowRole::kBalloon, 0x300, u"", 0);
  EXPECT_EQ(0x300u, FindOwnWindow(OwnWindowRole::kBalloon, 5));
  EXPECT_EQ(0x301u, FindOwnWindow(OwnWindowRole::kBalloon, 3));

  for (std::uintptr_t h : {0x100u, 0x300u, 0x301u}) RemoveOwnWindow(h);
  EXPECT_FALSE(IsOwnWindow(0x100));
  EXPECT_EQ(0u, FindOwnWindow(OwnWindowRole::kBalloon));
}

}  // namespace
}  // namespace zelk
