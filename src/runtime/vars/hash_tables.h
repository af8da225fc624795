// Hash table variables (HASHTBL): associative arrays from text keys to values,
// addressed with the array bracket syntax. The variable lookup hands a name
// here when it is no variable of the context or the global table.
//
// The main context's tables are the global ones: they are shared with script
// threads and touched only under VariableLock (skipped while no script thread
// runs). Other contexts' tables belong to one thread.
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/context.h"
#include "runtime/core/value.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

// Options of a HASHTBL declaration and the modes of a second index.
inline constexpr int kHashCaseCare = 0x1000;
inline constexpr int kHashSort = 0x2000;
inline constexpr int kHashKey = -101;
inline constexpr int kHashValue = -102;
inline constexpr int kHashExists = -103;
inline constexpr int kHashRemove = -104;
inline constexpr double kHashRemoveAll = -109;

// The HASHTBL statement of a running body: NAME or NAME = options, comma-separated.
void DeclareHashTables(THensuFmt& context, std::u16string_view list);

// One declaration "NAME" or "NAME = options" in the context's tables. A table
// declared again is emptied and keeps its first options. A new table of the
// main context is a global one and gets isPrivate as its private flag (a
// module-level HASHTBL). Returns the table's slot, or -1 with *message the
// report to make ("" after an evaluation failure, which the evaluator has
// reported). Reports nothing itself, so that the declarations made before the
// run can turn the message into a marker row.
int DeclareHashTable(THensuFmt& context, std::u16string_view declaration, bool isPrivate,
                     std::u16string* message);

// A read of NAME[...]: true when NAME is a hash table of the context or a
// global one (*out is then the result, after any report). written is the
// indexed name as written, for messages.
bool ReadHashTable(THensuFmt& context, const vars::IndexedName& name, std::u16string_view written,
                   bool quiet, Value* out);
// A write of NAME[key] = value, or NAME = HASH_REMOVEALL: true when NAME is a
// hash table (the write was done or reported).
bool WriteHashTable(THensuFmt& context, const vars::IndexedName& name, const Value& value);

}  // namespace zelk
