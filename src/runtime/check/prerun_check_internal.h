// Pieces shared by the files of the pre-run check: the state of the walk,
// declaring names in a check context, expression checks, text scanning and the
// COM member checks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/text_scan.h"
#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk::check {

// A header's parameter count and the first parameter with a default (-1:
// none).
struct HeaderShape {
  int count = 0;
  int firstDefault = -1;
};

// The definition being checked. Only its context marks hash tables; the
// scratch context of a callee's parameters has none.
struct WalkState {
  const THensuFmt* context = nullptr;
  std::u16string definitionName;
  std::vector<std::uint8_t> hashFlags;  // per name of the definition's context
  // The headers whose parameter lists have been checked, for the whole walk.
  std::unordered_map<int, HeaderShape> headers;
};
WalkState& State();

// Declares base in the context's name table (again is harmless); the names
// carry no values, only their dimension count.
void Declare(THensuFmt& context, std::u16string_view base, int dimensions, bool hashTable);
bool IsCheckHashTable(const THensuFmt& context, int index);

// Reports message with the context's row and returns false.
bool Fail(std::u16string_view message, THensuFmt& context);
bool Stopped(const THensuFmt& context);

// The expression's check value; false after a report.
bool CheckExpression(std::u16string_view text, THensuFmt& context, Value* value = nullptr);

// The declaring step of CheckNew: the name may hold no operator character
// outside brackets, must not be empty, and its index expressions must be
// sound. *base and *indexes receive the name and the index count. False after
// a report.
bool CheckNewName(std::u16string_view declaration, THensuFmt& context, std::u16string* base,
                  int* indexes);

// Pieces at commas outside literals, brackets and parentheses; empty pieces
// are kept; a blank text has none.
std::vector<std::u16string_view> TopLevelPieces(std::u16string_view text);
// A header's parameter list: the text between its first "(" and its final
// ")"; empty without "(". *closed is false when there is a "(" and the header
// does not end with ")".
std::u16string_view ParameterList(std::u16string_view header, bool* closed);
// The text is one of the decimal numbers 1 to limit, written plainly.
bool IsCountUpTo(std::u16string_view text, int limit);

// COM members. A member call statement (OBJ.METHOD(arguments)), a property
// assignment target (OBJ.PROP or OBJ.PROP(index)), and a member read inside an
// expression.
void CheckMemberCall(std::u16string_view text, THensuFmt& context);
void CheckPropertyTarget(std::u16string_view text, THensuFmt& context);
void CheckMemberRead(std::u16string_view text, THensuFmt& context);

}  // namespace zelk::check
