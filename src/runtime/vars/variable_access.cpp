// GetValue and SetValue: one fixed lookup order over the context's own
// variables, the global variables, hash tables, special names, text blocks
// and constants; element access with arrays nested in array elements.
//
// Global tables are touched only under VariableLock, and no error is reported
// while the lock is held: on a script thread the report waits for the main
// thread, which may itself be waiting for the lock.
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/vars/element_kind.h"
#include "runtime/vars/hash_tables.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace vars;

namespace {

enum class Outcome { kNotFound, kDone, kFailed };

// A report to make once the lock is released.
struct Pending {
  std::u16string message;
  bool allowTry = true;
};

bool EqualsAscii(std::u16string_view name, std::u16string_view upper) {
  if (name.size() != upper.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
    if (c != upper[i]) return false;
  }
  return true;
}

// Whether the global step would only repeat the lookup of the own table.
bool GlobalIsOwn(const THensuFmt& context, std::u16string_view base) {
  return &context == &context.interp->global && context.moduleName.empty() &&
         !base.starts_with(u'.');
}

std::u16string IndexOutOfBoundsText() {
  return Msg(u"Variant or safe array index out of bounds",
             u"バリアントまたはセーフ配列のインデックスが範囲外です");
}

bool OneDimensional(const Value& v) {
  return v.IsArray() && v.AsArray()->bounds.size() == 1;
}

bool ToInts(const IndexedName& name, std::int32_t* ints, std::u16string* failure) {
  for (int i = 0; i < name.count; ++i) {
    if (!IndexToInteger(name.values[static_cast<std::size_t>(i)], &ints[i], failure)) return false;
  }
  return true;
}

// --- Nested arrays: more indices than the variable has dimensions. -------
//
// A scalar holding an array of n dimensions is indexed directly (up to four);
// otherwise the variable's own indices select an element that must hold a
// one-dimensional array, and at most one more level of one-dimensional
// arrays may follow.

struct NestedPath {
  std::size_t element = 0;  // the variable's element holding the array
  bool direct = false;      // that array indexed with all n indices
  std::int32_t first = 0;   // index into the element's one-dimensional array
  bool twoLevels = false;   // and then into the array found there
  std::int32_t second = 0;
};

// Finds the path, or gives the message (dimensions or bounds) that ends it.
bool FindNestedPath(const std::vector<Value>& elements, const std::vector<std::int32_t>& bounds,
                    const std::int32_t* ints, int n, std::u16string_view base,
                    std::u16string* message, bool* boundsFailure, NestedPath* path) {
  *boundsFailure = false;
  int d = static_cast<int>(bounds.size());
  if (elements.empty()) {
    *message = DimensionsMessage(base);
    return false;
  }
  // Only a scalar's one element stands for the whole variable; for an array
  // element 0 is just its first element.
  const Value& whole = elements[0];
  if (d == 0 && n <= 4 && whole.IsArray() &&
      whole.AsArray()->bounds.size() == static_cast<std::size_t>(n)) {
    std::size_t pos;
    if (!whole.AsArray()->Position(ints, static_cast<std::size_t>(n), &pos)) {
      *boundsFailure = true;
      return false;
    }
    path->element = 0;
    path->direct = true;
    return true;
  }
  if (n < 2 || n - 1 < d || n > d + 2) {
    *message = DimensionsMessage(base);
    return false;
  }
  // The variable's own indices are all within bounds, or FlatPosition would
  // not have answered kNested.
  std::int64_t flat = FlatPosition(bounds, ints, d);
  if (flat < 0 || static_cast<std::size_t>(flat) >= elements.size()) {
    *message = DimensionsMessage(base);
    return false;
  }
  const Value& outer = elements[static_cast<std::size_t>(flat)];
  if (!OneDimensional(outer)) {
    *message = DimensionsMessage(base);
    return false;
  }
  std::size_t pos;
  if (!outer.AsArray()->Position(&ints[d], 1, &pos)) {
    *boundsFailure = true;
    return false;
  }
  path->element = static_cast<std::size_t>(flat);
  path->first = ints[d];
  if (n == d + 2) {
    const Value& inner = outer.AsArray()->items[pos];
    if (!OneDimensional(inner)) {
      *message = DimensionsMessage(base);
      return false;
    }
    std::size_t innerPos;
    if (!inner.AsArray()->Position(&ints[n - 1], 1, &innerPos)) {
      *boundsFailure = true;
      return false;
    }
    path->twoLevels = true;
    path->second = ints[n - 1];
  }
  return true;
}

// The element at the path; the path was checked by FindNestedPath.
const Value& NestedElement(const std::vector<Value>& elements, const NestedPath& path,
                           const std::int32_t* ints, int n) {
  const ArrayCell* array = elements[path.element].AsArray();
  std::size_t pos = 0;
  if (path.direct) {
    array->Position(ints, static_cast<std::size_t>(n), &pos);
    return array->items[pos];
  }
  array->Position(&path.first, 1, &pos);
  if (!path.twoLevels) return array->items[pos];
  const ArrayCell* inner = array->items[pos].AsArray();
  inner->Position(&path.second, 1, &pos);
  return inner->items[pos];
}

// Writable; arrays shared with other values are copied first, so the change
// lands in this variable only. *kind: the element kind of the array holding it.
Value& NestedElementForWrite(std::vector<Value>& elements, const NestedPath& path,
                             const std::int32_t* ints, int n, VarType* kind) {
  ArrayCell* array = elements[path.element].MutableArray();
  std::size_t pos = 0;
  *kind = array->elementType;
  if (path.direct) {
    array->Position(ints, static_cast<std::size_t>(n), &pos);
    return array->items[pos];
  }
  array->Position(&path.first, 1, &pos);
  if (!path.twoLevels) return array->items[pos];
  ArrayCell* inner = array->items[pos].MutableArray();
  *kind = inner->elementType;
  inner->Position(&path.second, 1, &pos);
  return inner->items[pos];
}

// --- Reading and writing one table. --------------------------------------

// Reads NAME[...] from the own table (global false) or the global one.
Outcome ReadVariable(THensuFmt& context, bool global, const IndexedName& name, bool quiet,
                     Value* out, Pending* pending) {
  Interpreter& interp = *context.interp;
  VariableTable& table = global ? interp.global.vars : context.vars;
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (global || IsGlobalTable(context, table)) guard.lock();
  int v = global ? FindGlobal(context, name.base, GlobalTable::kVariables)
                 : table.names.IndexOf(name.base);
  if (v < 0) return Outcome::kNotFound;

  std::int32_t ints[kMaxIndexes];
  std::u16string failure;
  if (!ToInts(name, ints, &failure)) {
    // A non-numeric index fails the expression it stands in.
    pending->message = EvaluationErrorMessage();
    return Outcome::kFailed;
  }
  const std::vector<Value>& elements = table.values[static_cast<std::size_t>(v)];
  const std::vector<std::int32_t>& bounds = table.bounds[static_cast<std::size_t>(v)];
  int n = name.count;
  std::int64_t flat = FlatPosition(bounds, ints, n);
  if (flat < 0 && IsParamStr(name.base)) {
    *out = Value();  // beyond the last parameter: Empty, silently
    return Outcome::kDone;
  }
  if (flat == kExceeded) {
    pending->message = ExceededMessage(name.base);
    return Outcome::kFailed;
  }
  if (flat >= 0) {
    if (static_cast<std::size_t>(n) != bounds.size()) {
      if (!quiet) pending->message = DimensionsMessage(name.base);
      return Outcome::kFailed;
    }
    if (static_cast<std::size_t>(flat) >= elements.size()) {
      pending->message = ExceededMessage(name.base);
      return Outcome::kFailed;
    }
    *out = elements[static_cast<std::size_t>(flat)];
    return Outcome::kDone;
  }
  NestedPath path;
  std::u16string message;
  bool boundsFailure;
  if (!FindNestedPath(elements, bounds, ints, n, name.base, &message, &boundsFailure, &path)) {
    if (!quiet) pending->message = boundsFailure ? u"GetValue:" + IndexOutOfBoundsText() : message;
    return Outcome::kFailed;
  }
  *out = NestedElement(elements, path, ints, n);
  return Outcome::kDone;
}

Outcome WriteVariable(THensuFmt& context, bool global, const IndexedName& name, Value& value,
                      bool elementMode, Pending* pending) {
  Interpreter& interp = *context.interp;
  VariableTable& table = global ? interp.global.vars : context.vars;
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (global || IsGlobalTable(context, table)) guard.lock();
  int v = global ? FindGlobal(context, name.base, GlobalTable::kVariables)
                 : table.names.IndexOf(name.base);
  if (v < 0) return Outcome::kNotFound;

  std::int32_t ints[kMaxIndexes];
  std::u16string failure;
  if (!ToInts(name, ints, &failure)) {
    // As a conversion failure escaping the statement: reported without TRY.
    pending->message = u"Analysis: " + failure;
    pending->allowTry = false;
    return Outcome::kFailed;
  }
  std::vector<Value>& elements = table.values[static_cast<std::size_t>(v)];
  const std::vector<std::int32_t>& bounds = table.bounds[static_cast<std::size_t>(v)];
  int n = name.count;
  if (elementMode && n >= 1) {
    if (ints[0] < 0 || static_cast<std::size_t>(ints[0]) >= elements.size()) {
      pending->message = InitializersExceededMessage();
      return Outcome::kFailed;
    }
    elements[static_cast<std::size_t>(ints[0])] = std::move(value);
    return Outcome::kDone;
  }
  std::int64_t flat = FlatPosition(bounds, ints, n);
  if (flat == kExceeded && IsParamStr(name.base)) flat = kNested;
  if (flat == kExceeded) {
    pending->message = ExceededMessage(name.base);
    return Outcome::kFailed;
  }
  if (flat >= 0) {
    if (static_cast<std::size_t>(n) != bounds.size() ||
        static_cast<std::size_t>(flat) >= elements.size()) {
      pending->message = DimensionsMessage(name.base);
      return Outcome::kFailed;
    }
    elements[static_cast<std::size_t>(flat)] = std::move(value);
    return Outcome::kDone;
  }
  NestedPath path;
  std::u16string message;
  bool boundsFailure;
  if (!FindNestedPath(elements, bounds, ints, n, name.base, &message, &boundsFailure, &path)) {
    pending->message = boundsFailure ? u"PutValue:" + IndexOutOfBoundsText() : message;
    return Outcome::kFailed;
  }
  VarType kind;
  Value& element = NestedElementForWrite(elements, path, ints, n, &kind);
  // A byte array holds bytes: what DECODE and COM see must be what was read back.
  if (kind != kVtVariant && !ConvertToElementKind(kind, &value)) {
    pending->message = u"PutValue:" + EvaluationErrorMessage();
    return Outcome::kFailed;
  }
  element = std::move(value);
  return Outcome::kDone;
}

// --- Plain names ---------------------------------------------------------
//
// NAME without '[' that is a scalar of the own table is by far the most
// common lookup; it is answered here without IndexedName. Anything else
// takes the full lookup, which finds the same variable first.

// The trimmed name, false when it has a '['.
bool PlainName(std::u16string_view text, std::u16string_view* base) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  if (text.find(u'[') != text.npos) return false;
  *base = text;
  return true;
}

// The own table's scalar BASE, or null. Without script threads the global
// table needs no lock.
Value* OwnScalar(THensuFmt& context, std::u16string_view base) {
  VariableTable& table = context.vars;
  if (IsGlobalTable(context, table) && !context.interp->SoleThread()) return nullptr;
  int v = table.names.IndexOf(base);
  if (v < 0) return nullptr;
  std::vector<Value>& elements = table.values[static_cast<std::size_t>(v)];
  if (!table.bounds[static_cast<std::size_t>(v)].empty() || elements.empty()) return nullptr;
  return &elements[0];
}

void Report(THensuFmt& context, const Pending& pending) {
  if (!pending.message.empty()) ReportError(pending.message, context, false, pending.allowTry);
}

}  // namespace

Value* vars::OwnScalarSlot(THensuFmt& context, std::u16string_view name) {
  return OwnScalar(context, name);
}

Value GetValue(THensuFmt& context, std::u16string_view name, bool quiet) {
  Interpreter& interp = *context.interp;
  if (interp.run.errorFlag) return Value::FailedByte();
  std::u16string_view plain;
  if (PlainName(name, &plain)) {
    if (const Value* found = OwnScalar(context, plain)) return *found;
  }
  IndexedName parsed;
  if (!ParseName(context, name, &parsed)) {
    context.lookupFailed = 1;
    return Value::FailedByte();
  }
  Value result;
  Pending pending;
  Outcome outcome = ReadVariable(context, false, parsed, quiet, &result, &pending);
  if (outcome == Outcome::kNotFound) {
    if (EqualsAscii(parsed.base, u"TRUE")) return Value::Boolean(true);
    if (EqualsAscii(parsed.base, u"FALSE")) return Value::Boolean(false);
    if (!GlobalIsOwn(context, parsed.base)) {
      outcome = ReadVariable(context, true, parsed, quiet, &result, &pending);
    }
  }
  if (outcome == Outcome::kDone) return result;
  if (outcome == Outcome::kFailed) {
    context.lookupFailed = 1;
    Report(context, pending);
    return Value::FailedByte();
  }

  if (parsed.count > 0 && ReadHashTable(context, parsed, name, quiet, &result)) return result;
  if (ReadSpecialName(context, parsed.base, &result)) return result;
  int found = FindGlobal(context, parsed.base, GlobalTable::kTextBlocks);
  if (found >= 0 && static_cast<std::size_t>(found) < interp.declared.textBlockTexts.size()) {
    return Value::String(interp.declared.textBlockTexts[static_cast<std::size_t>(found)]);
  }
  found = FindGlobal(context, parsed.base, GlobalTable::kConstants);
  if (found >= 0 && static_cast<std::size_t>(found) < interp.declared.constValues.size()) {
    return interp.declared.constValues[static_cast<std::size_t>(found)];
  }

  context.lookupFailed = 1;
  if (!quiet) ReportError(NotDefinedMessage(parsed.base), context);
  return Value::FailedByte();
}

namespace vars {

// SetValue with an answer: true when the value was stored.
bool StoreValue(THensuFmt& context, std::u16string_view target, const Value& value,
                bool elementMode, bool noCreate) {
  Interpreter& interp = *context.interp;
  if (interp.run.errorFlag) return false;
  std::u16string_view plain;
  if (PlainName(target, &plain)) {
    if (Value* slot = OwnScalar(context, plain)) {
      Value copy = value;  // VALUE may be this very slot
      *slot = std::move(copy);
      return true;
    }
  }
  IndexedName parsed;
  if (!ParseName(context, target, &parsed)) return false;
  Value copy = value;  // the value may live in the table that is about to change
  Pending pending;
  Outcome outcome = WriteVariable(context, false, parsed, copy, elementMode, &pending);
  if (outcome == Outcome::kNotFound && !GlobalIsOwn(context, parsed.base)) {
    outcome = WriteVariable(context, true, parsed, copy, elementMode, &pending);
  }
  if (outcome == Outcome::kDone) return true;
  if (outcome == Outcome::kFailed) {
    Report(context, pending);
    return false;
  }

  if (WriteHashTable(context, parsed, copy)) return true;
  if (noCreate) return false;
  if (parsed.bracketed) {
    std::u16string written(target);
    ReportError(Pick(written + u": Array without declaration", written + u"：宣言のない配列です"),
                context);
    return false;
  }
  // Implicit declaration: local inside a function, global in the main program.
  int created;
  {
    std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
    if (IsGlobalTable(context, context.vars)) guard.lock();
    // Another thread may have declared the global since the lookup.
    created = context.vars.names.IndexOf(parsed.base);
    if (created < 0) created = CreateWithBounds(interp, context.vars, parsed.base, {});
    if (created >= 0) {
      auto& elements = context.vars.values[static_cast<std::size_t>(created)];
      if (context.vars.bounds[static_cast<std::size_t>(created)].empty() && !elements.empty()) {
        elements[0] = std::move(copy);
      } else {
        pending.message = DimensionsMessage(parsed.base);
      }
    } else {
      pending.message = OutOfMemoryText();
    }
  }
  Report(context, pending);
  return pending.message.empty();
}

}  // namespace vars

void SetValue(THensuFmt& context, std::u16string_view target, const Value& value, bool elementMode,
              bool noCreate) {
  StoreValue(context, target, value, elementMode, noCreate);
}

}  // namespace zelk
