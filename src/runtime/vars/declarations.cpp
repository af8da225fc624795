// The declaration statements: TEXTBLOCK, CONST, PUBLIC and module-level DIM
// (before the run; they answer with a message text) and DIM at run time (it
// reports at once). Array initializer lists and "[]" sizing.
#include <cmath>
#include <mutex>
#include <string>
#include <string_view>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace vars;

namespace {

std::u16string AlreadyDefinedMessage(std::u16string_view name) {
  std::u16string n(name);
  return Pick(u"It has already been defined: " + n, n + u" は既に定義されています");
}

std::u16string VariableAlreadyDefinedMessage(std::u16string_view name) {
  std::u16string n(name);
  return Pick(u"It has already been defined: " + n, u"変数: " + n + u" は既に定義されています");
}

std::u16string GlobalAlreadyDefinedMessage(std::u16string_view name, bool otherBounds) {
  std::u16string n(name);
  return Pick(u"It has already been defined: " + n, u"グローバル変数: " + n +
                                                        u" は既に定義されています" +
                                                        (otherBounds ? u"(次元数が違う)" : u""));
}

std::u16string BadVariableNameMessage(std::u16string_view name) {
  std::u16string n(name);
  return Pick(u"variable name which is not right: " + n, u"正しくない変数名です: " + n);
}

// Inside a module, declarations before the run name module members. The
// front end qualifies the first name of a row; later ones in the same row
// ("CONST A = 1, B = 2") are qualified here.
std::u16string Qualified(const THensuFmt& main, std::u16string name) {
  if (main.moduleName.empty() || name.find(u'.') != name.npos) return name;
  return main.moduleName + u"." + name;
}

// The declared name: the text before "[" (and before "="), trimmed.
std::u16string BaseName(std::u16string_view target) {
  return Trim(target.substr(0, std::min(target.find(u'['), target.size())));
}

// A new variable's name may not hold an operator character outside brackets.
bool IsGoodVariableName(std::u16string_view target) {
  static constexpr std::u16string_view kBreaking = u" ,+-*/=<>()!?";
  if (BaseName(target).empty()) return false;
  int depth = 0;
  for (char16_t c : target) {
    if (c == u'[') {
      ++depth;
    } else if (c == u']') {
      --depth;
    } else if (depth <= 0 && kBreaking.find(c) != kBreaking.npos) {
      return false;
    }
  }
  return true;
}

enum class Sizing { kOk, kWrong, kEvaluationFailed };

// "[]" sizing. Later bounds are literal numbers, or expressions evaluated in
// the context when one is given; the rewritten target carries their values.
Sizing SizeTarget(THensuFmt* context, std::u16string* target, std::u16string_view initializers) {
  std::size_t open = target->find(u'[');
  if (open == target->npos) return Sizing::kOk;
  std::u16string trimmed = Trim(*target);
  if (trimmed.empty() || trimmed.back() != u']') return Sizing::kWrong;
  open = trimmed.find(u'[');
  std::u16string name = Trim(std::u16string_view(trimmed).substr(0, open));
  std::u16string inner = ReplaceOutside(
      std::u16string_view(trimmed).substr(open + 1, trimmed.size() - open - 2), u"][", u",");
  std::vector<std::u16string> pieces;
  for (;;) {
    char16_t found = 0;
    pieces.push_back(Trim(CutTokenAt(inner, u",", kCutTopLevel, &found)));
    if (found == 0) break;
  }
  if (pieces.size() > static_cast<std::size_t>(kMaxIndexes)) return Sizing::kWrong;
  bool firstGiven = !pieces[0].empty();
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    if (pieces[i].empty()) return Sizing::kWrong;
  }
  if (firstGiven) return Sizing::kOk;

  std::int64_t product = 1;
  std::u16string rewritten = name + u"[";
  std::u16string later;
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    std::int32_t bound = 0;
    if (context) {
      Value value;
      if (!Evaluate(pieces[i], *context, &value)) return Sizing::kEvaluationFailed;
      if (!IndexToInteger(value, &bound, nullptr)) return Sizing::kWrong;
    } else if (!IndexTextToInteger(pieces[i], &bound, nullptr)) {
      return Sizing::kWrong;
    }
    if (bound < 0) return Sizing::kWrong;  // no room for any initializer
    product *= std::int64_t{bound} + 1;
    if (product > kMaxElements) return Sizing::kWrong;
    later += u"," + Value::Int(bound).Text();
  }
  std::int64_t m = CountTopLevelCommas(initializers);
  std::int64_t first = pieces.size() == 1 ? m : (m + 1 + product - 1) / product - 1;
  rewritten += Value::Int(first).Text() + later + u"]";
  *target = std::move(rewritten);
  return Sizing::kOk;
}

// Stores element i of a variable that was just declared; false (with the
// message) beyond the last element.
bool StoreElement(THensuFmt& context, VariableTable& table, std::u16string_view name, std::size_t i,
                  Value value, std::u16string* message) {
  std::unique_lock<std::recursive_mutex> guard(context.interp->variableLock, std::defer_lock);
  if (IsGlobalTable(context, table)) guard.lock();
  int index = table.names.IndexOf(name);
  if (index < 0) {
    *message = NotDefinedMessage(name);
    return false;
  }
  std::vector<Value>& elements = table.values[static_cast<std::size_t>(index)];
  if (i >= elements.size()) {
    *message = InitializersExceededMessage();
    return false;
  }
  elements[i] = std::move(value);
  return true;
}

// Evaluates an initializer list into elements 0, 1, 2, ... of NAME. A
// trailing comma stores Empty into the next element. False after a failure;
// *message is empty when the evaluator has reported it already.
bool FillInitializers(THensuFmt& context, VariableTable& table, std::u16string_view name,
                      std::u16string list, std::u16string* message) {
  for (std::size_t i = 0;; ++i) {
    char16_t found = 0;
    std::u16string piece = CutTokenAt(list, u",", kCutTopLevel, &found);
    Value value;
    if (!Evaluate(Trim(piece), context, &value)) return false;
    if (!StoreElement(context, table, name, i, std::move(value), message)) return false;
    if (found == 0) return true;
  }
}

// Bounds of a declaration target, evaluated in the context; false when one
// is no number or the array would be too large (*evaluated false when the
// evaluator failed and has reported).
bool TargetBounds(THensuFmt& context, std::u16string_view target, std::vector<std::int32_t>* bounds,
                  bool* evaluated) {
  *evaluated = true;
  IndexedName parsed;
  if (!ParseName(context, target, &parsed)) {
    *evaluated = false;
    return false;
  }
  bounds->assign(static_cast<std::size_t>(parsed.count), 0);
  for (int i = 0; i < parsed.count; ++i) {
    if (!IndexToInteger(parsed.values[static_cast<std::size_t>(i)],
                        &(*bounds)[static_cast<std::size_t>(i)], nullptr)) {
      return false;
    }
  }
  return ElementCount(*bounds) >= 0;
}

}  // namespace

bool SizeFromInitializers(std::u16string* target, std::u16string_view initializers) {
  return SizeTarget(nullptr, target, initializers) == Sizing::kOk;
}

std::u16string DefineTextBlock(Interpreter& interp, std::u16string_view name) {
  THensuFmt& main = interp.global;
  if (FindGlobal(main, name, GlobalTable::kTextBlocks) >= 0 ||
      FindGlobal(main, name, GlobalTable::kVariables) >= 0 ||
      FindGlobal(main, name, GlobalTable::kConstants) >= 0 ||
      FindGlobal(main, name, GlobalTable::kHashTables) >= 0) {
    return AlreadyDefinedMessage(name);
  }
  std::u16string reserved = CheckReserved(interp, name);
  if (!reserved.empty()) return reserved;
  interp.declared.textBlockNames.Add(name);
  interp.declared.textBlockTexts.emplace_back();
  return {};
}

void SetTextBlockText(Interpreter& interp, std::u16string_view name, std::u16string text) {
  int index = interp.declared.textBlockNames.IndexOf(name);
  if (index >= 0 && static_cast<std::size_t>(index) < interp.declared.textBlockTexts.size()) {
    interp.declared.textBlockTexts[static_cast<std::size_t>(index)] = std::move(text);
  }
}

std::u16string DefineConst(Interpreter& interp, std::u16string_view text) {
  THensuFmt& main = interp.global;
  std::u16string rest(text);
  // CONST A = 1, B = 2 defines both.
  do {
    std::u16string piece = CutToken(rest, u",", kCutTopLevel);
    int eq = PosOutside(u"=", piece, false, false);
    if (eq == 0) return u"SyntaxError-1";
    std::u16string name =
        Trim(std::u16string_view(piece).substr(0, static_cast<std::size_t>(eq - 1)));
    std::u16string expression =
        Trim(std::u16string_view(piece).substr(static_cast<std::size_t>(eq)));
    if (name.empty() || expression.empty()) return u"SyntaxError-1";
    name = Qualified(main, std::move(name));
    if (FindGlobal(main, name, GlobalTable::kVariables) >= 0 ||
        FindGlobal(main, name, GlobalTable::kTextBlocks) >= 0 ||
        FindGlobal(main, name, GlobalTable::kHashTables) >= 0) {
      return AlreadyDefinedMessage(name);
    }
    std::u16string reserved = CheckReserved(interp, name);
    if (!reserved.empty()) return reserved;
    Value value;
    if (!Evaluate(expression, main, &value)) return EvaluationErrorMessage();
    int existing = interp.declared.constNames.IndexOf(name);
    if (existing < 0) {
      interp.declared.constNames.Add(name);
      interp.declared.constValues.push_back(std::move(value));
    } else if (!SameValue(interp.declared.constValues[static_cast<std::size_t>(existing)], value)) {
      return Pick(u"It is multiplex definition: " + name, name + u": 多重定義です");
    }
  } while (!Trim(rest).empty());
  return {};
}

std::u16string DeclareGlobal(Interpreter& interp, std::u16string_view declaration,
                             bool errorIfDefined, bool isPrivate) {
  THensuFmt& main = interp.global;
  VariableTable& table = main.vars;
  std::u16string rest(declaration);
  for (;;) {
    char16_t found = 0;
    std::u16string target = Trim(CutTokenAt(rest, u",=", kCutTopLevel, &found));
    if (target.empty()) {
      if (found == 0) return {};
      if (found == u',') continue;
      return BadVariableNameMessage(target);
    }
    std::u16string name = Qualified(main, BaseName(target));
    std::u16string reserved = CheckReserved(interp, name);
    if (!reserved.empty()) return reserved;
    if (FindGlobal(main, name, GlobalTable::kConstants) >= 0 ||
        FindGlobal(main, name, GlobalTable::kTextBlocks) >= 0 ||
        FindGlobal(main, name, GlobalTable::kHashTables) >= 0) {
      return VariableAlreadyDefinedMessage(name);
    }
    int existing;
    {
      std::lock_guard<std::recursive_mutex> guard(interp.variableLock);
      existing = table.names.IndexOf(name);
    }
    if (existing >= 0) {
      if (errorIfDefined) return VariableAlreadyDefinedMessage(name);
      if (interp.options.optPublic) return GlobalAlreadyDefinedMessage(name, false);
    } else if (!IsGoodVariableName(target)) {
      return BadVariableNameMessage(name);
    }

    // An array with an initializer list takes the rest of the statement.
    bool initializerList = found == u'=' && target.find(u'[') != target.npos;
    if (initializerList) {
      Sizing sizing = SizeTarget(&main, &target, rest);
      if (sizing == Sizing::kEvaluationFailed) return EvaluationErrorMessage();
      if (sizing != Sizing::kOk) return IndexWrongMessage(name);
    }
    std::vector<std::int32_t> bounds;
    if (target.find(u'[') != target.npos) {
      bool evaluated;
      if (!TargetBounds(main, target, &bounds, &evaluated)) {
        return evaluated ? IndexWrongMessage(name) : EvaluationErrorMessage();
      }
    }
    int index;
    {
      std::lock_guard<std::recursive_mutex> guard(interp.variableLock);
      if (existing >= 0) {
        // PUBLIC may repeat a declaration only with the same bounds.
        if (table.bounds[static_cast<std::size_t>(existing)] != bounds) {
          return GlobalAlreadyDefinedMessage(name, true);
        }
        index = existing;
      } else {
        index = CreateWithBounds(interp, table, name, bounds);
        if (index >= 0)
          interp.declared.privateFlags[static_cast<std::size_t>(index)] = isPrivate ? 1 : 0;
      }
    }
    if (index < 0) return OutOfMemoryText();

    if (found != u'=') {
      if (found == 0) return {};
      continue;
    }
    std::u16string message;
    if (initializerList) {
      if (Trim(rest).empty()) return u"SyntaxError-7";
      if (!FillInitializers(main, table, name, std::move(rest), &message)) {
        return message.empty() ? EvaluationErrorMessage() : message;
      }
      return {};
    }
    std::u16string expression = Trim(CutToken(rest, u",", kCutTopLevel));
    if (expression.empty()) return u"SyntaxError-7";
    Value value;
    if (!Evaluate(expression, main, &value)) return EvaluationErrorMessage();
    if (!StoreElement(main, table, name, 0, std::move(value), &message)) return message;
    if (Trim(rest).empty()) return {};
  }
}

void DeclareLocal(THensuFmt& context, std::u16string_view list) {
  if (context.interp->run.errorFlag) return;
  VariableTable& table = context.vars;
  std::u16string rest(list);
  for (;;) {
    char16_t found = 0;
    std::u16string target = Trim(CutTokenAt(rest, u",=", kCutTopLevel, &found));
    if (target.empty()) {
      if (found == 0) return;
      continue;
    }
    if (found == u'=' && target.find(u'[') != target.npos) {
      // NAME[bounds] = v, v, ...: the list runs to the end of the statement.
      Sizing sizing = SizeTarget(&context, &target, rest);
      if (sizing == Sizing::kEvaluationFailed) return;
      if (sizing != Sizing::kOk) {
        ReportError(IndexWrongMessage(), context);
        return;
      }
      if (!CreateVariable(context, table, target)) return;
      std::u16string message;
      if (!FillInitializers(context, table, BaseName(target), std::move(rest), &message) &&
          !message.empty()) {
        ReportError(message, context);
      }
      return;
    }
    if (!CreateVariable(context, table, target)) return;
    if (found == u'=') {
      std::u16string expression = CutToken(rest, u",", kCutTopLevel);
      Value value;
      if (!Evaluate(Trim(expression), context, &value)) return;
      if (!StoreValue(context, target, value, false, true)) return;
    }
    if (Trim(rest).empty()) return;
  }
}

}  // namespace zelk
