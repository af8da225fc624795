// EVAL: a text run as a line of script — a THREAD or CALL, an assignment
// written with ":=", or an expression whose value is the result.
#include "base/text_scan.h"
#include "builtins/strings/string_functions.h"
#include "foundation/paths.h"
#include "frontend/assembly.h"
#include "frontend/row_normalizer.h"
#include "runtime/calls/calls.h"
#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

// The line as preprocessing would leave it; a text that is one literal
// loses its quotes and is read as script.
std::u16string PrepareLine(std::u16string_view text) {
  RowNormalizer normalizer;
  std::u16string line = normalizer.Normalize(std::u16string(text));
  // A trailing "_" would wait for a next line that never comes.
  if (normalizer.HasPending()) line = UpperOutside(StripRow(CutComment(text)), true);
  if (line.size() >= 2 && line.front() == u'"' && line.back() == u'"' &&
      line.find(u'"', 1) == line.size() - 1) {
    line = UpperOutside(Trim(std::u16string_view(line).substr(1, line.size() - 2)), true);
  }
  return line;
}

bool StartsWithWord(std::u16string_view text, std::u16string_view word) {
  return text.size() > word.size() && text.starts_with(word) && text[word.size()] == u' ';
}

void CallIncludedFile(BuiltinCall& call, std::u16string_view target) {
  // The argument list starts at the first '(' outside literals.
  std::size_t open = 0;
  for (bool quoted = false; open < target.size(); ++open) {
    if (target[open] == u'"') quoted = !quoted;
    if (target[open] == u'(' && !quoted) break;
  }
  std::u16string path = Trim(target.substr(0, open));
  std::u16string args(target.substr(open));
  std::u16string base = FolderPart(call.context.interp->assembly.mainPath());
  if (!base.empty()) base.pop_back();
  std::u16string key = ScriptPathKey(ResolveScriptPath(path, base), base);
  std::u16string name = IncludeProcedureName(key);
  // Only files the script includes are assembled; any other would be an
  // unknown call.
  std::u16string module;
  if (FindFunction(name, kProcedureKind, call.context, &module, CallMode::kIncludeCall, nullptr) <
      0) {
    ReportError(u"FILE not found :" + key, call.context);
    call.failed = true;
    return;
  }
  call.result = DispatchCall(name + args, call.context, CallMode::kIncludeCall, &call.failed);
}

}  // namespace

void BuiltinEval(BuiltinCall& call) {
  THensuFmt& context = call.context;
  std::u16string line = PrepareLine(call.args.text[0]);
  if (StartsWithWord(line, u"THREAD")) {
    call.result = DispatchCall(Trim(std::u16string_view(line).substr(7)), context,
                               CallMode::kThread, &call.failed);
    return;
  }
  if (StartsWithWord(line, u"CALL")) {
    CallIncludedFile(call, Trim(std::u16string_view(line).substr(5)));
    return;
  }
  int assign = PosOutside(u":=", line, false, false);
  if (assign > 0) {
    std::u16string target = Trim(std::u16string_view(line).substr(0, assign - 1));
    std::u16string expression = Trim(std::u16string_view(line).substr(assign + 1));
    // The same statement in a script is refused before the run.
    if (target.empty() || expression.empty()) {
      ReportError(target.empty() ? u"SyntaxError-103" : u"SyntaxError-104", context);
      call.failed = true;
      return;
    }
    Value value;
    if (!Evaluate(expression, context, &value)) {
      call.failed = true;
      return;
    }
    if (IsComMember(context, target)) {
      ComPropertyAssign(target, value, context);
    } else {
      SetValue(context, target, value);
    }
    return;
  }
  if (!Evaluate(line, context, &call.result)) call.failed = true;
}

}  // namespace zelk
