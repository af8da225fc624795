// Compiling mirrors the text evaluator's precedence climbing step by step, so
// that operands are read, calls made and operators applied in the same order;
// every operation is the very function the text evaluator calls.
#include "runtime/expr/compiled_expr.h"

#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate_parts.h"
#include "runtime/expr/operators.h"
#include "runtime/expr/token_cache.h"
#include "runtime/expr/tokenizer.h"
#include "runtime/vars/variable_parts.h"
#include "runtime/vars/variables.h"

namespace zelk::expr {

Step::Step(Step&& o) noexcept
    : kind(o.kind),
      op(o.op),
      text(o.text),
      constant(std::move(o.constant)),
      slot(o.slot),
      leftKind(o.leftKind),
      right(std::move(o.right)),
      call(std::exchange(o.call, nullptr)) {}

Step& Step::operator=(Step&& o) noexcept {
  if (this != &o) {
    delete call;
    kind = o.kind;
    op = o.op;
    text = o.text;
    constant = std::move(o.constant);
    slot = o.slot;
    leftKind = o.leftKind;
    right = std::move(o.right);
    call = std::exchange(o.call, nullptr);
  }
  return *this;
}

Step::~Step() {
  delete call;
}

CompiledExpr::~CompiledExpr() = default;

namespace {

bool IsEmptyWord(std::u16string_view text) {
  if (text.size() != 5) return false;
  for (std::size_t i = 0; i < 5; ++i) {
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != u"EMPTY"[i]) return false;
  }
  return true;
}

// What GetValue answers without its full lookup: no indexes, no blanks around.
bool IsPlainName(std::u16string_view text) {
  if (text.empty() || text.find(u'[') != text.npos) return false;
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  return !blank(text.front()) && !blank(text.back());
}

constexpr int kMaxNesting = 64;

class Compiler {
 public:
  explicit Compiler(const TokenList& list) : list_(list) {}

  std::unique_ptr<CompiledExpr> Run() {
    auto compiled = std::make_unique<CompiledExpr>();
    out_ = compiled.get();
    Next();
    if (!Binary(1) || kind_ != kTokEnd || depth_ != 1) return nullptr;
    out_->steps.shrink_to_fit();
    return compiled;
  }

 private:
  void Next() {
    if (next_ < list_.tokens.size()) {
      current_ = &list_.tokens[next_++];
      kind_ = current_->kind;
      text_ = list_.TextOf(*current_);
    } else {
      current_ = nullptr;
      kind_ = kTokEnd;
      text_ = {};
    }
  }
  bool Push(Step step) {
    if (++depth_ > kMaxCompiledDepth) return false;
    out_->steps.push_back(std::move(step));
    return true;
  }
  void Apply(StepKind kind, std::int32_t op = 0) {
    if (kind == StepKind::kBinary) {
      --depth_;
      if (FusePair(op)) return;
    }
    Step step;
    step.kind = kind;
    step.op = op;
    out_->steps.push_back(std::move(step));
  }

  static bool InPlace(const Step& step) {
    return step.kind == StepKind::kConstant || step.kind == StepKind::kSlot;
  }
  // [a][b][op] with a and b constants or plain names becomes one step.
  bool FusePair(std::int32_t op) {
    std::vector<Step>& steps = out_->steps;
    const std::size_t n = steps.size();
    if (n < 2 || !InPlace(steps[n - 2]) || !InPlace(steps[n - 1])) return false;
    auto right = std::make_unique<Step>(std::move(steps[n - 1]));
    steps.pop_back();
    Step& pair = steps.back();
    pair.leftKind = pair.kind;
    pair.kind = StepKind::kPair;
    pair.op = op;
    pair.right = std::move(right);
    return true;
  }

  bool Binary(int minLevel) {
    if (kind_ == kTokName && IsEmptyWord(text_)) return false;  // compared as Empty itself
    // Deep nesting is left to the text evaluator, which watches its stack.
    if (++nesting_ > kMaxNesting) return false;
    const bool ok = BinaryOperators(minLevel);
    --nesting_;
    return ok;
  }

  bool BinaryOperators(int minLevel) {
    if (!(kind_ == kTokNot ? Not() : Primary())) return false;
    for (;;) {
      const std::int32_t op = kind_;
      const int level = OperatorLevel(op);
      if (level < minLevel || level == 0) return true;
      if (op == kTokAnd || op == kTokOr) out_->hasAndOr = true;
      Next();
      if (!Binary(level + 1)) return false;
      Apply(StepKind::kBinary, op);
    }
  }

  bool Not() {
    if (kind_ != kTokNot) return Primary();
    if (++nesting_ > kMaxNesting) return false;
    Next();
    if (!Not()) return false;
    Apply(StepKind::kNot);
    --nesting_;
    return true;
  }

  bool Primary() {
    if (kind_ == kTokCall) {
      Step step;
      step.kind = StepKind::kCall;
      step.text = text_;
      if (!Push(std::move(step))) return false;
      Next();
      // SPLIT(s)[1]: the text evaluator indexes the result.
      return !(kind_ == kTokName && text_.starts_with(u'['));
    }
    if (kind_ == kTokParen && text_ == u"(") {
      Next();
      if (!Binary(1)) return false;
      if (kind_ != kTokParen || text_ != u")") return false;
      Next();
      return true;
    }
    return Operand();
  }

  // A sign stands only before a number, literal or name.
  bool Operand() {
    std::int32_t sign = 0;
    if (kind_ == kTokPlus || kind_ == kTokMinus) {
      sign = kind_;
      Next();
    }
    Step step;
    switch (kind_) {
      case kTokNumber:
      case kTokString:
        step.constant = current_->value;
        break;
      case kTokName:
        step.kind = IsPlainName(text_) ? StepKind::kSlot : StepKind::kName;
        step.text = text_;
        break;
      default:
        return false;  // COM members, and whatever is malformed
    }
    if (!Push(std::move(step))) return false;
    if (sign == kTokMinus) Apply(StepKind::kNegate);
    Next();
    return true;
  }

  const TokenList& list_;
  CompiledExpr* out_ = nullptr;
  std::size_t next_ = 0;
  const CachedToken* current_ = nullptr;
  std::int32_t kind_ = kTokEnd;
  std::u16string_view text_;
  int depth_ = 0;
  int nesting_ = 0;
};

enum class Failure { kNone, kAbandoned, kType, kMemory, kDeclined };

// Names are short: a loop beats a call of memcmp.
bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// kFailed: overflow, or a comparison with NaN; the caller reports it as the
// general operators' failure.
enum class PairOutcome { kDone, kFailed, kGeneral };

// Two Doubles under +, -, * or a comparison, into out, as the general
// operators would make them; kGeneral for any other operator.
[[gnu::always_inline]] inline PairOutcome DoublePair(std::int32_t op, double x, double y,
                                                     const ScriptOptions& options, Value* out) {
  if (op == kTokPlus || op == kTokMinus || op == kTokTimes) {
    const double d = op == kTokPlus ? x + y : (op == kTokMinus ? x - y : x * y);
    if (!std::isfinite(d)) return PairOutcome::kFailed;
    *out = Value::Double(d);
    return PairOutcome::kDone;
  }
  if (OperatorLevel(op) == 3) {
    bool holds = false;
    if (!CompareDoubles(op, x, y, options.roundValue, &holds)) return PairOutcome::kFailed;
    *out = Value::Boolean(holds);
    return PairOutcome::kDone;
  }
  return PairOutcome::kGeneral;
}

// Two numbers into out; false on a type failure.
bool NumberPair(std::int32_t op, const Value& a, const Value& b, const ScriptOptions& options,
                Value* out) {
  if (a.IsDouble() && b.IsDouble()) {
    switch (DoublePair(op, a.AsDouble(), b.AsDouble(), options, out)) {
      case PairOutcome::kDone:
        return true;
      case PairOutcome::kFailed:
        return false;
      case PairOutcome::kGeneral:
        break;
    }
  }
  switch (OperatorLevel(op)) {
    case 1:
    case 2:
      return BitwiseValues(op, a, b, out);
    case 3:
      return CompareValues(op, a, false, b, false, options, out);
    default:
      return op == kTokPlus ? AddValues(a, b, out) : ArithmeticValues(op, a, b, false, out);
  }
}

// The commonest expressions, a name alone or one operator between two
// numbers, without setting up the machine; false when the machine is to run.
bool RunSingleStep(CompiledExpr& compiled, THensuFmt& context, std::u16string_view appendTarget,
                   Value* result) {
  Step& step = compiled.steps.front();
  const ScriptOptions& options = context.interp->options;
  if (step.kind == StepKind::kSlot) {
    const Value* own = vars::OwnScalarThrough(context, step.text, step.slot);
    // A text that is the assignment's own target is left to the machine's guard.
    if (own == nullptr || (own->IsString() && !appendTarget.empty())) return false;
    *result = *own;
    FinishResult(*result, options);
    return true;
  }
  if (step.kind != StepKind::kPair) return false;
  Step& right = *step.right;
  const Value* a = step.leftKind == StepKind::kConstant
                       ? &step.constant
                       : vars::OwnScalarThrough(context, step.text, step.slot);
  if (a == nullptr || !a->IsDouble()) return false;
  const Value* b = right.kind == StepKind::kConstant
                       ? &right.constant
                       : vars::OwnScalarThrough(context, right.text, right.slot);
  if (b == nullptr || !b->IsDouble()) return false;
  // A failure is reported by the machine, which meets it again.
  switch (DoublePair(step.op, a->AsDouble(), b->AsDouble(), options, result)) {
    case PairOutcome::kDone:
      FinishResult(*result, options);
      return true;
    case PairOutcome::kFailed:
      return false;
    case PairOutcome::kGeneral:
      break;
  }
  Value out;
  if (!NumberPair(step.op, *a, *b, options, &out)) return false;
  *result = std::move(out);
  FinishResult(*result, options);
  return true;
}

// The value stack is raw storage: only the places in use hold a Value, so
// that a short expression pays for no more than it uses.
class Machine {
 public:
  explicit Machine(THensuFmt& context)
      : context_(context),
        interp_(*context.interp),
        entryOffset_(context.curOffset),
        entryExit_(context.exitFlag) {}
  ~Machine() {
    while (top_ > 0) At(--top_).~Value();
  }
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  Failure Run(CompiledExpr& compiled, std::u16string_view appendTarget, Value* result) {
    // `T = T + x` on a text: the text evaluator may grow T in place. T is the
    // first step then, so nothing has run when the form declines.
    Step& first = compiled.steps.front();
    const bool leadingName = first.kind == StepKind::kSlot ||
                             (first.kind == StepKind::kPair && first.leftKind == StepKind::kSlot);
    guardTarget_ = !appendTarget.empty() && leadingName && SameText(first.text, appendTarget);
    return Steps(compiled, result);
  }

  bool Moved() const { return context_.curOffset != entryOffset_; }

 private:
  Failure Steps(CompiledExpr& compiled, Value* result) {
    const std::size_t count = compiled.steps.size();
    for (std::size_t k = 0; k < count; ++k) {
      Step& step = compiled.steps[k];
      switch (step.kind) {
        case StepKind::kConstant:
          Push(step.constant);
          break;
        case StepKind::kSlot:
          if (const Value* own = vars::OwnScalarThrough(context_, step.text, step.slot)) {
            if (guardTarget_ && own->IsString()) return Failure::kDeclined;
            guardTarget_ = false;
            Push(*own);
            break;
          }
          if (guardTarget_) return Failure::kDeclined;
          [[fallthrough]];
        case StepKind::kName:
          Push(GetValue(context_, step.text));
          if (SideEffects()) return Failure::kAbandoned;
          break;
        case StepKind::kCall: {
          bool failed = false;
          if (step.call == nullptr) step.call = new CallSiteCache();
          Push(DispatchCachedCall(step.text, *step.call, context_, &failed));
          if (failed || SideEffects()) return Failure::kAbandoned;
          break;
        }
        case StepKind::kNot: {
          Value out;
          if (!NotValue(At(top_ - 1), &out)) return Failure::kType;
          At(top_ - 1) = std::move(out);
          break;
        }
        case StepKind::kNegate:
          if (!NegateValue(At(top_ - 1), &At(top_ - 1))) return Failure::kType;
          break;
        case StepKind::kPair: {
          const Failure f = Pair(step);
          if (f != Failure::kNone) return f;
          break;
        }
        case StepKind::kBinary: {
          const Failure f = Binary(step.op, At(top_ - 2), At(top_ - 1));
          At(--top_).~Value();
          if (f != Failure::kNone) return f;
          break;
        }
      }
    }
    *result = std::move(At(0));
    return Failure::kNone;
  }

  Value& At(int i) { return *std::launder(reinterpret_cast<Value*>(raw_ + i * sizeof(Value))); }
  template <typename V>
  void Push(V&& v) {
    new (raw_ + top_ * sizeof(Value)) Value(std::forward<V>(v));
    ++top_;
  }

  // Numbers are combined where they stand; anything else goes as the three
  // steps would, reading the operands in the same order.
  Failure Pair(Step& step) {
    Step& right = *step.right;
    const Value* a = step.leftKind == StepKind::kConstant
                         ? &step.constant
                         : vars::OwnScalarThrough(context_, step.text, step.slot);
    // The first step reads the target first: nothing has run yet.
    if (guardTarget_ && (a == nullptr || a->IsString())) return Failure::kDeclined;
    guardTarget_ = false;
    const Value* b = right.kind == StepKind::kConstant
                         ? &right.constant
                         : vars::OwnScalarThrough(context_, right.text, right.slot);
    if (a != nullptr && b != nullptr && a->IsDouble() && b->IsDouble()) {
      Value out;
      const Failure f = Binary(step.op, *a, *b, &out);
      if (f == Failure::kNone) Push(std::move(out));
      return f;
    }
    if (a != nullptr) {
      Push(*a);
    } else {
      Push(GetValue(context_, step.text));
      if (SideEffects()) return Failure::kAbandoned;
    }
    // The left read may have run anything (a special name): look again.
    b = right.kind == StepKind::kConstant
            ? &right.constant
            : vars::OwnScalarThrough(context_, right.text, right.slot);
    if (b != nullptr) {
      Push(*b);
    } else {
      Push(GetValue(context_, right.text));
      if (SideEffects()) return Failure::kAbandoned;
    }
    const Failure f = Binary(step.op, At(top_ - 2), At(top_ - 1));
    At(--top_).~Value();
    return f;
  }

  // A report made by a name read or call (or a TRY that took it) ends the
  // evaluation silently.
  bool SideEffects() const {
    return context_.curOffset != entryOffset_ || interp_.run.errorFlag ||
           (context_.exitFlag && !entryExit_);
  }

  Failure Binary(std::int32_t op, const Value& a, const Value& b, Value* out) {
    return NumberPair(op, a, b, interp_.options, out) ? Failure::kNone : Failure::kType;
  }

  Failure Binary(std::int32_t op, Value& v, Value& right) {
    if (v.IsDouble() && right.IsDouble()) {
      switch (DoublePair(op, v.AsDouble(), right.AsDouble(), interp_.options, &v)) {
        case PairOutcome::kDone:
          return Failure::kNone;
        case PairOutcome::kFailed:
          return Failure::kType;
        case PairOutcome::kGeneral:
          break;
      }
    }
    bool ok;
    switch (OperatorLevel(op)) {
      case 1:
      case 2:
        ok = BitwiseValues(op, v, right, &v);
        break;
      case 3:
        ok = CompareValues(op, v, false, right, false, interp_.options, &v);
        break;
      default:
        if (op != kTokPlus) {
          ok = ArithmeticValues(op, v, right, false, &v);
        } else if (v.IsString() || right.IsString()) {
          if (JoinedTextTooLong(v, right)) return Failure::kMemory;
          ExpandBeforeAppend(v, right, interp_.options);
          ok = AddValues(v, right, &v);
        } else {
          ok = AddValues(v, right, &v);
        }
        break;
    }
    return ok ? Failure::kNone : Failure::kType;
  }

  THensuFmt& context_;
  Interpreter& interp_;
  std::int32_t entryOffset_;
  std::uint8_t entryExit_;
  // The first step reads the assignment's target, which may have to grow in
  // place as a text: the form declines then.
  bool guardTarget_ = false;
  alignas(Value) unsigned char raw_[sizeof(Value) * kMaxCompiledDepth];
  int top_ = 0;
};

}  // namespace

std::unique_ptr<CompiledExpr> Compile(const TokenList& list) {
  if (!list.complete || list.tokens.empty()) return nullptr;
  try {
    return Compiler(list).Run();
  } catch (const std::bad_alloc&) {
    return nullptr;  // the text evaluator still can
  }
}

namespace {

// The steps on the value stack; out of line, so that the single steps above
// do not pay for setting up its frame.
[[gnu::noinline]] RunOutcome RunMachine(CompiledExpr& compiled, THensuFmt& context,
                                        std::u16string_view appendTarget, Value* result) {
  Machine machine(context);
  Value v;
  Failure failure;
  try {
    failure = machine.Run(compiled, appendTarget, &v);
  } catch (const std::bad_alloc&) {
    failure = Failure::kMemory;
  } catch (const std::length_error&) {
    failure = Failure::kMemory;
  } catch (...) {
    failure = Failure::kType;  // a host failure inside some operation
  }
  if (failure == Failure::kDeclined) return RunOutcome::kDeclined;
  if (failure == Failure::kAbandoned || machine.Moved()) {
    *result = Value::FailedByte();
    return RunOutcome::kFailed;
  }
  if (failure != Failure::kNone) {
    *result = Value::FailedByte();
    if (failure == Failure::kMemory) {
      ReportError(vars::OutOfMemoryText(), context);
    } else {
      ReportEvaluationError(context);
    }
    return RunOutcome::kFailed;
  }
  FinishResult(v, context.interp->options);
  *result = std::move(v);
  return RunOutcome::kDone;
}

}  // namespace

RunOutcome RunCompiled(CompiledExpr& compiled, THensuFmt& context, bool allowShortCircuit,
                       std::u16string_view appendTarget, Value* result) {
  if (compiled.hasAndOr && allowShortCircuit && context.interp->options.shortCircuit) {
    return RunOutcome::kDeclined;
  }
  if (compiled.steps.size() == 1 && RunSingleStep(compiled, context, appendTarget, result)) {
    return RunOutcome::kDone;
  }
  return RunMachine(compiled, context, appendTarget, result);
}

CallSiteCache* SoleCallSite(CompiledExpr& compiled, std::u16string_view* callText) {
  if (compiled.steps.size() != 1 || compiled.steps[0].kind != StepKind::kCall) return nullptr;
  Step& step = compiled.steps[0];
  if (step.call == nullptr) step.call = new CallSiteCache();
  *callText = step.text;
  return step.call;
}

bool StoreThroughSlot(CompiledExpr& compiled, THensuFmt& context, std::u16string_view target,
                      Value& value) {
  // The row's target is found by its place in the row's text.
  if ((target.data() != compiled.targetAt || target.size() != compiled.target.size()) &&
      !SameText(compiled.target, target)) {
    compiled.target.assign(target);
    compiled.targetSlot = {};
  }
  compiled.targetAt = target.data();
  if (context.interp->run.errorFlag) return true;  // SetValue would store nothing either
  Value* own = vars::OwnScalarThrough(context, target, compiled.targetSlot);
  if (own == nullptr) return false;
  *own = std::move(value);
  return true;
}

}  // namespace zelk::expr
