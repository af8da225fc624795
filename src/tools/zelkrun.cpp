// The console program: runs a script headless (PRINT to standard output,
// errors to standard error), or shows what the front end made of it.
//
//   zelkrun SCRIPT.zls [parameters]        runs the script
//   zelkrun --listing SCRIPT.zls ...       the combined source, then "--- files"
//                                          and one "index path" line per file
//   zelkrun --table [--sources] SCRIPT.zls ...  the statement table: index, kind,
//                                          line reference, text [, source]
//   zelkrun --dap                          a Debug Adapter Protocol server on
//                                          standard input and output
//
// Exit status: the script's (0, its EXITEXIT code, 1 after an error that ended
// the run, 130 when Ctrl+C stopped it); for the views 0, or 1 when the front
// end failed; 2 for bad usage. A first Ctrl+C stops the script, which cleans
// up; a second one ends zelkrun at once.
#include <atomic>
#include <string>
#include <vector>

#include "base/utf.h"
#include "builtins/install.h"
#include "debugger/dap/dap_server.h"
#include "foundation/settings.h"
#include "frontend/table_dump.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/driver/run_driver.h"

namespace {

using namespace zelk;

constexpr char kUsage[] =
    "usage: zelkrun SCRIPT.zls [parameters]\n"
    "       zelkrun --listing SCRIPT.zls\n"
    "       zelkrun --table [--sources] SCRIPT.zls\n"
    "       zelkrun --dap\n";

std::atomic<Interpreter*> running{nullptr};

void StopOnInterrupt() {
  if (Interpreter* interp = running.load()) StopRun(*interp);
}

int Listing(Interpreter& interp, const std::u16string& script) {
  ScriptAssembly& assembly = interp.assembly;
  assembly.setMainPath(EnterScriptFolder(script));
  if (!assembly.AssembleScript()) return 1;
  std::string out;
  for (const std::u16string& row : assembly.combinedSource()) {
    out += TextToUtf8(row);
    out += '\n';
  }
  out += "--- files\n";
  const std::vector<TsvFileJyho>& files = assembly.sourceFiles();
  for (std::size_t i = 0; i < files.size(); ++i) {
    out += std::to_string(i) + ' ' + TextToUtf8(files[i].path) + '\n';
  }
  os::WriteStdout(out);
  return 0;
}

int Table(Interpreter& interp, const std::u16string& script, bool withSources) {
  ScriptAssembly& assembly = interp.assembly;
  assembly.setMainPath(EnterScriptFolder(script));
  if (!assembly.AssembleScript()) return 1;
  bool failed = interp.preprocessor.FReLoad(assembly.combinedSource());
  os::WriteStdout(TextToUtf8(DumpStatementTable(interp.table, withSources)));
  return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::u16string> args = os::CommandLineArgs(argc, argv);
  SetupPaths();
  Interpreter interp;
  InstallBuiltins(interp);
  // The views take the script's parameters too, and ignore them.
  if (args.size() >= 3 && args[1] == u"--listing") return Listing(interp, args[2]);
  if (args.size() >= 4 && args[1] == u"--table" && args[2] == u"--sources")
    return Table(interp, args[3], true);
  if (args.size() >= 3 && args[1] == u"--table") return Table(interp, args[2], false);
  if (args.size() == 2 && args[1] == u"--dap") {
    return dap::Serve(interp, &os::ReadStdin, &os::WriteStdout);
  }
  if (args.size() >= 2 && !args[1].starts_with(u"--")) {
    std::vector<std::u16string> params(args.begin() + 2, args.end());
    // The run is begun before Ctrl+C is taken, so that one pressed while the
    // script is still being read stops it.
    BeginRun(interp);
    running = &interp;
    os::OnInterrupt(&StopOnInterrupt);
    int status = RunBegunScript(interp, args[1], params);
    running = nullptr;
    return os::ProcessExitStatus(status);
  }
  os::WriteStderr(kUsage);
  return 2;
}
