#include "runtime/vars/declaration_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/messages.h"
#include "foundation/script_log.h"
#include "foundation/settings.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"
#include "support/recording_host.h"
#include "support/test_builtins.h"

namespace zelk {
namespace {

using Texts = std::vector<std::u16string>;

// Preprocesses a combined source (the main program's rows between its header
// and FEND, then whatever follows) on a real interpreter.
class DeclarationSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() / "zelk_declaration_sink";
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "prog");
    SetupPathsFrom(root_.u16string() + u"\\prog\\ZELK.exe", root_.u16string() + u"\\appdata");
    interp.setHost(&host);
    UseBuiltins(interp);
  }
  void TearDown() override {
    SetLogOptions(0, u"");
    ResetLog();
    std::filesystem::remove_all(root_);
  }

  Texts Load(Texts main, const Texts& after = {}) {
    main.insert(main.begin(), u"PROCEDURE __MAIN__()");
    main.push_back(u"FEND");
    main.insert(main.end(), after.begin(), after.end());
    interp.preprocessor.FReLoad(main);
    interp.TakeStatementKinds();
    return interp.table.StmtTexts;
  }
  Value Read(std::u16string_view name) { return GetValue(interp.global, name, true); }
  int Hash(std::u16string_view name) { return interp.global.hashNames.IndexOf(name); }

  std::filesystem::path root_;
  RecordingHost host;
  Interpreter interp;
};

TEST_F(DeclarationSinkTest, OptionsReachTheInterpreterAndStartAfreshEachRun) {
  Texts rows = Load({u"OPTION EXPLICIT, SAMESTR, OPTPUBLIC, OPTFINALLY, SPECIALCHAR",
                     u"OPTION SHORTCIRCUIT, ONLYSAPI, ROUNDVALUE, DLGNOFORM, FIXBALLOON",
                     u"OPTION TOPSTOPFORM, NOSTOPHOTKEY, DLGTITLE = \"a<#_TAB>b<#TAB>\"",
                     u"OPTION DEFAULTFONT = \"MS UI Gothic, 11\", POSITION = 100, 200",
                     u"OPTION LOGLINES = 300, LOGLINES = 400"});
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(rows[static_cast<std::size_t>(r)], u"") << r;
  const ScriptOptions& o = interp.options;
  EXPECT_TRUE(o.explicitDeclarations && o.sameStr && o.optPublic && o.optFinally && o.specialChar &&
              o.shortCircuit && o.onlySapi && o.roundValue && o.dlgNoForm && o.fixBalloon);
  // Escapes written in the source expand even under SPECIALCHAR.
  EXPECT_EQ(o.dialogTitle, u"a\tb\t");
  EXPECT_TRUE(o.dialogFontSet);
  EXPECT_EQ(o.dialogFontName, u"MS UI Gothic");
  EXPECT_EQ(o.dialogFontSize, 11);
  EXPECT_TRUE(o.positionSet);
  EXPECT_EQ(o.positionX * 1000 + o.positionY, 100200);
  // The limit from before the run is what the end of the run restores.
  EXPECT_EQ(o.savedLogLines, u"2000");
  EXPECT_EQ(interp.PrintLineLimit(), 400);

  Load({u"PRINT 1"});
  EXPECT_FALSE(interp.options.sameStr || interp.options.positionSet);
  EXPECT_TRUE(interp.options.dialogTitle.empty());
  EXPECT_EQ(interp.PrintLineLimit(), 2000);
}

TEST_F(DeclarationSinkTest, LogOptionsAndTheirReset) {
  const std::u16string configured = LogFilePath();
  Texts rows = Load({u"OPTION LOGFILE = 6, LOGPATH = \"C:\\LOGS\\\"", u"OPTION LOGPATH = \"\""});
  EXPECT_EQ(LogFilePath(), u"C:\\LOGS\\" + AppPaths().logFileName);
  EXPECT_EQ(interp.options.logMode, 6);
  EXPECT_EQ(rows[2], u"__ZELK_ERROR_ARI__OPTION:SyntaxError");

  // Mode 2 writes the bare text; the next run logs to the configured file again.
  Load({u"OPTION LOGPATH = \"" + root_.u16string() + u"\\run.log\"", u"OPTION LOGFILE = 2"});
  LogLine(u"kept");
  Load({u"PRINT 1"});
  EXPECT_EQ(LogFilePath(), configured);
  EXPECT_TRUE(std::filesystem::exists(root_ / "run.log"));
}

TEST_F(DeclarationSinkTest, ModuleDeclarationsArePrivateMembers) {
  Texts rows = Load({u"PUBLIC P = 1", u"DIM L = 2"},
                    {u"MODULE M 0", u"CONST C = 10", u"DIM D = C + 1, E[] = C, D",
                     u"PUBLIC Q = D * 2", u"CONST SEEN = E[1] + Q", u"ENDMODULE"});
  EXPECT_EQ(interp.global.moduleName, u"");
  EXPECT_EQ(Read(u"M.C").AsDouble(), 10);
  EXPECT_EQ(Read(u"M.E[1]").AsDouble(), 11);
  EXPECT_EQ(Read(u"M.SEEN").AsDouble(), 33);
  auto isPrivate = [&](std::u16string_view name) {
    int index = interp.global.vars.names.IndexOf(name);
    return index >= 0 && interp.declared.privateFlags[static_cast<std::size_t>(index)] != 0;
  };
  EXPECT_TRUE(isPrivate(u"M.D"));
  EXPECT_TRUE(isPrivate(u"M.E"));
  EXPECT_FALSE(isPrivate(u"M.Q"));
  EXPECT_FALSE(isPrivate(u"P"));
  EXPECT_LT(interp.global.vars.names.IndexOf(u"L"), 0);  // a run-time DIM
  EXPECT_EQ(interp.table.StmtKinds[2], kKindDim);
  EXPECT_TRUE(host.errors.empty());
}

TEST_F(DeclarationSinkTest, DuplicatesAtModuleLevelAreRefused) {
  Texts rows = Load({u"PUBLIC X = 1", u"PUBLIC X = 2", u"HASHTBL H"},
                    {u"MODULE M 0", u"DIM D", u"PUBLIC D", u"ENDMODULE", u"MODULE N 1", u"PUBLIC X",
                     u"PUBLIC X", u"ENDMODULE"});
  // PUBLIC in the main program may repeat itself; module level may not.
  EXPECT_EQ(rows[2], u"");
  EXPECT_EQ(Read(u"X").AsDouble(), 2);
  EXPECT_EQ(rows[7], u"__ZELK_ERROR_ARI__It has already been defined: M.D");
  EXPECT_EQ(rows[11], u"__ZELK_ERROR_ARI__It has already been defined: N.X");
  EXPECT_EQ(interp.definitions.functions.HeaderAt(interp.definitions.functions.Find(u"CLASS M")),
            6);

  SetJapaneseMessages(true);
  rows = Load({u"OPTION OPTPUBLIC", u"PUBLIC X", u"PUBLIC X"});
  SetJapaneseMessages(false);
  EXPECT_EQ(rows[3], u"__ZELK_ERROR_ARI__グローバル変数: X は既に定義されています");
}

TEST_F(DeclarationSinkTest, GlobalHashTables) {
  Texts rows = Load({u"PUBLIC HASHTBL H, S = 8192", u"PUBLIC HASHTBL C = 4096 OR 8192",
                     u"PUBLIC HASHTBL BAD = 5", u"PUBLIC HASHTBL S = 4096"},
                    {u"MODULE M 0", u"HASHTBL MH", u"ENDMODULE"});
  ASSERT_GE(Hash(u"H"), 0);
  EXPECT_EQ(rows[3], u"__ZELK_ERROR_ARI__5: Specified is wrong");
  EXPECT_LT(Hash(u"BAD"), 0);
  auto table = [&](std::u16string_view name) -> const TUZHash& {
    return *interp.global.hashTables[static_cast<std::size_t>(Hash(name))];
  };
  EXPECT_TRUE(table(u"C").caseSensitive() && table(u"C").sorted());
  // Declared again: emptied, the first options kept.
  EXPECT_TRUE(table(u"S").sorted());
  EXPECT_FALSE(table(u"S").caseSensitive());
  EXPECT_EQ(interp.global.hashTables.size(), interp.declared.hashPrivateFlags.size());
  EXPECT_EQ(interp.declared.hashPrivateFlags[static_cast<std::size_t>(Hash(u"M.MH"))], 1);
  EXPECT_EQ(interp.declared.hashPrivateFlags[static_cast<std::size_t>(Hash(u"H"))], 0);
  // A hash table's name is taken for variables.
  rows = Load({u"PUBLIC HASHTBL T", u"PUBLIC T = 1"});
  EXPECT_EQ(rows[2], u"__ZELK_ERROR_ARI__It has already been defined: T");
}

TEST_F(DeclarationSinkTest, DllDeclarationsFirstOneKept) {
  Load({u"DEF_DLL Beep(dword, dword):bool:kernel32.dll", u"DEF_DLL Beep(int):bool:other.dll"},
       {u"MODULE M 0", u"DEF_DLL Sleep(dword [ ]):kernel32.dll", u"ENDMODULE"});
  ASSERT_EQ(interp.declared.dllNames.Count(), 2);
  EXPECT_EQ(
      interp.declared
          .dllDeclarations[static_cast<std::size_t>(interp.declared.dllNames.IndexOf(u"BEEP"))],
      u"Beep(dword, dword):bool:kernel32.dll");
  EXPECT_EQ(
      interp.declared
          .dllDeclarations[static_cast<std::size_t>(interp.declared.dllNames.IndexOf(u"M.Sleep"))],
      u"Sleep(dword []):kernel32.dll");
}

}  // namespace
}  // namespace zelk
