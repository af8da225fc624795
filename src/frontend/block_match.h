// Block matchers: each pairs one block head with its partner rows once, before
// the run, and returns the head's compact text (fields joined by '`', partners
// as offsets from the head) or an error marker. The kind pass calls them in
// row order, so the rows after the head still hold their whole normalised
// statements; the head row itself is left alone (the caller stores the result).
// Partners taken are flagged in BlockMatched so unmatched closers can be told.
//
// An absent optional partner is written as -1 minus the head's index, so that
// its run-time target is below 1.
#pragma once

#include <memory>
#include <string>

#include "frontend/statement_table.h"

namespace zelk {

// What the matchers would learn by scanning forward from a head, worked out
// for the whole table in one pass: a head left open would otherwise scan to
// the end of its body, so a body of many open heads took quadratic time.
// Made on the first match given it, and made again for another table or row
// count. The rows after every head asked about must still be as they were
// then; the kind pass keeps that, as it rewrites only the head just matched.
class BlockIndex {
 public:
  struct Data;

  BlockIndex();
  ~BlockIndex();
  BlockIndex(const BlockIndex&) = delete;
  BlockIndex& operator=(const BlockIndex&) = delete;

  const Data& For(const StatementTable& table);

 private:
  const StatementTable* table_ = nullptr;
  std::unique_ptr<Data> data_;
};

// Without an index each call makes one of its own, which costs a pass over
// the table: callers matching many heads of one table pass the same index.

// IFB or ELSEIF head: "cond`firstElseif`else`endif".
std::u16string MatchIfb(StatementTable& table, int head, BlockIndex* index = nullptr);
// "selector`off,values`...`off,DEFAULT`...`off,SELEND".
std::u16string MatchSelect(StatementTable& table, int head, BlockIndex* index = nullptr);
// FOR var = start TO end [STEP step]: "var`start`end`step`next".
std::u16string MatchForTo(StatementTable& table, int head, BlockIndex* index = nullptr);
// FOR var IN collection: "var`collection`next".
std::u16string MatchForIn(StatementTable& table, int head, BlockIndex* index = nullptr);
// "cond`wend".
std::u16string MatchWhile(StatementTable& table, int head, BlockIndex* index = nullptr);
// "untilCondition`until".
std::u16string MatchRepeat(StatementTable& table, int head, BlockIndex* index = nullptr);
// "form partner endtry": form 0 FINALLY, 1 EXCEPT; partner counted from the
// head, endtry counted from the partner.
std::u16string MatchTry(StatementTable& table, int head, BlockIndex* index = nullptr);

// True when the FINALLY part starting after finallyRow would jump out of it:
// BREAK or CONTINUE leaving the part, or EXIT anywhere in it.
bool FinallyHasJump(const StatementTable& table, int finallyRow, BlockIndex* index = nullptr);

}  // namespace zelk
