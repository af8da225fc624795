// The constant reader of assembly: remembers the CONST definitions met so far
// so that a CALL whose target is an expression ("lib\" + NAME, GET_ZELK_DIR +
// "\x.zls") can be evaluated before anything runs.
#pragma once

#include <string>
#include <vector>

#include "foundation/hashed_str_list.h"

namespace zelk {

class TReadZlsFile {
 public:
  void Reset();
  // A row "CONST name = expression"; a name already known is left alone.
  void RecordConst(const std::u16string& row);
  // Terms joined by '+': string literals, numbers, parenthesised expressions,
  // the GET_..._DIR folders and recorded constants. On failure *failed is set
  // and the text itself is returned.
  std::u16string Evaluate(const std::u16string& text, bool* failed) const;

 private:
  struct Operand;
  class Parser;
  bool EvaluateOperand(const std::u16string& text, Operand* value) const;

  TUHashedStrList names_;  // case-insensitive
  std::vector<std::u16string> texts_;
  std::vector<bool> numeric_;  // the constant's value was a number
};

}  // namespace zelk
