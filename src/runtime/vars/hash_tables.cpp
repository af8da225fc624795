// Hash table variables: the HASHTBL declaration, NAME[key] and NAME[key, mode]
// reads, writes, and hash tables passed to array parameters.
//
// No error is reported while VariableLock is held: on a script thread the
// report waits for the main thread, which may itself be waiting for the lock.
#include "runtime/vars/hash_tables.h"

#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "base/text_scan.h"
#include "runtime/calls/calls.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

using Guard = std::unique_lock<std::recursive_mutex>;

std::u16string WrongText(std::u16string_view what) {
  std::u16string t(what);
  return vars::Pick(t + u": Specified is wrong", t + u"：指定が間違っています");
}

std::u16string RangeText(std::u16string_view what) {
  std::u16string t(what);
  return vars::Pick(t + u": It is outside the range", t + u"：範囲外です");
}

// The table NAME of the context, else a global one, or null. *guard holds
// VariableLock whenever a global table is returned while script threads run.
TUZHash* FindTable(THensuFmt& context, std::u16string_view base, Guard* guard) {
  Interpreter& interp = *context.interp;
  const bool shared = !interp.SoleThread();
  const bool isMain = &context == &interp.global;
  if (isMain && shared) guard->lock();
  int slot = context.hashNames.IndexOf(base);
  if (slot >= 0 && static_cast<std::size_t>(slot) < context.hashTables.size()) {
    return context.hashTables[static_cast<std::size_t>(slot)].get();
  }
  // The global step would only repeat the own lookup.
  if (isMain && context.moduleName.empty() && !base.starts_with(u'.')) return nullptr;
  if (shared && !guard->owns_lock()) guard->lock();
  slot = FindGlobal(context, base, GlobalTable::kHashTables);
  if (slot < 0 || static_cast<std::size_t>(slot) >= interp.global.hashTables.size()) {
    return nullptr;
  }
  return interp.global.hashTables[static_cast<std::size_t>(slot)].get();
}

// The key an index stands for: its text form. Texts are used in place; other
// kinds are formatted into *buffer.
std::u16string_view KeyOf(const Value& index, std::u16string* buffer) {
  if (index.IsString()) return index.AsString();
  index.ToText(buffer);
  return *buffer;
}

// NAME[key, mode] with mode not HASH_KEY/HASH_VAL/HASH_EXISTS/HASH_REMOVE:
// element m of the array stored under the key. Gives the message on failure.
bool ElementOf(const TUZHash& table, std::u16string_view key, std::int32_t m,
               std::u16string_view written, Value* out, std::u16string* message) {
  const Value* stored = table.Find(key);
  if (stored == nullptr || !stored->IsArray() || stored->AsArray()->bounds.size() != 1) {
    *message = WrongText(written);
    return false;
  }
  const ArrayCell& array = *stored->AsArray();
  std::size_t position;
  if (!array.Position(&m, 1, &position)) {
    *message = RangeText(written);
    return false;
  }
  *out = array.items[position];
  return true;
}

// A read with a mode; false with the message when it fails.
bool ReadWithMode(TUZHash& table, const vars::IndexedName& name, std::u16string_view written,
                  Value* out, std::u16string* message) {
  std::int32_t mode;
  if (!vars::IndexToInteger(name.values[1], &mode, nullptr)) {
    *message = WrongText(written);
    return false;
  }
  if (mode == kHashKey || mode == kHashValue) {
    std::int32_t position;
    if (!vars::IndexToInteger(name.values[0], &position, nullptr)) {
      *message = WrongText(written);
      return false;
    }
    if (position < 0 || position >= table.Count()) {
      *message = RangeText(written);
      return false;
    }
    *out = mode == kHashKey ? Value::String(table.KeyAt(position)) : table.ValueAt(position);
    return true;
  }
  std::u16string buffer;
  std::u16string_view key = KeyOf(name.values[0], &buffer);
  switch (mode) {
    case kHashExists:
      *out = Value::Boolean(table.Find(key) != nullptr);
      return true;
    case kHashRemove:
      *out = Value::Boolean(table.Remove(key));
      return true;
    default:
      return ElementOf(table, key, mode, written, out, message);
  }
}

}  // namespace

int DeclareHashTable(THensuFmt& context, std::u16string_view declaration, bool isPrivate,
                     std::u16string* message) {
  message->clear();
  Interpreter& interp = *context.interp;
  const int eq = PosOutside(u"=", declaration, false, false);
  const std::u16string_view name = TrimView(
      declaration.substr(0, eq > 0 ? static_cast<std::size_t>(eq - 1) : declaration.size()));
  if (name.empty()) {
    *message = WrongText(declaration);
    return -1;
  }
  int flags = 0;
  if (eq > 0) {
    const std::u16string_view options = TrimView(declaration.substr(static_cast<std::size_t>(eq)));
    Value value;
    if (!Evaluate(options, context, &value)) return -1;
    double number = 0;
    if (!value.ToNumber(&number) || !std::isfinite(number) || number != std::floor(number) ||
        number < 0 || number > (kHashCaseCare | kHashSort) ||
        (static_cast<int>(number) & ~(kHashCaseCare | kHashSort)) != 0) {
      *message = WrongText(options);
      return -1;
    }
    flags = static_cast<int>(number);
  }

  const bool isMain = &context == &interp.global;
  Guard guard(interp.variableLock, std::defer_lock);
  if (isMain && !interp.SoleThread()) guard.lock();
  int slot = context.hashNames.IndexOf(name);
  if (slot >= 0 && static_cast<std::size_t>(slot) < context.hashTables.size()) {
    // Declared again: emptied, and the first options stay.
    context.hashTables[static_cast<std::size_t>(slot)]->Clear();
    return slot;
  }
  try {
    auto table = std::make_unique<TUZHash>((flags & kHashCaseCare) != 0, (flags & kHashSort) != 0);
    // Reserved first, so that nothing below leaves names and tables apart.
    context.hashTables.reserve(context.hashTables.size() + 1);
    // Global tables and their private flags stay in step, whoever declares them.
    if (isMain)
      interp.declared.hashPrivateFlags.reserve(interp.declared.hashPrivateFlags.size() + 1);
    slot = context.hashNames.Add(name);
    context.hashTables.push_back(std::move(table));
    if (isMain) interp.declared.hashPrivateFlags.push_back(isPrivate ? 1 : 0);
  } catch (const std::bad_alloc&) {
    *message = vars::OutOfMemoryText();
    return -1;
  }
  return slot;
}

void DeclareHashTables(THensuFmt& context, std::u16string_view list) {
  Interpreter& interp = *context.interp;
  if (interp.run.errorFlag) return;
  // The options run to the next top-level ",", so cutting at "," alone
  // gives NAME or NAME = options.
  std::u16string rest(list);
  while (!rest.empty()) {
    std::u16string declaration = Trim(CutToken(rest, u",", kCutTopLevel));
    if (declaration.empty()) continue;
    std::u16string message;
    if (DeclareHashTable(context, declaration, false, &message) < 0) {
      if (!message.empty()) ReportError(message, context);
      return;
    }
  }
}

bool ReadHashTable(THensuFmt& context, const vars::IndexedName& name, std::u16string_view written,
                   bool quiet, Value* out) {
  Guard guard(context.interp->variableLock, std::defer_lock);
  TUZHash* table = FindTable(context, name.base, &guard);
  if (table == nullptr) return false;
  std::u16string message;
  bool done;
  if (name.count == 2) {
    done = ReadWithMode(*table, name, written, out, &message);
  } else {
    std::u16string buffer;
    const Value* found = table->Find(KeyOf(name.values[0], &buffer));
    *out = found != nullptr ? *found : Value();
    done = true;
  }
  if (guard.owns_lock()) guard.unlock();
  if (!done) {
    *out = Value();
    context.lookupFailed = 1;
    if (!quiet) ReportError(message, context);
  }
  return true;
}

bool WriteHashTable(THensuFmt& context, const vars::IndexedName& name, const Value& value) {
  if (name.count == 0) {
    // Only NAME = HASH_REMOVEALL concerns a table; other plain assignments
    // are ordinary variable assignments.
    if (name.bracketed || !value.IsDouble() || value.AsDouble() != kHashRemoveAll) return false;
  }
  Guard guard(context.interp->variableLock, std::defer_lock);
  TUZHash* table = FindTable(context, name.base, &guard);
  if (table == nullptr) return false;
  std::u16string message;
  if (name.count == 0) {
    table->Clear();
  } else if (name.count == 1) {
    std::u16string buffer;
    try {
      table->Put(KeyOf(name.values[0], &buffer), value);
    } catch (const std::bad_alloc&) {
      message = vars::OutOfMemoryText();
    }
  } else {
    std::u16string base(name.base);
    message =
        vars::Pick(u"Invalid writing in HASHTBL: " + base, u"HASHTBLへの無効な書き込み: " + base);
  }
  if (guard.owns_lock()) guard.unlock();
  if (!message.empty()) ReportError(message, context);
  return true;
}

bool PassHashTable(std::u16string_view argumentText, THensuFmt& caller, THensuFmt& callee,
                   std::u16string_view parameterName) {
  std::unique_ptr<TUZHash> copy;
  {
    Guard guard(caller.interp->variableLock, std::defer_lock);
    const TUZHash* source = FindTable(caller, TrimView(argumentText), &guard);
    if (source == nullptr) return false;
    try {
      copy = std::make_unique<TUZHash>(*source);
    } catch (const std::bad_alloc&) {
    }
  }
  if (copy == nullptr) {
    ReportError(vars::OutOfMemoryText(), caller);
    return true;
  }
  // The callee is new and its own: no lock.
  const std::u16string_view name = TrimView(parameterName.substr(0, parameterName.find(u'[')));
  int slot = callee.hashNames.IndexOf(name);
  if (slot >= 0 && static_cast<std::size_t>(slot) < callee.hashTables.size()) {
    callee.hashTables[static_cast<std::size_t>(slot)] = std::move(copy);
  } else {
    callee.hashTables.push_back(std::move(copy));
    callee.hashNames.Add(name);
  }
  return true;
}

void ReturnHashTable(std::u16string_view argumentText, THensuFmt& caller, THensuFmt& callee,
                     std::u16string_view parameterName) {
  const std::u16string_view name = TrimView(parameterName.substr(0, parameterName.find(u'[')));
  const int slot = callee.hashNames.IndexOf(name);
  if (slot < 0 || static_cast<std::size_t>(slot) >= callee.hashTables.size()) return;
  const TUZHash& result = *callee.hashTables[static_cast<std::size_t>(slot)];
  bool failed = false;
  {
    Guard guard(caller.interp->variableLock, std::defer_lock);
    TUZHash* target = FindTable(caller, TrimView(argumentText), &guard);
    if (target == nullptr) return;
    try {
      target->Assign(result);
    } catch (const std::bad_alloc&) {
      failed = true;
    }
  }
  if (failed) ReportError(vars::OutOfMemoryText(), caller);
}

}  // namespace zelk
