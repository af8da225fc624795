// Calls: a call text goes to a user function, a built-in, a declared DLL
// function, a COM member or a new script thread (call_target.h tells which).
// User functions and procedures run here: their parameters are bound in a
// context of their own, the body runs, and VAR parameters, RESULT and errors
// taken by a caller's TRY go back.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// How a call was written.
enum class CallMode {
  kCall,         // in an expression or as a statement
  kThread,       // THREAD: the routine starts as a script thread
  kIncludeCall,  // CALL of an included file: its arguments become PARAM_STR
};

// *failed is set when the call reported an error.
Value DispatchCall(std::u16string_view callText, THensuFmt& context, CallMode mode, bool* failed);

// Function table kinds, and the mask of either.
inline constexpr int kFunctionKind = 1;
inline constexpr int kProcedureKind = 2;
inline constexpr int kAnyFunctionKind = 3;

// The header row of the user function or procedure a call names, or -1.
// *module: in, the caller's module; out, the module of the function found.
// *kind (may be null) receives the kind found, also when it is not in mask.
int FindFunction(std::u16string_view name, int mask, const THensuFmt& context,
                 std::u16string* module, CallMode mode, int* kind);

// Runs the function or procedure headed at headerIndex with the arguments
// (texts as written in the caller, values already evaluated). Returns RESULT
// of a FUNCTION, Byte 0 otherwise and after an error; a thread's number.
Value CallUserFunction(const std::u16string& module, int headerIndex, THensuFmt& caller,
                       std::span<const std::u16string_view> argTexts, std::span<Value> argValues,
                       CallMode mode, int kind);

// Array parameters. sourceText names the caller's array, or the part of it
// selected by leading indices (ARR, ARR[1]); destName is the parameter in the
// callee. Copy-in makes destName a copy of the selected elements with the
// remaining dimensions; copy-back writes the parameter's elements into the
// selection, resizing a whole array to the parameter's shape. False after a
// report.
bool CopyArrayArgument(std::u16string_view sourceText, THensuFmt& source, THensuFmt& destination,
                       std::u16string_view destName, bool copyBack);

// A dotted name that is a COM member access rather than a module's variable
// or procedure: more than one top-level dot, or one that follows no module
// (THIS. and GLOBAL. inside a module and a WITH on a module name modules).
bool IsComMember(const THensuFmt& context, std::u16string_view text);

// COM member access, property assignment and member call statements.
Value ComMemberRead(std::u16string_view text, THensuFmt& context, bool* failed);
void ComPropertyAssign(std::u16string_view target, const Value& value, THensuFmt& context);
void ComMemberCall(std::u16string_view text, THensuFmt& context);

// What the dispatcher hands to components that come later. Until they exist
// each reports clearly that it cannot run yet (com_call.cpp,
// thread_start.cpp). Built-ins come through builtin_library.h.

// A COM method call written as NAME.MEMBER(arguments), with its result.
Value ComMethodCall(std::u16string_view callText, THensuFmt& context, bool* failed);
// A DEF_DLL declaration's index in interp.declared.dllNames, or -1 (module-qualified
// inside a module, as declared).
int FindDllDeclaration(const THensuFmt& context, std::u16string_view name);
// Calls the declared function (dll_call.cpp); both lists hold 64 entries.
Value CallDllFunction(int declaration, std::span<const std::u16string_view> argTexts,
                      std::span<Value> argValues, THensuFmt& context, bool* failed);
// Starts the prepared context (parameters bound) as a script thread; the
// result is the thread number, -1 after a report.
Value StartScriptThread(std::unique_ptr<THensuFmt> prepared, THensuFmt& caller, bool* failed);
// Hash tables (hash_tables.cpp) passed to an array parameter: true when argumentText names a
// hash table of the caller or a global one; it has then been copied into the
// callee under parameterName (or a report was made).
bool PassHashTable(std::u16string_view argumentText, THensuFmt& caller, THensuFmt& callee,
                   std::u16string_view parameterName);
// VAR copy-back: the callee's table replaces the entries of the caller's.
void ReturnHashTable(std::u16string_view argumentText, THensuFmt& caller, THensuFmt& callee,
                     std::u16string_view parameterName);

}  // namespace zelk
