// Compiling mirrors the text evaluator's precedence climbing step by step, so
// that operands are read, calls made and operators applied in the same order;
// every operation is the very function the text evaluator calls.
#include "runtime/expr/compiled_expr.h"

#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

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

int LevelOf(std::int32_t kind) {
  switch (kind) {
    case kTokOr:
    case kTokXor:
      return 1;
    case kTokAnd:
      return 2;
    case kTokGreater:
    case kTokLess:
    case kTokEqual:
    case kTokGreaterEqual:
    case kTokLessEqual:
    case kTokNotEqual:
      return 3;
    case kTokPlus:
    case kTokMinus:
      return 4;
    case kTokTimes:
    case kTokDivide:
    case kTokMod:
      return 5;
    default:
      return 0;
  }
}

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
    if (kind == StepKind::kBinary) --depth_;
    Step step;
    step.kind = kind;
    step.op = op;
    out_->steps.push_back(std::move(step));
  }

  bool Binary(int minLevel) {
    if (kind_ == kTokName && IsEmptyWord(text_)) return false;  // compared as Empty itself
    if (!(kind_ == kTokNot ? Not() : Primary())) return false;
    for (;;) {
      const std::int32_t op = kind_;
      const int level = LevelOf(op);
      if (level < minLevel || level == 0) return true;
      if (op == kTokAnd || op == kTokOr) out_->hasAndOr = true;
      Next();
      if (!Binary(level + 1)) return false;
      Apply(StepKind::kBinary, op);
    }
  }

  bool Not() {
    if (kind_ != kTokNot) return Primary();
    Next();
    if (!Not()) return false;
    Apply(StepKind::kNot);
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
    if (!appendTarget.empty() && first.kind == StepKind::kSlot &&
        SameText(first.text, appendTarget)) {
      const Value* own = vars::OwnScalarThrough(context_, first.text, first.slot);
      if (own == nullptr || own->IsString()) return Failure::kDeclined;
      Push(*own);
      return Steps(compiled, 1, result);
    }
    return Steps(compiled, 0, result);
  }

  bool Moved() const { return context_.curOffset != entryOffset_; }

 private:
  Failure Steps(CompiledExpr& compiled, std::size_t from, Value* result) {
    const std::size_t count = compiled.steps.size();
    for (std::size_t k = from; k < count; ++k) {
      Step& step = compiled.steps[k];
      switch (step.kind) {
        case StepKind::kConstant:
          Push(step.constant);
          break;
        case StepKind::kSlot:
          if (const Value* own = vars::OwnScalarThrough(context_, step.text, step.slot)) {
            Push(*own);
            break;
          }
          [[fallthrough]];
        case StepKind::kName:
          Push(GetValue(context_, step.text));
          if (SideEffects()) return Failure::kAbandoned;
          break;
        case StepKind::kCall: {
          bool failed = false;
          Push(DispatchCall(step.text, context_, CallMode::kCall, &failed));
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

  // A report made by a name read or call (or a TRY that took it) ends the
  // evaluation silently.
  bool SideEffects() const {
    return context_.curOffset != entryOffset_ || interp_.run.errorFlag ||
           (context_.exitFlag && !entryExit_);
  }

  Failure Binary(std::int32_t op, Value& v, Value& right) {
    bool ok;
    switch (LevelOf(op)) {
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

RunOutcome RunCompiled(CompiledExpr& compiled, THensuFmt& context, bool allowShortCircuit,
                       std::u16string_view appendTarget, Value* result) {
  Interpreter& interp = *context.interp;
  if (compiled.hasAndOr && allowShortCircuit && interp.options.shortCircuit) {
    return RunOutcome::kDeclined;
  }
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
  // A whole number needs nothing more.
  if (!v.IsDouble() || std::fabs(v.AsDouble()) >= 0x1p52 ||
      v.AsDouble() != static_cast<double>(static_cast<std::int64_t>(v.AsDouble()))) {
    FinishResult(v, interp.options);
  }
  *result = std::move(v);
  return RunOutcome::kDone;
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
