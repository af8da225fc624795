#include "frontend/preprocess.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "foundation/messages.h"
#include "frontend/table_dump.h"

namespace zelk {
namespace {

using namespace std::string_literals;
using Texts = std::vector<std::u16string>;

std::u16string Err(const std::u16string& message) {
  return u"__ZELK_ERROR_ARI__"s + message;
}

struct Script {
  StatementTable table;
  DefinitionTables definitions;
  FrontEndErrors errors;
  Preprocessor pre{table, definitions, errors};
  std::vector<std::pair<std::u16string, std::u16string>> reports;

  Script() {
    errors.setCallback([this](const std::u16string& message, const std::u16string& statement) {
      reports.emplace_back(message, statement);
    });
  }
  bool Load(const Texts& source) { return pre.FReLoad(source); }
  const std::u16string& Text(int r) const { return table.StmtTexts.at(r); }
  int Kind(int r) const { return table.StmtKinds.at(r); }
  std::u16string Line(int r) const { return table.StmtLines.at(r).Text(); }
  Texts Lines() const {
    Texts out;
    for (std::size_t r = 0; r < table.StmtLines.size(); ++r)
      out.push_back(table.StmtLines[r].Text());
    return out;
  }
  std::u16string Source(int r) const { return ScrambleSource(table.StmtSources.at(r)); }
};

// Main program, its inserted FEND and a definition, then an include with both.
TEST(PreprocessLines, CountPerFileAroundHeadersAndInsertedFend) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"A = 1", u"", u"B = 2", u"FEND", u"FUNCTION F()",
                         u"RESULT = 1", u"FEND", u"PROCEDURE C:\\LIB\\SUB.ZLS()", u"PRINT 1",
                         u"FEND", u"PROCEDURE P()", u"FEND"}));
  Texts lines{u"0,0", u"0,1", u"",    u"0,3", u"",    u"0,4", u"0,5",
              u"0,6", u"1,0", u"1,1", u"",    u"1,2", u"1,3"};
  EXPECT_EQ(run.Lines(), lines);
  EXPECT_EQ(run.Source(3), u"3,B = 2");
  EXPECT_EQ(run.Source(5), u"4,FUNCTION F()");
  EXPECT_EQ(run.Source(8), u"0,PROCEDURE C:\\LIB\\SUB.ZLS()");
  EXPECT_EQ(run.Source(11), u"2,PROCEDURE P()");
  EXPECT_EQ(run.Kind(4), kKindFend);
  EXPECT_EQ(run.Text(4), u"");
}

TEST(PreprocessLines, MultiStatementRowsShareTheirLine) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"A = 1; B = \"x;y\"; PRINT F(1;2) ;", u"FEND"}));
  ASSERT_EQ(run.table.RowCount(), 5);
  EXPECT_EQ(run.Text(1), u"A = 1");
  EXPECT_EQ(run.Text(2), u"B = \"x;y\"");
  EXPECT_EQ(run.Text(3), u"F(1;2)");
  EXPECT_EQ(run.Kind(3), kKindPrint);
  const Texts pieces{u"A = 1", u"B = \"x;y\"", u"PRINT F(1;2)"};
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(run.Line(r), u"0,1");
    EXPECT_EQ(run.Source(r), u"1," + pieces[r - 1]);
  }
}

TEST(PreprocessOneLineIf, FiveRowsOneLine) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"X = 1", u"IF X THEN PRINT 1 ELSE PRINT 2",
                         u"A = 0; IF X THEN ELSE PRINT 2", u"IF X", u"ENDIF", u"FEND"}));
  std::vector<int> kinds{kKindIfb, kKindPrint, kKindElse, kKindPrint, kKindEndif};
  for (int r = 2; r <= 6; ++r) {
    EXPECT_EQ(run.Kind(r), kinds[r - 2]);
    EXPECT_EQ(run.Line(r), u"0,2");
    EXPECT_EQ(run.Source(r), u"2,IF X THEN PRINT 1 ELSE PRINT 2");
  }
  EXPECT_EQ(run.Text(2), u"X`-3`2`4");
  EXPECT_EQ(run.Text(4), u"");
  // The IF of a multi-statement line takes only its own piece.
  EXPECT_EQ(run.Text(7), u"A = 0");
  EXPECT_EQ(run.Source(9), u"3,IF X THEN ELSE PRINT 2");
  EXPECT_EQ(run.Kind(9), kKindNop);
  EXPECT_EQ(run.Text(9), u"__DF_ZELK_SYNTAX_NOP__");
  // IF without THEN opens a block closed by the ENDIF line.
  EXPECT_EQ(run.Text(13), u"X`-14`-14`1");
  EXPECT_EQ(run.Line(13), u"0,4");
  EXPECT_EQ(run.Kind(14), kKindEndif);
}

TEST(PreprocessOneLineIf, SplitsAndMarkers) {
  using R = Texts;
  const std::u16string nop(kNopRow);
  EXPECT_EQ(ExpandOneLineIf(u"IF (A)THEN B = 1 ELSE C"),
            (R{u"IFB (A)", u"B = 1", u"ELSE", u"C", u"ENDIF"}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A THEN B=\" ELSE \"(1)ELSE C"),
            (R{u"IFB A", u"B=\" ELSE \"(1)", u"ELSE", u"C", u"ENDIF"}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A THEN B;"), (R{u"IFB A", u"B", u"ELSE", nop, u"ENDIF"}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A THEN"), (R{u"IFB A THEN"}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A THEN B = \"x;y\""),
            (R{u"IFB A", u"B = \"x;y\"", u"ELSE", nop, u"ENDIF"}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A THEN B = 1; C = 2"),
            (R{Err(u"The multi-declaration of the IF line is NG")}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A THEN IF B THEN C"), (R{Err(u"SyntaxError-85")}));
  EXPECT_EQ(ExpandOneLineIf(u"IF IF B"), (R{Err(u"SyntaxError-85")}));
  EXPECT_EQ(ExpandOneLineIf(u"IF A ELSE C"), (R{Err(u"THEN: SyntaxError")}));
}

TEST(PreprocessOneLineIf, ResultInDefinitions) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"FEND", u"FUNCTION F()",
                         u"IF A THEN RESULT = 1 ELSE RESULT = 2", u"FEND", u"PROCEDURE P()",
                         u"IF A THEN PRINT RESULT", u"FEND"}));
  // The function counts as having RESULT; its FEND stays clean.
  EXPECT_EQ(run.Text(8), u"");
  EXPECT_EQ(run.Kind(8), kKindFend);
  EXPECT_EQ(run.Text(10), Err(u"There is RESULT: P"));
  EXPECT_EQ(run.Line(10), u"0,5");
  EXPECT_EQ(run.Source(10), u"5,IF A THEN PRINT RESULT");
  EXPECT_EQ(run.Kind(11), kKindFend);
}

TEST(PreprocessRewrite, EscapesAndCallMembers) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"PRINT \"<#cr><#Tab><#DBL><#_CR>\"",
                         u"OBJ.ITEM(1).NAME = F(G(2).X, \").\").Y", u"X = F(1)).A", u"X = (F(1).A",
                         u"X = A).B(", u"FEND"}));
  EXPECT_EQ(run.Text(1), u"\"<#_CR><#_TAB><#_DBL><#_CR>\"");
  EXPECT_EQ(run.Text(2), u"OBJ.ITEM[1].NAME = F[G[2].X, \").\"].Y");
  for (int r = 3; r <= 5; ++r) {
    EXPECT_EQ(run.Text(r), Err(u"SyntaxError-45"));
    // The marker keeps the line so that the editor can show it.
    EXPECT_EQ(run.Line(r), u"0," + std::u16string(1, static_cast<char16_t>(u'0' + r)));
  }
  EXPECT_EQ(run.Source(3), u"3,X = F(1)).A");

  EXPECT_EQ(MatchingOpenParen(u"F(A(\")\"))", 9), 2);
  EXPECT_EQ(MatchingOpenParen(u"F(A(\")\"))", 8), 4);
  EXPECT_EQ(MatchingOpenParen(u"A)", 2), -1);
  EXPECT_EQ(MatchingOpenParen(u"(A", 2), -1);
  EXPECT_EQ(MatchingOpenParen(u"(A)", 7), -1);
}

TEST(PreprocessKinds, KeywordsClosersAndBareRows) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()",
                         u"THREAD F()",
                         u"DEF_DLL MessageBoxA(long):user32",
                         u"DIM A[2]",
                         u"HASHTBL H",
                         u"CALL X.ZLS",
                         u"EXITEXIT 1",
                         u"WITH O",
                         u"ENDWITH",
                         u"COM_ERR_IGN",
                         u"COM_ERR_RET X",
                         u"ENDIF",
                         u"CASE 1",
                         u"UNTIL X",
                         u"NEXT",
                         u"WEND",
                         u"SELEND",
                         u"DEFAULT",
                         u"ELSE",
                         u"FINALLY",
                         u"EXCEPT",
                         u"ENDTRY",
                         u"EXIT",
                         u"FEND X"}));
  std::vector<int> kinds{kKindThread,   kKindDefDll, kKindDim,     kKindHashtbl,   kKindCallFile,
                         kKindExitExit, kKindWith,   kKindEndWith, kKindComErrIgn, kKindComErrRet};
  for (int r = 1; r <= 10; ++r) EXPECT_EQ(run.Kind(r), kinds[r - 1]) << r;
  EXPECT_EQ(run.Text(1), u"F()");
  EXPECT_EQ(run.Text(2), u"MessageBoxA(long):user32");
  EXPECT_EQ(run.Text(8), u"");
  EXPECT_EQ(run.Text(10), Err(u"SyntaxError-49"));
  Texts openers{u"IFB",    u"SELECT", u"REPEAT", u"FOR", u"WHILE", u"SELECT",
                u"SELECT", u"IFB",    u"TRY",    u"TRY", u"TRY"};
  for (int r = 11; r <= 21; ++r)
    EXPECT_EQ(run.Text(r), Err(u"No corresponding " + openers[r - 11]));
  EXPECT_EQ(run.Kind(13), kKindUntil);
  EXPECT_EQ(run.Kind(22), kKindExit);
  EXPECT_EQ(run.Text(23), Err(u"SyntaxError-49"));
  EXPECT_EQ(run.Kind(23), kKindFend);
}

TEST(PreprocessKinds, BlocksAndFinallyJumps) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()",
                         u"FOR I = 1 TO 2",
                         u"FOR K IN L",
                         u"NEXT",
                         u"NEXT",
                         u"WHILE X",
                         u"TRY",
                         u"REPEAT",
                         u"UNTIL Y",
                         u"FINALLY",
                         u"FOR J = 1 TO 2",
                         u"BREAK",
                         u"NEXT",
                         u"ENDTRY",
                         u"WEND",
                         u"TRY",
                         u"FINALLY",
                         u"BREAK",
                         u"ENDTRY",
                         u"FEND"}));
  std::vector<int> kinds{kKindForTo, kKindForIn,  kKindNext,  kKindNext,   kKindWhile,
                         kKindTry,   kKindRepeat, kKindUntil, kKindFinally};
  for (int r = 1; r <= 9; ++r) EXPECT_EQ(run.Kind(r), kinds[r - 1]) << r;
  EXPECT_EQ(run.Text(8), u"Y");
  EXPECT_EQ(run.Text(9), u"");  // a BREAK of a loop inside the FINALLY part is allowed
  EXPECT_EQ(run.Text(16),
            Err(u"\"Break\", \"Continue\", and \"Exit\" cannot be used in the part FINALLY"));
}

class PreprocessReports : public ::testing::Test {
 protected:
  void TearDown() override { SetJapaneseMessages(false); }
};

TEST_F(PreprocessReports, OpenModuleOpenTextBlockAndConstructor) {
  Script run;
  EXPECT_TRUE(
      run.Load({u"PROCEDURE __MAIN__()", u"FEND", u"MODULE M 0", u"PROCEDURE F()", u"FEND"}));
  ASSERT_EQ(run.reports.size(), 1u);
  EXPECT_EQ(run.reports[0].first, u"ENDMODULE(ENDCLASS) is not defined: MODULE(CLASS)M");
  EXPECT_EQ(run.table.StmtKinds.size(), run.table.StmtTexts.size());

  run.reports.clear();
  SetJapaneseMessages(true);
  EXPECT_TRUE(run.Load({u"PROCEDURE __MAIN__()", u"TEXTBLOCK", u"FEND"}));
  ASSERT_EQ(run.reports.size(), 1u);
  EXPECT_EQ(run.reports[0].first, u"ENDTEXTBLOCKの定義が無い");
  SetJapaneseMessages(false);

  run.reports.clear();
  Texts script{u"PROCEDURE __MAIN__()", u"FEND", u"MODULE M 0",
               u"PROCEDURE M( A )",     u"FEND", u"ENDMODULE"};
  EXPECT_TRUE(run.Load(script));
  ASSERT_EQ(run.reports.size(), 1u);
  EXPECT_EQ(run.reports[0].first, u"Argument is not put on the constructor function");
  EXPECT_EQ(run.reports[0].second, u"PROCEDURE M( A )");
  // Not checked while a marker stands anywhere.
  script.insert(script.begin() + 1, u"FEND X");
  EXPECT_FALSE(run.Load(script));
  script[4] = u"PROCEDURE M( )";
  script[1] = u"PRINT 1";
  EXPECT_FALSE(run.Load(script));
}

TEST_F(PreprocessReports, TextBlockDoesNotRunIntoTheNextFile) {
  Script run;
  EXPECT_TRUE(run.Load({u"PROCEDURE __MAIN__()", u"TEXTBLOCK T", u"FEND", u"PROCEDURE C:\\S.ZLS()",
                        u"TEXTBLOCK", u"ENDTEXTBLOCK", u"X = 1", u"FEND"}));
  ASSERT_EQ(run.reports.size(), 1u);
  EXPECT_EQ(run.reports[0].first, u"ENDTEXTBLOCK is not defined");
  EXPECT_EQ(run.Line(6), u"1,3");
  EXPECT_EQ(run.Kind(7), kKindFend);
}

TEST_F(PreprocessReports, OnlyTheFirstReachesTheCallbackAndResetClears) {
  Script run;
  int resets = 0;
  int sized = -1;
  run.pre.AddResetHook([&] { ++resets; });
  run.pre.AddRowCountHook([&](int rows) { sized = rows; });
  EXPECT_TRUE(run.Load({u"PROCEDURE __MAIN__()", u"FEND", u"FUNCTION F()", u"FUNCTION G()", u"FEND",
                        u"FUNCTION F()", u"RESULT = 1", u"FEND"}));
  ASSERT_EQ(run.reports.size(), 1u);
  EXPECT_EQ(run.reports[0].first, u"Function/Procedure is nest or not closed: F");
  EXPECT_EQ(run.reports[0].second, u"FUNCTION G()");
  EXPECT_EQ(sized, 8);
  EXPECT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"FEND"}));
  EXPECT_EQ(resets, 2);
  EXPECT_EQ(run.table.RowCount(), 2);
  EXPECT_EQ(run.definitions.functions.Count(), 1);
  EXPECT_TRUE(run.table.BlockMatched.empty());
}

TEST(PreprocessTextBlocks, RowsBlankedAndLinesKept) {
  struct Sink : DeclarationSink {
    std::u16string DefineTextBlock(const std::u16string&) override { return u""; }
    void SetTextBlockText(const std::u16string& name, const std::u16string& text) override {
      texts.emplace_back(name, text);
    }
    std::vector<std::pair<std::u16string, std::u16string>> texts;
  } sink;
  Script run;
  run.pre.registrar().setDeclarationSink(&sink);
  // A "FEND" line inside the text block is text, not the inserted FEND.
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"TEXTBLOCK T", u"FEND", u"if <#cr>; x",
                         u"ENDTEXTBLOCK; A = 1", u"C = 0; TEXTBLOCK", u"ENDTEXTBLOCK", u"FEND",
                         u"PROCEDURE P()", u"FEND"}));
  ASSERT_EQ(sink.texts.size(), 1u);
  EXPECT_EQ(sink.texts[0],
            (std::pair<std::u16string, std::u16string>(u"T", u"FEND\r\nif <#cr>; x")));
  Texts lines{u"0,0", u"", u"", u"", u"", u"0,4", u"0,5", u"0,5", u"", u"", u"0,7", u"0,8"};
  EXPECT_EQ(run.Lines(), lines);
  EXPECT_EQ(run.Source(3), u"3,if <#cr>; x");
  EXPECT_EQ(run.Text(7), Err(u"SyntaxError-46"));
}

TEST(PreprocessDump, ColumnsAndEscapes) {
  Script run;
  ASSERT_FALSE(run.Load({u"PROCEDURE __MAIN__()", u"PRINT \"a\tb\"", u"FEND"}));
  EXPECT_EQ(DumpStatementTable(run.table, false),
            u"0\t0\t0,0\tPROCEDURE __MAIN__()\n1\t31\t0,1\t\"a\\tb\"\n2\t49\t\t\n");
  const std::u16string first = u"0\t0\t0,0\tPROCEDURE __MAIN__()\t0,PROCEDURE __MAIN__()\n";
  EXPECT_EQ(DumpStatementTable(run.table, true).substr(0, first.size()), first);
}

// Random rows from the language's awkward pieces: every run ends in rows or
// markers, with every column as long as the table.
TEST(PreprocessRobustness, RandomRowsAndLargeScripts) {
  const Texts pieces{u"IF ",       u"THEN ",      u"ELSE ",        u";",       u"\"",
                     u"(",         u")",          u").",           u"[",       u"]",
                     u"FEND",      u"TEXTBLOCK",  u"ENDTEXTBLOCK", u"MODULE ", u"ENDMODULE",
                     u"FUNCTION ", u"PROCEDURE ", u"RESULT",       u"FOR ",    u"NEXT",
                     u"TRY",       u"FINALLY",    u"IFB ",         u" ",       u"X",
                     u"=",         u"<#CR>",      u"SELECT ",      u"CASE ",   u"ENDIF",
                     u"WHILE ",    u"WEND",       u".ZLS()"};
  std::mt19937 random(12345);
  Script run;
  for (int round = 0; round < 300; ++round) {
    Texts source{u"PROCEDURE __MAIN__()"};
    for (int r = random() % 30; r > 0; --r) {
      std::u16string row;
      for (int k = random() % 8; k > 0; --k) row += pieces[random() % pieces.size()];
      source.push_back(row);
    }
    run.Load(source);
    const std::size_t rows = run.table.StmtTexts.size();
    ASSERT_EQ(run.table.StmtKinds.size(), rows);
    ASSERT_EQ(run.table.StmtLines.size(), rows);
    ASSERT_EQ(run.table.StmtSources.size(), rows);
    // A run hands its source over to be freed row by row: the same table.
    const std::u16string dump = DumpStatementTable(run.table, true);
    Texts handedOver = source;
    run.pre.FReLoad(std::move(handedOver));
    ASSERT_EQ(dump, DumpStatementTable(run.table, true)) << round;
  }

  Texts big{u"PROCEDURE __MAIN__()"};
  for (int k = 0; k < 25000; ++k) {
    big.push_back(u"IFB A(1).B = 2; PRINT \"<#cr>\"");
    big.push_back(u"IF X THEN Y = 1 ELSE Y = 2");
    big.push_back(u"FOR I = 1 TO 3");
    big.push_back(u"NEXT; ENDIF");
  }
  big.push_back(u"FEND");
  // Its speed is measured by the front-end benchmark, not here.
  EXPECT_FALSE(run.Load(big));
  EXPECT_EQ(run.table.RowCount(), 1 + 25000 * 10 + 1);
}

}  // namespace
}  // namespace zelk
