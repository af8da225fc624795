#include "builtins/items/item_search.h"

#include <vector>

#include "base/text_scan.h"
#include "builtins/items/item_names.h"
#include "builtins/windows/window_search.h"
#include "foundation/messages.h"
#include "platform/windowing.h"

namespace zelk {
namespace {

using namespace os::item_kind;

// Fewer child windows than this and the other engines may know more.
constexpr std::size_t kFewChildren = 20;
constexpr std::uint32_t kAccessibleRetry = 0x10000000;  // the extra bit of CLK_ACC2

os::ItemQuery QueryOf(const ItemRequest& request, const std::atomic<int>* stop) {
  os::ItemQuery q;
  const bool shortMatch = (request.kinds & kShort) != 0;
  q.kinds = request.kinds;
  q.n = static_cast<int>(request.n < 0 ? -request.n : request.n);
  q.includeDisabled = request.n < 0;
  q.check = request.check;
  q.name = ItemName(request.name, shortMatch).Matcher();
  q.stop = stop;
  if (!shortMatch && request.name.find_first_of(u"\t\\") == std::u16string_view::npos) {
    q.exactName = Trim(request.name);
  }
  if (request.name.find(u'\t') != std::u16string_view::npos) {
    for (const std::u16string& one : SplitAtTabs(request.name, shortMatch)) {
      q.selection.push_back(ItemName(one, shortMatch).Matcher());
    }
  }
  return q;
}

}  // namespace

std::uint32_t RequestedKinds(std::uint32_t given) {
  constexpr std::uint32_t kEngineChoice = kApi | kUia;
  if (given & (kBasicKinds | kAcc)) return given;
  return given | kBasicKinds | ((given & kEngineChoice) ? 0 : kAcc);
}

bool PrefersUiAutomation(std::u16string_view c) {
  return c.starts_with(u"HWNDWRAPPER[WPFAPPLICATION") || c.starts_with(u"CHROME_WIDGETWIN") ||
         c.starts_with(u"MOZILLA") || c == u"APPLICATIONFRAMEWINDOW" || c == u"IEFRAME";
}

int WantedCheck(std::int64_t check) {
  return check >= 0 && check <= 2 ? static_cast<int>(check) : 1;
}

bool FindItem(os::WindowHandle window, const ItemRequest& request, const std::atomic<int>* stop,
              os::ItemAnswer* answer, std::u16string* error) {
  *answer = os::ItemAnswer{};
  os::ItemQuery q = QueryOf(request, stop);
  if (IsItemPath(request.name)) {
    std::vector<std::u16string> parts;
    if (!SplitPath(request.name, &parts)) {
      *error = Msg(u"Too many parts in the item path (at most 33): ",
                   u"項目のパスが長すぎます（33 個まで）: ");
      *error += request.name;
      return false;
    }
    const bool shortMatch = (request.kinds & kShort) != 0;
    // "\Name" names a tree's root level; one part alone is a plain name.
    q.fromRoot = request.name.starts_with(u"\\") && !request.name.starts_with(u"\\\\");
    q.isPath = parts.size() > 1;
    if (q.isPath) {
      for (const std::u16string& part : parts) {
        q.path.push_back(ItemName(part, shortMatch).Matcher());
      }
    } else if (!parts.empty()) {
      q.name = ItemName(parts.front(), shortMatch).Matcher();
    }
  }

  // The child windows are counted only when an engine choice needs them.
  std::size_t children = 0;
  bool counted = false;
  auto childCount = [&] {
    if (!counted) children = os::ListWindows(window, stop).size();
    counted = true;
    return children;
  };

  if (PrefersUiAutomation(UpperText(os::WindowClass(window))) || (q.kinds & kUia)) {
    *answer = os::FindUiAutomationItem(window, q);
  } else {
    *answer = os::FindWin32Item(window, q);
    const bool linksOnly =
        (q.kinds & kLink) && !(q.kinds & (kButton | kList | kTab | kTreeView | kListView));
    if (!answer->found && !(q.kinds & kApi) && (linksOnly || childCount() < kFewChildren)) {
      *answer = os::FindUiAutomationItem(window, q);
    }
  }
  if (answer->found || !(q.kinds & kAcc) || request.kinds == kCheckButtonKinds) return true;
  constexpr std::uint32_t kEverything = kBasicKinds | kAcc;
  if (childCount() > kFewChildren && (q.kinds & kEverything) == kEverything) return true;
  q.n = q.n < 1 ? 1 : q.n;
  *answer = os::FindAccessibleItem(window, q);
  if (!answer->found && !(q.kinds & kAccessibleRetry)) {
    q.kinds |= kAccessibleRetry;
    *answer = os::FindAccessibleItem(window, q);
  }
  return true;
}

}  // namespace zelk
