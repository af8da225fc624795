// Hash table variables.
#include <string_view>

#include "foundation/messages.h"
#include "runtime/calls.h"
#include "runtime/hash_tables.h"
#include "runtime/report_error.h"

namespace zelk {

void DeclareHashTables(THensuFmt& context, std::u16string_view) {
  ReportError(Msg(u"HASHTBL is not available yet", u"HASHTBL はまだ使えません"), context);
}

bool ReadHashTable(THensuFmt&, const vars::IndexedName&, std::u16string_view, bool, Value*) {
  return false;
}

bool WriteHashTable(THensuFmt&, const vars::IndexedName&, const Value&) {
  return false;
}

bool PassHashTable(std::u16string_view, THensuFmt&, THensuFmt&, std::u16string_view) {
  return false;  // no name is a hash table yet
}

void ReturnHashTable(std::u16string_view, THensuFmt&, THensuFmt&, std::u16string_view) {}

}  // namespace zelk
