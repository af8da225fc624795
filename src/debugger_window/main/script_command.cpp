#include "debugger_window/main/script_command.h"

#include <algorithm>

#include "base/text_scan.h"

namespace zelk::window {
namespace {

bool IsRepeatWord(std::u16string_view word) {
  if (word.size() < 3 || word[0] != u'-' || (word[1] != u'r' && word[1] != u'R')) return false;
  return std::all_of(word.begin() + 2, word.end(),
                     [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

std::u16string WithoutQuotes(std::u16string text) {
  text.erase(std::remove(text.begin(), text.end(), u'"'), text.end());
  return text;
}

}  // namespace

ScriptCommand ParseScriptCommand(std::u16string_view command, std::u16string_view programFolder) {
  std::u16string text(command);
  if (UpperAscii(text).find(u".ZLS") == std::u16string::npos) {
    text = Trim(text);
    const std::size_t slash = text.find_last_of(u"\\/");
    const std::size_t dot = text.find_last_of(u'.');
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) {
      text.resize(dot);
    }
    text += u".ZLS";
  }
  const std::size_t end = UpperAscii(text).find(u".ZLS") + 4;
  ScriptCommand result;
  // A quoted name loses its quotes; a file name has none.
  result.path = Trim(WithoutQuotes(text.substr(0, end)));
  std::u16string& path = result.path;
  if (StartsWith(path, u".\\") || StartsWith(path, u"./")) {
    path = std::u16string(programFolder) + path.substr(2);
  } else if (StartsWith(path, u"..\\") || StartsWith(path, u"../")) {
    std::u16string folder(programFolder);
    std::replace(folder.begin(), folder.end(), u'/', u'\\');
    // Cut after the second-to-last '\': "C:\a\b\" gives "C:\a\".
    const std::size_t last = folder.find_last_of(u'\\');
    const std::size_t before = last == std::u16string::npos || last == 0
                                   ? std::u16string::npos
                                   : folder.find_last_of(u'\\', last - 1);
    if (before != std::u16string::npos) folder.resize(before + 1);
    path = folder + path.substr(3);
  }

  std::u16string rest = text.substr(end);
  while (!Trim(rest).empty()) {
    std::u16string word = CutToken(rest, u" ", {.skipEmpty = true, .quotes = true});
    if (word.empty() || IsRepeatWord(word)) continue;
    result.params.push_back(WithoutQuotes(std::move(word)));
  }
  return result;
}

}  // namespace zelk::window
