// The statement table: one row per statement of the combined source, with its
// kind code, where it came from, and (for block heads) the offsets of the
// partner rows, so that the executor never parses structure at run time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/line_column.h"
#include "frontend/source_column.h"

namespace zelk {

// A row text that begins with this is a syntax error; the rest is the message.
inline constexpr std::u16string_view kErrorMarker = u"__ZELK_ERROR_ARI__";
// The row that stands for an empty THEN or ELSE part of a one-line IF.
inline constexpr std::u16string_view kNopRow = u"__DF_ZELK_SYNTAX_NOP__";

inline bool IsErrorRow(std::u16string_view text) {
  return text.starts_with(kErrorMarker);
}

// Statement kind codes. Codes 5-10, 20, 30, 40, 46-48 and 50 are unused.
enum StatementKind : std::int32_t {
  kKindStatement = 0,       // assignment or call, refined on first execution
  kKindAssign = 1,          // assignment to a variable
  kKindAssignProperty = 2,  // assignment to a COM property
  kKindMethodCall = 3,      // COM method call as a statement
  kKindCall = 4,            // function or procedure call as a statement
  kKindIfb = 11,            // IFB, ELSEIF
  kKindEndif = 12,
  kKindElse = 13,
  kKindForTo = 14,
  kKindForIn = 15,
  kKindNext = 16,
  kKindWhile = 17,
  kKindWend = 18,
  kKindRepeat = 19,
  kKindUntil = 21,
  kKindSelect = 22,
  kKindSelend = 23,
  kKindCase = 24,
  kKindDefault = 25,
  kKindTry = 26,
  kKindFinally = 27,
  kKindExcept = 28,
  kKindEndtry = 29,
  kKindPrint = 31,
  kKindThread = 32,
  kKindDefDll = 33,
  kKindDim = 34,
  kKindHashtbl = 35,
  kKindBreak = 36,
  kKindContinue = 37,
  kKindExit = 38,
  kKindCallFile = 39,
  kKindExitExit = 41,
  kKindWith = 42,
  kKindEndWith = 43,
  kKindComErrIgn = 44,
  kKindComErrRet = 45,
  kKindFend = 49,
  kKindNop = 51,
  kKindAnalysedHeader = 999,  // header whose parameter list the body runner has analysed
};

struct StatementTable {
  std::vector<std::u16string> StmtTexts;
  std::vector<std::int32_t> StmtKinds;
  // File index into SourceFiles and 1-based line, or no reference.
  LineColumn StmtLines;
  // "line,text" before the kind pass, scrambled with ScrambleSource.
  SourceColumn StmtSources;
  // Only during the kind pass: 1 for each row some block head took as partner.
  std::vector<std::uint8_t> BlockMatched;

  int RowCount() const { return static_cast<int>(StmtTexts.size()); }
  void Clear() {
    StmtTexts.clear();
    StmtKinds.clear();
    StmtLines.clear();
    StmtSources.clear();
    BlockMatched.clear();
  }
};

}  // namespace zelk
