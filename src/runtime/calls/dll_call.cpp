// Calls of DEF_DLL functions: the declaration found, the arguments evaluated
// (array parameters passed by name) and padded to 64. The call itself
// reports that it cannot run yet.
#include <string>
#include <vector>

#include "foundation/hashed_str_list.h"
#include "foundation/messages.h"
#include "runtime/calls/call_arguments.h"
#include "runtime/calls/call_target.h"
#include "runtime/calls/calls.h"
#include "runtime/calls/not_available.h"
#include "runtime/core/interpreter.h"

namespace zelk {

int FindDllDeclaration(const THensuFmt& context, std::u16string_view name) {
  const TUHashedStrList& names = context.interp->declared.dllNames;
  if (!context.moduleName.empty() && name.find(u'.') == std::u16string_view::npos) {
    int qualified = names.IndexOf(context.moduleName + u"." + std::u16string(name));
    if (qualified >= 0) return qualified;
  }
  return names.IndexOf(name);
}

Value CallDllFunction(int declaration, std::span<const std::u16string_view>, std::span<Value>,
                      THensuFmt& context, bool* failed) {
  ReportNotAvailable(context, Msg(u"Calling a DLL function", u"DLL 関数の呼び出し"),
                     context.interp->declared.dllNames.KeyAt(declaration), failed);
  return Value::FailedByte();
}

Value RunDllFunction(const DllFunctionTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed) {
  Interpreter& interp = *context.interp;
  // The declared parameters; an array parameter ("[") takes the argument's name.
  std::vector<std::u16string_view> parameters;
  std::u16string declaration;
  if (static_cast<std::size_t>(target.declaration) < interp.declared.dllDeclarations.size()) {
    declaration = interp.declared.dllDeclarations[static_cast<std::size_t>(target.declaration)];
    std::u16string_view d = declaration;
    std::size_t from = d.find(u'(');
    std::size_t to = d.find(u')');
    if (from != std::u16string_view::npos && to != std::u16string_view::npos && to > from) {
      CutArguments(d.substr(from + 1, to - from - 1), &parameters);
    }
  }
  auto passedAsText = [&](std::size_t r) {
    return r < parameters.size() && parameters[r].find(u'[') != std::u16string_view::npos;
  };
  CallArguments arguments;
  if (!EvaluateArguments(site.arguments, site.mode, passedAsText, context, &arguments, failed)) {
    return Value::FailedByte();
  }
  // A DLL call always gets 64 arguments; missing ones are Byte 0.
  std::vector<std::u16string_view> texts(arguments.texts.span().begin(),
                                         arguments.texts.span().end());
  std::vector<Value> values(arguments.values.span().begin(), arguments.values.span().end());
  if (texts.size() < 64) texts.resize(64);
  if (values.size() < 64) values.resize(64, Value::FailedByte());
  return CallDllFunction(target.declaration, texts, values, context, failed);
}

}  // namespace zelk
