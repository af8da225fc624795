// User-defined calls: which function a call text names, its arguments
// evaluated in the caller, the parameters bound in a context of its own, the
// body run, and VAR parameters, RESULT and errors for a caller's TRY handed
// back.
#include "runtime/calls/calls.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "frontend/statement_table.h"
#include "platform/stack.h"
#include "runtime/calls/call_arguments.h"
#include "runtime/calls/call_target.h"
#include "runtime/control/body_runner.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/expr/evaluate.h"
#include "runtime/expr/token_cache.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace vars;

namespace {

// Parameter flags, kept as the kind of the parameter's cached token.
constexpr std::int32_t kVarParameter = 1;
constexpr std::int32_t kArrayParameter = 2;
constexpr std::int32_t kDefaultValue = 4;
// The name is RESULT or an earlier parameter's: it may exist when it is bound.
constexpr std::int32_t kNameTaken = 8;

// --- The analysed header ---------------------------------------------------
//
// A header's body length and parameter declarations are worked out on its
// first call and kept in the thread record's token slot of the header row,
// which no expression uses (rows are evaluated from curOffset 1 on): entry 0
// holds the body length as its kind, the traits of the parameters as its
// start and, when every parameter is plain, the layout's version as its
// value; each further entry is one parameter, its name (VAR dropped) as text,
// its flags as kind and its default text as value.

struct HeaderInfo {
  std::int32_t bodyLength = 1;
  // Every parameter a scalar of a name of its own: a call that supplies them
  // all binds RESULT and the parameters at places fixed by the header.
  bool plain = false;
  bool hasVar = false;  // a VAR parameter: values go back to the caller
  // The version the names of every context so bound share (0 if not plain).
  std::uint64_t layoutVersion = 0;
  std::span<const CachedToken> parameters;
  const TokenList* list = nullptr;  // holds the parameters' names
  std::u16string_view Name(const CachedToken& parameter) const { return list->TextOf(parameter); }
  // The names a context laid out for the routine holds: RESULT for a
  // function, then the parameters.
  int LayoutNames(bool isFunction) const {
    return static_cast<int>(parameters.size()) + (isFunction ? 1 : 0);
  }
  // A call through a call site that can bind by place: every parameter
  // plain, none VAR, each one supplied.
  bool FitsPlainCall(CallMode mode, std::size_t argCount) const {
    return plain && !hasVar && mode == CallMode::kCall && argCount == parameters.size();
  }
};

std::int32_t FindBodyLength(const StatementTable& table, int header) {
  const std::size_t rows = table.StmtTexts.size();
  std::size_t end = static_cast<std::size_t>(header) + 1;
  while (end < rows && !(end < table.StmtKinds.size() && table.StmtKinds[end] == kKindFend)) ++end;
  return static_cast<std::int32_t>(end - static_cast<std::size_t>(header));
}

// The parameter's name without its brackets.
std::u16string_view BaseName(std::u16string_view name) {
  return TrimView(name.substr(0, name.find(u'[')));
}

// The declarations between the header's parentheses: cut at top-level
// commas, up to the first empty one.
void AnalyseParameters(TokenList* list) {
  std::u16string_view headerText = list->expression;
  std::size_t open = headerText.find(u'(');
  if (open == std::u16string_view::npos) return;
  std::u16string_view rest = headerText.substr(open + 1);
  // The list ends at the ')' that closes it.
  int depth = 0;
  bool quoted = false;
  std::size_t close = rest.size();
  for (std::size_t i = 0; i < rest.size(); ++i) {
    char16_t c = rest[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == u'(' || c == u'[') {
      ++depth;
    } else if (c == u']') {
      --depth;
    } else if (c == u')') {
      if (depth-- <= 0) {
        close = i;
        break;
      }
    }
  }
  std::vector<std::u16string_view> pieces;
  CutArguments(rest.substr(0, close), &pieces);
  for (std::u16string_view piece : pieces) {
    if (piece.empty()) break;
    CachedToken parameter;
    if (piece.starts_with(u"VAR ")) {
      parameter.kind |= kVarParameter;
      piece = TrimView(piece.substr(4));
    }
    int eq = PosOutside(u"=", piece, true, false);
    if (eq > 0) {
      parameter.kind |= kDefaultValue;
      parameter.value = Value::String(std::u16string(TrimView(piece.substr(eq))));
      piece = TrimView(piece.substr(0, static_cast<std::size_t>(eq - 1)));
    }
    if (piece.find(u'[') != std::u16string_view::npos) parameter.kind |= kArrayParameter;
    list->SetText(parameter, piece);
    std::u16string_view base = BaseName(piece);
    bool taken = base == u"RESULT";
    for (std::size_t i = 1; i < list->tokens.size() && !taken; ++i) {
      taken = BaseName(list->TextOf(list->tokens[i])) == base;
    }
    if (taken) parameter.kind |= kNameTaken;
    list->tokens.push_back(std::move(parameter));
  }
}

// Entry 0's start: what holds for the parameters as a whole.
constexpr std::uint32_t kAllPlain = 1;
constexpr std::uint32_t kAnyVar = 2;
std::uint32_t ParameterTraits(const TokenList& list) {
  std::uint32_t traits = kAllPlain;
  for (std::size_t i = 1; i < list.tokens.size(); ++i) {
    const std::int32_t kind = list.tokens[i].kind;
    if ((kind & (kArrayParameter | kNameTaken)) != 0) traits &= ~kAllPlain;
    if ((kind & kVarParameter) != 0) traits |= kAnyVar;
  }
  return traits;
}

HeaderInfo InfoOf(const TokenList& list) {
  const std::vector<CachedToken>& tokens = list.tokens;
  const bool plain = (tokens[0].start & kAllPlain) != 0;
  return HeaderInfo{tokens[0].kind,
                    plain,
                    (tokens[0].start & kAnyVar) != 0,
                    plain ? static_cast<std::uint64_t>(tokens[0].value.AsInt()) : 0,
                    std::span<const CachedToken>(tokens).subspan(1),
                    &list};
}

// The header's analysis from this thread's record, made on its first call.
// *scratch holds it when the record has no slot for the row.
HeaderInfo AnalysedHeader(THensuFmt& context, int header, std::unique_ptr<TokenList>* scratch) {
  Interpreter& interp = *context.interp;
  ThreadRecord& record = interp.RecordOf(context);
  const std::size_t row = static_cast<std::size_t>(header);
  std::unique_ptr<TokenList>* slot = row < record.tokens.size() ? &record.tokens[row] : scratch;
  if (!*slot || !(*slot)->complete || (*slot)->tokens.empty()) {
    auto list = std::make_unique<TokenList>();
    CachedToken meta;
    meta.kind = FindBodyLength(interp.table, header);
    list->tokens.push_back(std::move(meta));
    list->SetExpression(interp.table.StmtTexts[row], false);
    AnalyseParameters(list.get());
    list->tokens[0].start = ParameterTraits(*list);
    if ((list->tokens[0].start & kAllPlain) != 0) {
      list->tokens[0].value = Value::Int(static_cast<std::int64_t>(TUHashedStrList::NewVersion()));
    }
    list->complete = true;
    *slot = std::move(list);
    if (row < record.kinds.size()) record.kinds[row] = kKindAnalysedHeader;
  }
  return InfoOf(**slot);
}

// The header's analysis a call site kept, else as AnalysedHeader makes it.
// A list in the record's slot stays for the run once complete.
HeaderInfo SiteHeader(THensuFmt& context, int header, CallSiteCache* cache,
                      std::unique_ptr<TokenList>* scratch) {
  if (cache != nullptr && cache->headerRow == header && cache->header != nullptr) {
    return InfoOf(*cache->header);
  }
  HeaderInfo info = AnalysedHeader(context, header, scratch);
  if (cache != nullptr && !*scratch) {
    cache->headerRow = header;
    cache->header = info.list;
  }
  return info;
}

bool IsSplitOrSlice(std::u16string_view text) {
  return text.starts_with(u"SPLIT(") || text.starts_with(u"SLICE(");
}

// An argument text a VAR parameter's value can be written back to: a name,
// optionally with indices, not a literal, number or other expression.
bool IsAssignable(std::u16string_view text) {
  if (text.empty()) return false;
  char16_t first = text.front();
  if (first == u'"' || first == u'(' || (first >= u'0' && first <= u'9') || first == u'-' ||
      first == u'+' || first == u'!') {
    return false;
  }
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == u'[') {
      ++depth;
    } else if (c == u']') {
      --depth;
    } else if (depth <= 0) {
      // Outside indices only a name's characters may stand.
      if (c == u' ' || c == u'\t' || c == u'(' || c == u')' || c == u'+' || c == u'-' ||
          c == u'*' || c == u'/' || c == u'=' || c == u'<' || c == u'>' || c == u'!' || c == u'&' ||
          c == u'|' || c == u',') {
        return false;
      }
    }
  }
  return depth == 0 && (text.back() == u']' || text.find(u'[') == std::u16string_view::npos);
}

// A constant or text block: names a VAR parameter cannot write back to.
bool IsConstantName(THensuFmt& context, std::u16string_view text) {
  if (text.empty() || text.find(u'[') != std::u16string_view::npos) return false;
  const Interpreter& interp = *context.interp;
  if (interp.declared.constNames.Count() == 0 && interp.declared.textBlockNames.Count() == 0)
    return false;
  if (FindGlobal(context, text, GlobalTable::kConstants) < 0 &&
      FindGlobal(context, text, GlobalTable::kTextBlocks) < 0) {
    return false;
  }
  // A variable of the name comes first in the lookup order.
  if (context.vars.names.IndexOf(text) >= 0) return false;
  std::lock_guard<std::recursive_mutex> guard(context.interp->variableLock);
  return FindGlobal(context, text, GlobalTable::kVariables) < 0;
}

// Creates NAME as a scalar of the context holding value; false after a report.
// fresh: the callee's table cannot hold the name yet, so it is added directly.
bool CreateScalar(THensuFmt& context, std::u16string_view name, Value value, bool fresh = false) {
  VariableTable& table = context.vars;
  if (fresh) {
    table.values.push_back(context.interp->RecordOf(context).frames.TakeElements());
    table.values.back().push_back(std::move(value));
    table.bounds.emplace_back();
    table.names.Add(name);
    return true;
  }
  int index = CreateWithBounds(*context.interp, table, name, {});
  if (index < 0) {
    ReportError(OutOfMemoryText(), context);
    return false;
  }
  std::vector<Value>& elements = table.values[static_cast<std::size_t>(index)];
  elements.assign(1, std::move(value));
  return true;
}

// The missing argument's report names the function by its header row.
std::u16string MissingArgumentMessage(const Interpreter& interp, int header) {
  return u"SyntaxError:" + Trim(interp.table.StmtTexts[static_cast<std::size_t>(header)]);
}

// The name a header defines, for messages.
std::u16string_view HeaderName(const Interpreter& interp, int header) {
  std::u16string_view text = interp.table.StmtTexts[static_cast<std::size_t>(header)];
  std::size_t blank = text.find(u' ');
  if (blank != std::u16string_view::npos) text = text.substr(blank + 1);
  return TrimView(text.substr(0, text.find(u'(')));
}

// The arguments moved into the callee's scalars from place on, in order;
// false, with nothing bound, when the run stops. Nothing runs between the
// bindings: no default is evaluated here.
bool BindByPlace(THensuFmt& callee, const HeaderInfo& info, std::span<Value> argValues,
                 std::size_t place) {
  const RunWords& run = callee.interp->run;
  if (run.errorFlag || run.abortLevel > 0) return false;
  for (std::size_t r = 0; r < info.parameters.size(); ++r) {
    callee.vars.values[place + r][0] = std::move(argValues[r]);
  }
  return true;
}

// Binds the parameters of a call in the callee; false when the call ends.
// place >= 0: the callee keeps its routine's layout, parameter r is the
// scalar at place + r.
bool BindParameters(THensuFmt& caller, THensuFmt& callee, int header, const HeaderInfo& info,
                    std::span<const std::u16string_view> argTexts, std::span<Value> argValues,
                    int place) {
  Interpreter& interp = *caller.interp;
  const std::size_t given = argTexts.size();
  if (place >= 0 && !info.hasVar) {
    return BindByPlace(callee, info, argValues, static_cast<std::size_t>(place));
  }
  for (std::size_t r = 0; r < info.parameters.size(); ++r) {
    if (interp.run.errorFlag || interp.run.abortLevel > 0) return false;
    const CachedToken& parameter = info.parameters[r];
    const bool isVar = (parameter.kind & kVarParameter) != 0;
    const bool isArray = (parameter.kind & kArrayParameter) != 0;
    const bool hasDefault = (parameter.kind & kDefaultValue) != 0;
    std::u16string_view text = r < given ? argTexts[r] : std::u16string_view();
    if (isVar && r < given && IsConstantName(caller, text)) {
      ReportError(Msg(u"Variable can not be assigned a value", u"変数には値を代入できません"),
                  caller);
      return false;
    }
    // An array parameter without an argument text takes its default as a value.
    const bool supplied = r < given && !(isArray && text.empty());
    if (!supplied && !hasDefault) {
      ReportError(MissingArgumentMessage(interp, header), caller);
      return false;
    }
    if (place >= 0) {
      callee.vars.values[static_cast<std::size_t>(place) + r][0] = std::move(argValues[r]);
      continue;
    }
    if (!isArray || !supplied) {
      Value value;
      if (r < given && supplied) {
        value = argValues[r];
      } else if (r >= given) {
        // Defaults are evaluated in the callee, so they may use earlier parameters.
        if (!Evaluate(parameter.value.AsString(), callee, &value)) return false;
      }
      if (!CreateScalar(callee, isArray ? BaseName(info.Name(parameter)) : info.Name(parameter),
                        std::move(value), (parameter.kind & kNameTaken) == 0)) {
        return false;
      }
      continue;
    }
    std::u16string_view base = BaseName(info.Name(parameter));
    if (text.find(u'[') == std::u16string_view::npos &&
        PassHashTable(text, caller, callee, info.Name(parameter))) {
      if (interp.run.errorFlag) return false;
      continue;
    }
    if (IsSplitOrSlice(text)) {
      Value value;
      if (!Evaluate(text, caller, &value)) return false;
      if (!CreateScalar(callee, base, std::move(value))) return false;
      continue;
    }
    if (!CopyArrayArgument(text, caller, callee, base, false)) return false;
  }
  return true;
}

// EvaluateSiteArgument for an argument not compiled yet.
[[gnu::noinline]] bool EvaluateNewSiteArgument(CallSiteCache& cache, std::size_t r,
                                               std::u16string_view text, THensuFmt& context,
                                               Value* value) {
  constexpr std::uint8_t kLookups = 4;  // the row compiles at its third run
  if (cache.argCompiled.size() <= r) {
    cache.argCompiled.resize(cache.argTexts.size() > r ? cache.argTexts.size() : r + 1);
    cache.argLookups.resize(cache.argCompiled.size());
  }
  if (expr::CompiledExpr* compiled = cache.argCompiled[r].get()) {
    return EvaluateCompiled(*compiled, text, context, value);
  }
  const bool ok = Evaluate(text, context, value);
  if (cache.argLookups[r] < kLookups) {
    ++cache.argLookups[r];
    cache.argCompiled[r] = CompiledOf(text, context);
  }
  return ok;
}

// Argument r of a call site: through its compiled form once the row has one.
inline bool EvaluateSiteArgument(CallSiteCache& cache, std::size_t r, std::u16string_view text,
                                 THensuFmt& context, Value* value) {
  if (r < cache.argCompiled.size()) {
    if (expr::CompiledExpr* compiled = cache.argCompiled[r].get()) {
      return EvaluateCompiled(*compiled, text, context, value);
    }
  }
  return EvaluateNewSiteArgument(cache, r, text, context, value);
}

// The callee's RESULT; atZero: RESULT was bound first.
[[gnu::noinline]] Value ResultByName(THensuFmt& callee) {
  return GetValue(callee, u"RESULT");
}
[[gnu::always_inline]] inline Value ResultOf(THensuFmt& callee, bool atZero) {
  const VariableTable& vars = callee.vars;
  if (atZero && !vars.values.empty() && vars.bounds[0].empty() && vars.values[0].size() == 1) {
    return vars.values[0][0];
  }
  return ResultByName(callee);
}

// The callee's final value of a plain parameter.
Value ParameterValue(THensuFmt& callee, std::u16string_view name) {
  int index = callee.vars.names.IndexOf(name);
  if (index >= 0) {
    const auto& elements = callee.vars.values[static_cast<std::size_t>(index)];
    if (callee.vars.bounds[static_cast<std::size_t>(index)].empty() && elements.size() == 1) {
      return elements[0];
    }
  }
  return GetValue(callee, name);  // reports what is wrong with it
}

// VAR parameters back to the caller's arguments, in order.
void CopyBack(THensuFmt& caller, THensuFmt& callee, const HeaderInfo& info,
              std::span<const std::u16string_view> argTexts) {
  Interpreter& interp = *caller.interp;
  const std::size_t n = std::min(info.parameters.size(), argTexts.size());
  for (std::size_t r = 0; r < n; ++r) {
    const CachedToken& parameter = info.parameters[r];
    if ((parameter.kind & kVarParameter) == 0) continue;
    std::u16string_view text = argTexts[r];
    if ((parameter.kind & kArrayParameter) == 0) {
      // Inert after a shown error, as SetValue is; an expression has no
      // variable to write to.
      if (interp.run.errorFlag || !IsAssignable(text)) continue;
      SetValue(caller, text, ParameterValue(callee, info.Name(parameter)));
      continue;
    }
    if (text.empty() || IsSplitOrSlice(text)) continue;
    std::u16string_view base = BaseName(info.Name(parameter));
    if (text.find(u'[') == std::u16string_view::npos && callee.hashNames.IndexOf(base) >= 0) {
      ReturnHashTable(text, caller, callee, info.Name(parameter));
      continue;
    }
    CopyArrayArgument(text, caller, callee, base, true);
  }
}

// A context taken from the thread's store, given back when the call ends.
struct Lease {
  FrameStore& store;
  std::unique_ptr<THensuFmt> frame;
  ~Lease() { store.Give(std::move(frame)); }
};

// The callee's context set up for the routine at header, called by caller.
void EnterCallee(THensuFmt& caller, THensuFmt& callee, const std::u16string& module, int header,
                 std::int32_t bodyLength) {
  Interpreter& interp = *caller.interp;
  // While script threads run, a shown error must stop them all: a call on
  // another thread does not take it back.
  if (interp.SoleThread()) interp.run.errorFlag = 0;
  callee.threadNumber = caller.threadNumber;
  callee.recordIndex = caller.recordIndex;
  callee.caller = &caller;
  callee.callDepth = caller.callDepth + 1;
  callee.tryDepth = caller.tryDepth;
  callee.baseIndex = header;
  // A context comes from the store with no module name.
  if (!module.empty() || !callee.moduleName.empty()) callee.moduleName = module;
  callee.stmtTexts =
      std::span<const std::u16string>(interp.table.StmtTexts)
          .subspan(static_cast<std::size_t>(header), static_cast<std::size_t>(bodyLength));
}

// The body left for a TRY of a calling context: it takes the error there.
void HandBackTryError(THensuFmt& caller, THensuFmt& callee, bool* reReported) {
  if (callee.tryErrFlag && caller.tryDepth > 0 && !caller.interp->run.errorFlag) {
    if (reReported) *reReported = true;
    // TRY_ERRLINE tells where the error happened, not where the call stands.
    ReportError(callee.tryErrMsg, caller, false, true, &callee.tryErrLine);
  }
}

// CallUserFunction; *reReported (may be null) tells that an error of the body
// was handed to a TRY of the caller. analysed: the header's analysis, when the
// caller made it already.
Value RunUserCall(const std::u16string& module, int headerIndex, THensuFmt& caller,
                  std::span<const std::u16string_view> argTexts, std::span<Value> argValues,
                  CallMode mode, int kind, bool* reReported, const HeaderInfo* analysed = nullptr) {
  const bool asThread = mode == CallMode::kThread;
  const bool asCall = mode == CallMode::kIncludeCall;
  Interpreter& interp = *caller.interp;
  if (headerIndex < 0 || static_cast<std::size_t>(headerIndex) >= interp.table.StmtTexts.size()) {
    return Value::FailedByte();
  }
  if (os::StackIsLow(os::StackUse::kCall)) {
    ReportError(TooDeepMessage(HeaderName(interp, headerIndex)), caller);
    return Value::FailedByte();
  }
  std::unique_ptr<TokenList> scratch;
  HeaderInfo ownInfo;
  if (analysed == nullptr) ownInfo = AnalysedHeader(caller, headerIndex, &scratch);
  const HeaderInfo& info = analysed ? *analysed : ownInfo;

  // The callee's context comes from those of the thread's earlier calls.
  // A plain call that supplies every parameter keeps RESULT and the
  // parameters at fixed places (a thread's context goes with the thread).
  const bool isFunction = kind == kFunctionKind;
  const bool fixedLayout = info.plain && !asThread && !asCall &&
                           argTexts.size() >= info.parameters.size() &&
                           argValues.size() >= info.parameters.size();
  const int layoutNames = info.LayoutNames(isFunction);
  FrameStore& store = interp.RecordOf(caller).frames;
  Lease lease{store,
              fixedLayout ? store.Take(interp, headerIndex, layoutNames) : store.Take(interp)};
  THensuFmt& callee = *lease.frame;
  const bool inLayout = fixedLayout && callee.layoutHeader == headerIndex;
  EnterCallee(caller, callee, module, headerIndex, info.bodyLength);

  if (!inLayout) {
    callee.vars.values.reserve(info.parameters.size() + 1);
    callee.vars.bounds.reserve(info.parameters.size() + 1);
    if (isFunction && !asThread && !CreateScalar(callee, u"RESULT", Value(), true)) {
      return Value::FailedByte();
    }
  }
  if (asCall) {
    // The included file's parameters: PARAM_STR[0..n-1].
    const std::int32_t last = static_cast<std::int32_t>(argValues.size()) - 1;
    int index = CreateWithBounds(interp, callee.vars, u"PARAM_STR", {last});
    if (index < 0) {
      ReportError(OutOfMemoryText(), caller);
      return Value::FailedByte();
    }
    std::vector<Value>& elements = callee.vars.values[static_cast<std::size_t>(index)];
    for (std::size_t i = 0; i < argValues.size() && i < elements.size(); ++i) {
      elements[i] = argValues[i];
    }
  }
  // A default that fails is reported in the callee: it ends the call, and a
  // TRY of the caller still gets the error below.
  const bool bound = asCall || BindParameters(caller, callee, headerIndex, info, argTexts,
                                              argValues, inLayout ? (isFunction ? 1 : 0) : -1);
  if (bound && fixedLayout && !inLayout && callee.vars.names.Count() == layoutNames) {
    callee.layoutHeader = headerIndex;
    callee.layoutNames = layoutNames;
    callee.layoutVersion = info.layoutVersion;
    callee.vars.names.AdoptVersion(info.layoutVersion);
  }

  if (bound && asThread) {
    bool failed = false;
    return StartScriptThread(std::move(lease.frame), caller, &failed);
  }

  Value result = Value::FailedByte();
  if (bound) {
    RunBody(callee);
    if (isFunction) result = ResultOf(callee, inLayout || callee.layoutHeader == headerIndex);
    if (!asCall && info.hasVar) CopyBack(caller, callee, info, argTexts);
  }
  HandBackTryError(caller, callee, reReported);
  return result;
}

// A call, from a compiled expression, that supplies every parameter of a
// routine whose parameters are all plain and none VAR: once the routine's
// context is kept, the arguments go straight to their places.
Value RunPlainCall(const UserRoutineTarget& target, const HeaderInfo& info,
                   std::span<const std::u16string_view> argTexts, THensuFmt& caller,
                   CallSiteCache& cache, bool* failed) {
  Interpreter& interp = *caller.interp;
  SmallList<Value> values;
  for (std::size_t r = 0; r < argTexts.size(); ++r) {
    if (interp.run.abortLevel > 0 || interp.run.errorFlag ||
        !EvaluateSiteArgument(cache, r, argTexts[r], caller, &values.emplace_back())) {
      if (failed) *failed = true;
      return Value::FailedByte();
    }
  }
  bool reReported = false;
  Value result = Value::FailedByte();
  const int header = target.header;
  const bool isFunction = target.kind == kFunctionKind;
  FrameStore& store = interp.RecordOf(caller).frames;
  Lease lease{store, store.Take(interp, header, info.LayoutNames(isFunction))};
  THensuFmt& callee = *lease.frame;
  if (callee.layoutHeader != header || os::StackIsLow(os::StackUse::kCall)) {
    // The first call lays the context out; a deep one is reported there.
    store.Give(std::move(lease.frame));
    result = RunUserCall(target.module, header, caller, argTexts, values.span(), CallMode::kCall,
                         target.kind, &reReported, &info);
  } else {
    EnterCallee(caller, callee, target.module, header, info.bodyLength);
    if (BindByPlace(callee, info, values.span(), isFunction ? 1 : 0)) {
      RunBody(callee);
      if (isFunction) result = ResultOf(callee, callee.layoutHeader == header);
    }
    HandBackTryError(caller, callee, &reReported);
  }
  // An error handed to the caller's TRY abandons the statement, as one shown does.
  if ((reReported || interp.run.errorFlag) && failed) *failed = true;
  return result;
}

}  // namespace

int FindFunction(std::u16string_view name, int mask, const THensuFmt& context,
                 std::u16string* module, CallMode mode, int* kind) {
  const Interpreter& interp = *context.interp;
  const FunctionTable& functions = interp.definitions.functions;
  if (kind) *kind = 0;
  if (interp.run.errorFlag) return -1;
  auto lookUp = [&](std::u16string_view key, int* found) {
    int entry = functions.Find(key);
    if (entry < 0) return false;
    int k = functions.KindAt(entry);
    if (kind) *kind = k;
    *found = (k & mask) != 0 ? functions.HeaderAt(entry) : -1;
    return true;
  };

  // Read before *module changes, which happens only once q is built.
  const std::u16string& m = *module;
  const bool dotted = name.find(u'.') != std::u16string_view::npos;
  if (mode != CallMode::kIncludeCall && (!m.empty() || dotted)) {
    std::u16string q;
    if (name.starts_with(u'.')) {
      // Inside WITH: the module the subject names, or the own module.
      const Value& target = context.withTarget;
      if (target.IsString() && interp.definitions.moduleNames.IndexOf(target.AsString()) >= 0) {
        q = target.AsString();
      } else if (target.IsEmpty() && !m.empty()) {
        q = m;
      } else {
        module->clear();
        return -1;
      }
      q += name;
    } else if (dotted) {
      if (name.starts_with(u"THIS.")) {
        q = m;
        q += name.substr(4);
      } else if (name.starts_with(u"GLOBAL.")) {
        q.assign(name.substr(7));
      } else {
        q.assign(name);
      }
    } else {
      q.reserve(m.size() + 1 + name.size());
      q = m;
      q += u'.';
      q += name;
    }
    int found = -1;
    if (lookUp(q, &found)) {
      std::size_t dot = q.find(u'.');
      if (dot == std::u16string::npos) {
        module->clear();
      } else {
        module->assign(q, 0, dot);
      }
      return found;
    }
  }
  module->clear();
  int found = -1;
  return lookUp(name, &found) ? found : -1;
}

Value CallUserFunction(const std::u16string& module, int headerIndex, THensuFmt& caller,
                       std::span<const std::u16string_view> argTexts, std::span<Value> argValues,
                       CallMode mode, int kind) {
  return RunUserCall(module, headerIndex, caller, argTexts, argValues, mode, kind, nullptr);
}

// RunUserRoutineWith for any call but a plain one through a kept header.
[[gnu::noinline]] static Value RunUserRoutineGenerally(
    const UserRoutineTarget& target, CallMode mode, std::span<const std::u16string_view> argTexts,
    THensuFmt& context, bool* failed, CallSiteCache* cache) {
  Interpreter& interp = *context.interp;
  std::unique_ptr<TokenList> scratch;
  const HeaderInfo info = SiteHeader(context, target.header, cache, &scratch);
  if (cache != nullptr && !scratch && info.FitsPlainCall(mode, argTexts.size())) {
    return RunPlainCall(target, info, argTexts, context, *cache, failed);
  }
  // Array parameters take the argument's name, not its value.
  auto passedAsText = [&](std::size_t r) {
    return r < info.parameters.size() && (info.parameters[r].kind & kArrayParameter) != 0;
  };
  auto evaluate = [&](std::size_t r, std::u16string_view text, Value* value) {
    if (cache == nullptr) return Evaluate(text, context, value);
    return EvaluateSiteArgument(*cache, r, text, context, value);
  };
  SmallList<Value> values;
  if (!EvaluateArgumentTexts(argTexts, mode, passedAsText, evaluate, context, &values, failed)) {
    return Value::FailedByte();
  }
  bool reReported = false;
  Value result = RunUserCall(target.module, target.header, context, argTexts, values.span(), mode,
                             target.kind, &reReported, &info);
  // An error handed to the caller's TRY abandons the statement, as one shown does.
  if ((reReported || interp.run.errorFlag) && failed) *failed = true;
  return result;
}

Value RunUserRoutineWith(const UserRoutineTarget& target, CallMode mode,
                         std::span<const std::u16string_view> argTexts, THensuFmt& context,
                         bool* failed, CallSiteCache* cache) {
  // The common call: a site that keeps the routine's header, all parameters plain.
  if (cache != nullptr && cache->headerRow == target.header && cache->header != nullptr) {
    const HeaderInfo info = InfoOf(*cache->header);
    if (info.FitsPlainCall(mode, argTexts.size())) {
      return RunPlainCall(target, info, argTexts, context, *cache, failed);
    }
  }
  return RunUserRoutineGenerally(target, mode, argTexts, context, failed, cache);
}

Value RunUserRoutine(const UserRoutineTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed) {
  SmallList<std::u16string_view> texts;
  CutArguments(site.arguments, &texts);
  const std::span<std::u16string_view> cut = texts.span();
  return RunUserRoutineWith(target, site.mode,
                            std::span<const std::u16string_view>(cut.data(), cut.size()), context,
                            failed);
}

bool CopyArrayArgument(std::u16string_view sourceText, THensuFmt& source, THensuFmt& destination,
                       std::u16string_view destName, bool copyBack) {
  Interpreter& interp = *source.interp;
  IndexedName parsed;
  if (!ParseName(source, sourceText, &parsed)) return false;
  std::int32_t ints[kMaxIndexes];
  for (int i = 0; i < parsed.count; ++i) {
    std::u16string failure;
    if (!IndexToInteger(parsed.values[static_cast<std::size_t>(i)], &ints[i], &failure)) {
      ReportError(u"Analysis: " + failure, source, false, false);
      return false;
    }
  }

  std::u16string message;
  {
    // The source's own variables first, then the global ones; the lock keeps
    // script threads from changing a global array half-way through the copy.
    std::unique_lock<std::recursive_mutex> guard(interp.variableLock);
    VariableTable* table = &source.vars;
    int v = table->names.IndexOf(parsed.base);
    if (v < 0 && !IsGlobalTable(source, *table)) {
      table = &interp.global.vars;
      v = FindGlobal(source, parsed.base, GlobalTable::kVariables);
    }
    VariableTable& target = destination.vars;
    if (v < 0) {
      message = NotDefinedMessage(parsed.base);
    } else if (table == &target && v == target.names.IndexOf(destName)) {
      return true;  // the same variable: nothing to copy
    } else {
      std::vector<Value>& elements = table->values[static_cast<std::size_t>(v)];
      std::vector<std::int32_t>& bounds = table->bounds[static_cast<std::size_t>(v)];
      const std::size_t k = static_cast<std::size_t>(parsed.count);
      std::int64_t offset = 0;
      std::int64_t count = 1;
      if (k > bounds.size()) {
        message = DimensionsMessage(parsed.base);
      } else {
        std::vector<std::int32_t> rest(bounds.begin() + static_cast<std::ptrdiff_t>(k),
                                       bounds.end());
        count = ElementCount(rest);
        // The selected part starts at its first element: the position over
        // the leading dimensions times the size of one part.
        offset = FlatPosition(bounds, ints, parsed.count);
        if (offset >= 0 && count >= 0) offset *= count;
        if (offset == kExceeded) {
          message = ExceededMessage(parsed.base);
        } else if (offset < 0 || count < 0 ||
                   offset + count > static_cast<std::int64_t>(elements.size())) {
          message = IndexWrongMessage(parsed.base);
        }
      }
      if (message.empty() && !copyBack) {
        std::vector<Value> copy(elements.begin() + offset, elements.begin() + offset + count);
        std::vector<std::int32_t> shape(bounds.begin() + static_cast<std::ptrdiff_t>(k),
                                        bounds.end());
        int index = target.names.IndexOf(destName);
        if (index < 0) index = CreateWithBounds(interp, target, destName, {});
        if (index < 0) {
          message = OutOfMemoryText();
        } else {
          target.values[static_cast<std::size_t>(index)] = std::move(copy);
          target.bounds[static_cast<std::size_t>(index)] = std::move(shape);
        }
      } else if (message.empty()) {
        int p = target.names.IndexOf(destName);
        if (p < 0) return true;
        const std::vector<Value>& from = target.values[static_cast<std::size_t>(p)];
        const std::vector<std::int32_t>& shape = target.bounds[static_cast<std::size_t>(p)];
        if (static_cast<std::int64_t>(from.size()) != count && k > 0) {
          message = Msg(u"Size cannot change by argument of multidimensional array",
                        u"多次元配列の引数をサイズ変更して返す事はできません");
        } else if (k == 0) {
          // The whole array takes the parameter's elements and shape.
          elements = from;
          bounds = shape;
        } else {
          std::copy(from.begin(), from.end(), elements.begin() + offset);
        }
      }
    }
  }
  if (!message.empty()) {
    ReportError(message, source);
    return false;
  }
  return true;
}

}  // namespace zelk
