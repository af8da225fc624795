#include "frontend/assembly.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/user_interface.h"
#include "frontend/const_reader.h"
#include "frontend/row_normalizer.h"
#include "platform/platform.h"

namespace zelk {
namespace {

using Rows = std::vector<std::u16string>;

Rows NormalizeAll(RowNormalizer& n, const Rows& lines) {
  Rows out;
  for (const auto& line : lines) out.push_back(n.Normalize(line));
  return out;
}

// ---------------------------------------------------------------- rows

TEST(AssemblyRows, CommentsCaseAndBlanks) {
  RowNormalizer n;
  EXPECT_EQ(u"PRINT \"http://x\" + A", n.Normalize(u"\tprint \"http://x\" + a  // note"));
  EXPECT_EQ(u"", n.Normalize(u"   // only a comment"));
  EXPECT_EQ(u"OBJ.Name = \"abc\"", n.Normalize(u"obj.Name = \"abc\""));
  // TABs and ideographic spaces outside literals become blanks; inside they stay.
  EXPECT_EQ(u"X = \"a\u3000b\"", n.Normalize(u"\u3000x\u3000=\t\"a\u3000b\"\u3000"));
  EXPECT_EQ(u"X", n.FirstWord());
  EXPECT_EQ(u"DEF_DLL MessageBoxA(long, string): long: user32",
            n.Normalize(u"def_dll MessageBoxA(long, string): long: user32"));
  EXPECT_EQ(u"IFB", (n.Normalize(u"ifb;x"), n.FirstWord()));
}

TEST(AssemblyRows, ContinuedLinesKeepLineCount) {
  RowNormalizer n;
  Rows out =
      NormalizeAll(n, {u"total = 1 + _", u"// a comment keeps it going",
                       u"    // and an indented one", u"  2 + _ // cut first", u"  3", u"next"});
  EXPECT_EQ((Rows{u"", u"", u"", u"", u"TOTAL = 1 + 2 + 3", u"NEXT"}), out);
  EXPECT_EQ(u"next", n.PlainText());

  // A blank line ends a continuation: the text so far becomes that row.
  RowNormalizer m;
  EXPECT_EQ((Rows{u"", u"A = 1 +", u"B"}), NormalizeAll(m, {u"a = 1 + _", u"", u"b"}));

  // At the end of a file the pending text is handed back, not kept for the next file.
  RowNormalizer e;
  e.Normalize(u"print 1 + _");
  bool had = false;
  EXPECT_EQ(u"PRINT 1 +", e.EndOfFile(&had));
  EXPECT_TRUE(had);
  EXPECT_FALSE(e.HasPending());
  EXPECT_EQ(u"FEND", e.Normalize(u"FEND"));
}

TEST(AssemblyRows, TextBlockKeepsItsLines) {
  RowNormalizer n;
  Rows lines = {u"textblock Memo // c", u"  Keep Case // and comment", u"\tends with _",
                u"endtextblock", u"after"};
  Rows out = NormalizeAll(n, lines);
  EXPECT_EQ((Rows{u"TEXTBLOCK MEMO", lines[1], lines[2], u"ENDTEXTBLOCK", u"AFTER"}), out);
  EXPECT_FALSE(n.InTextBlock());

  // An open text block does not survive the end of its file.
  n.Normalize(u"TEXTBLOCK");
  bool had = true;
  n.EndOfFile(&had);
  EXPECT_FALSE(had);
  EXPECT_FALSE(n.InTextBlock());
}

TEST(AssemblyRows, ProcedureAndCallKeepIdeographicSpacesInPaths) {
  RowNormalizer n;
  EXPECT_EQ(u"PROCEDURE C:\\MY\u3000DIR\\SUB.ZLS()",
            n.Normalize(u"PROCEDURE C:\\my\u3000dir\\sub.zls()"));
  EXPECT_EQ(u"PROCEDURE F(A, B)", n.Normalize(u"PROCEDURE\u3000f(a,\tb)"));
  EXPECT_EQ(u"PROCEDURE G(A, B)", n.Normalize(u"PROCEDURE g(a,\tb)"));
  EXPECT_EQ(u"IF A THEN CALL MY\u3000FILE", n.Normalize(u"if\u3000a then call\u3000my\u3000file "));
  EXPECT_EQ(u"X = 1", n.Normalize(u"x\u3000=\u30001"));
}

TEST(AssemblyRows, LongRowsTakeOnePass) {
  RowNormalizer n;
  std::u16string blanks(300000, u'\t');
  std::u16string out = n.Normalize(u"x =" + blanks + u"1");
  blanks.assign(blanks.size(), u' ');
  EXPECT_EQ(u"X =" + blanks + u"1", out);
}

TEST(AssemblyRows, ModulesAreNumberedByFirstAppearance) {
  RowNormalizer numbered(true);
  EXPECT_EQ(
      (Rows{u"MODULE A 0", u"CLASS B 1", u"MODULE A 0", u"ENDMODULE", u"MODULE"}),
      NormalizeAll(numbered, {u"module a", u"Class B", u"MODULE A", u"endmodule", u"MODULE"}));
  RowNormalizer plain;
  EXPECT_EQ(u"MODULE A", plain.Normalize(u"module a"));
}

TEST(AssemblyRows, FindsOnlyRealCallWords) {
  EXPECT_EQ(0u, FindCallWord(u"CALL x", false));
  EXPECT_EQ(9u, FindCallWord(u"PRINT 1; CALL x", false));
  EXPECT_EQ(std::u16string::npos, FindCallWord(u"RECALL x", false));
  EXPECT_EQ(std::u16string::npos, FindCallWord(u"PRINT \"CALL x\"", false));
  EXPECT_EQ(std::u16string::npos, FindCallWord(u"X=\u3000CALL\u3000x", false));
  EXPECT_EQ(3u, FindCallWord(u"X=\u3000call\u3000x", true));
}

// ---------------------------------------------------------------- names and paths

TEST(AssemblyPaths, IncludeNamesUseFullWidthFolderPunctuation) {
  EXPECT_EQ(u"D:\\PROGRAM FILES \uFF08X86\uFF09\\LIB\uFF01\uFF0C\uFF0B\uFF1D\\SUB(1)+.ZLS",
            IncludeProcedureName(u"D:\\Program Files (x86)\\lib!,+=\\sub(1)+.zls"));
  EXPECT_EQ(u"A/B\uFF08\\C).ZLS", IncludeProcedureName(u"a/b(\\c).zls"));
  EXPECT_EQ(u"\uFF08\"X\\Y\"\uFF09\\Z.ZLS", IncludeProcedureName(u"(\"x\\y\")\\z.zls"));
}

TEST(AssemblyPaths, KeysAreFullAndCanonical) {
  EXPECT_EQ(u"D:\\W\\SUB.ZLS", ScriptPathKey(u"d:/w/lib/../sub.zls", u""));
  EXPECT_EQ(u"D:\\SUB.ZLS", ScriptPathKey(u"..\\..\\sub.zls", u"D:\\W\\LIB"));
  EXPECT_EQ(u"D:\\W\\LIB\\X\\SUB.ZLS", ScriptPathKey(u".\\x\\.\\sub.zls", u"D:\\W\\LIB"));
  EXPECT_EQ(u"\\\\SERVER\\SHARE\\A.ZLS", ScriptPathKey(u"\\\\server\\share\\a.zls", u"D:\\W"));
  EXPECT_EQ(u"C:\\..\\A.ZLS", ScriptPathKey(u"C:\\..\\a.zls", u""));
  std::u16string current = UpperAscii(ReplaceAll(CurrentFolder(), u"/", u"\\"));
  if (current.size() > 1 && current.back() == u'\\') current.pop_back();
  EXPECT_EQ(current + u"\\LIB\\SUB.ZLS", ScriptPathKey(u"lib\\sub.zls", u""));
}

TEST(AssemblyPaths, EncryptedMark) {
  EXPECT_TRUE(IsEncryptedScript({u" ZLS0x \t", u"PRINT 1"}));
  EXPECT_FALSE(IsEncryptedScript({u"ZLS0"}));
  EXPECT_FALSE(IsEncryptedScript({u"ZLS0ab"}));
  EXPECT_FALSE(IsEncryptedScript({}));
}

// ---------------------------------------------------------------- constant reader

TEST(ConstReader, EvaluatesTermsJoinedByPlus) {
  TReadZlsFile r;
  bool failed = true;
  EXPECT_EQ(u"lib\\sub.zls", r.Evaluate(u"\"lib\\\" + \"sub.zls\"", &failed));
  EXPECT_FALSE(failed);
  EXPECT_EQ(u"a\"b", r.Evaluate(u"\"a\"\"b\"", &failed));
  EXPECT_EQ(u"6.5", r.Evaluate(u"1 + $4 + (0.5 + 1)", &failed));
  EXPECT_EQ(u"x12", r.Evaluate(u"\"x\" + 1 + 2", &failed));
  EXPECT_EQ(u"3x", r.Evaluate(u"(1 + 2) + \"x\"", &failed));
  EXPECT_EQ(u"150", r.Evaluate(u"1.5E+2", &failed));
  EXPECT_EQ(u"a\r\nb\"\t", r.Evaluate(u"\"a<#CR>b<#_dbl><#TAB>\"", &failed));
  EXPECT_FALSE(failed);
}

TEST(ConstReader, FailuresReturnTheText) {
  TReadZlsFile r;
  for (std::u16string bad : {u"", u"\"open", u"\"a\" +", u"\"a\" \"b\"", u"UNKNOWN + \"x\"",
                             u"(\"a\"", u"\"a\" - 1", u"1e", u"$"}) {
    bool failed = false;
    EXPECT_EQ(bad, r.Evaluate(bad, &failed)) << TextToUtf8(bad);
    EXPECT_TRUE(failed) << TextToUtf8(bad);
  }
  // Deep nesting fails cleanly instead of exhausting the stack.
  bool failed = false;
  r.Evaluate(std::u16string(100000, u'(') + u"1" + std::u16string(100000, u')'), &failed);
  EXPECT_TRUE(failed);
}

TEST(ConstReader, RecordedConstantsAndFolders) {
  TReadZlsFile r;
  r.RecordConst(u"CONST DIR = \"lib\"");
  r.RecordConst(u"CONST N = 2 + 3");
  r.RecordConst(u"CONST DIR = \"other\"");  // the first definition stays
  r.RecordConst(u"CONST BAD = NOWHERE");    // remembered as its own text
  r.RecordConst(u"CONST NOEQUALS");
  bool failed = true;
  EXPECT_EQ(u"lib\\x", r.Evaluate(u"dir + \"\\x\"", &failed));
  EXPECT_FALSE(failed);
  EXPECT_EQ(u"6", r.Evaluate(u"N + 1", &failed));
  EXPECT_EQ(u"NOWHERE!", r.Evaluate(u"BAD + \"!\"", &failed));
  r.Evaluate(u"NOEQUALS", &failed);
  EXPECT_TRUE(failed);

  EXPECT_EQ(CurrentFolder() + u"\\a", r.Evaluate(u"GET_CUR_DIR + \"\\a\"", &failed));
  std::u16string program = FolderPart(os::ExecutablePath());
  program.pop_back();
  EXPECT_EQ(program, r.Evaluate(u"get_zelk_dir", &failed));
  EXPECT_EQ(os::WindowsFolder(), r.Evaluate(u"GET_WIN_DIR", &failed));
  EXPECT_EQ(os::SystemFolder(), r.Evaluate(u"GET_SYS_DIR", &failed));
  EXPECT_EQ(AppDataFolder(false), r.Evaluate(u"GET_APPDATA_DIR", &failed));
  EXPECT_FALSE(failed);

  r.Reset();
  r.Evaluate(u"DIR", &failed);
  EXPECT_TRUE(failed);
}

// ---------------------------------------------------------------- whole assemblies

struct Message {
  std::u16string text;
  std::u16string caption;
  unsigned type;
};

class RecordingInterface : public UserInterface {
 public:
  int ShowMessageBox(const std::u16string& text, const std::u16string& caption,
                     unsigned type) override {
    messages.push_back({text, caption, type});
    return answer;
  }
  void ShowStatusMessage(const std::u16string& text) override { status.push_back(text); }

  int answer = kIdCancel;
  std::vector<Message> messages;
  std::vector<std::u16string> status;
};

class AssemblyFiles : public testing::Test {
 protected:
  void SetUp() override {
    previousFolder_ = os::CurrentFolder();
    folder_ = TempFolder() + u"\\zelk-assembly-test";
    os::CreateFolder(folder_);
    os::CreateFolder(folder_ + u"\\lib");
    Clean();
    ASSERT_TRUE(os::SetCurrentFolder(folder_));
    SetUserInterface(&ui_);
    assembly_.setMainPath(folder_ + u"\\main.zls");
  }
  void TearDown() override {
    SetUserInterface(nullptr);
    SetJapaneseMessages(false);
    os::SetCurrentFolder(previousFolder_);
    Clean();
  }
  void Clean() {
    for (const auto& sub : {u"", u"\\lib"}) {
      std::u16string dir = folder_ + sub;
      for (const auto& name : os::FindFiles(dir + u"\\*")) os::DeleteFile(dir + u"\\" + name);
    }
  }
  void Write(const std::u16string& name, const std::string& utf8) {
    std::string error;
    auto f = os::OpenFile(folder_ + u"\\" + name, os::OpenHow::kCreateTruncate, false, &error);
    ASSERT_TRUE(f && f->Rewrite(utf8)) << error;
  }
  std::u16string Key(const std::u16string& name) {
    return ScriptPathKey(folder_ + u"\\" + name, u"");
  }
  // The rows of the file with the given index, header included.
  Rows Block(size_t file) {
    const Rows& all = assembly_.combinedSource();
    std::u16string header =
        file == 0
            ? u"PROCEDURE __MAIN__()"
            : u"PROCEDURE " + IncludeProcedureName(assembly_.sourceFiles()[file].path) + u"()";
    Rows out;
    bool inside = false;
    for (const auto& row : all) {
      if (row.starts_with(u"PROCEDURE ") && row.ends_with(u".ZLS()")) inside = false;
      if (row == header) inside = true;
      if (inside) out.push_back(row);
    }
    return out;
  }

  std::u16string previousFolder_;
  std::u16string folder_;
  RecordingInterface ui_;
  ScriptAssembly assembly_;
};

TEST_F(AssemblyFiles, FendGoesBeforeTheFirstDefinitionEvenWhenContinued) {
  Write(u"main.zls",
        "print 1\n  FUNCTION F(a, _\n   b, _\n   c)\n  RESULT = a\nFEND\nprocedure P()\nFEND\n");
  ASSERT_TRUE(assembly_.AssembleScript());
  EXPECT_EQ((Rows{u"PROCEDURE __MAIN__()", u"PRINT 1", u"FEND", u"", u"", u"FUNCTION F(A, B, C)",
                  u"RESULT = A", u"FEND", u"PROCEDURE P()", u"FEND"}),
            assembly_.combinedSource());
  ASSERT_EQ(1u, assembly_.sourceFiles().size());
  EXPECT_EQ(folder_ + u"\\main.zls", assembly_.sourceFiles()[0].path);
  EXPECT_GT(assembly_.sourceFiles()[0].modified, 0);
  const auto& nav = assembly_.navigation();
  ASSERT_EQ(3u, nav.size());
  EXPECT_EQ(u"main.zls", nav[0].caption);
  EXPECT_EQ(kNavigationFileHeader, nav[0].text);
  EXPECT_EQ(u" FUNCTION F", nav[1].caption);
  EXPECT_EQ(u"FUNCTION F(a, b, c)", nav[1].text);
  EXPECT_EQ(u" procedure P", nav[2].caption);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(AssemblyFiles, IncludesAreReadOnceInOrderOfFirstCall) {
  Write(u"main.zls",
        "CALL lib\\a\nCALL b(\"x/y\", 10/2); call lib\\A.zls (1)\nPRINT \"CALL c\"\n"
        "CONST SUB = \"lib\\\"\nMODULE M\nENDMODULE\n");
  Write(u"lib\\a.zls", "MODULE L\nENDMODULE\nCALL ..\\b\n");
  Write(u"b.zls", "CALL SUB + \"a\"\nCALL lib\\c\n");
  Write(u"lib\\c.zls", "FUNCTION G()\nFEND\n");
  ASSERT_TRUE(assembly_.AssembleScript());
  const auto& files = assembly_.sourceFiles();
  ASSERT_EQ(4u, files.size());
  EXPECT_EQ(Key(u"lib\\a.zls"), files[1].path);
  EXPECT_EQ(Key(u"b.zls"), files[2].path);
  EXPECT_EQ(Key(u"lib\\c.zls"), files[3].path);
  EXPECT_EQ(
      (Rows{u"PROCEDURE __MAIN__()", u"CALL " + IncludeProcedureName(Key(u"lib\\a.zls")),
            u"CALL " + IncludeProcedureName(Key(u"b.zls")) + u"(\"x/y\", 10/2); CALL " +
                IncludeProcedureName(Key(u"lib\\a.zls")) + u"(1)",
            u"PRINT \"CALL c\"", u"CONST SUB = \"lib\\\"", u"FEND", u"MODULE M 0", u"ENDMODULE"}),
      Block(0));
  // Modules are numbered in the order of the combined source; the CONST of
  // the main file serves the include's CALL.
  EXPECT_EQ(u"MODULE L 1", Block(1)[2]);
  EXPECT_EQ(u"CALL " + IncludeProcedureName(Key(u"lib\\a.zls")), Block(2)[1]);
  ASSERT_EQ(3u, assembly_.includes().size());
  EXPECT_EQ(IncludeProcedureName(Key(u"lib\\c.zls")), assembly_.includes()[2].name);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(AssemblyFiles, FileBoundariesStopContinuationsAndTextBlocks) {
  Write(u"main.zls", "CALL a\nCALL b\nx = 1 + _\n");
  Write(u"a.zls", "TEXTBLOCK T\ncall not_an_include\n");
  Write(u"b.zls", "print 2 + _\n// still continued\n");
  ASSERT_TRUE(assembly_.AssembleScript());
  EXPECT_EQ(u"X = 1 +", Block(0)[3]);
  EXPECT_EQ(u"FEND", Block(0)[4]);
  EXPECT_EQ((Rows{u"PROCEDURE " + IncludeProcedureName(Key(u"a.zls")) + u"()", u"TEXTBLOCK T",
                  u"call not_an_include", u"FEND"}),
            Block(1));
  EXPECT_EQ((Rows{u"PROCEDURE " + IncludeProcedureName(Key(u"b.zls")) + u"()", u"", u"PRINT 2 +",
                  u"FEND"}),
            Block(2));
  EXPECT_EQ(3u, assembly_.sourceFiles().size());
}

TEST_F(AssemblyFiles, TemporaryCopiesAndEditors) {
  Write(u"main.zls", "CALL sub\nCALL new\n");
  Write(u"main.zls$$$", "CALL sub\nCALL new\nPRINT \"edited\"\n");
  Write(u"sub.zls", "PRINT \"saved\"\n");
  Write(u"sub.zls$$$", "PRINT \"unsaved\"\n");
  std::vector<std::u16string> asked;
  assembly_.setEditorQuery([&](const std::u16string& path) {
    asked.push_back(path);
    return path == Key(u"new.zls");
  });
  ASSERT_TRUE(assembly_.AssembleScript(ScriptAssembly::Source::kEditorCopies));
  EXPECT_EQ(u"PRINT \"edited\"", Block(0)[3]);
  EXPECT_EQ(u"PRINT \"unsaved\"", Block(1)[1]);
  EXPECT_EQ((Rows{u"PROCEDURE " + IncludeProcedureName(Key(u"new.zls")) + u"()", u"FEND"}),
            Block(2));
  EXPECT_EQ(Rows{Key(u"new.zls")}, asked);
  EXPECT_FALSE(assembly_.createNewFileRequested());
  EXPECT_TRUE(ui_.messages.empty());

  ASSERT_TRUE(assembly_.AssembleScript());
  EXPECT_EQ(4u, Block(0).size());
  EXPECT_EQ(u"PRINT \"saved\"", Block(1)[1]);
}

TEST_F(AssemblyFiles, MissingIncludeAsksWhetherToCreateIt) {
  Write(u"main.zls", "CALL lib\\gone(1)\nPRINT 1\n");
  EXPECT_FALSE(assembly_.AssembleScript());
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(u"FILE not found :" + Key(u"lib\\gone.zls") + u"\rDoes it create newly ?",
            ui_.messages[0].text);
  EXPECT_EQ(u"ZELK Debugger", ui_.messages[0].caption);
  EXPECT_EQ(kMbOkCancel, ui_.messages[0].type & 0xF);

  ui_.answer = kIdOk;
  SetJapaneseMessages(true);
  EXPECT_TRUE(assembly_.AssembleScript());
  EXPECT_EQ(u"FILE not found :" + Key(u"lib\\gone.zls") + u"\r新規に作成しますか？",
            ui_.messages[1].text);
  EXPECT_TRUE(assembly_.createNewFileRequested());
  ASSERT_EQ(2u, assembly_.sourceFiles().size());
  EXPECT_EQ(0, assembly_.sourceFiles()[1].modified);
  EXPECT_EQ(2u, Block(1).size());
}

TEST_F(AssemblyFiles, RefusedScriptsSayWhy) {
  struct Case {
    std::string main;
    std::u16string english;
    std::u16string japanese;
  };
  const Case cases[] = {
      {"ZLS0Z\nPRINT 1\n", u"It is encrypted file", u"暗号化されたものはデバックできません"},
      {"CALL enc\n", u"It is encrypted file", u"暗号化されたものはデバックできません"},
      {"PRINT 1\n  fend // early\nFUNCTION F()\nFEND\n",
       u"Position of the FEND sentence is strange", u"FEND文の位置がおかしい"},
      {"CALL lib\\bad_fend\n", u"Position of the FEND sentence is strange",
       u"FEND文の位置がおかしい"},
      {"CALL \"x\" + NOWHERE\n", u"Syntax Error: CALL \"x\" + NOWHERE",
       u"Syntax Error: CALL \"x\" + NOWHERE"},
      {"CALL ;PRINT 1\n", u"Syntax Error: CALL ", u"Syntax Error: CALL "},
  };
  Write(u"enc.zls", "ZLS0a\n");
  Write(u"lib\\bad_fend.zls", "FEND\n");
  for (bool japanese : {false, true}) {
    SetJapaneseMessages(japanese);
    for (const Case& c : cases) {
      Write(u"main.zls", c.main);
      ui_.messages.clear();
      EXPECT_FALSE(assembly_.AssembleScript()) << c.main;
      ASSERT_EQ(1u, ui_.messages.size()) << c.main;
      EXPECT_EQ(japanese ? c.japanese : c.english, ui_.messages[0].text) << c.main;
    }
  }
}

TEST_F(AssemblyFiles, ManyCallsOnOneRow) {
  std::string row;
  for (int i = 0; i < 20000; ++i) row += "CALL sub(\"a;b\");";
  Write(u"main.zls", row + "\n");
  Write(u"sub.zls", "");
  ASSERT_TRUE(assembly_.AssembleScript());
  EXPECT_EQ(2u, assembly_.sourceFiles().size());
  std::u16string call = u"CALL " + IncludeProcedureName(Key(u"sub.zls")) + u"(\"a;b\");";
  EXPECT_EQ(call.size() * 20000, Block(0)[1].size());
  EXPECT_TRUE(Block(0)[1].starts_with(call + call));
}

TEST_F(AssemblyFiles, MainFileCannotIncludeItself) {
  Write(u"main.zls", "CALL lib\\a\n");
  Write(u"lib\\a.zls", "CALL ..\\MAIN.ZLS\n");
  EXPECT_FALSE(assembly_.AssembleScript());
  ASSERT_EQ(1u, ui_.messages.size());
  EXPECT_EQ(u"The main script cannot be included by CALL :" + Key(u"main.zls"),
            ui_.messages[0].text);
}

TEST_F(AssemblyFiles, MissingMainFileIsAStatusNote) {
  assembly_.setMainPath(folder_ + u"\\absent.zls");
  EXPECT_FALSE(assembly_.AssembleScript(ScriptAssembly::Source::kEditorCopies));
  EXPECT_EQ(Rows{u"FILE not found :" + folder_ + u"\\absent.zls"}, ui_.status);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(AssemblyFiles, UntitledScriptHasNoFileEntry) {
  Write(u"_$$$_.ZLS", "FUNCTION F()\nFEND\n");
  assembly_.setMainPath(folder_ + u"\\_$$$_.ZLS");
  ASSERT_TRUE(assembly_.AssembleScript());
  ASSERT_EQ(1u, assembly_.navigation().size());
  EXPECT_EQ(u" FUNCTION F", assembly_.navigation()[0].caption);
}

TEST_F(AssemblyFiles, IncludeHeaderPathIsNoCall) {
  os::CreateFolder(folder_ + u"\\lib\\x CALL y");
  Write(u"lib\\x CALL y\\s.zls", "PRINT 1\n");
  Write(u"main.zls", "CALL lib\\x CALL y\\s\n");
  ASSERT_TRUE(assembly_.AssembleScript());
  EXPECT_EQ(2u, assembly_.sourceFiles().size());
  os::DeleteFile(folder_ + u"\\lib\\x CALL y\\s.zls");
}

}  // namespace
}  // namespace zelk
