#include "frontend/dll_types.h"

#include <string>
#include <unordered_map>

#include "base/text_scan.h"

namespace zelk {
namespace {

const std::unordered_map<std::u16string_view, int>& TypeWords() {
  static const std::unordered_map<std::u16string_view, int> words = {
      {u"INT", kDllInt},           {u"BOOL", kDllInt},        {u"LONG", kDllInt},
      {u"FLOAT", kDllFloat},       {u"DOUBLE", kDllDouble},   {u"STRING", kDllString},
      {u"PCHAR", kDllPChar},       {u"PBYTE", kDllPChar},     {u"WORD", kDllWord},
      {u"DWORD", kDllDword},       {u"UINT", kDllDword},      {u"HWND", kDllDword},
      {u"HMENU", kDllDword},       {u"BYTE", kDllByte},       {u"BOOLEAN", kDllByte},
      {u"CHAR", kDllChar},         {u"WCHAR", kDllWChar},     {u"LONGLONG", kDllLongLong},
      {u"EXTENDED", kDllExtended}, {u"WSTRING", kDllWString}, {u"PWCHAR", kDllPWChar},
      {u"VOID", kDllVoid},         {u"VARIANT", kDllVariant}, {u"SAFEARRAY", kDllSafeArray},
      {u"{", kDllOpenStruct},      {u"}", kDllCloseStruct},
  };
  return words;
}

}  // namespace

int DllTypeCode(std::u16string_view typeText) {
  std::u16string text = UpperAscii(Trim(typeText));
  bool byReference = false;
  if (text.find(u"[]") != std::u16string::npos) {
    byReference = true;
    text = ReplaceAll(text, u"[]", u"");
  }
  bool var = false;
  if (text.starts_with(u"VAR ")) {
    var = true;
    byReference = true;
    text = Trim(std::u16string_view(text).substr(4));
  }
  text = Trim(text);
  auto found = TypeWords().find(text);
  if (found == TypeWords().end()) return kDllUnknown;
  int code = found->second;
  if (var && (code == kDllChar || code == kDllWChar || code == kDllVoid)) return kDllUnknown;
  return byReference ? code + kDllByReference : code;
}

bool DllTypeAllowsArray(int code) {
  switch (code % kDllByReference) {
    case kDllInt:
    case kDllFloat:
    case kDllDouble:
    case kDllWord:
    case kDllDword:
    case kDllByte:
    case kDllLongLong:
    case kDllExtended:
      return true;
    default:
      return false;
  }
}

}  // namespace zelk
