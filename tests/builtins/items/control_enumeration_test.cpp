// Which classes are which kind of control, and the reading order in which
// the n-th control of a kind is counted, on the items fixture's window.
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "items_fixture.h"
#include "platform/control_items.h"
#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/window_utils.h"

namespace zelk {
namespace {

using namespace os::item_kind;
using namespace testing_desktop;

TEST(ControlEnumerationTest, ClassNamesGiveTheirKinds) {
  // Win32, common controls and other frameworks' names.
  EXPECT_EQ(kButton, win::ClassKinds(u"BUTTON"));
  EXPECT_EQ(kButton, win::ClassKinds(u"TCHECKBOX"));
  EXPECT_EQ(kButton, win::ClassKinds(u"WINDOWSFORMS10.BUTTON.APP.0.1"));
  EXPECT_EQ(kList, win::ClassKinds(u"COMBOBOXEX32"));
  EXPECT_EQ(kList, win::ClassKinds(u"TCOLORBOX"));
  EXPECT_EQ(kTab, win::ClassKinds(u"SYSTABCONTROL32"));
  EXPECT_EQ(kTab, win::ClassKinds(u"TPAGECONTROL"));
  EXPECT_EQ(kTreeView, win::ClassKinds(u"SYSTREEVIEW32"));
  EXPECT_EQ(kListView, win::ClassKinds(u"SYSLISTVIEW32"));
  EXPECT_EQ(kToolbar, win::ClassKinds(u"TOOLBARWINDOW32"));
  EXPECT_EQ(kSlider, win::ClassKinds(u"MSCTLS_TRACKBAR32"));
  EXPECT_EQ(kSlider, win::ClassKinds(u"SCROLLBAR"));
  EXPECT_EQ(kStatic | kStatusBar, win::ClassKinds(u"MSCTLS_STATUSBAR32"));
  EXPECT_EQ(kStatic, win::ClassKinds(u"STATIC"));
  // Edits: any class with EDIT in it, date pickers, and two exact forms.
  EXPECT_EQ(kEdit, win::ClassKinds(u"RICHEDIT50W"));
  EXPECT_EQ(kEdit, win::ClassKinds(u"SYSDATETIMEPICK32"));
  EXPECT_EQ(kEdit, win::ClassKinds(u"EDTBX"));
  EXPECT_EQ(0u, win::ClassKinds(u"XEDTBX"));
  EXPECT_EQ(kEdit, win::ClassKinds(u"_WWG"));
  EXPECT_EQ(0u, win::ClassKinds(u"_WWGX"));
  EXPECT_EQ(0u, win::ClassKinds(u"ZELKFIXTUREPAD"));
}

std::vector<std::u16string> Captions(const std::vector<HWND>& controls) {
  std::vector<std::u16string> captions;
  for (HWND h : controls) captions.push_back(win::WindowTitle(h));
  return captions;
}

TEST(ControlEnumerationTest, ControlsAreNumberedRowByRowNotInWindowOrder) {
  ItemsFixture fixture;
  HWND window = fixture.window();
  ASSERT_TRUE(window);
  using V = std::vector<std::u16string>;
  // "Bottom" and "Right" were created first; the disabled "Locked" is left out.
  EXPECT_EQ(
      (V{u"&OK", u"Cancel", u"Enable", u"Tri State", u"Small", u"Large", u"Right", u"Bottom"}),
      Captions(win::ControlsOfKind(window, kButton, false, nullptr)));
  EXPECT_EQ((V{u"&OK", u"Cancel", u"Locked", u"Enable", u"Tri State", u"Small", u"Large", u"Right",
               u"Bottom"}),
            Captions(win::ControlsOfKind(window, kButton, true, nullptr)));
  // Asking for states takes disabled controls too.
  EXPECT_EQ(9u, win::ControlsOfKind(window, kButton | kCheck, false, nullptr).size());

  const std::vector<HWND> lists = win::ControlsOfKind(window, kList, false, nullptr);
  ASSERT_EQ(3u, lists.size());
  EXPECT_EQ(u"LISTBOX", win::UpperClassOf(lists[0]));
  EXPECT_EQ(u"COMBOBOX", win::UpperClassOf(lists[2]));
  EXPECT_EQ(lists[1], win::NthControlOfKind(window, kList, false, 2, nullptr));
  EXPECT_EQ(nullptr, win::NthControlOfKind(window, kList, false, 4, nullptr));
  EXPECT_EQ(nullptr, win::NthControlOfKind(window, kList, false, 0, nullptr));

  // Kinds combine; every child is every child.
  EXPECT_EQ(3u + 1 + 2,
            win::ControlsOfKind(window, kList | kTab | kListView, false, nullptr).size());
  int children = 0;
  for (HWND h = GetWindow(window, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) ++children;
  EXPECT_LE(children,
            static_cast<int>(win::ControlsOfKind(window, kEveryChild, false, nullptr).size()));
}

TEST(ControlEnumerationTest, SlidersAreTheBarControlsThenWindowsWithScrollBars) {
  ItemsFixture fixture;
  HWND window = fixture.window();
  ASSERT_TRUE(window);
  const std::vector<HWND> sliders = win::ControlsOfKind(window, kSlider, false, nullptr);
  ASSERT_EQ(2u, sliders.size());
  EXPECT_EQ(u"SCROLLBAR", win::UpperClassOf(sliders[0]));
  EXPECT_EQ(u"MSCTLS_TRACKBAR32", win::UpperClassOf(sliders[1]));
  // A child that gets a scroll bar of its own becomes a candidate, after the
  // bars above it.
  HWND tree = FindWindowExW(window, nullptr, L"SysTreeView32", nullptr);
  ASSERT_TRUE(tree);
  SetWindowLongPtrW(tree, GWL_STYLE, GetWindowLongPtrW(tree, GWL_STYLE) | WS_VSCROLL);
  const std::vector<HWND> more = win::ControlsOfKind(window, kSlider, false, nullptr);
  ASSERT_EQ(3u, more.size());
  EXPECT_EQ(tree, more[2]);
}

TEST(ControlEnumerationTest, AStopEndsTheWalk) {
  ItemsFixture fixture;
  ASSERT_TRUE(fixture.window());
  const std::atomic<int> stop{1};
  EXPECT_TRUE(win::ControlsOfKind(fixture.window(), kEveryChild, false, &stop).empty());
  EXPECT_TRUE(win::ControlsOfKind(nullptr, kButton, false, nullptr).empty());
}

}  // namespace
}  // namespace zelk

#endif  // _WIN32
