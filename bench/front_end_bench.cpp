// Times assembly and preprocessing of a generated 100,000-line script: every
// run of a script goes through both, so they must stay well under a second.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "base/utf.h"
#include "foundation/text_file.h"
#include "frontend/assembly.h"
#include "frontend/preprocess.h"
#include "platform/platform.h"

namespace {

// A script of ordinary shapes: assignments, blocks, loops, one-line IFs,
// multi-statement lines, functions with calls.
std::vector<std::u16string> GenerateScript(int lines) {
  std::vector<std::u16string> out;
  out.reserve(static_cast<std::size_t>(lines));
  int i = 0;
  while (static_cast<int>(out.size()) + 12 < lines / 2) {
    std::u16string n = zelk::Utf8ToText(std::to_string(i++));
    out.push_back(u"x" + n + u" = " + n + u" * 2 + LENGTH(\"abc\")  // comment");
    out.push_back(u"IFB x" + n + u" > 10 THEN");
    out.push_back(u"  PRINT \"big \" + x" + n);
    out.push_back(u"ELSEIF x" + n + u" = 3");
    out.push_back(u"  y = 1; z = 2; w = y + z");
    out.push_back(u"ELSE");
    out.push_back(u"  IF x" + n + u" = 0 THEN PRINT 0 ELSE PRINT 1");
    out.push_back(u"ENDIF");
    out.push_back(u"FOR k = 1 TO 10 STEP 2");
    out.push_back(u"  s = s + k");
    out.push_back(u"NEXT");
    out.push_back(u"f" + n + u"(1, 2)");
  }
  int f = 0;
  while (static_cast<int>(out.size()) + 6 < lines) {
    std::u16string n = zelk::Utf8ToText(std::to_string(f++));
    out.push_back(u"FUNCTION f" + n + u"(a, b)");
    out.push_back(u"  WHILE a < b");
    out.push_back(u"    a = a + 1");
    out.push_back(u"  WEND");
    out.push_back(u"  RESULT = a");
    out.push_back(u"FEND");
  }
  return out;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
  const int kLines = 100000;
  std::u16string path = zelk::os::TempFolder() + u"/zelk-bench-100k.zls";
  zelk::SaveTextFile(path, GenerateScript(kLines), zelk::kEncodingUtf8);

  double bestAssembly = 1e9, bestPreprocess = 1e9;
  int rows = 0;
  for (int round = 0; round < 5; ++round) {
    zelk::ScriptAssembly assembly;
    assembly.setMainPath(path);
    auto start = std::chrono::steady_clock::now();
    if (!assembly.AssembleScript()) {
      std::fprintf(stderr, "assembly failed\n");
      return 1;
    }
    bestAssembly = std::min(bestAssembly, Seconds(start));

    zelk::StatementTable table;
    zelk::DefinitionTables definitions;
    zelk::FrontEndErrors errors;
    zelk::Preprocessor preprocessor(table, definitions, errors);
    start = std::chrono::steady_clock::now();
    preprocessor.FReLoad(assembly.combinedSource());
    bestPreprocess = std::min(bestPreprocess, Seconds(start));
    rows = table.RowCount();
  }
  zelk::os::DeleteFile(path);
  std::printf("front end, %d source lines (%d rows): assembly %.3f s, preprocessing %.3f s\n",
              kLines, rows, bestAssembly, bestPreprocess);
  return 0;
}
