// List-view items by the text of their first column (or the first column
// that has texts), with their check boxes.
#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/win32/items/control_buffer.h"
#include "platform/win32/items/item_engine.h"
#include "platform/win32/items/remote_structs.h"

namespace zelk::win::items {
namespace {

using namespace os::item_kind;

constexpr int kCellChars = 256;
constexpr int kLastFallbackColumn = 7;

class ListView {
 public:
  explicit ListView(HWND view) : view_(view), buffer_(view) {}
  bool valid() const { return buffer_.valid(); }
  HWND handle() const { return view_; }

  // The text of one cell: the structure is written afresh for every item,
  // since a control may leave its own text pointer in it.
  std::u16string Cell(int item, int column) {
    return buffer_.target64() ? CellAs<std::uint64_t>(item, column)
                              : CellAs<std::uint32_t>(item, column);
  }
  // The next item after `after` whose first-column text the control itself
  // calls equal to text (case aside); -1 when there is none.
  int FindExact(std::u16string_view text, int after) {
    return buffer_.target64() ? FindAs<std::uint64_t>(text, after)
                              : FindAs<std::uint32_t>(text, after);
  }
  void SetState(int item, UINT state, UINT mask) {
    if (buffer_.target64()) {
      SetStateAs<std::uint64_t>(item, state, mask);
    } else {
      SetStateAs<std::uint32_t>(item, state, mask);
    }
  }
  // Where a mouse acts on the item: inside its text, so that a click on a
  // row with a check box does not land on the box; the item's position when
  // the text's rectangle cannot be read.
  bool Point(int item, POINT* at) {
    RECT label{LVIR_LABEL, 0, 0, 0};
    if (buffer_.Put(label) &&
        Ask(view_, LVM_GETITEMRECT, static_cast<WPARAM>(item), buffer_.Address()) &&
        buffer_.Get(&label)) {
      *at = POINT{label.left + 4, label.top + 4};
      return true;
    }
    POINT zero{};
    if (!buffer_.Put(zero) ||
        !Ask(view_, LVM_GETITEMPOSITION, static_cast<WPARAM>(item), buffer_.Address()) ||
        !buffer_.Get(at)) {
      return false;
    }
    at->x += 5;
    at->y += 4;
    return true;
  }

 private:
  template <typename P>
  std::u16string CellAs(int item, int column) {
    RemoteLvItem<P> cell{};
    cell.mask = LVIF_TEXT;
    cell.item = item;
    cell.subItem = column;
    cell.text = static_cast<P>(buffer_.TextAddress());
    cell.textMax = kCellChars;
    if (!buffer_.Put(cell)) return u"";
    const LRESULT length =
        Ask(view_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), buffer_.Address());
    if (length <= 0) return u"";
    return buffer_.Text(static_cast<std::size_t>(length < kCellChars ? length : kCellChars));
  }
  template <typename P>
  int FindAs(std::u16string_view text, int after) {
    constexpr std::size_t kFindOffset = 1536;
    constexpr std::size_t kFindTextOffset = 2048;
    constexpr std::size_t kFindChars = 1000;
    if (text.size() > kFindChars) return -1;
    RemoteLvFindInfo<P> info{};
    info.flags = LVFI_STRING;
    info.text = static_cast<P>(buffer_.RawAddress(kFindTextOffset));
    if (!buffer_.PutText(text, kFindTextOffset) || !buffer_.Put(info, kFindOffset)) return -1;
    return static_cast<int>(
        Ask(view_, LVM_FINDITEMW, static_cast<WPARAM>(after), buffer_.Address(kFindOffset)));
  }
  template <typename P>
  void SetStateAs(int item, UINT state, UINT mask) {
    RemoteLvItem<P> change{};
    change.state = state;
    change.stateMask = mask;
    if (buffer_.Put(change)) {
      Ask(view_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), buffer_.Address());
    }
  }

  HWND view_;
  ControlBuffer buffer_;
};

int CheckOf(HWND view, int item) {
  const auto state = static_cast<UINT>(
      Ask(view, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK));
  return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12) - 1;
}

bool FirstRowsHaveText(ListView& view, int count) {
  constexpr int kRowsLookedAt = 8;
  for (int i = 0; i < count && i < kRowsLookedAt; ++i) {
    if (!view.Cell(i, 0).empty()) return true;
  }
  return false;
}

// The items whose text matches, in the first column that has any text at
// all: column 0, else 1 to 7 in turn.
std::vector<int> MatchingItems(Search& search, ListView& view, int count) {
  std::vector<int> matches;
  // Every row read is a round trip to the other process (about a
  // millisecond on a busy machine): a name matched exactly is first looked
  // up by the control itself. Rows it does not call equal (blanks around the
  // text, other character widths) are found by reading row by row when that
  // finds none.
  const std::u16string& exact = search.query.exactName;
  if (!exact.empty() && FirstRowsHaveText(view, count)) {
    for (int after = -1; !search.Stopped();) {
      const int i = view.FindExact(exact, after);
      if (i <= after) break;
      if (search.Matches(view.Cell(i, 0), false)) matches.push_back(i);
      after = i;
    }
    if (!matches.empty()) return matches;
  }
  for (int column = 0; column <= kLastFallbackColumn; ++column) {
    bool anyText = false;
    for (int i = 0; i < count && !search.Stopped(); ++i) {
      const std::u16string text = view.Cell(i, column);
      if (text.empty()) continue;
      anyText = true;
      if (search.Matches(text, false)) matches.push_back(i);
    }
    if (anyText || search.Stopped()) break;
  }
  return matches;
}

void Act(Search& search, ListView& view, const std::vector<int>& matches, int found, int check) {
  HWND h = view.handle();
  ActivateUnlessBack(search);
  constexpr UINT kMarks = LVIS_SELECTED | LVIS_FOCUSED;
  // With Ctrl held the selection grows; otherwise it becomes the matches.
  if (!(GetAsyncKeyState(VK_CONTROL) & 0x8000)) view.SetState(-1, 0, kMarks);
  for (int i : matches) {
    if (i != found) view.SetState(i, kMarks, kMarks);
  }
  view.SetState(found, kMarks, kMarks);
  Ask(h, LVM_ENSUREVISIBLE, static_cast<WPARAM>(found), FALSE);
  if (search.Has(kMouseMove | kClickOptions)) {
    POINT at{};
    if (view.Point(found, &at)) {
      if (search.Has(kMouseMove)) CursorTo(h, at.x, at.y);
      if (search.ClickOption()) {
        PostClick(search.query.kinds, h, at.x, at.y);
        return;
      }
    }
  }
  ArrowNudge(search, h, found == 0, false);
  if (check >= 0) {
    const int wanted = search.query.check != 0 ? 1 : 0;
    if ((check > 0 ? 1 : 0) == wanted) return;
    KeyToControl(search, h, VK_SPACE);
    // A list that does not take the space key for its check box gets the state set.
    if (CheckOf(h, found) == check) {
      view.SetState(found, static_cast<UINT>(INDEXTOSTATEIMAGEMASK(wanted + 1)),
                    LVIS_STATEIMAGEMASK);
    }
  } else if (search.query.check > 0) {
    KeyToControl(search, h, VK_RETURN);
  }
}

}  // namespace

bool SearchListViews(Search& search) {
  for (HWND handle : ChildControls(search, kListView)) {
    if (search.Stopped()) return false;
    ListView view(handle);
    if (!view.valid()) continue;
    const int count = static_cast<int>(Ask(handle, LVM_GETITEMCOUNT, 0, 0));
    const std::vector<int> matches = MatchingItems(search, view, count);
    int found = -1;
    for (int i : matches) {
      if (search.Counts()) {
        found = i;
        break;
      }
    }
    if (found < 0) continue;
    const int check = CheckOf(handle, found);
    if (!search.CheckOnly()) Act(search, view, matches, found, check);
    search.Found(kListView, check > 0 ? 1 : 0);
    return true;
  }
  return false;
}

}  // namespace zelk::win::items
