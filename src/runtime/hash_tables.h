// Hash table variables (HASHTBL): associative arrays from text keys to values,
// addressed with the array bracket syntax. The variable lookup hands a name
// here when it is no variable of the context or the global table.
#pragma once

#include <string_view>

#include "runtime/context.h"
#include "runtime/value.h"
#include "runtime/variables_internal.h"

namespace zelk {

// The HASHTBL statement of a running body: NAME or NAME = options, comma-separated.
void DeclareHashTables(THensuFmt& context, std::u16string_view list);

// A read of NAME[...]: true when NAME is a hash table of the context or a
// global one (*out is then the result, after any report). written is the
// indexed name as written, for messages.
bool ReadHashTable(THensuFmt& context, const vars::IndexedName& name, std::u16string_view written,
                   bool quiet, Value* out);
// A write of NAME[key] = value, or NAME = HASH_REMOVEALL: true when NAME is a
// hash table (the write was done or reported).
bool WriteHashTable(THensuFmt& context, const vars::IndexedName& name, const Value& value);

}  // namespace zelk
