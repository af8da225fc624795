#include "runtime/calls/dll_declaration.h"

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "platform/platform.h"

namespace zelk {

DllParam ParseDllParam(std::u16string_view word) {
  DllParam param;
  int code = DllTypeCode(word);
  param.code = code % kDllByReference;
  param.byReference = code >= kDllByReference;
  param.array = word.find(u"[]") != std::u16string_view::npos;
  if (param.code == kDllDword) {
    std::u16string upper = UpperAscii(word);
    param.pointerSized =
        upper.find(u"HWND") != std::u16string::npos || upper.find(u"HMENU") != std::u16string::npos;
  }
  return param;
}

bool SplitDllDeclaration(std::u16string_view text, DllDeclaration* out, std::u16string* error) {
  *out = DllDeclaration{};
  std::u16string_view source = TrimView(text);
  std::u16string upper = UpperAscii(source);
  if (upper.ends_with(u" PACK") || upper.ends_with(u":PACK")) {
    out->pack = true;
    source.remove_suffix(5);
    source = TrimView(source);
    if (source.ends_with(u':')) source.remove_suffix(1);
  }

  std::size_t nameEnd = source.find_first_of(u"( :;");
  std::u16string_view name = TrimView(source.substr(0, nameEnd));
  out->name = std::u16string(name);
  os::TextToAnsi(name, &out->exportName);

  std::u16string_view parameters;
  std::u16string_view rest;
  std::size_t open = source.find(u'(');
  std::size_t close = source.find(u')');
  if (open != std::u16string_view::npos && (close == std::u16string_view::npos || open < close)) {
    parameters =
        source.substr(open + 1, close == std::u16string_view::npos ? std::u16string_view::npos
                                                                   : close - open - 1);
    if (close != std::u16string_view::npos) rest = source.substr(close + 1);
  } else if (nameEnd != std::u16string_view::npos) {
    rest = source.substr(nameEnd);
  }

  // Parameters: pieces between , ) { }, the braces being pieces of their own.
  int depth = 0;
  std::size_t start = 0;
  auto piece = [&](std::u16string_view word) {
    word = TrimView(word);
    if (word.empty()) return true;
    DllParam param = ParseDllParam(word);
    if (param.code == kDllUnknown) {
      *error = u"Error";
      return false;
    }
    out->parameters.push_back(param);
    return true;
  };
  for (std::size_t i = 0; i <= parameters.size(); ++i) {
    char16_t c = i < parameters.size() ? parameters[i] : u',';
    if (c != u',' && c != u'{' && c != u'}') continue;
    if (!piece(parameters.substr(start, i - start))) return false;
    start = i + 1;
    if (c == u'{') {
      ++depth;
      out->parameters.push_back(DllParam{kDllOpenStruct});
    } else if (c == u'}') {
      if (--depth < 0) break;
      out->parameters.push_back(DllParam{kDllCloseStruct});
    }
  }
  if (depth != 0) {
    *error = Msg(u"SyntaxError-60", u"{構造体}が正しく閉じていません");
    return false;
  }

  // The return type, then the library file; a single piece is the file.
  std::size_t from = rest.find_first_not_of(u" :;");
  if (from == std::u16string_view::npos) {
    *error = u"SyntaxError-61";
    return false;
  }
  rest = rest.substr(from);
  std::size_t cut = rest.find_first_of(u" :;");
  std::u16string_view first = rest.substr(0, cut);
  std::u16string_view file;
  if (cut != std::u16string_view::npos) {
    file = TrimView(rest.substr(cut));
    if (file.starts_with(u':') || file.starts_with(u';')) file = TrimView(file.substr(1));
  }
  if (file.empty()) {
    file = first;
    out->result.code = kDllVoid;
  } else {
    out->result = ParseDllParam(first);
    // VAR and [] make no return type.
    if (out->result.byReference) out->result.code = kDllUnknown;
  }
  out->library = std::u16string(file);
  return true;
}

}  // namespace zelk
