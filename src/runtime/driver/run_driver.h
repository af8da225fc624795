// The run pipeline for a run without the debugger's windows: assembly,
// preprocessing, the pre-run check, the module initialisers and the main
// program, and the end-of-run release; and the stop request.
#pragma once

#include <string>
#include <vector>

#include "runtime/core/interpreter.h"

namespace zelk {

// Makes the main file's folder the current folder, against which relative
// CALLs resolve; returns the path by which the main file is then named.
std::u16string EnterScriptFolder(const std::u16string& mainPath);

// The pre-run check: true when it found (and reported) an error, so that
// nothing runs. CheckDefinitions is the default; null restores it.
using PreRunCheck = bool (*)(Interpreter& interp);
void SetPreRunCheck(PreRunCheck check);
// The first syntax-error marker of the table, reported with its file and
// line; false when there is none.
bool ReportFirstMarker(Interpreter& interp);

// The run itself (pplay): assembly (from disk, or from the debugger's copies
// of its editors), preprocessing, the check, then UScrCall and RunCleanup.
// Returns whether the script ran.
bool PlayScript(Interpreter& interp, const std::u16string& mainPath,
                const std::vector<std::u16string>& params,
                ScriptAssembly::Source source = ScriptAssembly::Source::kFiles);
// After PlayScript: ends the run state, writes the log and gives the exit
// status of RunScriptFile.
int FinishRun(Interpreter& interp, bool ran);
// The module initialisers in source order, then the procedure `name` as the
// main program with the parameters as its PARAM_STR.
void UScrCall(Interpreter& interp, const std::u16string& name,
              const std::vector<std::u16string>& params);
// End-of-run release: the abort level raised, the log written, the run's
// tables emptied.
void RunCleanup(Interpreter& interp);

// Stop: the run unwinds at its next statement and cleans up. Safe in a signal
// handler and from another thread (it only stores two atomic words).
void StopRun(Interpreter& interp);

// Exit status of a run that was stopped.
inline constexpr int kStoppedStatus = 130;

// Marks a run as begun: a stop from here on ends it, also one that comes
// before the script has been read. What the last run left in the run words
// does not count as a stop.
void BeginRun(Interpreter& interp);

// Runs a script file from start to end. Returns the process exit status: 0
// after a normal end, the EXITEXIT code, 1 after an error that ended the run,
// kStoppedStatus after a stop.
int RunScriptFile(Interpreter& interp, const std::u16string& mainPath,
                  const std::vector<std::u16string>& params);
// The same for a run that BeginRun has begun: a stop that came since then
// ends it before its first statement.
int RunBegunScript(Interpreter& interp, const std::u16string& mainPath,
                   const std::vector<std::u16string>& params);

}  // namespace zelk
