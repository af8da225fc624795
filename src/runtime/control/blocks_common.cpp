#include <cmath>
#include <limits>
#include <string>

#include "base/utf.h"
#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "platform/stack.h"
#include "runtime/control/blocks.h"
#include "runtime/control/blocks_internal.h"
#include "runtime/control/body_runner.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/operators.h"
#include "runtime/expr/tokenizer.h"

namespace zelk::blocks {
namespace {

constexpr char16_t kFieldSep = u'`';

// The jump cancelled by CancelPendingJump, per thread (contexts never cross
// threads).
struct CancelledJump {
  const THensuFmt* context = nullptr;
  std::int32_t landing = 0;
};
thread_local CancelledJump cancelledJump;

// Fills fields when text has exactly n - 1 separators (outside literals
// when quoteAware).
bool SplitAt(std::u16string_view text, std::size_t n, bool quoteAware,
             std::u16string_view* fields) {
  std::size_t count = 0, start = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (quoteAware && c == u'"') {
      quoted = !quoted;
    } else if (c == kFieldSep && !quoted) {
      if (count + 1 >= n) return false;
      fields[count++] = text.substr(start, i - start);
      start = i + 1;
    }
  }
  if (count + 1 != n) return false;
  fields[count] = text.substr(start);
  return true;
}

}  // namespace

bool ParseInteger(std::u16string_view text, std::int32_t* out) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return false;
  std::int64_t n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  if (negative) n = -n;
  if (n < std::numeric_limits<std::int32_t>::min() ||
      n > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  *out = static_cast<std::int32_t>(n);
  return true;
}

bool CutLastOffset(std::u16string_view* text, std::int32_t* offset) {
  std::size_t at = text->rfind(kFieldSep);
  if (at == std::u16string_view::npos || !ParseInteger(text->substr(at + 1), offset)) return false;
  *text = text->substr(0, at);
  return true;
}

bool ReadHeadOffsets(THensuFmt& context, std::int32_t offset, int n, std::u16string_view* text,
                     std::int32_t* out) {
  const std::u16string_view row = RowText(context, offset);
  Interpreter& interp = *context.interp;
  const std::vector<std::u16string>& rows = interp.table.StmtTexts;
  const std::int64_t index = static_cast<std::int64_t>(context.baseIndex) + offset;
  BlockHead* kept = nullptr;
  // Only the statement table's own rows are kept: a body may run other texts.
  if (n <= BlockHead::kMaxOffsets && !row.empty() && index >= 0 &&
      index < static_cast<std::int64_t>(rows.size()) &&
      row.data() == rows[static_cast<std::size_t>(index)].data()) {
    std::vector<BlockHead>& heads = interp.RecordOf(context).blockHeads;
    if (heads.size() < rows.size()) heads.resize(rows.size());
    kept = &heads[static_cast<std::size_t>(index)];
    if (kept->headLength != 0 && kept->headLength <= row.size()) {
      *text = row.substr(0, kept->headLength - 1);
      for (int i = 0; i < n; ++i) out[i] = kept->offsets[i];
      return true;
    }
  }
  std::u16string_view rest = row;
  for (int i = n; i-- > 0;) {
    if (!CutLastOffset(&rest, &out[i])) return false;
  }
  *text = rest;
  if (kept) {
    for (int i = 0; i < n; ++i) kept->offsets[i] = out[i];
    kept->headLength = static_cast<std::uint32_t>(rest.size()) + 1;
  }
  return true;
}

bool SplitFields(std::u16string_view text, std::size_t n, std::u16string_view* fields) {
  return n > 0 && (SplitAt(text, n, true, fields) || SplitAt(text, n, false, fields));
}

std::u16string_view RowText(const THensuFmt& context, std::int32_t offset) {
  if (offset < 0 || static_cast<std::size_t>(offset) >= context.stmtTexts.size()) return {};
  return context.stmtTexts[static_cast<std::size_t>(offset)];
}

std::int32_t RowKind(THensuFmt& context, std::int32_t offset) {
  const std::vector<std::int32_t>& kinds = context.interp->RecordOf(context).kinds;
  std::int64_t row = static_cast<std::int64_t>(context.baseIndex) + offset;
  if (offset < 0 || row < 0 || row >= static_cast<std::int64_t>(kinds.size())) return -1;
  return kinds[static_cast<std::size_t>(row)];
}

void ReportBadHead(THensuFmt& context, const char16_t* prefix) {
  std::u16string_view text = RowText(context, context.curOffset);
  if (IsErrorRow(text)) {
    ReportError(text.substr(kErrorMarker.size()), context, false, false);
  } else {
    ReportError(std::u16string(prefix) + u"SyntaxError", context, false, false);
  }
}

void ReportHandlerFailure(THensuFmt& context, const char16_t* prefix, const char* what) {
  ReportError(std::u16string(prefix) + Utf8ToText(what), context);
}

bool AbortRequested(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  if (interp.run.abortLevel <= 0) return false;
  if (interp.options.optFinally) RunFinallyParts(context);
  context.exitFlag = 1;
  return true;
}

void RunRow(THensuFmt& context) {
  const std::int32_t before = context.curOffset;
  ExecuteRow(context);
  if ((context.breakCount > 0 || context.continueCount > 0) && cancelledJump.context == &context) {
    if (cancelledJump.landing == context.curOffset) {
      context.breakCount = 0;
      context.continueCount = 0;
    }
    cancelledJump.context = nullptr;
  }
  if (context.curOffset == before && !Stopping(context)) context.exitFlag = 1;
}

void HookAt(THensuFmt& context, std::int32_t offset) {
  context.curOffset = offset;
  Interpreter& interp = *context.interp;
  if (interp.debugWatch.Wants(static_cast<std::size_t>(context.Row()))) RowHook(context, false);
}

bool IsTrue(const Value& value, const ScriptOptions& options) {
  switch (value.type()) {
    case kVtBoolean:
      return value.AsBoolean();
    case kVtDouble:
      return value.AsDouble() != 0;  // NaN too: it equals nothing
    default:
      break;
  }
  if (value.IsIntegerKind()) return value.AsInt() != 0;
  Value equal;
  if (!CompareValues(kTokEqual, value, false, Value::Int(0), false, options, &equal)) return true;
  return !equal.AsBoolean();
}

void UnwindWith(THensuFmt& context, std::int32_t from, std::int32_t to) {
  if (context.withStack.empty()) return;
  if (from < 1) from = 1;
  const std::int32_t size = static_cast<std::int32_t>(context.stmtTexts.size());
  if (to > size) to = size;
  int unopened = 0;
  for (std::int32_t r = from; r < to && !context.withStack.empty(); ++r) {
    std::int32_t kind = RowKind(context, r);
    if (kind == kKindWith) {
      ++unopened;
    } else if (kind == kKindEndWith) {
      if (unopened > 0) {
        --unopened;
      } else {
        context.withStack.pop_back();
      }
    }
  }
  context.withTarget = context.withStack.empty() ? Value() : context.withStack.back();
}

void UnwindLoopRest(THensuFmt& context, std::int32_t head, std::int32_t closer) {
  UnwindWith(context, context.curOffset, closer);
  // BREAK and CONTINUE have left these TRY blocks already (LeaveTryForLoop);
  // an entry still open here was left by some other way out.
  while (!context.tryStack.empty()) {
    std::u16string_view entry = context.tryStack.back();
    std::int32_t tryOffset = 0, form = 0;
    std::size_t blank = entry.find(u' ');
    if (blank == std::u16string_view::npos || !ParseInteger(entry.substr(0, blank), &tryOffset)) {
      context.tryStack.pop_back();
      continue;
    }
    if (tryOffset <= head) break;
    std::u16string_view rest = entry.substr(blank + 1);
    if (ParseInteger(rest.substr(0, rest.find(u' ')), &form) && form == 1) --context.tryDepth;
    context.tryStack.pop_back();
  }
}

void FinishLoop(THensuFmt& context, std::int32_t head, std::int32_t closer) {
  if (context.curOffset > closer) {
    --context.curOffset;
    return;
  }
  --context.curOffset;
  if (context.breakCount > 0) {
    --context.breakCount;
    UnwindLoopRest(context, head, closer);
  }
  if (context.curOffset < closer) context.curOffset = closer;
}

bool ReportNoRoomForBlock(THensuFmt& context) {
  ReportError(Msg(u"Blocks are nested too deeply", u"ブロックの入れ子が深すぎます"), context);
  return false;
}

void CancelPendingJump(const THensuFmt* context, std::int32_t landing) {
  cancelledJump.context = context;
  cancelledJump.landing = landing;
}

}  // namespace zelk::blocks
