// The array built-ins' branches, one family, registered together by
// AddArrayBuiltins.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "builtins/builtin_family.h"

namespace zelk::arrays {

void Length(BuiltinCall& call);
void Split(BuiltinCall& call);
void Join(BuiltinCall& call);
void Slice(BuiltinCall& call);
void Resize(BuiltinCall& call);
void SetClear(BuiltinCall& call);
void ShiftArray(BuiltinCall& call);
void CalcArray(BuiltinCall& call);
void QSort(BuiltinCall& call);
void SafeArray(BuiltinCall& call);

class ArrayArgument;

// Resolves the array argument text; anything but an array is reported ("Array
// unspecified" for what names no array). False after a report.
bool OpenArray(ArrayArgument& argument, BuiltinCall& call, std::u16string_view text, bool forWrite);

// The initial value of an element of kind type in a new OLE array: Empty for
// Variant, zero or "" of that kind otherwise.
Value InitialElement(VarType type);

// One argument of the argument-list expander; with requireArray only arrays
// and hash tables are taken, anything else is "Array unspecified". False
// after a report.
bool ExpandArrayElements(const std::u16string& source, std::vector<std::u16string>* list,
                         bool requireArray, THensuFmt& context);

}  // namespace zelk::arrays
