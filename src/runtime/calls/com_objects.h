// COM services for the built-ins and the loops: making and finding objects,
// enumerating collections, with COM_ERR_IGN / COM_ERR_FLG handled.
#pragma once

#include <string_view>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// A new object (active: the running one) of the program identifier. A failure
// is a COM failure: reported unless COM_ERR_IGN (then *failed), and the value
// is the Integer -999999. On hosts without automation: reported, *failed.
Value CreateComObject(std::u16string_view progId, bool active, THensuFmt& context, bool* failed);

// The items of the object's collection appended to *items. False on failure,
// which sets COM_ERR_FLG and, unless quiet or COM_ERR_IGN, is reported (then
// *failed, when given).
bool EnumerateComCollection(const Value& object, THensuFmt& context, bool quiet,
                            std::vector<Value>* items, bool* failed = nullptr);

}  // namespace zelk
