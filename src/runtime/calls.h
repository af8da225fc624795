// The call dispatcher: a call text goes to a user function, a built-in, a
// declared DLL function or a COM member.
#pragma once

#include <string_view>

#include "runtime/context.h"
#include "runtime/value.h"

namespace zelk {

// asThread: start as a script thread; asCall: a CALL of an included file.
// *failed is set when the call reported an error.
Value DispatchCall(std::u16string_view callText, THensuFmt& context, bool asThread, bool asCall,
                   bool* failed);

// COM member access, property assignment and member call statements.
Value ComMemberRead(std::u16string_view text, THensuFmt& context, bool* failed);
void ComPropertyAssign(std::u16string_view target, const Value& value, THensuFmt& context);
void ComMemberCall(std::u16string_view text, THensuFmt& context);

}  // namespace zelk
