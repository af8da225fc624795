#include "builtins/arrays/array_access.h"

#include <algorithm>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variable_parts.h"
#include "runtime/vars/variables.h"

namespace zelk::arrays {
namespace {

bool IsNameChar(char16_t c) {
  return c >= 0x80 || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         (c >= u'0' && c <= u'9') || c == u'_' || c == u'.';
}

// Whether the global lookup would only repeat the context's own.
bool GlobalIsOwn(const THensuFmt& context, std::u16string_view base) {
  return &context == &context.interp->global && context.moduleName.empty() &&
         !base.starts_with(u'.');
}

}  // namespace

bool IsIndexedName(std::u16string_view text, std::u16string_view* base, int* indexes) {
  std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] != u'[') {
    if (!IsNameChar(text[i])) return false;
    ++i;
  }
  if (i == 0 || (text[0] >= u'0' && text[0] <= u'9')) return false;
  *base = text.substr(0, i);
  int count = 0;
  while (i < n) {
    if (text[i] != u'[') return false;
    int depth = 0;
    bool quoted = false;
    bool piece = false;  // the current index has some text
    std::size_t j = i + 1;
    for (; j < n; ++j) {
      char16_t c = text[j];
      if (c == u'"') {
        quoted = !quoted;
        piece = true;
        continue;
      }
      if (quoted) continue;
      if (c == u'(' || c == u'[') {
        ++depth;
      } else if (c == u')') {
        --depth;
      } else if (c == u']') {
        if (depth == 0) break;
        --depth;
      } else if (c == u',' && depth == 0) {
        count += piece ? 1 : 0;
        piece = false;
        continue;
      }
      if (c != u' ' && c != u'\t') piece = true;
    }
    if (j >= n) return false;
    count += piece ? 1 : 0;
    i = j + 1;
  }
  *indexes = count;
  return true;
}

std::u16string ArrayUnspecifiedMessage(std::u16string_view name) {
  std::u16string n(name);
  return Msg(u"Array unspecified: ", u"配列指定外です: ") + n;
}

std::u16string NotAnArrayMessage(std::u16string_view name) {
  std::u16string n(name);
  return JapaneseMessages() ? u"変数: " + n + u" 配列ではありません" : u"Is not an array: " + n;
}

ArrayArgument::ArrayArgument(THensuFmt& context)
    : context_(context), lock_(context.interp->variableLock, std::defer_lock) {}

ArrayArgument::~ArrayArgument() = default;

bool ArrayArgument::LockFor(bool globalTable) {
  if (globalTable && !lock_.owns_lock() && !context_.interp->SoleThread()) lock_.lock();
  return true;
}

void ArrayArgument::Release() {
  if (lock_.owns_lock()) lock_.unlock();
}

bool ArrayArgument::FindVariable(VariableTable** table, int* index) {
  VariableTable& own = context_.vars;
  LockFor(vars::IsGlobalTable(context_, own));
  int v = own.names.IndexOf(base_);
  if (v >= 0) {
    *table = &own;
    *index = v;
    return true;
  }
  if (GlobalIsOwn(context_, base_)) return false;
  LockFor(true);
  v = FindGlobal(context_, base_, GlobalTable::kVariables);
  if (v < 0) return false;
  *table = &context_.interp->global.vars;
  *index = v;
  return true;
}

bool ArrayArgument::Prepare(std::u16string_view text) {
  text_.assign(TrimView(text));
  std::u16string_view base;
  int written = 0;
  if (!IsIndexedName(text_, &base, &written)) {
    kind_ = Kind::kValue;
    return Evaluate(text_, context_, &value_);
  }
  base_.assign(base);
  VariableTable* table;
  int index;
  bool found = FindVariable(&table, &index);
  Release();
  if (found) {
    kind_ = Kind::kVariable;
    if (written == 0) return true;
    // The index expressions are evaluated once, here.
    vars::IndexedName parsed;
    if (!vars::ParseName(context_, text_, &parsed)) return false;
    ints_.resize(static_cast<std::size_t>(parsed.count));
    for (int i = 0; i < parsed.count; ++i) {
      std::u16string failure;
      if (!vars::IndexToInteger(parsed.values[static_cast<std::size_t>(i)],
                                &ints_[static_cast<std::size_t>(i)], &failure)) {
        ReportError(vars::EvaluationErrorMessage(), context_);
        return false;
      }
    }
    return true;
  }
  if (written > 0 || base_.find(u'.') != std::u16string::npos) {
    // A hash table element or an object's member: whatever the expression
    // gives; a changed array goes back to a hash table element.
    kind_ = Kind::kValue;
    writeBack_ = written > 0 && base_.find(u'.') == std::u16string::npos;
    return Evaluate(text_, context_, &value_);
  }
  {
    Interpreter& interp = *context_.interp;
    LockFor(&context_ == &interp.global);
    const TUZHash* hash = nullptr;
    int h = context_.hashNames.IndexOf(base_);
    if (h >= 0 && static_cast<std::size_t>(h) < context_.hashTables.size()) {
      hash = context_.hashTables[static_cast<std::size_t>(h)].get();
    } else if (!GlobalIsOwn(context_, base_)) {
      LockFor(true);
      h = FindGlobal(context_, base_, GlobalTable::kHashTables);
      if (h >= 0 && static_cast<std::size_t>(h) < interp.global.hashTables.size()) {
        hash = interp.global.hashTables[static_cast<std::size_t>(h)].get();
      }
    }
    if (hash != nullptr) {
      kind_ = Kind::kHashTable;
      hashCount_ = hash->Count();
    }
    Release();
    if (hash != nullptr) return true;
  }
  // A plain name that is no variable: a constant, a special name, or nothing.
  // Without indexes the quiet lookup reports nothing.
  std::uint8_t failedBefore = context_.lookupFailed;
  context_.lookupFailed = 0;
  value_ = GetValue(context_, text_, true);
  kind_ = context_.lookupFailed ? Kind::kUndefined : Kind::kValue;
  if (kind_ == Kind::kUndefined) value_ = Value();
  context_.lookupFailed = failedBefore;
  return true;
}

Found ArrayArgument::Bind(bool forWrite) {
  message_.clear();
  view_ = ElementView{};
  scriptTable_ = nullptr;
  scriptVariable_ = -1;
  oleHolder_ = nullptr;
  oleRow_ = false;
  switch (kind_) {
    case Kind::kVariable:
      return BindVariable(forWrite);
    case Kind::kValue:
      return BindHeld(&value_, 0, forWrite);
    default:
      return Found::kNotArray;
  }
}

Found ArrayArgument::Resolve(std::u16string_view text, bool forWrite) {
  if (!Prepare(text)) return Found::kFailed;
  return Bind(forWrite);
}

void ArrayArgument::Finish(bool changed) {
  Release();
  if (changed && writeBack_ && kind_ == Kind::kValue) SetValue(context_, text_, value_);
}

Found ArrayArgument::BindVariable(bool forWrite) {
  VariableTable* table;
  int v;
  // The variable may have gone while other arguments were evaluated.
  if (!FindVariable(&table, &v)) {
    message_ = ArrayUnspecifiedMessage(text_);
    return Found::kFailed;
  }
  std::vector<Value>& elements = table->values[static_cast<std::size_t>(v)];
  const std::vector<std::int32_t>& bounds = table->bounds[static_cast<std::size_t>(v)];
  const std::size_t d = bounds.size();
  const std::size_t k = ints_.size();
  const int written = static_cast<int>(std::min(k, d));
  std::int64_t flat = vars::FlatPosition(bounds, ints_.data(), written);
  if (flat == vars::kExceeded) {
    message_ = vars::ExceededMessage(base_);
    return Found::kFailed;
  }
  if (k < d) {
    // Leading indexes select a row or block: the elements after them, flat.
    std::int64_t count = 1;
    for (std::size_t i = k; i < d; ++i) count *= std::int64_t{bounds[i]} + 1;
    std::int64_t offset = flat * count;
    if (flat < 0 || count < 0 || offset + count > static_cast<std::int64_t>(elements.size())) {
      message_ = vars::IndexWrongMessage(base_);
      return Found::kFailed;
    }
    scriptTable_ = table;
    scriptVariable_ = v;
    view_.base = elements.data();
    view_.start = static_cast<std::size_t>(offset);
    view_.count = static_cast<std::size_t>(count);
    return Found::kArray;
  }
  if (flat < 0 || static_cast<std::size_t>(flat) >= elements.size()) {
    if (elements.empty() && k == 0) return Found::kNotArray;
    message_ = vars::DimensionsMessage(base_);
    return Found::kFailed;
  }
  return BindHeld(&elements[static_cast<std::size_t>(flat)], d, forWrite);
}

// The value at holder, with the indexes from next on still to apply: all of
// an array's dimensions at once, or one index selecting a row of a
// two-dimensional array.
Found ArrayArgument::BindHeld(Value* holder, std::size_t next, bool forWrite) {
  const std::size_t k = ints_.size();
  Value* e = holder;
  for (;;) {
    if (!e->IsArray()) {
      if (next == k) {
        value_ = *e;
        return Found::kNotArray;
      }
      message_ = vars::DimensionsMessage(base_);
      return Found::kFailed;
    }
    // A read-only walk leaves shared cells alone; only writers copy them.
    ArrayCell* cell = forWrite ? e->MutableArray() : const_cast<ArrayCell*>(e->AsArray());
    const std::size_t dims = cell->bounds.size();
    const std::size_t left = k - next;
    if (left == 0) {
      oleHolder_ = e;
      ViewOf(cell);
      return Found::kArray;
    }
    if (left == 1 && dims == 2) {
      std::int64_t row = std::int64_t{ints_[next]} - cell->bounds[0].lower;
      if (row < 0 || row >= cell->bounds[0].count) {
        message_ = vars::ExceededMessage(base_);
        return Found::kFailed;
      }
      oleHolder_ = e;
      oleRow_ = true;
      view_.base = cell->items.data();
      view_.start = static_cast<std::size_t>(row);
      view_.count = static_cast<std::size_t>(cell->bounds[1].count);
      view_.contiguous = false;
      view_.inner = std::max<std::size_t>(view_.count, 1);
      view_.step = static_cast<std::size_t>(cell->bounds[0].count);
      view_.outer = 0;
      return Found::kArray;
    }
    std::size_t pos;
    if (left < dims) {
      message_ = vars::DimensionsMessage(base_);
      return Found::kFailed;
    }
    if (!cell->Position(&ints_[next], dims, &pos)) {
      message_ = vars::ExceededMessage(base_);
      return Found::kFailed;
    }
    e = &cell->items[pos];
    next += dims;
  }
}

void ArrayArgument::ViewOf(ArrayCell* cell) {
  view_.base = cell->items.data();
  view_.count = cell->items.size();
  if (cell->bounds.size() != 2) return;
  // Row by row: the second index runs fastest here, the first one in storage.
  const std::size_t rows = static_cast<std::size_t>(cell->bounds[0].count);
  const std::size_t columns = static_cast<std::size_t>(cell->bounds[1].count);
  view_.contiguous = rows <= 1 || columns <= 1;
  view_.inner = std::max<std::size_t>(columns, 1);
  view_.step = rows;
  view_.outer = 1;
}

}  // namespace zelk::arrays
