// Hash table variables.
#include <string_view>

#include "runtime/calls.h"

namespace zelk {

bool PassHashTable(std::u16string_view, THensuFmt&, THensuFmt&, std::u16string_view) {
  return false;  // no name is a hash table yet
}

void ReturnHashTable(std::u16string_view, THensuFmt&, THensuFmt&, std::u16string_view) {}

}  // namespace zelk
