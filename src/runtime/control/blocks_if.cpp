// IFB/ELSEIF/ELSE (also the expanded one-line IF) and SELECT/CASE/DEFAULT.
#include <exception>
#include <string>
#include <string_view>

#include "base/text_scan.h"
#include "foundation/case_mapping.h"
#include "frontend/statement_table.h"
#include "runtime/control/blocks.h"
#include "runtime/control/blocks_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/operators.h"
#include "runtime/expr/tokenizer.h"

namespace zelk {

using namespace blocks;

namespace {

// "cond`firstElseif`else`endif", the partners as offsets from the head.
struct IfbHead {
  std::u16string_view condition;
  std::int32_t elseif = 0, otherwise = 0, endif = 0;  // targets; <= 0 when absent
};

bool ReadIfbHead(THensuFmt& context, IfbHead* head) {
  const std::int32_t h = context.curOffset;
  std::int32_t e[3];
  if (!HeadOffsets(context, h, 3, &head->condition, e)) return false;
  head->endif = h + e[2];
  head->otherwise = h + e[1];
  head->elseif = h + e[0];
  if (!TargetInBody(context, h, head->endif)) return false;
  // An optional partner must lie between the head and the ENDIF.
  if (head->otherwise > 0 && !(head->otherwise > h && head->otherwise < head->endif)) return false;
  if (head->elseif > 0 && !(head->elseif > h && head->elseif < head->endif)) return false;
  return true;
}

void Ifb(THensuFmt& context) {
  IfbHead head;
  for (;;) {
    if (!ReadIfbHead(context, &head)) {
      ReportBadHead(context, kIfbPrefix);
      return;
    }
    bool truth = false;
    if (!EvaluateCondition(context, head.condition, &truth)) return;
    const std::int32_t e1 = head.elseif, e2 = head.otherwise, e3 = head.endif;
    if (truth) {
      context.curOffset += 1;
      while (context.curOffset < e3 && (e2 <= 0 || context.curOffset < e2) &&
             (e1 <= 0 || context.curOffset < e1)) {
        RunRow(context);
        if (Stopping(context)) break;
      }
      break;
    }
    if (e1 > 0 && RowKind(context, e1) == kKindIfb) {
      // The ELSEIF row is the next head, with the same ENDIF. It is taken
      // here as the executor would take it (the debugger stops on it), not
      // through the executor: a long chain must not nest on the stack.
      HookAt(context, e1);
      if (AbortRequested(context) || Stopping(context)) return;
      continue;
    }
    if (e1 > 0) {
      context.curOffset = e1;
    } else if (e2 > 0) {
      context.curOffset = e2 + 1;
    } else {
      context.curOffset = e3;
    }
    while (context.curOffset < e3) {
      RunRow(context);
      if (Stopping(context)) break;
    }
    break;
  }
  const std::int32_t e3 = head.endif;
  if (context.curOffset > e3) {
    // A TRY took an error and moved on: step back for the executor's step.
    --context.curOffset;
    return;
  }
  --context.curOffset;
  if (context.breakCount > 0) UnwindWith(context, context.curOffset, e3);
  if (context.curOffset < e3) context.curOffset = e3;
}

// --- SELECT ---------------------------------------------------------------

// The CASE, DEFAULT and SELEND items after the selector, read one at a time
// from "off,values`off,DEFAULT`...`off,SELEND".
class SelectItems {
 public:
  SelectItems(std::u16string_view items, bool quoteAware) : rest_(items), quoteAware_(quoteAware) {}
  // False at the end or on a malformed item (*bad set).
  bool Next(std::int32_t head, std::int32_t* target, std::u16string_view* values, bool* bad) {
    *bad = false;
    if (done_) return false;
    std::size_t end = FieldEnd();
    std::u16string_view field = rest_.substr(0, end);
    if (end == rest_.size()) {
      done_ = true;
    } else {
      rest_ = rest_.substr(end + 1);
    }
    std::size_t comma = field.find(u',');
    std::int32_t offset;
    if (comma == std::u16string_view::npos || !ParseInteger(field.substr(0, comma), &offset)) {
      *bad = true;
      return false;
    }
    *target = head + offset;
    *values = field.substr(comma + 1);
    return true;
  }

 private:
  std::size_t FieldEnd() const {
    bool quoted = false;
    for (std::size_t i = 0; i < rest_.size(); ++i) {
      if (quoteAware_ && rest_[i] == u'"') {
        quoted = !quoted;
      } else if (rest_[i] == u'`' && !quoted) {
        return i;
      }
    }
    return rest_.size();
  }

  std::u16string_view rest_;
  bool quoteAware_;
  bool done_ = false;
};

struct SelectHead {
  std::u16string_view selector;
  std::u16string_view items;
  bool quoteAware = true;
  std::int32_t defaultTarget = -1;
  std::int32_t selend = -1;
};

// Checks every item once and finds DEFAULT and SELEND; the items are read
// again as they are tested, so nothing is stored.
bool CheckItems(const THensuFmt& context, SelectHead* head) {
  const std::int32_t h = context.curOffset;
  SelectItems items(head->items, head->quoteAware);
  std::int32_t target, previous = h;
  std::u16string_view values;
  bool bad = false;
  head->defaultTarget = -1;
  head->selend = -1;
  while (items.Next(h, &target, &values, &bad)) {
    if (head->selend > 0 || target <= previous) return false;  // nothing after SELEND; in order
    previous = target;
    if (values == u"SELEND") {
      head->selend = target;
    } else if (values == u"DEFAULT") {
      head->defaultTarget = target;
    }
  }
  return !bad && TargetInBody(context, h, head->selend);
}

bool ReadSelectHead(const THensuFmt& context, SelectHead* head) {
  std::u16string_view text = RowText(context, context.curOffset);
  for (bool quoteAware : {true, false}) {
    // The selector ends at the first separator (outside literals when quoteAware).
    bool quoted = false;
    std::size_t cut = std::u16string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (quoteAware && text[i] == u'"') {
        quoted = !quoted;
      } else if (text[i] == u'`' && !quoted) {
        cut = i;
        break;
      }
    }
    if (cut == std::u16string_view::npos) continue;
    head->selector = text.substr(0, cut);
    head->items = text.substr(cut + 1);
    head->quoteAware = quoteAware;
    if (CheckItems(context, head)) return true;
  }
  return false;
}

// Upper-cased unless OPTION SAMESTR (CASE ignores case by default); an
// object variable without object stands for NOTHING.
void NormalizeCaseValue(Value* value, const ScriptOptions& options) {
  constexpr unsigned kMapUpperCase = 0x00000200;  // LCMAP_UPPERCASE
  if (value->IsString()) {
    if (!options.sameStr) {
      *value = Value::String(MapString(value->AsString(), kMapUpperCase), value->type());
    }
  } else if (value->IsNothing()) {
    *value = Value::String(std::u16string(kNothingMarker));
  }
}

std::u16string_view TrimBlank(std::u16string_view text) {
  while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
  return text;
}

// The next value expression of a CASE list: cut at a comma outside literals,
// brackets and parentheses.
std::u16string_view NextCaseValue(std::u16string_view* list) {
  std::size_t i = list->size();
  ForEachTopLevel(*list, u',', [&](std::size_t at) {
    i = at;
    return false;
  });
  std::u16string_view value = list->substr(0, i);
  *list = i < list->size() ? list->substr(i + 1) : std::u16string_view();
  return value;
}

enum class CaseTest { kNoMatch, kMatch, kLeave };

// One CASE row: its values in order until one equals the selector.
CaseTest TestCase(THensuFmt& context, std::u16string_view list, const Value& selector) {
  const std::int32_t at = context.curOffset;
  const ScriptOptions& options = context.interp->options;
  while (!list.empty()) {
    std::u16string_view expression = TrimBlank(NextCaseValue(&list));
    if (expression.empty()) continue;
    Value value;
    if (!Evaluate(expression, context, &value)) return CaseTest::kLeave;
    if (context.curOffset != at || Stopping(context)) return CaseTest::kLeave;
    NormalizeCaseValue(&value, options);
    if (value.IsEmpty() && expression == u"EMPTY") {
      if (selector.IsEmpty()) return CaseTest::kMatch;
      continue;
    }
    Value equal;
    // A comparison that cannot be made is no match.
    if (CompareValues(kTokEqual, selector, false, value, false, options, &equal) &&
        equal.AsBoolean()) {
      return CaseTest::kMatch;
    }
  }
  return CaseTest::kNoMatch;
}

void Select(THensuFmt& context) {
  SelectHead head;
  if (!ReadSelectHead(context, &head)) {
    ReportBadHead(context, kSelectPrefix);
    return;
  }
  const std::int32_t h = context.curOffset;
  const std::int32_t s = head.selend;
  const std::int32_t d = head.defaultTarget;
  Value selector;
  if (!Evaluate(head.selector, context, &selector)) return;
  NormalizeCaseValue(&selector, context.interp->options);

  std::int32_t start = -1;  // the matched item's row
  SelectItems items(head.items, head.quoteAware);
  std::int32_t target;
  std::u16string_view values;
  bool bad;
  while (items.Next(h, &target, &values, &bad)) {
    if (target == s || target == d) continue;
    HookAt(context, target);
    if (AbortRequested(context)) return;
    CaseTest test = TestCase(context, values, selector);
    if (test == CaseTest::kLeave) return;
    if (test == CaseTest::kMatch) {
      start = target;
      break;
    }
  }
  if (start < 0) {
    if (d > 0) HookAt(context, d);
    start = d > 0 ? d : s;
  }

  // The part ends at the next item's row: no fall-through into a CASE,
  // DEFAULT or SELEND.
  std::int32_t end = s;
  SelectItems after(head.items, head.quoteAware);
  while (after.Next(h, &target, &values, &bad)) {
    if (target > start) {
      end = target;
      break;
    }
  }
  if (start == s) {
    context.curOffset = s;
  } else {
    context.curOffset = start + 1;
    while (context.curOffset < end) {
      RunRow(context);
      if (Stopping(context)) break;
    }
    if (context.curOffset > s) {
      --context.curOffset;  // moved on by a TRY
      return;
    }
    --context.curOffset;
    if (context.breakCount > 0) UnwindWith(context, context.curOffset, s);
  }
  if (context.curOffset < s) context.curOffset = s;
  if (context.exitFlag == 0 && context.interp->run.errorFlag == 0 &&
      context.interp->run.abortLevel <= 0) {
    HookAt(context, s);
  }
}

}  // namespace

void RunIfb(THensuFmt& context) {
  if (context.interp->run.errorFlag) return;
  if (!RoomForBlock(context)) return;
  try {
    Ifb(context);
  } catch (const std::exception& e) {
    ReportHandlerFailure(context, kIfbPrefix, e.what());
  }
}

void RunSelect(THensuFmt& context) {
  if (context.interp->run.errorFlag) return;
  if (!RoomForBlock(context)) return;
  try {
    Select(context);
  } catch (const std::exception& e) {
    ReportHandlerFailure(context, kSelectPrefix, e.what());
  }
}

}  // namespace zelk
