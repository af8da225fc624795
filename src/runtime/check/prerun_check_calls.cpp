// Calls in the pre-run check: user calls with their arguments and argument
// counts, built-in calls handed to the library's own check, DEF_DLL names,
// THREAD and CALL; and the COM member checks, which only test the shape of the
// member path and its arguments.
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "runtime/calls/calls.h"
#include "runtime/check/prerun_check.h"
#include "runtime/check/prerun_check_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace check;

namespace {

std::u16string NotHereMessage(std::u16string_view name) {
  std::u16string n(name);
  return vars::Pick(u"It is not here: " + n, u"関数: " + n + u" がありません");
}

std::u16string ArgumentCountMessage(std::u16string_view name) {
  std::u16string n(name);
  return vars::Pick(u"The number of the argument isn't suitable: " + n,
                    u"関数: " + n + u" 引数の数が合いません");
}

// A parameter as declared: VAR and a default value dropped.
std::u16string_view ParameterName(std::u16string_view parameter) {
  if (parameter.starts_with(u"VAR ")) parameter = TrimView(parameter.substr(4));
  int eq = PosOutside(u"=", parameter, true, false);
  if (eq > 0) parameter = TrimView(parameter.substr(0, static_cast<std::size_t>(eq - 1)));
  return parameter;
}

// The pieces of a header's parameter list up to the first empty one.
std::vector<std::u16string_view> Parameters(const Interpreter& interp, int header) {
  if (header < 0 || header >= interp.table.RowCount()) return {};
  bool closed = true;
  std::vector<std::u16string_view> pieces = TopLevelPieces(
      ParameterList(interp.table.StmtTexts[static_cast<std::size_t>(header)], &closed));
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].empty()) {
      pieces.resize(i);
      break;
    }
  }
  return pieces;
}

bool IsResultArrayName(std::u16string_view name) {
  static const std::unordered_set<std::u16string_view> names = {
      u"EVENT_PRM",    u"GETDIR_FILES", u"ALL_ITEM_LIST", u"ALL_WIN_ID",
      u"ALL_OLE_ITEM", u"ALL_IMG_X",    u"ALL_IMG_Y",
  };
  return names.contains(name);
}

int CountOf(std::u16string_view text, char16_t c) {
  int n = 0;
  for (char16_t x : text) n += x == c ? 1 : 0;
  return n;
}

// An argument passed to an array parameter must name an array (or be a call
// that returns one).
void CheckArrayArgument(std::u16string_view argument, std::u16string_view parameter,
                        THensuFmt& context) {
  if (argument.find(u"[]") != std::u16string_view::npos) {
    Fail(u"SyntaxError-111", context);
    return;
  }
  const std::size_t bracket = argument.find(u'[');
  std::u16string_view base = TrimView(argument.substr(0, bracket));
  if (context.vars.names.IndexOf(base) >= 0 ||
      FindGlobal(context, base, GlobalTable::kVariables) >= 0) {
    return;
  }
  if (CountOf(parameter, u'[') == 1) {
    if (IsResultArrayName(base)) return;
    if (bracket == std::u16string_view::npos &&
        FindGlobal(context, base, GlobalTable::kHashTables) >= 0) {
      return;
    }
    std::size_t open = argument.find(u'(');
    std::size_t close = argument.rfind(u')');
    if (open != std::u16string_view::npos && open >= 1 && open < bracket &&
        close != std::u16string_view::npos && close >= 2) {
      CheckExpression(argument, context);
      return;
    }
  }
  Fail(u"SyntaxError-112", context);
}

void CallCheck(std::u16string_view callText, THensuFmt& context, CallMode mode) {
  const bool asThread = mode == CallMode::kThread;
  const bool asCall = mode == CallMode::kIncludeCall;
  Interpreter& interp = *context.interp;
  std::u16string_view text = TrimView(callText);
  std::u16string_view name = text;
  std::u16string_view arguments;
  const std::size_t open = text.find(u'(');
  if (open != std::u16string_view::npos) {
    name = TrimView(text.substr(0, open));
    if (text.back() != u')') {
      Fail(Msg(u"Function isn't properly close", u"関数が正しく閉じていません"), context);
      return;
    }
    arguments = text.substr(open + 1, text.size() - open - 2);
  }

  std::u16string module = context.moduleName;
  const int header = FindFunction(name, kAnyFunctionKind, context, &module, mode, nullptr);
  if (header < 0 && !asThread && !asCall) {
    std::u16string builtin = UpperAscii(name.starts_with(u"GLOBAL.") ? name.substr(7) : name);
    int number = interp.builtins().Find(builtin);
    if (number >= 0) {
      interp.builtins().CheckCall(number, arguments, context);
      return;
    }
    if (IsComMember(context, name)) {
      CheckMemberCall(text, context);
      return;
    }
  }

  std::vector<std::u16string_view> parameters;
  if (header >= 0 && !asCall) parameters = Parameters(interp, header);
  const std::vector<std::u16string_view> pieces = TopLevelPieces(arguments);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].empty()) {
      Fail(u"SyntaxError-110", context);
      return;
    }
    if (asCall) continue;
    std::u16string_view parameter = i < parameters.size() ? ParameterName(parameters[i]) : u"";
    if (parameter.find(u'[') == std::u16string_view::npos) {
      CheckExpression(pieces[i], context);
    } else {
      CheckArrayArgument(pieces[i], parameter, context);
    }
    if (Stopped(context)) return;
  }

  if (header >= 0) {
    CheckUserCall(name, static_cast<int>(pieces.size()), header, mode, context, module);
    return;
  }
  if (!asThread && !asCall && FindDllDeclaration(context, name) >= 0) return;
  if (open != std::u16string_view::npos) {
    Fail(NotHereMessage(name), context);
  } else {
    Fail(asCall ? u"System Error: Don't CALL" : u"SyntaxError-113", context);
  }
}

// --- COM members -------------------------------------------------------

// The members of a path, cut at the dots outside literals, brackets and
// parentheses; a path beginning with "." has an empty first member.
std::vector<std::u16string_view> Members(std::u16string_view text) {
  std::vector<std::u16string_view> members;
  std::size_t start = 0;
  ForEachTopLevel(text, u'.', [&](std::size_t i) {
    members.push_back(text.substr(start, i - start));
    start = i + 1;
    return true;
  });
  members.push_back(text.substr(start));
  return members;
}

bool HasDoubleDot(std::u16string_view text) {
  bool found = false;
  ForEachTopLevel(text, u'.', [&](std::size_t i) {
    found = i + 1 < text.size() && text[i + 1] == u'.';
    return !found;
  });
  return found;
}

// A named argument (NAME = value, NAME := value) checks only its value.
std::u16string_view ArgumentValue(std::u16string_view argument) {
  int eq = PosOutside(u"=", argument, true, true);
  if (eq <= 0) return argument;
  auto at = static_cast<std::size_t>(eq - 1);
  std::u16string_view name = TrimView(argument.substr(0, at));
  if (name.ends_with(u':')) name = TrimView(name.substr(0, name.size() - 1));
  if (name.empty()) return argument;
  static constexpr std::u16string_view kNotInName = u" ,+-*/=<>()!?[]\".:&";
  for (char16_t c : name) {
    if (kNotInName.find(c) != std::u16string_view::npos) return argument;
  }
  return TrimView(argument.substr(at + 1));
}

// The arguments in every bracket or parenthesis group of one member.
void CheckMemberArguments(std::u16string_view member, THensuFmt& context, bool dropVar) {
  bool quoted = false;
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < member.size() && !Stopped(context); ++i) {
    char16_t c = member[i];
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u'(' || c == u'[') {
      if (depth++ == 0) start = i + 1;
    } else if ((c == u')' || c == u']') && --depth == 0) {
      for (std::u16string_view argument : TopLevelPieces(member.substr(start, i - start))) {
        if (dropVar && argument.starts_with(u"VAR ")) argument = TrimView(argument.substr(4));
        if (!CheckExpression(ArgumentValue(argument), context)) return;
      }
    }
  }
}

bool IsObjectBuiltin(std::u16string_view base) {
  std::size_t open = base.find_first_of(u"([");
  if (open == std::u16string_view::npos) return false;
  std::u16string name = UpperAscii(TrimView(base.substr(0, open)));
  if (name.starts_with(u"GLOBAL.")) name.erase(0, 7);
  return name == u"CREATEOLEOBJ" || name == u"GETACTIVEOLEOBJ" || name == u"IEGETFRAME";
}

// The object path of a member access: its base name and the arguments of its
// members. A path beginning with "." stands on the WITH subject, which its
// WITH row has checked. lastIsCall: the last member's arguments are a method
// call's, where VAR may stand.
void CheckPath(std::u16string_view text, THensuFmt& context, const char16_t* doubleDot,
               bool lastIsCall) {
  text = TrimView(text);
  if (HasDoubleDot(text)) {
    Fail(doubleDot, context);
    return;
  }
  std::vector<std::u16string_view> members = Members(text);
  std::u16string_view base = TrimView(members[0]);
  if (base.empty()) {
    if (context.withTarget.IsEmpty()) {
      Fail(u"SyntaxError-105", context);
      return;
    }
  } else if (IsObjectBuiltin(base)) {
    // With a member after it the call's parentheses are written as brackets.
    std::u16string call(base);
    const std::size_t open = call.find_first_of(u"([");
    if (call[open] == u'[' && call.back() == u']') {
      call[open] = u'(';
      call.back() = u')';
    }
    if (!CheckExpression(call, context)) return;
  } else {
    CheckName(base, context);
  }
  for (std::size_t i = 1; i < members.size() && !Stopped(context); ++i) {
    CheckMemberArguments(members[i], context, lastIsCall && i + 1 == members.size());
  }
}

}  // namespace

namespace check {

std::vector<std::u16string_view> TopLevelPieces(std::u16string_view text) {
  std::vector<std::u16string_view> pieces;
  if (TrimView(text).empty()) return pieces;
  std::size_t start = 0;
  ForEachTopLevel(text, u',', [&](std::size_t i) {
    pieces.push_back(TrimView(text.substr(start, i - start)));
    start = i + 1;
    return true;
  });
  pieces.push_back(TrimView(text.substr(start)));
  return pieces;
}

std::u16string_view ParameterList(std::u16string_view header, bool* closed) {
  *closed = true;
  header = TrimView(header);
  const std::size_t open = header.find(u'(');
  if (open == std::u16string_view::npos) return {};
  if (header.back() != u')') {
    *closed = false;
    return {};
  }
  return header.substr(open + 1, header.size() - open - 2);
}

void CheckMemberCall(std::u16string_view text, THensuFmt& context) {
  text = TrimView(text);
  int open = PosOutside(u"(", text, false, false);
  if (open > 0 && text.back() != u')') {
    Fail(Msg(u"An OLE function isn't properly close", u"OLE関数が正しく閉じていません"), context);
    return;
  }
  std::u16string_view path = open > 0 ? text.substr(0, static_cast<std::size_t>(open - 1)) : text;
  if (path.find(u"..") != std::u16string_view::npos) {
    Fail(u"SyntaxError-108", context);
    return;
  }
  CheckPath(text, context, u"SyntaxError-108", true);
}

void CheckPropertyTarget(std::u16string_view text, THensuFmt& context) {
  CheckPath(text, context, u"SyntaxError-107", false);
}

void CheckMemberRead(std::u16string_view text, THensuFmt& context) {
  if (!Stopped(context)) CheckPath(text, context, u"SyntaxError-107", false);
}

}  // namespace check

void CheckCall(std::u16string_view callText, THensuFmt& context, CallMode mode) {
  if (Stopped(context)) return;
  try {
    CallCheck(callText, context, mode);
  } catch (const std::exception& e) {
    Fail(u"ChkKB_Call:" + Utf8ToText(e.what()), context);
  }
}

namespace {

// The parameters and where their defaults begin, without checking anything.
HeaderShape ShapeOfParameters(const std::vector<std::u16string_view>& parameters) {
  HeaderShape shape;
  for (std::u16string_view parameter : parameters) {
    if (shape.firstDefault < 0 && PosOutside(u"=", parameter, true, false) > 0) {
      shape.firstDefault = shape.count;
    }
    ++shape.count;
  }
  return shape;
}

// The header's own faults, shown on the header; a default may use the
// parameters before it, which this context declares as it goes.
void CheckParameterList(Interpreter& interp, int header, std::u16string_view calleeModule) {
  THensuFmt callee(interp, false);
  callee.baseIndex = header;
  callee.stmtTexts = std::span<const std::u16string>(interp.table.StmtTexts)
                         .subspan(static_cast<std::size_t>(header), 1);
  callee.moduleName.assign(calleeModule);
  bool defaults = false;
  for (std::u16string_view parameter : Parameters(interp, header)) {
    const bool isVar = parameter.starts_with(u"VAR ");
    if (isVar) parameter = TrimView(parameter.substr(4));
    int eq = PosOutside(u"=", parameter, true, false);
    if (eq > 0) {
      if (isVar) {
        Fail(u"SyntaxError-120", callee);
        return;
      }
      if (!CheckExpression(parameter.substr(static_cast<std::size_t>(eq)), callee)) return;
      defaults = true;
      parameter = TrimView(parameter.substr(0, static_cast<std::size_t>(eq - 1)));
    } else if (defaults) {
      Fail(u"SyntaxError-121", callee);
      return;
    }
    std::u16string base;
    int indexes = 0;
    if (!CheckNewName(parameter, callee, &base, &indexes)) return;
    Declare(callee, base, indexes, false);
  }
}

}  // namespace

void CheckUserCall(std::u16string_view name, int argumentCount, int header, CallMode mode,
                   THensuFmt& context, std::u16string_view calleeModule) {
  // The arguments of a CALL become PARAM_STR of the included file.
  if (mode == CallMode::kIncludeCall || Stopped(context)) return;
  Interpreter& interp = *context.interp;
  if (header < 0 || header >= interp.table.RowCount()) return;
  try {
    // The parameter list is checked at the first call that reaches it: a
    // default that calls its own function, also through others, then finds
    // it known instead of checking it again without end.
    auto [known, first] = State().headers.try_emplace(header);
    if (first) known->second = ShapeOfParameters(Parameters(interp, header));
    const HeaderShape shape = known->second;
    if (first) {
      CheckParameterList(interp, header, calleeModule);
      if (Stopped(context)) return;
    }
    const bool fits = argumentCount == shape.count ||
                      (shape.firstDefault >= 0 && shape.firstDefault <= argumentCount &&
                       argumentCount <= shape.count);
    if (fits) return;
    std::u16string n(name);
    Fail(header == 0 ? u"Don't call " + n : ArgumentCountMessage(name), context);
  } catch (const std::exception& e) {
    Fail(u"ChkKB_Main:" + Utf8ToText(e.what()), context);
  }
}

}  // namespace zelk
