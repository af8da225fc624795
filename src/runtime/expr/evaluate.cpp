// The expression evaluator: one pass over the tokens of an expression with
// the binary levels OR/XOR, AND, comparisons, + -, * / MOD (lowest first) by
// precedence climbing, then "!", calls, parentheses and operands. Tokens come
// from the tokenizer, or from the thread slot's cache when the statement's
// first expression is evaluated again; the first evaluation records them.
#include "runtime/expr/evaluate.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "platform/stack.h"
#include "runtime/calls/calls.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/compiled_expr.h"
#include "runtime/expr/evaluate_parts.h"
#include "runtime/expr/operators.h"
#include "runtime/expr/token_cache.h"
#include "runtime/expr/tokenizer.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {
namespace {

constexpr VarType kValueArray = static_cast<VarType>(kVtArray | kVtVariant);

bool IsEmptyLiteral(std::int32_t kind, std::u16string_view text) {
  if (kind != kTokName || text.size() != 5) return false;
  for (std::size_t i = 0; i < 5; ++i) {
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c != u"EMPTY"[i]) return false;
  }
  return true;
}

// The character traits of char16_t compare unit by unit; memcmp is faster.
// Whether text lies inside the table's row, which stays as it is for the run.
bool InRowText(const StatementTable& table, std::int64_t row, std::u16string_view text) {
  if (row < 0 || static_cast<std::size_t>(row) >= table.StmtTexts.size()) return false;
  const std::u16string& rowText = table.StmtTexts[static_cast<std::size_t>(row)];
  const std::less_equal<> notAfter;
  return notAfter(rowText.data(), text.data()) &&
         notAfter(text.data() + text.size(), rowText.data() + rowText.size());
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
}

// An OR at top level means an AND may not decide the whole condition alone.
bool HasTopLevelOr(std::u16string_view text) {
  for (std::u16string_view pattern : {u" OR ", u")OR(", u" OR(", u")OR "}) {
    if (PosOutside(pattern, text, true, true) > 0) return true;
  }
  return false;
}

// Selects the element at the indices. All indices apply to one array of that
// many dimensions; a one-dimensional array takes one index and passes the rest
// on to the array it holds there.
bool SelectElement(Value* v, const std::vector<std::int32_t>& indexes) {
  Value current = *v;
  std::size_t k = 0;
  while (k < indexes.size()) {
    if (current.type() != kValueArray) return false;
    const ArrayCell* array = current.AsArray();
    std::size_t dims = array->bounds.size();
    std::size_t left = indexes.size() - k;
    std::size_t take = left == dims ? dims : (dims == 1 ? 1 : 0);
    if (take == 0) return false;
    std::int64_t flat = 0, stride = 1;
    for (std::size_t d = 0; d < take; ++d) {
      const ArrayBound& bound = array->bounds[d];
      std::int64_t i = static_cast<std::int64_t>(indexes[k + d]) - bound.lower;
      if (i < 0 || i >= bound.count) return false;
      flat += i * stride;
      stride *= bound.count;
    }
    if (flat >= static_cast<std::int64_t>(array->items.size())) return false;
    Value element = array->items[static_cast<std::size_t>(flat)];
    current = std::move(element);
    k += take;
  }
  *v = std::move(current);
  return true;
}

class Evaluator {
 public:
  Evaluator(std::u16string_view text, THensuFmt& context, bool allowShortCircuit)
      : context_(context),
        interp_(*context.interp),
        text_(text),
        rest_(text),
        // The check tests every part of a condition.
        shortCircuit_(allowShortCircuit && interp_.options.shortCircuit && !interp_.run.checkPhase),
        checkPhase_(interp_.run.checkPhase),
        entryOffset_(context.curOffset),
        entryExit_(context.exitFlag) {}

  bool Run(Value* result);
  // The assignment's target when it is a plain name: `T = T + x` may then
  // append to T's text in place.
  void SetAppendTarget(std::u16string_view target) { appendTarget_ = target; }

 private:
  enum class Source { kText, kReplay };

  // The current token: its text is a view into the expression or the cache;
  // value points at the cached value of a number or literal when there is one.
  struct Current {
    std::int32_t kind = kTokEnd;
    std::u16string_view text;
    double number = 0;
    const Value* value = nullptr;
  };

  void StartCache();
  void Next();
  bool TextRemains() const {
    return source_ == Source::kReplay ? replayNext_ != replayEnd_ : !rest_.empty();
  }
  void Fail() {
    failed_ = true;
    stop_ = true;
  }
  // A nesting the stack has no room for.
  void FailTooDeep() {
    tooDeep_ = true;
    Fail();
  }
  void FailOutOfMemory() {
    outOfMemory_ = true;
    Fail();
  }
  // A report made by a name read or call (or a TRY that took it) ends the
  // evaluation silently: nothing more of the statement may run.
  void NoteSideEffects() {
    if (context_.curOffset != entryOffset_ || interp_.run.errorFlag ||
        (context_.exitFlag && !entryExit_)) {
      abandoned_ = true;
      stop_ = true;
    }
  }
  void SkipRest(bool result);

  void ParseOr(Value& v) { ParseBinary(v, 1); }
  void ParseBinary(Value& v, int minLevel);
  void ParseNot(Value& v);
  void ParsePrimary(Value& v);
  void ParseOperand(Value& v);
  void ReadName(Value& v);
  void ReadMember(Value& v);
  void Call(Value& v);
  void IndexResult(Value& v);
  void TakeTargetText(const Value& v);
  void GiveTargetTextBack(const Value& v);

  THensuFmt& context_;
  Interpreter& interp_;
  std::u16string_view text_;
  std::u16string_view rest_;
  MemberScope scope_;
  Source source_ = Source::kText;
  TokenList* list_ = nullptr;
  const CachedToken* replayNext_ = nullptr;
  const CachedToken* replayEnd_ = nullptr;
  Current token_;
  int parenDepth_ = 0;
  bool shortCircuit_;
  bool orSearched_ = false;
  bool orFound_ = false;
  bool checkPhase_;
  std::int32_t entryOffset_;
  std::uint8_t entryExit_;
  std::u16string_view appendTarget_;
  Value* takenFrom_ = nullptr;  // the target's slot, emptied while its text grows here
  bool failed_ = false;
  bool tooDeep_ = false;
  bool outOfMemory_ = false;
  bool abandoned_ = false;
  bool skipped_ = false;
  bool skipResult_ = false;
  bool stop_ = false;
};

// The members' scope of a text evaluated in context.
MemberScope ScopeOf(const THensuFmt& context) {
  MemberScope scope;
  scope.moduleNames = &context.interp->definitions.moduleNames;
  scope.moduleName = context.moduleName;
  if (context.withTarget.IsString()) scope.withText = context.withTarget.AsString();
  return scope;
}

// The list of text in its row's chain, recorded if need be: a row keeps a
// short chain of lists, its expression and the argument texts of the calls
// in it, which are evaluated on their own. Null when the row keeps none for
// it: its first evaluation (a row that never runs again keeps nothing), a
// full chain, a text beyond 32-bit positions or one the tokenizer refuses.
TokenList* RowTokenList(THensuFmt& context, std::u16string_view text, const MemberScope& scope) {
  Interpreter& interp = *context.interp;
  const std::int64_t row = static_cast<std::int64_t>(context.baseIndex) + context.curOffset;
  if (row <= 0 || context.curOffset <= 0) return nullptr;
  ThreadRecord& record = interp.RecordOf(context);
  if (row >= static_cast<std::int64_t>(record.tokens.size())) return nullptr;
  std::unique_ptr<TokenList>* slot = &record.tokens[static_cast<std::size_t>(row)];
  int length = 0;
  while (*slot && !SameText((*slot)->expression, text)) {
    if (++length == kTokenListsPerRow) return nullptr;
    slot = &(*slot)->next;
  }
  if (*slot) return slot->get();
  if (text.size() >= UINT32_MAX) return nullptr;
  const std::size_t r = static_cast<std::size_t>(row);
  if (!record.tokens[r] && r < record.evaluated.size() && record.evaluated[r] == 0) {
    record.evaluated[r] = 1;
    return nullptr;
  }
  auto list = std::make_unique<TokenList>();
  list->SetExpression(text, !InRowText(interp.table, row, text));
  if (!RecordTokens(*list, scope)) return nullptr;
  *slot = std::move(list);
  return slot->get();
}

// The whole text is tokenized before the first evaluation replays it, so a
// recursive call that reaches the same row meanwhile finds the list ready.
// A text the tokenizer refuses is not kept: its evaluation then meets the
// error where it stands, after what comes before it has run.
void Evaluator::StartCache() {
  if (checkPhase_) return;  // the check leaves the run's tables as they were
  TokenList* list = RowTokenList(context_, text_, scope_);
  if (list == nullptr) return;
  list_ = list;
  source_ = Source::kReplay;
  replayNext_ = list_->tokens.data();
  replayEnd_ = replayNext_ + list_->tokens.size();
}

void Evaluator::Next() {
  if (source_ == Source::kReplay) {
    if (replayNext_ != replayEnd_) {
      const CachedToken& cached = *replayNext_++;
      token_.kind = cached.kind;
      token_.text = list_->TextOf(cached);
      token_.value = &cached.value;
      token_.number = cached.kind == kTokNumber ? cached.value.AsDouble() : 0;
    } else {
      token_ = Current();
    }
    return;
  }
  Token t = NextToken(&rest_, scope_);
  token_.kind = t.kind;
  token_.text = t.text;
  token_.number = t.number;
  token_.value = nullptr;
  if (t.bad) Fail();
}

// Short-circuit: the rest of the expression is passed over and the whole
// result is decided. The tokens are still read, so that a malformed rest is
// still an error.
void Evaluator::SkipRest(bool result) {
  skipped_ = true;
  skipResult_ = result;
  stop_ = true;
  if (source_ == Source::kReplay) {
    replayNext_ = replayEnd_;
    return;
  }
  while (token_.kind != kTokEnd && !failed_) Next();
}

// The operators of minLevel and above, by precedence climbing: the right
// operand of a level-L operator takes only operators above L.
void Evaluator::ParseBinary(Value& v, int minLevel) {
  // The left operand of this call's first comparison starts here; only a
  // lone operand can still be Empty when it is compared.
  bool leftIsEmptyLiteral = IsEmptyLiteral(token_.kind, token_.text);
  bool leftIsTarget = !appendTarget_.empty() && minLevel == 1 && parenDepth_ == 0 &&
                      token_.kind == kTokName && token_.text == appendTarget_;
  if (token_.kind == kTokNot) {
    ParseNot(v);
  } else {
    ParsePrimary(v);
  }
  while (!stop_) {
    std::int32_t op = token_.kind;
    int level = OperatorLevel(op);
    if (level < minLevel || level == 0) return;
    if (shortCircuit_ && parenDepth_ == 0 && (op == kTokAnd || op == kTokOr)) {
      if (op == kTokAnd && !orSearched_) {
        orSearched_ = true;
        orFound_ = HasTopLevelOr(text_);
      }
      if (op == kTokOr || !orFound_) {
        std::int64_t left;
        if (!TruncateToInt64(v, &left)) return Fail();
        if (op == kTokOr && left != 0) return SkipRest(true);
        if (op == kTokAnd && left == 0) return SkipRest(false);
      }
    }
    Next();
    if (stop_) return;
    bool rightIsEmptyLiteral = IsEmptyLiteral(token_.kind, token_.text);
    Value right;
    ParseBinary(right, level + 1);
    if (stop_) return;
    if (op == kTokPlus && expr::JoinedTextTooLong(v, right)) return FailOutOfMemory();
    // `T + x` as the whole expression: nothing reads T after this point.
    if (leftIsTarget && op == kTokPlus && token_.kind == kTokEnd) TakeTargetText(v);
    leftIsTarget = false;
    if (op == kTokPlus) expr::ExpandBeforeAppend(v, right, interp_.options);
    bool ok;
    switch (level) {
      case 1:
      case 2:
        ok = BitwiseValues(op, v, right, &v);
        break;
      case 3:
        ok = CompareValues(op, v, leftIsEmptyLiteral, right, rightIsEmptyLiteral, interp_.options,
                           &v);
        break;
      default:
        ok = op == kTokPlus ? AddValues(v, right, &v)
                            : ArithmeticValues(op, v, right, checkPhase_, &v);
        break;
    }
    if (!ok) {
      GiveTargetTextBack(v);
      return Fail();
    }
    leftIsEmptyLiteral = false;
  }
}

// When T's slot and v are the only holders of T's text, the slot lets go of
// it so that the addition may append in place; the assignment stores the
// result back into the slot.
void Evaluator::TakeTargetText(const Value& v) {
  if (!v.IsWideString() || v.CellReferences() != 2) return;
  Value* slot = vars::OwnScalarSlot(context_, appendTarget_);
  if (slot == nullptr || !slot->SameCell(v)) return;
  *slot = Value();
  takenFrom_ = slot;
}

void Evaluator::GiveTargetTextBack(const Value& v) {
  if (takenFrom_ == nullptr) return;
  *takenFrom_ = v;
  takenFrom_ = nullptr;
}

void Evaluator::ParseNot(Value& v) {
  if (token_.kind != kTokNot) return ParsePrimary(v);
  if (os::StackIsLow(os::StackUse::kExpression)) return FailTooDeep();
  Next();
  if (stop_) return;
  Value operand;
  ParseNot(operand);
  if (stop_) return;
  if (!NotValue(operand, &v)) Fail();
}

void Evaluator::ParsePrimary(Value& v) {
  if (token_.kind == kTokCall) {
    Call(v);
    if (!stop_) Next();
    // An array result indexed at once: SPLIT(s)[1].
    if (!stop_ && token_.kind == kTokName && token_.text.starts_with(u'[')) {
      IndexResult(v);
      if (!stop_) Next();
    }
    return;
  }
  if (token_.kind == kTokParen && token_.text == u"(") {
    if (os::StackIsLow(os::StackUse::kExpression)) return FailTooDeep();
    ++parenDepth_;
    Next();
    if (stop_) return;
    ParseOr(v);
    if (stop_) return;
    if (token_.kind != kTokParen || token_.text != u")") return Fail();
    --parenDepth_;
    Next();
    return;
  }
  ParseOperand(v);
}

// A sign may precede only a number, literal, name or member access: "-(1)"
// and "-F(1)" are errors, and so are their "+" forms.
void Evaluator::ParseOperand(Value& v) {
  std::int32_t sign = 0;
  if (token_.kind == kTokPlus || token_.kind == kTokMinus) {
    sign = token_.kind;
    Next();
    if (stop_) return;
  }
  switch (token_.kind) {
    case kTokNumber:
      v = Value::Double(token_.number);
      break;
    case kTokString:
      v = token_.value ? *token_.value : Value::String(std::u16string(token_.text));
      break;
    case kTokName:
      ReadName(v);
      break;
    case kTokMember:
      ReadMember(v);
      break;
    default:
      return Fail();
  }
  if (stop_) return;
  if (sign == kTokMinus && !NegateValue(v, &v)) return Fail();
  Next();
}

void Evaluator::ReadName(Value& v) {
  if (checkPhase_) {
    const CheckPhaseTests& tests = context_.interp->run.checkPhaseTests;
    v = tests.name ? tests.name(token_.text, context_) : Value::Int(1, kVtByte);
  } else {
    v = GetValue(context_, token_.text);
  }
  NoteSideEffects();
}

void Evaluator::ReadMember(Value& v) {
  if (checkPhase_) {
    const CheckPhaseTests& tests = context_.interp->run.checkPhaseTests;
    if (tests.comMember) tests.comMember(token_.text, context_);
    v = Value::Int(1, kVtByte);
    NoteSideEffects();
    return;
  }
  bool failed = false;
  v = ComMemberRead(token_.text, context_, &failed);
  if (failed) abandoned_ = stop_ = true;
  NoteSideEffects();
}

void Evaluator::Call(Value& v) {
  if (checkPhase_) {
    const CheckPhaseTests& tests = context_.interp->run.checkPhaseTests;
    if (tests.call) tests.call(token_.text, context_);
    v = Value::Int(1, kVtByte);
    NoteSideEffects();
    return;
  }
  bool failed = false;
  v = DispatchCall(token_.text, context_, CallMode::kCall, &failed);
  if (failed) abandoned_ = stop_ = true;
  NoteSideEffects();
}

// The one token allowed after the whole expression: "[i]", "[i][j]" or
// "[i, j]" after an array result, selecting one element. The check has no
// values: it tests the index expressions and counts the element as Byte 1.
void Evaluator::IndexResult(Value& v) {
  std::u16string_view t = token_.text;
  if (token_.kind != kTokName || t.size() < 2 || t.front() != u'[' || t.back() != u']' ||
      (v.type() != kValueArray && !checkPhase_)) {
    return Fail();
  }
  std::u16string inner = ReplaceOutside(t.substr(1, t.size() - 2), u"][", u",");
  std::vector<std::u16string> indexTexts;
  while (!inner.empty()) {
    std::u16string piece = Trim(CutToken(
        inner, u",", {.skipEmpty = true, .parens = true, .brackets = true, .quotes = true}));
    if (piece.empty()) continue;
    if (indexTexts.size() == 3) return Fail();
    Value index;
    if (!Evaluate(piece, context_, &index)) {
      abandoned_ = stop_ = true;  // reported by that evaluation
      return;
    }
    std::u16string text;
    if (!index.ToText(&text)) return Fail();
    indexTexts.push_back(std::move(text));
  }
  NoteSideEffects();
  if (stop_) return;
  if (indexTexts.empty()) return Fail();
  if (checkPhase_) {
    v = Value::Int(1, kVtByte);
    return;
  }
  std::vector<std::int32_t> indexes;
  if (!IndexesToIntegers(indexTexts, &indexes)) return Fail();
  if (!SelectElement(&v, indexes)) Fail();
}

bool Evaluator::Run(Value* result) {
  Value v;
  try {
    scope_ = ScopeOf(context_);
    StartCache();
    Next();
    if (!stop_) ParseOr(v);
    if (!stop_) {
      if (TextRemains()) {
        Fail();
      } else if (token_.kind != kTokEnd) {
        IndexResult(v);
      }
    }
  } catch (const std::bad_alloc&) {
    FailOutOfMemory();
  } catch (const std::length_error&) {
    FailOutOfMemory();
  } catch (...) {
    Fail();  // a host failure inside some operation
  }

  const bool ended = abandoned_ || failed_ || context_.curOffset != entryOffset_;
  if (ended) GiveTargetTextBack(v);
  if (abandoned_ || context_.curOffset != entryOffset_) {
    *result = Value::FailedByte();
    return false;
  }
  if (failed_) {
    *result = Value::FailedByte();
    if (tooDeep_) {
      expr::ReportTooDeep(context_);
    } else if (outOfMemory_) {
      ReportError(vars::OutOfMemoryText(), context_);
    } else {
      expr::ReportEvaluationError(context_);
    }
    return false;
  }
  if (skipped_) {
    *result = Value::Boolean(skipResult_);
    return true;
  }
  expr::FinishResult(v, interp_.options);
  *result = std::move(v);
  return true;
}

// The row's list for TEXT with its compiled form, made on its first replay.
// The check runs only the text evaluator: it leaves the run's tables alone.
[[gnu::always_inline]] inline TokenList* CompiledListFor(std::u16string_view text,
                                                         THensuFmt& context) {
  Interpreter& interp = *context.interp;
  if (interp.run.checkPhase || context.curOffset <= 0) return nullptr;
  const std::int64_t row = static_cast<std::int64_t>(context.baseIndex) + context.curOffset;
  ThreadRecord& record = interp.RecordOf(context);
  if (row <= 0 || row >= static_cast<std::int64_t>(record.tokens.size())) return nullptr;
  TokenList* list = record.tokens[static_cast<std::size_t>(row)].get();
  // The row's own expression is found by its place in the row's text.
  const auto same = [text](const TokenList& l) {
    return (l.expression.data() == text.data() && l.expression.size() == text.size()) ||
           SameText(l.expression, text);
  };
  for (int length = 0; list != nullptr && !same(*list); list = list->next.get()) {
    if (++length == kTokenListsPerRow) return nullptr;
  }
  if (list == nullptr || !list->complete) return nullptr;
  if (!list->compileTried) {
    list->compileTried = true;
    list->compiled = expr::Compile(*list);
  }
  return list->compiled ? list : nullptr;
}

expr::CompiledExpr* CompiledFor(std::u16string_view text, THensuFmt& context) {
  TokenList* list = CompiledListFor(text, context);
  return list ? list->compiled.get() : nullptr;
}

// The text evaluator; out of line, so that the compiled forms do not pay
// for setting up its frame.
[[gnu::noinline]] bool EvaluateText(std::u16string_view text, THensuFmt& context, Value* result,
                                    bool allowShortCircuit, std::u16string_view appendTarget) {
  Evaluator evaluator(text, context, allowShortCircuit);
  evaluator.SetAppendTarget(appendTarget);
  return evaluator.Run(result);
}

// What Evaluate does before it evaluates a text that is not blank; false when
// it is not to be evaluated (the result is set).
bool ReadyToEvaluate(THensuFmt& context, Value* result) {
  // After a shown error nothing more runs; a call here could even clear the flag.
  if (context.interp->run.errorFlag) {
    *result = Value::FailedByte();
    return false;
  }
  context.evalMark = 0;
  // Evaluations nest (an index inside an index, a call's argument, EVAL):
  // a deep text ends in an error instead of exhausting the stack.
  if (os::StackIsLow(os::StackUse::kExpression)) {
    *result = Value::FailedByte();
    expr::ReportTooDeep(context);
    return false;
  }
  return true;
}

}  // namespace

bool Evaluate(std::u16string_view text, THensuFmt& context, Value* result, bool allowShortCircuit,
              std::u16string_view appendTarget, bool* stored) {
  // Blanks are the characters up to the space; a text seldom starts with one.
  if (text.empty() || (text.front() <= u' ' && TrimBlanks(text).empty())) {
    *result = Value();
    return true;
  }
  if (!ReadyToEvaluate(context, result)) return false;
  if (expr::CompiledExpr* compiled = CompiledFor(text, context)) {
    switch (expr::RunCompiled(*compiled, context, allowShortCircuit, appendTarget, result)) {
      case expr::RunOutcome::kDone:
        if (stored != nullptr && !appendTarget.empty()) {
          *stored = expr::StoreThroughSlot(*compiled, context, appendTarget, *result);
        }
        return true;
      case expr::RunOutcome::kFailed:
        return false;
      case expr::RunOutcome::kDeclined:
        break;
    }
  }
  return EvaluateText(text, context, result, allowShortCircuit, appendTarget);
}

expr::CompiledExpr* CompiledCallRow(std::u16string_view text, THensuFmt& context) {
  if (TokenList* list = CompiledListFor(text, context)) return list->compiled.get();
  if (context.interp->run.checkPhase) return nullptr;
  // Recorded as the text evaluator records it; one call token alone.
  const TokenList* list = RowTokenList(context, text, ScopeOf(context));
  if (list == nullptr || list->tokens.size() != 1 || list->tokens[0].kind != kTokCall) {
    return nullptr;
  }
  TokenList* made = CompiledListFor(text, context);
  return made ? made->compiled.get() : nullptr;
}

std::shared_ptr<expr::CompiledExpr> CompiledOf(std::u16string_view text, THensuFmt& context) {
  TokenList* list = CompiledListFor(text, context);
  return list ? list->compiled : nullptr;
}

bool EvaluateCompiled(expr::CompiledExpr& compiled, std::u16string_view text, THensuFmt& context,
                      Value* result) {
  if (!ReadyToEvaluate(context, result)) return false;
  switch (expr::RunCompiled(compiled, context, false, {}, result)) {
    case expr::RunOutcome::kDone:
      return true;
    case expr::RunOutcome::kFailed:
      return false;
    case expr::RunOutcome::kDeclined:
      break;
  }
  return EvaluateText(text, context, result, false, {});
}

bool EvaluateQuietly(std::u16string_view text, THensuFmt& context, Value* result,
                     std::u16string* message) {
  RunWords& run = context.interp->run;
  std::u16string noted;
  std::u16string* const quietBefore = run.quietErrors;
  const std::uint8_t errorBefore = run.errorFlag;
  const std::int32_t offset = context.curOffset;
  const std::uint8_t exitFlag = context.exitFlag;
  // Assembly upper-cases scripts outside their literals; so is this text.
  const std::u16string scripted = UpperOutside(text, true);
  run.quietErrors = &noted;
  run.errorFlag = 0;
  context.curOffset = 0;
  const bool ok = Evaluate(scripted, context, result) && noted.empty();
  context.curOffset = offset;
  context.exitFlag = exitFlag;
  run.errorFlag = errorBefore;
  run.quietErrors = quietBefore;
  if (!ok) *message = noted.empty() ? std::u16string(u"SyntaxError") : noted;
  return ok;
}

std::u16string ExpandSpecialChars(std::u16string_view text, const ScriptOptions& options) {
  struct Form {
    std::u16string_view key;
    std::u16string_view replacement;
    bool always;  // the underscore forms are expanded even under OPTION SPECIALCHAR
  };
  static constexpr Form kForms[] = {
      {u"<#_DBL>", u"\"", true}, {u"<#_CR>", u"\r\n", true}, {u"<#_TAB>", u"\t", true},
      {u"<#DBL>", u"\"", false}, {u"<#CR>", u"\r\n", false}, {u"<#TAB>", u"\t", false},
  };
  // One pass does what replacing form after form would: no replacement
  // contains a character of any form, so none can create another.
  std::size_t at = text.find(u"<#");
  if (at == std::u16string_view::npos) return std::u16string(text);
  std::u16string out;
  out.reserve(text.size());
  std::size_t from = 0;
  while (at != std::u16string_view::npos) {
    out.append(text.substr(from, at - from));
    std::u16string_view here = text.substr(at);
    std::size_t used = 2;
    std::u16string_view replacement = u"<#";
    for (const Form& form : kForms) {
      if ((form.always || !options.specialChar) && here.starts_with(form.key)) {
        used = form.key.size();
        replacement = form.replacement;
        break;
      }
    }
    out.append(replacement);
    from = at + used;
    at = text.find(u"<#", from);
  }
  out.append(text.substr(from));
  return out;
}

}  // namespace zelk
