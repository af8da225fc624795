#include "runtime/run_driver.h"

#include <exception>
#include <span>
#include <string>

#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/script_log.h"
#include "foundation/utf.h"
#include "frontend/statement_table.h"
#include "platform/platform.h"
#include "runtime/execute.h"
#include "runtime/report_error.h"
#include "runtime/variables.h"

namespace zelk {
namespace {

std::u16string Decimal(long long n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// PARAM_STR[0..n-1] of the main program: the parameters as strings.
void SetParameters(Interpreter& interp, const std::vector<std::u16string>& params) {
  THensuFmt& global = interp.global;
  CreateVariable(global, global.vars,
                 u"PARAM_STR[" + Decimal(static_cast<long long>(params.size()) - 1) + u"]");
  int index = global.vars.names.IndexOf(u"PARAM_STR");
  if (index < 0) return;
  std::vector<Value>& elements = global.vars.values[static_cast<std::size_t>(index)];
  for (std::size_t i = 0; i < params.size() && i < elements.size(); ++i) {
    elements[i] = Value::String(params[i]);
  }
}

}  // namespace

std::u16string EnterScriptFolder(const std::u16string& mainPath) {
  // The folder part without its trailing separator, except for a root ("\" or "C:\").
  std::u16string folder = FolderPart(mainPath);
  if (folder.size() > 1 && !(folder.size() == 3 && folder[1] == u':')) folder.pop_back();
  if (!folder.empty() && os::SetCurrentFolder(folder)) return FileNamePart(mainPath);
  return mainPath;
}

bool PrepareRun(Interpreter& interp, const std::u16string& mainPath) {
  interp.assembly.setMainPath(EnterScriptFolder(mainPath));
  if (interp.assembly.creUscrptFil(false) || interp.assembly.createNewFileRequested()) return false;
  if (interp.preprocessor.FReLoad(interp.assembly.combinedSource()) || interp.errorFlag != 0) {
    return false;
  }
  interp.TakeStatementKinds();
  return !ReportFirstMarker(interp);
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

void RunMainProgram(Interpreter& interp, const std::vector<std::u16string>& params) {
  THensuFmt& global = interp.global;
  const FunctionTable& functions = interp.definitions.functions;
  int entry = functions.Find(u"__MAIN__");
  if (entry < 0) {
    ReportError(
        Msg(u"The main program __MAIN__ is missing", u"メインプログラム __MAIN__ がありません"),
        global, true, false);
    return;
  }
  const std::vector<std::u16string>& rows = interp.table.StmtTexts;
  const std::vector<std::int32_t>& kinds = interp.table.StmtKinds;
  std::size_t header = static_cast<std::size_t>(functions.HeaderAt(entry));
  if (header >= rows.size()) return;
  std::size_t end = header + 1;
  while (end < rows.size() && !(end < kinds.size() && kinds[end] == kKindFend)) ++end;

  interp.SetMainThread();
  interp.exitCode = 0;
  interp.scriptParams = params;
  SetParameters(interp, params);
  global.baseIndex = static_cast<std::int32_t>(header);
  global.stmtTexts = std::span<const std::u16string>(rows).subspan(header, end - header);
  global.exitFlag = 0;
  global.breakCount = 0;
  global.continueCount = 0;

  const std::int32_t length = static_cast<std::int32_t>(global.stmtTexts.size());
  for (global.curOffset = 1; global.curOffset < length;) {
    if (global.exitFlag != 0 || interp.errorFlag != 0 || interp.abortLevel > 0) break;
    std::int32_t before = global.curOffset;
    ExecuteRow(global);
    // A row that did not run (a BREAK or CONTINUE with no loop to take it)
    // would otherwise be tried for ever.
    if (global.curOffset == before) break;
  }
  global.curOffset = length;
  global.exitFlag = 0;
  global.breakCount = 0;
  global.continueCount = 0;
  interp.host().DebugHook(global, true);
}

int RunScriptFile(Interpreter& interp, const std::u16string& mainPath,
                  const std::vector<std::u16string>& params) {
  int status = 1;
  try {
    if (PrepareRun(interp, mainPath)) {
      bool escaped = false;
      try {
        RunMainProgram(interp, params);
      } catch (const std::exception& e) {
        interp.host().ShowError(u"UScrCall:" + Utf8ToText(e.what()));
        escaped = true;
      }
      // The end of the run: script threads (none yet) see the abort request.
      interp.abortLevel = interp.abortLevel + 1;
      if (interp.errorFlag != 0 || escaped) {
        status = 1;
      } else {
        status = interp.exitExitFlag ? interp.exitCode : 0;
      }
    }
  } catch (const std::exception& e) {
    interp.host().ShowError(u"pplay:" + Utf8ToText(e.what()));
    status = 1;
  }
  FlushLog();
  return status;
}

}  // namespace zelk
