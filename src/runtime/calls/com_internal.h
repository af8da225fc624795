// What the COM automation files share: text cutting, argument lists, the
// failure handling of COM_ERR_IGN / COM_ERR_FLG and the member chain reader.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/com_automation.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk::com {

// At most this many arguments reach a member.
inline constexpr std::size_t kMaxArguments = 16;
// The value of a failed COM read or call.
inline constexpr std::int64_t kErrValue = -999999;

// Position of the last "." outside quotes and brackets, or npos.
std::size_t LastTopLevelDot(std::u16string_view text);
// The text cut at "." outside quotes and brackets.
std::vector<std::u16string_view> SplitMembers(std::u16string_view text);

// False on hosts without automation, after reporting text as not available
// here (sets *failed when given).
bool CheckAvailable(THensuFmt& context, std::u16string_view text, bool* failed);

// A COM failure: sets the thread's COM_ERR_FLG and, unless COM_ERR_IGN is in
// force, reports message (TRY may take it). True when it was reported.
bool ComFailure(THensuFmt& context, std::u16string_view message);
// "COM_Error:" + failure.
bool ComFailureWithText(THensuFmt& context, std::u16string_view failure);
bool ComErrorsIgnored(const THensuFmt& context);

// The arguments of one invocation as written between its brackets or
// parentheses. refTexts[i] names the variable a VAR argument writes back to.
struct Arguments {
  std::vector<os::ComArgument> values;
  std::vector<std::u16string_view> refTexts;
};
enum class ArgumentsResult { kOk, kEvaluationFailed, kTooMany };
ArgumentsResult ParseArguments(std::u16string_view text, THensuFmt& context, Arguments* out);
// Writes the VAR arguments' new values to their variables.
void WriteBack(const Arguments& arguments, THensuFmt& context);

// How a chain read ended.
enum class ChainResult {
  kOk,
  kComFailed,         // *failure holds the text; nothing reported yet
  kEvaluationFailed,  // reported already
};
// The value of a member chain (OBJ.A.B, OBJ.ITEM[1].NAME, CREATEOLEOBJ[..].X,
// .X under WITH).
ChainResult ReadChain(std::u16string_view text, THensuFmt& context, Value* out,
                      std::u16string* failure);
// The object a member belongs to: the WITH subject for an empty text (the
// member followed a leading "."), else the chain read of text.
ChainResult ReadOwner(std::u16string_view text, THensuFmt& context, Value* out,
                      std::u16string* failure);

// Invokes member with its argument text on object (Dispatch, not Nothing).
bool InvokeOn(const Value& object, std::u16string_view member, std::u16string_view argumentText,
              os::ComInvoke kind, THensuFmt& context, Value* result, std::u16string* failure,
              bool* evaluationFailed);

// The items of an object's collection; false after a COM failure (handled as
// such unless quiet; still sets COM_ERR_FLG).
bool EnumerateObject(const Value& object, THensuFmt& context, bool quiet,
                     std::vector<Value>* items);

}  // namespace zelk::com
