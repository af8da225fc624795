#include "builtins/arrays/expand_arguments.h"

#include <mutex>

#include "base/text_scan.h"
#include "builtins/arrays/array_access.h"
#include "builtins/arrays/array_functions.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/operators.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

// The values of hash table NAME (the context's own, else a global one) in
// its positional order; false when NAME is no hash table.
bool AddHashValues(THensuFmt& context, std::u16string_view name,
                   std::vector<std::u16string>* list) {
  Interpreter& interp = *context.interp;
  std::unique_lock<std::recursive_mutex> guard(interp.variableLock, std::defer_lock);
  if (!interp.SoleThread()) guard.lock();
  const TUZHash* hash = nullptr;
  int h = context.hashNames.IndexOf(name);
  if (h >= 0 && static_cast<std::size_t>(h) < context.hashTables.size()) {
    hash = context.hashTables[static_cast<std::size_t>(h)].get();
  } else {
    h = FindGlobal(context, name, GlobalTable::kHashTables);
    if (h >= 0 && static_cast<std::size_t>(h) < interp.global.hashTables.size()) {
      hash = interp.global.hashTables[static_cast<std::size_t>(h)].get();
    }
  }
  if (hash == nullptr) return false;
  for (int i = 0; i < hash->Count(); ++i)
    list->push_back(FormatPrintValue(hash->ValueAt(i), false));
  return true;
}

bool HasTopLevelPlus(std::u16string_view text) {
  return CountTopLevel(text, u'+') > 0;
}

}  // namespace

// One argument's texts; false after a report. requireArray: only arrays and
// hash tables are accepted, anything else is reported.
bool arrays::ExpandArrayElements(const std::u16string& source, std::vector<std::u16string>* list,
                                 bool requireArray, THensuFmt& context) {
  const ScriptOptions& options = context.interp->options;
  if (!requireArray && HasTopLevelPlus(source)) {
    Value value;
    if (!Evaluate(source, context, &value)) return false;
    list->push_back(FormatPrintValue(value, false));
    return true;
  }
  arrays::ArrayArgument argument(context);
  if (!argument.Prepare(source)) return false;
  switch (argument.Bind(false)) {
    case arrays::Found::kFailed: {
      std::u16string message = argument.message();
      argument.Release();
      ReportError(message, context);
      return false;
    }
    case arrays::Found::kArray: {
      const arrays::ElementView& elements = argument.elements();
      const bool variable = argument.scriptTable() != nullptr;
      list->reserve(list->size() + elements.size());
      for (std::size_t k = 0; k < elements.size(); ++k) {
        std::u16string text = FormatPrintValue(elements[k], false);
        if (variable && HasSpecialChars(text)) text = ExpandSpecialChars(text, options);
        list->push_back(std::move(text));
      }
      return true;
    }
    case arrays::Found::kNotArray:
      break;
  }
  argument.Release();
  if (argument.hashTable()) {
    if (AddHashValues(context, argument.text(), list)) return true;
  }
  if (requireArray) {
    ReportError(arrays::ArrayUnspecifiedMessage(argument.text()), context);
    return false;
  }
  if (argument.undefinedName()) {
    // The evaluation says what is wrong with the name.
    Value value;
    if (!Evaluate(source, context, &value)) return false;
    list->push_back(FormatPrintValue(value, false));
    return true;
  }
  list->push_back(FormatPrintValue(argument.value(), false));
  return true;
}

bool ExpandArgumentList(std::vector<std::u16string>* list,
                        std::span<const std::u16string> sourceTexts, bool keepEmpty,
                        THensuFmt& context) {
  list->clear();
  for (const std::u16string& source : sourceTexts) {
    if (!arrays::ExpandArrayElements(source, list, false, context)) return false;
  }
  if (!keepEmpty) std::erase_if(*list, [](const std::u16string& t) { return t.empty(); });
  return true;
}

}  // namespace zelk
