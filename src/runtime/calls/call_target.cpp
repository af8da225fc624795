// The call dispatcher: what a call text names is resolved first, in a fixed
// order (user routine, built-in, COM member, DLL function), and the target's
// runner does the rest.
#include "runtime/calls/call_target.h"

#include <exception>
#include <string>

#include "base/text_scan.h"
#include "base/utf.h"
#include "runtime/calls/call_arguments.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {
namespace {

// No routine, built-in or declaration of the name: its arguments are still
// evaluated (and may report first).
Value RunUnknown(const CallSite& site, THensuFmt& context, bool* failed) {
  CallArguments arguments;
  auto byValue = [](std::size_t) { return false; };
  if (!EvaluateArguments(site.arguments, site.mode, byValue, context, &arguments, failed)) {
    return Value::FailedByte();
  }
  ReportError(u"SyntaxError-25", context);
  if (failed) *failed = true;
  return Value::FailedByte();
}

Value RunTarget(const CallTarget& target, const CallSite& site, THensuFmt& context, bool* failed) {
  const BuiltinLibrary& builtins = context.interp->builtins();
  if (const auto* routine = std::get_if<UserRoutineTarget>(&target)) {
    return RunUserRoutine(*routine, site, context, failed);
  }
  if (const auto* builtin = std::get_if<BuiltinTarget>(&target)) {
    return builtins.Call(builtin->number, site.arguments, context, failed);
  }
  if (const auto* math = std::get_if<MathBuiltinTarget>(&target)) {
    return builtins.CallMath(math->number, site.arguments, context, failed);
  }
  if (const auto* thread = std::get_if<ThreadStartTarget>(&target)) {
    return RunThreadStart(*thread, site, context, failed);
  }
  if (std::holds_alternative<ComMemberTarget>(target)) return RunComMember(site, context, failed);
  if (const auto* dll = std::get_if<DllFunctionTarget>(&target)) {
    return RunDllFunction(*dll, site, context, failed);
  }
  return RunUnknown(site, context, failed);
}

}  // namespace

bool IsComMember(const THensuFmt& context, std::u16string_view text) {
  std::size_t first;
  const int dots = CountTopLevel(text, u'.', &first);
  if (dots == 0) return false;
  if (dots > 1) return true;
  if (text.starts_with(u'.') && context.withTarget.IsString()) return false;
  if (!context.moduleName.empty() && (text.starts_with(u"THIS.") || text.starts_with(u"GLOBAL."))) {
    return false;
  }
  return context.interp->definitions.moduleNames.IndexOf(TrimView(text.substr(0, first))) < 0;
}

CallSite ParseCallSite(std::u16string_view callText, CallMode mode) {
  CallSite site;
  site.mode = mode;
  site.text = TrimView(callText);
  site.name = site.text;
  std::size_t open = site.text.find(u'(');
  if (open != std::u16string_view::npos) {
    site.name = TrimView(site.text.substr(0, open));
    site.arguments = site.text.substr(open + 1);
    if (!site.arguments.empty() && site.arguments.back() == u')') site.arguments.remove_suffix(1);
  }
  return site;
}

CallTarget ResolveCallTarget(const CallSite& site, const THensuFmt& context) {
  const std::u16string_view name = site.name;
  UserRoutineTarget routine;
  routine.module = context.moduleName;
  routine.header =
      FindFunction(name, kAnyFunctionKind, context, &routine.module, site.mode, &routine.kind);
  if (routine.header >= 0) {
    if (site.mode == CallMode::kThread) return ThreadStartTarget{std::move(routine)};
    return routine;
  }
  // Built-ins, COM members and DLL functions are only called, never started
  // as threads or CALLed.
  if (site.mode != CallMode::kCall) return UnknownTarget{};
  const BuiltinLibrary& builtins = context.interp->builtins();
  int number = builtins.Find(name.starts_with(u"GLOBAL.") ? name.substr(7) : name);
  if (number >= 0) {
    if (builtins.IsMath(number)) return MathBuiltinTarget{number};
    return BuiltinTarget{number};
  }
  if (IsComMember(context, name)) return ComMemberTarget{};
  int declaration = FindDllDeclaration(context, name);
  if (declaration >= 0) return DllFunctionTarget{declaration};
  return UnknownTarget{};
}

Value DispatchCall(std::u16string_view callText, THensuFmt& context, CallMode mode, bool* failed) {
  Interpreter& interp = *context.interp;
  if (context.exitFlag || interp.run.errorFlag) return Value::FailedByte();
  try {
    const CallSite site = ParseCallSite(callText, mode);
    return RunTarget(ResolveCallTarget(site, context), site, context, failed);
  } catch (const std::exception& e) {
    ReportError(u"KansuCall:" + Utf8ToText(e.what()), context);
  }
  if (failed) *failed = true;
  return Value::FailedByte();
}

Value DispatchCachedCall(std::u16string_view text, CallSiteCache& cache, THensuFmt& context,
                         bool* failed) {
  Interpreter& interp = *context.interp;
  if (context.exitFlag || interp.run.errorFlag) return Value::FailedByte();
  try {
    if (!cache.parsed) {
      cache.site = ParseCallSite(text, CallMode::kCall);
      const std::u16string_view name = cache.site.name;
      cache.keepable = !name.empty() && name.find_first_of(u".[ ") == std::u16string_view::npos;
      CutArguments(cache.site.arguments, &cache.argTexts);
      cache.parsed = true;
    }
    if (!cache.keepable) {
      return RunTarget(ResolveCallTarget(cache.site, context), cache.site, context, failed);
    }
    const std::uint64_t version = interp.definitions.functions.names().Version();
    if (cache.functionsVersion != version || cache.module != context.moduleName) {
      CallTarget target = ResolveCallTarget(cache.site, context);
      // A call of the same site further up (recursion through an argument)
      // still runs the kept target: this one runs its own.
      if (cache.active > 0) return RunTarget(target, cache.site, context, failed);
      const bool kept = std::holds_alternative<UserRoutineTarget>(target) ||
                        std::holds_alternative<BuiltinTarget>(target) ||
                        std::holds_alternative<MathBuiltinTarget>(target);
      cache.target = std::move(target);
      cache.functionsVersion = kept ? version : 0;
      cache.module = context.moduleName;
    }
    struct Active {
      int& count;
      explicit Active(int& c) : count(c) { ++count; }
      ~Active() { --count; }
    } active(cache.active);
    if (const auto* routine = std::get_if<UserRoutineTarget>(&cache.target)) {
      return RunUserRoutineWith(*routine, CallMode::kCall, cache.argTexts, context, failed, &cache);
    }
    return RunTarget(cache.target, cache.site, context, failed);
  } catch (const std::exception& e) {
    ReportError(u"KansuCall:" + Utf8ToText(e.what()), context);
  }
  if (failed) *failed = true;
  return Value::FailedByte();
}

}  // namespace zelk
