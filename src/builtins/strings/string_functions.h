// The string built-ins' branches, and the text rules they share: the case
// and yen rules of the search functions, and the pure text work that is kept
// apart from the argument vectors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "builtins/builtin_family.h"

namespace zelk {

// How the search functions compare: exactly under OPTION SAMESTR, else
// ignoring case; with Japanese messages the yen sign matches a backslash.
struct MatchRule {
  bool exact = false;
  bool yenAsBackslash = false;
};
MatchRule MatchRuleOf(const THensuFmt& context);
// The text as the rule compares it; one code unit for one, so positions
// found in it are positions in the original.
// With a poll, a long text is mapped in slices; "" when the run is stopped.
std::u16string ForMatch(std::u16string_view text, MatchRule rule, StopPoll* poll = nullptr);

// The 1-based code-unit position of the n-th occurrence of sub in text
// (overlapping occurrences count; n < 0 counts from the end, 0 is 1), or 0.
// Both are already prepared for matching.
std::size_t FindNth(std::u16string_view sub, std::u16string_view text, std::int64_t n,
                    StopPoll* poll = nullptr);

// BETWEENSTR: the text between the n-th from and the following to; false
// when either is missing.
bool BetweenText(std::u16string_view text, std::u16string_view from, std::u16string_view to,
                 std::int64_t n, bool overlap, MatchRule rule, std::u16string* out);

// TRIM: characters up to U+0020 at both ends, with wide also the Unicode
// blanks (no-break, the U+2000 family, ideographic space, BOM).
std::u16string TrimText(std::u16string_view text, bool wide);

// FORMAT's number mode. digits < 0 gives hexadecimal; hasWidth/hasDigits say
// which arguments were given.
std::u16string FormatNumber(double number, std::int64_t whole, bool hasWidth, std::int64_t width,
                            bool hasDigits, std::int64_t digits);
// value with `decimals` decimals, rounded half away from zero.
std::u16string FixedDecimals(double value, int decimals);

// ENCODE/DECODE's text codings. Bytes travel as one code unit per byte.
std::string UrlEncodeBytes(std::string_view bytes);
std::string UrlDecodeBytes(std::string_view bytes);
std::u16string HtmlEncode(std::u16string_view text);
std::u16string HtmlDecode(std::u16string_view text);

// A text longer than this is refused by the functions that build one from a
// count (FORMAT's width).
inline constexpr std::int64_t kMaxBuiltText = std::int64_t{1} << 26;

// Branches.
void BuiltinCopy(BuiltinCall& call);
void BuiltinLengthS(BuiltinCall& call);
void BuiltinTrim(BuiltinCall& call);
void BuiltinToken(BuiltinCall& call);
void BuiltinChr(BuiltinCall& call);
void BuiltinAsc(BuiltinCall& call);
void BuiltinStrConv(BuiltinCall& call);
void BuiltinChkNum(BuiltinCall& call);
void BuiltinVal(BuiltinCall& call);
void BuiltinFormat(BuiltinCall& call);
void BuiltinPos(BuiltinCall& call);
void BuiltinReplace(BuiltinCall& call);
void BuiltinBetweenStr(BuiltinCall& call);
void BuiltinIsUnicode(BuiltinCall& call);
void BuiltinLengthB(BuiltinCall& call);
void BuiltinCopyB(BuiltinCall& call);
void BuiltinPosB(BuiltinCall& call);
void BuiltinAscB(BuiltinCall& call);
void BuiltinChrB(BuiltinCall& call);
void BuiltinEncode(BuiltinCall& call);
void BuiltinDecode(BuiltinCall& call);
void BuiltinEval(BuiltinCall& call);
void BuiltinVarType(BuiltinCall& call);
void BuiltinRandom(BuiltinCall& call);

}  // namespace zelk
