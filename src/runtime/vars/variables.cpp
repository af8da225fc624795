// Variable tables: names with evaluated indices, index arithmetic, creating
// and re-dimensioning variables, result arrays, and global name lookup with
// module qualification.
#include "runtime/vars/variables.h"

#include <cmath>
#include <limits>
#include <mutex>
#include <new>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {
namespace vars {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view TrimView(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Kinds that have a text form, without building the text.
bool HasTextForm(const Value& v) {
  return v.IsEmpty() || v.IsNull() || v.IsBoolean() || v.IsNumericKind() || v.IsString();
}

bool InInt32(double d) {
  return d >= std::numeric_limits<std::int32_t>::min() &&
         d <= std::numeric_limits<std::int32_t>::max();
}

// One index expression between the brackets; empty pieces are skipped.
bool AddIndex(THensuFmt& context, std::u16string_view piece, IndexedName* out) {
  piece = TrimView(piece);
  if (piece.empty()) return true;
  if (out->count == kMaxIndexes) {
    ReportError(u"hjgnbukai:" + Pick(u"more than 16 indexes", u"インデックスが16個を超えています"),
                context);
    return false;
  }
  Value& value = out->values[static_cast<std::size_t>(out->count)];
  if (!Evaluate(piece, context, &value)) return false;  // the evaluator has reported
  if (!HasTextForm(value)) {
    ReportError(u"Dimension of array:" +
                    Pick(u"Invalid variant type conversion", u"バリアント型の変換が無効です"),
                context);
    return false;
  }
  ++out->count;
  return true;
}

}  // namespace

std::u16string Pick(std::u16string english, std::u16string japanese) {
  return JapaneseMessages() ? std::move(japanese) : std::move(english);
}

std::u16string EvaluationErrorMessage() {
  return Msg(u"a type isn't correct. or overflow.", u"型が合っていない or オーバーフロー");
}

std::u16string ExceededMessage(std::u16string_view name) {
  std::u16string n(name);
  return Pick(u"It exceeded array: " + n, u"変数: " + n + u" 配列をオーバーしてます");
}

std::u16string InitializersExceededMessage() {
  return Msg(u"It exceeded array", u"設定値の数が配列をオーバーしてます");
}

std::u16string DimensionsMessage(std::u16string_view name) {
  std::u16string n(name);
  return Pick(u"Does not match the number of dimensions: " + n,
              u"変数: " + n + u" 次元数が合いません");
}

std::u16string NotDefinedMessage(std::u16string_view name) {
  std::u16string n(name);
  return Pick(u"It isn't defined: " + n, u"変数: " + n + u" が定義されていません");
}

std::u16string IndexWrongMessage() {
  return Msg(u"Index of the array is wrong", u"配列のインデックスが間違っています");
}

std::u16string IndexWrongMessage(std::u16string_view name) {
  return IndexWrongMessage() + u":" + std::u16string(name);
}

std::u16string IndexConversionText(std::u16string_view text) {
  std::u16string t(text);
  return Pick(u"'" + t + u"' is not a valid index",
              u"'" + t + u"' は配列のインデックスになりません");
}

std::u16string OutOfMemoryText() {
  return Msg(u"Out of memory", u"メモリが不足しています");
}

bool ParseName(THensuFmt& context, std::u16string_view text, IndexedName* out) {
  out->count = 0;
  out->bracketed = false;
  text = TrimView(text);
  std::size_t open = text.empty() || text.back() != u']' ? text.npos : text.find(u'[');
  if (open == text.npos) {
    out->base = text;
    return true;
  }
  out->bracketed = true;
  out->base = TrimView(text.substr(0, open));
  std::u16string_view rest = text.substr(open + 1, text.size() - open - 2);
  // Pieces end at top-level commas and at a top-level "][" (NAME[i][j] is
  // NAME[i, j]); a "][" deeper down stays in its piece, where the evaluator
  // reads it the same way.
  std::size_t start = 0;
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    char16_t c = rest[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == u'(' || c == u'[') {
      ++depth;
    } else if (c == u')') {
      --depth;
    } else if (c == u']') {
      if (depth <= 0 && i + 1 < rest.size() && rest[i + 1] == u'[') {
        if (!AddIndex(context, rest.substr(start, i - start), out)) return false;
        start = i + 2;
        ++i;
      } else {
        --depth;
      }
    } else if (c == u',' && depth <= 0) {
      if (!AddIndex(context, rest.substr(start, i - start), out)) return false;
      start = i + 1;
    }
  }
  return AddIndex(context, rest.substr(start), out);
}

bool IndexTextToInteger(std::u16string_view text, std::int32_t* out, std::u16string* failure) {
  std::u16string trimmed = Trim(text);
  if (trimmed.empty()) {
    *out = 0;
    return true;
  }
  double d = TextToNumber(trimmed);
  if (d == kNotANumber && !IsNumberText(trimmed, true, false)) {
    if (failure) *failure = IndexConversionText(text);
    return false;
  }
  d = std::trunc(d);
  if (!InInt32(d)) {
    if (failure) *failure = IndexConversionText(text);
    return false;
  }
  *out = static_cast<std::int32_t>(d);
  return true;
}

bool IndexToInteger(const Value& index, std::int32_t* out, std::u16string* failure) {
  if (index.IsEmpty() || index.IsNull()) {
    *out = 0;
    return true;
  }
  if (index.IsDouble()) {
    // The common case, an integral Double, is its own text form's value.
    double d = index.AsDouble();
    if (InInt32(d) && d == std::trunc(d)) {
      *out = static_cast<std::int32_t>(d);
      return true;
    }
  } else if (index.IsIntegerKind()) {
    std::int64_t i = index.AsInt();
    bool negativeUnsigned = index.type() == kVtUInt64 && i < 0;
    if (!negativeUnsigned && i >= std::numeric_limits<std::int32_t>::min() &&
        i <= std::numeric_limits<std::int32_t>::max()) {
      *out = static_cast<std::int32_t>(i);
      return true;
    }
  }
  std::u16string text;
  if (!index.ToText(&text)) {
    if (failure) *failure = IndexConversionText(u"");
    return false;
  }
  return IndexTextToInteger(text, out, failure);
}

std::int64_t FlatPosition(const std::vector<std::int32_t>& bounds, const std::int32_t* ints,
                          int n) {
  if (n <= 0) return 0;
  std::size_t d = bounds.size();
  for (int i = 0; i < n; ++i) {
    if (static_cast<std::size_t>(i) >= d) return kNested;
    if (ints[i] < 0 || ints[i] > bounds[static_cast<std::size_t>(i)]) return kExceeded;
  }
  std::int64_t flat = ints[0];
  for (int i = 1; i < n; ++i) {
    std::int64_t extent = std::int64_t{bounds[static_cast<std::size_t>(i)]} + 1;
    if (__builtin_mul_overflow(flat, extent, &flat) ||
        __builtin_add_overflow(flat, std::int64_t{ints[i]}, &flat)) {
      return kNested;
    }
  }
  return flat;
}

std::int64_t ElementCount(const std::vector<std::int32_t>& bounds) {
  std::int64_t count = 1;
  for (std::int32_t b : bounds) {
    if (b < -1) return -1;
    count *= std::int64_t{b} + 1;  // at most kMaxElements * 2^31: no overflow
    if (count > kMaxElements) return -1;
  }
  return count;
}

bool IsParamStr(std::u16string_view name) {
  static constexpr std::u16string_view kName = u"PARAM_STR";
  if (name.size() != kName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
    if (c != kName[i]) return false;
  }
  return true;
}

bool IsGlobalTable(const THensuFmt& context, const VariableTable& table) {
  return &table == &context.interp->global.vars;
}

int CreateWithBounds(Interpreter& interp, VariableTable& table, std::u16string_view name,
                     const std::vector<std::int32_t>& bounds) {
  std::int64_t count = ElementCount(bounds);
  if (count < 0) return -1;
  bool global = &table == &interp.global.vars;
  try {
    int index = table.names.IndexOf(name);
    if (index >= 0) {
      // Existing elements keep their flat positions; resize leaves the
      // vector as it was when it throws.
      table.values[static_cast<std::size_t>(index)].resize(static_cast<std::size_t>(count));
      table.bounds[static_cast<std::size_t>(index)] = bounds;
      return index;
    }
    std::vector<Value> elements(static_cast<std::size_t>(count));
    std::vector<std::int32_t> newBounds = bounds;
    table.values.reserve(table.values.size() + 1);
    table.bounds.reserve(table.bounds.size() + 1);
    if (global) interp.declared.privateFlags.reserve(table.values.size() + 1);
    index = table.names.Add(name);
    table.values.push_back(std::move(elements));
    table.bounds.push_back(std::move(newBounds));
    if (global && interp.declared.privateFlags.size() < table.values.size()) {
      interp.declared.privateFlags.resize(table.values.size(), 0);
    }
    return index;
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

int CountTopLevelCommas(std::u16string_view text) {
  return CountTopLevel(text, u',');
}

}  // namespace vars

using namespace vars;

bool ParseIndexedName(THensuFmt& context, std::u16string_view text, std::u16string* base,
                      std::vector<std::u16string>* indexes) {
  IndexedName parsed;
  bool ok = ParseName(context, text, &parsed);
  base->assign(parsed.base);
  indexes->clear();
  if (!ok) {
    indexes->emplace_back(kNullMarker);
    return false;
  }
  for (int i = 0; i < parsed.count; ++i) {
    indexes->push_back(parsed.values[static_cast<std::size_t>(i)].Text());
  }
  return true;
}

bool IndexesToIntegers(const std::vector<std::u16string>& indexes,
                       std::vector<std::int32_t>* integers, std::u16string* failure) {
  integers->clear();
  integers->reserve(indexes.size());
  for (const std::u16string& text : indexes) {
    std::int32_t i = 0;
    if (!IndexTextToInteger(text, &i, failure)) return false;
    integers->push_back(i);
  }
  return true;
}

bool IndexesToIntegers(const std::vector<std::u16string>& indexes,
                       std::vector<std::int32_t>* integers) {
  return IndexesToIntegers(indexes, integers, nullptr);
}

std::int64_t FlatIndex(THensuFmt& context, const VariableTable& table, int variable,
                       const std::vector<std::int32_t>& indexes) {
  if (variable < 0 || variable >= table.count()) return kNested;
  std::int64_t flat;
  std::u16string name;
  {
    std::unique_lock<std::recursive_mutex> guard(context.interp->variableLock, std::defer_lock);
    if (IsGlobalTable(context, table)) guard.lock();
    flat = FlatPosition(table.bounds[static_cast<std::size_t>(variable)], indexes.data(),
                        static_cast<int>(indexes.size()));
    if (flat != kExceeded) return flat;
    name = table.names.KeyAt(variable);
  }
  if (IsParamStr(name)) return kNested;
  ReportError(ExceededMessage(name), context);
  return kExceeded;
}

bool CreateVariable(THensuFmt& context, VariableTable& table, std::u16string_view declaration) {
  Interpreter& interp = *context.interp;
  IndexedName parsed;
  if (!ParseName(context, declaration, &parsed)) return false;
  std::vector<std::int32_t> bounds;
  if (parsed.bracketed) {
    bounds.resize(static_cast<std::size_t>(parsed.count));
    for (int i = 0; i < parsed.count; ++i) {
      std::u16string failure;
      if (!IndexToInteger(parsed.values[static_cast<std::size_t>(i)],
                          &bounds[static_cast<std::size_t>(i)], &failure)) {
        // As a conversion failure escaping the statement: not for TRY.
        ReportError(u"Analysis: " + failure, context, false, false);
        return false;
      }
    }
    if (ElementCount(bounds) < 0) {
      ReportError(IndexWrongMessage(), context);
      return false;
    }
  }
  int index;
  {
    std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
    if (IsGlobalTable(context, table)) guard.lock();
    if (!parsed.bracketed) {
      index = table.names.IndexOf(parsed.base);
      if (index >= 0) return true;
    }
    index = CreateWithBounds(interp, table, parsed.base, bounds);
  }
  if (index < 0) {
    ReportError(OutOfMemoryText(), context);
    return false;
  }
  return true;
}

void ResetArray(THensuFmt& context, std::u16string_view name) {
  Interpreter& interp = *context.interp;
  VariableTable& table = context.vars;
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (IsGlobalTable(context, table)) guard.lock();
  int index = table.names.IndexOf(name);
  if (index < 0) {
    CreateWithBounds(interp, table, name, {-1});
    return;
  }
  auto& bounds = table.bounds[static_cast<std::size_t>(index)];
  if (bounds.empty()) {
    bounds.push_back(-1);
  } else {
    bounds[0] = -1;
  }
  table.values[static_cast<std::size_t>(index)].clear();
}

int AppendElement(THensuFmt& context, std::u16string_view name, const Value& value) {
  Interpreter& interp = *context.interp;
  VariableTable& table = context.vars;
  Value copy = value;  // the value may be an element of this very array
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (IsGlobalTable(context, table)) guard.lock();
  int index = table.names.IndexOf(name);
  if (index < 0) index = CreateWithBounds(interp, table, name, {-1});
  if (index < 0) return 0;
  auto& elements = table.values[static_cast<std::size_t>(index)];
  auto& bounds = table.bounds[static_cast<std::size_t>(index)];
  std::size_t length = elements.size();
  if (length >= static_cast<std::size_t>(kMaxElements)) return static_cast<int>(length);
  try {
    elements.push_back(std::move(copy));
  } catch (const std::bad_alloc&) {
    return static_cast<int>(length);
  }
  // A result array is one-dimensional, whatever the name held before.
  bounds.assign(1, static_cast<std::int32_t>(length));
  return static_cast<int>(length + 1);
}

int FindGlobal(THensuFmt& context, std::u16string_view name, GlobalTable table) {
  Interpreter& interp = *context.interp;
  const TUHashedStrList* list = nullptr;
  bool locked = false;
  switch (table) {
    case GlobalTable::kVariables:
      list = &interp.global.vars.names;
      locked = true;
      break;
    case GlobalTable::kConstants:
      list = &interp.declared.constNames;
      break;
    case GlobalTable::kTextBlocks:
      list = &interp.declared.textBlockNames;
      break;
    case GlobalTable::kHashTables:
      list = &interp.global.hashNames;
      locked = true;
      break;
    case GlobalTable::kDllDeclarations:
      // The DEF_DLL declaration table comes with the DLL calls; until then
      // no name is a declared DLL function.
      return -1;
  }
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (locked) guard.lock();

  const std::u16string& module = context.moduleName;
  std::u16string qualified;
  if (name.starts_with(u'.')) {
    // A WITH member: only a module named by the WITH subject qualifies it.
    if (!context.withTarget.IsString()) return -1;
    qualified = context.withTarget.AsString();
    qualified += name;
  } else if (name.starts_with(u"THIS.")) {
    qualified = module;
    qualified += name.substr(4);
  } else if (name.find(u'.') != name.npos || module.empty()) {
    return list->IndexOf(name);
  } else {
    qualified.reserve(module.size() + 1 + name.size());
    qualified = module;
    qualified += u'.';
    qualified += name;
  }
  int found = list->IndexOf(qualified);
  return found >= 0 ? found : list->IndexOf(name);
}

std::u16string CheckReserved(const Interpreter& interp, std::u16string_view name) {
  if (!IsReservedName(interp, name)) return {};
  std::u16string n(name);
  return Pick(u"Is a reserved word: " + n, n + u" は予約語です");
}

bool IsNumberValue(const Value& value, bool noTrim, bool strictExponent) {
  std::u16string text;
  if (!value.ToText(&text)) return false;
  return IsNumberText(text, noTrim, strictExponent);
}

}  // namespace zelk
