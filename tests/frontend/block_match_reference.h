// The block matchers as they were before they shared one index per table:
// each head scans forward row by row. Kept only to check the indexed
// matchers against, on tables where both must give the same results.
#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/messages.h"
#include "frontend/statement_table.h"

namespace zelk::reference {

using std::u16string;
using std::u16string_view;

inline constexpr char16_t kFieldSep = u'`';
inline constexpr u16string_view kFend = u"FEND";

// Block types in the order the overlap check examines them.
enum BlockType : int {
  kIfbBlock,
  kSelectBlock,
  kForBlock,
  kWhileBlock,
  kRepeatBlock,
  kTryBlock,
  kBlockTypes,
  kNoBlock = -1,
};

struct RowEvent {
  int type = kNoBlock;
  int delta = 0;
};

// What a row does to block nesting: opens (+1) or closes (-1) one type.
inline RowEvent Classify(u16string_view row) {
  if (row.empty()) return {};
  switch (row[0]) {
    case u'I':
      if (row.starts_with(u"IFB ")) return {kIfbBlock, 1};
      break;
    case u'E':
      if (row == u"ENDIF") return {kIfbBlock, -1};
      if (row == u"ENDTRY") return {kTryBlock, -1};
      break;
    case u'S':
      if (row.starts_with(u"SELECT ")) return {kSelectBlock, 1};
      if (row == u"SELEND") return {kSelectBlock, -1};
      break;
    case u'F':
      if (row.starts_with(u"FOR ")) return {kForBlock, 1};
      break;
    case u'N':
      if (row == u"NEXT") return {kForBlock, -1};
      break;
    case u'W':
      if (row.starts_with(u"WHILE ")) return {kWhileBlock, 1};
      if (row == u"WEND") return {kWhileBlock, -1};
      break;
    case u'R':
      if (row == u"REPEAT") return {kRepeatBlock, 1};
      break;
    case u'U':
      if (row.starts_with(u"UNTIL ")) return {kRepeatBlock, -1};
      break;
    case u'T':
      if (row == u"TRY") return {kTryBlock, 1};
      break;
    default:
      break;
  }
  return {};
}

inline u16string Marker(u16string_view message) {
  u16string out(kErrorMarker);
  out += message;
  return out;
}

// The marker for anything unforeseen inside a matcher.
inline u16string Unexpected(u16string_view block) {
  u16string out(kErrorMarker);
  out += block;
  out += u":SyntaxError";
  return out;
}

// Nesting of every block type but the matcher's own. For each, the row that
// last left it unbalanced is kept to name the crossed block in the message.
// The views point into the table, which nothing changes while a matcher runs.
class OtherBlocks {
 public:
  explicit OtherBlocks(int own) : own_(own) {}

  void Track(RowEvent e, u16string_view row) {
    if (e.type == kNoBlock || e.type == own_) return;
    int& n = count_[e.type];
    n += e.delta;
    if ((e.delta > 0 && n > 0) || (e.delta < 0 && n < 0)) last_[e.type] = row;
  }

  bool Balanced() const {
    for (int n : count_) {
      if (n != 0) return false;
    }
    return true;
  }

  // Empty when no other block is crossed, else the overlap marker.
  u16string Overlap(u16string_view prefix) const {
    for (int t = 0; t < kBlockTypes; ++t) {
      if (count_[t] == 0) continue;
      u16string out = Marker(prefix);
      out += last_[t];
      return out;
    }
    return {};
  }

 private:
  int own_;
  int count_[kBlockTypes] = {};
  u16string_view last_[kBlockTypes];
};

inline bool ValidRow(const StatementTable& table, int row) {
  return row >= 0 && row < table.RowCount();
}

inline void Mark(StatementTable& table, int row) {
  if (row < 0) return;
  // The kind pass sizes the flags; a table built otherwise must not be overrun.
  if (table.BlockMatched.size() < table.StmtTexts.size()) {
    table.BlockMatched.resize(table.StmtTexts.size(), 0);
  }
  table.BlockMatched[row] = 1;
}

inline bool IsBlank(char16_t c) {
  return c <= u' ';
}

inline u16string_view TrimView(u16string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// The head's text after its keyword, trimmed.
inline u16string_view HeadRest(u16string_view head) {
  std::size_t blank = head.find(u' ');
  if (blank == u16string_view::npos) return {};
  return TrimView(head.substr(blank + 1));
}

inline void AppendNumber(u16string& out, long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  for (const char* p = digits; p < result.ptr; ++p) out += static_cast<char16_t>(*p);
}

// Offset of a partner from the head; an absent one as -1 minus the head.
inline void AppendOffset(u16string& out, int partner, int head) {
  AppendNumber(out, partner >= 0 ? static_cast<long long>(partner) - head : -1LL - head);
}

// Letters that continue a name, so that a keyword glued to them is part of it.
// Digits are left out: "1TO 5" has always been read as "1 TO 5".
inline bool IsNameLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80;
}

// First occurrence of word outside literals; with wordStart it may not follow
// a name letter, with wordEnd it may not be followed by one. npos when none.
inline std::size_t FindWord(u16string_view text, u16string_view word, bool wordStart,
                            bool wordEnd) {
  bool inLiteral = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'"') {
      inLiteral = !inLiteral;
      continue;
    }
    if (inLiteral || !text.substr(i).starts_with(word)) continue;
    if (wordStart && i > 0 && IsNameLetter(text[i - 1])) continue;
    std::size_t end = i + word.size();
    if (wordEnd && end < text.size() && IsNameLetter(text[end])) continue;
    return i;
  }
  return u16string_view::npos;
}

inline constexpr const char16_t* kOverlapJa =
    u"がループかブロックを跨いでいる、もしくはブロックの対応が取れていない: ";

inline u16string OverlapPrefix(u16string_view block) {
  u16string out(block);
  if (JapaneseMessages()) {
    out += u' ';
    out += kOverlapJa;
  } else {
    out += u" steps over the loop or block: ";
  }
  return out;
}

// The NEXT that closes the FOR at head, or -1 with *failure set.
inline int FindNext(const StatementTable& table, int head, u16string* failure) {
  const auto& texts = table.StmtTexts;
  OtherBlocks others(kForBlock);
  int depth = 1;
  int next = -1;
  for (int r = head + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    if (row.starts_with(u"NEXT ")) {
      *failure = Marker(Msg(u"Must describe nothing to NEXT", u"NEXT の後に記述はできません"));
      return -1;
    }
    RowEvent e = Classify(row);
    if (e.type == kForBlock) {
      depth += e.delta;
      if (depth == 0) {
        next = r;
        break;
      }
      continue;
    }
    others.Track(e, row);
  }
  if (next < 0) {
    *failure = Marker(Msg(u"It doesn't have NEXT toward FOR", u"FORに対しNEXTが無い"));
    return -1;
  }
  *failure = others.Overlap(OverlapPrefix(u"FOR-NEXT"));
  return failure->empty() ? next : -1;
}

inline u16string MatchIfbImpl(StatementTable& table, int head) {
  const auto& texts = table.StmtTexts;
  u16string_view cond = HeadRest(texts[head]);
  if (cond.size() >= 5 && (cond.ends_with(u" THEN") || cond.ends_with(u")THEN"))) {
    cond = TrimView(cond.substr(0, cond.size() - 4));
  }
  OtherBlocks others(kIfbBlock);
  int depth = 1;
  int firstElseif = -1, elseRow = -1, endif = -1;
  for (int r = head + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    RowEvent e = Classify(row);
    if (e.type == kIfbBlock) {
      depth += e.delta;
      if (depth == 0) {
        endif = r;
        break;
      }
      continue;
    }
    others.Track(e, row);
    // An ELSE inside a loop or block that lies in this IFB is not this IFB's:
    // taking it would jump out of that block.
    if (depth != 1 || !others.Balanced()) continue;
    if (row.starts_with(u"ELSEIF ")) {
      if (firstElseif < 0) firstElseif = r;
    } else if (row == u"ELSE") {
      if (elseRow >= 0) return Marker(Msg(u"ELSE Multiplex definition", u"ELSE多重定義"));
      elseRow = r;
    } else if (row.starts_with(u"ELSE ")) {
      return Marker(Msg(u"ELSE: SyntaxError", u"ELSE行に記述がある"));
    }
  }
  if (endif < 0) {
    return Marker(Msg(u"It doesn't have ENDIF toward IFB", u"IFB に対しENDIF が無い"));
  }
  if (u16string overlap = others.Overlap(OverlapPrefix(u"IFB(IF)-ENDIF")); !overlap.empty()) {
    return overlap;
  }
  Mark(table, firstElseif);
  Mark(table, elseRow);
  Mark(table, endif);
  u16string out(cond);
  out += kFieldSep;
  AppendOffset(out, firstElseif, head);
  out += kFieldSep;
  AppendOffset(out, elseRow, head);
  out += kFieldSep;
  AppendOffset(out, endif, head);
  return out;
}

inline u16string MatchSelectImpl(StatementTable& table, int head) {
  const auto& texts = table.StmtTexts;
  u16string out(HeadRest(texts[head]));
  OtherBlocks others(kSelectBlock);
  std::vector<int> items;
  bool haveDefault = false;
  int depth = 1;
  int selend = -1;
  for (int r = head + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    RowEvent e = Classify(row);
    if (e.type == kSelectBlock) {
      depth += e.delta;
      if (depth == 0) {
        selend = r;
        break;
      }
      continue;
    }
    others.Track(e, row);
    // A CASE inside a loop or block within this SELECT is not one of its items.
    if (depth != 1 || !others.Balanced()) continue;
    if (row.starts_with(u"CASE ")) {
      out += kFieldSep;
      AppendOffset(out, r, head);
      out += u',';
      out += row.substr(5);
      items.push_back(r);
    } else if (row == u"DEFAULT") {
      if (haveDefault) {
        return Marker(Msg(u"DEFAULT Multiplex definition", u"DEFAULT 多重定義 or SyntaxError"));
      }
      haveDefault = true;
      out += kFieldSep;
      AppendOffset(out, r, head);
      out += u",DEFAULT";
      items.push_back(r);
    }
  }
  if (selend < 0) {
    return Marker(Msg(u"It doesn't have SELEND toward SELECT", u"SELECT に対し SELEND が無い"));
  }
  if (u16string overlap = others.Overlap(OverlapPrefix(u"SELECT-SELEND")); !overlap.empty()) {
    return overlap;
  }
  for (int r : items) Mark(table, r);
  Mark(table, selend);
  out += kFieldSep;
  AppendOffset(out, selend, head);
  out += u",SELEND";
  return out;
}

inline u16string MatchForToImpl(StatementTable& table, int head) {
  u16string_view rest = HeadRest(table.StmtTexts[head]);
  std::size_t eq = FindWord(rest, u"=", false, false);
  if (eq == u16string_view::npos) {
    return Marker(Msg(u"It doesn't have \"IN\"", u"\"IN\" もしくは \"=\" 指定が無い"));
  }
  u16string_view var = TrimView(rest.substr(0, eq));
  if (var.empty()) return Marker(Msg(u"SyntaxError-50", u"変数が無い"));
  u16string_view bounds = rest.substr(eq + 1);
  // A whole-word search, so that a name like AUTO or a literal in the start
  // expression is not taken for the keyword.
  std::size_t to = FindWord(bounds, u"TO ", true, false);
  if (to == u16string_view::npos) {
    return Marker(Msg(u"It doesn't have \"TO\"", u"TOが無い"));
  }
  // Start and step keep their blanks: the handler evaluates them as they stand.
  u16string_view start = bounds.substr(0, to);
  u16string_view end = bounds.substr(to + 3);
  u16string_view step = u"1";
  if (std::size_t s = FindWord(end, u" STEP", false, true); s != u16string_view::npos) {
    step = end.substr(s + 5);
    end = end.substr(0, s);
  }
  u16string failure;
  int next = FindNext(table, head, &failure);
  if (next < 0) return failure;
  Mark(table, next);
  u16string out(var);
  out += kFieldSep;
  out += start;
  out += kFieldSep;
  out += end;
  out += kFieldSep;
  out += step;
  out += kFieldSep;
  AppendOffset(out, next, head);
  return out;
}

inline u16string MatchForInImpl(StatementTable& table, int head) {
  u16string_view rest = HeadRest(table.StmtTexts[head]);
  std::size_t in = FindWord(rest, u" IN ", false, false);
  if (in == u16string_view::npos) {
    return Marker(Msg(u"It doesn't have \"IN\"", u"\"IN\" もしくは \"=\" 指定が無い"));
  }
  u16string_view var = TrimView(rest.substr(0, in));
  if (var.empty()) return Marker(Msg(u"SyntaxError-51", u"変数が無い"));
  u16string_view collection = TrimView(rest.substr(in + 4));
  u16string failure;
  int next = FindNext(table, head, &failure);
  if (next < 0) return failure;
  Mark(table, next);
  u16string out(var);
  out += kFieldSep;
  out += collection;
  out += kFieldSep;
  AppendOffset(out, next, head);
  return out;
}

inline u16string MatchWhileImpl(StatementTable& table, int head) {
  const auto& texts = table.StmtTexts;
  OtherBlocks others(kWhileBlock);
  int depth = 1;
  int wend = -1;
  for (int r = head + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    RowEvent e = Classify(row);
    if (e.type == kWhileBlock) {
      depth += e.delta;
      if (depth == 0) {
        wend = r;
        break;
      }
      continue;
    }
    others.Track(e, row);
  }
  if (wend < 0) {
    return Marker(Msg(u"It doesn't have WEND toward WHILE", u"WHILE に対しWEND が無い"));
  }
  if (u16string overlap = others.Overlap(OverlapPrefix(u"WHILE-WEND")); !overlap.empty()) {
    return overlap;
  }
  Mark(table, wend);
  u16string out(HeadRest(texts[head]));
  out += kFieldSep;
  AppendOffset(out, wend, head);
  return out;
}

inline u16string MatchRepeatImpl(StatementTable& table, int head) {
  const auto& texts = table.StmtTexts;
  if (!HeadRest(texts[head]).empty()) {
    return Marker(Msg(u"Something is here after REPEAT", u"REPEAT の後に記述はできません"));
  }
  OtherBlocks others(kRepeatBlock);
  int depth = 1;
  int until = -1;
  for (int r = head + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    RowEvent e = Classify(row);
    if (e.type == kRepeatBlock) {
      depth += e.delta;
      if (depth == 0) {
        until = r;
        break;
      }
      continue;
    }
    others.Track(e, row);
  }
  if (until < 0) {
    return Marker(
        Msg(u"It doesn't have REPEAT toward UNTIL", u"UNTIL に対し REPEAT が無いか式定義が無い"));
  }
  if (u16string overlap = others.Overlap(OverlapPrefix(u"REPEAT-UNTIL")); !overlap.empty()) {
    return overlap;
  }
  Mark(table, until);
  u16string out(TrimView(u16string_view(texts[until]).substr(6)));
  out += kFieldSep;
  AppendOffset(out, until, head);
  return out;
}

inline bool IsTryPartner(u16string_view row) {
  return row == u"FINALLY" || row == u"EXCEPT";
}

inline u16string MatchTryImpl(StatementTable& table, int head) {
  const auto& texts = table.StmtTexts;
  if (!HeadRest(texts[head]).empty()) {
    return Marker(Msg(u"Something is here after TRY", u"TRY の後に記述はできません"));
  }
  // Nested TRYs are this matcher's own depth, so neither scan tracks TRY/ENDTRY
  // as another block.
  OtherBlocks tryPart(kTryBlock);
  int depth = 1;
  int partner = -1;
  for (int r = head + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    tryPart.Track(Classify(row), row);
    if (row == u"TRY") {
      ++depth;
    } else if (IsTryPartner(row) && --depth == 0) {
      partner = r;
      break;
    }
  }
  if (partner < 0) {
    return Marker(
        Msg(u"It doesn't have FINALLY or EXCEPT toward TRY", u"TRY に対し FINALLY, EXCEPT が無い"));
  }
  if (u16string overlap = tryPart.Overlap(OverlapPrefix(u"TRY")); !overlap.empty()) {
    return overlap;
  }
  Mark(table, partner);

  OtherBlocks handlerPart(kTryBlock);
  depth = 1;
  int endtry = -1;
  for (int r = partner + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    if (row == kFend) break;
    handlerPart.Track(Classify(row), row);
    if (IsTryPartner(row)) {
      ++depth;
    } else if (row == u"ENDTRY" && --depth == 0) {
      endtry = r;
      break;
    }
  }
  if (endtry < 0) {
    return Marker(Msg(u"It doesn't have ENDTRY toward FINALLY or EXCEPT",
                      u"FINALLY, EXCEPT に対し ENDTRY が無い"));
  }
  if (u16string overlap = handlerPart.Overlap(OverlapPrefix(u"FINALLY or EXCEPT"));
      !overlap.empty()) {
    return overlap;
  }
  Mark(table, endtry);
  u16string out(texts[partner] == u"FINALLY" ? u"0 " : u"1 ");
  AppendNumber(out, static_cast<long long>(partner) - head);
  out += u' ';
  AppendNumber(out, static_cast<long long>(endtry) - partner);
  return out;
}

// Runs a matcher on a valid head; anything unforeseen becomes the block's
// catch-all marker instead of leaving the front end.
template <typename Matcher>
inline u16string Guarded(StatementTable& table, int head, u16string_view block, Matcher match) {
  try {
    if (!ValidRow(table, head)) return Unexpected(block);
    return match(table, head);
  } catch (...) {
    return Unexpected(block);
  }
}

// Levels a BREAK or CONTINUE row leaves: 1, or its plain number; 0 when the
// row is neither.
inline int JumpLevels(u16string_view row, u16string_view keyword) {
  if (!row.starts_with(keyword)) return 0;
  u16string_view rest = row.substr(keyword.size());
  if (rest.empty()) return 1;
  if (rest[0] != u' ') return 0;
  rest = TrimView(rest);
  int levels = 0;
  for (char16_t c : rest) {
    if (c < u'0' || c > u'9') return 1;  // an expression: at least one level
    levels = levels * 10 + (c - u'0');
    if (levels > 1000000) break;
  }
  return levels;
}

inline std::u16string MatchIfb(StatementTable& table, int head) {
  return Guarded(table, head, u"IFB-ENDIF", MatchIfbImpl);
}

inline std::u16string MatchSelect(StatementTable& table, int head) {
  return Guarded(table, head, u"SELECT-SELEND", MatchSelectImpl);
}

inline std::u16string MatchForTo(StatementTable& table, int head) {
  return Guarded(table, head, u"FOR-NEXT", MatchForToImpl);
}

inline std::u16string MatchForIn(StatementTable& table, int head) {
  return Guarded(table, head, u"FOR-NEXT", MatchForInImpl);
}

inline std::u16string MatchWhile(StatementTable& table, int head) {
  return Guarded(table, head, u"WHILE-WEND", MatchWhileImpl);
}

inline std::u16string MatchRepeat(StatementTable& table, int head) {
  return Guarded(table, head, u"REPEAT-UNTIL", MatchRepeatImpl);
}

inline std::u16string MatchTry(StatementTable& table, int head) {
  return Guarded(table, head, u"TRY", MatchTryImpl);
}

inline bool FinallyHasJump(const StatementTable& table, int finallyRow) {
  if (!ValidRow(table, finallyRow)) return false;
  const auto& texts = table.StmtTexts;
  int tryDepth = 1;
  int loopDepth = 0;
  for (int r = finallyRow + 1; r < table.RowCount(); ++r) {
    u16string_view row = texts[r];
    // The part cannot reach into the next body, even when its ENDTRY is missing.
    if (row == kFend) break;
    if (row == u"TRY") {
      ++tryDepth;
    } else if (row == u"ENDTRY") {
      if (--tryDepth == 0) break;
    } else if (row.starts_with(u"FOR ") || row.starts_with(u"WHILE ") || row == u"REPEAT") {
      ++loopDepth;
    } else if (row == u"NEXT" || row == u"WEND" || row.starts_with(u"UNTIL ")) {
      --loopDepth;
    } else if (row == u"EXIT" || row.starts_with(u"EXIT ")) {
      return true;
    } else if (tryDepth == 1) {
      // BREAK 2 inside one loop leaves the part as surely as a bare BREAK.
      int levels = JumpLevels(row, u"BREAK");
      if (levels == 0) levels = JumpLevels(row, u"CONTINUE");
      if (levels > 0 && levels > loopDepth) return true;
    }
  }
  return false;
}

}  // namespace zelk::reference
