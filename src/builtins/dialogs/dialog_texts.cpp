#include "builtins/dialogs/dialog_texts.h"

#include <cstdint>
#include <string>

#include "base/numbers.h"
#include "base/text_scan.h"
#include "runtime/expr/evaluate.h"

namespace zelk::dialogs {
namespace {

bool EndsLink(char16_t c) {
  switch (c) {
    case u' ':
    case u'\x3000':
    case u'\r':
    case u'"':
    case u'\'':
    case u')':
    case u']':
    case u'}':
    case u'>':
    case u',':
      return true;
    default:
      return false;
  }
}

std::u16string IndexText(int i) {
  const std::string digits = std::to_string(i);
  return std::u16string(digits.begin(), digits.end());
}

constexpr int kMaxMenuDepth = 15;
constexpr std::size_t kMaxBitChoices = 31;

}  // namespace

std::vector<os::TextSpan> PrepareMessage(std::u16string* text, bool detectLinks) {
  if (text->size() > kMaxMessageLength) {
    text->resize(kMaxMessageLength);
    *text += u"...";
  }
  std::vector<os::TextSpan> links;
  if (!detectLinks) return links;
  std::u16string normal;
  normal.reserve(text->size());
  for (std::size_t i = 0; i < text->size(); ++i) {
    const char16_t c = (*text)[i];
    if (c == u'\r') {
      normal += u"\r\n";
      if (i + 1 < text->size() && (*text)[i + 1] == u'\n') ++i;
    } else if (c == u'\n') {
      normal += u"\r\n";
    } else {
      normal += c;
    }
  }
  *text = normal;
  // Each address found has its first letter's case changed in the copy that
  // is searched, so the next search goes past it.
  for (const char16_t* scheme : {u"http://", u"https://", u"mailto:"}) {
    for (std::size_t at = normal.find(scheme); at != normal.npos; at = normal.find(scheme)) {
      std::size_t end = at;
      while (end < normal.size() && !EndsLink(normal[end])) ++end;
      std::size_t start = at;
      while (start < end && normal[start] <= 13) ++start;
      while (end > start && normal[end - 1] <= 13) --end;
      links.push_back({start, end - start});
      normal[at] = static_cast<char16_t>(normal[at] - u'a' + u'A');
    }
  }
  return links;
}

bool ParseMenuText(std::u16string_view menuText, const ScriptOptions& options,
                   std::vector<os::MenuEntry>* entries) {
  entries->clear();
  int parents[kMaxMenuDepth + 1] = {};
  int depth = 0;
  std::u16string_view rest = menuText;
  for (int i = 0;; ++i) {
    const std::size_t cr = rest.find(u'\r');
    std::u16string piece = Trim(rest.substr(0, cr));
    if (piece.empty()) break;
    rest = cr == rest.npos ? std::u16string_view() : rest.substr(cr + 1);
    piece = ExpandSpecialChars(piece, options);
    if (piece.empty() || depth < 0) return false;
    const bool opens = piece[0] == u'{';
    if (opens) piece.erase(0, 1);
    int closes = 0;
    while (!piece.empty() && piece.back() == u'}') {
      piece.pop_back();
      ++closes;
    }
    if (piece.empty()) return false;
    os::MenuEntry entry{std::move(piece), -1};
    if (opens) {
      if (i == 0 || depth + 1 > kMaxMenuDepth) return false;
      ++depth;
      parents[depth] = i - 1;
      entry.parent = i - 1;
    } else if (depth > 0) {
      entry.parent = parents[depth];
    }
    entries->push_back(std::move(entry));
    depth -= closes;
    // Closers without an opener would leave an item with nowhere to go.
    if (depth < 0) return false;
    if (cr == std::u16string_view::npos) break;
  }
  return true;
}

SelectionTexts ShapeSelection(const std::vector<std::vector<std::u16string>>& perArgument,
                              const std::vector<bool>& literal, int type) {
  SelectionTexts shaped;
  std::size_t first = 0;
  auto number = [&](std::size_t k) {
    return k < perArgument.size() && perArgument[k].size() == 1 && !literal[k] &&
           IsNumberText(perArgument[k][0], false, false);
  };
  if (number(0) && number(1)) {
    shaped.x = static_cast<int>(TextToNumber(Trim(perArgument[0][0])));
    shaped.y = static_cast<int>(TextToNumber(Trim(perArgument[1][0])));
    first = 2;
  }
  bool message = true;
  for (std::size_t k = first; k < perArgument.size(); ++k) {
    for (const std::u16string& text : perArgument[k]) {
      if (message) {
        shaped.message = text;
        message = false;
      } else if (!text.empty()) {
        shaped.choices.push_back(text);
      }
    }
  }
  if ((type & (os::kSelectTexts | os::kSelectIndexes)) == 0 &&
      shaped.choices.size() > kMaxBitChoices) {
    shaped.choices.resize(kMaxBitChoices);
  }
  return shaped;
}

Value SelectionResult(const os::SelectionAnswer& answer, const std::vector<std::u16string>& choices,
                      int type) {
  const bool texts = (type & os::kSelectTexts) != 0;
  const bool indexes = (type & os::kSelectIndexes) != 0;
  if (answer.outcome == os::SelectionAnswer::kClosed) return Value::Int(-1);
  if (answer.outcome == os::SelectionAnswer::kTimedOut) {
    return texts || indexes ? Value::String(u"") : Value::Int(0);
  }
  if (!texts && !indexes) {
    std::int64_t bits = 0;
    for (int i : answer.chosen) {
      if (i >= 0 && i < 63) bits += std::int64_t{1} << i;
    }
    return Value::Int(bits);
  }
  std::u16string joined;
  for (std::size_t k = 0; k < answer.chosen.size(); ++k) {
    const int i = answer.chosen[k];
    if (k > 0) joined += u'\t';
    if (texts) {
      if (i >= 0 && static_cast<std::size_t>(i) < choices.size()) {
        joined += choices[static_cast<std::size_t>(i)];
      }
    } else {
      joined += IndexText(i);
    }
  }
  // A single index is a number; with texts asked for as well, a text that is
  // no whole number stays a text.
  if (type >= 128 && type <= 255 && !joined.empty() && joined.find(u'\t') == joined.npos &&
      IsNumberText(joined, true, false)) {
    const double n = TextToNumber(joined);
    if (n == static_cast<double>(static_cast<std::int64_t>(n))) {
      return Value::Int(static_cast<std::int64_t>(n));
    }
  }
  return Value::String(std::move(joined));
}

Value InputResult(std::u16string text) {
  const bool number = IsNumberText(text, true, false);
  return Value::String(std::move(text), number ? kVtNarrowStr : kVtUString);
}

}  // namespace zelk::dialogs
