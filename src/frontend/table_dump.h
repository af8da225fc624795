// A readable listing of the statement table for the developer and the tests.
#pragma once

#include <string>

#include "frontend/statement_table.h"

namespace zelk {

// One line per row, columns separated by TAB: index, kind, line reference,
// text and, withSources, the unscrambled source entry ("line,text"). TAB, CR
// and LF inside a column are written \t, \r and \n so that every row stays on
// one line. A column missing for a row is left empty.
std::u16string DumpStatementTable(const StatementTable& table, bool withSources);

}  // namespace zelk
