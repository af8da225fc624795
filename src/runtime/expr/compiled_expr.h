// The resolved form of an expression: its tokens turned once into postfix
// steps of constants, variable slots, calls and operators, so that later
// evaluations neither read its text nor hash the names of the context's own
// scalars. What the form cannot hold (COM members, an array result indexed
// at once, EMPTY, short-circuit conditions) is left to the text evaluator.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"
#include "runtime/vars/var_slot.h"

namespace zelk {

struct TokenList;
struct CallSiteCache;

namespace expr {

enum class StepKind : std::uint8_t {
  kConstant,  // a number or literal
  kSlot,      // a plain name: the own scalar through its slot, else the full lookup
  kName,      // a name with indexes: always the full lookup
  kCall,      // a built-in or user function
  kBinary,    // op: the operator's token kind
  // A binary operator whose operands are each a constant or a plain name,
  // both read in place: the step with the operator, then `right`.
  kPair,
  kNot,
  kNegate,
};

struct Step {
  StepKind kind = StepKind::kConstant;
  std::int32_t op = 0;
  std::u16string_view text;  // a name or call, inside the list's expression
  Value constant;
  vars::VarSlot slot;
  StepKind leftKind = StepKind::kConstant;  // kPair: the left operand's kind
  std::unique_ptr<Step> right;              // kPair: the right operand
  // kCall: what the call names, made at its first run. Owned; a raw pointer
  // keeps the type out of this header.
  CallSiteCache* call = nullptr;

  Step() = default;
  Step(Step&& o) noexcept;
  Step& operator=(Step&& o) noexcept;
  ~Step();
};

// Values held at once while the steps run; deeper expressions stay with the
// text evaluator.
inline constexpr int kMaxCompiledDepth = 8;

struct CompiledExpr {
  CompiledExpr() = default;
  CompiledExpr(const CompiledExpr&) = delete;
  CompiledExpr& operator=(const CompiledExpr&) = delete;
  ~CompiledExpr();
  std::vector<Step> steps;
  bool hasAndOr = false;  // may short-circuit under OPTION SHORTCIRCUIT
  // The assignment target the result was last stored into, and its slot.
  std::u16string target;
  const char16_t* targetAt = nullptr;  // where the target's text was last seen
  vars::VarSlot targetSlot;
};

// Null when the text evaluator is to take the expression.
std::unique_ptr<CompiledExpr> Compile(const TokenList& list);

enum class RunOutcome { kDone, kFailed, kDeclined };

// Evaluates as Evaluate would, with the same messages; kDeclined (before
// anything ran) leaves the expression to the text evaluator.
RunOutcome RunCompiled(CompiledExpr& compiled, THensuFmt& context, bool allowShortCircuit,
                       std::u16string_view appendTarget, Value* result);

// The call site of a form that is one call alone, else null.
CallSiteCache* SoleCallSite(CompiledExpr& compiled, std::u16string_view* callText);

// Stores the value into TARGET when it is the context's own scalar; false
// when it is to be stored through SetValue.
bool StoreThroughSlot(CompiledExpr& compiled, THensuFmt& context, std::u16string_view target,
                      Value& value);

}  // namespace expr
}  // namespace zelk
