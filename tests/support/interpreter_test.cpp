#include "support/interpreter_test.h"

#include <string>
#include <utility>

#include "foundation/script_log.h"
#include "frontend/statement_table.h"
#include "support/test_builtins.h"

namespace zelk {

void InterpreterTest::SetUp() {
  SetLogOptions(1, u"");  // no log lines from these tests
  interp.setHost(&host);
  // The host sees every row, as a debugger stepping through does.
  interp.debugWatch.SetEvery(true);
  UseBuiltins(interp);
}

void InterpreterTest::TearDown() {
  SetLogOptions(0, u"");
}

int InterpreterTest::Row(std::u16string text, std::int32_t kind) {
  int row = interp.table.RowCount();
  std::string digits = std::to_string(row);
  std::u16string number(digits.begin(), digits.end());
  interp.table.StmtSources.push_back(ScrambleSource(number + u"," + text));
  interp.table.StmtLines.push_back(LineRef{0, row});
  interp.table.StmtTexts.push_back(std::move(text));
  interp.table.StmtKinds.push_back(kind);
  return row;
}

}  // namespace zelk
