// GETITEM and GETSLCTLST: the item texts of a window's controls into
// ALL_ITEM_LIST, and the selection of a list-like control.
#include <algorithm>
#include <string>
#include <vector>

#include "base/text_scan.h"
#include "builtins/texts/automation_readers.h"
#include "builtins/texts/text_functions.h"
#include "builtins/windows/window_ids.h"
#include "builtins/windows/window_search.h"
#include "platform/control_texts.h"
#include "platform/windowing.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

constexpr std::u16string_view kResultList = u"ALL_ITEM_LIST";
constexpr std::uint32_t kItemBack = os::item_kind::kBack;  // ITM_BACK

// The Win32 collector: the control kinds in their fixed order, then the
// accessibility kinds.
void Win32Items(os::WindowHandle window, std::uint32_t kinds, const os::ItemListQuery& base,
                int accessibleMaximum, std::vector<std::u16string>* texts) {
  for (const ItemKindStep& step : ItemKindOrder()) {
    if ((kinds & step.bit) == 0) continue;
    std::vector<std::u16string> found;
    os::ItemListQuery query = base;
    query.kind = step.bit;
    os::CollectItems(window, query, &found);
    for (std::u16string& text : found) {
      if (ItemForList(step, text)) texts->push_back(std::move(text));
    }
  }
  if ((kinds & kAccessibleItemKinds) != 0) {
    if ((kinds & kItemBack) == 0) os::ForceActivate(window, false);
    AccessibleCollectItems(window, kinds, accessibleMaximum, !base.includeDisabled, texts);
  }
}

}  // namespace

const std::vector<ItemKindStep>& ItemKindOrder() {
  static const std::vector<ItemKindStep> order = {
      {os::item_kind::kButton, true, false},     {os::item_kind::kList, false, true},
      {os::item_kind::kTab, true, false},        {os::item_kind::kMenu, true, false},
      {os::item_kind::kTreeView, false, false},  {os::item_kind::kListView, false, false},
      {os::item_kind::kEdit, false, false},      {os::item_kind::kStatic, false, false},
      {os::item_kind::kStatusBar, false, false}, {os::item_kind::kToolbar, true, false},
  };
  return order;
}

bool ItemForList(const ItemKindStep& step, std::u16string& text) {
  if (step.dropEmpty && TrimView(text).empty()) return false;
  if (step.normalize) text = NormalizeCaption(text);
  return true;
}

void BuiltinGetitem(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  ClearResult(kResultList, context);
  call.result = Value::Int(0);
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), context);
  if (window == 0) return;
  const auto kinds = static_cast<std::uint32_t>(a.whole[1]);
  const bool enabledOnly = a.whole[4] != 0;
  os::ItemListQuery query;
  query.n = static_cast<int>(std::clamp<std::int64_t>(a.whole[2], -0x7FFFFFFF, 0x7FFFFFFF));
  query.column = static_cast<int>(std::clamp<std::int64_t>(a.whole[3], -0x7FFFFFFF, 0x7FFFFFFF));
  query.includeDisabled = !enabledOnly;
  query.stop = &context.interp->run.abortLevel;

  std::vector<std::u16string> texts;
  const bool automationFirst = IsAutomationFirstWindow(window);
  if (automationFirst) {
    AutomationCollectItems(window, kinds, query.n, query.column, enabledOnly, &texts);
  }
  const int maximum = static_cast<int>(std::clamp<std::int64_t>(a.whole[5], 0, 0x7FFFFFFF));
  if (texts.empty()) Win32Items(window, kinds, query, maximum, &texts);
  if (texts.empty() && !automationFirst) {
    AutomationCollectItems(window, kinds, query.n, query.column, enabledOnly, &texts);
  }
  int count = 0;
  for (std::u16string& text : texts) {
    count = AppendResult(kResultList, Value::String(std::move(text)), context);
  }
  call.result = Value::Int(count);
}

void BuiltinGetslctlst(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  const os::WindowHandle window = WindowOfId(static_cast<int>(a.whole[0]), call.context);
  if (window == 0) return;
  const int n = static_cast<int>(std::clamp<std::int64_t>(a.whole[1], 1, 0x7FFFFFFF));
  // An absent column is the first.
  const int column =
      a.count > 2 ? static_cast<int>(std::clamp<std::int64_t>(a.whole[2], 0, 0x7FFFFFFF)) : 1;
  std::u16string text;
  if (IsAutomationFirstWindow(window)) {
    AutomationSelectedEntries(window, n, column, &text);
  } else {
    os::SelectedEntries(window, n, column, &call.context.interp->run.abortLevel, &text);
  }
  call.result = Value::String(std::move(text));
}

}  // namespace zelk
