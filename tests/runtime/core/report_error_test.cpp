#include "runtime/core/report_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "frontend/statement_table.h"
#include "runtime/core/interpreter.h"
#include "support/interpreter_test.h"

namespace zelk {
namespace {

// A statement table as preprocessing leaves it: the main program, a function
// of the main file, then an included file with a function of its own.
class ReportErrorTest : public InterpreterTest {
 protected:
  void SetUp() override {
    InterpreterTest::SetUp();
    interp.assembly.sourceFiles().push_back({u"main.zls", 0});
    interp.assembly.sourceFiles().push_back({u"C:\\LIB (X86)\\INC.ZLS", 0});
    Row(u"PROCEDURE __MAIN__()", u"0,PROCEDURE __MAIN__()", u"0,0");            // 0
    Row(u"X = 1", u"1,X = 1", u"0,1");                                          // 1
    Row(u"S = \",PROCEDURE A.ZLS(\"", u"2,S = \",PROCEDURE A.ZLS(\"", u"0,2");  // 2
    Row(u"FEND", u"3,FEND", u"");                                               // 3
    Row(u"FUNCTION G()", u"4,FUNCTION G()", u"0,4");                            // 4
    Row(u"Y = 2", u"5,Y = 2", u"0,5");                                          // 5
    Row(u"FEND", u"6,FEND", u"0,6");                                            // 6
    Row(u"PROCEDURE C:\\LIB （X86）\\INC.ZLS()", u"0,PROCEDURE C:\\LIB （X86）\\INC.ZLS()",
        u"1,0");                                          // 7
    Row(u"Z = \"<#_CR>\"", u"1,Z = \"<#_CR>\"", u"1,1");  // 8
    Row(u"FEND", u"2,FEND", u"");                         // 9
    Row(u"FUNCTION H()", u"3,FUNCTION H()", u"1,3");      // 10
    Row(u"W = 3", u"4,W = 3", u"1,4");                    // 11
  }
  void TearDown() override {
    SetJapaneseMessages(false);
    InterpreterTest::TearDown();
  }

  void Row(std::u16string text, std::u16string source, std::u16string line) {
    interp.table.StmtTexts.push_back(std::move(text));
    interp.table.StmtSources.push_back(ScrambleSource(source));
    interp.table.StmtLines.push_back(LineRef::Parse(line));
    interp.table.StmtKinds.push_back(0);
  }
  // A context on row baseIndex + curOffset of a body headed at baseIndex.
  THensuFmt& At(int baseIndex, int curOffset) {
    context.baseIndex = baseIndex;
    context.curOffset = curOffset;
    context.stmtTexts = std::span<const std::u16string>(interp.table.StmtTexts)
                            .subspan(static_cast<std::size_t>(baseIndex));
    return context;
  }

  THensuFmt context{interp, true};
};

TEST_F(ReportErrorTest, LocationNamesTheFileOnlyForIncludes) {
  EXPECT_EQ(u"at line 1: X = 1", ErrorLocation(At(0, 1)));
  // A quoted ",PROCEDURE ... .ZLS(" is no include header.
  EXPECT_EQ(u"at line 2: S = \",PROCEDURE A.ZLS(\"", ErrorLocation(At(0, 2)));
  // A function of the main file stands before any include header.
  EXPECT_EQ(u"at line 5: Y = 2", ErrorLocation(At(4, 1)));
  // The file list has the path as written, not the procedure name's full-width form.
  EXPECT_EQ(u"C:\\LIB (X86)\\INC.ZLS: at line 1: Z = \"<#CR>\"", ErrorLocation(At(7, 1)));
  EXPECT_EQ(u"C:\\LIB (X86)\\INC.ZLS: at line 4: W = 3", ErrorLocation(At(10, 1)));

  // Without the file in the list, the header row's own text names it.
  interp.table.StmtLines.Set(7, LineRef{5, 0});
  EXPECT_EQ(u"C:\\LIB （X86）\\INC.ZLS: at line 4: W = 3", ErrorLocation(At(10, 1)));

  SetJapaneseMessages(true);
  EXPECT_EQ(u"1行目: X = 1", ErrorLocation(At(0, 1)));
}

TEST_F(ReportErrorTest, LocationWithoutRowsIsTheFrontEndStatement) {
  interp.frontEndErrors.setCurrentStatement(u"MODULE M");
  EXPECT_EQ(u"MODULE M", ErrorLocation(context));
  // A row past the table gives what is known: no crash.
  EXPECT_EQ(u"C:\\LIB (X86)\\INC.ZLS: ", ErrorLocation(At(10, 40)));
}

TEST_F(ReportErrorTest, ShowsMessageAndLocationOnceAndStopsTheRun) {
  ReportError(u"  It isn't defined: Q  ", At(7, 1));
  ASSERT_EQ(1u, host.errors.size());
  EXPECT_EQ(u"It isn't defined: Q\rC:\\LIB (X86)\\INC.ZLS: at line 1: Z = \"<#CR>\"",
            host.errors[0]);
  EXPECT_EQ(std::vector<std::u16string>{u"1,1"}, host.errorRows);
  EXPECT_EQ(1, interp.run.errorFlag);
  EXPECT_EQ(u"It isn't defined: Q", context.tryErrMsg);
  EXPECT_EQ(u"C:\\LIB (X86)\\INC.ZLS: at line 1: Z = \"<#CR>\"", context.tryErrLine);

  // The first error ends the run: later ones are dropped unless forced.
  ReportError(u"second", At(0, 1));
  EXPECT_EQ(1u, host.errors.size());
  ReportError(u"forced", At(0, 1), true, false);
  ASSERT_EQ(2u, host.errors.size());
  EXPECT_EQ(u"forced\rat line 1: X = 1", host.errors[1]);

  // Nothing at all while the run is being aborted.
  interp.run.abortLevel = 1;
  ReportError(u"during abort", At(0, 1), true, false);
  EXPECT_EQ(2u, host.errors.size());
  EXPECT_EQ(u"forced", context.tryErrMsg);
}

TEST_F(ReportErrorTest, LongMessagesAreCutAndSyntaxErrorNumbersHidden) {
  std::u16string longMessage(300, u'x');
  ReportError(longMessage, At(0, 1));
  ASSERT_EQ(1u, host.errors.size());
  EXPECT_EQ(std::u16string(255, u'x') + u" ...\r\rat line 1: X = 1", host.errors[0]);
  EXPECT_EQ(longMessage, context.tryErrMsg);

  ReportError(u"SyntaxError-25", At(0, 1), true);
  EXPECT_EQ(u"SyntaxError   \rat line 1: X = 1", host.errors[1]);

  EXPECT_EQ(u"SyntaxError", HideSyntaxErrorNumber(u"SyntaxError-7"));
  EXPECT_EQ(u"syntaxerror", HideSyntaxErrorNumber(u"syntaxerror-120"));
  EXPECT_EQ(u"DEF_DLL:SyntaxError:LONGX", HideSyntaxErrorNumber(u"DEF_DLL:SyntaxError:LONGX"));
  EXPECT_EQ(u"SyntaxError(FReLoad):x", HideSyntaxErrorNumber(u"SyntaxError(FReLoad):x"));
}

TEST_F(ReportErrorTest, TryInACallerTakesTheErrorUnlessBypassed) {
  At(10, 1).tryDepth = 1;
  ReportError(u"in F", context);
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(0, interp.run.errorFlag);
  EXPECT_EQ(1, context.tryErrFlag);
  EXPECT_EQ(1, context.exitFlag);
  EXPECT_EQ(u"in F", context.tryErrMsg);
  EXPECT_EQ(u"C:\\LIB (X86)\\INC.ZLS: at line 4: W = 3", context.tryErrLine);

  ReportError(u"declaration", context, false, false);
  EXPECT_EQ(1u, host.errors.size());
  EXPECT_EQ(1, interp.run.errorFlag);
}

TEST_F(ReportErrorTest, ReportAndAskLetsTheUserGoOn) {
  host.abortAnswer = false;
  ReportAndAsk(u"File not found", At(0, 1));
  ASSERT_EQ(1u, host.questions.size());
  EXPECT_EQ(u"File not found\rDo you want to abort?", host.questions[0]);
  EXPECT_EQ(0, interp.run.errorFlag);
  EXPECT_EQ(u"File not found", context.tryErrMsg);
  // Inside an open TRY the TRY takes the error; the control scripts test that.
}

}  // namespace
}  // namespace zelk
