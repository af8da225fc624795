// The shell's "logical" string order, as file lists sort names: runs of
// digits compare as numbers and letters ignore case ("a2" before "A10").
#pragma once

#include <string>

namespace zelk::os {

// <0, 0, >0. Whole strings: the Windows call wants them terminated.
int CompareLogical(const std::u16string& a, const std::u16string& b);

}  // namespace zelk::os
