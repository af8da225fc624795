// The walk of the pre-run check: every definition in registration order, its
// markers, FEND and parameter list first, then its rows one by one in source
// order (never following loops or branches), each checked by its kind.
#include "runtime/check/prerun_check.h"

#include <cmath>
#include <exception>
#include <span>
#include <string>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "runtime/check/prerun_check_internal.h"
#include "runtime/control/blocks_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/driver/run_driver.h"
#include "runtime/expr/evaluate.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace check;

namespace {

// The value the check gives a condition or FOR bound must be a number.
bool IsNumeric(const Value& value) {
  double d;
  return value.ToNumber(&d) && !std::isnan(d);
}

bool CheckNumeric(std::u16string_view text, THensuFmt& context, const char16_t* message) {
  Value value;
  if (!CheckExpression(text, context, &value)) return false;
  return IsNumeric(value) || Fail(message, context);
}

// A condition of IFB, ELSEIF, WHILE or UNTIL.
void CheckCondition(std::u16string_view text, THensuFmt& context) {
  CheckNumeric(text, context, u"SyntaxError-90");
}

// The block matcher leaves the partner offsets after the head's own text;
// they are no part of what is checked.
std::u16string_view WithoutOffsets(std::u16string_view text, int offsets) {
  for (int i = 0; i < offsets; ++i) {
    std::int32_t offset;
    if (!blocks::CutLastOffset(&text, &offset)) break;
  }
  return text;
}

// The first field of a head: the text before the first separator outside literals.
std::u16string_view FirstField(std::u16string_view text) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'"') quoted = !quoted;
    if (text[i] == u'`' && !quoted) return text.substr(0, i);
  }
  return text;
}

void CheckForTo(std::u16string_view text, THensuFmt& context) {
  std::u16string_view fields[4];
  if (!blocks::SplitFields(WithoutOffsets(text, 1), 4, fields)) return;
  if (!CheckNumeric(fields[1], context, u"SyntaxError-95")) return;
  CheckTarget(TrimView(fields[0]), context, false);
  if (Stopped(context) || !CheckNumeric(fields[2], context, u"SyntaxError-96")) return;
  CheckNumeric(fields[3], context, u"SyntaxError-97");
}

void CheckForIn(std::u16string_view text, THensuFmt& context) {
  text = WithoutOffsets(text, 1);
  std::size_t cut = text.find(u'`');
  if (cut == std::u16string_view::npos) return;
  CheckTarget(TrimView(text.substr(0, cut)), context, false);
  if (!Stopped(context)) CheckExpression(text.substr(cut + 1), context);
}

void CheckCase(std::u16string_view text, THensuFmt& context) {
  for (std::u16string_view value : TopLevelPieces(text)) {
    if (!CheckExpression(value, context)) return;
  }
}

// BREAK n / CONTINUE n.
void CheckLoopJump(std::u16string_view text, THensuFmt& context, bool isBreak) {
  if (context.checkLoopDepth <= 0) {
    Fail(isBreak
             ? Msg(u"There is BREAK sentence outside the loop", u"ループ外に BREAK 文がある")
             : Msg(u"There is CONTINUE sentence outside the loop", u"ループ外に CONTINUE 文がある"),
         context);
    return;
  }
  std::u16string_view count = TrimView(text);
  if (count.empty() || IsCountUpTo(count, context.checkLoopDepth)) return;
  Fail(isBreak ? Msg(u"Number of BREAK is wrong", u"BREAK 数 が間違っています")
               : Msg(u"Number of CONTINUE is wrong", u"CONTINUE 数 が間違っています"),
       context);
}

void CheckWith(std::u16string_view text, THensuFmt& context) {
  std::u16string_view subject = TrimView(text);
  if (subject == u"GLOBAL") {
    Fail(u"SyntaxError-101", context);
    return;
  }
  if (subject == u"THIS") {
    subject = context.moduleName;
    if (subject.empty()) {
      Fail(u"SyntaxError-102", context);
      return;
    }
  }
  Value target;
  if (!subject.empty() && context.interp->definitions.moduleNames.IndexOf(subject) >= 0) {
    target = Value::String(std::u16string(subject));
  } else if (!CheckExpression(subject, context, &target)) {
    return;
  }
  context.withStack.push_back(target);
  context.withTarget = std::move(target);
}

void CheckEndWith(THensuFmt& context) {
  if (context.withStack.empty()) {
    Fail(Msg(u"It doesn't pair with \"WITH\"", u"WITH文と対になっていない"), context);
    return;
  }
  context.withStack.pop_back();
  context.withTarget = context.withStack.empty() ? Value() : context.withStack.back();
}

// DIM: declarations cut at "," or "=" outside literals, brackets and
// parentheses. An array with "=" takes the rest of the row as its initializers.
void CheckDim(std::u16string_view text, THensuFmt& context) {
  std::u16string rest(text);
  while (!rest.empty() && !Stopped(context)) {
    char16_t found = 0;
    std::u16string declaration = Trim(CutTokenAt(rest, u",=", kCutTopLevel, &found));
    if (found == u'=') {
      if (TrimView(rest).empty()) {
        Fail(u"SyntaxError-71", context);
        return;
      }
      declaration = ReplaceAll(ReplaceAll(declaration, u"[ ", u"["), u"[]", u"[0]");
      CheckNew(declaration, context, false);
      if (Stopped(context)) return;
      if (declaration.find(u'[') != std::u16string::npos) {
        for (std::u16string_view value : TopLevelPieces(rest)) {
          if (!CheckExpression(value, context)) return;
        }
        return;
      }
      std::u16string value = CutToken(rest, u",", kCutTopLevel);
      if (!CheckExpression(value, context)) return;
      continue;
    }
    if (declaration.empty()) continue;
    std::u16string packed;
    for (char16_t c : declaration) {
      if (c != u' ') packed += c;
    }
    if (packed.find(u"[]") != std::u16string::npos) {
      Fail(u"SyntaxError-70", context);
      return;
    }
    CheckNew(declaration, context, false);
  }
}

void CheckHashTable(std::u16string_view text, THensuFmt& context) {
  if (text.find_first_of(u"[]") != std::u16string_view::npos) {
    Fail(u"SyntaxError-73", context);
    return;
  }
  for (std::u16string_view declaration : TopLevelPieces(text)) {
    int eq = PosOutside(u"=", declaration, true, true);
    std::u16string_view name =
        eq > 0 ? TrimView(declaration.substr(0, static_cast<std::size_t>(eq - 1))) : declaration;
    if (name.empty()) continue;
    CheckNew(name, context, true);
    if (Stopped(context)) return;
  }
}

// Assignments, calls and COM member statements (rows of kind 0).
void CheckPlainStatement(std::u16string_view text, THensuFmt& context) {
  text = TrimView(text);
  if (text.empty()) return;  // a declaration taken in before the run
  int p = PosOutside(u"=", text, true, false);
  if (p == 0) {
    if (IsComMember(context, text)) {
      if (text.starts_with(u'.') && context.withTarget.IsEmpty()) {
        Fail(u"SyntaxError-105", context);
      } else {
        CheckMemberCall(text, context);
      }
      return;
    }
    CheckCall(text, context, CallMode::kCall);
    return;
  }
  const std::size_t at = static_cast<std::size_t>(p - 1);
  if (at == 0 || text[at - 1] == u':') {
    Fail(u"SyntaxError-103", context);
    return;
  }
  std::u16string_view left = TrimView(text.substr(0, at));
  std::u16string_view right = TrimView(text.substr(at + 1));
  if (right.empty()) {
    Fail(u"SyntaxError-104", context);
    return;
  }
  bool clearsHashTable = false;
  if (right.starts_with(u"THREAD ")) {
    CheckCall(right.substr(7), context, CallMode::kThread);
  } else {
    Value value;
    if (!CheckExpression(right, context, &value)) return;
    clearsHashTable = right == u"HASH_REMOVEALL" || (value.IsDouble() && value.AsDouble() == -109);
  }
  if (Stopped(context)) return;
  if (IsComMember(context, left)) {
    if (left.starts_with(u'.') && context.withTarget.IsEmpty()) {
      Fail(u"SyntaxError-105", context);
    } else {
      CheckPropertyTarget(left, context);
    }
    return;
  }
  CheckTarget(left, context, clearsHashTable);
}

void CheckRow(std::int32_t kind, std::u16string_view text, THensuFmt& context) {
  switch (kind) {
    case kKindForTo:
      CheckForTo(text, context);
      break;
    case kKindForIn:
      CheckForIn(text, context);
      break;
    case kKindIfb:
      CheckCondition(WithoutOffsets(text, 3), context);
      break;
    case kKindWhile:
      CheckCondition(WithoutOffsets(text, 1), context);
      break;
    case kKindUntil:
      CheckCondition(text, context);
      break;
    case kKindSelect:
      CheckExpression(FirstField(text), context);
      break;
    case kKindCase:
      CheckCase(text, context);
      break;
    case kKindEndif:
    case kKindElse:
    case kKindNext:
    case kKindWend:
    case kKindRepeat:
    case kKindSelend:
    case kKindDefault:
    case kKindTry:
    case kKindFinally:
    case kKindExcept:
    case kKindEndtry:
    case kKindNop:
    case kKindDefDll:
    case kKindComErrIgn:
    case kKindComErrRet:
      break;
    case kKindPrint:
    case kKindExitExit:
      CheckExpression(text, context);
      break;
    case kKindThread:
      CheckCall(text, context, CallMode::kThread);
      break;
    case kKindDim:
      CheckDim(text, context);
      break;
    case kKindHashtbl:
      CheckHashTable(text, context);
      break;
    case kKindBreak:
    case kKindContinue:
      CheckLoopJump(text, context, kind == kKindBreak);
      break;
    case kKindExit:
      if (!TrimView(text).empty()) Fail(u"SyntaxError-100", context);
      break;
    case kKindCallFile:
      CheckCall(text, context, CallMode::kIncludeCall);
      break;
    case kKindWith:
      CheckWith(text, context);
      break;
    case kKindEndWith:
      CheckEndWith(context);
      break;
    default:
      CheckPlainStatement(text, context);
      break;
  }
}

// The rows after the header, in order.
void CheckBody(THensuFmt& context) {
  const std::vector<std::int32_t>& kinds = context.interp->table.StmtKinds;
  const auto rows = static_cast<std::int32_t>(context.stmtTexts.size());
  for (std::int32_t r = 1; r < rows && !Stopped(context); ++r) {
    context.curOffset = r;
    const auto row = static_cast<std::size_t>(context.baseIndex + r);
    const std::int32_t kind = row < kinds.size() ? kinds[row] : kKindStatement;
    switch (kind) {
      case kKindForTo:
      case kKindForIn:
      case kKindWhile:
      case kKindRepeat:
        ++context.checkLoopDepth;
        break;
      case kKindNext:
      case kKindWend:
      case kKindUntil:
        --context.checkLoopDepth;
        break;
      default:
        break;
    }
    CheckRow(kind, context.stmtTexts[static_cast<std::size_t>(r)], context);
  }
}

// The parameters of the header row are the first names of the definition.
bool DeclareParameters(THensuFmt& context) {
  bool closed = true;
  std::u16string_view list = ParameterList(context.stmtTexts[0], &closed);
  if (!closed) return Fail(u"SyntaxError-125", context);
  std::vector<std::u16string_view> pieces = TopLevelPieces(list);
  if (pieces.size() > 1) {
    for (std::u16string_view piece : pieces) {
      if (piece.empty()) return Fail(u"SyntaxError-126", context);
    }
  }
  for (std::u16string_view piece : pieces) {
    if (piece.starts_with(u"VAR ")) piece = TrimView(piece.substr(4));
    int eq = PosOutside(u"=", piece, true, false);
    if (eq > 0) piece = TrimView(piece.substr(0, static_cast<std::size_t>(eq - 1)));
    std::size_t bracket = piece.find(u'[');
    int dimensions = 0;
    if (bracket != std::u16string_view::npos) {
      // "[]" counts as one dimension, as "[1]" would.
      for (char16_t c : piece.substr(bracket)) {
        if (c == u'[') ++dimensions;
      }
    }
    std::u16string_view base = TrimView(piece.substr(0, bracket));
    if (!base.empty()) Declare(context, base, dimensions, false);
  }
  return true;
}

std::u16string MissingFendMessage(std::u16string_view name) {
  std::u16string n(name);
  return vars::Pick(u"FEND There is no sentence: " + n, u"関数: " + n + u" の FEND 文がありません");
}

// The module a definition belongs to: M for "M.F" and for the module's
// pseudo-definition "CLASS M".
std::u16string ModuleOf(const Interpreter& interp, std::u16string_view name) {
  if (name.starts_with(u"CLASS ")) return std::u16string(name.substr(6));
  std::size_t dot = name.find(u'.');
  if (dot == std::u16string_view::npos) return {};
  std::u16string_view module = name.substr(0, dot);
  if (interp.definitions.moduleNames.IndexOf(module) < 0) return {};
  return std::u16string(module);
}

// One definition; a report ends the whole check.
void CheckDefinition(Interpreter& interp, const std::u16string& name, int header) {
  const std::vector<std::u16string>& texts = interp.table.StmtTexts;
  const std::vector<std::int32_t>& kinds = interp.table.StmtKinds;
  const auto rows = texts.size();
  if (header < 0 || static_cast<std::size_t>(header) >= rows) return;
  const auto first = static_cast<std::size_t>(header);

  THensuFmt context(interp, false);
  context.baseIndex = header;
  context.moduleName = ModuleOf(interp, name);
  WalkState& state = State();
  state.context = &context;
  state.definitionName = name;
  state.hashFlags.clear();

  std::size_t end = first;
  for (; end < rows; ++end) {
    if (end > first && end < kinds.size() && kinds[end] == kKindFend) break;
    if (!IsErrorRow(texts[end])) continue;
    context.stmtTexts = std::span<const std::u16string>(texts).subspan(first, end - first + 1);
    context.curOffset = static_cast<std::int32_t>(end - first);
    std::u16string_view message = std::u16string_view(texts[end]).substr(kErrorMarker.size());
    Fail(message.empty() ? std::u16string_view(u"SyntaxError") : message, context);
    return;
  }
  context.stmtTexts = std::span<const std::u16string>(texts).subspan(first, end - first);
  if (end == rows) {
    Fail(MissingFendMessage(name), context);
    return;
  }

  Declare(context, u"PARAM_STR", 1, false);
  Declare(context, u"RESULT", 0, false);
  if (!DeclareParameters(context)) return;
  try {
    CheckBody(context);
  } catch (const std::exception& e) {
    Fail(u"ChkKB_Koubun:" + Utf8ToText(e.what()), context);
  }
}

}  // namespace

namespace check {

WalkState& State() {
  static WalkState state;
  return state;
}

void Declare(THensuFmt& context, std::u16string_view base, int dimensions, bool hashTable) {
  VariableTable& vars = context.vars;
  int index = vars.names.IndexOf(base);
  if (index < 0) {
    index = vars.names.Add(base);
    vars.values.emplace_back(1);
    vars.bounds.emplace_back(static_cast<std::size_t>(dimensions), 0);
  }
  WalkState& state = State();
  if (&context != state.context) return;
  auto at = static_cast<std::size_t>(index);
  if (state.hashFlags.size() <= at) state.hashFlags.resize(at + 1, 0);
  state.hashFlags[at] = hashTable ? 1 : 0;
}

bool IsCheckHashTable(const THensuFmt& context, int index) {
  const WalkState& state = State();
  return &context == state.context && index >= 0 &&
         static_cast<std::size_t>(index) < state.hashFlags.size() &&
         state.hashFlags[static_cast<std::size_t>(index)] != 0;
}

bool Fail(std::u16string_view message, THensuFmt& context) {
  ReportError(message, context, false, false);
  return false;
}

bool Stopped(const THensuFmt& context) {
  return context.interp->run.errorFlag != 0 || context.interp->run.abortLevel > 0;
}

bool CheckExpression(std::u16string_view text, THensuFmt& context, Value* value) {
  Value scratch;
  Value* out = value ? value : &scratch;
  if (Stopped(context)) return false;
  return Evaluate(text, context, out) && !Stopped(context);
}

bool IsCountUpTo(std::u16string_view text, int limit) {
  if (text.empty() || text.size() > 9 || text[0] == u'0') return false;
  int n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    n = n * 10 + (c - u'0');
  }
  return n >= 1 && n <= limit;
}

}  // namespace check

bool CheckDefinitions(Interpreter& interp) {
  CheckPhaseTests tests;
  tests.name = [](std::u16string_view name, THensuFmt& context) {
    return CheckName(name, context);
  };
  tests.call = [](std::u16string_view text, THensuFmt& context) {
    CheckCall(text, context, CallMode::kCall);
  };
  tests.comMember = [](std::u16string_view text, THensuFmt& context) {
    CheckMemberRead(text, context);
  };
  interp.run.checkPhaseTests = tests;

  State().headers.clear();
  interp.run.checkPhase = true;
  const FunctionTable& functions = interp.definitions.functions;
  for (int i = 0; i < functions.Count(); ++i) {
    if (interp.run.errorFlag != 0 || interp.run.abortLevel > 0) break;
    CheckDefinition(interp, functions.NameAt(i), functions.HeaderAt(i));
  }
  WalkState& state = State();
  state.context = nullptr;
  state.hashFlags.clear();
  state.headers.clear();
  interp.run.checkPhase = false;
  // A marker on a row no definition holds would otherwise wait for the run.
  if (interp.run.errorFlag == 0 && interp.run.abortLevel == 0) ReportFirstMarker(interp);
  return interp.run.errorFlag != 0 || interp.run.abortLevel > 0;
}

}  // namespace zelk
