#include "frontend/block_match.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"

namespace zelk {
namespace {

using std::u16string;
using std::u16string_view;

constexpr char16_t kFieldSep = u'`';
constexpr u16string_view kFend = u"FEND";

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
RowEvent Classify(u16string_view row) {
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

u16string Marker(u16string_view message) {
  u16string out(kErrorMarker);
  out += message;
  return out;
}

// The marker for anything unforeseen inside a matcher.
u16string Unexpected(u16string_view block) {
  u16string out(kErrorMarker);
  out += block;
  out += u":SyntaxError";
  return out;
}

bool ValidRow(const StatementTable& table, int row) {
  return row >= 0 && row < table.RowCount();
}

void Mark(StatementTable& table, int row) {
  if (row < 0) return;
  // The kind pass sizes the flags; a table built otherwise must not be overrun.
  if (table.BlockMatched.size() < table.StmtTexts.size()) {
    table.BlockMatched.resize(table.StmtTexts.size(), 0);
  }
  table.BlockMatched[row] = 1;
}

// The head's text after its keyword, trimmed.
u16string_view HeadRest(u16string_view head) {
  std::size_t blank = head.find(u' ');
  if (blank == u16string_view::npos) return {};
  return TrimView(head.substr(blank + 1));
}

void AppendNumber(u16string& out, long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  for (const char* p = digits; p < result.ptr; ++p) out += static_cast<char16_t>(*p);
}

// Offset of a partner from the head; an absent one as -1 minus the head.
void AppendOffset(u16string& out, int partner, int head) {
  AppendNumber(out, partner >= 0 ? static_cast<long long>(partner) - head : -1LL - head);
}

// Letters that continue a name, so that a keyword glued to them is part of it.
// Digits are left out: "1TO 5" has always been read as "1 TO 5".
bool IsNameLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80;
}

// First occurrence of word outside literals; with wordStart it may not follow
// a name letter, with wordEnd it may not be followed by one. npos when none.
std::size_t FindWord(u16string_view text, u16string_view word, bool wordStart, bool wordEnd) {
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

constexpr const char16_t* kOverlapJa =
    u"がループかブロックを跨いでいる、もしくはブロックの対応が取れていない: ";

u16string OverlapPrefix(u16string_view block) {
  u16string out(block);
  if (JapaneseMessages()) {
    out += u' ';
    out += kOverlapJa;
  } else {
    out += u" steps over the loop or block: ";
  }
  return out;
}

// Levels a BREAK or CONTINUE row leaves: 1, or its plain number; 0 when the
// row is neither.
int JumpLevels(u16string_view row, u16string_view keyword) {
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

bool IsTryPartner(u16string_view row) {
  return row == u"FINALLY" || row == u"EXCEPT";
}

// Nesting of every block type after a row, counted from the start of the
// table: the rows between two others change it by the difference.
using Levels = std::array<int, kBlockTypes>;

struct LevelsHash {
  std::size_t operator()(const Levels& levels) const {
    std::size_t h = 0;
    for (int v : levels) h = h * 1000003u + static_cast<unsigned>(v);
    return h;
  }
};

// Rows that IFB and SELECT take only at their own level with every other
// block balanced, which is where a row's Levels equal the head's.
enum ItemKind : int {
  kElseifItem,
  kElseItem,
  kElseTextItem,
  kSelectItem,  // CASE or DEFAULT
  kDefaultItem,
  kItemKinds,
  kNoItem = -1,
};

ItemKind ItemOf(u16string_view row) {
  if (row.starts_with(u"ELSEIF ")) return kElseifItem;
  if (row == u"ELSE") return kElseItem;
  if (row.starts_with(u"ELSE ")) return kElseTextItem;
  if (row.starts_with(u"CASE ")) return kSelectItem;
  if (row == u"DEFAULT") return kDefaultItem;
  return kNoItem;
}

using JumpKey = std::pair<int, int>;
constexpr JumpKey kNoJump{INT_MIN, INT_MIN};

}  // namespace

struct BlockIndex::Data {
  int rows = 0;
  // The first FEND row after each row, or rows: no scan goes past it.
  std::vector<int> bodyEnd;
  // Per type, its Levels entry after each row.
  std::array<std::vector<int>, kBlockTypes> level;
  // Per type, the first row after each row where its level falls below that
  // row's: where the depth of a head there returns to 0, or rows.
  std::array<std::vector<int>, kBlockTypes> closer;
  // Per type, its openers and its closers, ascending.
  std::array<std::vector<int>, kBlockTypes> openRows, closeRows;
  // The same as closer for TRY's scans: TRY against FINALLY or EXCEPT, then
  // FINALLY or EXCEPT against ENDTRY.
  std::vector<int> tryPartner, handlerEnd;
  // Item rows as (id of their Levels, row), ascending.
  std::unordered_map<Levels, int, LevelsHash> levelIds;
  std::array<std::vector<std::pair<int, int>>, kItemKinds> items;
  std::vector<int> nextWithText;  // rows beginning "NEXT "
  // For FINALLY parts: EXIT rows; BREAK and CONTINUE rows with the key (-TRY
  // level, levels left - loop level), and a max tree over the keys.
  std::vector<int> exitRows;
  std::vector<int> jumpRows;
  std::vector<JumpKey> jumpTree;
};

namespace {

using Data = BlockIndex::Data;

// The first index after each where values falls below its value, or the size.
std::vector<int> FirstBelow(const std::vector<int>& values) {
  const int n = static_cast<int>(values.size());
  std::vector<int> out(values.size(), n);
  std::vector<int> waiting;  // values never decrease from bottom to top
  for (int r = 0; r < n; ++r) {
    while (!waiting.empty() && values[waiting.back()] > values[r]) {
      out[waiting.back()] = r;
      waiting.pop_back();
    }
    waiting.push_back(r);
  }
  return out;
}

int LoopLevel(const Data& d, int row) {
  return d.level[kForBlock][row] + d.level[kWhileBlock][row] + d.level[kRepeatBlock][row];
}

void Build(const StatementTable& table, Data& d) {
  const auto& texts = table.StmtTexts;
  const int n = table.RowCount();
  d.rows = n;
  d.bodyEnd.assign(texts.size(), n);
  for (int r = n - 1, fend = n; r >= 0; --r) {
    d.bodyEnd[r] = fend;
    if (texts[r] == kFend) fend = r;
  }
  for (auto& level : d.level) level.resize(texts.size());
  std::vector<int> tryLevel(texts.size()), handlerLevel(texts.size());
  std::vector<JumpKey> jumpKeys;
  Levels levels{};
  int tryOpen = 0, handlerOpen = 0;
  for (int r = 0; r < n; ++r) {
    u16string_view row = texts[r];
    RowEvent e = Classify(row);
    if (e.type != kNoBlock) {
      levels[e.type] += e.delta;
      (e.delta > 0 ? d.openRows : d.closeRows)[e.type].push_back(r);
    }
    for (int t = 0; t < kBlockTypes; ++t) d.level[t][r] = levels[t];

    if (row == u"TRY") {
      ++tryOpen;
    } else if (IsTryPartner(row)) {
      --tryOpen;
      ++handlerOpen;
    } else if (row == u"ENDTRY") {
      --handlerOpen;
    }
    tryLevel[r] = tryOpen;
    handlerLevel[r] = handlerOpen;

    if (ItemKind item = ItemOf(row); item != kNoItem) {
      int id = d.levelIds.try_emplace(levels, static_cast<int>(d.levelIds.size())).first->second;
      d.items[item].emplace_back(id, r);
      if (item == kDefaultItem) d.items[kSelectItem].emplace_back(id, r);
    }
    if (row.starts_with(u"NEXT ")) d.nextWithText.push_back(r);

    // Rows of a block type are neither EXIT nor a jump.
    if (e.type != kNoBlock) continue;
    if (row == u"EXIT" || row.starts_with(u"EXIT ")) {
      d.exitRows.push_back(r);
      continue;
    }
    int leaves = JumpLevels(row, u"BREAK");
    if (leaves == 0) leaves = JumpLevels(row, u"CONTINUE");
    if (leaves > 0) {
      d.jumpRows.push_back(r);
      jumpKeys.emplace_back(-levels[kTryBlock], leaves - LoopLevel(d, r));
    }
  }
  for (int t = 0; t < kBlockTypes; ++t) d.closer[t] = FirstBelow(d.level[t]);
  d.tryPartner = FirstBelow(tryLevel);
  d.handlerEnd = FirstBelow(handlerLevel);
  for (auto& list : d.items) std::sort(list.begin(), list.end());

  const std::size_t m = jumpKeys.size();
  d.jumpTree.assign(2 * m, kNoJump);
  std::copy(jumpKeys.begin(), jumpKeys.end(), d.jumpTree.begin() + static_cast<std::ptrdiff_t>(m));
  for (std::size_t i = m; i-- > 1;)
    d.jumpTree[i] = std::max(d.jumpTree[2 * i], d.jumpTree[2 * i + 1]);
}

// The greatest jump key of the jump rows after from and before to.
JumpKey MaxJump(const Data& d, int from, int to) {
  const auto& rows = d.jumpRows;
  std::size_t lo = std::upper_bound(rows.begin(), rows.end(), from) - rows.begin();
  std::size_t hi = std::lower_bound(rows.begin(), rows.end(), to) - rows.begin();
  JumpKey best = kNoJump;
  for (lo += rows.size(), hi += rows.size(); lo < hi; lo /= 2, hi /= 2) {
    if (lo & 1) best = std::max(best, d.jumpTree[lo++]);
    if (hi & 1) best = std::max(best, d.jumpTree[--hi]);
  }
  return best;
}

// The id of the Levels after row, or -1 when no item stands at them.
int LevelId(const Data& d, int row) {
  Levels levels;
  for (int t = 0; t < kBlockTypes; ++t) levels[t] = d.level[t][row];
  auto found = d.levelIds.find(levels);
  return found == d.levelIds.end() ? -1 : found->second;
}

// The first item of kind at levelId after row after and before limit, or -1.
int FirstItem(const Data& d, ItemKind kind, int levelId, int after, int limit) {
  if (levelId < 0) return -1;
  const auto& list = d.items[kind];
  auto it = std::lower_bound(list.begin(), list.end(), std::pair(levelId, after + 1));
  if (it == list.end() || it->first != levelId || it->second >= limit) return -1;
  return it->second;
}

// The overlap marker when the rows between from and to leave a block type
// other than own unbalanced, else empty. The first such type in the fixed
// order is named by the row that last left its count off zero, counted from
// from: its last opener when the count ends above zero (only closers follow,
// which cannot bring it to zero), its last closer when below.
u16string Overlap(const StatementTable& table, const Data& d, int own, int from, int to,
                  u16string_view block) {
  for (int t = 0; t < kBlockTypes; ++t) {
    if (t == own) continue;
    const int open = d.level[t][to - 1] - d.level[t][from];
    if (open == 0) continue;
    const std::vector<int>& rows = open > 0 ? d.openRows[t] : d.closeRows[t];
    auto last = std::lower_bound(rows.begin(), rows.end(), to) - rows.begin() - 1;
    u16string out = Marker(OverlapPrefix(block));
    // A count off zero has a row that made it so; at() guards the reasoning.
    out += table.StmtTexts[rows.at(static_cast<std::size_t>(last))];
    return out;
  }
  return {};
}

// The NEXT that closes the FOR at head, or -1 with *failure set.
int FindNext(const StatementTable& table, const Data& d, int head, u16string* failure) {
  const int end = d.bodyEnd[head];
  const int next = d.closer[kForBlock][head];
  // A "NEXT x" row stops the scan wherever it stands before the partner.
  const auto& texts = d.nextWithText;
  auto text = std::upper_bound(texts.begin(), texts.end(), head);
  if (text != texts.end() && *text < std::min(next, end)) {
    *failure = Marker(Msg(u"Must describe nothing to NEXT", u"NEXT の後に記述はできません"));
    return -1;
  }
  if (next >= end) {
    *failure = Marker(Msg(u"It doesn't have NEXT toward FOR", u"FORに対しNEXTが無い"));
    return -1;
  }
  *failure = Overlap(table, d, kForBlock, head, next, u"FOR-NEXT");
  return failure->empty() ? next : -1;
}

u16string MatchIfbImpl(StatementTable& table, int head, const Data& d) {
  const auto& texts = table.StmtTexts;
  u16string_view cond = HeadRest(texts[head]);
  if (cond.size() >= 5 && (cond.ends_with(u" THEN") || cond.ends_with(u")THEN"))) {
    cond = TrimView(cond.substr(0, cond.size() - 4));
  }
  const int end = d.bodyEnd[head];
  const int endif = d.closer[kIfbBlock][head];
  const int limit = std::min(endif, end);
  // An ELSE inside a loop or block that lies in this IFB is not this IFB's:
  // taking it would jump out of that block.
  const int id = LevelId(d, head);
  const int firstElseif = FirstItem(d, kElseifItem, id, head, limit);
  const int elseRow = FirstItem(d, kElseItem, id, head, limit);
  const int secondElse = elseRow < 0 ? -1 : FirstItem(d, kElseItem, id, elseRow, limit);
  const int elseText = FirstItem(d, kElseTextItem, id, head, limit);
  // The first faulty row met ends the match.
  if (secondElse >= 0 && (elseText < 0 || secondElse < elseText)) {
    return Marker(Msg(u"ELSE Multiplex definition", u"ELSE多重定義"));
  }
  if (elseText >= 0) return Marker(Msg(u"ELSE: SyntaxError", u"ELSE行に記述がある"));
  if (endif >= end) {
    return Marker(Msg(u"It doesn't have ENDIF toward IFB", u"IFB に対しENDIF が無い"));
  }
  if (u16string overlap = Overlap(table, d, kIfbBlock, head, endif, u"IFB(IF)-ENDIF");
      !overlap.empty()) {
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

u16string MatchSelectImpl(StatementTable& table, int head, const Data& d) {
  const auto& texts = table.StmtTexts;
  const int end = d.bodyEnd[head];
  const int selend = d.closer[kSelectBlock][head];
  const int limit = std::min(selend, end);
  // A CASE inside a loop or block within this SELECT is not one of its items.
  const int id = LevelId(d, head);
  const int firstDefault = FirstItem(d, kDefaultItem, id, head, limit);
  if (firstDefault >= 0 && FirstItem(d, kDefaultItem, id, firstDefault, limit) >= 0) {
    return Marker(Msg(u"DEFAULT Multiplex definition", u"DEFAULT 多重定義 or SyntaxError"));
  }
  if (selend >= end) {
    return Marker(Msg(u"It doesn't have SELEND toward SELECT", u"SELECT に対し SELEND が無い"));
  }
  if (u16string overlap = Overlap(table, d, kSelectBlock, head, selend, u"SELECT-SELEND");
      !overlap.empty()) {
    return overlap;
  }
  u16string out(HeadRest(texts[head]));
  for (int r = FirstItem(d, kSelectItem, id, head, selend); r >= 0;
       r = FirstItem(d, kSelectItem, id, r, selend)) {
    out += kFieldSep;
    AppendOffset(out, r, head);
    if (texts[r] == u"DEFAULT") {
      out += u",DEFAULT";
    } else {
      out += u',';
      out += u16string_view(texts[r]).substr(5);
    }
    Mark(table, r);
  }
  Mark(table, selend);
  out += kFieldSep;
  AppendOffset(out, selend, head);
  out += u",SELEND";
  return out;
}

u16string MatchForToImpl(StatementTable& table, int head, const Data& d) {
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
  int next = FindNext(table, d, head, &failure);
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

u16string MatchForInImpl(StatementTable& table, int head, const Data& d) {
  u16string_view rest = HeadRest(table.StmtTexts[head]);
  std::size_t in = FindWord(rest, u" IN ", false, false);
  if (in == u16string_view::npos) {
    return Marker(Msg(u"It doesn't have \"IN\"", u"\"IN\" もしくは \"=\" 指定が無い"));
  }
  u16string_view var = TrimView(rest.substr(0, in));
  if (var.empty()) return Marker(Msg(u"SyntaxError-51", u"変数が無い"));
  u16string_view collection = TrimView(rest.substr(in + 4));
  u16string failure;
  int next = FindNext(table, d, head, &failure);
  if (next < 0) return failure;
  Mark(table, next);
  u16string out(var);
  out += kFieldSep;
  out += collection;
  out += kFieldSep;
  AppendOffset(out, next, head);
  return out;
}

u16string MatchWhileImpl(StatementTable& table, int head, const Data& d) {
  const int wend = d.closer[kWhileBlock][head];
  if (wend >= d.bodyEnd[head]) {
    return Marker(Msg(u"It doesn't have WEND toward WHILE", u"WHILE に対しWEND が無い"));
  }
  if (u16string overlap = Overlap(table, d, kWhileBlock, head, wend, u"WHILE-WEND");
      !overlap.empty()) {
    return overlap;
  }
  Mark(table, wend);
  u16string out(HeadRest(table.StmtTexts[head]));
  out += kFieldSep;
  AppendOffset(out, wend, head);
  return out;
}

u16string MatchRepeatImpl(StatementTable& table, int head, const Data& d) {
  const auto& texts = table.StmtTexts;
  if (!HeadRest(texts[head]).empty()) {
    return Marker(Msg(u"Something is here after REPEAT", u"REPEAT の後に記述はできません"));
  }
  const int until = d.closer[kRepeatBlock][head];
  if (until >= d.bodyEnd[head]) {
    return Marker(
        Msg(u"It doesn't have REPEAT toward UNTIL", u"UNTIL に対し REPEAT が無いか式定義が無い"));
  }
  if (u16string overlap = Overlap(table, d, kRepeatBlock, head, until, u"REPEAT-UNTIL");
      !overlap.empty()) {
    return overlap;
  }
  Mark(table, until);
  u16string out(TrimView(u16string_view(texts[until]).substr(6)));
  out += kFieldSep;
  AppendOffset(out, until, head);
  return out;
}

u16string MatchTryImpl(StatementTable& table, int head, const Data& d) {
  const auto& texts = table.StmtTexts;
  if (!HeadRest(texts[head]).empty()) {
    return Marker(Msg(u"Something is here after TRY", u"TRY の後に記述はできません"));
  }
  // Nested TRYs are this matcher's own depth, so neither part checks TRY and
  // ENDTRY for overlap. The partner stands before the FEND, so both parts end
  // at the same one.
  const int end = d.bodyEnd[head];
  const int partner = d.tryPartner[head];
  if (partner >= end) {
    return Marker(
        Msg(u"It doesn't have FINALLY or EXCEPT toward TRY", u"TRY に対し FINALLY, EXCEPT が無い"));
  }
  if (u16string overlap = Overlap(table, d, kTryBlock, head, partner, u"TRY"); !overlap.empty()) {
    return overlap;
  }
  Mark(table, partner);

  const int endtry = d.handlerEnd[partner];
  if (endtry >= end) {
    return Marker(Msg(u"It doesn't have ENDTRY toward FINALLY or EXCEPT",
                      u"FINALLY, EXCEPT に対し ENDTRY が無い"));
  }
  if (u16string overlap = Overlap(table, d, kTryBlock, partner, endtry, u"FINALLY or EXCEPT");
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
u16string Guarded(StatementTable& table, int head, BlockIndex* index, u16string_view block,
                  Matcher match) {
  try {
    if (!ValidRow(table, head)) return Unexpected(block);
    BlockIndex own;
    return match(table, head, (index ? index : &own)->For(table));
  } catch (...) {
    return Unexpected(block);
  }
}

}  // namespace

BlockIndex::BlockIndex() = default;
BlockIndex::~BlockIndex() = default;

const BlockIndex::Data& BlockIndex::For(const StatementTable& table) {
  if (!data_ || table_ != &table || data_->rows != table.RowCount()) {
    auto data = std::make_unique<Data>();
    Build(table, *data);
    data_ = std::move(data);
    table_ = &table;
  }
  return *data_;
}

std::u16string MatchIfb(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"IFB-ENDIF", MatchIfbImpl);
}

std::u16string MatchSelect(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"SELECT-SELEND", MatchSelectImpl);
}

std::u16string MatchForTo(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"FOR-NEXT", MatchForToImpl);
}

std::u16string MatchForIn(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"FOR-NEXT", MatchForInImpl);
}

std::u16string MatchWhile(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"WHILE-WEND", MatchWhileImpl);
}

std::u16string MatchRepeat(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"REPEAT-UNTIL", MatchRepeatImpl);
}

std::u16string MatchTry(StatementTable& table, int head, BlockIndex* index) {
  return Guarded(table, head, index, u"TRY", MatchTryImpl);
}

bool FinallyHasJump(const StatementTable& table, int finallyRow, BlockIndex* index) {
  try {
    if (!ValidRow(table, finallyRow)) return false;
    BlockIndex own;
    const Data& d = (index ? index : &own)->For(table);
    // The part ends at its ENDTRY, or at the FEND when that is missing.
    const int f = finallyRow;
    const int end = std::min(d.bodyEnd[f], d.closer[kTryBlock][f]);
    auto exit = std::upper_bound(d.exitRows.begin(), d.exitRows.end(), f);
    if (exit != d.exitRows.end() && *exit < end) return true;
    // Jumps in TRYs nested in the part are theirs; within the part every row
    // is at the part's TRY level or deeper, so the greatest key tells whether
    // a jump at that level leaves more loops than it is in.
    JumpKey best = MaxJump(d, f, end);
    return best.first == -d.level[kTryBlock][f] && best.second > -LoopLevel(d, f);
  } catch (...) {
    // Only memory can run out here; a part that cannot be checked is let be.
    return false;
  }
}

}  // namespace zelk
