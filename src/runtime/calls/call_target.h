// What a call text names, decided once, and one runner for each kind of
// target. The runners for DLL functions, COM members and script threads are
// where those components plug in.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/calls/calls.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

struct TokenList;
namespace expr {
struct CompiledExpr;
}

// The call as written: NAME(ARGUMENTS), trimmed.
struct CallSite {
  std::u16string_view text;
  std::u16string_view name;
  std::u16string_view arguments;  // between the parentheses
  CallMode mode = CallMode::kCall;
};

struct UserRoutineTarget {
  std::u16string module;  // the module the routine belongs to, "" for a global one
  int header = -1;        // its header row
  int kind = 0;           // kFunctionKind or kProcedureKind
};
struct ThreadStartTarget {
  UserRoutineTarget routine;
};
struct BuiltinTarget {
  int number = -1;
};
struct MathBuiltinTarget {
  int number = -1;
};
struct ComMemberTarget {};
struct DllFunctionTarget {
  int declaration = -1;  // index in the interpreter's DEF_DLL declarations
};
// Nothing of the name: the arguments are still evaluated, then a syntax error.
struct UnknownTarget {};

using CallTarget =
    std::variant<UserRoutineTarget, ThreadStartTarget, BuiltinTarget, MathBuiltinTarget,
                 ComMemberTarget, DllFunctionTarget, UnknownTarget>;

CallSite ParseCallSite(std::u16string_view callText, CallMode mode);
CallTarget ResolveCallTarget(const CallSite& site, const THensuFmt& context);

// A call written in a compiled expression, cut once; what it names is kept
// while the function table and the calling module stay as they were. Only
// user routines and built-ins are kept: they come first in the order of
// resolution, so nothing declared later can take their place.
struct CallSiteCache {
  bool parsed = false;
  bool keepable = false;  // a plain name: no module, WITH subject or member
  CallSite site;          // views into the expression's text
  std::vector<std::u16string_view> argTexts;
  std::uint64_t functionsVersion = 0;  // 0: nothing kept
  std::u16string module;
  CallTarget target;
  int active = 0;  // runs of the kept target under way
  // The arguments' compiled forms, taken from the row once it has them.
  std::vector<std::shared_ptr<expr::CompiledExpr>> argCompiled;
  std::vector<std::uint8_t> argLookups;  // lookups made for each, up to a few
  // The analysed header of the routine last called here (in the record).
  int headerRow = -1;
  const TokenList* header = nullptr;
};
// DispatchCall for a call in a compiled expression; text must stay the same
// (and stay alive) for the cache.
Value DispatchCachedCall(std::u16string_view text, CallSiteCache& cache, THensuFmt& context,
                         bool* failed);

// The runners; *failed is set when the call reported an error.
// cache: the call site's, when the call stands in a compiled expression.
Value RunUserRoutineWith(const UserRoutineTarget& target, CallMode mode,
                         std::span<const std::u16string_view> argTexts, THensuFmt& context,
                         bool* failed, CallSiteCache* cache = nullptr);
Value RunUserRoutine(const UserRoutineTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed);
Value RunThreadStart(const ThreadStartTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed);
Value RunComMember(const CallSite& site, THensuFmt& context, bool* failed);
Value RunDllFunction(const DllFunctionTarget& target, const CallSite& site, THensuFmt& context,
                     bool* failed);

}  // namespace zelk
