// The parameter and return type words of DEF_DLL declarations. The registrar
// checks the parameter list with them before the run; the DLL calls lay out
// arguments by them.
#pragma once

#include <string_view>

namespace zelk {

enum DllType : int {
  kDllUnknown = 0,
  kDllInt = 1,  // INT, BOOL, LONG
  kDllFloat = 2,
  kDllDouble = 3,
  kDllString = 4,
  kDllPChar = 5,  // PCHAR, PBYTE
  kDllWord = 6,
  kDllDword = 7,  // DWORD, UINT, HWND, HMENU
  kDllByte = 8,   // BYTE, BOOLEAN
  kDllChar = 9,
  kDllWChar = 10,
  kDllLongLong = 11,
  kDllExtended = 12,
  kDllWString = 13,
  kDllPWChar = 14,
  kDllVoid = 16,
  kDllVariant = 17,
  kDllSafeArray = 18,
  kDllOpenStruct = 20,
  kDllCloseStruct = 21,
};

// Added to the code by a leading "VAR " or by "[]" anywhere (once for both):
// the argument travels by reference.
inline constexpr int kDllByReference = 256;

// The code of one parameter or return type text, compared in upper case after
// "[]" is removed; kDllUnknown when the word is none. CHAR, WCHAR and VOID do
// not combine with VAR.
int DllTypeCode(std::u16string_view typeText);
// Whether "[]" may stand on this type (the integer and floating types).
bool DllTypeAllowsArray(int code);

}  // namespace zelk
