// Pieces shared inside the runtime by the variable lookup, the declarations
// and the pre-run check, beyond the public variable_parts.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"
#include "runtime/vars/variable_parts.h"

namespace zelk::vars {

// The index rules of IndexesToIntegers for one index text; on failure
// *failure names the offending text.
bool IndexTextToInteger(std::u16string_view text, std::int32_t* out, std::u16string* failure);

bool IsParamStr(std::u16string_view name);

// The slot of NAME when it is a scalar of the context's own table that this
// thread may touch without the lock; null otherwise.
Value* OwnScalarSlot(THensuFmt& context, std::u16string_view name);

// SetValue with an answer: true when the value was stored.
bool StoreValue(THensuFmt& context, std::u16string_view target, const Value& value,
                bool elementMode, bool noCreate);

// Split at top-level commas (outside quotes, brackets and parentheses).
int CountTopLevelCommas(std::u16string_view text);

// Messages, in the message language.
std::u16string InitializersExceededMessage();
std::u16string NotDefinedMessage(std::u16string_view name);
std::u16string IndexConversionText(std::u16string_view text);

}  // namespace zelk::vars
