// SortValues: the quicksort behind QSORT, which carries up to eight companion
// arrays along with every exchange.
#pragma once

#include <cstddef>
#include <span>

#include "builtins/arrays/array_access.h"
#include "builtins/builtin_family.h"

namespace zelk {
struct ScriptOptions;
}

namespace zelk::arrays {

enum SortMode : int {
  kSortByValue = 0,   // the script's < and > operators
  kSortByLocale = 1,  // texts, the locale's case-sensitive order
  kSortLogical = 2,   // texts, digit runs as numbers, case ignored
};

// Sorts elements 0..count-1 of array ascending (not stable) and exchanges
// the same elements of each companion, which must hold at least count. False
// when two elements could not be compared (the arrays are then left as far as
// the sort got) or when the run is being stopped (the arrays are then unchanged).
bool SortValues(const ElementView& array, std::size_t count, int mode,
                std::span<const ElementView> companions, const ScriptOptions& options,
                StopPoll& poll);

}  // namespace zelk::arrays
