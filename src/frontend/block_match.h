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

#include <string>

#include "frontend/statement_table.h"

namespace zelk {

// IFB or ELSEIF head: "cond`firstElseif`else`endif".
std::u16string MatchIfb(StatementTable& table, int head);
// "selector`off,values`...`off,DEFAULT`...`off,SELEND".
std::u16string MatchSelect(StatementTable& table, int head);
// FOR var = start TO end [STEP step]: "var`start`end`step`next".
std::u16string MatchForTo(StatementTable& table, int head);
// FOR var IN collection: "var`collection`next".
std::u16string MatchForIn(StatementTable& table, int head);
// "cond`wend".
std::u16string MatchWhile(StatementTable& table, int head);
// "untilCondition`until".
std::u16string MatchRepeat(StatementTable& table, int head);
// "form partner endtry": form 0 FINALLY, 1 EXCEPT; partner counted from the
// head, endtry counted from the partner.
std::u16string MatchTry(StatementTable& table, int head);

// True when the FINALLY part starting after finallyRow would jump out of it:
// BREAK or CONTINUE leaving the part, or EXIT anywhere in it.
bool FinallyHasJump(const StatementTable& table, int finallyRow);

}  // namespace zelk
