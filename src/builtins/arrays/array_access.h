// Array arguments of the array built-ins, found where they live: a script
// array variable by its name (whole, or the row or block that leading indexes
// select), or a value holding an OLE array (in a variable, an element, or the
// result of an expression). Elements are reached in place, so a change lands
// in the variable itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk::arrays {

// The elements of one array argument in the order the functions walk them.
// Element k is base[start + k] when contiguous, else
// base[start + (k / inner) * outer + (k % inner) * step]: a two-dimensional
// OLE array keeps its first index fastest, and is walked row by row.
struct ElementView {
  Value* base = nullptr;
  std::size_t count = 0;
  std::size_t start = 0;
  bool contiguous = true;
  std::size_t inner = 1;
  std::size_t step = 1;
  std::size_t outer = 0;

  std::size_t size() const { return count; }
  Value& operator[](std::size_t k) const {
    return contiguous ? base[start + k] : base[start + (k / inner) * outer + (k % inner) * step];
  }
};

enum class Found { kArray, kNotArray, kFailed };

class ArrayArgument {
 public:
  explicit ArrayArgument(THensuFmt& context);
  ~ArrayArgument();
  ArrayArgument(const ArrayArgument&) = delete;
  ArrayArgument& operator=(const ArrayArgument&) = delete;

  // Step one: evaluates what the text needs (index expressions, or the
  // expression itself) with no lock held. False when that evaluation failed;
  // it has reported.
  bool Prepare(std::u16string_view text);
  // Step two, once every argument of the call is prepared: finds the
  // elements. A global variable stays locked (while script threads run) until
  // Release; nothing is reported here. kFailed leaves the reason in message().
  // forWrite: an OLE array shared with other values is copied first.
  Found Bind(bool forWrite);
  void Release();
  // Release, and a changed value that came from an expression naming a hash
  // table element goes back there.
  void Finish(bool changed);

  // Prepare and Bind in one, for functions with one array argument.
  Found Resolve(std::u16string_view text, bool forWrite);

  const ElementView& elements() const { return view_; }
  const std::u16string& text() const { return text_; }
  const std::u16string& message() const { return message_; }

  // kNotArray: the value found, if any (an undefined name has none).
  const Value& value() const { return value_; }
  bool undefinedName() const { return kind_ == Kind::kUndefined; }
  bool hashTable() const { return kind_ == Kind::kHashTable; }
  int hashCount() const { return hashCount_; }

  // kArray from a script array variable: its table and index, and how many
  // leading indexes were written; null table otherwise.
  VariableTable* scriptTable() const { return scriptTable_; }
  int scriptVariable() const { return scriptVariable_; }
  int indexCount() const { return static_cast<int>(ints_.size()); }
  // kArray from an OLE array: the value holding it, and whether only one row
  // of a two-dimensional one was selected.
  Value* oleHolder() const { return oleHolder_; }
  bool oleRow() const { return oleRow_; }

 private:
  enum class Kind { kNone, kVariable, kValue, kHashTable, kUndefined };

  bool LockFor(bool globalTable);
  bool FindVariable(VariableTable** table, int* index);
  Found BindVariable(bool forWrite);
  Found BindHeld(Value* holder, std::size_t nextIndex, bool forWrite);
  void ViewOf(ArrayCell* cell);

  THensuFmt& context_;
  std::unique_lock<std::recursive_mutex> lock_;
  Kind kind_ = Kind::kNone;
  std::u16string text_;
  std::u16string base_;
  std::vector<std::int32_t> ints_;
  Value value_;
  bool writeBack_ = false;
  int hashCount_ = 0;
  std::u16string message_;
  ElementView view_;
  VariableTable* scriptTable_ = nullptr;
  int scriptVariable_ = -1;
  Value* oleHolder_ = nullptr;
  bool oleRow_ = false;
};

// NAME, NAME[i][j] or NAME[i, j] and nothing else: *base is the name and
// *indexes the number of index expressions written.
bool IsIndexedName(std::u16string_view text, std::u16string_view* base, int* indexes);

// Messages shared by the array functions.
std::u16string ArrayUnspecifiedMessage(std::u16string_view name);
std::u16string NotAnArrayMessage(std::u16string_view name);

}  // namespace zelk::arrays
