// Reading and writing named things: variables and arrays of the contexts, the
// global tables, constants, text blocks and special names, in one fixed
// lookup order; and the declarations that fill those tables.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/core/context.h"
#include "runtime/core/value.h"

namespace zelk {

// Which global table FindGlobal searches.
enum class GlobalTable { kVariables, kConstants, kDllDeclarations, kTextBlocks, kHashTables };

// NAME, NAME[i][j] or NAME[i, j]: the base name and the text form of each
// evaluated index. False (after a report) when an index could not be evaluated
// or there are more than 16; the first index text is then kNullMarker.
bool ParseIndexedName(THensuFmt& context, std::u16string_view text, std::u16string* base,
                      std::vector<std::u16string>* indexes);
// Plain integers as they are, other numbers truncated toward zero, "" as 0.
// False when a text is no number or out of the 32-bit range.
bool IndexesToIntegers(const std::vector<std::u16string>& indexes,
                       std::vector<std::int32_t>* integers);
// The same; *failure (may be null) receives the conversion failure's text.
bool IndexesToIntegers(const std::vector<std::u16string>& indexes,
                       std::vector<std::int32_t>* integers, std::u16string* failure);
// Row-major element number; -999999 after reporting an index out of bounds;
// -1 for more indices than dimensions (a nested array).
std::int64_t FlatIndex(THensuFmt& context, const VariableTable& table, int variable,
                       const std::vector<std::int32_t>& indexes);
// NAME or NAME[b1][b2]: creates, or re-dimensions keeping flat positions.
// The bounds are expressions. False after a report (bad bound, no memory).
bool CreateVariable(THensuFmt& context, VariableTable& table, std::u16string_view declaration);
// Result arrays of the built-ins in the caller's context.
void ResetArray(THensuFmt& context, std::u16string_view name);
int AppendElement(THensuFmt& context, std::u16string_view name, const Value& value);

// quiet: no "not defined" or dimension messages. A failed read gives Byte 0
// and sets context.lookupFailed.
Value GetValue(THensuFmt& context, std::u16string_view name, bool quiet = false);
// elementMode: a single index is a flat element number (initializer lists);
// noCreate: no implicit declaration.
void SetValue(THensuFmt& context, std::u16string_view target, const Value& value,
              bool elementMode = false, bool noCreate = false);

// Index into the chosen global table with module qualification, or -1.
int FindGlobal(THensuFmt& context, std::u16string_view name, GlobalTable table);
// "Is a reserved word: NAME" (in the message language), or "" when NAME may be used.
std::u16string CheckReserved(const Interpreter& interp, std::u16string_view name);
// The value's text form is a number (IsNumberText on it).
bool IsNumberValue(const Value& value, bool noTrim, bool strictExponent);

// Declarations. The ones run before the main program return their message
// ("" when accepted); DeclareLocal reports at once.
std::u16string DefineTextBlock(Interpreter& interp, std::u16string_view name);
void SetTextBlockText(Interpreter& interp, std::u16string_view name, std::u16string text);
std::u16string DefineConst(Interpreter& interp, std::u16string_view text);
std::u16string DeclareGlobal(Interpreter& interp, std::u16string_view declaration,
                             bool errorIfDefined, bool isPrivate);
void DeclareLocal(THensuFmt& context, std::u16string_view list);
// NAME[] or NAME[][n] sized from the number of initializers; false when a
// bound other than the first is empty.
bool SizeFromInitializers(std::u16string* target, std::u16string_view initializers);

}  // namespace zelk
