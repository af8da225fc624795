// TRY with FINALLY or EXCEPT: the rows in normal flow, the hand-off of an
// error to the innermost open TRY, and the FINALLY parts that EXIT, a stop
// and BREAK/CONTINUE run on their way out.
//
// A tryStack entry reads "tryOffset form partnerRel endRel": the TRY row, 0
// for FINALLY or 1 for EXCEPT, the partner row counted from the TRY row and
// the ENDTRY counted from the partner row.
#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "runtime/control/blocks.h"
#include "runtime/control/blocks_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {

using namespace blocks;

namespace {

constexpr std::int32_t kFinallyForm = 0;
constexpr std::int32_t kExceptForm = 1;

struct TryEntry {
  std::int32_t tryOffset = 0, form = 0, partnerRel = 0, endRel = 0;
  std::int32_t Partner() const { return tryOffset + partnerRel; }
  std::int32_t End() const { return Partner() + endRel; }
};

// n integers separated by single blanks.
bool ParseNumbers(std::u16string_view text, std::int32_t* out, int n) {
  for (int i = 0; i < n; ++i) {
    std::size_t blank = i + 1 < n ? text.find(u' ') : std::u16string_view::npos;
    if (i + 1 < n && blank == std::u16string_view::npos) return false;
    if (!ParseInteger(text.substr(0, blank), &out[i])) return false;
    if (blank != std::u16string_view::npos) text = text.substr(blank + 1);
  }
  return true;
}

bool TopEntry(const THensuFmt& context, TryEntry* entry) {
  if (context.tryStack.empty()) return false;
  std::int32_t n[4];
  if (!ParseNumbers(context.tryStack.back(), n, 4)) return false;
  *entry = TryEntry{n[0], n[1], n[2], n[3]};
  return true;
}

// The partner and ENDTRY rows lie in the body, in order.
bool EntryInBody(const THensuFmt& context, const TryEntry& entry) {
  return entry.Partner() > entry.tryOffset && TargetInBody(context, entry.Partner(), entry.End());
}

std::u16string Decimal(std::int32_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

enum class PartEnd { kDone, kStopped, kMoved };

// Runs rows first..end-1. kStopped when the context or the run stops or a
// jump is pending (also when an EXCEPT part reports an error of its own);
// kMoved when an error inside was taken by an enclosing TRY, which moved on.
PartEnd RunPart(THensuFmt& context, std::int32_t first, std::int32_t end, bool exceptForm) {
  context.curOffset = first;
  while (context.curOffset < end) {
    RunRow(context);
    if (Stopping(context) || (exceptForm && context.tryErrFlag != 0)) return PartEnd::kStopped;
    if (context.curOffset < first || context.curOffset > end) return PartEnd::kMoved;
  }
  return PartEnd::kDone;
}

// Under OPTION OPTFINALLY the FINALLY parts run even while the run is being
// stopped: the abort level is held at 0 meanwhile. A stop requested while
// they run is kept.
class FinallyDuringStop {
 public:
  explicit FinallyDuringStop(Interpreter& interp) : interp_(interp) {
    if (interp_.options.optFinally) {
      active_ = true;
      saved_ = interp_.run.abortLevel.exchange(0);
    }
  }
  ~FinallyDuringStop() {
    if (active_) interp_.run.abortLevel = std::max(saved_, interp_.run.abortLevel.load());
  }
  FinallyDuringStop(const FinallyDuringStop&) = delete;
  FinallyDuringStop& operator=(const FinallyDuringStop&) = delete;

 private:
  Interpreter& interp_;
  bool active_ = false;
  int saved_ = 0;
};

void ReportJumpError(THensuFmt& context, bool isBreak, bool outside) {
  const char16_t* message;
  if (outside) {
    message =
        isBreak
            ? Msg(u"There is BREAK sentence outside the loop", u"ループ外に BREAK 文がある")
            : Msg(u"There is CONTINUE sentence outside the loop", u"ループ外に CONTINUE 文がある");
  } else {
    message = isBreak ? Msg(u"Number of BREAK is wrong", u"BREAK 数 が間違っています")
                      : Msg(u"Number of CONTINUE is wrong", u"CONTINUE 数 が間違っています");
  }
  ReportError(message, context, false, false);
}

// The head of the loop that BREAK n / CONTINUE n at curOffset leaves or
// continues, or -1 after reporting. Only loops whose body holds curOffset
// count: an EXCEPT part run for an error deep inside loops sees their heads
// still stacked.
std::int32_t JumpTarget(THensuFmt& context) {
  const std::int32_t at = context.curOffset;
  const bool isBreak = RowKind(context, at) != kKindContinue;
  std::u16string_view text = RowText(context, at);
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  std::int32_t count = 1;
  if (!text.empty() && !ParseInteger(text, &count)) count = 0;

  int live = 0;
  std::int32_t target = -1;
  for (auto it = context.loopStack.rbegin(); it != context.loopStack.rend(); ++it) {
    std::u16string_view head = RowText(context, *it);
    std::int32_t closer;
    if (!CutLastOffset(&head, &closer) || !(*it < at && at < *it + closer)) continue;
    if (++live == count) target = *it;
  }
  if (live == 0 || target < 0) {
    ReportJumpError(context, isBreak, live == 0);
    return -1;
  }
  return target;
}

}  // namespace

void RunTryRow(THensuFmt& context, int kind) {
  Interpreter& interp = *context.interp;
  if (interp.run.errorFlag) return;
  const std::int32_t at = context.curOffset;
  if (kind == kKindTry) {
    std::u16string_view text = RowText(context, at);
    std::int32_t n[3];
    if (!ParseNumbers(text, n, 3) || (n[0] != kFinallyForm && n[0] != kExceptForm) ||
        !EntryInBody(context, TryEntry{at, n[0], n[1], n[2]})) {
      ReportBadHead(context, kTryPrefix);
      return;
    }
    std::u16string entry = Decimal(at);
    entry += u' ';
    entry += text;
    context.tryStack.push_back(std::move(entry));
    context.tryErrMsg.clear();
    context.tryErrLine.clear();
    context.tryErrFlag = 0;
    if (n[0] == kExceptForm) ++context.tryDepth;
    return;
  }
  // FINALLY or EXCEPT in normal flow: the protected part ended without error.
  const bool finally = kind == kKindFinally;
  TryEntry top;
  if (!TopEntry(context, &top) || top.Partner() != at ||
      top.form != (finally ? kFinallyForm : kExceptForm)) {
    ReportError(finally ? u"SyntaxError-27" : u"SyntaxError-28", context, false, false);
    return;
  }
  context.tryStack.pop_back();
  if (!finally) {
    --context.tryDepth;
    context.curOffset = at + top.endRel;  // onto ENDTRY, which the executor steps past
  }
}

void LeaveTryForLoop(THensuFmt& context) {
  CancelPendingJump(nullptr, 0);
  if (context.interp->run.errorFlag) return;
  const std::int32_t target = JumpTarget(context);
  if (target < 0 || context.tryStack.empty()) return;

  // Every TRY opened inside the loop being left (or continued) is left too,
  // innermost first; their FINALLY parts run.
  const std::int32_t at = context.curOffset;
  FinallyDuringStop stop(*context.interp);
  while (!context.tryStack.empty()) {
    TryEntry entry;
    if (!TopEntry(context, &entry)) {
      context.tryStack.pop_back();
      continue;
    }
    if (entry.tryOffset <= target) break;
    context.tryStack.pop_back();
    if (entry.form == kExceptForm) {
      --context.tryDepth;
      continue;
    }
    if (!EntryInBody(context, entry)) continue;
    PartEnd end = RunPart(context, entry.Partner() + 1, entry.End(), false);
    if (end == PartEnd::kMoved) {
      // An error in the FINALLY part went to an EXCEPT, and execution goes on
      // after it: the jump is off. The executor steps once past curOffset.
      CancelPendingJump(&context, context.curOffset + 1);
      return;
    }
    if (end == PartEnd::kStopped) break;
  }
  context.curOffset = at;
}

void RunFinallyParts(THensuFmt& context) {
  if (context.tryStack.empty()) return;
  const std::int32_t at = context.curOffset;
  FinallyDuringStop stop(*context.interp);
  bool running = true;
  while (!context.tryStack.empty()) {
    TryEntry entry;
    const bool parsed = TopEntry(context, &entry);
    context.tryStack.pop_back();
    if (!parsed) continue;
    if (entry.form == kExceptForm) {
      --context.tryDepth;
      continue;
    }
    if (!running || !EntryInBody(context, entry)) continue;
    if (context.exitFlag != 0 || context.interp->run.errorFlag != 0) {
      running = false;
      continue;
    }
    if (RunPart(context, entry.Partner() + 1, entry.End(), false) != PartEnd::kDone) {
      running = false;
    }
  }
  context.curOffset = at;
}

bool HandleErrorInTry(THensuFmt& context) {
  if (context.tryStack.empty()) return false;
  try {
    const std::int32_t at = context.curOffset;
    // A failing WITH row opened nothing: its ENDWITH is not an outer one's.
    std::int32_t scanFrom = RowKind(context, at) == kKindWith ? at : at + 1;
    while (!context.tryStack.empty()) {
      TryEntry entry;
      const bool parsed = TopEntry(context, &entry);
      context.tryStack.pop_back();
      if (!parsed) continue;
      if (entry.form == kExceptForm) --context.tryDepth;
      context.tryErrFlag = 0;
      if (!EntryInBody(context, entry)) continue;
      const std::int32_t p = entry.Partner(), e = entry.End();
      // WITH blocks opened in the protected part close with it.
      if (p > scanFrom) UnwindWith(context, scanFrom, p);
      scanFrom = std::max(scanFrom, e);
      HookAt(context, p);
      PartEnd end = RunPart(context, p + 1, e, entry.form == kExceptForm);
      if (end != PartEnd::kDone) return true;
      if (entry.form == kExceptForm) {
        // The executor's step past the failing row lands on ENDTRY.
        context.curOffset = e - 1;
        return true;
      }
      // A FINALLY part ran: an enclosing TRY may still take the error.
    }
    context.curOffset = at;
    return false;
  } catch (const std::exception&) {
    return false;  // shown as an error, which ends the run
  }
}

}  // namespace zelk
