// A DEF_DLL declaration taken apart once: the exported name, the parameter
// types in order (with the braces of structures as entries of their own),
// the return type, the library file and whether structures are packed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontend/dll_types.h"

namespace zelk {

struct DllParam {
  int code = kDllUnknown;     // DllType, without kDllByReference
  bool byReference = false;   // VAR or "[]"
  bool array = false;         // "[]"
  bool pointerSized = false;  // HWND, HMENU: as wide as a pointer
  bool IsBrace() const { return code == kDllOpenStruct || code == kDllCloseStruct; }
};

struct DllDeclaration {
  std::string exportName;  // as declared, without module, narrow
  std::u16string name;     // the same for messages
  std::vector<DllParam> parameters;
  DllParam result;  // kDllUnknown: not recognised
  std::u16string library;
  bool pack = false;
};

// Splits the stored declaration text (NAME(params):RETURN:FILE [PACK]).
// False with the message in *error when a parameter type is unknown ("Error"),
// a structure is not closed or a library file is missing. An unrecognised
// return type is no failure here: result.code is then kDllUnknown.
bool SplitDllDeclaration(std::u16string_view text, DllDeclaration* out, std::u16string* error);

// The type of one parameter or return type word.
DllParam ParseDllParam(std::u16string_view word);

}  // namespace zelk
