#include "frontend/registrar.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/messages.h"
#include "frontend/preprocess.h"

namespace zelk {
namespace {

using namespace std::string_literals;
using Texts = std::vector<std::u16string>;

std::u16string Err(const std::u16string& message) {
  return u"__ZELK_ERROR_ARI__"s + message;
}

// Feeds rows to the registrar one by one, as preprocessing does.
struct Feed {
  StatementTable table;
  DefinitionTables definitions;
  FrontEndErrors errors;
  Registrar registrar{table, definitions, errors};
  Texts reports;

  Feed() {
    errors.setCallback([this](const std::u16string& message, const std::u16string&) {
      reports.push_back(message);
    });
  }
  Texts Rows(const Texts& rows) {
    for (const std::u16string& row : rows) {
      table.StmtTexts.push_back(row);
      registrar.RegisterRow(table.RowCount() - 1);
    }
    return table.StmtTexts;
  }
  std::u16string Entry(const std::u16string& name) const {
    int f = definitions.functions.Find(name);
    return f < 0 ? u"-" : definitions.functions.EntryAt(f);
  }
};

TEST(RegistrarDefinitions, FunctionTableAndResultRules) {
  Feed feed;
  Texts rows =
      feed.Rows({u"PROCEDURE __MAIN__()", u"FEND", u"FUNCTION F(A, B)", u"X = RESULT",
                 u"PRINT RESULT", u"FEND", u"FUNCTION G()", u"RESULT=1", u"FEND", u"PROCEDURE P()",
                 u"RESULT = 1", u"FEND", u"PROCEDURE C:\\A B\\S.ZLS()", u"FEND"});
  EXPECT_EQ(feed.Entry(u"__MAIN__"), u"2,0");
  EXPECT_EQ(feed.Entry(u"f"), u"1,2");
  EXPECT_EQ(feed.definitions.functions.KindAt(1), kDefinitionFunction);
  EXPECT_EQ(feed.definitions.functions.HeaderAt(1), 2);
  EXPECT_EQ(feed.Entry(u"G"), u"1,6");
  EXPECT_EQ(feed.Entry(u"C:\\A B\\S.ZLS"), u"2,12");
  // Reading RESULT does not count; assigning it does, but not in a procedure.
  EXPECT_EQ(rows[5], Err(u"It doesn't have RESULT: F"));
  EXPECT_EQ(rows[8], u"FEND");
  EXPECT_EQ(rows[10], Err(u"There is RESULT: P"));
  EXPECT_EQ(rows[11], u"FEND");
  EXPECT_TRUE(feed.reports.empty());
  EXPECT_FALSE(feed.registrar.insideDefinition());
}

TEST(RegistrarDefinitions, ImmediateReports) {
  Feed feed;
  feed.Rows({u"FUNCTION F()", u"FUNCTION G()"});
  EXPECT_EQ(feed.reports, (Texts{u"Function/Procedure is nest or not closed: F"}));
  EXPECT_EQ(feed.errors.currentStatement(), u"FUNCTION G()");
  EXPECT_EQ(feed.Entry(u"G"), u"-");

  Feed dup;
  dup.Rows({u"PROCEDURE F()", u"FEND", u"PROCEDURE F()", u"FEND"});
  EXPECT_EQ(dup.reports, (Texts{u"It is multiplex definition: F"}));

  Feed bad;
  SetJapaneseMessages(true);
  bad.Rows({u"PROCEDURE A+B(X)", u"FEND"});
  SetJapaneseMessages(false);
  EXPECT_EQ(bad.reports, (Texts{u"SyntaxError-36:A+B"}));
  EXPECT_TRUE(bad.errors.errorFlag());
}

TEST(RegistrarModules, NamesNumbersAndModuleLevelRows) {
  Feed feed;
  Texts rows =
      feed.Rows({u"PROCEDURE __MAIN__()", u"FEND", u"MODULE M 0", u"CONST A = 1", u"PRINT 1",
                 u"OPTION EXPLICIT", u"FUNCTION F()", u"PRINT 2", u"RESULT = 1", u"FEND",
                 u"ENDMODULE", u"CLASS K 1", u"PROCEDURE K()", u"FEND", u"ENDCLASS", u"ENDMODULE"});
  EXPECT_EQ(feed.definitions.moduleNames.Count(), 2);
  EXPECT_EQ(feed.definitions.moduleNames.IndexOf(u"M"), 0);
  EXPECT_EQ(feed.definitions.moduleNames.IndexOf(u"K"), 1);
  EXPECT_EQ(rows[2], u"");
  EXPECT_EQ(rows[3], u"CONST A = 1");  // left for the definitions work
  EXPECT_EQ(rows[4], Err(u"SyntaxError-40"));
  EXPECT_EQ(rows[5], Err(u"SyntaxError-40"));
  EXPECT_EQ(rows[7], u"PRINT 2");
  EXPECT_EQ(rows[10], u"");
  EXPECT_EQ(rows[15], Err(u"SyntaxError-35"));
  EXPECT_EQ(feed.Entry(u"M.F"), u"1,6");
  EXPECT_EQ(feed.Entry(u"K.K"), u"2,12");
  // One pseudo-definition per module, headed by the row before its first marker.
  EXPECT_EQ(feed.Entry(u"CLASS M"), u"2,3");
  EXPECT_TRUE(feed.registrar.moduleName().empty());
}

TEST(RegistrarModules, RefusedNames) {
  Feed feed;
  Texts rows = feed.Rows({u"MODULE THIS 0", u"MODULE A.B 1", u"MODULE A B 2", u"MODULE",
                          u"MODULE M 3", u"ENDMODULE", u"MODULE M 3", u"MODULE N 4"});
  EXPECT_EQ(rows[0], Err(u"prohibition word: THIS"));
  EXPECT_EQ(rows[1], Err(u"SyntaxError-32"));
  EXPECT_EQ(rows[2], Err(u"SyntaxError-32"));
  EXPECT_EQ(rows[3], Err(u"SyntaxError-32"));
  EXPECT_EQ(rows[6], Err(u"It is multiplex definition"));
  EXPECT_EQ(feed.Entry(u"CLASS "), u"2,0");
  feed.Rows({u"MODULE Q 5", u"MODULE R 6"});
  EXPECT_EQ(feed.table.StmtTexts.back(), Err(u"MODULE is multiplexing"));
  EXPECT_EQ(feed.Entry(u"CLASS N"), u"2,7");
  EXPECT_EQ(feed.registrar.moduleName(), u"N");
}

TEST(RegistrarTextBlocks, CollectNameAndPairing) {
  struct Sink : DeclarationSink {
    std::u16string DefineTextBlock(const std::u16string& name) override {
      return name == u"DUP" ? u"It has already been defined: DUP" : u"";
    }
    void SetTextBlockText(const std::u16string& name, const std::u16string& text) override {
      texts.emplace_back(name, text);
    }
    std::vector<std::pair<std::u16string, std::u16string>> texts;
  } sink;
  Feed feed;
  feed.registrar.setDeclarationSink(&sink);
  Texts rows = feed.Rows({u"MODULE M 0", u"TEXTBLOCK T", u"  a  // b", u"", u"ENDTEXTBLOCK",
                          u"ENDMODULE", u"TEXTBLOCK", u"x", u"ENDTEXTBLOCK", u"TEXTBLOCK DUP", u"y",
                          u"ENDTEXTBLOCK", u"TEXTBLOCK A B", u"ENDTEXTBLOCK", u"TEXTBLOCK U", u"z",
                          u"ENDTEXTBLOCK X", u"PRINT 1"});
  ASSERT_EQ(sink.texts.size(), 1u);
  EXPECT_EQ(sink.texts[0].first, u"M.T");
  EXPECT_EQ(sink.texts[0].second, u"  a  // b\r\n");
  EXPECT_EQ(rows[9], Err(u"It has already been defined: DUP"));
  EXPECT_EQ(rows[12], Err(u"SyntaxError-31"));
  EXPECT_EQ(rows[13], Err(u"It doesn't pair with \"TEXTBLOCK\""));
  // ENDTEXTBLOCK with text after it is marked and still closes the block.
  EXPECT_EQ(rows[16], Err(u"SyntaxError-30"));
  EXPECT_EQ(rows[17], u"PRINT 1");
  for (int r : {1, 2, 3, 4, 6, 7, 8, 10, 11, 14, 15}) EXPECT_EQ(rows[r], u"") << r;
}

TEST(RegistrarScanners, ResultTokensAndNameBreaks) {
  EXPECT_TRUE(UsesResult(u"RESULT=1"));
  EXPECT_TRUE(UsesResult(u"X = F(RESULT)"));
  EXPECT_FALSE(UsesResult(u"RESULTS = 1"));
  EXPECT_FALSE(UsesResult(u"X = \"RESULT\""));
  EXPECT_FALSE(UsesResult(u"X[RESULT, 1]"));
  EXPECT_TRUE(UsesResult(u"X[1]] RESULT"));  // a stray ']' does not hide the rest
  EXPECT_TRUE(HasNameBreak(u"A B", 0));
  EXPECT_FALSE(HasNameBreak(u"A B", 1));
  EXPECT_TRUE(HasNameBreak(u"A[1]", 0));
  EXPECT_FALSE(HasNameBreak(u"A[1,2]", 1));
  EXPECT_FALSE(HasNameBreak(u"\"A,B\"", 1));
  EXPECT_TRUE(HasNameBreak(u"A/B", 0));
  EXPECT_FALSE(HasNameBreak(u"A/B", 1));
  EXPECT_EQ(NoCorrespondingMessage(u"FOR"), Err(u"No corresponding FOR"));
}

}  // namespace
}  // namespace zelk
