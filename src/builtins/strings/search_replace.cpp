// POS, REPLACE/CHGMOJ and BETWEENSTR, and the case and yen rules they share
// with POSB.
#include <algorithm>

#include "base/code_points.h"
#include "base/text_scan.h"
#include "builtins/strings/string_functions.h"
#include "foundation/case_mapping.h"
#include "foundation/messages.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

constexpr unsigned kMapUpperCase = 0x200;  // LCMAP_UPPERCASE
constexpr char16_t kYen = u'\u00A5';
// Stands for the start or the end of the text when BETWEENSTR's from or to is empty.
constexpr std::u16string_view kBetweenMarker = u"_ZELK_DF_BETWEEN_MJ_";

std::u16string Reversed(std::u16string_view text) {
  return std::u16string(text.rbegin(), text.rend());
}

// The text as a search sees it. Where that is the text itself it is not
// copied: a copy of a long text would hold a stop request up before the
// search, which looks at it, begins.
std::u16string_view MatchText(std::u16string_view text, MatchRule rule, StopPoll* poll,
                              std::u16string* mapped) {
  if (rule.exact && !(rule.yenAsBackslash && text.find(kYen) != std::u16string_view::npos)) {
    return text;
  }
  *mapped = ForMatch(text, rule, poll);
  return *mapped;
}

}  // namespace

MatchRule MatchRuleOf(const THensuFmt& context) {
  return MatchRule{context.interp->options.sameStr, JapaneseMessages()};
}

std::u16string ForMatch(std::u16string_view text, MatchRule rule, StopPoll* poll) {
  std::u16string out;
  if (rule.exact) {
    out.assign(text);
  } else if (poll == nullptr || text.size() <= StopPoll::kStopPollSteps) {
    out = MapString(text, kMapUpperCase);
    // Positions must carry over to the original: one unit for one.
    if (out.size() != text.size()) out = UpperAscii(text);
  } else {
    constexpr std::size_t kSlice = StopPoll::kStopPollSteps;
    out.reserve(text.size());
    std::size_t from = 0;
    while (from < text.size()) {
      std::size_t end = std::min(text.size(), from + kSlice);
      // A surrogate pair is mapped whole.
      if (end < text.size() && IsHighSurrogate(text[end - 1])) --end;
      if (poll->Stopped(static_cast<std::int64_t>(end - from))) return {};
      out += MapString(text.substr(from, end - from), kMapUpperCase);
      from = end;
    }
    if (out.size() != text.size()) out = UpperAscii(text);
  }
  if (rule.yenAsBackslash) std::replace(out.begin(), out.end(), kYen, u'\\');
  return out;
}

std::size_t FindNth(std::u16string_view sub, std::u16string_view text, std::int64_t n,
                    StopPoll* poll) {
  if (sub.empty() || sub.size() > text.size()) return 0;
  std::u16string reversedSub, reversedText;
  const bool backwards = n < 0;
  if (backwards) {
    reversedSub = Reversed(sub);
    reversedText = Reversed(text);
    sub = reversedSub;
    text = reversedText;
    n = -n;
  }
  if (n == 0) n = 1;
  auto find = [&](std::size_t from) {
    return poll ? poll->Find(text, sub, from) : text.find(sub, from);
  };
  std::size_t p = find(0);
  for (std::int64_t i = 1; i < n && p != std::u16string_view::npos; ++i) p = find(p + 1);
  if (p == std::u16string_view::npos) return 0;
  return backwards ? text.size() - p - sub.size() + 1 : p + 1;
}

void BuiltinPos(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  MatchRule rule = MatchRuleOf(call.context);
  StopPoll poll(call.context);
  std::u16string sub = ForMatch(a.Text(0), rule);
  std::u16string mapped;
  std::u16string_view text = MatchText(a.Text(1), rule, &poll, &mapped);
  std::size_t p = FindNth(sub, text, a.whole[2], &poll);
  if (poll.stopped()) {
    call.failed = true;
    return;
  }
  std::int64_t position = 0;
  if (p > 0) {
    position = static_cast<std::int64_t>(CodePointCount(a.Text(1).substr(0, p - 1))) + 1;
  }
  call.result = Value::Int(position);
}

// REPLACE and CHGMOJ: every occurrence, left to right, never rescanning what
// was put in.
void BuiltinReplace(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  MatchRule rule = MatchRuleOf(call.context);
  std::u16string_view text = a.Text(0);
  std::u16string withBackslashes;
  if (rule.yenAsBackslash && text.find(kYen) != std::u16string_view::npos) {
    withBackslashes.assign(text);
    std::replace(withBackslashes.begin(), withBackslashes.end(), kYen, u'\\');
    text = withBackslashes;
  }
  StopPoll poll(call.context);
  std::u16string mapped;
  std::u16string_view hay = MatchText(text, rule, &poll, &mapped);
  std::u16string needle = ForMatch(a.Text(1), rule);
  if (needle.empty() && !poll.stopped()) {
    call.result = Value::String(std::u16string(text));
    return;
  }
  const std::u16string_view with = a.Text(2);
  std::u16string out;
  std::size_t from = 0;
  for (std::size_t p = poll.Find(hay, needle, 0); p != std::u16string::npos;
       p = poll.Find(hay, needle, from)) {
    out.append(text.substr(from, p - from));
    out.append(with);
    from = p + needle.size();
  }
  if (poll.stopped()) {
    call.failed = true;
    return;
  }
  out.append(text.substr(from));
  call.result = Value::String(std::move(out));
}

bool BetweenText(std::u16string_view text, std::u16string_view from, std::u16string_view to,
                 std::int64_t n, bool overlap, MatchRule rule, std::u16string* out) {
  std::u16string original(text), fromText(from), toText(to);
  if (fromText.empty()) {
    original.insert(0, kBetweenMarker);
    fromText = kBetweenMarker;
  }
  if (toText.empty()) {
    original.append(kBetweenMarker);
    toText = kBetweenMarker;
  }
  const bool backwards = n < 0;
  if (backwards) {
    // From the end: the reversed text is searched for the reversed closing
    // delimiter first.
    original = Reversed(original);
    std::u16string reversedFrom = Reversed(toText);
    toText = Reversed(fromText);
    fromText = std::move(reversedFrom);
    n = -n;
  }
  if (n == 0) n = 1;
  const std::u16string hay = ForMatch(original, rule);
  const std::u16string open = ForMatch(fromText, rule);
  const std::u16string close = ForMatch(toText, rule);

  std::size_t start = 0, end = 0;
  for (std::int64_t i = 0; i < n; ++i) {
    std::size_t p = hay.find(open, start);
    if (p == std::u16string::npos) return false;
    start = p + open.size();
    end = hay.find(close, start);
    if (end == std::u16string::npos) return false;
    if (i + 1 < n && !overlap) start = end + close.size();
  }
  out->assign(original, start, end - start);
  if (backwards) std::reverse(out->begin(), out->end());
  return true;
}

void BuiltinBetweenStr(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  std::u16string out;
  if (!BetweenText(a.text[0], a.text[1], a.text[2], a.whole[3], a.whole[4] != 0,
                   MatchRuleOf(call.context), &out)) {
    call.result = Value();
    return;
  }
  call.result = Value::String(std::move(out));
}

}  // namespace zelk
