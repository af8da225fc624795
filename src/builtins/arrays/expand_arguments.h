// The argument-list expander: built-ins that take lists of texts (JOIN, the
// selection box, the pop-up menu, DROPFILE, RECOSTATE) accept arrays and hash
// tables among their arguments and receive every element as one text.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "runtime/core/context.h"

namespace zelk {

// Clears list and adds the texts of the arguments whose source texts are
// given: every element of an array variable (or of the row or block its
// leading indexes select), every value of a hash table, every element of an
// OLE array value, else the argument's own text. Unless keepEmpty, empty
// texts are dropped at the end. False when an evaluation failed (reported).
bool ExpandArgumentList(std::vector<std::u16string>* list,
                        std::span<const std::u16string> sourceTexts, bool keepEmpty,
                        THensuFmt& context);

}  // namespace zelk
