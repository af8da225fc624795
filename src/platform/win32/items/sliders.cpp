// Scroll bars and track bars: read, and moved as a user would move them.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/control_items.h"
#include "platform/win32/items/control_enumeration.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/window_utils.h"

namespace zelk::os {
namespace {

using win::items::Ask;

enum class Bar { kTrack, kControl, kWindowHorizontal, kWindowVertical };

struct Slider {
  HWND handle;
  Bar bar;
};

bool Has(const std::u16string& text, std::u16string_view part) {
  return text.find(part) != std::u16string::npos;
}

std::vector<Slider> Sliders(HWND window, bool includeDisabled, const std::atomic<int>* stop) {
  std::vector<Slider> sliders;
  for (HWND h : win::ControlsOfKind(window, item_kind::kSlider, includeDisabled, stop)) {
    const std::u16string cls = win::UpperClassOf(h);
    if (h != window && Has(cls, u"TRACKBAR")) {
      sliders.push_back({h, Bar::kTrack});
    } else if (h != window && Has(cls, u"SCROLLBAR")) {
      sliders.push_back({h, Bar::kControl});
    } else {
      const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
      if (style & WS_HSCROLL) sliders.push_back({h, Bar::kWindowHorizontal});
      if (style & WS_VSCROLL) sliders.push_back({h, Bar::kWindowVertical});
    }
  }
  return sliders;
}

bool Pick(HWND window, int n, bool includeDisabled, const std::atomic<int>* stop, Slider* slider) {
  if (!IsWindow(window)) return false;
  const std::vector<Slider> all = Sliders(window, includeDisabled, stop);
  if (n < 1 || static_cast<std::size_t>(n) > all.size()) return false;
  *slider = all[static_cast<std::size_t>(n) - 1];
  return true;
}

int WindowBarKind(Bar bar) {
  return bar == Bar::kWindowVertical ? SB_VERT : SB_HORZ;
}

int PositionOf(const Slider& s) {
  switch (s.bar) {
    case Bar::kTrack:
      return static_cast<int>(Ask(s.handle, TBM_GETPOS, 0, 0));
    case Bar::kControl:
      return static_cast<int>(Ask(s.handle, SBM_GETPOS, 0, 0));
    default: {
      SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
      return GetScrollInfo(s.handle, WindowBarKind(s.bar), &info) ? info.nPos : 0;
    }
  }
}

RECT BarRect(const Slider& s) {
  if (s.bar == Bar::kWindowHorizontal || s.bar == Bar::kWindowVertical) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    const LONG which = s.bar == Bar::kWindowVertical ? OBJID_VSCROLL : OBJID_HSCROLL;
    if (GetScrollBarInfo(s.handle, which, &info)) return info.rcScrollBar;
  }
  return win::VisibleWindowRect(s.handle);
}

bool Vertical(const Slider& s) {
  const LONG_PTR style = GetWindowLongPtrW(s.handle, GWL_STYLE);
  switch (s.bar) {
    case Bar::kTrack:
      return (style & TBS_VERT) != 0;
    case Bar::kControl:
      return (style & SBS_VERT) != 0;
    default:
      return s.bar == Bar::kWindowVertical;
  }
}

void FillFacts(HWND window, const Slider& s, SliderFacts* facts) {
  *facts = SliderFacts{};
  facts->vertical = Vertical(s);
  switch (s.bar) {
    case Bar::kTrack:
      facts->minimum = static_cast<int>(Ask(s.handle, TBM_GETRANGEMIN, 0, 0));
      facts->maximum = static_cast<int>(Ask(s.handle, TBM_GETRANGEMAX, 0, 0));
      facts->page = static_cast<int>(Ask(s.handle, TBM_GETPAGESIZE, 0, 0));
      break;
    case Bar::kControl: {
      INT low = 0, high = 0;
      Ask(s.handle, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
      facts->minimum = low;
      facts->maximum = high;
      SCROLLINFO info{sizeof info, SIF_PAGE, 0, 0, 0, 0, 0};
      if (Ask(s.handle, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&info))) {
        facts->page = static_cast<int>(info.nPage);
      }
      break;
    }
    default: {
      SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
      if (GetScrollInfo(s.handle, WindowBarKind(s.bar), &info)) {
        facts->minimum = info.nMin;
        facts->maximum = info.nMax;
        facts->page = static_cast<int>(info.nPage);
      }
    }
  }
  facts->position = PositionOf(s);
  const RECT r = BarRect(s);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  facts->rect = ScreenRect{r.left - origin.x, r.top - origin.y, r.right - r.left, r.bottom - r.top};
}

// Arrow keys toward value, one at a time, while each one moves the bar.
void StepTo(const win::items::Search& search, const Slider& s, int value) {
  const bool vertical = Vertical(s);
  const int up = vertical ? VK_DOWN : VK_RIGHT;
  const int down = vertical ? VK_UP : VK_LEFT;
  int now = PositionOf(s);
  for (int left = std::abs(value - now); left > 0 && now != value && !search.Stopped(); --left) {
    win::items::KeyToControl(search, s.handle, now < value ? up : down);
    const int next = PositionOf(s);
    if (next == now) break;
    now = next;
  }
}

// Line steps through the window's scroll messages, while each one moves it.
void ScrollTo(const win::items::Search& search, const Slider& s, int value) {
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  if (!GetScrollInfo(s.handle, WindowBarKind(s.bar), &info)) return;
  value = std::clamp(value, info.nMin, std::max(info.nMin, info.nMax));
  const UINT message = s.bar == Bar::kWindowVertical ? WM_VSCROLL : WM_HSCROLL;
  int now = info.nPos;
  const long long limit = static_cast<long long>(info.nMax) - info.nMin + 1;
  for (long long step = 0; step < limit && now != value && !search.Stopped(); ++step) {
    Ask(s.handle, message, now < value ? SB_LINEDOWN : SB_LINEUP, 0);
    const int next = PositionOf(s);
    if (next == now) break;
    now = next;
  }
}

}  // namespace

bool ReadSlider(WindowHandle window, int n, bool includeDisabled, SliderFacts* facts,
                const std::atomic<int>* stop) {
  HWND h = reinterpret_cast<HWND>(window);
  Slider s{};
  if (!Pick(h, n, includeDisabled, stop, &s)) return false;
  FillFacts(h, s, facts);
  return true;
}

bool MoveSlider(WindowHandle window, int n, bool includeDisabled, int value,
                const std::atomic<int>* stop) {
  HWND h = reinterpret_cast<HWND>(window);
  Slider s{};
  if (!Pick(h, n, includeDisabled, stop, &s)) return false;
  ItemQuery query;
  query.stop = stop;
  const win::items::Search search{h, query};
  ForceActivate(window, false);
  if (s.bar == Bar::kWindowHorizontal || s.bar == Bar::kWindowVertical) {
    ScrollTo(search, s, value);
    return true;
  }
  if (s.bar == Bar::kTrack) {
    Ask(s.handle, TBM_SETPOS, TRUE, value);
  } else {
    Ask(s.handle, SBM_SETPOS, static_cast<WPARAM>(value), TRUE);
  }
  SliderFacts facts;
  FillFacts(h, s, &facts);
  win::items::ArrowNudge(search, s.handle, facts.position <= facts.minimum, !facts.vertical);
  StepTo(search, s, value);
  return true;
}

}  // namespace zelk::os
