#include "frontend/registrar.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/messages.h"
#include "frontend/dll_types.h"
#include "frontend/options.h"
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
  EXPECT_EQ(rows[3], u"");  // registered (no sink: checked, then dropped)
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

// Records what the registrar hands over; names listed in refuse get a message.
struct RecordingSink : DeclarationSink {
  std::u16string DefineTextBlock(const std::u16string&) override { return u""; }
  void SetTextBlockText(const std::u16string&, const std::u16string&) override {}
  void SetModuleName(const std::u16string& name) override { modules.push_back(name); }
  std::u16string DefineConst(const std::u16string& text) override {
    calls.push_back(u"CONST " + text + u" @" + module());
    return Refused(text);
  }
  std::u16string DeclareGlobal(const std::u16string& declaration, bool errorIfDefined,
                               bool isPrivate) override {
    calls.push_back(u"GLOBAL " + declaration + (errorIfDefined ? u" E" : u"") +
                    (isPrivate ? u" P" : u""));
    return Refused(declaration);
  }
  std::u16string DeclareGlobalHashTable(const std::u16string& declaration,
                                        bool isPrivate) override {
    calls.push_back(u"HASH " + declaration + (isPrivate ? u" P" : u""));
    return Refused(declaration);
  }
  void RegisterDll(const std::u16string& name, const std::u16string& declaration) override {
    calls.push_back(u"DLL " + name + u"|" + declaration);
  }
  bool ApplyOption(const OptionSetting& setting) override {
    options.push_back(setting);
    return !(setting.name == OptionName::kLogPath && setting.text == u"\"\"");
  }
  std::u16string Refused(const std::u16string& text) const {
    return text.find(u"BAD") != std::u16string::npos ? u"refused: " + text : u"";
  }
  std::u16string module() const { return modules.empty() ? u"" : modules.back(); }
  Texts calls;
  Texts modules;
  std::vector<OptionSetting> options;
};

struct SinkFeed : Feed {
  RecordingSink sink;
  SinkFeed() { registrar.setDeclarationSink(&sink); }
};

TEST(RegistrarDeclarations, ConstPublicAndModuleDim) {
  SinkFeed feed;
  Texts rows =
      feed.Rows({u"PROCEDURE __MAIN__()", u"CONST A = 1, B = \"x, y\"", u"PUBLIC P", u"DIM L = 1",
                 u"FEND", u"MODULE M 0", u"CONST C = A + 1", u"PUBLIC Q = 1, S = F(1, 2), U",
                 u"DIM D, R[2] = 1, 2", u"PUBLIC DIM T[] = 1, 2", u"FUNCTION G()", u"CONST K = 3",
                 u"PUBLIC V", u"DIM W", u"RESULT = 1", u"FEND", u"ENDMODULE", u"CONST Z = 0"});
  EXPECT_EQ(feed.sink.calls,
            (Texts{u"CONST A = 1, B = \"x, y\" @", u"GLOBAL P", u"CONST M.C = A + 1 @M",
                   u"GLOBAL M.Q = 1 E", u"GLOBAL M.S = F(1, 2) E", u"GLOBAL M.U E",
                   u"GLOBAL M.D, R[2] = 1, 2 E P", u"GLOBAL M.T[] = 1, 2 E", u"CONST M.K = 3 @M",
                   u"GLOBAL M.V", u"CONST Z = 0 @"}));
  // An array initializer runs to the end of the row, which therefore goes whole.
  // DIM inside a function or the main program runs at run time.
  EXPECT_EQ(rows[3], u"DIM L = 1");
  EXPECT_EQ(rows[13], u"DIM W");
  for (int r : {1, 2, 6, 7, 8, 9, 11, 12, 17}) EXPECT_EQ(rows[r], u"") << r;
  // The module name follows the rows: set by MODULE, cleared by ENDMODULE.
  EXPECT_EQ(feed.sink.modules, (Texts{u"M", u""}));
  EXPECT_TRUE(feed.reports.empty());
}

TEST(RegistrarDeclarations, RefusalsBecomeMarkersReachableByTheCheck) {
  SinkFeed feed;
  Texts rows = feed.Rows({u"PROCEDURE __MAIN__()", u"CONST BAD = 1", u"PUBLIC A, BAD, C", u"FEND",
                          u"MODULE M 0", u"FUNCTION F()", u"RESULT = 1", u"FEND", u"DIM X, BADY, Z",
                          u"ENDMODULE"});
  EXPECT_EQ(rows[1], Err(u"refused: BAD = 1"));
  EXPECT_EQ(rows[2], Err(u"refused: BAD"));
  // The refusal ends the row: C is never declared.
  EXPECT_EQ(feed.sink.calls[1], u"GLOBAL A");
  EXPECT_EQ(feed.sink.calls[2], u"GLOBAL BAD");
  EXPECT_EQ(feed.sink.calls[3], u"GLOBAL M.X E P");
  EXPECT_EQ(feed.sink.calls.size(), 5u);
  EXPECT_EQ(rows[8], Err(u"refused: M.BADY"));
  // Only the module-level marker needs the pseudo-definition.
  EXPECT_EQ(feed.Entry(u"CLASS M"), u"2,7");
  EXPECT_EQ(feed.definitions.functions.Count(), 3);
}

TEST(RegistrarDeclarations, HashTables) {
  SinkFeed feed;
  Texts rows =
      feed.Rows({u"PROCEDURE __MAIN__()", u"PUBLIC HASHTBL H, G = HASH_SORT OR HASH_CASECARE",
                 u"HASHTBL L", u"PUBLIC HASHTBL", u"PUBLIC HASHTBL A, B[1]", u"FEND", u"MODULE M 0",
                 u"HASHTBL MH", u"PUBLIC HASHTBL PH", u"HASHTBL X+Y", u"ENDMODULE"});
  EXPECT_EQ(feed.sink.calls, (Texts{u"HASH H", u"HASH G = HASH_SORT OR HASH_CASECARE", u"HASH A",
                                    u"HASH M.MH P", u"HASH M.PH"}));
  // A hash table inside a function or the main program is made at run time.
  EXPECT_EQ(rows[2], u"HASHTBL L");
  EXPECT_EQ(rows[3], Err(u"SyntaxError-37"));
  EXPECT_EQ(rows[4], Err(u"SyntaxError-37"));
  EXPECT_EQ(rows[9], Err(u"SyntaxError-37"));
  EXPECT_EQ(feed.Entry(u"CLASS M"), u"2,8");
  for (int r : {1, 7, 8}) EXPECT_EQ(rows[r], u"") << r;
}

TEST(RegistrarDeclarations, DllDeclarationsAndTypeWords) {
  SinkFeed feed;
  Texts rows = feed.Rows(
      {u"PROCEDURE __MAIN__()", u"DEF_DLL MessageBoxA(hwnd, string, string, uint):int:user32.dll",
       u"DEF_DLL GetTickCount():DWORD:kernel32.dll",
       u"DEF_DLL Fill(var int[ ], {byte, dword}):x.dll", u"DEF_DLL Bad(int, longx):x.dll",
       u"DEF_DLL Arr(string[]):x.dll", u"DEF_DLL Vc(var char):x.dll", u"DEF_DLL (int):x.dll",
       u"FEND", u"MODULE M 0", u"DEF_DLL Beep(dword, dword) : bool : kernel32.dll",
       u"DEF_DLL Q(nothing):q.dll", u"ENDMODULE"});
  EXPECT_EQ(feed.sink.calls[0],
            u"DLL MessageBoxA|MessageBoxA(hwnd, string, string, uint):int:user32.dll");
  EXPECT_EQ(feed.sink.calls[2], u"DLL Fill|Fill(var int[], {byte, dword}):x.dll");
  EXPECT_EQ(feed.sink.calls[6], u"DLL M.Beep|Beep(dword, dword) : bool : kernel32.dll");
  // The row keeps its text for the run-time statement; errors mark it.
  for (int r : {1, 2, 3, 10}) EXPECT_TRUE(rows[r].starts_with(u"DEF_DLL ")) << r;
  EXPECT_EQ(rows[4], Err(u"DEF_DLL:SyntaxError:longx"));
  EXPECT_EQ(rows[5], Err(u"string[] cannot specify the array"));
  EXPECT_EQ(rows[6], Err(u"DEF_DLL:SyntaxError:var char"));
  EXPECT_EQ(rows[7], Err(u"DEF_DLL:SyntaxError:(int):x.dll"));
  EXPECT_EQ(rows[11], Err(u"DEF_DLL:SyntaxError:nothing"));
  EXPECT_EQ(feed.Entry(u"CLASS M"), u"2,10");

  SinkFeed ja;
  SetJapaneseMessages(true);
  rows = ja.Rows({u"DEF_DLL A(intx):a.dll", u"DEF_DLL B(pchar[]):b.dll"});
  SetJapaneseMessages(false);
  EXPECT_EQ(rows[0], Err(u"DEF_DLLの定義に間違いがあります:intx"));
  EXPECT_EQ(rows[1], Err(u"pchar[] は配列指定できません"));

  EXPECT_EQ(DllTypeCode(u"Long"), kDllInt);
  EXPECT_EQ(DllTypeCode(u" VAR  hmenu "), kDllDword + kDllByReference);
  EXPECT_EQ(DllTypeCode(u"var double[]"), kDllDouble + kDllByReference);
  EXPECT_EQ(DllTypeCode(u"wchar[]"), kDllWChar + kDllByReference);
  EXPECT_EQ(DllTypeCode(u"VAR VOID"), kDllUnknown);
  EXPECT_EQ(DllTypeCode(u"INT INT"), kDllUnknown);
  EXPECT_TRUE(DllTypeAllowsArray(DllTypeCode(u"extended[]")));
  EXPECT_FALSE(DllTypeAllowsArray(DllTypeCode(u"safearray[]")));
}

TEST(RegistrarOptions, ParsedInOrderUntilTheFirstError) {
  std::vector<OptionSetting> s;
  ASSERT_TRUE(ParseOptions(u"EXPLICIT, SAMESTR,DLGTITLE = \"a, <#_CR>b\", LOGFILE=2.5", &s));
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0].name, OptionName::kExplicit);
  EXPECT_EQ(s[2].text, u"a, <#_CR>b");
  EXPECT_EQ(s[3].number, 2);  // rounded half to even

  // POSITION takes the next piece as y; its errors are ignored.
  s.clear();
  ASSERT_TRUE(
      ParseOptions(u"POSITION = 100, 200, POSITION = \"-5,7\", POSITION = X, 1, ROUNDVALUE", &s));
  ASSERT_EQ(s.size(), 4u);
  EXPECT_TRUE(s[0].valid);
  EXPECT_EQ(s[0].number2, 200);
  EXPECT_EQ(s[1].number, -5);
  EXPECT_FALSE(s[2].valid);
  EXPECT_EQ(s[3].name, OptionName::kRoundValue);

  s.clear();
  ASSERT_TRUE(ParseOptions(u"DEFAULTFONT = \" MS Gothic , 10.4 \", LOGLINES = 500", &s));
  EXPECT_EQ(s[0].text, u"MS Gothic");
  EXPECT_EQ(s[0].number, 10);
  EXPECT_EQ(s[1].number, 500);
  // A font size that cannot be read is kept as -1, and still an error.
  s.clear();
  EXPECT_FALSE(ParseOptions(u"DEFAULTFONT = \"Arial\"", &s));
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0].number, -1);

  for (const char16_t* bad :
       {u"FOO", u"", u"EXPLICIT,", u"EXPLICIT,,SAMESTR", u"EXPLICIT = 1", u"LOGFILE",
        u"LOGFILE = X", u"LOGLINES = 1.5", u"LOGLINES = -1", u"LOGLINES = 1E20", u"DLGTITLE"}) {
    s.clear();
    EXPECT_FALSE(ParseOptions(bad, &s))
        << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
  }
  s.clear();
  EXPECT_FALSE(ParseOptions(u"SAMESTR, FOO, EXPLICIT", &s));
  EXPECT_EQ(s.size(), 1u);  // SAMESTR stays applied
}

TEST(RegistrarOptions, RowsBlankedOrMarked) {
  SinkFeed feed;
  Texts rows = feed.Rows({u"PROCEDURE __MAIN__()", u"OPTION SHORTCIRCUIT, TOPSTOPFORM",
                          u"OPTION LOGPATH = \"\"", u"OPTION NOPE", u"FEND", u"MODULE M 0",
                          u"OPTION EXPLICIT", u"ENDMODULE"});
  EXPECT_EQ(rows[1], u"");
  EXPECT_EQ(rows[2], Err(u"OPTION:SyntaxError"));  // the sink refused the value
  EXPECT_EQ(rows[3], Err(u"OPTION:SyntaxError"));
  EXPECT_EQ(rows[6], Err(u"SyntaxError-40"));  // not at module level
  EXPECT_EQ(feed.sink.options.size(), 3u);
  SetJapaneseMessages(true);
  rows = feed.Rows({u"OPTION EXPLICIT SAMESTR"});
  SetJapaneseMessages(false);
  EXPECT_EQ(rows.back(), Err(u"OPTION指定に間違いがあります"));
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
