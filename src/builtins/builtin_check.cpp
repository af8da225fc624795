// The pre-run check of a built-in call: every argument's shape through the
// evaluator's check mode, TOKEN's variable, and the minimum count.
#include <string>

#include "base/text_scan.h"
#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variable_parts.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

void ReportCheck(std::u16string_view message, THensuFmt& context) {
  ReportError(message, context, false, false);
}

// The procedure whose rows the check walks, or "" for a function, the main
// program and an included file (RESULT is theirs to use).
std::u16string_view ProcedureName(const THensuFmt& context) {
  if (context.stmtTexts.empty()) return {};
  std::u16string_view header = context.stmtTexts[0];
  constexpr std::u16string_view kProcedure = u"PROCEDURE ";
  if (!header.starts_with(kProcedure)) return {};
  std::u16string_view name = header.substr(kProcedure.size());
  name = TrimArgument(name.substr(0, name.find(u'(')));
  // An included file's procedure is named after its path.
  if (name == u"__MAIN__" || name.find(u'.') != std::u16string_view::npos) return {};
  return name;
}

// TOKEN writes the rest of the text back into its second argument: that
// must be a variable.
bool CheckTokenVariable(std::u16string_view argument, THensuFmt& context) {
  std::u16string_view base = TrimArgument(argument.substr(0, argument.find(u'[')));
  if (base == u"RESULT") {
    std::u16string_view procedure = ProcedureName(context);
    if (procedure.empty()) return true;
    std::u16string name(procedure);
    ReportCheck(
        vars::Pick(u"There is RESULT: " + name, u"PROCEDURE " + name + u": Resultは無効です"),
        context);
    return false;
  }
  if (FindGlobal(context, base, GlobalTable::kConstants) >= 0 ||
      vars::IsReservedName(*context.interp, base)) {
    std::u16string message = Msg(u"Constant cannot be used:", u"");
    message += argument;
    message += Msg(u"", u":定数は使えません");
    ReportCheck(message, context);
    return false;
  }
  return true;
}

}  // namespace

bool CheckBuiltinCall(int number, std::u16string_view argumentText, THensuFmt& context) {
  if (number < 0 || number >= kBuiltinCount) return true;
  Interpreter& interp = *context.interp;
  std::u16string_view rest = argumentText;
  std::u16string prefixed;
  int count = 0;
  while (!TrimArgument(rest).empty()) {
    std::u16string_view argument = CutArgument(&rest);
    if (argument.empty()) continue;
    const int position = count++;
    if (number == kBuiltinSckey && position >= 1 && argument.size() == 1) {
      prefixed = u"VK_";
      prefixed += argument;
      argument = prefixed;
    }
    if (!IsRawArgument(number, position) || argument.find(u'"') == std::u16string_view::npos) {
      Value ignored;
      if (!Evaluate(argument, context, &ignored) || interp.run.errorFlag != 0) return false;
    }
    if (number == kBuiltinToken && position == 1 && !CheckTokenVariable(argument, context)) {
      return false;
    }
  }
  if (count < MinimumArguments(number)) {
    std::u16string message = Msg(u"Argument is lacking:", u"");
    message += BuiltinName(number);
    message += Msg(u"", u"：引数が足りません");
    ReportCheck(message, context);
    return false;
  }
  return true;
}

}  // namespace zelk
