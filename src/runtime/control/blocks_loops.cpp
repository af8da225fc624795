// The loops: FOR-TO-STEP, FOR-IN, WHILE and REPEAT-UNTIL, with BREAK n and
// CONTINUE n. Each head text is read once per entry into the loop; an
// iteration allocates nothing of its own.
#include <cmath>
#include <exception>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/messages.h"
#include "runtime/calls/com_objects.h"
#include "runtime/control/blocks.h"
#include "runtime/control/blocks_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace blocks;

namespace {

std::u16string_view TrimBlank(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

// A name that can only be a variable of its own: no index, member or call.
bool IsPlainName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    if (c <= u' ' || c == u'[' || c == u']' || c == u'(' || c == u')' || c == u'.' || c == u'"' ||
        c == u',') {
      return false;
    }
  }
  return true;
}

// Whether the global lookup would only repeat the context's own.
bool GlobalIsOwn(const THensuFmt& context) {
  return &context == &context.interp->global && context.moduleName.empty();
}

std::u16string NonNumericMessage() {
  return Msg(u"Non-numeric value is specified", u"数値以外の値が指定された");
}

// The loop variable, found once: a scalar of the context, else a global one,
// written in place; anything else (an array element, a name of another kind)
// goes through SetValue at every step.
class LoopVariable {
 public:
  LoopVariable(THensuFmt& context, std::u16string_view name) : context_(context), name_(name) {}

  void Resolve() {
    if (!IsPlainName(name_)) return;
    Interpreter& interp = *context_.interp;
    int index;
    {
      std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
      if (vars::IsGlobalTable(context_, context_.vars)) guard.lock();
      index = context_.vars.names.IndexOf(name_);
    }
    if (index >= 0) {
      table_ = &context_.vars;
    } else if (!GlobalIsOwn(context_)) {
      index = FindGlobal(context_, name_, GlobalTable::kVariables);
      if (index >= 0) table_ = &interp.global.vars;
    }
    index_ = index;
    locked_ = table_ != nullptr && vars::IsGlobalTable(context_, *table_);
  }

  // False when the handler must return at once: the write failed (reported),
  // or a TRY took the failure and moved on.
  bool Assign(Value value) {
    if (table_ != nullptr) {
      std::unique_lock<std::recursive_mutex> guard(context_.interp->variableLock, std::defer_lock);
      if (locked_ && !context_.interp->SoleThread()) guard.lock();
      std::size_t i = static_cast<std::size_t>(index_);
      // A DIM inside the loop may have made it an array: then by name.
      if (i < table_->values.size() && table_->bounds[i].empty() && table_->values[i].size() == 1) {
        table_->values[i][0] = std::move(value);
        return true;
      }
    }
    const std::int32_t at = context_.curOffset;
    SetValue(context_, name_, value);
    return context_.curOffset == at && context_.interp->run.errorFlag == 0 &&
           context_.exitFlag == 0;
  }

  // The current value as a number; false after a report.
  bool Read(double* number) {
    const std::int32_t at = context_.curOffset;
    Value value = GetValue(context_, name_);
    if (context_.curOffset != at || context_.interp->run.errorFlag != 0 || context_.exitFlag != 0) {
      return false;
    }
    if (!value.ToNumber(number) || std::isnan(*number)) {
      ReportError(NonNumericMessage(), context_);
      return false;
    }
    return true;
  }

 private:
  THensuFmt& context_;
  std::u16string_view name_;
  VariableTable* table_ = nullptr;
  int index_ = -1;
  bool locked_ = false;
};

// How the body of a counting or FOR-IN loop ended one pass.
enum class Pass { kNext, kLeave };

// Rows from the first body row up to the NEXT row n, with CONTINUE handling:
// kNext to step the loop, kLeave to leave it.
Pass RunLoopBody(THensuFmt& context, std::int32_t head, std::int32_t n) {
  for (;;) {
    if (context.breakCount > 0 || context.exitFlag != 0 || context.interp->run.errorFlag != 0) {
      return Pass::kLeave;
    }
    if (context.curOffset != n && context.continueCount <= 0) {
      RunRow(context);
      if (context.curOffset > n) return Pass::kLeave;
      continue;
    }
    if (context.continueCount <= 0) {
      HookAt(context, n);
    } else {
      --context.continueCount;
      UnwindLoopRest(context, head, n);
    }
    // A CONTINUE still pending belongs to an outer loop.
    return context.continueCount > 0 ? Pass::kLeave : Pass::kNext;
  }
}

// Evaluates one bound of a FOR loop as a number; false after a report.
bool EvaluateBound(THensuFmt& context, std::u16string_view text, double* number) {
  Value value;
  if (!Evaluate(text, context, &value)) return false;
  if (!value.ToNumber(number) || std::isnan(*number)) {
    ReportError(NonNumericMessage(), context);
    return false;
  }
  return true;
}

// "var`start`end`step`next".
void ForTo(THensuFmt& context) {
  const std::int32_t h = context.curOffset;
  std::u16string_view text = RowText(context, h);
  std::int32_t nextOffset;
  std::u16string_view fields[4];
  if (!CutLastOffset(&text, &nextOffset) || !SplitFields(text, 4, fields) ||
      !TargetInBody(context, h, h + nextOffset) || TrimBlank(fields[0]).empty()) {
    ReportBadHead(context, kForPrefix);
    return;
  }
  const std::int32_t n = h + nextOffset;
  const std::u16string_view name = TrimBlank(fields[0]);

  double start, end, step;
  if (!EvaluateBound(context, fields[1], &start)) return;
  LoopVariable variable(context, name);
  if (!variable.Assign(Value::Double(start))) return;
  if (!EvaluateBound(context, fields[2], &end) || !EvaluateBound(context, fields[3], &step)) {
    return;
  }
  if (step == 0) {
    ReportError(Msg(u"STEP value is a zero", u"STEP値がゼロである"), context);
    return;
  }
  variable.Resolve();
  // The count starts from the variable as it stands after the bounds were
  // evaluated; each step then writes it, so an assignment to it inside the
  // body does not change the number of passes.
  double x;
  if (!variable.Read(&x)) return;
  for (;;) {
    if (step > 0 ? x > end : x < end) break;
    context.curOffset = h + 1;
    if (RunLoopBody(context, h, n) == Pass::kLeave) break;
    context.curOffset = h;
    x += step;
    if (!variable.Assign(Value::Double(x))) return;
    HookAt(context, h);
    if (AbortRequested(context)) break;
  }
  FinishLoop(context, h, n);
}

// --- FOR-IN ---------------------------------------------------------------

// The items of a FOR-IN loop, taken once before the first pass: values, or
// the characters of a text (a surrogate pair is one character).
class ForInItems {
 public:
  std::vector<Value> values;
  std::u16string text;
  bool isText = false;

  bool Next(Value* item) {
    if (!isText) {
      if (next_ >= values.size()) return false;
      *item = std::move(values[next_++]);
      return true;
    }
    if (next_ >= text.size()) return false;
    std::size_t length = 1;
    if (text[next_] >= 0xD800 && text[next_] <= 0xDBFF && next_ + 1 < text.size() &&
        text[next_ + 1] >= 0xDC00 && text[next_ + 1] <= 0xDFFF) {
      length = 2;
    }
    *item = Value::String(text.substr(next_, length));
    next_ += length;
    return true;
  }

 private:
  std::size_t next_ = 0;
};

// Every element of a variant array, the first index outermost and the last
// running fastest (the storage runs the first index fastest).
void AppendArray(const ArrayCell& array, std::vector<Value>* out) {
  const std::size_t d = array.bounds.size();
  std::size_t total = 1;
  for (const ArrayBound& b : array.bounds) {
    if (b.count <= 0) return;
    total *= static_cast<std::size_t>(b.count);
  }
  if (total > array.items.size()) return;
  out->reserve(out->size() + total);
  if (d == 1) {
    out->insert(out->end(), array.items.begin(), array.items.begin() + static_cast<long>(total));
    return;
  }
  std::vector<std::size_t> offsets(d, 0), strides(d, 1);
  for (std::size_t k = 1; k < d; ++k) {
    strides[k] = strides[k - 1] * static_cast<std::size_t>(array.bounds[k - 1].count);
  }
  for (std::size_t n = 0; n < total; ++n) {
    std::size_t pos = 0;
    for (std::size_t k = 0; k < d; ++k) pos += offsets[k] * strides[k];
    out->push_back(array.items[pos]);
    for (std::size_t k = d; k-- > 0;) {
      if (++offsets[k] < static_cast<std::size_t>(array.bounds[k].count)) break;
      offsets[k] = 0;
    }
  }
}

// The items of a value: an array's elements, else its text's characters.
// False after a report.
bool ItemsOfValue(THensuFmt& context, const Value& value, ForInItems* items) {
  if (value.IsArray()) {
    AppendArray(*value.AsArray(), &items->values);
    return true;
  }
  if (value.IsDispatch() && !value.IsNothing()) {
    // A COM collection's items; an ignored failure gives none.
    bool failed = false;
    EnumerateComCollection(value, context, false, &items->values, &failed);
    return !failed;
  }
  items->isText = true;
  value.ToText(&items->text);
  return true;
}

// A script array named by the collection text, or a hash table; false when
// the text names neither (the caller evaluates it). *failed after a report.
bool ItemsOfName(THensuFmt& context, std::u16string_view collection, ForInItems* items,
                 bool* failed) {
  *failed = false;
  std::u16string_view base = collection;
  if (!base.empty() && base.back() == u']') {
    std::size_t open = base.find(u'[');
    if (open == std::u16string_view::npos) return false;
    base = TrimBlank(base.substr(0, open));
  }
  if (!IsPlainName(base)) return false;
  Interpreter& interp = *context.interp;

  VariableTable* table = nullptr;
  int index;
  {
    std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
    if (vars::IsGlobalTable(context, context.vars)) guard.lock();
    index = context.vars.names.IndexOf(base);
  }
  if (index >= 0) {
    table = &context.vars;
  } else if (!GlobalIsOwn(context)) {
    index = FindGlobal(context, base, GlobalTable::kVariables);
    if (index >= 0) table = &interp.global.vars;
  }

  if (table == nullptr) {
    if (base.size() != collection.size()) return false;
    // A hash table: its keys in their current order.
    const TUZHash* hash = nullptr;
    std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
    if (&context == &interp.global) guard.lock();
    int h = context.hashNames.IndexOf(base);
    if (h >= 0 && static_cast<std::size_t>(h) < context.hashTables.size()) {
      hash = context.hashTables[static_cast<std::size_t>(h)].get();
    } else if (!GlobalIsOwn(context)) {
      if (!guard.owns_lock()) guard.lock();
      h = FindGlobal(context, base, GlobalTable::kHashTables);
      if (h >= 0 && static_cast<std::size_t>(h) < interp.global.hashTables.size()) {
        hash = interp.global.hashTables[static_cast<std::size_t>(h)].get();
      }
    }
    if (hash == nullptr) return false;
    items->values.reserve(static_cast<std::size_t>(hash->Count()));
    for (int i = 0; i < hash->Count(); ++i) items->values.push_back(Value::String(hash->KeyAt(i)));
    return true;
  }

  // The index expressions are evaluated once, here.
  const std::int32_t at = context.curOffset;
  vars::IndexedName parsed;
  if (!vars::ParseName(context, collection, &parsed) || context.curOffset != at) {
    *failed = true;
    return true;
  }
  std::int32_t ints[vars::kMaxIndexes];
  std::u16string failure;
  for (int i = 0; i < parsed.count; ++i) {
    if (!vars::IndexToInteger(parsed.values[static_cast<std::size_t>(i)], &ints[i], &failure)) {
      return false;  // evaluating the text reports it as a read would
    }
  }

  Value element;
  {
    std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
    if (vars::IsGlobalTable(context, *table)) guard.lock();
    const std::size_t v = static_cast<std::size_t>(index);
    if (v >= table->values.size()) return false;
    const std::vector<Value>& elements = table->values[v];
    const std::vector<std::int32_t>& bounds = table->bounds[v];
    const int d = static_cast<int>(bounds.size());
    if (parsed.count > d) return false;  // an array inside an element: read as usual
    std::int64_t flat = vars::FlatPosition(bounds, ints, parsed.count);
    if (flat < 0) return false;  // out of bounds: the read reports it
    if (parsed.count < d) {
      // The addressed sub-array, in row-major order.
      std::int64_t block = 1;
      for (int k = parsed.count; k < d; ++k)
        block *= std::int64_t{bounds[static_cast<std::size_t>(k)]} + 1;
      std::int64_t first = flat * block;
      if (block <= 0) return true;
      if (first + block > static_cast<std::int64_t>(elements.size())) return false;
      items->values.assign(elements.begin() + first, elements.begin() + first + block);
      return true;
    }
    if (d == 0 && parsed.count == 1) {
      // A scalar holding a two-dimensional array: the row the index selects.
      const Value& whole = elements.empty() ? element : elements[0];
      if (!whole.IsArray() || whole.AsArray()->bounds.size() != 2) return false;
      const ArrayCell& array = *whole.AsArray();
      std::int32_t cell[2] = {ints[0], array.bounds[1].lower};
      items->values.reserve(static_cast<std::size_t>(array.bounds[1].count));
      for (std::int32_t j = 0; j < array.bounds[1].count; ++j, ++cell[1]) {
        std::size_t pos;
        if (!array.Position(cell, 2, &pos)) return j != 0;  // a bad row: read as usual
        items->values.push_back(array.items[pos]);
      }
      return true;
    }
    if (static_cast<std::size_t>(flat) >= elements.size()) return false;
    element = elements[static_cast<std::size_t>(flat)];
  }
  if (!ItemsOfValue(context, element, items)) *failed = true;
  return true;
}

// The elements of the result array a built-in wrote during the collection.
void ItemsOfResultArray(THensuFmt& context, ForInItems* items) {
  Interpreter& interp = *context.interp;
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (vars::IsGlobalTable(context, context.vars)) guard.lock();
  const int index = context.vars.names.IndexOf(context.lastResultArray);
  if (index >= 0 && static_cast<std::size_t>(index) < context.vars.values.size()) {
    items->values = context.vars.values[static_cast<std::size_t>(index)];
  }
}

bool HasDotOutsideLiterals(std::u16string_view text) {
  bool quoted = false;
  for (char16_t c : text) {
    if (c == u'"') {
      quoted = !quoted;
    } else if (c == u'.' && !quoted) {
      return true;
    }
  }
  return false;
}

// False after a report (or when a TRY took it).
bool TakeItems(THensuFmt& context, std::u16string_view collection, ForInItems* items) {
  collection = TrimBlank(collection);
  if (!HasDotOutsideLiterals(collection)) {
    bool failed = false;
    if (ItemsOfName(context, collection, items, &failed)) return !failed;
    items->values.clear();
  }
  // A list-producing built-in in the collection writes NAME_TMP and names
  // it; the loop then runs over that list, not over the count returned.
  Value value;
  {
    struct Pending {
      THensuFmt& context;
      bool before;
      ~Pending() { context.collectionPending = before; }
    } pending{context, context.collectionPending};
    context.collectionPending = true;
    context.lastResultArray.clear();
    if (!Evaluate(collection, context, &value)) return false;
  }
  if (!context.lastResultArray.empty()) {
    ItemsOfResultArray(context, items);
    return true;
  }
  return ItemsOfValue(context, value, items);
}

// "var`collection`next".
void ForIn(THensuFmt& context) {
  const std::int32_t h = context.curOffset;
  std::u16string_view text = RowText(context, h);
  std::int32_t nextOffset;
  std::u16string_view fields[2];
  bool ok = CutLastOffset(&text, &nextOffset) && TargetInBody(context, h, h + nextOffset);
  if (ok) {
    // The variable ends at the first separator; the collection may hold
    // separators inside literals.
    std::size_t cut = text.find(u'`');
    ok = cut != std::u16string_view::npos;
    if (ok) {
      fields[0] = TrimBlank(text.substr(0, cut));
      fields[1] = text.substr(cut + 1);
      ok = !fields[0].empty();
    }
  }
  if (!ok) {
    ReportBadHead(context, kForPrefix);
    return;
  }
  const std::int32_t n = h + nextOffset;
  ForInItems items;
  if (!TakeItems(context, fields[1], &items)) return;

  LoopVariable variable(context, fields[0]);
  bool resolved = false;
  for (;;) {
    Value item;
    const bool more = items.Next(&item);
    // After the last item the variable is Empty.
    if (!variable.Assign(std::move(item))) return;
    if (!resolved) {
      variable.Resolve();
      resolved = true;
    }
    if (!more) break;
    context.curOffset = h + 1;
    if (RunLoopBody(context, h, n) == Pass::kLeave) break;
    HookAt(context, h);
    if (AbortRequested(context)) break;
  }
  FinishLoop(context, h, n);
}

// --- WHILE and REPEAT -----------------------------------------------------

// "cond`wend".
void While(THensuFmt& context) {
  const std::int32_t h = context.curOffset;
  std::u16string_view condition = RowText(context, h);
  std::int32_t wendOffset;
  if (!CutLastOffset(&condition, &wendOffset) || !TargetInBody(context, h, h + wendOffset)) {
    ReportBadHead(context, kWhilePrefix);
    return;
  }
  const std::int32_t w = h + wendOffset;
  for (;;) {
    if (AbortRequested(context)) break;
    bool truth = false;
    if (!EvaluateCondition(context, condition, &truth)) return;
    if (!truth) break;
    context.curOffset = h + 1;
    bool leave = false;
    for (;;) {
      if (context.breakCount > 0 || context.exitFlag != 0 || context.interp->run.errorFlag != 0) {
        leave = true;
        break;
      }
      if (context.curOffset == w || context.continueCount > 0) {
        if (context.continueCount > 0) {
          --context.continueCount;
          UnwindLoopRest(context, h, w);
        } else {
          HookAt(context, w);
        }
        leave = context.continueCount > 0;
        break;
      }
      RunRow(context);
      if (context.curOffset > w) {
        leave = true;
        break;
      }
    }
    if (leave) break;
    HookAt(context, h);
  }
  FinishLoop(context, h, w);
}

// "untilCondition`until". The body runs at least once; CONTINUE goes to the
// UNTIL test, as the end of the body would.
void Repeat(THensuFmt& context) {
  const std::int32_t h = context.curOffset;
  std::u16string_view condition = RowText(context, h);
  std::int32_t untilOffset;
  if (!CutLastOffset(&condition, &untilOffset) || !TargetInBody(context, h, h + untilOffset)) {
    ReportBadHead(context, kRepeatPrefix);
    return;
  }
  const std::int32_t u = h + untilOffset;
  context.curOffset = h + 1;
  for (;;) {
    if (context.curOffset == u) {
      HookAt(context, u);
      if (AbortRequested(context)) break;
      bool truth = false;
      if (!EvaluateCondition(context, condition, &truth)) return;
      if (truth) break;
      context.curOffset = h + 1;
      continue;
    }
    RunRow(context);
    if (context.curOffset > u || context.breakCount > 0 || context.exitFlag != 0 ||
        context.interp->run.errorFlag != 0) {
      break;
    }
    if (context.continueCount > 0) {
      --context.continueCount;
      UnwindLoopRest(context, h, u);
      if (context.continueCount > 0) break;
      // CONTINUE restarts the body without testing UNTIL.
      context.curOffset = h + 1;
    }
  }
  FinishLoop(context, h, u);
}

template <class Handler>
void Guarded(THensuFmt& context, const char16_t* prefix, Handler handler) {
  if (context.interp->run.errorFlag) return;
  if (!RoomForBlock(context)) return;
  try {
    handler(context);
  } catch (const std::exception& e) {
    ReportHandlerFailure(context, prefix, e.what());
  }
}

}  // namespace

void RunForTo(THensuFmt& context) {
  Guarded(context, kForPrefix, ForTo);
}
void RunForIn(THensuFmt& context) {
  Guarded(context, kForPrefix, ForIn);
}
void RunWhile(THensuFmt& context) {
  Guarded(context, kWhilePrefix, While);
}
void RunRepeat(THensuFmt& context) {
  Guarded(context, kRepeatPrefix, Repeat);
}

}  // namespace zelk
