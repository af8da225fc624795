#include "runtime/control/execute.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <string_view>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "platform/platform.h"
#include "platform/thread_priority.h"
#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/control/blocks.h"
#include "runtime/control/body_runner.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/core/vector_sizes.h"
#include "runtime/expr/compiled_expr.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/hash_tables.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

// 0-based position of the first '=' outside literals and parentheses, or npos.
std::size_t AssignPosition(std::u16string_view text) {
  int p = PosOutside(u"=", text, true, false);
  return p > 0 ? static_cast<std::size_t>(p - 1) : std::u16string_view::npos;
}

// Where a row's kind is refined. Written by index after the row ran: the
// statement may have run anything meanwhile.
struct KindSlot {
  ThreadRecord& record;
  std::size_t row;
  void Store(std::int32_t kind) const {
    if (row < record.kinds.size()) record.kinds[row] = kind;
  }
};

// TrimView, inline: an assignment row has a blank on each side of its '='.
// Blanks are the characters up to the space.
std::u16string_view TrimmedView(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

// A target that may grow in place: a plain name, no element or member.
bool IsPlainTarget(std::u16string_view target) {
  for (char16_t c : target) {
    if (c == u'[' || c == u'.' || c == u'(' || c <= u' ') return false;  // c <= ' ': a blank
  }
  return true;
}
std::u16string_view PlainTarget(std::u16string_view target) {
  return IsPlainTarget(target) ? target : std::u16string_view();
}

// The two sides of an assignment row, trimmed.
struct AssignSides {
  std::u16string_view target, source;
  bool plain = false;  // the target is a plain name
};

// The row's sides at its '=' (AssignPosition), remembered per row with the
// blanks around it and whether the target is plain. Records are sized afresh
// with every table, so the row's text is the one it was found in; its length
// and the '=' there guard against anything else. False for no '='.
bool CachedAssignSides(const KindSlot& slot, std::u16string_view text, AssignSides* sides) {
  std::vector<AssignSplit>& splits = slot.record.splits;
  if (HasIndex(splits, slot.row)) {
    const AssignSplit& split = splits[slot.row];
    const std::size_t position = split.position & ~AssignSplit::kPlainTarget;
    if (split.length == text.size() && position < text.size() && text[position] == u'=') {
      sides->plain = (split.position & AssignSplit::kPlainTarget) != 0;
      sides->target = TrimmedView(text.substr(0, position - split.blanksBefore));
      sides->source = TrimmedView(text.substr(position + 1 + split.blanksAfter));
      return true;
    }
  }
  const std::size_t p = AssignPosition(text);
  if (p == std::u16string_view::npos) return false;
  sides->target = TrimmedView(text.substr(0, p));
  sides->source = TrimmedView(text.substr(p + 1));
  sides->plain = IsPlainTarget(sides->target);
  const std::size_t before = p - (sides->target.data() + sides->target.size() - text.data());
  const std::size_t after = sides->source.data() - (text.data() + p + 1);
  if (slot.row < splits.size() && text.size() < AssignSplit::kPlainTarget && before <= UINT16_MAX &&
      after <= UINT16_MAX && !sides->target.empty() && !sides->source.empty()) {
    splits[slot.row] =
        AssignSplit{static_cast<std::uint32_t>(text.size()),
                    static_cast<std::uint32_t>(p) | (sides->plain ? AssignSplit::kPlainTarget : 0u),
                    static_cast<std::uint16_t>(before), static_cast<std::uint16_t>(after)};
  }
  return true;
}

// Kinds 1 and 2 after their first execution.
void Assign(THensuFmt& context, const KindSlot& slot, std::u16string_view text, bool comProperty) {
  AssignSides sides;
  if (!CachedAssignSides(slot, text, &sides)) return;
  Value value;
  bool stored = false;
  if (!Evaluate(sides.source, context, &value, false,
                sides.plain ? sides.target : std::u16string_view(),
                comProperty ? nullptr : &stored) ||
      stored) {
    return;
  }
  if (comProperty) {
    ComPropertyAssign(sides.target, value, context);
  } else {
    SetValue(context, sides.target, value);
  }
}

void NotAvailable(THensuFmt& context, std::u16string_view what) {
  ReportError(std::u16string(what) + Msg(u" is not available yet", u" はまだ使えません"), context);
}

// First execution of a row that preprocessing left unclassified: it runs, and
// its kind is stored so that later executions skip this analysis.
void Classify(THensuFmt& context, const KindSlot& slot, std::u16string_view text) {
  if (text.empty()) return;
  if (IsErrorRow(text)) {
    ReportError(text.substr(kErrorMarker.size()), context, false, false);
    return;
  }
  // Declarations that take effect before the run leave empty rows; one that
  // reaches the executor was not taken in, and must not become an assignment.
  std::u16string_view first = text.substr(0, text.find(u' '));
  if (first == u"PUBLIC" || first == u"CONST" || first == u"OPTION") {
    NotAvailable(context, first);
    return;
  }
  std::size_t p = AssignPosition(text);
  if (p == std::u16string_view::npos) {
    if (IsComMember(context, text)) {
      ComMemberCall(text, context);
      slot.Store(kKindMethodCall);
    } else {
      bool failed = false;
      DispatchCall(text, context, CallMode::kCall, &failed);
      slot.Store(kKindCall);
    }
    return;
  }

  std::u16string_view target = TrimView(text.substr(0, p));
  std::u16string_view source = TrimView(text.substr(p + 1));
  // A thread start stays unclassified, so that every execution starts one.
  const bool threadStart = source.starts_with(u"THREAD ");
  Value value;
  if (threadStart) {
    bool failed = false;
    value = DispatchCall(source.substr(7), context, CallMode::kThread, &failed);
  } else if (!Evaluate(source, context, &value, false, PlainTarget(target))) {
    return;
  }
  if (IsComMember(context, target)) {
    ComPropertyAssign(target, value, context);
    if (!threadStart) slot.Store(kKindAssignProperty);
  } else {
    SetValue(context, target, value);
    if (!threadStart) slot.Store(kKindAssign);
  }
}

// BREAK n / CONTINUE n: n, or 1 when the text is empty.
bool LevelCount(THensuFmt& context, std::u16string_view text, std::int32_t* count) {
  std::u16string_view t = TrimView(text);
  if (t.empty()) {
    *count = 1;
    return true;
  }
  double n = IsNumberText(t, true, false) ? TextToNumber(t) : kNotANumber;
  if (n == kNotANumber || !(n >= 0 && n <= 1e9)) {
    ReportError(u"Analysis: '" + std::u16string(t) + u"' is not a valid integer value", context,
                false, false);
    return false;
  }
  *count = static_cast<std::int32_t>(n);
  return true;
}

void ExitExit(THensuFmt& context, std::u16string_view text) {
  Interpreter& interp = *context.interp;
  Value value;
  // A failed expression leaves the exit code unchanged; the run still ends.
  if (Evaluate(text, context, &value)) {
    std::u16string code = value.Text();
    if (!code.empty()) {
      if (IsNumberText(code, false, false)) {
        // Halves go to the even neighbour (the default rounding mode).
        double n = std::nearbyint(TextToNumber(Trim(code)));
        constexpr double kMin = std::numeric_limits<std::int32_t>::min();
        constexpr double kMax = std::numeric_limits<std::int32_t>::max();
        interp.run.exitCode = static_cast<int>(n < kMin ? kMin : n > kMax ? kMax : n);
      } else if (UpperAscii(code) == u"TRUE") {
        interp.run.exitCode = 1;
      } else if (UpperAscii(code) == u"FALSE") {
        interp.run.exitCode = 0;
      }
    }
  }
  if (interp.options.optFinally) RunFinallyParts(context);
  interp.run.exitExitFlag = true;
  interp.run.abortLevel = 1;
  context.exitFlag = 1;
}

void With(THensuFmt& context, std::u16string_view text) {
  std::u16string_view subject = TrimView(text);
  if (subject == u"THIS") subject = context.moduleName;
  Value target;
  if (!subject.empty() && context.interp->definitions.moduleNames.IndexOf(subject) >= 0) {
    target = Value::String(std::u16string(subject));
  } else {
    // A failed subject is still pushed, so that ENDWITH stays paired.
    Evaluate(subject, context, &target);
  }
  context.withStack.push_back(target);
  context.withTarget = std::move(target);
}

void EndWith(THensuFmt& context) {
  if (!context.withStack.empty()) context.withStack.pop_back();
  context.withTarget = context.withStack.empty() ? Value() : context.withStack.back();
}

// A later DEF_DLL of a registered name replaces its declaration when it runs.
void DefDll(THensuFmt& context, std::u16string_view text) {
  Interpreter& interp = *context.interp;
  std::u16string_view declaration = TrimView(text);
  std::u16string name(TrimView(declaration.substr(0, declaration.find_first_of(u"( :;"))));
  if (!context.moduleName.empty()) name = context.moduleName + u"." + name;
  int index = interp.declared.dllNames.IndexOf(name);
  if (index < 0 || static_cast<std::size_t>(index) >= interp.declared.dllDeclarations.size())
    return;
  std::u16string normalized = Trim(ReplaceAll(declaration, u"[ ]", u"[]"));
  std::u16string& stored = interp.declared.dllDeclarations[static_cast<std::size_t>(index)];
  if (stored != normalized) stored = std::move(normalized);
}

// Loop heads are known to BREAK and CONTINUE through loopStack while they run.
class OpenLoop {
 public:
  explicit OpenLoop(THensuFmt& context) : context_(context) {
    context_.loopStack.push_back(context_.curOffset);
  }
  ~OpenLoop() {
    if (!context_.loopStack.empty()) context_.loopStack.pop_back();
  }
  OpenLoop(const OpenLoop&) = delete;
  OpenLoop& operator=(const OpenLoop&) = delete;

 private:
  THensuFmt& context_;
};

// A call as a row: through the site its compiled form keeps, once it has one.
[[gnu::noinline]] void RunCallRow(THensuFmt& context, std::u16string_view text) {
  bool failed = false;
  std::u16string_view callText;
  expr::CompiledExpr* compiled = CompiledCallRow(text, context);
  if (CallSiteCache* site = compiled ? expr::SoleCallSite(*compiled, &callText) : nullptr) {
    DispatchCachedCall(callText, *site, context, &failed);
  } else {
    DispatchCall(text, context, CallMode::kCall, &failed);
  }
}

// Runs a row whose kind is known: stored by preprocessing or by its first
// run. ExecuteRow runs assignments, IFB and calls itself; this takes the
// others, out of line, so that the rows that run most do not pay for the
// frame of the others.
[[gnu::noinline]] void RunRowOfKind(THensuFmt& context, const KindSlot& slot, std::int32_t kind,
                                    std::u16string_view text) {
  switch (kind) {
    case kKindAssignProperty:
      Assign(context, slot, text, true);
      break;
    case kKindMethodCall:
      ComMemberCall(text, context);
      break;
    case kKindForTo: {
      OpenLoop loop(context);
      RunForTo(context);
      break;
    }
    case kKindForIn: {
      OpenLoop loop(context);
      RunForIn(context);
      break;
    }
    case kKindWhile: {
      OpenLoop loop(context);
      RunWhile(context);
      break;
    }
    case kKindRepeat: {
      OpenLoop loop(context);
      RunRepeat(context);
      break;
    }
    case kKindSelect:
      RunSelect(context);
      break;
    case kKindTry:
    case kKindFinally:
    case kKindExcept:
      RunTryRow(context, kind);
      break;
    case kKindEndtry:
    case kKindNop:
      break;
    case kKindPrint:
      ExecutePrint(context, text);
      break;
    case kKindThread: {
      bool failed = false;
      DispatchCall(text, context, CallMode::kThread, &failed);
      break;
    }
    case kKindDefDll:
      DefDll(context, text);
      break;
    case kKindDim:
      DeclareLocal(context, text);
      break;
    case kKindHashtbl:
      DeclareHashTables(context, text);
      break;
    case kKindBreak:
    case kKindContinue: {
      LeaveTryForLoop(context);
      std::int32_t count = 0;
      if (!LevelCount(context, text, &count)) break;
      (kind == kKindBreak ? context.breakCount : context.continueCount) = count;
      break;
    }
    case kKindExit:
      RunFinallyParts(context);
      context.exitFlag = 1;
      break;
    case kKindCallFile: {
      bool failed = false;
      DispatchCall(text, context, CallMode::kIncludeCall, &failed);
      break;
    }
    case kKindExitExit:
      ExitExit(context, text);
      break;
    case kKindWith:
      With(context, text);
      break;
    case kKindEndWith:
      EndWith(context);
      break;
    case kKindComErrIgn:
      slot.record.comErrIgnore = 1;
      slot.record.comErrFlag = 0;
      break;
    case kKindComErrRet:
      slot.record.comErrIgnore = 0;
      break;
    default:
      Classify(context, slot, text);
      break;
  }
}

os::ThreadPriority PriorityOf(int command) {
  switch (command) {
    case kTrdIdle:
      return os::ThreadPriority::kIdle;
    case kTrdIdle + 1:
      return os::ThreadPriority::kLowest;
    case kTrdIdle + 2:
      return os::ThreadPriority::kBelowNormal;
    case kTrdIdle + 4:
      return os::ThreadPriority::kAboveNormal;
    case kTrdHighest:
      return os::ThreadPriority::kHighest;
    default:
      return os::ThreadPriority::kNormal;
  }
}

// A script thread runs a row only while its slot lives, waits while it is
// suspended and leaves when asked to quit (after its FINALLY parts under
// OPTION OPTFINALLY, which run as if no quit were asked).
bool PassThreadGate(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  ScriptThread* thread = interp.threads.Own(context);
  if (thread == nullptr) return false;
  while (context.exitFlag == 0 && interp.run.abortLevel == 0 &&
         thread->control.load(std::memory_order_relaxed) == kThreadSuspend) {
    os::SleepMs(50);
  }
  if (thread->priority.load(std::memory_order_relaxed) != 0) {
    os::SetCurrentThreadPriority(PriorityOf(thread->priority.exchange(0)));
  }
  if (interp.run.abortLevel > 0 || thread->control.load(std::memory_order_relaxed) == kThreadQuit) {
    if (interp.options.optFinally) {
      const int asked = thread->control.exchange(kThreadRun);
      RunFinallyParts(context);
      // The request holds for the bodies this one returns to, unless another
      // came meanwhile.
      int now = kThreadRun;
      thread->control.compare_exchange_strong(now, asked);
    }
    context.exitFlag = 1;
    return false;
  }
  return true;
}

}  // namespace

// A host failure while a row ran. The failing row stays current, so that
// the report shows its line.
[[gnu::noinline]] static void ReportRowFailure(THensuFmt& context, std::int32_t row,
                                               const char* what) {
  context.curOffset = row;
  ReportError(u"Analysis: " + Utf8ToText(what), context, false, false);
}

void ExecuteRow(THensuFmt& context) {
  Interpreter& interp = *context.interp;
  const unsigned slot = context.recordIndex;
  const bool mainThread = slot == 0;
  // Negative offsets and rows turn into sizes no table has.
  const auto offset = static_cast<std::size_t>(context.curOffset);
  const auto row =
      static_cast<std::size_t>(static_cast<std::int64_t>(context.baseIndex) + context.curOffset);
  // No thread record, or outside the body or the table: nothing to run, but
  // the caller's loop moves on.
  if (slot >= kThreadRecords || offset >= context.stmtTexts.size() ||
      row >= interp.records[slot].kinds.size()) {
    ++context.curOffset;
    return;
  }
  ThreadRecord& record = interp.records[slot];
  const KindSlot kindSlot{record, row};
  const std::int32_t kind = record.kinds[kindSlot.row];

  if (interp.debugWatch.Wants(kindSlot.row)) RowHook(context, false, kind != kKindExcept);
  if (!mainThread && !PassThreadGate(context)) return;
  if (interp.run.abortLevel > 0) {
    if (interp.options.optFinally) RunFinallyParts(context);
    context.exitFlag = 1;
    return;
  }
  if (context.exitFlag != 0 || context.breakCount > 0 || context.continueCount > 0 ||
      interp.run.errorFlag != 0) {
    return;
  }

  const std::int32_t start = context.curOffset;
  std::u16string_view text = context.stmtTexts[static_cast<std::size_t>(start)];
  try {
    switch (kind) {
      case kKindAssign:
        Assign(context, kindSlot, text, false);
        break;
      case kKindIfb:
        RunIfb(context);
        break;
      case kKindCall:
        RunCallRow(context, text);
        break;
      default:
        RunRowOfKind(context, kindSlot, kind, text);
        break;
    }
    if (context.deferredError == 1) ReportDeferredError(context);
    ++context.curOffset;
    return;
  } catch (const std::exception& e) {
    ReportRowFailure(context, start, e.what());
  } catch (...) {
    ReportRowFailure(context, start, "unknown error");
  }
}

}  // namespace zelk
