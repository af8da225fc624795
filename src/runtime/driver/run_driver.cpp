#include "runtime/driver/run_driver.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <span>
#include <string>
#include <utility>

#include "base/utf.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/script_log.h"
#include "frontend/statement_table.h"
#include "platform/platform.h"
#include "runtime/calls/calls.h"
#include "runtime/check/prerun_check.h"
#include "runtime/control/body_runner.h"
#include "runtime/core/report_error.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {
namespace {

PreRunCheck preRunCheck = &CheckDefinitions;

// The main program runs in the global context, so that its variables are the
// global ones; its parameters are PARAM_STR[0..n-1].
void RunMainProgram(Interpreter& interp, int header, const std::vector<std::u16string>& params) {
  THensuFmt& global = interp.global;
  {
    std::lock_guard<std::recursive_mutex> guard(interp.variableLock);
    int index = vars::CreateWithBounds(interp, global.vars, u"PARAM_STR",
                                       {static_cast<std::int32_t>(params.size()) - 1});
    if (index < 0) return;
    std::vector<Value>& elements = global.vars.values[static_cast<std::size_t>(index)];
    for (std::size_t i = 0; i < params.size() && i < elements.size(); ++i) {
      elements[i] = Value::String(params[i]);
    }
  }
  global.baseIndex = header;
  global.stmtTexts = BodyRows(interp, header);
  global.moduleName.clear();
  global.withTarget = Value();
  global.withStack.clear();
  global.exitFlag = 0;
  global.breakCount = 0;
  global.continueCount = 0;
  global.tryDepth = 0;
  global.tryErrFlag = 0;
  RunBody(global);
}

// Modules in the order their MODULE or CLASS statements first appear.
std::vector<std::u16string> ModulesInSourceOrder(const Interpreter& interp) {
  const TUHashedStrList& modules = interp.definitions.moduleNames;
  std::vector<std::pair<int, std::u16string>> numbered;
  numbered.reserve(static_cast<std::size_t>(modules.Count()));
  for (int i = 0; i < modules.Count(); ++i) {
    numbered.emplace_back(modules.ValueAt(i), modules.KeyAt(i));
  }
  std::stable_sort(numbered.begin(), numbered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::u16string> names;
  names.reserve(numbered.size());
  for (auto& entry : numbered) names.push_back(std::move(entry.second));
  return names;
}

bool Stopping(const Interpreter& interp) {
  return interp.run.errorFlag != 0 || interp.run.abortLevel > 0;
}

}  // namespace

std::u16string EnterScriptFolder(const std::u16string& mainPath) {
  // The folder part without its trailing separator, except for a root ("\" or "C:\").
  std::u16string folder = FolderPart(mainPath);
  if (folder.size() > 1 && !(folder.size() == 3 && folder[1] == u':')) folder.pop_back();
  if (!folder.empty() && os::SetCurrentFolder(folder)) return FileNamePart(mainPath);
  return mainPath;
}

void SetPreRunCheck(PreRunCheck check) {
  preRunCheck = check ? check : &CheckDefinitions;
}

bool ReportFirstMarker(Interpreter& interp) {
  const std::vector<std::u16string>& rows = interp.table.StmtTexts;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (!IsErrorRow(rows[r])) continue;
    // A context standing on the marker row, so that the location names its
    // file and line.
    THensuFmt at(interp, true);
    at.baseIndex = static_cast<std::int32_t>(r);
    at.curOffset = 0;
    at.stmtTexts = std::span<const std::u16string>(rows).subspan(r, 1);
    std::u16string message = rows[r].substr(kErrorMarker.size());
    if (message.empty()) message = u"SyntaxError";
    ReportError(message, at, true, false);
    return true;
  }
  return false;
}

void UScrCall(Interpreter& interp, const std::u16string& name,
              const std::vector<std::u16string>& params) {
  try {
    THensuFmt initialisers(interp, true);
    interp.run.exitCode = 0;
    for (ThreadRecord& record : interp.records) {
      record.comErrIgnore = 0;
      record.comErrFlag = 0;
    }
    // Let the user interface settle after the button press.
    for (int i = 0; i < 20; ++i) os::ProcessMessages();
    interp.run.checkPhase = false;
    interp.SetMainThread();

    const FunctionTable& functions = interp.definitions.functions;
    for (const std::u16string& module : ModulesInSourceOrder(interp)) {
      // An initialiser that failed or stopped the run ends it: nothing more runs.
      if (Stopping(interp)) return;
      int entry = functions.Find(module + u"." + module);
      if (entry < 0) continue;
      const int header = functions.HeaderAt(entry);
      // The caller stands on the initialiser's header, which its errors then name.
      initialisers.baseIndex = header;
      initialisers.stmtTexts = BodyRows(interp, header).first(1);
      CallUserFunction(module, header, initialisers, {}, {}, CallMode::kCall,
                       functions.KindAt(entry));
    }
    if (Stopping(interp)) return;

    int entry = functions.Find(name);
    if (entry < 0) {
      ReportError(Msg(u"The main program is missing: ", u"メインプログラムがありません: ") + name,
                  interp.global, true, false);
      return;
    }
    RunMainProgram(interp, functions.HeaderAt(entry), params);
  } catch (const std::exception& e) {
    interp.host().ShowError(u"UScrCall:" + Utf8ToText(e.what()));
    interp.run.errorFlag = 1;  // the run failed
  }
}

void RunCleanup(Interpreter& interp) {
  // Script threads still running see the abort request and end at their
  // next row; the run's tables go only once every one has.
  interp.run.abortLevel.fetch_add(1);
  interp.threads.WaitForAll();
  // No handler runs once the run's tables are gone.
  interp.eventSinks.DisconnectAll();
  // Files left open lose their changes; exclusively held ones are let go.
  interp.files.ReleaseAll();
  FlushLog();
  // The log of an OPTION LOGPATH file has just been written there.
  if (!interp.options.logPath.empty()) {
    ResetLog();
    SetLogOptions(0, u"");
  }

  // Nothing may point into the rows once they go.
  interp.global.stmtTexts = {};
  interp.table.StmtTexts.clear();
  interp.table.StmtSources.clear();
  interp.definitions.Clear();
  interp.declared.dllNames.Clear();
  interp.declared.dllDeclarations.clear();
  interp.dll.Clear();
  interp.declared.textBlockNames.Clear();
  interp.declared.textBlockTexts.clear();
  interp.declared.constNames.Clear();
  interp.declared.constValues.clear();
  {
    std::lock_guard<std::recursive_mutex> guard(interp.variableLock);
    interp.global.vars.Clear();
    interp.declared.privateFlags.clear();
    interp.global.hashNames.Clear();
    interp.global.hashTables.clear();
  }
  for (ThreadRecord& record : interp.records) {
    record.tokens.clear();
    record.kinds.clear();
  }
}

bool PlayScript(Interpreter& interp, const std::u16string& mainPath,
                const std::vector<std::u16string>& params, ScriptAssembly::Source source) {
  try {
    interp.assembly.setMainPath(EnterScriptFolder(mainPath));
    if (!interp.assembly.AssembleScript(source) || interp.assembly.createNewFileRequested()) {
      return false;
    }
    // The table keeps what the run needs of the source.
    bool failed = interp.preprocessor.FReLoad(interp.assembly.TakeCombinedSource());
    interp.TakeStatementKinds();
    // Preprocessing resets the abort level: a stop that came before must still count.
    if (interp.run.runState == kRunIdle) interp.run.abortLevel = 1;
    if (failed || interp.run.errorFlag != 0 || interp.run.abortLevel > 0) return false;
    interp.host().RunPrepared();
    if (preRunCheck(interp) || interp.run.errorFlag != 0) return false;
    UScrCall(interp, u"__MAIN__", params);
    RunCleanup(interp);
    return true;
  } catch (const std::exception& e) {
    interp.host().ShowError(u"pplay:" + Utf8ToText(e.what()));
    interp.run.errorFlag = 1;
    return false;
  }
}

void StopRun(Interpreter& interp) {
  interp.run.abortLevel = 1;
  interp.run.runState = kRunIdle;
}

void BeginRun(Interpreter& interp) {
  interp.run.runState = kRunRunning;
}

int RunScriptFile(Interpreter& interp, const std::u16string& mainPath,
                  const std::vector<std::u16string>& params) {
  BeginRun(interp);
  return RunBegunScript(interp, mainPath, params);
}

int RunBegunScript(Interpreter& interp, const std::u16string& mainPath,
                   const std::vector<std::u16string>& params) {
  // A stop since BeginRun has left the run state idle; preprocessing then
  // raises the abort level again before anything runs.
  return FinishRun(interp, PlayScript(interp, mainPath, params));
}

int FinishRun(Interpreter& interp, bool ran) {
  const bool stopped = interp.run.runState.exchange(kRunIdle) == kRunIdle;
  FlushLog();
  if (stopped) return kStoppedStatus;
  if (!ran || interp.run.errorFlag != 0) return 1;
  return interp.run.exitExitFlag ? interp.run.exitCode : 0;
}

}  // namespace zelk
