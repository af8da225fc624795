// SPLIT and JOIN: a text into an OLE array of pieces, and array elements into
// one text.
#include <algorithm>
#include <span>

#include "base/numbers.h"
#include "builtins/arrays/array_functions.h"

namespace zelk::arrays {
namespace {

// A piece as SPLIT stores it: with numbers, a number without its thousands
// separators, or "" when it is none.
Value PieceValue(std::u16string_view piece, bool numbers) {
  if (!numbers) return Value::String(std::u16string(piece));
  std::u16string digits;
  digits.reserve(piece.size());
  for (char16_t c : piece) {
    if (c != u',') digits += c;
  }
  if (!IsNumberText(digits, false, true)) return Value::String(u"");
  return Value::Double(TrimToNumber(digits));
}

}  // namespace

void Split(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  std::u16string_view text = args.text[0];
  std::u16string_view delimiter = args.text[1];
  if (delimiter.empty()) delimiter = u" ";
  const bool skipEmpty = args.real[2] != 0;
  const bool numbers = args.real[3] != 0;
  std::vector<Value> pieces;
  StopPoll poll(call.context);
  auto add = [&](std::u16string_view piece) {
    poll.Stopped(static_cast<std::int64_t>(piece.size()) + 1);
    if (skipEmpty && piece.empty()) return;
    pieces.push_back(PieceValue(piece, numbers));
  };
  if (!text.empty()) {
    if (delimiter == u"\r\n") {
      // Lines: CR, LF and CR LF each end one; a last line break starts none.
      std::size_t start = 0;
      while (start < text.size() && !poll.stopped()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == text.npos) {
          add(text.substr(start));
          break;
        }
        add(text.substr(start, end - start));
        start =
            end + (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n' ? 2 : 1);
      }
    } else {
      std::size_t start = 0;
      while (!poll.stopped()) {
        std::size_t end = poll.Find(text, delimiter, start);
        if (end == text.npos) {
          if (!poll.stopped()) add(text.substr(start));
          break;
        }
        add(text.substr(start, end - start));
        start = end + delimiter.size();
      }
    }
  }
  // A stopped run gets no half-made array.
  if (poll.stopped()) {
    call.failed = true;
    return;
  }
  call.result = Value::ArrayOf(std::move(pieces));
}

void Join(BuiltinCall& call) {
  const BuiltinArgs& args = call.args;
  std::vector<std::u16string> texts;
  if (!ExpandArrayElements(args.text[0], &texts, true, call.context)) {
    call.failed = true;
    return;
  }
  std::u16string_view delimiter = args.count >= 2 ? std::u16string_view(args.text[1]) : u" ";
  const bool skipEmpty = args.real[2] != 0;
  const std::int64_t last = static_cast<std::int64_t>(texts.size()) - 1;
  std::int64_t from = args.count >= 4 && args.numeric[3] ? args.whole[3] : 0;
  std::int64_t to = args.count >= 5 && args.numeric[4] ? args.whole[4] : last;
  from = std::max<std::int64_t>(from, 0);
  to = std::min(to, last);
  std::u16string joined;
  bool first = true;
  for (std::int64_t i = from; i <= to; ++i) {
    const std::u16string& piece = texts[static_cast<std::size_t>(i)];
    if (skipEmpty && piece.empty()) continue;
    if (!first) joined += delimiter;
    joined += piece;
    first = false;
  }
  call.result = Value::String(std::move(joined));
}

}  // namespace zelk::arrays
